#pragma once
// The wait cursor over every window of the program for as long as it lives:
// a listing or another step that keeps the GUI thread shows that it works.
// Nested ones stack, as Qt's override cursors do.

namespace nbr {

class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace nbr
