// Arbitrary bytes as an .ics file of the calendar or task folders (written
// by whatever synchronises them). The reader must come back with what it
// could read and never crash; every date it reports is a real date.

#include "ICalendarReader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    for (const PimCalendarItem& item :
        ReadCalendarItems(std::string_view(reinterpret_cast<const char*>(data), size), error)) {
        if (item.hasDate
            && (item.date.wMonth < 1 || item.date.wMonth > 12 || item.date.wDay < 1 || item.date.wDay > 31))
            std::abort();
    }
    return 0;
}
