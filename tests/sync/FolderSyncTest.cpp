// Two-way sync of one journal with a folder of .ics files, the folder
// changed the way a sync tool or another program changes it.

#include "JournalEntries.h"
#include "JournalSync.h"
#include "NoteBlob.h"
#include "OpenJournalTest.h"
#include "PackedLists.h"
#include "PimIdMap.h"

#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Spill(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

void ReplaceIn(const fs::path& path, const std::string& from, const std::string& to)
{
    std::string text = Slurp(path);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from << " not in " << path;
    text.replace(at, from.size(), to);
    Spill(path, text);
}

class FolderSyncTest : public OpenJournalTest {
protected:
    SyncReport Sync()
    {
        JournalSync sync(db);
        SyncReport report = sync.Sync(folder);
        EXPECT_FALSE(report.failed) << (report.problems.empty() ? "" : report.problems[0]);
        return report;
    }

    fs::path FileOf(CEOID oid)
    {
        return folder / JournalSync::SafeFileName(JournalSync(db).UidOf(oid));
    }

    std::u16string Subject(CEOID oid)
    {
        ZJITEMS set;
        if (db.Read(oid, &set, FALSE) != oid)
            return u"(gone)";
        return Text(set.GetItem(PROPID_SUBJECT)->GetStrValue());
    }

    void SetSubject(CEOID oid, const std::u16string& subject)
    {
        ZJITEMS set;
        ASSERT_EQ(db.Read(oid, &set, FALSE), oid);
        set.GetItem(PROPID_SUBJECT)->SetStrValue(subject.c_str());
        ASSERT_EQ(db.Write(oid, &set), oid);
    }

    std::vector<fs::path> Files()
    {
        std::vector<fs::path> files;
        for (const fs::directory_entry& item : fs::directory_iterator(folder))
            files.push_back(item.path());
        return files;
    }

    fs::path folder = home.file("vdir");
};

} // namespace

TEST_F(FolderSyncTest, ChangesOnEitherSideArriveOnTheOther)
{
    const CEOID first = Add({ .subject = u"Morning", .categories = { u"Home" },
        .note = WriteNote(u"plain", "<i>plain</i>", { 9, 8, 7 }) });
    Add({ .subject = u"Evening" });
    SyncReport report = Sync();
    EXPECT_EQ(report.filesWritten, 2);
    ASSERT_EQ(Files().size(), 2u);
    EXPECT_NE(Slurp(FileOf(first)).find("CATEGORIES:Home"), std::string::npos);

    report = Sync();
    EXPECT_EQ(report.filesWritten + report.entriesChanged + report.entriesAdded, 0);

    // Edited in the folder (with a property of another program): the entry follows.
    ReplaceIn(FileOf(first), "SUMMARY:Morning", "SUMMARY:Morning walk\r\nX-OTHER-APP:keep me");
    report = Sync();
    EXPECT_EQ(report.entriesChanged, 1);
    EXPECT_EQ(Subject(first), u"Morning walk");
    ZJITEMS set;
    ASSERT_EQ(db.Read(first, &set, FALSE), first);
    const NoteContent note = ReadNote(*set.GetItem(PROPID_NOTE)->GetBlob());
    EXPECT_EQ(note.richText, "<i>plain</i>");
    EXPECT_EQ(note.ink, (std::vector<BYTE> { 9, 8, 7 }));

    // Edited in the journal: the file follows and keeps the other program's property.
    SetSubject(first, u"Morning run");
    report = Sync();
    EXPECT_EQ(report.filesWritten, 1);
    const std::string text = Slurp(FileOf(first));
    EXPECT_NE(text.find("SUMMARY:Morning run"), std::string::npos);
    EXPECT_NE(text.find("X-OTHER-APP:keep me"), std::string::npos);

    // A file added by another program becomes an entry.
    Spill(folder / "phone.ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//p//p//EN\r\nBEGIN:VJOURNAL\r\nUID:phone-1\r\n"
        "SUMMARY:From the phone\r\nDTSTART:20240510T080000Z\r\nEND:VJOURNAL\r\nEND:VCALENDAR\r\n");
    report = Sync();
    EXPECT_EQ(report.entriesAdded, 1);
    EXPECT_EQ(db.GetRowCount(), 3u);
    EXPECT_EQ(Sync().entriesAdded, 0);
}

TEST_F(FolderSyncTest, DeletionsNeverDropAChange)
{
    const CEOID kept = Add({ .subject = u"Keep" });
    const CEOID gone = Add({ .subject = u"Gone" });
    const CEOID edited = Add({ .subject = u"Edited" });
    const CEOID removed = Add({ .subject = u"Removed" });
    Sync();
    const fs::path removedFile = FileOf(removed);

    // File deleted, entry unchanged: the entry goes.
    fs::remove(FileOf(gone));
    // File deleted, entry changed since: the file comes back.
    fs::remove(FileOf(edited));
    SetSubject(edited, u"Edited again");
    // Entry deleted, file unchanged: the file goes.
    ASSERT_TRUE(db.DeleteEntry(removed));
    SyncReport report = Sync();
    EXPECT_EQ(report.entriesDeleted, 1);
    EXPECT_EQ(report.filesDeleted, 1);
    EXPECT_EQ(Subject(gone), u"(gone)");
    EXPECT_EQ(Subject(kept), u"Keep");
    EXPECT_TRUE(fs::exists(FileOf(edited)));
    EXPECT_NE(Slurp(FileOf(edited)).find("Edited again"), std::string::npos);
    EXPECT_FALSE(fs::exists(removedFile));

    // Entry deleted but its file changed meanwhile: it comes back as an entry.
    const fs::path keptFile = FileOf(kept);
    ASSERT_TRUE(db.DeleteEntry(kept));
    ReplaceIn(keptFile, "SUMMARY:Keep", "SUMMARY:Keep, changed elsewhere");
    report = Sync();
    EXPECT_EQ(report.entriesAdded, 1);
    EXPECT_EQ(db.GetRowCount(), 2u);
}

TEST_F(FolderSyncTest, ChangedOnBothSidesKeepsBoth)
{
    const CEOID oid = Add({ .subject = u"Plan" });
    Sync();
    ReplaceIn(FileOf(oid), "SUMMARY:Plan", "SUMMARY:Plan from the server");
    SetSubject(oid, u"Plan from here");
    SyncReport report = Sync();
    EXPECT_EQ(report.conflicts, 1);
    ASSERT_EQ(db.GetRowCount(), 2u);
    std::vector<std::u16string> subjects;
    for (DWORD row = 0; row < 2; ++row)
        subjects.push_back(Subject(db.GetRowOid(row)));
    std::sort(subjects.begin(), subjects.end());
    EXPECT_EQ(subjects, (std::vector<std::u16string> { u"Plan from here", u"Plan from the server (conflict)" }));
    EXPECT_EQ(Files().size(), 2u);
    EXPECT_NE(Slurp(FileOf(oid)).find("SUMMARY:Plan from here"), std::string::npos);
    // Settled: the next sync changes nothing.
    report = Sync();
    EXPECT_EQ(report.conflicts + report.filesWritten + report.entriesAdded + report.entriesChanged, 0);
}

TEST_F(FolderSyncTest, BadFilesAreSkippedByNameAndNamesStayInTheFolder)
{
    Add({ .subject = u"Fine" });
    fs::create_directories(folder);
    Spill(folder / "broken.ics", "BEGIN:VCALENDAR\r\nBEGIN:VJOURNAL\r\nSUMMARY:no uid\r\nEND:VJOURNAL\r\nEND:VCALENDAR\r\n");
    Spill(folder / "binary.ics", std::string("\xff\xfe\x00garbage", 10));
    Spill(folder / "two.ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VJOURNAL\r\nUID:a\r\nEND:VJOURNAL\r\n"
        "BEGIN:VJOURNAL\r\nUID:b\r\nEND:VJOURNAL\r\nEND:VCALENDAR\r\n");
    // A UID that would climb out of the folder as a path.
    Spill(folder / "climb.ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VJOURNAL\r\nUID:../../escape/x\r\n"
        "SUMMARY:climber\r\nEND:VJOURNAL\r\nEND:VCALENDAR\r\n");
    const SyncReport report = Sync();
    EXPECT_EQ(report.problems.size(), 3u);
    for (const char* name : { "broken.ics", "binary.ics", "two.ics" }) {
        bool named = false;
        for (const std::string& problem : report.problems)
            named = named || problem.rfind(name, 0) == 0;
        EXPECT_TRUE(named) << name;
    }
    EXPECT_EQ(db.GetRowCount(), 2u); // "Fine" and the climber
    EXPECT_EQ(JournalSync::SafeFileName("../../escape/x"), "%2E.%2F..%2Fescape%2Fx.ics");
    EXPECT_EQ(JournalSync::SafeFileName(std::string(500, 'a')).size(), 120u + 17u + 4u);
    EXPECT_FALSE(fs::exists(home.path() / "escape"));
    EXPECT_FALSE(fs::exists(home.path().parent_path() / "escape"));
}

TEST_F(FolderSyncTest, ContactsTravelWithTheirCardsUid)
{
    PimIdMap ids;
    std::vector<DWORD> assigned;
    ASSERT_TRUE(ids.Assign(PimIdMap::kContact, { u"card-dana" }, assigned));
    ZJITEMS set = MakeEntry({ .subject = u"Met Dana" });
    PackedListWriter contacts;
    contacts.AddContact(assigned[0], u"Dana Ortiz", u"");
    contacts.AddContact(0, u"Someone unknown", u"");
    contacts.StoreIn(*set.GetItem(PROPID_CONTACTS));
    const CEOID oid = db.Write(0, &set);
    ASSERT_NE(oid, 0u);
    Sync();
    const std::string text = Slurp(FileOf(oid));
    EXPECT_NE(text.find("CONTACT;X-KESTRIN-UID=card-dana:Dana Ortiz"), std::string::npos) << text;
    EXPECT_NE(text.find("CONTACT:Someone unknown"), std::string::npos) << text;

    // A file from elsewhere naming the card links the entry to it.
    Spill(folder / "other.ics",
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:x\r\nBEGIN:VJOURNAL\r\nUID:other-1\r\nSUMMARY:Lunch\r\n"
        "CONTACT;X-KESTRIN-UID=card-dana:Dana O.\r\nEND:VJOURNAL\r\nEND:VCALENDAR\r\n");
    Sync();
    ZJITEMS lunch;
    ASSERT_EQ(db.GetRowCount(), 2u);
    for (DWORD row = 0; row < 2; ++row) {
        ASSERT_EQ(db.Read(db.GetRowOid(row), &lunch, FALSE), db.GetRowOid(row));
        if (Text(lunch.GetItem(PROPID_SUBJECT)->GetStrValue()) == u"Lunch")
            break;
    }
    std::vector<DbAItem> linked;
    ASSERT_TRUE(UnpackContacts(*lunch.GetItem(PROPID_CONTACTS)->GetBlob(), linked));
    ASSERT_EQ(linked.size(), 1u);
    EXPECT_EQ(linked[0].GetOid(), assigned[0]);
}

// A sync cut short after writing files but before the store committed
// leaves files that hold just what the journal holds: the next sync adopts
// them rather than importing them again or calling them conflicts.
TEST_F(FolderSyncTest, FilesOfASyncCutShortAreAdopted)
{
    const CEOID edited = Add({ .subject = u"Before" });
    Sync();
    SetSubject(edited, u"After");
    const CEOID added = Add({ .subject = u"New" });
    std::string error;
    ASSERT_TRUE(JournalSync(db).ExportFile(home.file("uids.ics"), error)) << error; // stores UIDs as a sync does first
    for (CEOID oid : { edited, added }) {
        ZJITEMS set;
        ASSERT_EQ(db.Read(oid, &set, FALSE), oid);
        VjournalEntry entry;
        EntryFromSet(set, entry);
        entry.uid = JournalSync(db).UidOf(oid);
        Spill(FileOf(oid), WriteVcalendar({ &entry }, 1700000000));
    }
    const SyncReport report = Sync();
    EXPECT_EQ(report.conflicts, 0);
    EXPECT_EQ(report.entriesAdded, 0);
    EXPECT_EQ(report.filesWritten, 0);
    EXPECT_EQ(db.GetRowCount(), 2u);
    EXPECT_EQ(Files().size(), 2u);
    EXPECT_EQ(Sync().filesWritten, 0);
}
