#pragma once
// The sort order of the three object lists: the OrderingItemNo of the
// table, procedure and view browse queries (1 by name ascending, -1
// descending, 0 the server's order).
class TCatalogue;

enum class TObjectList { Tables, Procedures, Views };

class TListOrdering {
public:
    virtual ~TListOrdering();
    virtual int OrderingItemNo(TObjectList list) const = 0;
    virtual void SetOrderingItemNo(TObjectList list, int value) = 0;
};

// The orderings of the catalogue's TableQuery, ProcedureQuery and
// ViewQuery themselves: setting a different number re-sorts an open list
// and fires the query's OnOrderingChanged. Does not own the catalogue.
class TQueryListOrdering : public TListOrdering {
public:
    explicit TQueryListOrdering(TCatalogue& catalogue) : FCatalogue(catalogue) {}
    int OrderingItemNo(TObjectList list) const override;
    void SetOrderingItemNo(TObjectList list, int value) override;

private:
    TCatalogue& FCatalogue;
};
