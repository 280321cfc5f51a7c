#include "export/ExportProgress.h"

#include "catalogue/Catalogue.h"

TExportQueriesScope::TExportQueriesScope(TCatalogue& Catalogue) : FCatalogue(Catalogue)
{
    FCatalogue.CloseExportQueries();
}

TExportQueriesScope::~TExportQueriesScope() { FCatalogue.CloseExportQueries(); }
