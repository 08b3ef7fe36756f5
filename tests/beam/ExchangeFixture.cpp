#include "ExchangeFixture.h"

#include "BeamSettings.h"
#include "ProgramText.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include <cstring>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

BeamStore::BeamStore()
    : ZApp(kProfileKey)
{
}

ExchangeTest::ExchangeTest()
{
    EXPECT_EQ(journal.Open(nullptr), 1);
    port = FreeLoopbackPort();
    store.WriteInt(kOptionsSection, BeamSettings::kScope, BeamSettings::kThisComputer);
    store.WriteInt(kOptionsSection, BeamSettings::kPort, port);
    IrdaConfigure(IrdaScope::ThisComputer, port);
}

ExchangeTest::~ExchangeTest()
{
    delete answering_.data();
    IrExchangeDialog::SetStallLimit(30000);
    journal.Close();
    PumpAll();
}

std::unique_ptr<IrExchangeDialog> ExchangeTest::Receiver()
{
    auto dialog = std::make_unique<IrExchangeDialog>(journal, selection, store, IrExchangeDialog::kReceive);
    EXPECT_NE(dialog->Open(nullptr), nullptr);
    return dialog;
}

std::unique_ptr<IrExchangeDialog> ExchangeTest::Sender()
{
    auto dialog = std::make_unique<IrExchangeDialog>(journal, selection, store, IrExchangeDialog::kSend);
    EXPECT_NE(dialog->Open(nullptr), nullptr);
    return dialog;
}

std::unique_ptr<IrExchangeDialog> ExchangeTest::ListeningReceiver()
{
    auto dialog = Receiver();
    EXPECT_TRUE(PumpUntil([&] { return dialog->StatusText().startsWith(QStringLiteral("Looking for sending")); }));
    return dialog;
}

void ExchangeTest::AnswerQuestion(bool accept, std::shared_ptr<QString> text)
{
    delete answering_.data();
    auto* timer = new QTimer(qApp);
    answering_ = timer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, accept, text] {
        QWidget* question = QApplication::activeModalWidget();
        if (!question || question->objectName() != QStringLiteral("beamAccept"))
            return;
        if (text)
            *text = question->findChild<QLabel*>(QStringLiteral("beamAcceptText"))->text();
        question->findChild<QAbstractButton*>(accept ? QStringLiteral("beamAcceptYes") : QStringLiteral("beamAcceptNo"))
            ->click();
        timer->deleteLater();
        timer->stop();
    });
    timer->start();
}

std::vector<CEOID> ExchangeTest::Listed(const WCHAR* name, DWORD kind)
{
    ZOidsProp list;
    if (!journal.GetRelX().GetOidList(name, list, kind))
        return {};
    return std::vector<CEOID>(list.begin(), list.end());
}

std::vector<std::u16string> ExchangeTest::Sounds() const
{
    std::vector<std::u16string> sounds;
    for (const UiCall& call : hooks.Calls(UiCall::Kind::Sound))
        sounds.push_back(call.text);
    return sounds;
}

bool RawSender::Connect()
{
    if (socket_.Create(AF_IRDA_CE, SOCK_STREAM, 0) == INVALID_SOCKET)
        return false;
    DEVICELIST_CE devices {};
    socklen_t length = sizeof devices;
    if (socket_.GetOption(SOL_IRLMP_CE, IRLMP_ENUMDEVICES_CE, &devices, &length) != 0 || devices.numDevice == 0)
        return false;
    SOCKADDR_IRDA_CE address {};
    address.irdaAddressFamily = AF_IRDA_CE;
    std::memcpy(address.irdaDeviceID, devices.Device[0].irdaDeviceID, 4);
    std::strcpy(address.irdaServiceName, IrExchangeDialog::kServiceName);
    return socket_.Connect(reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool RawSender::Send(const std::vector<BYTE>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const int sent = socket_.Send(bytes.data() + done, static_cast<int>(std::min<std::size_t>(bytes.size() - done, 65536)), 0);
        if (sent <= 0)
            return false;
        done += static_cast<std::size_t>(sent);
    }
    return true;
}

void RawSender::Close()
{
    socket_.Close();
}
