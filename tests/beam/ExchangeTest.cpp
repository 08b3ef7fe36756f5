// The exchange dialog over loopback: a whole send and receive, the receiving
// user's answer, broken, hostile, stalled and oversized messages, no receiver,
// and Cancel at every wait.

#include "BeamSettings.h"
#include "ExchangeFixture.h"
#include "ProgramText.h"

#include <QAbstractButton>
#include <QElapsedTimer>

#include <algorithm>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool Contains(const std::vector<std::u16string>& sounds, const std::u16string& sound)
{
    return std::find(sounds.begin(), sounds.end(), sound) != sounds.end();
}

std::vector<BYTE> Header(WORD version, WORD count)
{
    ByteWriter header;
    header.U16(version).U16(count);
    return header.bytes;
}

// The OIDs of the journal's entries other than `known`.
std::vector<CEOID> NewEntries(DbKestrin& journal, const std::vector<CEOID>& known)
{
    std::vector<CEOID> found;
    for (DWORD row = 0; row < journal.GetRowCount(); ++row) {
        const CEOID oid = journal.GetRowOid(row);
        if (std::find(known.begin(), known.end(), oid) == known.end())
            found.push_back(oid);
    }
    return found;
}

TEST_F(ExchangeTest, TwoSelectedEntriesArriveAsTwoNewEntriesWithTheSameValues)
{
    const CEOID first = Add({ .subject = u"Lunch with the bank", .date = At(2025, 5, 2, 12, 15), .type = 5,
        .company = u"First Bank", .categories = { u"Business" }, .contacts = { u"Ann Lee", u"Bo Ng" },
        .attachment = u"/home/me/offer.pdf", .duration = 54000000000ULL, .sensitivity = 1, .priority = 2,
        .note = std::vector<BYTE>(20000, 0x5A) });
    const CEOID second = Add({ .subject = u"Call back", .type = 7 });
    selection.Add(first);
    selection.Add(second);

    auto receiver = ListeningReceiver();
    auto question = std::make_shared<QString>();
    AnswerQuestion(true, question);
    auto sender = Sender();
    ASSERT_TRUE(PumpUntil([&] {
        return receiver->Result() != IrExchangeDialog::Outcome::Working
            && sender->Result() != IrExchangeDialog::Outcome::Working;
    }, 10000)) << receiver->StatusText().toStdString() << " / " << sender->StatusText().toStdString();

    EXPECT_EQ(sender->Result(), IrExchangeDialog::Outcome::Sent);
    EXPECT_TRUE(sender->StatusText().startsWith(QStringLiteral("Sent successful...")));
    EXPECT_EQ(receiver->Result(), IrExchangeDialog::Outcome::Stored);
    EXPECT_EQ(receiver->StatusText(), QStringLiteral("Receive Successful...\n2 entries stored."));
    EXPECT_EQ(receiver->Stored(), 2u);
    EXPECT_TRUE(question->contains(QStringLiteral("is sending 2 entries"))) << question->toStdString();

    const std::vector<CEOID> arrived = NewEntries(journal, { first, second });
    ASSERT_EQ(arrived.size(), 2u);
    for (CEOID original : { first, second }) {
        ZJITEMS sent;
        ASSERT_EQ(journal.Read(original, &sent, FALSE), original);
        const std::u16string subject = Text(sent.GetItem(PROPID_SUBJECT)->GetStrValue());
        const auto match = std::find_if(arrived.begin(), arrived.end(), [&](CEOID oid) {
            ZJITEMS got;
            journal.Read(oid, &got, FALSE);
            return Text(got.GetItem(PROPID_SUBJECT)->GetStrValue()) == subject;
        });
        ASSERT_NE(match, arrived.end());
        ZJITEMS got;
        ASSERT_EQ(journal.Read(*match, &got, FALSE), *match);
        // Lists carry receiver ids; everything else, the note included, is
        // byte for byte the sender's.
        ExpectSameFields(got, sent, false);
    }
    EXPECT_EQ(Listed(u"Ann Lee").size(), 2u);
    EXPECT_EQ(Listed(u"Business", KIND_CATEGORY).size(), 2u);

    const std::vector<std::u16string> sounds = Sounds();
    for (const char16_t* sound : { u"infbeg.wav", u"ksir_send.wav", u"ksir_recv.wav", u"infend.wav" })
        EXPECT_TRUE(Contains(sounds, sound)) << QString::fromUtf16(sound).toStdString();
    EXPECT_FALSE(Contains(sounds, u"infintr.wav"));
}

TEST_F(ExchangeTest, ACancelledQuestionStoresNothing)
{
    selection.Add(Add({ .subject = u"Private" }));
    const DWORD before = Count();
    auto receiver = ListeningReceiver();
    AnswerQuestion(false);
    auto sender = Sender();
    ASSERT_TRUE(PumpUntil([&] { return receiver->Result() != IrExchangeDialog::Outcome::Working; }, 10000));
    EXPECT_EQ(receiver->Result(), IrExchangeDialog::Outcome::Refused);
    EXPECT_TRUE(receiver->StatusText().startsWith(QStringLiteral("Receive Cancelled...")));
    EXPECT_EQ(Count(), before);
    EXPECT_EQ(receiver->Stored(), 0u);
}

TEST_F(ExchangeTest, BrokenMessagesAreReportedAsFailuresAndStoreOnlyWholeEntries)
{
    const CEOID oid = Add({ .subject = u"Whole", .note = { 1, 2, 3 } });
    ZJITEMS set;
    ASSERT_EQ(journal.Read(oid, &set, FALSE), oid);
    ByteWriter hostile;
    hostile.U16(1).U16(3);
    EncodeInto(hostile, set);
    hostile.U32(PROPID_SUBJECT).U32(0x7FFFFFFF).Raw("cut");

    struct Case {
        const char* name;
        std::vector<BYTE> bytes;
        QString status;
        DWORD stored;
    };
    const Case cases[] = {
        { "closed before any byte", {}, QStringLiteral("Receive Failed..."), 0 },
        { "version 2", Header(2, 1), QStringLiteral("Receive Failed...\nUnknown message version 2"), 0 },
        { "hostile length after one whole entry", hostile.bytes,
            QStringLiteral("Receive Failed...\n1 of 3 entries arrived whole and were stored."), 1 },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        hooks.Clear();
        const DWORD before = Count();
        auto receiver = ListeningReceiver();
        auto question = std::make_shared<QString>();
        AnswerQuestion(true, question);
        RawSender sender;
        ASSERT_TRUE(sender.Connect());
        ASSERT_TRUE(sender.Send(test.bytes));
        sender.Close();
        ASSERT_TRUE(PumpUntil([&] { return receiver->Result() != IrExchangeDialog::Outcome::Working; }, 5000));
        EXPECT_EQ(receiver->Result(), IrExchangeDialog::Outcome::Failed);
        EXPECT_TRUE(receiver->StatusText().startsWith(test.status)) << receiver->StatusText().toStdString();
        EXPECT_EQ(Count(), before + test.stored);
        EXPECT_TRUE(Contains(Sounds(), u"infintr.wav"));
        EXPECT_FALSE(Contains(Sounds(), u"infend.wav"));
        if (test.stored != 0)
            EXPECT_TRUE(question->contains(QStringLiteral("1 of the 3"))) << question->toStdString();
        receiver->Stop();
    }
}

TEST_F(ExchangeTest, StalledAndOversizedTransfersEndWithoutStoring)
{
    IrExchangeDialog::SetStallLimit(300);
    const DWORD before = Count();
    {
        auto receiver = ListeningReceiver();
        RawSender sender;
        ASSERT_TRUE(sender.Connect());
        ASSERT_TRUE(sender.Send(Header(1, 5)));
        QElapsedTimer waited;
        waited.start();
        ASSERT_TRUE(PumpUntil([&] { return receiver->Result() != IrExchangeDialog::Outcome::Working; }, 5000));
        EXPECT_GE(waited.elapsed(), 250);
        EXPECT_TRUE(receiver->StatusText().startsWith(QStringLiteral("Receive Error 11")))
            << receiver->StatusText().toStdString();
        EXPECT_EQ(Count(), before);
    }
    IrExchangeDialog::SetStallLimit(30000);
    {
        auto receiver = ListeningReceiver();
        RawSender sender;
        ASSERT_TRUE(sender.Connect());
        std::vector<BYTE> huge(kBeamMessageCap + 2 * IrExchangeDialog::kChunk, 0);
        huge[0] = 1;
        std::thread pushing([&] { sender.Send(huge); });
        ASSERT_TRUE(PumpUntil([&] { return receiver->StatusText().contains(QStringLiteral("larger than 64 MiB")); }, 20000))
            << receiver->StatusText().toStdString();
        // Ending the dialog closes the connection, which ends the push.
        receiver->Stop();
        pushing.join();
        EXPECT_EQ(Count(), before);
    }
}

TEST_F(ExchangeTest, WithoutAReceiverTheSenderAsksSixTimesAndGivesUp)
{
    // Something on the discovery port that counts the asks and never answers.
    const int udp = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(udp, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    selection.Add(Add({ .subject = u"Nobody there" }));
    QElapsedTimer waited;
    waited.start();
    auto sender = Sender();
    ASSERT_TRUE(PumpUntil([&] { return sender->Result() != IrExchangeDialog::Outcome::Working; }, 12000));
    EXPECT_EQ(sender->StatusText(), QStringLiteral("Server not found..."));
    EXPECT_GE(waited.elapsed(), 5 * IrExchangeDialog::kDiscoveryPauseMs);
    EXPECT_TRUE(Contains(Sounds(), u"infintr.wav"));

    int asks = 0;
    char datagram[64];
    pollfd wait { udp, POLLIN, 0 };
    while (::poll(&wait, 1, 0) > 0 && ::recv(udp, datagram, sizeof datagram, 0) > 0)
        ++asks;
    ::close(udp);
    EXPECT_EQ(asks, IrExchangeDialog::kDiscoveryTries);
}

TEST_F(ExchangeTest, CancelEndsTheDialogWithinASecondAtEveryWait)
{
    const DWORD before = Count();
    const auto cancelAndTime = [](IrExchangeDialog& dialog) {
        QElapsedTimer timer;
        timer.start();
        dialog.Dialog()->findChild<QAbstractButton*>(QStringLiteral("irCancel"))->click();
        const qint64 took = timer.elapsed();
        // Nothing of the exchange runs on once its dialog has ended.
        EXPECT_EQ(IrExchangeDialog::LiveWorkers(), 0);
        return took;
    };
    {
        auto receiver = ListeningReceiver();
        EXPECT_LT(cancelAndTime(*receiver), 1000);
        EXPECT_EQ(receiver->Result(), IrExchangeDialog::Outcome::Working);
        EXPECT_FALSE(receiver->Dialog()->isVisible());
    }
    {
        auto receiver = ListeningReceiver();
        RawSender sender;
        ASSERT_TRUE(sender.Connect());
        ASSERT_TRUE(sender.Send(Header(1, 2)));
        ASSERT_TRUE(PumpUntil([&] { return receiver->StatusText() == QStringLiteral("Receiving Data..."); }));
        EXPECT_LT(cancelAndTime(*receiver), 1000);
        PumpAll();
        EXPECT_EQ(receiver->Result(), IrExchangeDialog::Outcome::Working);
    }
    {
        selection.Add(Add({ .subject = u"Looking" }));
        auto sender = Sender();
        ASSERT_TRUE(PumpUntil([&] { return sender->StatusText().startsWith(QStringLiteral("Looking for receiving")); }));
        EXPECT_LT(cancelAndTime(*sender), 1000);
    }
    EXPECT_EQ(Count(), before + 1);
}

TEST_F(ExchangeTest, SendingNeedsASelectionAndTheLocalNetworkNeedsConsent)
{
    IrExchangeDialog nothing(journal, selection, store, IrExchangeDialog::kSend);
    EXPECT_EQ(nothing.Open(nullptr), nullptr);

    // A user's first beam asks before the local network is used; the default
    // answer (No) keeps it on this computer, and the question is not repeated.
    store.DeleteValue(kOptionsSection, BeamSettings::kScope);
    EXPECT_EQ(ApplyBeamScope(store, nullptr), IrdaScope::ThisComputer);
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 1u);
    EXPECT_EQ(ApplyBeamScope(store, nullptr), IrdaScope::ThisComputer);
    EXPECT_EQ(hooks.Count(UiCall::Kind::MessageBox), 1u);
    EXPECT_EQ(IrdaCurrentScope(), IrdaScope::ThisComputer);
    EXPECT_EQ(IrdaDiscoveryPort(), port);
}

} // namespace
