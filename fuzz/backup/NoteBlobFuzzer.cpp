// Arbitrary bytes as a note blob, and as an RTF document; whatever a note
// reads as must come back unchanged from the blob written for it. The ink
// section's strokes likewise survive writing and reading again.

#include "NoteBlob.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    NoteContent note = ReadNote(data, size);
    RtfPlainText(reinterpret_cast<const char*>(data), size);
    std::vector<BYTE> written = WriteNote(note.plainText, note.richText, note.ink);
    NoteContent again = ReadNote(written.data(), written.size());
    if (again.plainText != note.plainText || again.richText != note.richText || again.ink != note.ink
        || again.damaged)
        std::abort();
    std::vector<BYTE> bytes(data, data + size);
    std::vector<InkStroke> strokes = ReadInk(bytes);
    bool damaged = false;
    if (ReadInk(WriteInk(strokes), &damaged) != strokes || damaged)
        std::abort();
    return 0;
}
