// Finding entries: what matches, in which order, and that the full-text index
// answers exactly as a plain walk over the journal through edits, deletes,
// restores, sort changes and the integrity check.

#include "OpenJournalTest.h"

#include "CeDatabase.h"
#include "FullTextIndex.h"
#include "JournalFind.h"
#include "NoteBlob.h"
#include "ObjectStore.h"
#include "ZBackup.h"
#include "ZString.h"

#include <algorithm>
#include <random>

namespace {

class FindTest : public OpenJournalTest {
protected:
    // The reference: read every entry in the journal's order and compare its
    // text as find promises, without the store's search.
    std::vector<CEOID> Walk(FindBy by, const std::u16string& text, bool matchCase)
    {
        std::vector<CEOID> order;
        for (CEOID oid = db.SeekFirst(); oid != 0; oid = db.SeekNext())
            order.push_back(oid);
        std::vector<CEOID> found;
        const std::u16string wanted = Fold(text, matchCase);
        for (CEOID oid : order) {
            ZJITEMS set;
            db.Read(oid, &set, 0);
            std::u16string candidate;
            if (by == FindBy::Subject)
                candidate = Text(set.GetItem(PROPID_SUBJECT)->GetStrValue());
            else if (const CEBLOB* blob = set.GetItem(PROPID_NOTE)->GetBlob())
                candidate = NotePlainText(*blob);
            if (!candidate.empty() && !text.empty() && Fold(candidate, matchCase).find(wanted) != std::u16string::npos)
                found.push_back(oid);
        }
        return found;
    }

    static std::u16string Fold(const std::u16string& text, bool matchCase)
    {
        if (matchCase || text.empty())
            return text;
        ZString upper(text.c_str());
        upper.MakeUpper();
        return Text(upper.Text());
    }

    std::vector<CEOID> Find(FindBy by, const std::u16string& text, bool matchCase, CEOID after = 0)
    {
        return FindEntries(db, { .by = by, .text = text, .matchCase = matchCase, .after = after });
    }

    // Every needle in both fields and both case modes, index against walk.
    void ExpectLikeWalk(const char* when)
    {
        static const std::u16string needles[] = { u"meet", u"MEET", u"Budget", u"ét", u"é", u"CAFÉ",
            u"span", u"plan b", u"\"q\"", u"zz", u"a", u"no such words" };
        for (FindBy by : { FindBy::Subject, FindBy::Note })
            for (const auto& needle : needles)
                for (bool matchCase : { false, true }) {
                    const auto expected = Walk(by, needle, matchCase);
                    EXPECT_EQ(Find(by, needle, matchCase), expected)
                        << when << ": " << ZString(needle.c_str()).ToUtf8() << (matchCase ? " (case)" : "");
                    EXPECT_EQ(CountMatches(db, { .by = by, .text = needle, .matchCase = matchCase }),
                        expected.size());
                    // In slices with no time to spare, the count ends the same.
                    MatchCounter counter(db, { .by = by, .text = needle, .matchCase = matchCase });
                    int slices = 1;
                    while (!counter.Step(std::chrono::milliseconds(0)) && slices < 100000)
                        ++slices;
                    EXPECT_EQ(counter.Count(), expected.size()) << when << " in " << slices << " slices";
                }
    }

    bool IndexReady()
    {
        return CeFullTextIndexReady(db.GetOid(), PROPID_SUBJECT) && CeFullTextIndexReady(db.GetOid(), PROPID_NOTE);
    }

    std::u16string Words(std::mt19937& random, int count)
    {
        static const std::u16string words[] = { u"meeting", u"MEETING", u"Meet", u"budget", u"BUDGET", u"café",
            u"Café", u"plan B", u"\"quoted\"", u"zz", u"étude", u"<span>", u"lunch", u"the" };
        std::u16string out;
        for (int i = 0; i < count; ++i)
            out += words[random() % std::size(words)] + u" ";
        return out;
    }

    std::vector<BYTE> RandomNote(std::mt19937& random)
    {
        switch (random() % 5) {
        case 0:
            return {};
        case 1: // handwriting only: no text to find
            return WriteNote(u"", "", { 1, 2, 3, 4 });
        case 2: {
            const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 meeting;}}\\f0 budget \\b Plan\\b0  b\\par}";
            return std::vector<BYTE>(rtf.begin(), rtf.end());
        }
        default: {
            const std::u16string text = Words(random, 1 + int(random() % 40));
            // The rich text carries markup that must never match.
            return WriteNote(text, "<p><span style=\"x\">" + ZString(text.c_str()).ToUtf8() + "</span></p>");
        }
        }
    }
};

} // namespace

TEST_F(FindTest, SubjectsNotesAndDaysMatchAsTheUserExpects)
{
    const CEOID morning = Add({ .subject = u"a meeting", .date = At(2005, 6, 7, 0, 1),
        .note = WriteNote(u"Budget talk", "<span>budget</span>") });
    const CEOID evening = Add({ .subject = u"MEETING", .date = At(2005, 6, 7, 23, 59),
        .note = WriteNote(u"", "", { 9, 9, 9 }) });
    const CEOID other = Add({ .subject = u"lunch", .date = At(2005, 6, 8, 12, 0),
        .note = WriteNote(u"<b>plain</b>", "<p>span</p>") });
    ASSERT_TRUE(PrepareFindIndex(db));

    auto sorted = [](std::vector<CEOID> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_EQ(sorted(Find(FindBy::Subject, u"meet", false)), sorted({ morning, evening }));
    EXPECT_EQ(Find(FindBy::Subject, u"meet", true), std::vector<CEOID>({ morning }));
    EXPECT_TRUE(Find(FindBy::Subject, u"", false).empty()) << "an empty text finds nothing";
    EXPECT_EQ(Find(FindBy::Note, u"budget", false), std::vector<CEOID>({ morning }))
        << "only the plain text is searched, not the rich text";
    EXPECT_TRUE(Find(FindBy::Note, u"span", false).empty()) << "markup of the rich text is no text";
    EXPECT_EQ(Find(FindBy::Note, u"<b>", false), std::vector<CEOID>({ other }))
        << "what the user typed is text, even when it looks like markup";
    EXPECT_TRUE(Find(FindBy::Note, u"\x09", false).empty()) << "a note of handwriting only has no text";

    const auto sameDay = FindEntries(db, { .by = FindBy::Date, .day = ZTime(At(2005, 6, 7, 12)) });
    EXPECT_EQ(sorted(sameDay), sorted({ morning, evening })) << "every time of the day";
    EXPECT_EQ(CountMatches(db, { .by = FindBy::Date, .day = ZTime(At(2005, 6, 8, 1)) }), 1u);
}

TEST_F(FindTest, SearchFromAnEntryStartsAfterItAndNeverListsIt)
{
    // Newest first: the journal's order is c, b, a.
    const CEOID a = Add({ .subject = u"meeting one", .date = At(2020, 1, 1) });
    const CEOID b = Add({ .subject = u"meeting two", .date = At(2020, 1, 2) });
    const CEOID c = Add({ .subject = u"meeting three", .date = At(2020, 1, 3) });
    ASSERT_EQ(Find(FindBy::Subject, u"meeting", false), std::vector<CEOID>({ c, b, a }));

    // Wherever the cursor was left (here: on the last entry), the search
    // starts after the focused entry.
    db.SeekOid(a);
    EXPECT_EQ(Find(FindBy::Subject, u"meeting", false, c), std::vector<CEOID>({ b, a }));
    EXPECT_EQ(Find(FindBy::Subject, u"me", false, b), std::vector<CEOID>({ a })) << "the walk as well";
    EXPECT_TRUE(Find(FindBy::Subject, u"meeting", false, a).empty());
    EXPECT_EQ(FindEntries(db, { .by = FindBy::Date, .day = ZTime(At(2020, 1, 2)), .after = c }),
        std::vector<CEOID>({ b }));
    EXPECT_TRUE(FindEntries(db, { .by = FindBy::Date, .day = ZTime(At(2020, 1, 2)), .after = b }).empty());
}

TEST_F(FindTest, IndexAnswersLikeAWalkThroughEveryChange)
{
    std::mt19937 random(20261208);
    std::vector<CEOID> oids;
    for (int i = 0; i < 160; ++i)
        oids.push_back(Add({ .subject = Words(random, int(random() % 4)), .date = At(2010, 1, 1) + random(),
            .note = RandomNote(random) }));
    ASSERT_TRUE(PrepareFindIndex(db));
    ASSERT_TRUE(IndexReady());
    ExpectLikeWalk("built");

    for (int i = 0; i < 40; ++i) {
        const CEOID oid = oids[random() % oids.size()];
        ZJITEMS set = MakeEntry({ .subject = Words(random, 2), .date = At(2011, 2, 3), .note = RandomNote(random) });
        db.DeleteContactReferences(oid);
        db.DeleteCatReferences(oid);
        ASSERT_EQ(db.Write(oid, &set), oid);
    }
    for (int i = 0; i < 30; ++i) {
        const auto at = oids.begin() + std::ptrdiff_t(random() % oids.size());
        ASSERT_TRUE(db.DeleteEntry(*at));
        oids.erase(at);
    }
    EXPECT_TRUE(IndexReady()) << "writes and deletes keep the index in step";
    ExpectLikeWalk("edited");

    SORTORDERSPEC bySubject { PROPID_SUBJECT, 0 };
    db.SortByProp(&bySubject, 1);
    EXPECT_TRUE(IndexReady()) << "a sort change touches no text";
    ExpectLikeWalk("sorted by subject");

    ZBackup backup(&db, nullptr);
    const ZString file = ZString::FromUtf8(home.file("find.ksk").string());
    ASSERT_GT(backup.Backup(file, nullptr), 0u);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(db.DeleteEntry(db.SeekFirst()));
    ASSERT_GT(backup.Restore(file), 0u);
    EXPECT_TRUE(IndexReady());
    ExpectLikeWalk("restored");

    ZString error;
    db.Cleanup(TRUE, nullptr, nullptr, &error);
    EXPECT_TRUE(error.IsEmpty());
    EXPECT_TRUE(IndexReady()) << "the integrity check builds the index again";
    ExpectLikeWalk("checked");
}

TEST_F(FindTest, AnIndexLeftBehindIsWalkedUntilBuiltAgain)
{
    const CEOID first = Add({ .subject = u"old budget", .date = At(2020, 1, 1), .note = WriteNote(u"budget", "") });
    ASSERT_TRUE(PrepareFindIndex(db));
    // A process that cannot read notes writes one: it cannot keep the index.
    CeSetFullTextReader(PROPID_NOTE, nullptr);
    const CEOID second = Add({ .subject = u"new budget", .date = At(2020, 1, 2), .note = WriteNote(u"more budget", "") });
    CeSetFullTextReader(PROPID_NOTE, [](const BYTE* data, std::size_t size) { return NotePlainText(data, size); });
    EXPECT_FALSE(IndexReady());
    const std::vector<CEOID> both { second, first };
    EXPECT_EQ(Find(FindBy::Note, u"budget", false), both) << "the walk still finds the new note";
    EXPECT_EQ(Find(FindBy::Subject, u"budget", false), both);

    ASSERT_TRUE(PrepareFindIndex(db));
    EXPECT_TRUE(IndexReady());
    EXPECT_EQ(Find(FindBy::Note, u"budget", false), both);
}

TEST_F(FindTest, ALargeRestoreLeavesTheIndexInStep)
{
    // More entries than one restore batch: the restore builds the index
    // afresh at its end instead of keeping it record by record.
    const int count = int(ZBackup::kRestoreBatch) + 50;
    {
        ObjectStoreTransaction batch;
        for (int n = 0; n < count; ++n) {
            std::u16string subject = u"Harbour visit ";
            for (char digit : std::to_string(n))
                subject += char16_t(digit);
            ASSERT_NE(WriteBareEntry(db, { .subject = subject, .date = At(2020, 1, 1) }), 0u);
        }
        ASSERT_TRUE(batch.Commit());
    }
    db.InvalidateRows();
    ZBackup backup(&db, nullptr);
    const ZString file = ZString::FromUtf8(home.file("large.ksk").string());
    ASSERT_EQ(backup.Backup(file, nullptr), DWORD(count));
    ASSERT_TRUE(PrepareFindIndex(db));

    // Changed after the backup: the restore puts the subjects back.
    for (int n = 0; n < 30; ++n) {
        const CEOID oid = db.GetRowOid(DWORD(n));
        ZJITEMS set = MakeEntry({ .subject = u"Renamed", .date = At(2020, 1, 1) });
        ASSERT_EQ(db.Write(oid, &set), oid);
    }
    ASSERT_EQ(Find(FindBy::Subject, u"renamed", false).size(), 30u);
    ASSERT_EQ(backup.Restore(file), DWORD(count));
    EXPECT_TRUE(IndexReady());
    EXPECT_TRUE(Find(FindBy::Subject, u"renamed", false).empty());
    EXPECT_EQ(Find(FindBy::Subject, u"harbour visit", false).size(), std::size_t(count));
    EXPECT_EQ(Find(FindBy::Subject, u"visit 10049", true), Walk(FindBy::Subject, u"visit 10049", true));
}
