// The relation index: one record per contact and per category name, with
// the entries that use it.

#include "DbCats.h"
#include "JournalFixture.h"
#include "LocalHeap.h"

#include <algorithm>
#include <iterator>

using RelationIndex = JournalTest;

TEST_F(RelationIndex, EntriesWithoutReferencesCountUnderNoneTwice)
{
    CEOID entry = Add({ .subject = u"Alone", .date = At(2004, 5, 1) });
    ASSERT_NE(entry, 0u);
    EXPECT_EQ(Listed(u"None", KIND_CONTACT), std::vector<CEOID> { entry });
    EXPECT_EQ(Listed(u"none", KIND_CATEGORY), std::vector<CEOID> { entry });

    // The first such entry creates the hidden "None" category, counted once.
    DbCats cats;
    ASSERT_TRUE(cats.Open(nullptr));
    CEOID none = cats.FindCategory(u"None");
    ASSERT_NE(none, 0u);
    EXPECT_TRUE(cats.IsCategoryHidden(none));
    EXPECT_TRUE(cats.IsCategoryInUse(none));
    cats.Close();

    EXPECT_TRUE(db.DeleteEntry(entry));
    EXPECT_TRUE(Listed(u"None", KIND_CONTACT).empty());
    EXPECT_EQ(db.GetRelX().Find(u"None", KIND_CATEGORY), 0u);
    // The "None" counter comes down again although the item carries no OID.
    ASSERT_TRUE(cats.Open(nullptr));
    EXPECT_FALSE(cats.IsCategoryInUse(none));
    cats.Close();
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);
}

TEST_F(RelationIndex, SameNameAsContactAndCategoryGivesTwoRecords)
{
    CEOID entry = Add({ .subject = u"Both", .categories = { u"Smith" }, .contacts = { u"Smith" } });
    CEOID contact = db.GetRelX().Find(u"SMITH", KIND_CONTACT);
    CEOID category = db.GetRelX().Find(u"smith", KIND_CATEGORY);
    ASSERT_NE(contact, 0u);
    ASSERT_NE(category, 0u);
    EXPECT_NE(contact, category);
    EXPECT_EQ(db.GetRelX().GetType(contact), KIND_CONTACT);
    EXPECT_EQ(db.GetRelX().GetType(category), KIND_CATEGORY);
    EXPECT_EQ(db.GetRelX().GetType(0), 0xFFFFFFFFu);
    EXPECT_EQ(db.GetRelX().Find(nullptr, KIND_CONTACT), 0u);

    ZString name;
    ZOidsProp list;
    EXPECT_TRUE(db.GetRelX().GetText(contact, name, list, KIND_CONTACT));
    EXPECT_EQ(Text(name), u"Smith");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], entry);
    // Asked for the other kind, both outputs come back empty.
    EXPECT_FALSE(db.GetRelX().GetText(contact, name, list, KIND_CATEGORY));
    EXPECT_TRUE(name.IsEmpty());
    EXPECT_EQ(list.Count(), 0);

    EXPECT_EQ(db.GetRecCount(KIND_CONTACT), 1u);
    EXPECT_EQ(db.GetRecCount(KIND_CATEGORY), 1u);
}

TEST_F(RelationIndex, ListsFollowEveryWriteAndDelete)
{
    CEOID a = Add({ .subject = u"A", .categories = { u"Work", u"Home" }, .contacts = { u"Ann" } });
    CEOID b = Add({ .subject = u"B", .categories = { u"work" }, .contacts = { u"Ann", u"Bob" } });
    EXPECT_EQ(Listed(u"Work", KIND_CATEGORY), (std::vector<CEOID> { a, b }));
    EXPECT_EQ(Listed(u"Ann", KIND_CONTACT), (std::vector<CEOID> { a, b }));
    EXPECT_EQ(Listed(u"Bob", KIND_CONTACT), std::vector<CEOID> { b });

    // Saving the same entry again with the same contact keeps one listing.
    ZJITEMS again;
    ASSERT_EQ(db.Read(a, &again, FALSE), a);
    ASSERT_EQ(db.Write(a, &again), a);
    EXPECT_EQ(Listed(u"Ann", KIND_CONTACT), (std::vector<CEOID> { a, b }));

    EXPECT_TRUE(db.DeleteEntry(b));
    EXPECT_EQ(Listed(u"Work", KIND_CATEGORY), std::vector<CEOID> { a });
    EXPECT_EQ(db.GetRelX().Find(u"Bob", KIND_CONTACT), 0u);
    EXPECT_EQ(db.GetRecCount(KIND_CONTACT), 1u);
    EXPECT_EQ(db.GetRecCount(KIND_CATEGORY), 2u);

    // Rewriting as the editor does: old references out, new ones in.
    ZJITEMS edited = MakeEntry({ .subject = u"A2", .categories = { u"Home" } });
    db.DeleteCatReferences(a);
    db.DeleteContactReferences(a);
    ASSERT_EQ(db.Write(a, &edited), a);
    EXPECT_EQ(db.GetRelX().Find(u"Work", KIND_CATEGORY), 0u);
    EXPECT_EQ(Listed(u"None", KIND_CONTACT), std::vector<CEOID> { a });
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 0u);
}

TEST_F(RelationIndex, CategoryUseMovesTheJournalCounterInTheSharedDatabase)
{
    CEOID a = Add({ .categories = { u"Garden" } });
    CEOID b = Add({ .categories = { u"Garden" } });
    DbCats cats;
    ASSERT_TRUE(cats.Open(nullptr));
    CEOID garden = cats.FindCategory(u"Garden");
    ASSERT_NE(garden, 0u);
    EXPECT_FALSE(cats.IsCategoryHidden(garden));
    cats.Close();

    DbCItem item(garden, u"Garden");
    EXPECT_TRUE(db.GetRelX().DecCategoryUse(a, &item));
    ASSERT_TRUE(cats.Open(nullptr));
    EXPECT_TRUE(cats.IsCategoryInUse(garden));
    cats.Close();
    EXPECT_TRUE(db.GetRelX().DecCategoryUse(b, &item));
    ASSERT_TRUE(cats.Open(nullptr));
    EXPECT_FALSE(cats.IsCategoryInUse(garden));
    cats.Close();
    EXPECT_EQ(db.GetRelX().Find(u"Garden", KIND_CATEGORY), 0u);
    EXPECT_FALSE(db.GetRelX().IncCategoryUse(a, nullptr));
    EXPECT_FALSE(db.GetRelX().DecContactUse(a, nullptr));
}

TEST_F(RelationIndex, ListsLongerThanSixteenBitsKeepTheirRecord)
{
    // A category used by more entries than a signed 16-bit count holds: the
    // record must survive removing one of them.
    ZOidsProp many;
    for (CEOID oid = 1; oid <= 40000; ++oid)
        many += oid;
    CEPROPVAL values[4];
    std::fill(std::begin(values), std::end(values), EmptyProp());
    values[0].propid = PROPID_RELNAME;
    values[0].val.lpwstr = const_cast<LPWSTR>(u"Busy");
    values[1].propid = PROPID_RELCOUNT;
    values[1].val.iVal = static_cast<SHORT>(40000);
    values[2].propid = PROPID_RELOIDS;
    many.GetBlob(&values[2].val.blob);
    values[3].propid = PROPID_RELKIND;
    values[3].val.ulVal = KIND_CATEGORY;
    CEOID record = db.GetRelX().WriteProps(0, 4, values);
    LocalFree(values[2].val.blob.lpb);
    ASSERT_NE(record, 0u);

    DbCItem item(0, u"Busy");
    EXPECT_TRUE(db.GetRelX().DecCategoryUse(17, &item));
    EXPECT_EQ(db.GetRelX().Find(u"Busy", KIND_CATEGORY), record);
    EXPECT_EQ(Listed(u"Busy", KIND_CATEGORY).size(), 39999u);
    DbAItem contact(0, u"Busy");
    EXPECT_TRUE(db.GetRelX().IncContactUse(5, &contact));
    EXPECT_TRUE(db.GetRelX().DecContactUse(5, &contact));
    EXPECT_EQ(db.GetRelX().Find(u"Busy", KIND_CONTACT), 0u);
}
