// The note blob: the current form both ways, old RTF and plain notes, and
// damaged bytes.

#include "NoteBlob.h"

#include <gtest/gtest.h>

TEST(NoteBlob, CurrentFormRoundTrips)
{
    std::vector<BYTE> ink = { 1, 2, 3, 0, 255 };
    std::vector<BYTE> blob = WriteNote(u"Grüße 日本\r\nzweite Zeile", "<p>Grüße</p>", ink);
    ASSERT_GE(blob.size(), 4u);
    EXPECT_EQ(std::string(blob.begin(), blob.begin() + 4), "KNT1");
    // The plain text's byte length follows the magic.
    EXPECT_EQ(blob[4], 2 * 22);
    NoteContent note = ReadNote(blob.data(), blob.size());
    EXPECT_EQ(note.form, NoteContent::Form::Current);
    EXPECT_EQ(note.plainText, u"Grüße 日本\r\nzweite Zeile");
    EXPECT_EQ(note.richText, "<p>Grüße</p>");
    EXPECT_EQ(note.ink, ink);
    EXPECT_FALSE(note.damaged);

    EXPECT_EQ(ReadNote(nullptr, 0).form, NoteContent::Form::Empty);
    EXPECT_EQ(NotePlainText(WriteNote(u"", "").data(), 16), u"");
}

TEST(NoteBlob, OldFormsGiveTheirText)
{
    std::string rtf
        = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red0\\green0\\blue0;}"
          "{\\*\\generator Writer;}\\pard\\f0 Caf\\'e9 \\{braces\\} and \\\\ slash\\par"
          "\\uc1\\u8364?uro\\tab end\\line{\\b bold}}";
    NoteContent note = ReadNote(reinterpret_cast<const BYTE*>(rtf.data()), rtf.size());
    EXPECT_EQ(note.form, NoteContent::Form::Rtf);
    EXPECT_EQ(note.plainText, u"Café {braces} and \\ slash\n€uro\tend\nbold");
    std::string utf8 = "{\\rtf1 na\\'c3\\'afve}";
    EXPECT_EQ(RtfPlainText(utf8.data(), utf8.size()), u"naïve");

    std::u16string text = u"plain ünïcode";
    std::vector<BYTE> utf16;
    for (char16_t c : text + u'\0') {
        utf16.push_back(static_cast<BYTE>(c));
        utf16.push_back(static_cast<BYTE>(c >> 8));
    }
    utf16.push_back(0x41); // an odd byte is dropped
    NoteContent plain = ReadNote(utf16.data(), utf16.size());
    EXPECT_EQ(plain.form, NoteContent::Form::PlainUtf16);
    EXPECT_EQ(plain.plainText, text);
}

TEST(NoteBlob, DamagedBytesAreCutNeverOverread)
{
    std::vector<BYTE> blob = WriteNote(u"abcdef", "rich", { 9, 9 });
    // Every prefix reads without touching bytes past its end.
    for (std::size_t size = 0; size <= blob.size(); ++size) {
        std::vector<BYTE> prefix(blob.begin(), blob.begin() + size);
        NoteContent note = ReadNote(prefix.data(), prefix.size());
        if (size > 4 && size < blob.size()) {
            EXPECT_TRUE(note.damaged) << size;
        }
    }
    std::vector<BYTE> lying = { 'K', 'N', 'T', '1', 0xFF, 0xFF, 0xFF, 0x7F, 'h', 0 };
    NoteContent note = ReadNote(lying.data(), lying.size());
    EXPECT_TRUE(note.damaged);
    EXPECT_EQ(note.plainText, u"h");

    std::string deep(5000, '{');
    deep = "{\\rtf1" + deep + "deep";
    EXPECT_EQ(RtfPlainText(deep.data(), deep.size()), u"deep");
    std::string cut = "{\\rtf1 a\\'4";
    EXPECT_EQ(RtfPlainText(cut.data(), cut.size()), u"a");
}
