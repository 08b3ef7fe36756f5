#include "MemoryProgress.h"

#include <algorithm>
#include <utility>

namespace {

DWORD PackRange(int low, int high)
{
    return (DWORD(low) & 0xFFFF) | ((DWORD(high) & 0xFFFF) << 16);
}

} // namespace

DWORD MemoryProgress::SetRange32(int low, int high)
{
    DWORD previous = PackRange(m_low, m_high);
    m_low = low;
    m_high = high;
    m_ranges.push_back({ low, high });
    // A position outside the new range is pulled back into it.
    m_position = std::clamp(m_position, std::min(low, high), std::max(low, high));
    Changed();
    return previous;
}

int MemoryProgress::GetRange(BOOL whichLow, PBRANGE* range)
{
    if (range)
        *range = { m_low, m_high };
    return whichLow ? m_low : m_high;
}

int MemoryProgress::MoveTo(int position)
{
    int old = m_position;
    m_position = std::clamp(position, std::min(m_low, m_high), std::max(m_low, m_high));
    m_positions.push_back(m_position);
    Changed();
    return old;
}

int MemoryProgress::SetPos(int position)
{
    return MoveTo(position);
}

int MemoryProgress::DeltaPos(int increment)
{
    return MoveTo(m_position + increment);
}

int MemoryProgress::SetStep(int step)
{
    return std::exchange(m_step, step);
}

int MemoryProgress::StepIt()
{
    // Past either end the bar starts over: the position wraps round the range.
    long long next = static_cast<long long>(m_position) + m_step;
    long long low = std::min(m_low, m_high), span = std::max(m_low, m_high) - low;
    if (span > 0 && (next < low || next > low + span))
        next = low + ((next - low) % span + span) % span;
    return MoveTo(static_cast<int>(next));
}

BOOL MemoryStatic::SetText(LPCWSTR text)
{
    m_text = text ? text : u"";
    return TRUE;
}

void MemoryStatic::Update()
{
    m_shown.push_back(m_text);
}
