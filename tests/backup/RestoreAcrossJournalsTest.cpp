// Restoring backups whose OIDs were not handed out by the journal they are
// restored into: another journal's backup, OIDs equal to the ones the store
// hands out during the restore, more than 65,535 entries, a file cut short,
// a restore killed half way and run again, and writes the store refuses.
// After every restore the relation index and the category counters must be
// what an integrity check would make of the entries.

#include "BackupFixture.h"

#include "DataFaultPoints.h"
#include "JournalTools.h"
#include "MemoryProgress.h"
#include "ObjectStore.h"
#include "ZBackup.h"

#include <algorithm>
#include <csignal>
#include <map>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Above the first OID of any new store: a counter moved here is where the
// test wants it, whatever point the store started at.
constexpr CEOID kHigh = 0x80000000;

// What the integrity check rebuilds from the entries.
struct Derived {
    std::map<std::pair<DWORD, std::u16string>, std::vector<CEOID>> relations; // OIDs sorted
    std::map<std::u16string, int> counters;
    std::set<std::u16string> hidden;
    bool operator==(const Derived&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Derived& state)
{
    for (const auto& [key, oids] : state.relations)
        out << key.first << ":" << ZString(key.second.c_str()).ToUtf8() << "=" << oids.size() << " ";
    for (const auto& [name, count] : state.counters)
        out << ZString(name.c_str()).ToUtf8() << "#" << count << " ";
    return out;
}

// A record of the layout with a subject, categories and a note of its own.
void AddRecord(Bytes& file, CEOID oid, const std::string& subject,
    const std::vector<std::u16string>& categories, std::size_t noteBytes = 0)
{
    Bytes list;
    for (const auto& name : categories)
        list.U32(0).Raw(Bytes::Utf16(name));
    file.Record(
        oid, subject, At(2001, 1, 1), 6, "", list.Str(), "", "", 0, 0, 1, std::string(noteBytes, 'n'));
}

// Kills the process at the chosen hit of the chosen fault point.
DataFault g_killAt = DataFault::RestoreBatchWritten;
int g_hitsLeft = 0;
void KillAtChosenHit(DataFault where)
{
    if (where == g_killAt && --g_hitsLeft == 0)
        raise(SIGKILL);
}

// Stops every write that would grow the store, from the first commit on.
void FillUpAfterFirstCommit(DataFault where)
{
    if (where == DataFault::RestoreBatchCommitted)
        ObjectStore::SetSizeLimit(1);
}

} // namespace

class RestoreAcrossJournals : public BackupTest {
protected:
    void TearDown() override
    {
        SetDataFaultHandler(nullptr);
        ObjectStore::SetSizeLimit(0);
        db.Close();
        ObjectStore::Close();
    }

    // Closes the journal and opens the one of a store of its own, in folder
    // `name` of the test's data folder (a fresh one the first time).
    void UseStore(const std::string& name)
    {
        db.Close();
        store = home.file(name) / "objects.db";
        ASSERT_TRUE(ObjectStore::Open(store)) << ObjectStore::LastOpenError();
        ASSERT_EQ(db.Open(nullptr), 1);
    }

    // Makes `target` the next OID the store hands out.
    void MoveCounterTo(CEOID target)
    {
        CEOID next = ObjectStoreOidReservation(1).First() + 1;
        ASSERT_GT(next, 1u);
        ASSERT_LT(next, target);
        ASSERT_TRUE(ObjectStoreOidReservation(target - next).IsActive());
        ASSERT_EQ(ObjectStoreOidReservation(1).First(), target);
        // That probe took `target` itself: the next record gets target + 1.
    }

    std::multiset<std::u16string> Subjects()
    {
        std::multiset<std::u16string> subjects;
        for (CEOID oid : Entries())
            subjects.insert(Subject(oid));
        return subjects;
    }

    std::size_t DistinctSubjects()
    {
        std::multiset<std::u16string> subjects = Subjects();
        return std::set<std::u16string>(subjects.begin(), subjects.end()).size();
    }

    Derived State()
    {
        Derived state;
        for (RelationRecord& record : ListRelations(db)) {
            std::sort(record.oids.begin(), record.oids.end());
            state.relations[{ record.kind, record.name }] = record.oids;
        }
        for (const CategoryInfo& category : ListCategories()) {
            state.counters[category.name] = category.journalCount;
            if (category.hidden)
                state.hidden.insert(category.name);
        }
        return state;
    }

    // The relation index and counters must already be what the check
    // makes of the entries, and the check must change no entry.
    void ExpectInStepWithTheEntries()
    {
        Derived restored = State();
        std::multiset<std::u16string> subjects = Subjects();
        ZString error;
        db.Cleanup(TRUE, nullptr, nullptr, &error);
        ASSERT_TRUE(error.IsEmpty()) << error.ToUtf8();
        EXPECT_EQ(restored, State());
        EXPECT_EQ(subjects, Subjects());
    }

    // Restores `file` in a child process that is killed at the `hit`-th
    // pass of fault point `where`; true when it was.
    bool RestoreAndKill(const std::filesystem::path& file, DataFault where, int hit)
    {
        db.Close();
        ObjectStore::Close(); // the child must not share the parent's connection
        pid_t child = fork();
        if (child == 0) {
            g_killAt = where;
            g_hitsLeft = hit;
            SetDataFaultHandler(KillAtChosenHit);
            ObjectStore::Open(store);
            DbKestrin journal;
            journal.Open(nullptr);
            ZBackup(&journal, nullptr).Restore(ZString::FromUtf8(file.string()));
            _exit(0); // the fault point was never reached
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(ObjectStore::Open(store));
        EXPECT_EQ(db.Open(nullptr), 1);
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

    std::filesystem::path store;
};

TEST_F(RestoreAcrossJournals, AnotherJournalsBackupLosesNothingAndRefreshesOnlyEqualOids)
{
    UseStore("a");
    for (int i = 0; i < 12; ++i) {
        std::u16string n = ZString::FromUtf8(std::to_string(i)).Text();
        Add({ .subject = u"a" + n,
            .date = At(2001, 1, 1 + i),
            .categories
            = i % 3 == 0 ? std::vector<std::u16string> {} : std::vector<std::u16string> { u"Work", u"c" + n },
            .contacts = i % 4 == 0 ? std::vector<std::u16string> {} : std::vector<std::u16string> { u"Ann" },
            .note = { 'K', 'N', 'T', '1', static_cast<BYTE>(i), 0, 0, 0 } });
    }
    std::multiset<std::u16string> fromA = Subjects();
    ZBackup backup(&db, nullptr);
    ASSERT_EQ(backup.Backup(PathOf("a.ksk"), nullptr), 12u);
    const std::string original = ReadFile(home.file("a.ksk"));

    // Into a fresh journal: every record is new there.
    UseStore("b");
    ASSERT_EQ(backup.Restore(PathOf("a.ksk")), 12u);
    EXPECT_EQ(backup.LastRestore().refreshed, 0u);
    EXPECT_EQ(backup.LastRestore().reinserted, 12u);
    EXPECT_EQ(Subjects(), fromA);
    std::vector<CEOID> inB = Entries();
    std::vector<CEOID> named = StoredOids(ReadFile(home.file("a.ksk")));
    std::sort(inB.begin(), inB.end());
    std::sort(named.begin(), named.end());
    EXPECT_EQ(named, inB) << "the file names the entries it gave";
    ExpectInStepWithTheEntries();
    // The patched file refreshes them all.
    ASSERT_EQ(backup.Restore(PathOf("a.ksk")), 12u);
    EXPECT_EQ(backup.LastRestore().refreshed, 12u);
    EXPECT_EQ(backup.LastRestore().reinserted, 0u);
    EXPECT_EQ(Subjects(), fromA);
    ExpectInStepWithTheEntries();

    // A journal with entries of its own, two of them under OIDs that two
    // records of the file hold: exactly those two are refreshed.
    UseStore("c");
    std::vector<CEOID> own;
    for (const char16_t* subject : { u"own 0", u"own 1", u"own 2", u"own 3" })
        own.push_back(Add({ .subject = subject, .date = At(2009, 1, 1), .categories = { u"Own" } }));
    std::string collide = original;
    std::vector<std::size_t> offsets = RecordOffsets(collide);
    PutU32At(collide, offsets[0], own[0]);
    PutU32At(collide, offsets[1], own[1]);
    WriteFile(home.file("c.ksk"), collide);
    ASSERT_EQ(backup.Restore(PathOf("c.ksk")), 12u);
    EXPECT_EQ(backup.LastRestore().refreshed, 2u);
    EXPECT_EQ(backup.LastRestore().reinserted, 10u);
    std::multiset<std::u16string> expected = fromA;
    expected.insert(u"own 2");
    expected.insert(u"own 3");
    EXPECT_EQ(Subjects(), expected);
    EXPECT_EQ(Subject(own[0]).rfind(u"a", 0), 0u);
    EXPECT_EQ(Subject(own[2]), u"own 2");
    EXPECT_EQ(Listed(u"Own", KIND_CATEGORY), (std::vector<CEOID> { own[2], own[3] }));
    ExpectInStepWithTheEntries();
}

TEST_F(RestoreAcrossJournals, OidsHandedOutDuringTheRestoreNeverMakeARecordRefresh)
{
    // The file's OIDs are exactly those the store hands out while restoring
    // it (to the new entries and to new relation records), newest first.
    constexpr DWORD kCount = 80;
    Bytes file;
    file.U16(55).U16(1).U16(kCount);
    std::vector<std::size_t> cuts;
    for (DWORD i = 0; i < kCount; ++i) {
        cuts.push_back(file.Size());
        AddRecord(file, kHigh + kCount - i, "entry " + std::to_string(i),
            { u"k" + std::u16string(1, static_cast<char16_t>(u'a' + i % 20)) });
    }
    WriteFile(home.file("high.ksk"), file.Str());
    MoveCounterTo(kHigh);
    ZBackup backup(&db, nullptr);
    ASSERT_EQ(backup.Restore(PathOf("high.ksk")), kCount);
    EXPECT_EQ(backup.LastRestore().reinserted, kCount);
    EXPECT_EQ(Subjects().size(), kCount);
    EXPECT_EQ(DistinctSubjects(), kCount);
    ExpectInStepWithTheEntries();

    // Cut inside its 21st record, into another fresh journal: the twenty
    // whole records before the cut.
    UseStore("cut");
    WriteFile(home.file("cut.ksk"), file.Str().substr(0, cuts[20] + 30));
    MoveCounterTo(kHigh);
    EXPECT_EQ(backup.Restore(PathOf("cut.ksk")), 20u);
    EXPECT_TRUE(backup.LastRestore().damaged);
    EXPECT_EQ(Entries().size(), 20u);
    EXPECT_EQ(backup.ErrorText().ToUtf8(),
        "Restored 20 record(s).\n\n0 existing record(s) refreshed.\n\n20 record(s) re-inserted.\n\nThe "
        "backup "
        "file is damaged after record 20; the rest of it was not restored.");
}

TEST_F(RestoreAcrossJournals, MoreThan65535EntriesRoundTripIntoAFreshJournal)
{
    constexpr DWORD kCount = 65536 + 100;
    Bytes file;
    file.U16(55).U16(1).U16(kCount & 0xFFFF);
    for (DWORD i = 0; i < kCount; ++i)
        file.Record(0, "entry " + std::to_string(i), At(2001, 1, 1) - i, 6, "", "", "", "", 0, 0, 1, "");
    WriteFile(home.file("big.ksk"), file.Str());
    UseStore("first");
    MoveCounterTo(kHigh);
    ZBackup backup(&db, nullptr);
    // The header says 100 records: the bar's range grows past it instead of
    // standing full for the rest of the restore.
    MemoryProgress progress;
    ASSERT_EQ(backup.Restore(PathOf("big.ksk"), &progress), kCount);
    EXPECT_EQ(progress.High(), int(kCount & 0xFFFF) + 65536);
    EXPECT_EQ(progress.Positions().back(), int(kCount));
    EXPECT_TRUE(std::is_sorted(progress.Positions().begin(), progress.Positions().end()));
    EXPECT_EQ(backup.LastRestore().reinserted, kCount);
    EXPECT_FALSE(backup.LastRestore().countMismatch);
    EXPECT_EQ(Listed(u"None", KIND_CATEGORY).size(), kCount);
    ASSERT_EQ(backup.Backup(PathOf("again.ksk"), nullptr), kCount);
    std::string again = ReadFile(home.file("again.ksk"));
    EXPECT_EQ(again.size(), file.Size());
    EXPECT_EQ(
        static_cast<BYTE>(again[4]) | (static_cast<BYTE>(again[5]) << 8), static_cast<int>(kCount & 0xFFFF));

    // A fresh journal that hands out the OIDs the file holds, a little
    // ahead of it: the new entries of each batch take OIDs that records of
    // the next batch hold.
    UseStore("fresh");
    MoveCounterTo(kHigh + 5000);
    ASSERT_EQ(backup.Restore(PathOf("again.ksk")), kCount);
    EXPECT_EQ(backup.LastRestore().reinserted, kCount);
    EXPECT_EQ(db.GetRecordCount32(), kCount);
    EXPECT_EQ(Listed(u"None", KIND_CATEGORY).size(), kCount);
    EXPECT_EQ(Listed(u"None", KIND_CONTACT).size(), kCount);
}

TEST_F(RestoreAcrossJournals, KilledRestoreRunAgainGivesEveryRecordOnce)
{
    struct Case {
        const char* what;
        DataFault where;
        int hit;
        DWORD records;
    };
    const Case cases[] = {
        { "written, file not patched", DataFault::RestoreBatchWritten, 1, 30 },
        { "file patched, not committed", DataFault::RestoreFilePatched, 1, 30 },
        { "committed", DataFault::RestoreBatchCommitted, 1, 30 },
        { "second batch patched, first committed", DataFault::RestoreFilePatched, 2,
            ZBackup::kRestoreBatch + 30 },
    };
    int run = 0;
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        Bytes file;
        file.U16(55).U16(1).U16(test.records & 0xFFFF);
        for (DWORD i = 0; i < test.records; ++i)
            AddRecord(file, 0, "entry " + std::to_string(i),
                i % 2 ? std::vector<std::u16string> { u"Odd" } : std::vector<std::u16string> {});
        std::filesystem::path path = home.file("kill.ksk");
        WriteFile(path, file.Str());
        UseStore("kill" + std::to_string(run++));
        ASSERT_TRUE(RestoreAndKill(path, test.where, test.hit));

        ZBackup backup(&db, nullptr);
        ASSERT_EQ(backup.Restore(ZString::FromUtf8(path.string())), test.records);
        EXPECT_EQ(Entries().size(), test.records);
        EXPECT_EQ(DistinctSubjects(), test.records);
        std::vector<CEOID> inJournal = Entries();
        std::vector<CEOID> named = StoredOids(ReadFile(path));
        std::sort(inJournal.begin(), inJournal.end());
        std::sort(named.begin(), named.end());
        EXPECT_EQ(named, inJournal);
        EXPECT_EQ(Listed(u"Odd", KIND_CATEGORY).size(), test.records / 2);
        EXPECT_EQ(Listed(u"None", KIND_CATEGORY).size(), test.records - test.records / 2);
    }
}

TEST_F(RestoreAcrossJournals, WritesTheStoreRefusesStopTheRestoreAndKeepOnlyWholeBatches)
{
    UseStore("refuse");
    // A refresh the store refuses (it would outgrow the store's limit):
    // nothing of the batch is kept and the message names the entry.
    CEOID kept = Add({ .subject = u"kept", .date = At(2001, 1, 1), .categories = { u"Work" } });
    Bytes grow;
    grow.U16(55).U16(1).U16(2);
    AddRecord(grow, 0, "new", { u"Work" });
    AddRecord(grow, kept, "grown", { u"Home" }, 1 << 20);
    WriteFile(home.file("grow.ksk"), grow.Str());
    Derived before = State();
    ASSERT_TRUE(ObjectStore::SetSizeLimit(1));
    ZBackup backup(&db, nullptr);
    EXPECT_EQ(backup.Restore(PathOf("grow.ksk")), 0u);
    ObjectStore::SetSizeLimit(0);
    EXPECT_TRUE(backup.LastRestore().writeFailed);
    EXPECT_EQ(backup.LastRestore().refreshed, 0u);
    EXPECT_EQ(backup.LastRestore().refusedOid, kept);
    EXPECT_EQ(Entries(), std::vector<CEOID> { kept });
    EXPECT_EQ(Subject(kept), u"kept");
    EXPECT_EQ(State(), before);
    EXPECT_EQ(backup.ErrorText().ToUtf8(),
        "Restored 0 record(s).\n\n0 existing record(s) refreshed.\n\n0 record(s) re-inserted.\n\nThe journal "
        "could not store every record; restoring stopped.\n\nThe journal refused to refresh its entry "
            + std::to_string(kept) + ", so the records of that batch were not kept.");
    ASSERT_TRUE(db.DeleteEntry(kept));

    // A second batch that does not fit: the first is kept whole and named
    // in the file, the second leaves no trace.
    constexpr DWORD kFirst = ZBackup::kRestoreBatch;
    constexpr DWORD kSecond = 500;
    Bytes two;
    two.U16(55).U16(1).U16(kFirst + kSecond);
    for (DWORD i = 0; i < kFirst + kSecond; ++i)
        AddRecord(two, 0, "entry " + std::to_string(i), {}, i < kFirst ? 0 : 4096);
    WriteFile(home.file("two.ksk"), two.Str());
    SetDataFaultHandler(FillUpAfterFirstCommit);
    EXPECT_EQ(backup.Restore(PathOf("two.ksk")), kFirst);
    SetDataFaultHandler(nullptr);
    ObjectStore::SetSizeLimit(0);
    EXPECT_TRUE(backup.LastRestore().writeFailed);
    EXPECT_EQ(backup.LastRestore().reinserted, kFirst);
    EXPECT_EQ(backup.LastRestore().refusedOid, 0u);
    EXPECT_EQ(backup.ErrorText().ToUtf8(),
        "Restored 10000 record(s).\n\n0 existing record(s) refreshed.\n\n10000 record(s) re-inserted.\n\nThe "
        "journal could not store every record; restoring stopped.");
    EXPECT_EQ(Entries().size(), kFirst);
    std::vector<CEOID> named = StoredOids(ReadFile(home.file("two.ksk")));
    EXPECT_EQ(std::count(named.begin(), named.end(), 0u), static_cast<long>(kSecond));
    EXPECT_EQ(std::count(named.begin(), named.begin() + kFirst, 0u), 0);
    EXPECT_EQ(Listed(u"None", KIND_CATEGORY).size(), kFirst);
    for (CEOID oid : Entries())
        ASSERT_EQ(Subject(oid).rfind(u"entry ", 0), 0u);
    ExpectInStepWithTheEntries();
}
