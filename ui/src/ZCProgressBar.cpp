#include "ZCProgressBar.h"

#include <QProgressBar>

#include <algorithm>

namespace {

DWORD PackRange(int low, int high)
{
    return (static_cast<DWORD>(low) & 0xFFFF) | ((static_cast<DWORD>(high) & 0xFFFF) << 16);
}

} // namespace

QWidget* ZCProgressBar::CreateWidget(QWidget* parent)
{
    return new QProgressBar(parent);
}

QProgressBar* ZCProgressBar::Bar() const
{
    return qobject_cast<QProgressBar*>(GetHandle());
}

DWORD ZCProgressBar::SetRange32(int low, int high)
{
    QProgressBar* bar = Bar();
    if (!bar)
        return 0;
    const DWORD previous = PackRange(bar->minimum(), bar->maximum());
    // A reversed range would make the bar busy-animate; keep it ordered.
    bar->setRange(std::min(low, high), std::max(low, high));
    return previous;
}

int ZCProgressBar::GetRange(BOOL whichLow, PBRANGE* range)
{
    QProgressBar* bar = Bar();
    const int low = bar ? bar->minimum() : 0;
    const int high = bar ? bar->maximum() : 0;
    if (range)
        *range = { low, high };
    return whichLow ? low : high;
}

int ZCProgressBar::SetPos(int position)
{
    QProgressBar* bar = Bar();
    if (!bar)
        return 0;
    const int previous = GetPos();
    bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
    return previous;
}

int ZCProgressBar::GetPos()
{
    QProgressBar* bar = Bar();
    // A bar that was never set reports minimum - 1; the control starts at the low end.
    return bar ? std::max(bar->value(), bar->minimum()) : 0;
}

int ZCProgressBar::DeltaPos(int increment)
{
    return SetPos(GetPos() + increment);
}

int ZCProgressBar::SetStep(int step)
{
    return std::exchange(step_, step);
}

int ZCProgressBar::StepIt()
{
    QProgressBar* bar = Bar();
    if (!bar)
        return 0;
    int next = GetPos() + step_;
    if (next > bar->maximum())
        next = bar->minimum() + (next - bar->maximum());
    return SetPos(next);
}
