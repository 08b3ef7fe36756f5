#pragma once
// ZCProgress: the progress bar that long operations of the data library
// (backup, restore, integrity check) move while they run. The caller owns it
// and passes a pointer; null means "no display", and the data library tests
// the pointer before every use. The program implements it on a GUI progress
// bar; MemoryProgress and ConsoleProgress serve tests and the command line.
//
// The operations keep the progress bar's message semantics: each returns
// what the control answers (usually the previous value). Used on one thread,
// the one running the long operation.

#include "WinTypes.h"

// Both ends of a progress range.
struct PBRANGE {
    int iLow;
    int iHigh;
};

class ZCProgress {
public:
    virtual ~ZCProgress() = default;

    // Sets the range from 16-bit halves: only the low 16 bits of each end
    // are kept (unsigned), so the range is at most 0..65535. Returns the
    // previous range packed the same way (low end in the low half).
    DWORD SetRange(int low, int high) { return SetRange32(low & 0xFFFF, high & 0xFFFF); }
    // Sets the full 32-bit range; returns the previous range packed into two
    // 16-bit halves, as SetRange does.
    virtual DWORD SetRange32(int low, int high) = 0;
    // The low end (`whichLow` nonzero) or the high end of the range; also
    // fills `range` with both ends when it is not null.
    virtual int GetRange(BOOL whichLow, PBRANGE* range) = 0;
    // Moves to `position` (kept inside the range); returns the old position.
    virtual int SetPos(int position) = 0;
    virtual int GetPos() = 0;
    // Moves by `increment` (kept inside the range); returns the old position.
    virtual int DeltaPos(int increment) = 0;
    // The increment of StepIt(); returns the old step.
    virtual int SetStep(int step) = 0;
    // Moves by the step, starting over from the low end when it passes the
    // high end; returns the old position.
    virtual int StepIt() = 0;
};
