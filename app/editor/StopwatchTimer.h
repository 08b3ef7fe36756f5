#pragma once
// StopwatchTimer: the clock behind the entry editor's duration stopwatch. The
// editor starts it with a period and a tick handler and stops it again; the
// program's timer is a QTimer, and tests put in one they tick by hand.
// UI thread only.

#include <chrono>
#include <functional>
#include <memory>

class StopwatchTimer {
public:
    virtual ~StopwatchTimer() = default;
    // Starts (or restarts) ticking every `period`; `tick` runs on each.
    virtual void Start(std::chrono::milliseconds period, std::function<void()> tick) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;

    // The program's timer.
    static std::unique_ptr<StopwatchTimer> MakeQtTimer();
};
