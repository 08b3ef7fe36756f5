// The entry tree: which groups a journal has for each grouping field, what
// an opened group lists and in which order, deleting and copying from the
// tree, the commands it sends, and a journal past the 16-bit record count.

#include "MainWinFixture.h"

#include "EntryTree.h"
#include "JournalGroups.h"
#include "MainList.h"
#include "ObjectStore.h"
#include "Settings.h"

#include <QKeyEvent>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>

namespace {

std::vector<std::u16string> Names(std::initializer_list<const char16_t*> names)
{
    return std::vector<std::u16string>(names.begin(), names.end());
}

class EntryTreeTest : public MainWinTest {
protected:
    EntryTreeTest()
    {
        owner.Create({}, {}, nullptr);
        tree.CreateTree(nullptr);
        tree.Show();
    }

    void GroupBy(DWORD field)
    {
        Settings(store).SetSortType(field);
        tree.Fill();
    }
    QStringList TopLevel()
    {
        QStringList names;
        for (int i = 0; i < tree.View()->topLevelItemCount(); ++i)
            names << tree.View()->topLevelItem(i)->text(0);
        return names;
    }
    QTreeWidgetItem* Group(const QString& name)
    {
        for (int i = 0; i < tree.View()->topLevelItemCount(); ++i)
            if (tree.View()->topLevelItem(i)->text(0) == name)
                return tree.View()->topLevelItem(i);
        return nullptr;
    }
    std::vector<CEOID> Children(QTreeWidgetItem* group)
    {
        std::vector<CEOID> oids;
        for (int i = 0; i < group->childCount(); ++i)
            oids.push_back(EntryTree::EntryOid(group->child(i)));
        return oids;
    }
    // Writes an entry straight into the store with a type, priority and
    // sensitivity no table has (as an old backup or another program may).
    CEOID AddOutOfRange(const char16_t* subject)
    {
        ZJITEMS set = MakeEntry({ .subject = subject, .date = At(2007, 1, 1) });
        set.GetItem(PROPID_TYPE)->SetShort(42);
        set.GetItem(PROPID_PRIORITY)->SetShort(-7);
        set.GetItem(PROPID_SENSITIVITY)->SetShort(9);
        const CEOID oid = journal.Write(0, &set);
        journal.InvalidateRows();
        return oid;
    }

    CommandSink owner;
    EntryTree tree { journal, selection, store, &owner };
};

TEST_F(EntryTreeTest, GroupsExistOnlyForValuesThatShownEntriesHave)
{
    const CEOID acme = Add({ .subject = u"Visit", .date = At(2006, 3, 1), .type = 5, .company = u"Acme",
        .categories = { u"Business" }, .contacts = { u"Ann" } });
    const CEOID bare = Add({ .subject = u"Thought", .date = At(2006, 3, 2), .type = 6 });
    const CEOID acmeLower = Add({ .subject = u"Call", .date = At(2006, 3, 3), .type = 7, .company = u"acme",
        .categories = { u"business", u"Personal" } });
    const CEOID odd = AddOutOfRange(u"Beamed");

    // A company: "None" for the entries without one comes first; case does
    // not make a second group.
    GroupBy(PROPID_COMPANY);
    EXPECT_EQ(TopLevel(), (QStringList { "None", "Acme" }));
    EXPECT_EQ(JournalGroupMembers(journal, PROPID_COMPANY, u"ACME"), (std::vector<CEOID> { acmeLower, acme }));

    // Types: no entry is a fax, so there is no "Fax" group; a type past the
    // table's end is grouped under "None" and listed there.
    GroupBy(PROPID_TYPE);
    EXPECT_EQ(TopLevel(), (QStringList { "None", "Meeting", "Note", "Phone call" }));
    EXPECT_EQ(JournalGroupMembers(journal, PROPID_TYPE, u"None"), std::vector<CEOID> { odd });
    for (DWORD field : { PROPID_PRIORITY, PROPID_SENSITIVITY }) {
        const std::vector<std::u16string> names = JournalGroupNames(journal, field);
        ASSERT_FALSE(names.empty());
        EXPECT_EQ(names.front(), u"None") << field;
        EXPECT_EQ(JournalGroupMembers(journal, field, u"None"), std::vector<CEOID> { odd }) << field;
    }

    // Categories and contacts: one group per name, an entry in each of its
    // groups, "None" for the entries without any.
    EXPECT_EQ(JournalGroupNames(journal, PROPID_CATEGORIES), Names({ u"None", u"Business", u"Personal" }));
    EXPECT_EQ(JournalGroupMembers(journal, PROPID_CATEGORIES, u"Business"),
        (std::vector<CEOID> { acmeLower, acme }));
    EXPECT_EQ(JournalGroupMembers(journal, PROPID_CATEGORIES, u"None"), (std::vector<CEOID> { odd, bare }));
    EXPECT_EQ(JournalGroupNames(journal, PROPID_CONTACTS), Names({ u"None", u"Ann" }));

    // The filter decides which entries count.
    ZFilter& filter = journal.GetFilter();
    filter.AddCategory(DbCItem(0, u"Personal"));
    filter.SetByCatsOnly(TRUE);
    filter.SetActive(TRUE);
    EXPECT_EQ(JournalGroupNames(journal, PROPID_COMPANY), Names({ u"acme" }));
    EXPECT_FALSE(IsInJournalGroup(journal, PROPID_COMPANY, u"Acme", acme));
    EXPECT_TRUE(IsInJournalGroup(journal, PROPID_COMPANY, u"Acme", acmeLower));

    // A field that does not group makes no groups.
    EXPECT_TRUE(JournalGroupNames(journal, PROPID_SUBJECT).empty());
    GroupBy(PROPID_DURATION);
    EXPECT_EQ(tree.View()->topLevelItemCount(), 0);
}

TEST_F(EntryTreeTest, EntriesSortByDateWithUnreadableOnesLastEitherWay)
{
    const CEOID march = Add({ .subject = u"March", .date = At(2006, 3, 1) });
    const CEOID may = Add({ .subject = u"May", .date = At(2006, 5, 1) });
    const CEOID mayToo = Add({ .subject = u"May too", .date = At(2006, 5, 1) });
    const CEOID gone = Add({ .subject = u"Gone", .date = At(2006, 4, 1) });
    ASSERT_TRUE(journal.DeleteEntry(gone));
    const CEOID never = 0x7FFFFFF0;

    std::vector<CEOID> oids { never, may, gone, march, mayToo };
    SortEntriesByDate(journal, oids, false);
    EXPECT_EQ(oids, (std::vector<CEOID> { march, may, mayToo, never, gone }));
    oids = { gone, march, never, mayToo, may };
    SortEntriesByDate(journal, oids, true);
    EXPECT_EQ(oids, (std::vector<CEOID> { mayToo, may, march, gone, never }));

    // The comparison is a strict weak order, so a large mixed list sorts
    // without fault (the sanitizers and the library's checks watch) and
    // every unreadable entry ends up behind the readable ones.
    std::vector<CEOID> many;
    for (int i = 0; i < 2000; ++i)
        many.push_back(i % 3 == 0 ? never - i : (i % 2 ? march : may));
    SortEntriesByDate(journal, many, true);
    const auto firstUnreadable = std::find_if(many.begin(), many.end(),
        [&](CEOID oid) { return oid != march && oid != may; });
    EXPECT_TRUE(std::all_of(firstUnreadable, many.end(), [&](CEOID oid) { return oid != march && oid != may; }));
    EXPECT_TRUE(std::is_sorted(many.begin(), firstUnreadable, [&](CEOID a, CEOID b) { return a == may && b == march; }));
}

TEST_F(EntryTreeTest, OpeningAGroupReadsItsEntriesAgainEachTime)
{
    Settings(store).SetDateFormat(40167); // "d MMM yy"
    ASSERT_EQ(Settings(store).DateFormatPattern().ToQString(), QStringLiteral("d MMM yy"));
    const CEOID first = Add({ .subject = u"First", .date = At(2001, 3, 5), .type = 6 });
    const CEOID second = Add({ .subject = u"Second", .date = At(2001, 4, 5), .type = 6 });
    GroupBy(PROPID_TYPE);
    QTreeWidgetItem* notes = Group("Note");
    ASSERT_NE(notes, nullptr);
    EXPECT_TRUE(EntryTree::IsGroup(notes));
    EXPECT_TRUE(notes->font(0).bold());
    EXPECT_EQ(notes->childCount(), 0);

    // The date format "d MMM yy" gives 8 characters, padded to 10.
    notes->setExpanded(true);
    EXPECT_EQ(Children(notes), (std::vector<CEOID> { second, first })); // newest first, as the journal
    EXPECT_EQ(notes->child(1)->text(0), QStringLiteral("5 Mar 01   First"));
    EXPECT_FALSE(notes->child(1)->icon(0).isNull());

    // Closing empties the group; an entry added meanwhile is there when it
    // opens again.
    notes->setExpanded(false);
    EXPECT_EQ(notes->childCount(), 0);
    const CEOID third = Add({ .subject = u"Third", .date = At(2001, 5, 5), .type = 6 });
    notes->setExpanded(true);
    EXPECT_EQ(Children(notes), (std::vector<CEOID> { third, second, first }));

    // An edited entry's line follows the edit.
    ZJITEMS set;
    ASSERT_EQ(journal.Read(first, &set, FALSE), first);
    set.GetItem(PROPID_SUBJECT)->SetStrValue(u"Renamed");
    ASSERT_EQ(journal.Write(first, &set), first);
    tree.UpdateEntryItem(notes->child(2));
    EXPECT_EQ(notes->child(2)->text(0), QStringLiteral("5 Mar 01   Renamed"));
}

TEST_F(EntryTreeTest, SelectionCommandsAndKeysFollowTheList)
{
    const CEOID meeting = Add({ .subject = u"Meeting", .date = At(2006, 1, 1), .type = 5 });
    GroupBy(PROPID_TYPE);
    ASSERT_TRUE(tree.SelectEntry(meeting));
    EXPECT_EQ(selection.Focused(), meeting);
    EXPECT_EQ(selection.Count(), 1);
    PumpAll();
    EXPECT_EQ(owner.With(MainList::kCmdPreview).size(), 1u);

    QTreeWidgetItem* item = tree.FindEntry(meeting);
    const QRect line = tree.View()->visualItemRect(item);
    // A double click is a press and release followed by a second press.
    QTest::mouseClick(tree.View()->viewport(), Qt::LeftButton, {}, line.center());
    QTest::mouseDClick(tree.View()->viewport(), Qt::LeftButton, {}, line.center());
    PumpAll();
    ASSERT_EQ(owner.With(MainList::kCmdEdit).size(), 1u);
    EXPECT_EQ(owner.With(MainList::kCmdEdit)[0].code, MainList::kDoubleClickCode);

    // Enter on an entry opens it for viewing; on a group it closes the group.
    owner.commands.clear();
    QTest::keyClick(tree.View(), Qt::Key_Return);
    PumpAll();
    ASSERT_EQ(owner.With(MainList::kCmdPreview).size(), 1u);
    EXPECT_NE(owner.With(MainList::kCmdPreview)[0].lParam, 0);
    tree.View()->setCurrentItem(item->parent());
    EXPECT_EQ(selection.Focused(), 0u);
    QTest::keyClick(tree.View(), Qt::Key_Return);
    EXPECT_FALSE(Group("Meeting")->isExpanded());
    EXPECT_EQ(Group("Meeting")->childCount(), 0);
}

TEST_F(EntryTreeTest, DeletingAndCopyingRefillTheTree)
{
    Settings(store).SetConfirmDeletes(false);
    const CEOID call = Add({ .subject = u"Call", .date = At(2006, 1, 1), .type = 7 });
    const CEOID one = Add({ .subject = u"One", .date = At(2006, 1, 2), .type = 5 });
    const CEOID two = Add({ .subject = u"Two", .date = At(2006, 1, 3), .type = 5 });
    GroupBy(PROPID_TYPE);

    // A copy appears in its group at once.
    ASSERT_TRUE(tree.SelectEntry(one));
    tree.CopySelected();
    EXPECT_EQ(Group("Meeting")->childCount(), 3);
    EXPECT_EQ(EntryTree::EntryOid(tree.View()->currentItem()), one);
    EXPECT_EQ(JournalCount(), 4);

    // Deleting selects the entry that was next to it.
    ASSERT_TRUE(tree.SelectEntry(two));
    EXPECT_TRUE(tree.DeleteSelected());
    EXPECT_EQ(JournalCount(), 3);
    EXPECT_NE(EntryTree::EntryOid(tree.View()->currentItem()), 0u);
    EXPECT_NE(EntryTree::EntryOid(tree.View()->currentItem()), two);

    // Deleting a group's only entry leaves the tree without that group and
    // nothing selected.
    ASSERT_TRUE(tree.SelectEntry(call));
    EXPECT_TRUE(tree.DeleteSelected());
    EXPECT_EQ(TopLevel(), QStringList { "Meeting" });
    EXPECT_EQ(selection.Focused(), 0u);
    EXPECT_EQ(selection.Count(), 0);
    EXPECT_EQ(EntryTree::EntryOid(tree.View()->currentItem()), 0u);
}

TEST_F(EntryTreeTest, AJournalPastSixtyFiveThousandEntriesShowsItsGroups)
{
    AddBare(70000);
    ASSERT_EQ(JournalCount(), 70000);
    GroupBy(PROPID_TYPE);
    EXPECT_EQ(tree.View()->topLevelItemCount(), TYPE_COUNT);
    QTreeWidgetItem* conversations = Group("Conversation");
    ASSERT_NE(conversations, nullptr);
    conversations->setExpanded(true);
    EXPECT_EQ(conversations->childCount(), (70000 + TYPE_COUNT - 1) / TYPE_COUNT);
}

} // namespace
