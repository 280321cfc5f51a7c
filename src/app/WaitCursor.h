#pragma once
// Shows the hourglass cursor for its lifetime; the previous cursor comes
// back when it ends, also when an error leaves the scope.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};
