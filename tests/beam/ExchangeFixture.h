#pragma once
// The exchange tests' fixture: a journal, selection and settings store in a
// fresh data folder, beaming on this computer only through a discovery port
// of the test's own, recorded UI calls (sounds, boxes), and helpers that
// play the other side: answer the accept question, or act as a sender that
// sends whatever bytes a test chooses.

#include "BeamTestSupport.h"
#include "GuiApp.h"
#include "IrExchangeDialog.h"
#include "LoopbackPort.h"
#include "TempHome.h"
#include "UiHooks.h"
#include "ZApp.h"

#include <QPointer>
#include <QString>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>

// The program's settings store on the current KESTRIN_HOME.
class BeamStore : public ZApp {
public:
    BeamStore();
    int Run() override { return 0; }
};

class ExchangeTest : public ::testing::Test {
protected:
    ExchangeTest();
    ~ExchangeTest() override;

    CEOID Add(const Entry& entry) { return AddEntry(journal, entry); }
    DWORD Count() { return journal.GetRecCount(KIND_ENTRY); }
    // The entries the relation index lists under `name` of `kind`.
    std::vector<CEOID> Listed(const WCHAR* name, DWORD kind = KIND_CONTACT);

    std::unique_ptr<IrExchangeDialog> Receiver();
    std::unique_ptr<IrExchangeDialog> Sender();
    // Opens a receiver and waits until it listens.
    std::unique_ptr<IrExchangeDialog> ListeningReceiver();

    // Answers the next accept question (Accept or Cancel) once it shows;
    // the question's text lands in *text. An answer still pending from
    // before is withdrawn.
    void AnswerQuestion(bool accept, std::shared_ptr<QString> text = nullptr);
    // The sounds played so far, by file name.
    std::vector<std::u16string> Sounds() const;

    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scopedHooks { hooks };
    BeamStore store;
    DbKestrin journal;
    SelectionList selection;
    std::uint16_t port = 0;

private:
    QPointer<QTimer> answering_;
};

// A sender made by hand: finds the receiver on this computer, connects, and
// sends what it is told. Used from the test's thread or a thread of its own.
class RawSender {
public:
    // Connects to the receiver listening on this computer; false on failure.
    bool Connect();
    bool Send(const std::vector<BYTE>& bytes);
    void Close();
    ~RawSender() { Close(); }

private:
    ZIrSocket socket_;
};

