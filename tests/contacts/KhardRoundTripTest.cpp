// The address book shared with another address-book program working on the
// same folder (khard, from the Debian package scripts/install-deps.sh
// installs): what Kestrin adds it lists, what it adds Kestrin picks.
#include "ContactsFixture.h"

#include "ContactLink.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

class KhardRoundTripTest : public ContactsTest {
protected:
    void SetUp() override
    {
        ContactsTest::SetUp();
        khard = QStandardPaths::findExecutable("khard");
        if (khard.isEmpty())
            GTEST_SKIP() << "khard is not installed (scripts/install-deps.sh installs it)";
        config = home.path() / "khard.conf";
        std::ofstream(config) << "[addressbooks]\n[[kestrin]]\npath = " << folders.contacts.string()
                              << "\n\n[general]\ndefault_action = list\neditor = /bin/false\n"
                                 "merge_editor = /bin/false\n\n[contact table]\ndisplay = formatted_name\n"
                                 "show_uids = yes\nsort = last_name\n\n[vcard]\npreferred_version = 3.0\n"
                                 "skip_unparsable = no\n";
    }

    // Runs khard with the test's configuration; its standard output.
    QString Khard(const QStringList& arguments, const QByteArray& input = {})
    {
        QProcess process;
        process.setProgram(khard);
        process.setArguments(QStringList { "-c", QString::fromStdString(config.string()) } + arguments);
        process.start();
        EXPECT_TRUE(process.waitForStarted());
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    QString khard;
    std::filesystem::path config;
};

} // namespace

TEST_F(KhardRoundTripTest, ContactsAddedOnEitherSideShowOnTheOther)
{
    ASSERT_TRUE(store.Logon());
    DbAItem added(0, u"Smith, John", u"Acme & Sons");
    std::string error;
    ASSERT_NE(AddStoredContact(store, added, error), nullptr) << error;
    const QString listed = Khard({ "list", "--parsable" });
    EXPECT_TRUE(listed.contains("\tJohn Smith\tkestrin")) << listed.toStdString();
    const QString details = Khard({ "show", "--format", "yaml", "John Smith" });
    EXPECT_TRUE(details.contains("Acme & Sons")) << details.toStdString();

    Khard({ "new", "-a", "kestrin" }, "First name : Grace\nLast name : Hopwood\nOrganisation : Tide Works\n");
    ASSERT_TRUE(store.Logon());
    const int position = store.FindContact(u"hopwood, grace");
    ASSERT_NE(position, 0);
    EXPECT_EQ(store.ContactAt(position)->company, u"Tide Works");
    DbAItem picked(0, u"Hopwood, Grace", u"Tide Works");
    ASSERT_NE(FindStoredContact(store, picked), nullptr);
    EXPECT_EQ(picked.GetOid(), store.ContactAt(position)->oid);
    EXPECT_TRUE(store.TakeProblems().empty());
}
