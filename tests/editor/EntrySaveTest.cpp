// Saving an entry from the editor keeps the relation index exact and is all
// or nothing: other entries' "None" groups survive, a failed write changes
// nothing and keeps the editor open, and a process dying between the record
// and its references leaves the journal as it was.

#include "EditorFixture.h"

#include "DataFaultPoints.h"
#include "EntrySave.h"
#include "JournalProps.h"
#include "ObjectStore.h"
#include "ZOidsProp.h"

#include <QComboBox>
#include <QTextEdit>

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::vector<CEOID> Listed(DbKestrin& journal, LPCWSTR name, DWORD kind)
{
    ZOidsProp list;
    journal.GetRelX().GetOidList(name, list, kind);
    std::vector<CEOID> oids(list.begin(), list.end());
    std::sort(oids.begin(), oids.end());
    return oids;
}

std::vector<CEOID> Sorted(std::vector<CEOID> oids)
{
    std::sort(oids.begin(), oids.end());
    return oids;
}

void DieHere(DataFault)
{
    raise(SIGKILL);
}

} // namespace

TEST_F(EditorTest, SavingKeepsOtherEntriesInTheirNoneGroups)
{
    const CEOID plainA = Add({ .subject = u"a", .date = At(2020, 1, 1) });
    const CEOID plainB = Add({ .subject = u"b", .date = At(2020, 1, 2) });
    const CEOID tagged
        = Add({ .subject = u"c", .date = At(2020, 1, 3), .categories = { u"Work" }, .contacts = { u"Ann" } });

    // An entry with a category and a contact, and a plain one, edited and
    // saved; then a new entry.
    for (CEOID oid : { tagged, plainA, CEOID(0) }) {
        OpenEditor(oid);
        OpenCombo(PROPID_SUBJECT)->setEditText(QStringLiteral("edited"));
        PressOk();
        ASSERT_EQ(editor->Result(), 1);
    }
    const CEOID added = selection.Focused();
    EXPECT_EQ(Listed(journal, NONE_NAME, KIND_CATEGORY), Sorted({ plainA, plainB, added }));
    EXPECT_EQ(Listed(journal, NONE_NAME, KIND_CONTACT), Sorted({ plainA, plainB, added }));
    EXPECT_EQ(Listed(journal, u"Work", KIND_CATEGORY), std::vector<CEOID> { tagged });
    EXPECT_EQ(Listed(journal, u"Ann", KIND_CONTACT), std::vector<CEOID> { tagged });

    // The integrity check finds nothing to change.
    ZString error;
    journal.Cleanup(TRUE, nullptr, nullptr, &error);
    EXPECT_TRUE(error.IsEmpty());
    EXPECT_EQ(Listed(journal, NONE_NAME, KIND_CATEGORY), Sorted({ plainA, plainB, added }));
    EXPECT_EQ(Listed(journal, u"Work", KIND_CATEGORY), std::vector<CEOID> { tagged });
}

TEST_F(EditorTest, AFailedSaveChangesNothingAndKeepsTheEditorOpen)
{
    const CEOID oid = Add({ .subject = u"before", .date = At(2020, 1, 1), .categories = { u"Work" } });
    OpenEditor(oid);
    OpenCombo(PROPID_SUBJECT)->setEditText(QStringLiteral("after"));
    ShowPage(EntryEditor::kNotePage);
    // A note larger than the room left in the store.
    editor->Note().Edit()->setPlainText(QString(QString(79, u'n') + u'\n').repeated(1200));
    ASSERT_TRUE(ObjectStore::SetSizeLimit(1));
    PressOk();
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(LastMessage().substr(0, 30), u"The entry could not be saved; ");
    EXPECT_EQ(Text(Read(oid).GetItem(PROPID_SUBJECT)->GetStrValue()), u"before");
    EXPECT_EQ(Listed(journal, u"Work", KIND_CATEGORY), std::vector<CEOID> { oid });
    EXPECT_TRUE(Listed(journal, NONE_NAME, KIND_CATEGORY).empty());

    // With room again the same edits save.
    ASSERT_TRUE(ObjectStore::SetSizeLimit(0));
    PressOk();
    EXPECT_EQ(editor->Result(), 1);
    EXPECT_EQ(Text(Read(oid).GetItem(PROPID_SUBJECT)->GetStrValue()), u"after");
    EXPECT_EQ(Listed(journal, u"Work", KIND_CATEGORY), std::vector<CEOID> { oid });
}

TEST_F(EditorTest, DeathBetweenRecordAndReferencesLeavesTheEntryAsItWas)
{
    const CEOID oid = Add({ .subject = u"before", .date = At(2020, 1, 1), .categories = { u"Work" } });
    journal.Close();
    ObjectStore::Close(); // the child must not share the parent's connection
    const pid_t child = fork();
    if (child == 0) {
        SetDataFaultHandler(DieHere);
        DbKestrin db;
        db.Open(nullptr);
        ZJITEMS set;
        db.Read(oid, &set, FALSE);
        set.GetItem(PROPID_SUBJECT)->SetStrValue(u"after");
        PackedListWriter none;
        none.StoreIn(*set.GetItem(PROPID_CATEGORIES));
        SaveEntry(db, oid, set);
        _exit(0); // the fault point was never reached
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    ASSERT_EQ(journal.Open(nullptr), 1);
    EXPECT_EQ(Text(Read(oid).GetItem(PROPID_SUBJECT)->GetStrValue()), u"before");
    EXPECT_EQ(Listed(journal, u"Work", KIND_CATEGORY), std::vector<CEOID> { oid });
    EXPECT_TRUE(Listed(journal, NONE_NAME, KIND_CATEGORY).empty());
    DWORD flags = 0;
    journal.GetFlags(oid, &flags);
    EXPECT_EQ(flags, 0u);
}

TEST_F(EditorTest, SavingMovesTheEntryBetweenNamesItLeavesAndJoins)
{
    const CEOID other = Add({ .subject = u"other", .date = At(2020, 1, 1) });
    const CEOID oid = Add({ .subject = u"moving", .date = At(2020, 1, 2) });
    auto save = [&](std::vector<std::u16string> categories, std::vector<std::u16string> contacts) {
        ZJITEMS set = Read(oid);
        PackedListWriter packedCategories;
        for (const auto& name : categories)
            packedCategories.AddCategory(0, name.c_str());
        packedCategories.StoreIn(*set.GetItem(PROPID_CATEGORIES));
        PackedListWriter packedContacts;
        for (const auto& name : contacts)
            packedContacts.AddContact(700, name.c_str(), u"");
        packedContacts.StoreIn(*set.GetItem(PROPID_CONTACTS));
        ASSERT_EQ(SaveEntry(journal, oid, set), oid);
    };
    save({ u"Work", u"Home" }, { u"Ann" });
    EXPECT_EQ(Listed(journal, NONE_NAME, KIND_CATEGORY), std::vector<CEOID> { other });
    EXPECT_EQ(Listed(journal, NONE_NAME, KIND_CONTACT), std::vector<CEOID> { other });
    EXPECT_EQ(Listed(journal, u"Work", KIND_CATEGORY), std::vector<CEOID> { oid });
    EXPECT_EQ(Listed(journal, u"Ann", KIND_CONTACT), std::vector<CEOID> { oid });
    // A name kept in another letter case stays; one dropped leaves.
    save({ u"WORK" }, { u"Ann" });
    EXPECT_EQ(Listed(journal, u"Work", KIND_CATEGORY), std::vector<CEOID> { oid });
    EXPECT_EQ(journal.GetRelX().Find(u"Home", KIND_CATEGORY), 0u);
    save({}, {});
    EXPECT_EQ(Listed(journal, NONE_NAME, KIND_CATEGORY), Sorted({ other, oid }));
    EXPECT_EQ(Listed(journal, NONE_NAME, KIND_CONTACT), Sorted({ other, oid }));
    EXPECT_EQ(journal.GetRelX().Find(u"Ann", KIND_CONTACT), 0u);

    // What the integrity check would build is what the saves left.
    ZString error;
    journal.Cleanup(TRUE, nullptr, nullptr, &error);
    EXPECT_EQ(Listed(journal, NONE_NAME, KIND_CATEGORY), Sorted({ other, oid }));
    EXPECT_EQ(journal.GetRelX().Find(u"Work", KIND_CATEGORY), 0u);
}
