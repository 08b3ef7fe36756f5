#include "ConsoleProgress.h"

#include "ZString.h"

#include <algorithm>

ConsoleProgress::ConsoleProgress(std::FILE* out, bool interactive)
    : m_out(out)
    , m_interactive(interactive)
{
}

ConsoleProgress::~ConsoleProgress()
{
    // Leave the terminal on a fresh line after an overwritten percentage.
    if (m_interactive && m_printed >= 0)
        std::fputc('\n', m_out);
}

int ConsoleProgress::Percent() const
{
    long long span = static_cast<long long>(High()) - Low();
    if (span <= 0)
        return 0;
    return static_cast<int>((static_cast<long long>(Position()) - Low()) * 100 / span);
}

std::string ConsoleProgress::TerminalLine(int percent, std::chrono::steady_clock::duration elapsed) const
{
    const long long done = static_cast<long long>(Position()) - Low();
    const long long whole = static_cast<long long>(High()) - Low();
    char line[96];
    int length = std::snprintf(line, sizeof line, "\r%3d%%  %lld/%lld", percent, done, whole);
    if (elapsed >= kEstimateAfter && done > 0 && done < whole) {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed * (whole - done) / done);
        const long long left = seconds.count();
        length += std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length),
            "  about %lld:%02lld left", left / 60, left % 60);
    }
    // Spaces wipe what a longer earlier line left behind.
    std::snprintf(line + length, sizeof line - static_cast<std::size_t>(length), "%*s",
        std::max(0, 40 - length), "");
    return line;
}

void ConsoleProgress::Changed()
{
    int percent = Percent();
    if (percent == m_printed)
        return;
    if (m_interactive) {
        const std::string line = TerminalLine(percent, std::chrono::steady_clock::now() - m_started);
        std::fputs(line.c_str(), m_out);
    } else if (m_printed < 0 || percent / 10 != m_printed / 10 || percent < m_printed) {
        std::fprintf(m_out, "%d%%\n", percent);
    } else {
        return;
    }
    std::fflush(m_out);
    m_printed = percent;
}

void ConsoleStatic::Update()
{
    MemoryStatic::Update();
    std::string line = ZString::AnsiBytes(m_text.c_str()) + "\n";
    std::fwrite(line.data(), 1, line.size(), m_out);
    std::fflush(m_out);
}
