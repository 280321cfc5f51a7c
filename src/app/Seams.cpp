#include "app/ListOrdering.h"
#include "app/LoginParams.h"

#include "catalogue/Catalogue.h"

TLoginParams::~TLoginParams() = default;
TListOrdering::~TListOrdering() = default;

namespace {

varnel::db::TIB_Query& ListQuery(TCatalogue& catalogue, TObjectList list)
{
    switch (list) {
    case TObjectList::Tables: return catalogue.TableQuery;
    case TObjectList::Procedures: return catalogue.ProcedureQuery;
    case TObjectList::Views: break;
    }
    return catalogue.ViewQuery;
}

} // namespace

int TQueryListOrdering::OrderingItemNo(TObjectList list) const { return ListQuery(FCatalogue, list).OrderingItemNo(); }

void TQueryListOrdering::SetOrderingItemNo(TObjectList list, int value)
{
    ListQuery(FCatalogue, list).SetOrderingItemNo(value);
}
