#pragma once
// Progress bar and status line for the command line: the progress bar
// prints the percentage of its range each time it reaches a new whole
// percent, the status line prints each text it is asked to show, both as
// UTF-8 to a stdio stream (usually stderr). On a terminal the percentage
// overwrites itself ("\r 42%"); elsewhere one line is printed at every tenth
// of the way so logs stay short. The stream is not owned. Used on one thread.

#include "MemoryProgress.h"

#include <cstdio>

class ConsoleProgress : public MemoryProgress {
public:
    // `interactive`: the stream is a terminal that honours carriage returns.
    ConsoleProgress(std::FILE* out, bool interactive);
    ~ConsoleProgress() override;

    // The whole percent the position is at within the range (0..100).
    int Percent() const;

protected:
    void Changed() override;

private:
    std::FILE* m_out;
    bool m_interactive;
    int m_printed = -1; // last percentage printed
};

class ConsoleStatic : public MemoryStatic {
public:
    explicit ConsoleStatic(std::FILE* out)
        : m_out(out)
    {
    }
    void Update() override;

private:
    std::FILE* m_out;
};
