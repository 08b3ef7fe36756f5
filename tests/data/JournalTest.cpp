// The journal database: open, read, write, delete, sort, count, flags and
// the filter's questions.

#include "CeDatabase.h"
#include "JournalFixture.h"
#include "ObjectStore.h"

#include <algorithm>

TEST_F(JournalTest, FirstOpenCreatesBothDatabasesSortedNewestFirst)
{
    CEOID older = Add({ .subject = u"older", .date = At(2001, 1, 1) });
    CEOID newest = Add({ .subject = u"newest", .date = At(2003, 1, 1) });
    CEOID middle = Add({ .subject = u"middle", .date = At(2002, 1, 1) });
    EXPECT_EQ(db.SeekFirst(), newest);
    EXPECT_EQ(db.SeekNext(), middle);
    EXPECT_EQ(db.SeekNext(), older);
    SORTORDERSPEC orders[4] {};
    db.GetSortOrders(orders);
    EXPECT_EQ(orders[0].propid, PROPID_DATE);
    EXPECT_EQ(orders[0].dwFlags & CEDB_SORT_DESCENDING, static_cast<DWORD>(CEDB_SORT_DESCENDING));
    EXPECT_NE(db.GetRelX().GetOid(), 0u);
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);
}

TEST_F(JournalTest, SortOrderSurvivesARestartWithoutAnyBox)
{
    CEOID b = Add({ .subject = u"Bravo", .date = At(2001, 1, 1) });
    CEOID a = Add({ .subject = u"alpha", .date = At(2000, 1, 1) });
    SORTORDERSPEC bySubject { PROPID_SUBJECT, CEDB_SORT_CASEINSENSITIVE };
    EXPECT_EQ(db.SortByProp(&bySubject, 1), 0);
    EXPECT_EQ(db.SeekFirst(), a);
    ASSERT_TRUE(db.Close());

    DbKestrin reopened;
    ASSERT_EQ(reopened.Open(nullptr), 1);
    EXPECT_EQ(reopened.SeekFirst(), a);
    EXPECT_EQ(reopened.SeekNext(), b);
    EXPECT_EQ(reopened.GetRelX().Find(u"None", KIND_CONTACT) != 0, true);
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);
}

TEST_F(JournalTest, RefusedSortChangeShowsTheErrorAndKeepsTheOldOrder)
{
    CEOID b = Add({ .subject = u"B", .date = At(2001, 1, 1) });
    Add({ .subject = u"A", .date = At(2000, 1, 1) });
    DbKestrin other;
    ASSERT_EQ(other.Open(nullptr), 1);
    SORTORDERSPEC bySubject { PROPID_SUBJECT, 0 };
    EXPECT_EQ(db.SortByProp(&bySubject, 1), 0);
    auto boxes = hooks.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, u"Database Error");
    EXPECT_FALSE(boxes[0].text.empty());
    EXPECT_EQ(boxes[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
    EXPECT_EQ(db.SeekFirst(), b);
}

TEST_F(JournalTest, ReadFillsTheElevenFieldsAndMissingEntriesReadAsNothing)
{
    CEOID oid
        = Add({ .subject = u"Call", .date = At(2004, 2, 3), .type = 7, .company = u"Acme", .priority = 2 });
    ZJITEMS set;
    ASSERT_EQ(db.Read(oid, &set, FALSE), oid);
    EXPECT_EQ(set.Count(), 11);
    EXPECT_EQ(Text(set.GetItem(PROPID_SUBJECT)->GetStrValue()), u"Call");
    EXPECT_EQ(Text(set.GetItem(PROPID_COMPANY)->GetStrValue()), u"Acme");
    EXPECT_EQ(set.GetItem(PROPID_TYPE)->GetShort(), 7);
    EXPECT_EQ(set.GetItem(PROPID_PRIORITY)->GetShort(), 2);
    EXPECT_EQ(Text(set.GetItem(PROPID_ATTACHMENT)->GetStrValue()), u"");
    EXPECT_EQ(set.GetItem(PROPID_NOTE)->GetBlob()->dwCount, 0u);

    // An OID that does not exist reads as nothing, not as the record under the cursor.
    ZJITEMS missing;
    db.SeekFirst();
    EXPECT_EQ(db.Read(oid + 1000, &missing, FALSE), 0u);
    EXPECT_EQ(missing.Count(), 11);
    EXPECT_EQ(missing.GetItem(PROPID_SUBJECT)->GetStrValue(), nullptr);
    EXPECT_EQ(db.Read(0, &missing, FALSE), 0u);
    EXPECT_EQ(db.Read(oid, nullptr, FALSE), 0u);
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);
}

TEST_F(JournalTest, ReadWithTheFilterEmptiesTheSetOfAnEntryOutsideIt)
{
    CEOID in = Add({ .date = At(2004, 3, 10) });
    CEOID out = Add({ .date = At(2004, 4, 10) });
    db.GetFilter().SetActive(1);
    db.GetFilter().SetByRange(0);
    db.GetFilter().SetMonths(MonthBit(3));
    ZJITEMS set;
    EXPECT_EQ(db.Read(out, &set, TRUE), 0u);
    EXPECT_EQ(set.Count(), 0);
    EXPECT_EQ(db.Read(out, &set, FALSE), out);
    set.Empty();
    EXPECT_EQ(db.Read(in, &set, TRUE), in);
    EXPECT_TRUE(db.InFilter(&set));
}

TEST_F(JournalTest, CountsFollowTheFilterAndRowsListThePassingEntriesInOrder)
{
    std::vector<CEOID> march;
    for (WORD day = 1; day <= 20; ++day) {
        CEOID oid = Add({ .date = At(2005, day % 2 ? 3 : 4, day) });
        if (day % 2)
            march.push_back(oid);
    }
    EXPECT_EQ(db.GetRecCount(KIND_ENTRY), 20u);
    EXPECT_EQ(db.GetRowCount(), 20u);
    EXPECT_EQ(db.GetRowOid(0), db.SeekFirst());
    EXPECT_EQ(db.GetRowOid(20), 0u);

    db.GetFilter().SetActive(1);
    db.GetFilter().SetByRange(0);
    db.GetFilter().SetMonths(MonthBit(3));
    std::reverse(march.begin(), march.end()); // newest first
    EXPECT_EQ(db.GetRecCount(KIND_ENTRY), 10u);
    EXPECT_EQ(Rows(), march);
    EXPECT_EQ(db.GetRowIndex(march[3]), 3u);

    // Writes and deletes keep the rows in step without a rebuild.
    CEOID added = Add({ .date = At(2005, 3, 15) });
    CEOID hidden = Add({ .date = At(2005, 4, 15) });
    EXPECT_TRUE(db.DeleteEntry(march[0]));
    std::vector<CEOID> kept = Rows();
    db.InvalidateRows();
    EXPECT_EQ(Rows(), kept);
    EXPECT_EQ(kept.size(), 10u);
    EXPECT_NE(db.GetRowIndex(added), 0xFFFFFFFFu);
    EXPECT_EQ(db.GetRowIndex(hidden), 0xFFFFFFFFu);
    EXPECT_EQ(db.GetRowIndex(march[0]), 0xFFFFFFFFu);

    // A change of the filter is seen at once.
    db.GetFilter().SetMonths(MonthBit(4));
    EXPECT_EQ(db.GetRecCount(KIND_ENTRY), 11u);
    db.GetFilter().SetActive(0);
    EXPECT_EQ(db.GetRecCount(KIND_ENTRY), 21u);
}

TEST_F(JournalTest, RowsUnderACategoryFilterAreTheEntriesOfThoseCategories)
{
    // Newest first: the journal's order.
    CEOID work = Add({ .subject = u"work", .date = At(2005, 5, 5), .categories = { u"Work" } });
    CEOID none = Add({ .subject = u"none", .date = At(2005, 5, 4) });
    CEOID both = Add({ .subject = u"both", .date = At(2005, 5, 3), .categories = { u"Home", u"WORK" } });
    CEOID home = Add({ .subject = u"home", .date = At(2001, 1, 1), .categories = { u"Home" } });
    ZFilter& filter = db.GetFilter();
    filter.SetActive(1);
    filter.SetByCatsOnly(1);

    // A named category, matched ignoring case.
    filter.AddCategory(DbCItem(0, u"work"));
    EXPECT_EQ(Rows(), (std::vector<CEOID> { work, both }));
    EXPECT_EQ(db.GetRowIndex(both), 1u);
    EXPECT_EQ(db.GetRowIndex(home), 0xFFFFFFFFu);
    // "None" stands for the entries without categories.
    filter.RemoveCategory(u"work");
    filter.AddCategory(DbCItem(0, u"None"));
    EXPECT_EQ(Rows(), std::vector<CEOID> { none });
    filter.AddCategory(DbCItem(0, u"Home"));
    EXPECT_EQ(Rows(), (std::vector<CEOID> { none, both, home }));

    // Not by categories alone: a category widens the date range.
    filter.SetByCatsOnly(0);
    filter.SetByRange(1);
    filter.SetStart(ZTime(At(2005, 5, 5, 0)));
    filter.SetEnd(ZTime(At(2005, 5, 5, 23)));
    filter.RemoveCategory(u"None");
    EXPECT_EQ(Rows(), (std::vector<CEOID> { work, both, home }));

    // A write that moves an entry into or out of a category moves its row.
    db.DeleteCatReferences(home);
    ZJITEMS moved = MakeEntry({ .subject = u"home", .date = At(2001, 1, 1), .categories = { u"Garden" } });
    ASSERT_EQ(db.Write(home, &moved), home);
    EXPECT_EQ(Rows(), (std::vector<CEOID> { work, both }));
    std::vector<CEOID> kept = Rows();
    db.InvalidateRows();
    EXPECT_EQ(Rows(), kept);
}

TEST_F(JournalTest, ChangesThroughAnotherHandleReachTheRows)
{
    Add({ .date = At(2005, 3, 1) });
    db.GetFilter().SetActive(1);
    db.GetFilter().SetByRange(0);
    db.GetFilter().SetMonths(MonthBit(3));
    EXPECT_EQ(db.GetRowCount(), 1u);
    DbKestrin other;
    ASSERT_EQ(other.Open(nullptr), 1);
    ZJITEMS set = MakeEntry({ .date = At(2006, 3, 1) });
    CEOID written = other.Write(0, &set);
    ASSERT_NE(written, 0u);
    EXPECT_EQ(db.GetRowCount(), 2u);
    EXPECT_EQ(db.GetRowOid(0), written);
}

TEST_F(JournalTest, CountsDoNotWrapAtSixteenBits)
{
    // Bare records holding only a date, written in one batch: only the count
    // is under test.
    const DWORD total = 70000;
    {
        ObjectStoreTransaction batch;
        CEPROPVAL date = EmptyProp();
        date.propid = PROPID_DATE;
        date.val.filetime = Ft(At(2001, 1, 1));
        for (DWORD i = 0; i < total; ++i)
            ASSERT_NE(db.WriteProps(0, 1, &date), 0u);
        ASSERT_TRUE(batch.Commit());
    }
    EXPECT_EQ(db.GetRecCount(KIND_ENTRY), total);
    db.GetFilter().SetActive(1);
    db.GetFilter().SetByRange(0);
    db.GetFilter().SetMonths(MonthBit(1));
    EXPECT_EQ(db.GetRecCount(KIND_ENTRY), total);
    EXPECT_NE(db.GetRowOid(total - 1), 0u);
}

TEST_F(JournalTest, FlagsAndRecordTypes)
{
    CEOID oid = Add({ .subject = u"Flagged" });
    DWORD flags = 99;
    EXPECT_EQ(db.GetFlags(oid, &flags), oid);
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(db.SetFlags(oid, 3), oid);
    EXPECT_EQ(db.GetFlags(oid, &flags), oid);
    EXPECT_EQ(flags, 3u);
    EXPECT_EQ(db.SetFlags(oid + 1000, 3), 0u);
    EXPECT_EQ(db.GetFlags(oid + 1000, &flags), 0u);

    EXPECT_EQ(db.GetRecordType(0), KIND_ENTRY);
    EXPECT_EQ(db.GetRecordType(oid), KIND_ENTRY);
    CEPROPVAL kind = EmptyProp();
    kind.propid = PROPID_RECORDTYPE;
    kind.val.ulVal = KIND_CONTACT;
    ASSERT_EQ(db.WriteProps(oid, 1, &kind), oid);
    EXPECT_EQ(db.GetRecordType(oid), KIND_CONTACT);
    // The flags are not fields of the set.
    ZJITEMS set;
    EXPECT_EQ(db.Read(oid, &set, FALSE), oid);
    EXPECT_EQ(set.Count(), 11);
}

TEST_F(JournalTest, TheTreeQuestionsSeeOnlyEntriesPassingTheFilter)
{
    CEOID meeting = Add({ .date = At(2005, 3, 1),
        .type = 5,
        .company = u"Acme",
        .categories = { u"Work" },
        .contacts = { u"Ann" } });
    CEOID call = Add({ .date = At(2005, 4, 1), .type = 7, .company = u"Bolt" });
    EXPECT_TRUE(db.HasTypes(u"Meeting"));
    EXPECT_FALSE(db.HasTypes(u"meeting"));
    EXPECT_FALSE(db.HasTypes(u"Fax"));
    EXPECT_TRUE(db.HasCompany(u"ACME"));
    EXPECT_TRUE(db.HasPriority(u"Normal"));
    EXPECT_FALSE(db.HasPriority(u"High"));
    EXPECT_TRUE(db.HasCategory(0, u"work", nullptr));
    EXPECT_TRUE(db.HasCategory(0, u"None", nullptr));
    EXPECT_TRUE(db.HasContacts(0, u"ANN", nullptr));
    EXPECT_TRUE(db.IsCategoryPresent(call, u"None"));
    EXPECT_FALSE(db.IsCategoryPresent(meeting, u"None"));
    EXPECT_TRUE(db.IsContactPresent(meeting, u"ann"));
    EXPECT_TRUE(db.IsCompanyPresent(call, u"bolt"));

    db.GetFilter().SetActive(1);
    db.GetFilter().SetByRange(0);
    db.GetFilter().SetMonths(MonthBit(4));
    EXPECT_FALSE(db.HasTypes(u"Meeting"));
    EXPECT_TRUE(db.HasTypes(u"Phone call"));
    EXPECT_FALSE(db.HasCompany(u"Acme"));
    EXPECT_FALSE(db.HasCategory(0, u"Work", nullptr));
    EXPECT_FALSE(db.IsContactPresent(meeting, u"Ann"));

    // With a list, only the listed entries are asked.
    ZOidsProp list;
    list += call;
    EXPECT_TRUE(db.HasCategory(1, u"None", &list));
    EXPECT_FALSE(db.HasContacts(1, u"Ann", &list));
    EXPECT_FALSE(db.HasCategory(1, u"None", nullptr));

    // The walks put the cursor back where it was.
    db.SeekOid(call);
    db.HasCompany(u"Nobody");
    EXPECT_EQ(db.SeekCurrent(), call);
}

TEST_F(JournalTest, DeleteRemovesBothDatabases)
{
    Add({ .subject = u"gone" });
    EXPECT_TRUE(db.Delete());
    EXPECT_FALSE(db.Exists(u"Kestrin"));
    EXPECT_FALSE(db.Exists(u"DbRelX"));
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);
    // The next open starts afresh.
    EXPECT_EQ(db.Open(nullptr), 1);
    EXPECT_EQ(db.GetRecCount(KIND_ENTRY), 0u);
}
