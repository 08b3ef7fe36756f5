#include "ConsoleProgress.h"

#include "ZString.h"

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

void ConsoleProgress::Changed()
{
    int percent = Percent();
    if (percent == m_printed)
        return;
    if (m_interactive) {
        std::fprintf(m_out, "\r%3d%%", percent);
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
