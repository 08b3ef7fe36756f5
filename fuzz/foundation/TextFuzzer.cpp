// Feeds arbitrary bytes through every reader of typed or stored text in
// ZString and ZTime: the code-page decoder, the duration parsers and the date
// pictures, and checks the round trips that callers rely on.

#include "ZString.h"
#include "ZTime.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ZString text;
    text.AssignAnsi(reinterpret_cast<const char*>(data), size);

    // Decoded text survives the code page both ways.
    ZString copy(text);
    if (copy.ToAnsi() > 0) {
        copy.FromAnsi();
        if (copy.ToU16() != text.ToU16())
            std::abort();
    }

    // Doubling the ampersands and removing mnemonics gives the text back.
    ZString caption(text);
    caption.DoubleAmpersands();
    caption.RemoveMnemonics();
    if (caption.ToU16() != text.ToU16())
        std::abort();

    ZTime length;
    ZString typed(text);
    length.ParseDuration(typed);
    WCHAR duration[ZTime::kDurationTextChars];
    length.DurationText(duration);

    // A length taken strictly is never negative nor beyond its limit.
    ZTime strict;
    if (ZTime::ParseTypedDuration(text, strict)
        && strict.Ticks() > static_cast<ULONGLONG>(ZTime::kMaxTypedYears) * 36525 / 100 * ZTime::kTicksPerDay)
        std::abort();

    const ZTime when(static_cast<ULONGLONG>(size) * 987654321987ULL);
    if (text.Text()) {
        WCHAR formatted[ZTime::kShortTextChars];
        when.FormatDate(text.Text(), formatted);
        when.FormatTime(text.Text(), formatted);
    }
    return 0;
}
