#pragma once
// The sort order of the three object lists: the OrderingItemNo of the
// table, procedure and view browse queries (1 by name ascending, -1
// descending, 0 the server's order).
#include <array>

enum class TObjectList { Tables, Procedures, Views };

class TListOrdering {
public:
    virtual ~TListOrdering();
    virtual int OrderingItemNo(TObjectList list) const = 0;
    virtual void SetOrderingItemNo(TObjectList list, int value) = 0;
};

// Holds the three numbers until the lists exist; fires nothing.
class TStoredListOrdering : public TListOrdering {
public:
    int OrderingItemNo(TObjectList list) const override { return FItemNo[int(list)]; }
    void SetOrderingItemNo(TObjectList list, int value) override { FItemNo[int(list)] = value; }

private:
    std::array<int, 3> FItemNo{1, 1, 1};
};
