// A stored contact found again in the address book: by id only with its
// name, else by file-as name and company; added when missing; and the names
// split as the address book wants them.
#include "ContactsFixture.h"

#include "ContactLink.h"
#include "PackedLists.h"
#include "ReferenceFields.h"

using ContactLinkTest = ContactsTest;

TEST(ContactNameTest, SplitsAtTheCommaOrTheFirstSpace)
{
    auto split = [](std::u16string_view name) {
        const ContactName parts = SplitContactName(name);
        return parts.first + u"|" + parts.last;
    };
    EXPECT_EQ(split(u"Smith, John"), u"John|Smith");
    EXPECT_EQ(split(u"Smith,   John Q"), u"John Q|Smith");
    EXPECT_EQ(split(u"John Smith"), u"John|Smith");
    EXPECT_EQ(split(u"John   van Dyke"), u"John|van Dyke");
    EXPECT_EQ(split(u"Smith"), u"Smith|Smith");
    // A space at the very start does not split the name.
    EXPECT_EQ(split(u" Smith"), u" Smith| Smith");
    EXPECT_EQ(split(u"Smith,"), u"|Smith");
}

TEST_F(ContactLinkTest, AnIdCountsOnlyWithItsName)
{
    WriteCard("ann", "Lee, Ann", "Acme");
    WriteCard("bob", "Stone, Bob", "Acme");
    ASSERT_TRUE(store.Logon());
    const DWORD ann = IdOf(u"ann");
    const DWORD bob = IdOf(u"bob");

    DbAItem same(ann, u"lee, ann", u"ACME");
    bool relinked = false;
    EXPECT_EQ(FindStoredContact(store, same, &relinked), store.ContactFromOid(ann));
    EXPECT_FALSE(relinked);

    // Beamed from another device: its id for Ann is this book's Bob.
    DbAItem beamed(bob, u"Lee, Ann", u"Acme");
    const PimContact* found = FindStoredContact(store, beamed, &relinked);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->uid, u"ann");
    EXPECT_EQ(beamed.GetOid(), ann);
    EXPECT_TRUE(relinked);

    // Same name, other company: not this contact; nobody is.
    DbAItem other(0, u"Lee, Ann", u"Other Co");
    EXPECT_EQ(FindStoredContact(store, other), nullptr);
    EXPECT_EQ(other.GetOid(), 0u);
}

TEST_F(ContactLinkTest, ReCreatedContactLendsItsNewIdAndNamesAreValues)
{
    WriteCard("old", "Smith, John", "");
    const std::string quoted = "O'Hara \"Red\" = [FileAs]";
    WriteCard("quote", quoted, "Rock, \"Paper\"");
    ASSERT_TRUE(store.Logon());
    const DWORD old = IdOf(u"old");

    // Deleted and made again by the user: a new UID, a new id.
    std::filesystem::remove(folders.contacts / "old.vcf");
    WriteCard("new", "Smith, John", "");
    ASSERT_TRUE(store.Logon());
    DbAItem stored(old, u"Smith, John", u"");
    const PimContact* found = FindStoredContact(store, stored);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(stored.GetOid(), IdOf(u"new"));
    EXPECT_NE(stored.GetOid(), old);

    DbAItem odd(0, u"o'hara \"red\" = [fileas]", u"Rock, \"Paper\"");
    ASSERT_NE(FindStoredContact(store, odd), nullptr);
    EXPECT_EQ(odd.GetOid(), IdOf(u"quote"));

    // Showing a contact looks it up without trailing spaces.
    DbAItem padded(0, u"Smith, John   ", u"");
    EXPECT_EQ(FindStoredContact(store, padded), nullptr);
    EXPECT_NE(FindStoredContact(store, padded, nullptr, true), nullptr);
}

TEST_F(ContactLinkTest, MissingContactIsAddedSplitAndFoundAgain)
{
    ASSERT_TRUE(store.Logon());
    DbAItem item(17, u"Smith, John", u"Acme");
    std::string error;
    const PimContact* added = AddStoredContact(store, item, error);
    ASSERT_NE(added, nullptr) << error;
    EXPECT_EQ(added->family, u"Smith");
    EXPECT_EQ(added->given, u"John");
    EXPECT_EQ(added->company, u"Acme");
    EXPECT_EQ(item.GetOid(), added->oid);

    // Another run of the program finds it by its id.
    VdirPimStore later;
    later.SetFolders(folders);
    ASSERT_TRUE(later.Logon());
    DbAItem again(item.GetOid(), u"Smith, John", u"Acme");
    bool relinked = false;
    ASSERT_NE(FindStoredContact(later, again, &relinked), nullptr);
    EXPECT_FALSE(relinked);
}

TEST_F(ContactLinkTest, StoredFieldsJoinNamesAndClearWhenEmpty)
{
    DbJItem field;
    field.SetPropID(PROPID_CONTACTS);
    StoreContactsField(field, { DbAItem(1, u"Ben & Jerry", u"Co"), DbAItem(2, u"Lee, Ann", u"") });
    EXPECT_EQ(Text(field.GetStrValue()), u"Ben && Jerry; Lee, Ann");
    std::vector<DbAItem> back;
    ASSERT_TRUE(UnpackContacts(*field.GetBlob(), back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(Text(back[0].GetName()), u"Ben & Jerry");
    EXPECT_EQ(Text(back[0].GetSecondText()), u"Co");

    StoreContactsField(field, {});
    EXPECT_EQ(Text(field.GetStrValue()), u"");
    EXPECT_EQ(field.GetBlob()->dwCount, 0u);
}
