#pragma once
// Progress bar and status line for the command line: the progress bar
// prints the percentage of its range each time it reaches a new whole
// percent, the status line prints each text it is asked to show, both as
// UTF-8 to a stdio stream (usually stderr). On a terminal one line updates
// in place with the percentage, the count done of the whole and, once the
// work has run for a while, an estimate of the time left
// ("\r 42%  420/1000  about 0:12 left"); elsewhere one line is printed at
// every tenth of the way so logs stay short. The stream is not owned. Used on
// one thread.

#include "MemoryProgress.h"

#include <chrono>
#include <cstdio>
#include <string>

class ConsoleProgress : public MemoryProgress {
public:
    // `interactive`: the stream is a terminal that honours carriage returns.
    ConsoleProgress(std::FILE* out, bool interactive);
    ~ConsoleProgress() override;

    // The whole percent the position is at within the range (0..100).
    int Percent() const;
    // The terminal line for `percent` after `elapsed` of work: the time left
    // is estimated only after kEstimateAfter, when it can mean something.
    std::string TerminalLine(int percent, std::chrono::steady_clock::duration elapsed) const;
    static constexpr std::chrono::seconds kEstimateAfter { 2 };

protected:
    void Changed() override;

private:
    std::FILE* m_out;
    bool m_interactive;
    int m_printed = -1; // last percentage printed
    std::chrono::steady_clock::time_point m_started = std::chrono::steady_clock::now();
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
