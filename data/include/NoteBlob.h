#pragma once
// NoteBlob: the bytes of an entry's Note field, as the editor's note control
// saves them, read and written without a GUI.
//
// The current form:
//   "KNT1"
//   u32 plain-text byte length, then the plain text as UTF-16LE
//   u32 rich-text byte length,  then the rich text as UTF-8 (HTML subset)
//   u32 ink byte length,        then the ink strokes (layout: WriteInk below)
// all integers little-endian. Export and find read only the plain text.
//
// Older notes: a blob without the magic that starts with "{\rtf" is read as
// RTF (its text is taken, control words and hidden groups are dropped); any
// other blob is read as UTF-16LE plain text (an odd last byte is dropped).
//
// The reader takes outside bytes (backups, beamed entries) and trusts none
// of them: a section whose length runs past the end of the blob is cut to
// the bytes that are there and the note is marked damaged. Plain functions
// and values; any thread.

#include "CeDbTypes.h"
#include "WinTypes.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The parts of one note.
struct NoteContent {
    enum class Form {
        Empty, // no bytes
        Current, // "KNT1" sections
        Rtf, // an old rich-text note
        PlainUtf16, // an old plain-text note
    };

    Form form = Form::Empty;
    std::u16string plainText;
    // The rich text as stored (UTF-8); empty for old notes.
    std::string richText;
    std::vector<BYTE> ink;
    // A section length ran past the end of the blob.
    bool damaged = false;
};

// Reads a note blob of any form. Null data or a size of 0 gives an empty note.
NoteContent ReadNote(const BYTE* data, std::size_t size);
inline NoteContent ReadNote(const CEBLOB& blob)
{
    return ReadNote(blob.lpb, blob.dwCount);
}

// Only the plain text (what export and find compare and write).
std::u16string NotePlainText(const BYTE* data, std::size_t size);
inline std::u16string NotePlainText(const CEBLOB& blob)
{
    return NotePlainText(blob.lpb, blob.dwCount);
}

// The text of an RTF document: groups starting with "\*" and the header
// groups (font, colour and style tables, info, pictures) are skipped,
// "\par" and "\line" become a line feed, "\tab" a tab, "\uN" the UTF-16
// unit N (the following fallback characters are skipped as "\ucN" says).
// Text bytes (plain or "\'hh") are read in the system code page: UTF-8
// when a run of them is valid UTF-8, else Windows-1252. Nesting deeper
// than 1,000 groups is read as flat text so no input can exhaust memory or
// stack.
std::u16string RtfPlainText(const char* data, std::size_t size);

// Builds a note blob in the current form. Sizes above 4 GiB are not
// representable; such a part is stored empty.
std::vector<BYTE> WriteNote(
    std::u16string_view plainText, std::string_view richText, const std::vector<BYTE>& ink = {});

// One pen stroke of a note's handwriting, in the note page's coordinates at
// 100 % zoom, in hundredths of a pixel (x to the right, y down from the top
// of the document, so strokes scroll with the text).
struct InkStroke {
    DWORD color = 0xFF000000; // 0xAARRGGBB
    WORD width = 200; // pen width in hundredths of a pixel
    std::vector<std::pair<LONG, LONG>> points;

    bool operator==(const InkStroke&) const = default;
};

// The ink section of a note (little-endian):
//   u32 format version (1)
//   u32 stroke count
//   per stroke: u32 colour 0xAARRGGBB, u16 width (1/100 px),
//               u32 point count, then per point i32 x, i32 y (1/100 px)
// A stroke has at least one point.
std::vector<BYTE> WriteInk(const std::vector<InkStroke>& strokes);
// Reads an ink section written by WriteInk. Outside bytes: a section of
// another version, or one cut short, gives the strokes that are whole and
// sets *damaged (when given); counts are never trusted beyond the bytes
// present. An empty section gives no strokes and is not damaged.
std::vector<InkStroke> ReadInk(const std::vector<BYTE>& section, bool* damaged = nullptr);
