// Two processes on two data folders: this one sends three selected entries,
// the peer (another journal) receives them with the real dialog, accepts,
// and lists what it stored.

#include "ExchangeFixture.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

TEST_F(ExchangeTest, ThreeEntriesReachAnotherJournalWithNotesCategoriesAndContacts)
{
    const std::vector<BYTE> note = { 'K', 'N', 'T', '1', 0, 1, 2, 250, 251 };
    const CEOID ids[] = {
        Add({ .subject = u"Site visit", .date = At(2025, 6, 1), .categories = { u"Work", u"Travel" },
            .contacts = { u"Ann Lee" }, .note = note }),
        Add({ .subject = u"Dentist", .date = At(2025, 6, 2), .categories = { u"Personal" } }),
        Add({ .subject = u"Caf\u00e9 notes", .date = At(2025, 6, 3), .contacts = { u"Bo Ng", u"Cy Park" } }),
    };
    for (CEOID oid : ids)
        selection.Add(oid);

    QTemporaryDir otherHome;
    ASSERT_TRUE(otherHome.isValid());
    QProcess peer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KESTRIN_HOME"), otherHome.path());
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    peer.setProcessEnvironment(environment);
    peer.start(QStringLiteral(BEAM_PEER), { QString::number(port) });
    ASSERT_TRUE(peer.waitForStarted(5000));
    QByteArray output;
    ASSERT_TRUE(PumpUntil([&] {
        peer.waitForReadyRead(10);
        output += peer.readAllStandardOutput();
        return output.contains("listening");
    }, 20000)) << output.toStdString() << peer.readAllStandardError().toStdString();

    auto sender = Sender();
    ASSERT_TRUE(PumpUntil([&] { return sender->Result() != IrExchangeDialog::Outcome::Working; }, 15000));
    EXPECT_EQ(sender->Result(), IrExchangeDialog::Outcome::Sent) << sender->StatusText().toStdString();
    ASSERT_TRUE(peer.waitForFinished(20000));
    output += peer.readAllStandardOutput();
    EXPECT_EQ(peer.exitCode(), 0) << output.toStdString() << peer.readAllStandardError().toStdString();

    const QString listing = QString::fromUtf8(output);
    EXPECT_TRUE(listing.contains(QStringLiteral("stored 3\n"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("status Receive Successful...")));
    const QString noteHex = QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(note.data()), 9).toHex());
    EXPECT_TRUE(listing.contains(QStringLiteral("Site visit\tWork;Travel\tAnn Lee\t") + noteHex)) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("Dentist\tPersonal\t\t")));
    EXPECT_TRUE(listing.contains(QString::fromUtf16(u"Caf\u00e9 notes\t\tBo Ng;Cy Park\t")));
    // The sender's journal is unchanged.
    EXPECT_EQ(Count(), 3u);
}

} // namespace
