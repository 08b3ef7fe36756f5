// The integrity check: the relation index and the category counters are
// rebuilt from every entry, stray records go, the filter is left alone.

#include "BackupFixture.h"

#include "DbCats.h"
#include "JournalTools.h"
#include "MemoryProgress.h"
#include "ObjectStore.h"
#include "ZBackup.h"

#include <algorithm>
#include <array>

namespace {

class FixedChooser : public BackupFileChooser {
public:
    explicit FixedChooser(std::string path)
        : m_path(std::move(path))
    {
    }
    bool ChooseBackupFile(HWND, bool forBackup, ZString& path) override
    {
        ++asked;
        lastForBackup = forBackup;
        path = ZString::FromUtf8(m_path);
        return true;
    }
    int asked = 0;
    bool lastForBackup = false;

private:
    std::string m_path;
};

std::vector<CEOID> Sorted(std::vector<CEOID> oids)
{
    std::sort(oids.begin(), oids.end());
    return oids;
}

} // namespace

class CleanupTest : public BackupTest {
protected:
    void AddJournal()
    {
        a = Add({ .subject = u"a",
            .date = At(2001, 1, 1),
            .categories = { u"Work", u"Home" },
            .contacts = { u"Ann" } });
        b = Add({ .subject = u"b",
            .date = At(2002, 1, 1),
            .categories = { u"Work" },
            .contacts = { u"Ann", u"Bo" } });
        c = Add({ .subject = u"c", .date = At(2003, 1, 1) });
    }

    void SetCounter(const WCHAR* category, SHORT value)
    {
        DbCats cats;
        ASSERT_TRUE(cats.Open(nullptr));
        CEPROPVAL counter {};
        counter.propid = PROPID_CATCOUNT_JOURNAL;
        counter.val.iVal = value;
        ASSERT_NE(cats.WriteProps(cats.FindCategory(category), 1, &counter), 0u);
        cats.Close();
    }

    int Counter(const std::u16string& name)
    {
        for (const CategoryInfo& info : ListCategories())
            if (info.name == name)
                return info.journalCount;
        return -1;
    }

    // Damages everything the check rebuilds.
    void Corrupt()
    {
        DbRelX& relx = db.GetRelX();
        relx.DeleteRecord(relx.Find(u"Work", KIND_CATEGORY));
        relx.DeleteRecord(relx.Find(u"Ann", KIND_CONTACT));
        std::array<CEPROPVAL, 4> ghost {};
        ghost[0].propid = PROPID_RELNAME;
        ghost[0].val.lpwstr = const_cast<LPWSTR>(u"Ghost");
        ghost[1].propid = PROPID_RELCOUNT;
        ghost[1].val.iVal = 3;
        BYTE oids[4] = { 9, 9, 9, 0 };
        ghost[2].propid = PROPID_RELOIDS;
        ghost[2].val.blob = CEBLOB { 4, oids };
        ghost[3].propid = PROPID_RELKIND;
        ghost[3].val.ulVal = KIND_CONTACT;
        ASSERT_NE(relx.WriteProps(0, 4, ghost.data()), 0u);
        SetCounter(u"Work", 99);
        SetCounter(u"Home", 0);
        std::array<CEPROPVAL, 2> stray {};
        stray[0].propid = PROPID_SUBJECT;
        stray[0].val.lpwstr = const_cast<LPWSTR>(u"stray");
        stray[1].propid = PROPID_RECORDTYPE;
        stray[1].val.ulVal = 0x1234;
        strayOid = db.WriteProps(0, 2, stray.data());
        ASSERT_NE(strayOid, 0u);
    }

    void ExpectRebuilt()
    {
        EXPECT_EQ(Sorted(Listed(u"Work", KIND_CATEGORY)), Sorted({ a, b }));
        EXPECT_EQ(Listed(u"Home", KIND_CATEGORY), std::vector<CEOID>({ a }));
        EXPECT_EQ(Listed(u"None", KIND_CATEGORY), std::vector<CEOID>({ c }));
        EXPECT_EQ(Sorted(Listed(u"Ann", KIND_CONTACT)), Sorted({ a, b }));
        EXPECT_EQ(Listed(u"Bo", KIND_CONTACT), std::vector<CEOID>({ b }));
        EXPECT_EQ(Listed(u"None", KIND_CONTACT), std::vector<CEOID>({ c }));
        EXPECT_EQ(db.GetRelX().Find(u"Ghost", KIND_CONTACT), 0u);
        EXPECT_EQ(Counter(u"Work"), 2);
        EXPECT_EQ(Counter(u"Home"), 1);
        EXPECT_NE(db.SeekOid(strayOid), strayOid);
        EXPECT_EQ(Sorted(Entries()), Sorted({ a, b, c }));
        EXPECT_FALSE(std::filesystem::exists(home.file("kssave-bkup.ksk")));
    }

    CEOID a = 0, b = 0, c = 0, strayOid = 0;
};

TEST_F(CleanupTest, RebuildsFromEveryEntryWithOrWithoutAFilter)
{
    AddJournal();
    for (bool filtered : { false, true }) {
        SCOPED_TRACE(filtered ? "filter active" : "no filter");
        Corrupt();
        ZFilter& filter = db.GetFilter();
        if (filtered) {
            // Shows only "c": the check must still see "a" and "b".
            filter.SetByRange(TRUE);
            filter.SetStart(ZTime(At(2003, 1, 1, 0)));
            filter.SetEnd(ZTime(At(2003, 12, 31, 0)));
            filter.SetActive(TRUE);
        }
        MemoryProgress progress;
        MemoryStatic status;
        ZString error;
        EXPECT_EQ(db.Cleanup(TRUE, &progress, &status, &error), 0);
        EXPECT_TRUE(error.IsEmpty()) << error.ToUtf8();
        EXPECT_EQ(status.Shown(),
            (std::vector<std::u16string> { u"Saving System State...", u"Checking Records...",
                u"Removing Old References...", u"Refreshing Data...", u"Successfully Complete!" }));
        EXPECT_FALSE(progress.Positions().empty());
        EXPECT_EQ(filter.IsActive() != 0, filtered);
        ExpectRebuilt();
        filter.SetActive(FALSE);
    }
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);
    // Null progress and status run the same check.
    Corrupt();
    EXPECT_EQ(db.Cleanup(TRUE, nullptr, nullptr, nullptr), 0);
    ExpectRebuilt();
}

TEST_F(CleanupTest, AsksFirstAndOffersTheUserBackup)
{
    AddJournal();
    FixedChooser chooser(home.file("user.ksk").string());
    BackupFileChooser* previous = InstallBackupFileChooser(&chooser);

    hooks.QueueAnswer(IDNO);
    Corrupt();
    db.Cleanup(FALSE, nullptr, nullptr, nullptr);
    auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
        u"You are about to perform an integrity check on your data. It is strongly recommended "
        u"that you perform a backup first. Perform Backup?");
    EXPECT_EQ(boxes[0].caption, u"Kestrin");
    EXPECT_EQ(boxes[0].flags, static_cast<UINT>(MB_YESNO | MB_SETFOREGROUND));
    EXPECT_EQ(chooser.asked, 0);
    ExpectRebuilt();

    hooks.QueueAnswer(IDYES);
    Corrupt();
    db.Cleanup(FALSE, nullptr, nullptr, nullptr);
    EXPECT_EQ(chooser.asked, 1);
    EXPECT_TRUE(chooser.lastForBackup);
    std::string user = ReadFile(home.file("user.ksk"));
    ASSERT_GE(user.size(), 6u);
    EXPECT_EQ(user[4], 3) << "the user backup holds the three entries";
    ExpectRebuilt();
    InstallBackupFileChooser(previous);
}

TEST_F(CleanupTest, WithoutASafetyCopyNothingIsRemoved)
{
    AddJournal();
    // A folder where the safety copy belongs: the copy cannot be written.
    std::filesystem::create_directory(home.file("kssave-bkup.ksk"));
    std::filesystem::create_directory(home.file("kssave-bkup.ksk") / "inside");
    MemoryStatic status;
    ZString error;
    db.Cleanup(TRUE, nullptr, &status, &error);
    EXPECT_FALSE(error.IsEmpty());
    EXPECT_EQ(status.Text(), u"Integrity check stopped: nothing was changed.");
    EXPECT_EQ(Sorted(Listed(u"Work", KIND_CATEGORY)), Sorted({ a, b }));
    EXPECT_EQ(Counter(u"Work"), 2);
}

namespace {

// Cuts the safety copy short just before the check restores it, as a
// failing disk would.
class CuttingStatic : public MemoryStatic {
public:
    explicit CuttingStatic(std::filesystem::path copy)
        : m_copy(std::move(copy))
    {
    }
    void Update() override
    {
        MemoryStatic::Update();
        if (m_text == u"Refreshing Data...")
            std::filesystem::resize_file(m_copy, std::filesystem::file_size(m_copy) - 10);
    }

private:
    std::filesystem::path m_copy;
};

} // namespace

TEST_F(CleanupTest, ACheckThatCannotWriteTheEntriesBackLeavesTheJournalAsItWas)
{
    AddJournal();
    Corrupt();
    const std::vector<RelationRecord> relations = ListRelations(db);
    const std::vector<CEOID> entries = Sorted(Entries());
    auto expectAsItWas = [&](const ZString& error, const MemoryStatic& status) {
        EXPECT_FALSE(error.IsEmpty());
        EXPECT_EQ(status.Text(), u"Integrity check stopped: nothing was changed.");
        std::vector<RelationRecord> after = ListRelations(db);
        ASSERT_EQ(after.size(), relations.size()) << "a partly rebuilt relation index was committed";
        for (std::size_t i = 0; i < after.size(); ++i) {
            EXPECT_EQ(after[i].name, relations[i].name);
            EXPECT_EQ(after[i].oids, relations[i].oids);
        }
        EXPECT_NE(db.GetRelX().Find(u"Ghost", KIND_CONTACT), 0u);
        EXPECT_EQ(Counter(u"Work"), 99);
        EXPECT_EQ(db.SeekOid(strayOid), strayOid);
        EXPECT_TRUE(std::filesystem::exists(home.file("kssave-bkup.ksk"))) << "the safety copy is kept";
    };

    // The safety copy reads back short: only some entries could be written.
    {
        CuttingStatic status(home.file("kssave-bkup.ksk"));
        ZString error;
        db.Cleanup(TRUE, nullptr, &status, &error);
        expectAsItWas(error, status);
        EXPECT_EQ(Sorted(Entries()), entries);
    }

    // Entries of only a subject (as an older program wrote them): the check
    // writes all eleven fields back, which needs room the store is denied.
    {
        ObjectStoreTransaction batch;
        CEPROPVAL subject {};
        subject.propid = PROPID_SUBJECT;
        subject.val.lpwstr = const_cast<LPWSTR>(u"bare");
        for (int i = 0; i < 2000; ++i)
            ASSERT_NE(db.WriteProps(0, 1, &subject), 0u);
        ASSERT_TRUE(batch.Commit());
    }
    const DWORD withBare = db.GetRecordCount32();
    ASSERT_TRUE(ObjectStore::SetSizeLimit(1));
    MemoryStatic status;
    ZString error;
    db.Cleanup(TRUE, nullptr, &status, &error);
    ObjectStore::SetSizeLimit(0);
    expectAsItWas(error, status);
    EXPECT_EQ(db.GetRecordCount32(), withBare);
}
