#include "StopwatchTimer.h"

#include <QTimer>

namespace {

class QtStopwatchTimer : public StopwatchTimer {
public:
    void Start(std::chrono::milliseconds period, std::function<void()> tick) override
    {
        timer_.disconnect();
        QObject::connect(&timer_, &QTimer::timeout, std::move(tick));
        timer_.start(period);
    }
    void Stop() override { timer_.stop(); }
    bool IsActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace

std::unique_ptr<StopwatchTimer> StopwatchTimer::MakeQtTimer()
{
    return std::make_unique<QtStopwatchTimer>();
}
