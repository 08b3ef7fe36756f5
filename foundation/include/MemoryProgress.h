#pragma once
// In-memory progress bar and status line: they keep the state a real control
// would keep and remember what was shown, so tests can check what a long
// operation reported and the command line can build on them. Not
// thread-safe; used on the thread of the long operation.

#include "ZCProgress.h"
#include "ZCStatic.h"

#include <string>
#include <vector>

// A progress bar without a window: range 0..100, position 0 and step 10 at
// the start, as a new control has. Every position it reaches is recorded.
class MemoryProgress : public ZCProgress {
public:
    DWORD SetRange32(int low, int high) override;
    int GetRange(BOOL whichLow, PBRANGE* range) override;
    int SetPos(int position) override;
    int GetPos() override { return m_position; }
    int Position() const { return m_position; }
    int DeltaPos(int increment) override;
    int SetStep(int step) override;
    int StepIt() override;

    int Low() const { return m_low; }
    int High() const { return m_high; }
    // Every range set, oldest first.
    const std::vector<PBRANGE>& Ranges() const { return m_ranges; }
    // Every position set by SetPos, DeltaPos or StepIt, oldest first.
    const std::vector<int>& Positions() const { return m_positions; }

protected:
    // Called after each change of range or position.
    virtual void Changed() { }

private:
    int MoveTo(int position);

    int m_low = 0;
    int m_high = 100;
    int m_position = 0;
    int m_step = 10;
    std::vector<PBRANGE> m_ranges;
    std::vector<int> m_positions;
};

// A status line without a window: keeps the text and records every text that
// was on show when Update was called.
class MemoryStatic : public ZCStatic {
public:
    BOOL SetText(LPCWSTR text) override;
    void Update() override;

    const std::u16string& Text() const { return m_text; }
    // The texts shown by Update, oldest first.
    const std::vector<std::u16string>& Shown() const { return m_shown; }

protected:
    std::u16string m_text;
    std::vector<std::u16string> m_shown;
};
