#include "TextMatch.h"

#include <QChar>

namespace objectstore {

namespace {

char32_t Upper(char32_t c)
{
    if (c < 0x80)
        return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c;
    return QChar::toUpper(c);
}

} // namespace

void MakeUpper(std::u16string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1])) {
            const char32_t mapped = Upper(QChar::surrogateToUcs4(c, text[i + 1]));
            if (QChar::requiresSurrogates(mapped)) {
                text[i] = QChar::highSurrogate(mapped);
                text[i + 1] = QChar::lowSurrogate(mapped);
            }
            ++i;
        } else {
            const char32_t mapped = Upper(c);
            if (!QChar::requiresSurrogates(mapped))
                text[i] = static_cast<char16_t>(mapped);
        }
    }
}

std::u16string Needle(std::u16string_view text, bool caseSensitive)
{
    std::u16string needle(text);
    if (!caseSensitive)
        MakeUpper(needle);
    return needle;
}

bool TextMatches(
    std::u16string_view candidate, const std::u16string& needle, bool caseSensitive, std::u16string& scratch)
{
    if (candidate.empty())
        return false;
    if (caseSensitive)
        return candidate.find(needle) != std::u16string_view::npos;
    scratch.assign(candidate);
    MakeUpper(scratch);
    return scratch.find(needle) != std::u16string::npos;
}

} // namespace objectstore
