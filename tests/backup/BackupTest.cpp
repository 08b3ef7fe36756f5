// Backup and restore: the file layout byte for byte, restoring twice, texts
// that survive whole, damaged files, failed writes.

#include "BackupFixture.h"

#include "DbCats.h"
#include "JournalTools.h"
#include "MemoryProgress.h"
#include "ZBackup.h"

#include <algorithm>
#include <csignal>
#include <sys/resource.h>

namespace {

const HWND kOwner = reinterpret_cast<HWND>(0x1);

std::string CategoryBlob(const std::vector<std::u16string>& names)
{
    Bytes b;
    for (const auto& name : names)
        b.U32(0).Raw(Bytes::Utf16(name));
    return b.Str();
}

// A file of `count` small records with distinct subjects, OIDs 0 (new),
// newest first as a backup of the date-sorted journal holds them.
Bytes SmallRecords(DWORD count, WORD headerCount)
{
    Bytes file;
    file.U16(55).U16(1).U16(headerCount);
    for (DWORD i = 0; i < count; ++i)
        file.Record(0, "entry " + std::to_string(i), At(2001, 1, 1) - i, 6, "", "", "", "", 0, 0, 1, "");
    return file;
}

int JournalCounter(const std::u16string& category)
{
    for (const CategoryInfo& info : ListCategories())
        if (info.name == category)
            return info.journalCount;
    return -1;
}

} // namespace

TEST_F(BackupTest, BackupWritesTheLayoutByteForByte)
{
    Entry full { .subject = u"Lunch with Ann",
        .date = At(2004, 5, 6, 12, 30),
        .type = 5,
        .company = u"Acme & Co",
        .categories = { u"Work", u"Food" },
        .contacts = { u"Ann Lee" },
        .attachment = u"/home/a/menu.txt",
        .duration = 30 * ZTime::kTicksPerMinute,
        .sensitivity = 2,
        .priority = 2,
        .note = { 'K', 'N', 'T', '1', 0, 0, 0, 0 } };
    Entry plain { .subject = u"Zürich ✓ 日本", .date = At(2003, 1, 2) };
    CEOID first = Add(full);
    CEOID second = Add(plain);

    ZBackup backup(&db, kOwner);
    EXPECT_EQ(backup.Backup(PathOf("small.ksk"), nullptr), 2u);

    std::string contacts = Bytes().U32(500).Str() + Bytes::Utf16(u"Ann Lee") + Bytes::Utf16(u"");
    Bytes expected;
    expected.U16(55).U16(1).U16(2);
    // Newest first: the journal's order.
    expected.Record(first, "Lunch with Ann", At(2004, 5, 6, 12, 30), 5, "Acme & Co",
        CategoryBlob({ u"Work", u"Food" }), contacts, "/home/a/menu.txt", 30 * ZTime::kTicksPerMinute, 2, 2,
        std::string("KNT1\0\0\0\0", 8));
    expected.Record(second, "Z\xC3\xBCrich \xE2\x9C\x93 \xE6\x97\xA5\xE6\x9C\xAC", At(2003, 1, 2), 6, "", "",
        "", "", 0, 0, 1, "");
    EXPECT_EQ(ReadFile(home.file("small.ksk")), expected.Str());

    auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"2 Record(s) Backed Up");
    EXPECT_EQ(boxes[0].caption, u"Backup");
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_OK | MB_SETFOREGROUND));

    // An empty journal gives the header alone, which restores as no entry
    // without complaint; a file of no bytes at all is no backup.
    for (CEOID oid : Entries())
        db.DeleteEntry(oid);
    ZBackup silent(&db, nullptr);
    EXPECT_EQ(silent.Backup(PathOf("empty.ksk"), nullptr), 0u);
    EXPECT_TRUE(silent.ErrorText().IsEmpty());
    EXPECT_EQ(ReadFile(home.file("empty.ksk")), std::string("\x37\x00\x01\x00\x00\x00", 6));
    hooks.Clear();
    ZBackup owned(&db, kOwner);
    EXPECT_EQ(owned.Restore(PathOf("empty.ksk")), 0u);
    EXPECT_TRUE(owned.ErrorText().IsEmpty()) << owned.ErrorText().ToUtf8();
    EXPECT_FALSE(owned.LastRestore().damaged);
    boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
        u"Restored 0 record(s).\n\n0 existing record(s) refreshed.\n\n0 record(s) re-inserted.");
    EXPECT_EQ(ReadFile(home.file("empty.ksk")).size(), 6u);
    WriteFile(home.file("nothing.ksk"), "");
    EXPECT_EQ(silent.Restore(PathOf("nothing.ksk")), 0u);
    EXPECT_FALSE(silent.ErrorText().IsEmpty());
}

TEST_F(BackupTest, RestoreReinsertsPatchesTheFileThenRefreshes)
{
    CEOID a = Add(
        { .subject = u"alpha", .date = At(2001, 1, 1), .categories = { u"Work" }, .contacts = { u"Bo" } });
    CEOID b = Add({ .subject = u"bravo", .date = At(2002, 1, 1), .categories = { u"WORK" } });
    CEOID c = Add({ .subject = u"charlie", .date = At(2003, 1, 1) });
    ZBackup backup(&db, kOwner);
    ASSERT_EQ(backup.Backup(PathOf("j.ksk"), nullptr), 3u);
    for (CEOID oid : { a, b, c })
        ASSERT_TRUE(db.DeleteEntry(oid));
    EXPECT_EQ(JournalCounter(u"Work"), 0);
    hooks.Clear();

    MemoryProgress progress;
    EXPECT_EQ(backup.Restore(PathOf("j.ksk"), &progress), 3u);
    EXPECT_EQ(progress.High(), 3);
    EXPECT_EQ(progress.Positions().back(), 3);
    auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
        u"Restored 3 record(s).\n\n0 existing record(s) refreshed.\n\n3 record(s) re-inserted.");
    EXPECT_EQ(boxes[0].caption, u"Kestrin");

    std::vector<CEOID> restored = Entries();
    ASSERT_EQ(restored.size(), 3u);
    for (CEOID oid : restored)
        EXPECT_TRUE(oid != a && oid != b && oid != c);
    // The file now names the new records, in file order.
    std::string file = ReadFile(home.file("j.ksk"));
    EXPECT_EQ(StoredOids(file), restored);
    EXPECT_EQ(RecordOffsets(file).back(), file.size());
    EXPECT_EQ(Listed(u"Work", KIND_CATEGORY).size(), 2u);
    EXPECT_EQ(JournalCounter(u"Work"), 2);

    hooks.Clear();
    EXPECT_EQ(backup.Restore(PathOf("j.ksk")), 3u);
    EXPECT_EQ(backup.LastRestore().refreshed, 3u);
    EXPECT_EQ(backup.LastRestore().reinserted, 0u);
    EXPECT_EQ(hooks.Calls(UiCall::Kind::MessageBox).at(0).text,
        u"Restored 3 record(s).\n\n3 existing record(s) refreshed.\n\n0 record(s) re-inserted.");
    EXPECT_EQ(Entries(), restored);
    // Refreshing keeps the index and the counters in step.
    EXPECT_EQ(Listed(u"Work", KIND_CATEGORY).size(), 2u);
    EXPECT_EQ(Listed(u"Bo", KIND_CONTACT).size(), 1u);
    EXPECT_EQ(Listed(u"None", KIND_CONTACT).size(), 2u);
    EXPECT_EQ(JournalCounter(u"Work"), 2);
}

TEST_F(BackupTest, RestoreRefusesMissingEmptyAndForeignFilesWithoutCreatingAny)
{
    Add({ .subject = u"kept", .date = At(2001, 1, 1) });
    ZBackup silent(&db, nullptr);
    EXPECT_EQ(silent.Restore(PathOf("missing.ksk")), 0u);
    EXPECT_FALSE(std::filesystem::exists(home.file("missing.ksk")));
    EXPECT_NE(silent.ErrorText().ToUtf8().find("does not exist"), std::string::npos);
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);

    ZBackup owned(&db, kOwner);
    EXPECT_EQ(owned.Restore(PathOf("missing.ksk")), 0u);
    EXPECT_FALSE(std::filesystem::exists(home.file("missing.ksk")));
    auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(ZString::FromU16(boxes[0].text).ToUtf8().find("does not exist"), std::string::npos);

    WriteFile(home.file("foreign.ksk"), Bytes().U16(56).U16(1).U16(0).Str());
    EXPECT_EQ(silent.Restore(PathOf("foreign.ksk")), 0u);
    EXPECT_NE(silent.ErrorText().ToUtf8().find("not a Kestrin backup"), std::string::npos);
    WriteFile(home.file("newer.ksk"), Bytes().U16(55).U16(2).U16(0).Str());
    EXPECT_EQ(silent.Restore(PathOf("newer.ksk")), 0u);
    WriteFile(home.file("short.ksk"), Bytes().U16(55).U16(1).Str());
    EXPECT_EQ(silent.Restore(PathOf("short.ksk")), 0u);
    EXPECT_EQ(Entries().size(), 1u);
}

TEST_F(BackupTest, FailedBackupLeavesThePreviousFileAndNoTemporaryFile)
{
    Add({ .subject = std::u16string(4000, u'x'), .date = At(2001, 1, 1) });
    WriteFile(home.file("old.ksk"), "previous backup");
    ZBackup backup(&db, nullptr);

    // Writes beyond 1 KiB fail (as on a full disk).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    DWORD written = backup.Backup(PathOf("old.ksk"), nullptr);
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(written, 0u);
    EXPECT_FALSE(backup.ErrorText().IsEmpty());
    EXPECT_EQ(ReadFile(home.file("old.ksk")), "previous backup");
    for (const auto& item : std::filesystem::directory_iterator(home.path()))
        EXPECT_NE(item.path().extension(), ".tmp") << "a temporary file was left behind";

    EXPECT_EQ(backup.Backup(PathOf("no-such-folder/x.ksk"), nullptr), 0u);
    EXPECT_FALSE(backup.ErrorText().IsEmpty());
}

TEST_F(BackupTest, TextsRoundTripWholeInAnyScript)
{
    std::u16string longSubject;
    for (int i = 0; i < 300; ++i)
        longSubject += u"Ωé日本 ";
    Entry e { .subject = longSubject,
        .date = At(2010, 7, 8),
        .company = u"Δέλτα ΑΕ",
        .categories = { u"Čeština" },
        .contacts = { u"Ёжик" },
        .attachment = u"/tmp/файл&&.txt" };
    CEOID oid = Add(e);
    ZBackup backup(&db, nullptr);
    ASSERT_EQ(backup.Backup(PathOf("t.ksk"), nullptr), 1u);
    ASSERT_TRUE(db.DeleteEntry(oid));
    ASSERT_EQ(backup.Restore(PathOf("t.ksk")), 1u);
    ASSERT_EQ(Entries().size(), 1u);
    ZJITEMS set;
    ASSERT_NE(db.Read(Entries()[0], &set, FALSE), 0u);
    EXPECT_EQ(Text(set.GetItem(PROPID_SUBJECT)->GetStrValue()), longSubject);
    EXPECT_EQ(Text(set.GetItem(PROPID_COMPANY)->GetStrValue()), u"Δέλτα ΑΕ");
    EXPECT_EQ(Text(set.GetItem(PROPID_ATTACHMENT)->GetStrValue()), u"/tmp/файл&&.txt");
    EXPECT_EQ(Listed(u"Čeština", KIND_CATEGORY).size(), 1u);
    EXPECT_EQ(Listed(u"Ёжик", KIND_CONTACT).size(), 1u);

    // Texts from older devices that are not UTF-8 read as Windows-1252.
    Bytes old;
    old.U16(55).U16(1).U16(1).Record(0, "Caf\xE9", At(2000, 1, 1), 6, "", "", "", "", 0, 0, 1, "");
    WriteFile(home.file("old.ksk"), old.Str());
    ASSERT_EQ(backup.Restore(PathOf("old.ksk")), 1u);
    bool found = false;
    for (CEOID entry : Entries())
        found = found || Subject(entry) == u"Café";
    EXPECT_TRUE(found);
}

TEST_F(BackupTest, DamagedFilesRestoreTheCompleteRecordsBeforeTheDamage)
{
    Bytes good = SmallRecords(3, 3);
    Bytes two = SmallRecords(2, 3);
    const std::string contactsDamaged = Bytes().U32(7).U32(200).Str(); // name runs past the blob
    struct Case {
        const char* what;
        std::string bytes;
        DWORD restored;
    };
    Bytes unknownId = SmallRecords(1, 3);
    unknownId.U32(0).U32(0x12340001).U32(0);
    Bytes repeated = SmallRecords(1, 3);
    repeated.U32(0).U32(PROPID_SUBJECT).Utf8("a").U32(PROPID_SUBJECT).Utf8("b");
    Bytes badContacts = SmallRecords(1, 3);
    badContacts.Record(0, "bad", At(2001, 1, 1), 6, "", "", contactsDamaged, "", 0, 0, 1, "");
    Bytes hugeText = SmallRecords(1, 3);
    hugeText.U32(0).U32(PROPID_SUBJECT).U32(0xFFFFFFF0u).Raw("abc");
    Bytes nul = SmallRecords(1, 3);
    nul.Record(0, std::string("cut\0here", 8), At(2001, 1, 1), 6, "", "", "", "", 0, 0, 1, "");
    const std::vector<Case> cases = {
        { "cut inside the third record", good.Str().substr(0, good.Size() - 5), 2 },
        { "cut inside an OID", two.Str() + std::string("\x01\x02", 2), 2 },
        { "unknown property", unknownId.Str(), 1 },
        { "repeated property", repeated.Str(), 1 },
        { "damaged contact list", badContacts.Str(), 1 },
        { "text longer than the file", hugeText.Str(), 1 },
        { "header only, count cut", good.Str().substr(0, 5), 0 },
        { "header only, announcing records", good.Str().substr(0, 6), 0 },
        { "NUL inside a subject", nul.Str(), 1 },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        for (CEOID oid : Entries())
            db.DeleteEntry(oid);
        WriteFile(home.file("bad.ksk"), test.bytes);
        ZBackup backup(&db, nullptr);
        EXPECT_EQ(backup.Restore(PathOf("bad.ksk")), test.restored);
        EXPECT_EQ(Entries().size(), test.restored);
        EXPECT_FALSE(backup.ErrorText().IsEmpty());
        EXPECT_TRUE(backup.LastRestore().damaged);
        for (CEOID oid : Entries())
            EXPECT_EQ(Subject(oid).rfind(u"entry ", 0), 0u) << "a half-decoded entry was written";
    }

    // The NUL is named, not cut away silently.
    WriteFile(home.file("nul.ksk"), nul.Str());
    for (CEOID oid : Entries())
        db.DeleteEntry(oid);
    ZBackup named(&db, nullptr);
    EXPECT_EQ(named.Restore(PathOf("nul.ksk")), 1u);
    EXPECT_EQ(named.ErrorText().ToUtf8(),
        "Restored 1 record(s).\n\n0 existing record(s) refreshed.\n\n1 record(s) re-inserted.\n\nThe backup "
        "file is damaged after record 1; the rest of it was not restored.\n\nRecord 2 holds a NUL character "
        "inside its Subject text; no entry text can hold one.");
    // A header that announces records none of which follow.
    WriteFile(home.file("header.ksk"), good.Str().substr(0, 6));
    EXPECT_EQ(named.Restore(PathOf("header.ksk")), 0u);
    EXPECT_EQ(named.ErrorText().ToUtf8(),
        "Restored 0 record(s).\n\n0 existing record(s) refreshed.\n\n0 record(s) re-inserted.\n\nThe backup "
        "file is damaged before its first whole record; nothing was restored.");

    // Ending on a record boundary short of the header's count restores all
    // there is and says the file looks cut.
    for (CEOID oid : Entries())
        db.DeleteEntry(oid);
    WriteFile(home.file("short.ksk"), two.Str());
    ZBackup backup(&db, kOwner);
    EXPECT_EQ(backup.Restore(PathOf("short.ksk")), 2u);
    EXPECT_TRUE(backup.LastRestore().countMismatch);
    EXPECT_FALSE(backup.LastRestore().damaged);
    EXPECT_NE(backup.RestoreMessage().ToUtf8().find("cut short"), std::string::npos);
}

TEST_F(BackupTest, WithAnActiveFilterOnlyPassingEntriesAreBackedUp)
{
    Add({ .subject = u"in", .date = At(2005, 3, 1) });
    Add({ .subject = u"out", .date = At(2006, 3, 1) });
    Add({ .subject = u"in too", .date = At(2005, 4, 1) });
    ZFilter& filter = db.GetFilter();
    filter.SetByRange(TRUE);
    filter.SetStart(ZTime(At(2005, 1, 1, 0)));
    filter.SetEnd(ZTime(At(2005, 12, 31, 23)));
    filter.SetActive(TRUE);
    ZBackup backup(&db, nullptr);
    EXPECT_EQ(backup.Backup(PathOf("f.ksk"), nullptr), 2u);
    std::string file = ReadFile(home.file("f.ksk"));
    ASSERT_GE(file.size(), 6u);
    EXPECT_EQ(file[4], 2);
    EXPECT_EQ(file[5], 0);
}

TEST_F(BackupTest, RefreshingAnEditedEntryPutsItsReferencesBackInStep)
{
    CEOID a = Add({ .subject = u"a", .date = At(2001, 1, 1), .categories = { u"Work", u"Food" }, .contacts = { u"Ann" } });
    CEOID b = Add({ .subject = u"b", .date = At(2002, 1, 1), .categories = { u"Work" } });
    ZBackup backup(&db, nullptr);
    ASSERT_EQ(backup.Backup(PathOf("j.ksk"), nullptr), 2u);
    // Edited since: other categories and contacts, references moved along.
    db.DeleteCatReferences(a);
    db.DeleteContactReferences(a);
    ZJITEMS edited = MakeEntry({ .subject = u"a2", .date = At(2001, 1, 1), .categories = { u"Home" }, .contacts = { u"Bo" } });
    ASSERT_EQ(db.Write(a, &edited), a);
    ASSERT_EQ(Listed(u"Home", KIND_CATEGORY), std::vector<CEOID> { a });

    ASSERT_EQ(backup.Restore(PathOf("j.ksk")), 2u);
    EXPECT_EQ(backup.LastRestore().refreshed, 2u);
    EXPECT_EQ(Subject(a), u"a");
    std::vector<CEOID> work = Listed(u"Work", KIND_CATEGORY);
    std::sort(work.begin(), work.end());
    EXPECT_EQ(work, (std::vector<CEOID> { std::min(a, b), std::max(a, b) }));
    EXPECT_EQ(Listed(u"Food", KIND_CATEGORY), std::vector<CEOID> { a });
    EXPECT_EQ(Listed(u"Ann", KIND_CONTACT), std::vector<CEOID> { a });
    EXPECT_TRUE(Listed(u"Home", KIND_CATEGORY).empty());
    EXPECT_TRUE(Listed(u"Bo", KIND_CONTACT).empty());
    EXPECT_EQ(Listed(u"None", KIND_CONTACT), std::vector<CEOID> { b });
    EXPECT_EQ(JournalCounter(u"Work"), 2);
    EXPECT_EQ(JournalCounter(u"Food"), 1);
    EXPECT_EQ(JournalCounter(u"Home"), 0);
}

TEST_F(BackupTest, RestoredCountersStopAtTheirLimitAndNoneStaysHidden)
{
    auto category = [](const std::u16string& name) {
        for (const CategoryInfo& info : ListCategories())
            if (info.name == name)
                return info;
        return CategoryInfo {};
    };
    ASSERT_EQ(category(u"None").oid, 0u) << "a new journal has no \"None\" category yet";
    Bytes file;
    file.U16(55).U16(1).U16(4);
    file.Record(0, "plain", At(2001, 1, 1), 6, "", "", "", "", 0, 0, 1, "");
    for (int i = 0; i < 3; ++i)
        file.Record(0, "busy", At(2001, 1, 2), 6, "", CategoryBlob({ u"Busy" }), "", "", 0, 0, 1, "");
    WriteFile(home.file("c.ksk"), file.Str());

    // A counter one short of its 16-bit limit stops there instead of
    // wrapping to a negative count (the category would look unused).
    Add({ .subject = u"first", .date = At(2000, 1, 1), .categories = { u"Busy" } });
    DbCats cats;
    ASSERT_TRUE(cats.Open(nullptr));
    CEPROPVAL counter {};
    counter.propid = PROPID_CATCOUNT_JOURNAL;
    counter.val.iVal = 0x7FFE;
    ASSERT_NE(cats.WriteProps(cats.FindCategory(u"Busy"), 1, &counter), 0u);
    cats.Close();

    ZBackup backup(&db, nullptr);
    ASSERT_EQ(backup.Restore(PathOf("c.ksk")), 4u);
    EXPECT_EQ(JournalCounter(u"Busy"), 0x7FFF);
    CategoryInfo none = category(u"None");
    EXPECT_NE(none.oid, 0u);
    EXPECT_TRUE(none.hidden) << "\"None\" is the journal's own mark, not a category to offer";
    EXPECT_EQ(none.journalCount, 1);
}
