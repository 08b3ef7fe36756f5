#include "IrExchangeDialog.h"

#include "BeamAcceptDialog.h"
#include "BeamSettings.h"
#include "DialogPlacement.h"
#include "LastError.h"
#include "ProgramFont.h"
#include "UiHooks.h"

#include <QFont>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/time.h>

namespace {

constexpr QSize kDesktopSize(280, 220);
std::atomic<int> g_stallLimitMs { 30000 };
std::atomic<int> g_liveWorkers { 0 };

// Counts a worker from its first instruction to its last.
struct LiveWorker {
    LiveWorker() { ++g_liveWorkers; }
    ~LiveWorker() { --g_liveWorkers; }
};

void Play(const char16_t* sound)
{
    PlaySoundW(sound, nullptr, SND_ASYNC | SND_FILENAME | SND_NODEFAULT | SND_NOSTOP);
}

SOCKADDR_IRDA_CE ServiceAddress(const std::uint8_t (&device)[4])
{
    SOCKADDR_IRDA_CE address {};
    address.irdaAddressFamily = AF_IRDA_CE;
    std::memcpy(address.irdaDeviceID, device, 4);
    std::strncpy(address.irdaServiceName, IrExchangeDialog::kServiceName, kIrdaServiceNameSize - 1);
    return address;
}

// "name (address)" of the peer of a connected socket.
QString PeerName(ZSocket& connection)
{
    sockaddr_in peer {};
    socklen_t length = sizeof peer;
    if (connection.GetPeerName(reinterpret_cast<sockaddr*>(&peer), &length) != 0)
        return QStringLiteral("Another device");
    char host[NI_MAXHOST] = {};
    char numeric[NI_MAXHOST] = {};
    getnameinfo(reinterpret_cast<sockaddr*>(&peer), length, numeric, sizeof numeric, nullptr, 0, NI_NUMERICHOST);
    if (getnameinfo(reinterpret_cast<sockaddr*>(&peer), length, host, sizeof host, nullptr, 0, NI_NAMEREQD) != 0)
        return QString::fromUtf8(numeric);
    return QStringLiteral("%1 (%2)").arg(QString::fromUtf8(host), QString::fromUtf8(numeric));
}

} // namespace

int IrExchangeDialog::LiveWorkers()
{
    return g_liveWorkers.load();
}

int IrExchangeDialog::StallLimit()
{
    return g_stallLimitMs.load();
}

void IrExchangeDialog::SetStallLimit(int ms)
{
    g_stallLimitMs = ms;
}

IrExchangeDialog::IrExchangeDialog(DbKestrin& journal, SelectionList& selection, ZRegistry& settings, int mode)
    : journal_(journal)
    , selection_(selection)
    , settings_(settings)
    , mode_(mode)
{
}

IrExchangeDialog::~IrExchangeDialog()
{
    Stop();
}

int IrExchangeDialog::Run(QWidget* owner)
{
    owner_ = owner;
    return DoModal(owner, QStringLiteral("Infrared Exchange"), QStringLiteral("irExchange"));
}

QWidget* IrExchangeDialog::Open(QWidget* owner)
{
    owner_ = owner;
    return CreateModeless(owner, QStringLiteral("Infrared Exchange"), QStringLiteral("irExchange"));
}

QString IrExchangeDialog::StatusText() const
{
    return statusText_;
}

void IrExchangeDialog::SetStatus(const QString& text)
{
    statusText_ = text;
    if (status_)
        status_->setText(text);
}

BOOL IrExchangeDialog::OnInitDialog()
{
    std::vector<CEOID> oids;
    if (mode_ == kSend) {
        for (CEOID oid = selection_.First(); oid != 0; oid = selection_.Next())
            oids.push_back(oid);
        if (oids.empty())
            return FALSE;
    }
    BuildItems();
    ApplyBeamScope(settings_, owner_);
    stopping_ = false;
    if (mode_ == kSend) {
        // The journal is read here, on the UI thread; the worker gets bytes.
        sentCount_ = BuildBeamMessage(journal_, oids, message_);
        sendThread_.Create(nullptr, 0, &IrExchangeDialog::SendRoutine, this, 0);
    } else {
        receiveThread_.Create(nullptr, 0, &IrExchangeDialog::ReceiveRoutine, this, 0);
    }
    return TRUE;
}

void IrExchangeDialog::BuildItems()
{
    QDialog* dialog = Dialog();
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(8, 8, 8, 8);
    auto* title = new QLabel(QStringLiteral("Kestrin\nInfrared Exchange"), dialog);
    title->setObjectName(QStringLiteral("irTitle"));
    title->setFont(ProgramFont(15));
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    status_ = new QLabel(dialog);
    status_->setObjectName(QStringLiteral("irStatus"));
    status_->setAlignment(Qt::AlignCenter);
    status_->setWordWrap(true);
    SetItem(kStatusId, status_);
    layout->addWidget(status_, 1);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel_->setObjectName(QStringLiteral("irCancel"));
    ConnectCommand(kCancelId, cancel_);
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);
    if (!CoverHandheldOwner(*dialog, owner_)) {
        dialog->resize(kDesktopSize);
        CenterInWorkArea();
    }
}

LRESULT IrExchangeDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        const WORD id = LOWORD(wParam);
        if (id == IDC_OK || id == IDC_CANCEL || id == kCancelId) {
            Stop();
            EndDialog(1);
            return 1;
        }
    }
    return ZDialog::WindowProc(message, wParam, lParam);
}

void IrExchangeDialog::Stop()
{
    stopping_ = true;
    {
        std::lock_guard lock(pauseMutex_);
        pauseWake_.notify_all();
    }
    // Shutting down wakes a worker blocked in accept, receive or send; the
    // descriptors stay open until the worker is gone.
    socket_.Shutdown(SD_BOTH);
    connection_.Shutdown(SD_BOTH);
    for (ZThread* thread : { &receiveThread_, &sendThread_ }) {
        thread->Join();
        thread->Close();
    }
    connection_.Close();
    socket_.Close();
}

bool IrExchangeDialog::Pause(int ms)
{
    std::unique_lock lock(pauseMutex_);
    return !pauseWake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return Stopping(); });
}

void IrExchangeDialog::PostStatus(const QString& text)
{
    // Once the dialog is ending nothing more is shown.
    QWidget* window = GetHandle();
    if (!window || Stopping())
        return;
    // Queued to the dialog's window: dropped if it is gone by then.
    QMetaObject::invokeMethod(window, [this, text] { SetStatus(text); }, Qt::QueuedConnection);
}

void IrExchangeDialog::PostOutcome(Outcome outcome)
{
    QWidget* window = GetHandle();
    if (window && !Stopping())
        QMetaObject::invokeMethod(window, [this, outcome] { outcome_ = outcome; }, Qt::QueuedConnection);
}

void IrExchangeDialog::SocketError(const char* format, const char* text)
{
    PostStatus(QString::asprintf(format, static_cast<int>(GetLastError()), text));
}

void IrExchangeDialog::SetStallTimeouts(ZSocket& socket)
{
    const int ms = StallLimit();
    timeval limit { ms / 1000, (ms % 1000) * 1000 };
    socket.SetOption(SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    socket.SetOption(SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

DWORD IrExchangeDialog::ReceiveRoutine(void* self)
{
    LiveWorker counted;
    static_cast<IrExchangeDialog*>(self)->ReceiveWorker();
    return 0;
}

DWORD IrExchangeDialog::SendRoutine(void* self)
{
    LiveWorker counted;
    static_cast<IrExchangeDialog*>(self)->SendWorker();
    return 0;
}

void IrExchangeDialog::ReceiveWorker()
{
    if (socket_.Create(AF_IRDA_CE, SOCK_STREAM, 0) == INVALID_SOCKET) {
        SocketError("Socket Error %d\n%s", "Error opening Infrared Port");
        PostOutcome(Outcome::Failed);
        return;
    }
    Play(u"infbeg.wav");
    const std::uint8_t anyDevice[4] = {};
    const SOCKADDR_IRDA_CE service = ServiceAddress(anyDevice);
    if (socket_.Bind(reinterpret_cast<const sockaddr*>(&service), sizeof service) != 0) {
        SocketError("Bind Error %d\n%s", "Error binding socket to Infrared Port");
        PostOutcome(Outcome::Failed);
        return;
    }
    if (socket_.Listen(5) != 0) {
        SocketError("Listen Error %d\n%s", "Error listening on Infrared Port");
        PostOutcome(Outcome::Failed);
        return;
    }
    PostStatus(QStringLiteral("Looking for sending device...\n(Align infrared ports)"));
    const SOCKET accepted = socket_.Accept(nullptr, nullptr);
    if (accepted == INVALID_SOCKET || Stopping()) {
        if (accepted != INVALID_SOCKET)
            IrdaClose(accepted);
        if (!Stopping())
            SocketError("Accept Error %d\n%s", "Error accepting client on Infrared Port");
        PostOutcome(Outcome::Failed);
        return;
    }
    connection_.AttachIfNone(accepted);
    // One connection per receive: the listener stops answering and taking
    // more (it is closed with the dialog, once this thread is gone).
    socket_.Shutdown(SD_BOTH);
    if (Stopping()) {
        PostOutcome(Outcome::Failed);
        return;
    }
    PostStatus(QStringLiteral("Receiving..."));
    SetStallTimeouts(connection_);

    Arrival arrival;
    arrival.sender = PeerName(connection_);
    arrival.complete = ReadMessage();
    arrival.cancelled = Stopping();
    if (arrival.cancelled) {
        PostOutcome(Outcome::Failed);
        return;
    }
    if (message_.Size() != 0)
        arrival.decoded = DecodeBeamMessage(message_.Data(), message_.Size());
    message_.Free();
    QWidget* window = GetHandle();
    if (!window)
        return;
    // The arrival is moved to the UI thread, which alone writes the journal.
    auto handOver = std::make_shared<Arrival>(std::move(arrival));
    QMetaObject::invokeMethod(
        window, [this, handOver] { OnArrival(std::move(*handOver)); }, Qt::QueuedConnection);
}

bool IrExchangeDialog::ReadMessage()
{
    std::vector<char> chunk(kChunk);
    for (;;) {
        Play(u"ksir_recv.wav");
        const int got = connection_.Receive(chunk.data(), kChunk, 0);
        if (got < 0) {
            SocketError("Receive Error %d\n%s", "Error receiving on Infrared Port");
            return false;
        }
        if (got == 0) {
            PostStatus(QStringLiteral("Complete..."));
            return true;
        }
        if (message_.Size() + static_cast<DWORD>(got) > kBeamMessageCap) {
            PostStatus(QStringLiteral("Receive Error\nThe message is larger than %1 MiB").arg(kBeamMessageCap >> 20));
            message_.Free();
            return false;
        }
        PostStatus(QStringLiteral("Receiving Data..."));
        message_.WriteBytes(chunk.data(), static_cast<DWORD>(got));
        if (message_.Failed()) {
            PostStatus(QStringLiteral("Receive Error\nNot enough memory for the message"));
            return false;
        }
    }
}

void IrExchangeDialog::OnArrival(Arrival arrival)
{
    // The dialog was ended before the arrival got here: nothing is written.
    if (Stopping())
        return;
    BeamDecoded& decoded = arrival.decoded;
    received_ = static_cast<DWORD>(decoded.entries.size());
    const auto fail = [this](const QString& why) {
        Play(u"infintr.wav");
        SetStatus(QStringLiteral("Receive Failed...") + (why.isEmpty() ? QString() : QStringLiteral("\n") + why));
        outcome_ = Outcome::Failed;
    };
    switch (decoded.outcome) {
    case BeamDecoded::Outcome::Empty:
        // A receive error already shows its own text.
        if (arrival.complete)
            fail({});
        else {
            Play(u"infintr.wav");
            outcome_ = Outcome::Failed;
        }
        return;
    case BeamDecoded::Outcome::BadVersion:
        fail(QStringLiteral("Unknown message version %1; nothing was stored.").arg(decoded.version));
        return;
    case BeamDecoded::Outcome::Decoded:
        break;
    }
    if (decoded.entries.empty()) {
        // A receive that broke off keeps the text of its error.
        if (arrival.complete)
            fail(QStringLiteral("No whole entry arrived; nothing was stored."));
        else {
            Play(u"infintr.wav");
            outcome_ = Outcome::Failed;
        }
        return;
    }
    BeamOffer offer { arrival.sender, received_, decoded.announced, &decoded.entries.front() };
    // Sized by the main window, not by this small dialog.
    if (!AskToAcceptBeam(owner_ ? owner_ : GetHandle(), offer)) {
        Play(u"infintr.wav");
        SetStatus(QStringLiteral("Receive Cancelled...\nNothing was stored."));
        outcome_ = Outcome::Refused;
        return;
    }
    stored_ = StoreBeamedEntries(journal_, decoded.entries);
    if (stored_ == 0) {
        fail(QStringLiteral("The entries could not be written; nothing was stored."));
        return;
    }
    const bool whole = arrival.complete && !decoded.truncated && decoded.dropped == 0 && stored_ == decoded.announced;
    if (!whole) {
        fail(QStringLiteral("%1 of %2 entries arrived whole and were stored.").arg(stored_).arg(decoded.announced));
        return;
    }
    Play(u"infend.wav");
    SetStatus(stored_ == 1 ? QStringLiteral("Receive Successful...\n1 entry stored.")
                                  : QStringLiteral("Receive Successful...\n%1 entries stored.").arg(stored_));
    outcome_ = Outcome::Stored;
}

void IrExchangeDialog::SendWorker()
{
    PostStatus(QStringLiteral("Looking for receiving device...\n(Align infrared ports)"));
    if (socket_.Create(AF_IRDA_CE, SOCK_STREAM, 0) == INVALID_SOCKET) {
        SocketError("Socket Error %d\n%s", "Error opening Infrared Port");
        PostOutcome(Outcome::Failed);
        return;
    }
    Play(u"infbeg.wav");
    DEVICELIST_CE devices {};
    for (int attempt = 0; attempt < kDiscoveryTries; ++attempt) {
        if (attempt > 0 && !Pause(kDiscoveryPauseMs))
            break;
        socklen_t length = sizeof devices;
        if (socket_.GetOption(SOL_IRLMP_CE, IRLMP_ENUMDEVICES_CE, &devices, &length) != 0) {
            SocketError("Socket Error %d\n%s", "Error accessing Infrared Port");
            PostOutcome(Outcome::Failed);
            return;
        }
        if (devices.numDevice != 0 || Stopping())
            break;
    }
    if (Stopping()) {
        PostOutcome(Outcome::Failed);
        return;
    }
    if (devices.numDevice == 0) {
        Play(u"infintr.wav");
        PostStatus(QStringLiteral("Server not found..."));
        PostOutcome(Outcome::Failed);
        return;
    }
    const SOCKADDR_IRDA_CE address = ServiceAddress(devices.Device[0].irdaDeviceID);
    SetStallTimeouts(socket_);
    if (socket_.Connect(reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (!Stopping())
            SocketError("Socket Error %d\n%s", "Connection failed..,");
        PostOutcome(Outcome::Failed);
        return;
    }
    PostStatus(QStringLiteral("Sending..."));
    if (!SendMessageBytes()) {
        Play(u"infintr.wav");
        if (!Stopping())
            PostStatus(QStringLiteral("Error sending data..."));
        PostOutcome(Outcome::Failed);
        return;
    }
    // The receiver reads until the connection closes: close our side now.
    socket_.Shutdown(SD_SEND);
    Play(u"infend.wav");
    PostStatus(sentCount_ == 1 ? QStringLiteral("Sent successful...\n1 entry sent.")
                               : QStringLiteral("Sent successful...\n%1 entries sent.").arg(sentCount_));
    PostOutcome(Outcome::Sent);
}

bool IrExchangeDialog::SendMessageBytes()
{
    const BYTE* data = message_.Data();
    DWORD remaining = message_.Size();
    DWORD position = 0;
    while (remaining > 0) {
        if (Stopping())
            return false;
        Play(u"ksir_send.wav");
        const int chunk = static_cast<int>(std::min<DWORD>(remaining, kChunk));
        const int sent = socket_.Send(data + position, chunk, 0);
        if (sent < 0) {
            SocketError("Socket Error %d\n%s", "Error sending data...");
            return false;
        }
        remaining -= static_cast<DWORD>(sent);
        position += static_cast<DWORD>(sent);
    }
    return true;
}
