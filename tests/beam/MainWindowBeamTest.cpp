// Beaming from the program's main window: "Receive via Infrared..." in the
// Tools menu receives, stores after the question and refreshes the list;
// "Send via Infrared..." opens the sending dialog only for a focused entry.

#include "BeamSettings.h"
#include "BeamTestSupport.h"
#include "ExchangeFixture.h"
#include "ProgramText.h"
#include "RunningProgramTest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QTableView>
#include <QTimer>

#include <thread>

namespace {

class MainWindowBeamTest : public RunningProgramTest {
protected:
    // The program beams on this computer only, on a port of the test's own.
    void Start()
    {
        RunningProgramTest::Start(QSize(240, 320), [this](ZApp& settings) {
            settings.WriteInt(kOptionsSection, BeamSettings::kScope, BeamSettings::kThisComputer);
            settings.WriteInt(kOptionsSection, BeamSettings::kPort, port);
        });
    }

    QAction* Tools(const char* name)
    {
        for (QAction* menu : main->MainWindow()->menuBar()->actions())
            if (menu->menu())
                if (auto* found = menu->menu()->findChild<QAction*>(QString::fromLatin1(name)))
                    return found;
        return nullptr;
    }

    // The exchange dialog while it is open.
    static QDialog* Exchange()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        return dialog && dialog->objectName() == QStringLiteral("irExchange") ? dialog : nullptr;
    }
    static QString StatusOf(QDialog* dialog)
    {
        return dialog->findChild<QLabel*>(QStringLiteral("irStatus"))->text();
    }

    std::uint16_t port = FreeLoopbackPort();
};

TEST_F(MainWindowBeamTest, ReceivingFromTheToolsMenuStoresAndRefreshesTheList)
{
    Start();
    ASSERT_EQ(main->List().Model().Rows(), 0);
    ZJITEMS first = MakeEntry({ .subject = u"From afar", .date = At(2025, 2, 1) });
    ZJITEMS second = MakeEntry({ .subject = u"Also from afar", .date = At(2025, 2, 2) });
    ByteWriter message;
    message.U16(1).U16(2);
    EncodeInto(message, first);
    EncodeInto(message, second);

    // The other side: once the dialog listens, a sender on another thread
    // sends the message; the question is accepted; the finished dialog is
    // closed with its button.
    std::thread sending;
    bool accepted = false;
    QTimer script;
    script.setInterval(10);
    QObject::connect(&script, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->objectName() == QStringLiteral("beamAccept")) {
            accepted = true;
            modal->findChild<QAbstractButton*>(QStringLiteral("beamAcceptYes"))->click();
            return;
        }
        QDialog* exchange = Exchange();
        if (!exchange)
            return;
        const QString status = StatusOf(exchange);

        if (status.startsWith(QStringLiteral("Looking")) && !sending.joinable()) {
            sending = std::thread([&] {
                RawSender sender;
                if (sender.Connect())
                    sender.Send(message.bytes);
            });
        } else if (status.startsWith(QStringLiteral("Receive Successful"))) {
            exchange->findChild<QAbstractButton*>(QStringLiteral("irCancel"))->click();
        }
    });
    script.start();
    QAction* receive = Tools("actionReceiveIr");
    ASSERT_NE(receive, nullptr);
    // The menu posts its command: the dialog runs from the event loop.
    receive->trigger();
    const bool shown = PumpUntil([&] { return main->List().Model().Rows() == 2; }, 10000);
    script.stop();
    if (sending.joinable())
        sending.join();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(accepted);
    EXPECT_EQ(program->journal.GetRecCount(KIND_ENTRY), 2u);
}

TEST_F(MainWindowBeamTest, SendingNeedsAFocusedEntry)
{
    DbKestrin journal;
    ASSERT_TRUE(journal.Open(nullptr));
    const CEOID oid = AddEntry(journal, { .subject = u"To send" });
    journal.Close();
    Start();

    bool opened = false;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QDialog* exchange = Exchange()) {
            opened = true;
            exchange->findChild<QAbstractButton*>(QStringLiteral("irCancel"))->click();
        }
    });
    watch.start();
    program->selection.SetFocused(0);
    main->SendMessage(WM_COMMAND, CMD_SEND_IR, 0);
    PumpAll();
    EXPECT_FALSE(opened);

    program->selection.Add(oid);
    program->selection.SetFocused(oid);
    main->SendMessage(WM_COMMAND, CMD_SEND_IR, 0);
    EXPECT_TRUE(opened);
    EXPECT_EQ(IrExchangeDialog::LiveWorkers(), 0);
}

} // namespace
