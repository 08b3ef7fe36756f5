// Finding entries by day, subject and note, and copying entries.

#include "BackupFixture.h"

#include "JournalFind.h"
#include "JournalTools.h"
#include "NoteBlob.h"

namespace {

std::vector<BYTE> Utf16Note(const std::u16string& text)
{
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

std::vector<BYTE> RtfNote(const std::string& rtf)
{
    return std::vector<BYTE>(rtf.begin(), rtf.end());
}

} // namespace

TEST_F(BackupTest, FindsByDaySubjectAndNoteInEveryNoteForm)
{
    CEOID morning = Add(
        { .subject = u"a meeting", .date = At(2005, 6, 7, 0, 1), .note = WriteNote(u"Budget talk", "") });
    CEOID evening
        = Add({ .subject = u"MEETING", .date = At(2005, 6, 7, 23, 59), .note = Utf16Note(u"budget again") });
    CEOID other = Add({ .subject = u"lunch",
        .date = At(2005, 6, 8, 12, 0),
        .note = RtfNote("{\\rtf1\\ansi{\\fonttbl{\\f0 Budget;}}\\f0 The \\b BUDGET\\b0  plan\\par}") });
    Add({ .subject = u"", .date = At(2005, 6, 6, 12, 0) });

    auto sorted = [](std::vector<CEOID> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_EQ(sorted(FindEntriesOnDay(db, ZTime(At(2005, 6, 7, 12)))), sorted({ morning, evening }));
    EXPECT_EQ(sorted(FindEntriesBySubject(db, u"meet", false)), sorted({ morning, evening }));
    EXPECT_EQ(FindEntriesBySubject(db, u"meet", true), std::vector<CEOID>({ morning }));
    EXPECT_TRUE(FindEntriesBySubject(db, u"", false).empty());
    EXPECT_EQ(sorted(FindEntriesByNote(db, u"budget", false)), sorted({ morning, evening, other }));
    EXPECT_EQ(FindEntriesByNote(db, u"BUDGET", true), std::vector<CEOID>({ other }));
    EXPECT_TRUE(FindEntriesByNote(db, u"fonttbl", false).empty()) << "RTF control words are not text";
}

TEST_F(BackupTest, CopiesEntriesWithAllTheirFields)
{
    CEOID original = Add(
        { .subject = u"copy me", .date = At(2005, 1, 1), .categories = { u"Work" }, .contacts = { u"Ann" } });
    std::vector<CEOID> copies = CopyEntries(db, { original, 4242 });
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_NE(copies[0], 0u);
    EXPECT_NE(copies[0], original);
    EXPECT_EQ(copies[1], 0u);
    EXPECT_EQ(Subject(copies[0]), u"copy me");
    EXPECT_EQ(Listed(u"Work", KIND_CATEGORY).size(), 2u);
    EXPECT_EQ(Listed(u"Ann", KIND_CONTACT).size(), 2u);
}
