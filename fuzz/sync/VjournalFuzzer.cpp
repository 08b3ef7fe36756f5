// Arbitrary bytes as an .ics file of the sync folder (written by a server,
// a phone or a person). The reader must never crash, and whatever it reads
// must write and read back to the same entry.

#include "Vjournal.h"

#include <cstdlib>
#include <ctime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const VcalendarRead read = ReadVcalendar(std::string_view(reinterpret_cast<const char*>(data), size), true);
    for (const VjournalEntry& entry : read.entries) {
        const VcalendarRead again = ReadVcalendar(WriteVcalendar({ &entry }, 0), false);
        if (again.entries.size() != 1 || again.entries[0].uid != entry.uid
            || again.entries[0].subject != entry.subject || again.entries[0].note != entry.note)
            std::abort();
    }
    return 0;
}
