// The other computer of the end-to-end test: a process with its own data
// folder (KESTRIN_HOME) that opens the journal, receives with the real
// exchange dialog on this computer's discovery port argv[1], accepts the
// question, and prints what it stored, one line per entry:
//   subject \t category names (;) \t contact names (;) \t note bytes (hex)
// then "stored N" and "status <first status line>". Exit code 0 when entries
// were stored. With argv[2] (a folder) it also saves pictures of the dialog
// and the question there ("receive-<w>x<h>.png", "accept-<w>x<h>.png") at
// the size given by argv[3] ("240x320"). With argv[4] "send" it sends one
// entry of its own instead, saving "send-<w>x<h>.png" while it looks for a
// receiver and "sent-<w>x<h>.png" at the end.

#include "BeamSettings.h"
#include "DbKestrin.h"
#include "IrExchangeDialog.h"
#include "JournalEntries.h"
#include "PackedLists.h"
#include "ProgramText.h"
#include "QtUiHooks.h"
#include "ZApp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class PeerStore : public ZApp {
public:
    PeerStore()
        : ZApp(kProfileKey)
    {
    }
    int Run() override { return 0; }
};

std::string Names(const std::vector<std::u16string>& names)
{
    std::string joined;
    for (const auto& name : names)
        joined += (joined.empty() ? "" : ";") + QString::fromStdU16String(name).toStdString();
    return joined;
}

void PrintEntry(DbKestrin& journal, CEOID oid)
{
    ZJITEMS set;
    journal.Read(oid, &set, FALSE);
    std::vector<DbCItem> categories;
    UnpackCategories(*set.GetItem(PROPID_CATEGORIES)->GetBlob(), categories);
    std::vector<DbAItem> contacts;
    UnpackContacts(*set.GetItem(PROPID_CONTACTS)->GetBlob(), contacts);
    std::vector<std::u16string> categoryNames, contactNames;
    for (const auto& item : categories)
        categoryNames.push_back(Text(item.GetName()));
    for (const auto& item : contacts)
        contactNames.push_back(Text(item.GetName()));
    const CEBLOB* note = set.GetItem(PROPID_NOTE)->GetBlob();
    const QByteArray noteBytes(reinterpret_cast<const char*>(note->lpb), note->lpb ? static_cast<int>(note->dwCount) : 0);
    std::printf("%s\t%s\t%s\t%s\n", QString::fromUtf16(set.GetItem(PROPID_SUBJECT)->GetStrValue()).toStdString().c_str(),
        Names(categoryNames).c_str(), Names(contactNames).c_str(), noteBytes.toHex().constData());
}

void Save(QWidget* window, const QString& folder, const QString& name)
{
    if (!folder.isEmpty())
        window->grab().save(folder + QStringLiteral("/") + name);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QtUiHooks uiHooks;
    InstallUiHooks(&uiHooks);
    const QString pictures = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const QString size = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("1024x768");
    const int width = size.section(QLatin1Char('x'), 0, 0).toInt();
    const int height = size.section(QLatin1Char('x'), 1, 1).toInt();

    PeerStore store;
    store.WriteInt(kOptionsSection, BeamSettings::kScope, BeamSettings::kThisComputer);
    store.WriteInt(kOptionsSection, BeamSettings::kPort, std::atoi(argv[1]));
    DbKestrin journal;
    if (!journal.Open(nullptr))
        return 3;
    const DWORD before = journal.GetRecCount(KIND_ENTRY);
    SelectionList selection;

    // A main window of the chosen size for the dialogs to sit over.
    QWidget owner;
    owner.resize(width, height);
    owner.show();

    const bool sending = argc > 4 && std::string(argv[4]) == "send";
    if (sending)
        selection.Add(AddEntry(journal, { .subject = u"Meeting notes", .date = At(2025, 6, 3, 14, 30), .type = 5,
            .company = u"Harbour Works", .categories = { u"Business" }, .contacts = { u"Ann Lee" },
            .duration = 36000000000ULL, .priority = 2 }));
    IrExchangeDialog exchange(journal, selection, store, sending ? IrExchangeDialog::kSend : IrExchangeDialog::kReceive);
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* question = QApplication::activeModalWidget();
        if (question && question->objectName() == QStringLiteral("beamAccept")) {
            answer.stop();
            Save(question, pictures, QStringLiteral("accept-%1.png").arg(size));
            question->findChild<QAbstractButton*>(QStringLiteral("beamAcceptYes"))->click();
        }
    });
    answer.start();
    QTimer watch;
    watch.setInterval(20);
    bool savedWaiting = false;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!savedWaiting && exchange.StatusText().startsWith(QStringLiteral("Looking"))) {
            savedWaiting = true;
            Save(exchange.Dialog(), pictures, QString::fromLatin1(sending ? "send-%1.png" : "receive-%1.png").arg(size));
            std::printf("listening\n");
            std::fflush(stdout);
        }
        if (exchange.Result() != IrExchangeDialog::Outcome::Working) {
            Save(exchange.Dialog(), pictures, QString::fromLatin1(sending ? "sent-%1.png" : "received-%1.png").arg(size));
            exchange.Stop();
            exchange.EndDialog(1);
        }
    });
    watch.start();
    QTimer::singleShot(30000, [&] { exchange.EndDialog(1); });
    exchange.Run(&owner);

    for (DWORD row = 0; row < journal.GetRowCount(); ++row)
        PrintEntry(journal, journal.GetRowOid(row));
    std::printf("stored %u\nstatus %s\n", exchange.Stored(),
        exchange.StatusText().section(QLatin1Char('\n'), 0, 0).toStdString().c_str());
    const bool stored = sending ? exchange.Result() == IrExchangeDialog::Outcome::Sent
                                : journal.GetRecCount(KIND_ENTRY) > before;
    journal.Close();
    InstallUiHooks(nullptr);
    return stored ? 0 : 1;
}
