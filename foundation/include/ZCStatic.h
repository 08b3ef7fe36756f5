#pragma once
// ZCStatic: one line of status text that long operations of the data library
// change between their passes ("Checking entries...", ...). The caller owns
// it and passes a pointer; null means "no display". Because no messages are
// processed while the operation runs, every SetText is followed by Update,
// which must show the new text at once. The program implements it on a GUI
// label; MemoryStatic and ConsoleStatic serve tests and the command line.
// Used on one thread.

#include "WinTypes.h"

class ZCStatic {
public:
    virtual ~ZCStatic() = default;

    // Replaces the text (null means empty); returns 1 on success.
    virtual BOOL SetText(LPCWSTR text) = 0;
    // Shows the current text now.
    virtual void Update() = 0;
};
