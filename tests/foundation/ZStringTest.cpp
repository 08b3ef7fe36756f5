#include "ZString.h"
#include "LastError.h"
#include "LocalHeap.h"
#include "StringTable.h"

#include <QString>

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Of(const ZString& s)
{
    return s.Text() ? std::u16string(s.Text()) : u"<unset>";
}

} // namespace

TEST(ZStringBasics, EmptyStringsHaveLengthMinusOne)
{
    ZString unset;
    EXPECT_EQ(unset.Text(), nullptr);
    EXPECT_EQ(unset.Length(), -1);
    EXPECT_EQ(unset.IsEmpty(), 1);

    ZString blank(u"");
    ASSERT_NE(blank.Text(), nullptr);
    EXPECT_EQ(blank.Length(), -1);
    EXPECT_EQ(blank.IsEmpty(), 1);

    ZString word(u"word");
    EXPECT_EQ(word.Length(), 4);
    EXPECT_EQ(word.IsEmpty(), 0);
    word.Empty();
    EXPECT_EQ(word.Text(), nullptr);
}

TEST(ZStringBasics, AssignTakesCountOrWholeTextAndNullLeavesUnset)
{
    ZString s;
    EXPECT_EQ(s.Assign(u"abcdef", 3), 3);
    EXPECT_EQ(Of(s), u"abc");
    EXPECT_EQ(s.Length(), 3);
    EXPECT_EQ(s.Assign(u"abcdef", -2), 6);
    EXPECT_EQ(Of(s), u"abcdef");
    EXPECT_EQ(s.Assign(nullptr, 7), 7); // the count comes back unchanged
    EXPECT_EQ(s.Text(), nullptr);

    // The buffer is exactly length + 1 characters from the local heap.
    s.Assign(u"xyz");
    EXPECT_EQ(LocalSize(s.Text()), 4 * sizeof(WCHAR));

    // Assigning a part of the string's own text must not read freed memory.
    s.Assign(u"hello world");
    s.Assign(s.Text() + 6);
    EXPECT_EQ(Of(s), u"world");
}

TEST(ZStringBasics, CopiesAreIndependentAndUnsetCopiesStayUnset)
{
    ZString a(u"one");
    ZString b(a);
    b.AppendChar(u'!');
    EXPECT_EQ(Of(a), u"one");
    EXPECT_EQ(Of(b), u"one!");

    ZString unset;
    b = unset;
    EXPECT_EQ(b.Text(), nullptr);
    ZString c(unset);
    EXPECT_EQ(c.Text(), nullptr);

    ZString moved(std::move(a));
    EXPECT_EQ(Of(moved), u"one");
    a = u"again"; // a moved-from string is usable
    EXPECT_EQ(Of(a), u"again");
}

TEST(ZStringCompare, EqualsNoCaseCoversWholeUnicodeAndNulls)
{
    ZString s(u"Straße ÄÖÜ Σίσυφος");
    EXPECT_EQ(s.EqualsNoCase(u"STRASSE äöü σίσυφοσ"), 0); // length-changing folds are not applied
    EXPECT_EQ(s.EqualsNoCase(u"straße äöü ΣΊΣΥΦΟΣ"), 1);
    EXPECT_TRUE(s == ZString(u"STRAßE äöü σίσυφος"));
    EXPECT_TRUE(s != ZString(u"Strasse"));

    ZString unset;
    EXPECT_EQ(unset.EqualsNoCase(u""), 0);
    EXPECT_EQ(unset.EqualsNoCase(u"x"), 0);
    EXPECT_EQ(s.EqualsNoCase(nullptr), 0);
    EXPECT_FALSE(unset == unset);
    EXPECT_EQ(ZString(u"").EqualsNoCase(u""), 1);
}

TEST(ZStringSearch, FindAndFindChar)
{
    ZString s(u"one two two");
    EXPECT_EQ(s.Find(u"two"), s.Text() + 4);
    EXPECT_EQ(s.Find(u"TWO"), nullptr);
    EXPECT_EQ(s.Find(nullptr), nullptr);
    EXPECT_EQ(s.FindChar(u'w'), s.Text() + 5);
    EXPECT_EQ(s.FindChar(u'z'), nullptr);
    EXPECT_EQ(s.FindCharFrom(u'w', 6), 9);
    EXPECT_EQ(s.FindCharFrom(u'w', 10), -1);
    EXPECT_EQ(s.FindCharFrom(u'o', 99), -1);
    EXPECT_EQ(s.FindCharFrom(u'o', -1), -1);

    ZString unset;
    EXPECT_EQ(unset.Find(u"a"), nullptr);
    EXPECT_EQ(unset.FindChar(u'a'), nullptr);
    EXPECT_EQ(unset.FindCharFrom(u'a', 0), -1);
}

TEST(ZStringSearch, ReverseFindCharGivesTheStartOfWhatFollows)
{
    EXPECT_EQ(ZString(u"\\Windows\\Notes.txt").ReverseFindChar(u'\\'), 9);
    EXPECT_EQ(ZString(u"Notes.txt").ReverseFindChar(u'\\'), 0);
    EXPECT_EQ(ZString(u"\\Notes.txt").ReverseFindChar(u'\\'), 0); // position 0 does not count
    EXPECT_EQ(ZString(u"dir\\").ReverseFindChar(u'\\'), 4);
    EXPECT_EQ(ZString().ReverseFindChar(u'\\'), -1);
    EXPECT_EQ(ZString(u"").ReverseFindChar(u'\\'), -1);
}

TEST(ZStringEdit, AppendAndAppendChar)
{
    ZString s;
    s.Append(nullptr);
    EXPECT_EQ(s.Text(), nullptr);
    s.Append(u"ab");
    EXPECT_EQ(Of(s), u"ab");
    s.Append(u"cd");
    EXPECT_EQ(Of(s), u"abcd");
    s.Append(s.Text()); // appending itself survives the buffer moving
    EXPECT_EQ(Of(s), u"abcdabcd");

    ZString c;
    c.AppendChar(0);
    EXPECT_EQ(c.Text(), nullptr);
    c.AppendChar(u'x');
    c.AppendChar(u'y');
    EXPECT_EQ(Of(c), u"xy");
    EXPECT_EQ(LocalSize(c.Text()), 3 * sizeof(WCHAR));
}

TEST(ZStringEdit, DeleteRemovesARangeAndStaysInsideTheText)
{
    ZString s(u"abcdef");
    EXPECT_EQ(s.Delete(1, 2), 4);
    EXPECT_EQ(Of(s), u"adef");
    EXPECT_EQ(s.Delete(2, 100), 2); // a range past the end is cut at the end
    EXPECT_EQ(Of(s), u"ad");
    EXPECT_EQ(s.Delete(5, 1), 2);
    EXPECT_EQ(s.Delete(-1, 1), 2);
    EXPECT_EQ(Of(s), u"ad");
    EXPECT_EQ(s.Delete(0, 2), 0);
    EXPECT_EQ(s.IsEmpty(), 1);
    EXPECT_EQ(ZString().Delete(0, 1), -1);
}

TEST(ZStringEdit, TrimRightAndTrimLeft)
{
    ZString s(u"  text  ");
    s.TrimRight();
    EXPECT_EQ(Of(s), u"  text");
    s.TrimLeft();
    EXPECT_EQ(Of(s), u"text");

    ZString xs(u"xxxx");
    xs.TrimRight(u'x');
    EXPECT_EQ(xs.Length(), -1);
    EXPECT_EQ(xs.IsEmpty(), 1);
    ZString ys(u"yyy");
    ys.TrimLeft(u'y');
    EXPECT_EQ(ys.IsEmpty(), 1);

    ZString unset;
    unset.TrimLeft();
    unset.TrimRight();
    EXPECT_EQ(unset.Text(), nullptr);
}

TEST(ZStringCase, LowerUpperKeepTheLengthAndTitleRaisesOnlyAsciiWordStarts)
{
    ZString s(u"Grüße ΑΒΓ");
    s.MakeUpper();
    EXPECT_EQ(Of(s), u"GRÜßE ΑΒΓ"); // ß has no one-character upper case
    s.MakeLower();
    EXPECT_EQ(Of(s), u"grüße αβγ");

    ZString deseret(u"\U00010400x"); // a letter outside the 16-bit range
    deseret.MakeLower();
    EXPECT_EQ(Of(deseret), u"\U00010428x");

    ZString title(u"o'neil-smith john");
    title.MakeTitle();
    EXPECT_EQ(Of(title), u"O'Neil-Smith John");
    ZString mixed(u"HELLO `quoted` éclair");
    mixed.MakeTitle();
    EXPECT_EQ(Of(mixed), u"Hello `Quoted` éclair");

    ZString unset;
    unset.MakeTitle();
    unset.MakeUpper();
    EXPECT_EQ(unset.Text(), nullptr);
}

TEST(ZStringEdit, ReplaceChar)
{
    ZString s(u"a/b/c");
    s.ReplaceChar(u'/', u'\\');
    EXPECT_EQ(Of(s), u"a\\b\\c");
}

TEST(ZStringMnemonics, DoubleAndRemoveAmpersands)
{
    auto removed = [](const char16_t* text) {
        ZString s(text);
        s.RemoveMnemonics();
        return Of(s);
    };
    EXPECT_EQ(removed(u"A&B"), u"AB");
    EXPECT_EQ(removed(u"&File"), u"File");
    EXPECT_EQ(removed(u"Tom && Jerry"), u"Tom & Jerry");
    EXPECT_EQ(removed(u"&&"), u"&");
    EXPECT_EQ(removed(u"&&x"), u"&x");
    EXPECT_EQ(removed(u"&&&"), u"&");
    EXPECT_EQ(removed(u"end&"), u"end");

    auto doubled = [](const char16_t* text) {
        ZString s(text);
        s.DoubleAmpersands();
        return Of(s);
    };
    EXPECT_EQ(doubled(u"&"), u"&&");
    EXPECT_EQ(doubled(u"R&D && more"), u"R&&D &&&& more");
    EXPECT_EQ(doubled(u""), u"");
    ZString unset;
    unset.DoubleAmpersands();
    unset.RemoveMnemonics();
    EXPECT_EQ(unset.Text(), nullptr);

    // Doubling then removing gives the original caption back.
    ZString caption(u"Q&A & more &&");
    caption.DoubleAmpersands();
    caption.RemoveMnemonics();
    EXPECT_EQ(Of(caption), u"Q&A & more &&");
}

TEST(ZStringResources, LoadStringReadsTheProgramTable)
{
    ZString s;
    EXPECT_EQ(s.LoadString(nullptr, 40020), 7);
    EXPECT_EQ(Of(s), u"Options");
    EXPECT_EQ(s.LoadString(40163), 8);
    EXPECT_EQ(Of(s), u"dd.MM.yy");
    EXPECT_EQ(s.LoadString(40050), 34);
    EXPECT_EQ(Of(s), u"Incorrect Password.\nAccess Denied!");

    EXPECT_EQ(s.LoadString(39999), -1);
    EXPECT_EQ(s.IsEmpty(), 1);
    EXPECT_EQ(FindStringResource(40169), nullptr);
    // The nine list date pictures are all there, in order.
    for (UINT id = 40160; id <= 40168; ++id)
        EXPECT_NE(FindStringResource(id), nullptr) << id;
}

TEST(ZStringResources, LastErrorTextNamesTheThreadsError)
{
    ZString s;
    SetLastError(ERROR_SHARING_VIOLATION);
    EXPECT_GT(s.LastErrorText(), 0);
    EXPECT_NE(s.Find(u"in use"), nullptr);
    SetLastError(ERROR_DISK_FULL);
    s.LastErrorText();
    EXPECT_NE(s.Find(u"space"), nullptr);
    SetLastError(123456);
    EXPECT_EQ(s.LastErrorText(), -1);
    EXPECT_EQ(s.IsEmpty(), 1);
    SetLastError(ERROR_SUCCESS);
}

TEST(ZStringAnsi, ToAnsiAndFromAnsiRoundTripAnyText)
{
    const std::u16string samples[] = {
        u"plain",
        u"Grüße aus Köln",
        u"Ελληνικά και русский",
        u"日本語のテキスト",
        u"emoji \U0001F600 ok",
        u"",
    };
    for (const auto& sample : samples) {
        ZString s(sample.c_str());
        const int bytes = s.ToAnsi();
        const std::string utf8 = QString::fromStdU16String(sample).toStdString();
        ASSERT_EQ(bytes, static_cast<int>(utf8.size()) + 1);
        EXPECT_EQ(std::string(s.AnsiText()), utf8);
        EXPECT_EQ(s.FromAnsi(), static_cast<int>(sample.size()) + 1);
        EXPECT_EQ(s.AnsiText(), nullptr);
        EXPECT_EQ(Of(s), sample);
    }
}

TEST(ZStringAnsi, FailuresLeaveTheStringUnchanged)
{
    ZString unset;
    EXPECT_EQ(unset.ToAnsi(), 0);
    EXPECT_EQ(unset.Text(), nullptr);

    ZString wide(u"wide");
    EXPECT_EQ(wide.FromAnsi(), 0); // it holds no bytes from ToAnsi
    EXPECT_EQ(Of(wide), u"wide");
    ASSERT_EQ(wide.ToAnsi(), 5);
    EXPECT_EQ(wide.ToAnsi(), 0); // already bytes
    wide.Assign(u"fresh"); // a new assignment ends the byte state
    EXPECT_EQ(wide.AnsiText(), nullptr);
    EXPECT_EQ(Of(wide), u"fresh");

    // A lone surrogate cannot be written in UTF-8 and becomes U+FFFD.
    const char16_t broken[] = { u'a', 0xD800, u'b', 0 };
    EXPECT_EQ(ZString::AnsiBytes(broken),
        "a\xEF\xBF\xBD"
        "b");
}

TEST(ZStringAnsi, BytesThatAreNotUtf8AreReadAsWindows1252)
{
    ZString s;
    s.AssignAnsi(std::string_view("caf\xE9 \x80 \x93quoted\x94 \x81"));
    EXPECT_EQ(Of(s), u"café € “quoted” \u0081");

    s.AssignAnsi(std::string_view("caf\xC3\xA9")); // valid UTF-8 stays UTF-8
    EXPECT_EQ(Of(s), u"café");
    s.AssignAnsi(std::string_view("\xC0\xAF")); // an overlong form is not UTF-8
    EXPECT_EQ(Of(s), u"À¯");
    s.AssignAnsi(std::string_view("\xED\xA0\x80")); // nor is an encoded surrogate
    EXPECT_EQ(Of(s), u"í\u00A0€");

    // A UTF-8 text cut to a byte limit loses only its last, broken character.
    s.AssignAnsi(std::string_view("\xC3\xA9t\xC3\xA9\xE2\x82"));
    EXPECT_EQ(Of(s), u"été");
    // One high byte at the end of plain text is a Windows-1252 letter.
    s.AssignAnsi(std::string_view("caf\xE9"));
    EXPECT_EQ(Of(s), u"café");

    s.AssignAnsi(nullptr, 3);
    EXPECT_EQ(s.Text(), nullptr);
    s.AssignAnsi(std::string_view(""));
    EXPECT_EQ(Of(s), u"");
}

TEST(ZStringConvert, QtAndStandardStringsRoundTrip)
{
    const QString q = QStringLiteral("Zoë — 漢字");
    const ZString z = ZString::FromQString(q);
    EXPECT_EQ(z.ToQString(), q);
    EXPECT_EQ(ZString::FromUtf8(z.ToUtf8()).ToU16(), z.ToU16());
    EXPECT_EQ(Of(ZString::FromU16(u"abc")), u"abc");

    EXPECT_EQ(ZString::FromQString(QString()).Text(), nullptr);
    EXPECT_EQ(ZString::FromUtf8("").Text(), nullptr);
    EXPECT_TRUE(ZString().ToQString().isEmpty());
    EXPECT_EQ(ZString().ToUtf8(), "");
}
