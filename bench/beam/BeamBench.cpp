// Times beaming over loopback (discovery on this computer only) with the
// real exchange dialogs, sender and receiver in this one process: 1,000
// entries with notes end to end (discover, send, decode, write), and
// receiving 10,000 entries (from the connection to the last entry written).
// Also prints the message size and how much the process's peak memory grew
// while receiving, against the message cap plus the decoded entries.
// Run a Release build:  bench_beam
// Offscreen unless QT_QPA_PLATFORM says otherwise; the journal lives in a
// temporary data folder that is removed at the end.

#include "LoopbackPort.h"
#include "BenchHome.h"
#include "BeamMessage.h"
#include "BeamSettings.h"
#include "DbKestrin.h"
#include "IrExchangeDialog.h"
#include "JournalEntries.h"
#include "ObjectStore.h"
#include "ProgramText.h"
#include "UiHooks.h"
#include "ZApp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

class BenchStore : public ZApp {
public:
    BenchStore()
        : ZApp(kProfileKey)
    {
    }
    int Run() override { return 0; }
};

// Peak resident memory of the process so far, in KiB.
long PeakKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

void AcceptQuestions()
{
    auto* timer = new QTimer(qApp);
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, [] {
        QWidget* question = QApplication::activeModalWidget();
        if (question && question->objectName() == QStringLiteral("beamAccept"))
            question->findChild<QAbstractButton*>(QStringLiteral("beamAcceptYes"))->click();
    });
    timer->start();
}

void Pump(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

struct Figures {
    double endToEndMs = 0;
    double receiveMs = 0;
    DWORD stored = 0;
};

// Beams every entry of the journal to the journal itself.
Figures Beam(DbKestrin& journal, BenchStore& store, SelectionList& selection)
{
    Figures figures;
    IrExchangeDialog receiver(journal, selection, store, IrExchangeDialog::kReceive);
    receiver.Open(nullptr);
    Pump([&] { return receiver.StatusText().startsWith(QStringLiteral("Looking")); });
    QElapsedTimer total;
    total.start();
    IrExchangeDialog sender(journal, selection, store, IrExchangeDialog::kSend);
    sender.Open(nullptr);
    qint64 connected = -1;
    Pump([&] {
        if (connected < 0 && receiver.StatusText().startsWith(QStringLiteral("Receiv")))
            connected = total.elapsed();
        return receiver.Result() != IrExchangeDialog::Outcome::Working;
    });
    figures.endToEndMs = static_cast<double>(total.elapsed());
    figures.receiveMs = figures.endToEndMs - static_cast<double>(std::max<qint64>(connected, 0));
    figures.stored = receiver.Stored();
    sender.Stop();
    receiver.Stop();
    return figures;
}

void Fill(DbKestrin& journal, SelectionList& selection, int count, std::size_t noteBytes)
{
    selection.Clear();
    ObjectStoreTransaction batch;
    for (int i = 0; i < count; ++i) {
        std::vector<BYTE> note(noteBytes, static_cast<BYTE>('a' + i % 26));
        const CEOID oid = AddEntry(journal, { .subject = u"Entry " + std::u16string(1, u'A' + i % 26),
            .date = At(2025, 1, 1 + i % 28), .categories = { u"Business" }, .contacts = { u"Ann Lee" },
            .note = note });
        selection.Add(oid);
    }
    batch.Commit();
}

} // namespace

int main(int argc, char* argv[])
{
    bench::DrawOffscreenUnlessChosen();
    const std::filesystem::path folder = bench::UseFreshDataFolder("beam");
    if (folder.empty())
        return 1;
    int result = 0;
    {
        QApplication app(argc, argv);
        RecordingUiHooks hooks;
        ScopedUiHooks scoped(hooks);
        BenchStore store;
        store.WriteInt(kOptionsSection, BeamSettings::kScope, BeamSettings::kThisComputer);
        store.WriteInt(kOptionsSection, BeamSettings::kPort, FreeLoopbackPort());
        DbKestrin journal;
        journal.Open(nullptr);
        SelectionList selection;
        AcceptQuestions();

        Fill(journal, selection, 1000, 2000);
        Figures thousand = Beam(journal, store, selection);
        std::printf("beam 1,000 entries with 2 KB notes, end to end   %8.1f ms  stored %u  (target < 1000 ms)\n",
            thousand.endToEndMs, thousand.stored);

        Fill(journal, selection, 10000, 200);
        ZStream message;
        std::vector<CEOID> oids;
        for (CEOID oid = selection.First(); oid != 0; oid = selection.Next())
            oids.push_back(oid);
        QElapsedTimer phase;
        phase.start();
        BuildBeamMessage(journal, oids, message);
        const qint64 buildMs = phase.restart();
        BeamDecoded decoded = DecodeBeamMessage(message.Data(), message.Size());
        const qint64 decodeMs = phase.restart();
        StoreBeamedEntries(journal, decoded.entries);
        const qint64 storeMs = phase.restart();
        std::printf("10,000 entries: build %lld ms, decode %lld ms, store %lld ms\n", buildMs, decodeMs, storeMs);
        const long peakBefore = PeakKiB();
        Figures tenThousand = Beam(journal, store, selection);
        const long peakGrowth = PeakKiB() - peakBefore;
        std::printf("receive 10,000 entries (connection to written)   %8.1f ms  stored %u  (target < 3000 ms)\n",
            tenThousand.receiveMs, tenThousand.stored);
        std::printf("  whole exchange                                  %8.1f ms\n", tenThousand.endToEndMs);
        std::printf("message %.1f MiB; peak memory grew %.1f MiB while sending and receiving it "
                    "(cap %u MiB plus the decoded entries)\n",
            message.Size() / 1048576.0, peakGrowth / 1024.0, kBeamMessageCap >> 20);
        if (thousand.stored != 1000 || tenThousand.stored != 10000)
            result = 1;
        journal.Close();
    }
    ObjectStore::Close();
    std::filesystem::remove_all(folder);
    return result;
}
