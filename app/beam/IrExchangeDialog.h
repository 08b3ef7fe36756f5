#pragma once
// IrExchangeDialog: "Infrared Exchange", the small dialog that sends the
// selected entries to another journal or receives entries from one, with a
// status text and a Cancel button while a worker thread moves the bytes.
//
// Send: the message is built from the selection on the UI thread (the
// journal is read there only), then the worker looks for a receiver (six
// tries a second apart), connects and sends it in chunks.
// Receive: the worker listens (answering discovery while it waits), accepts
// one connection, reads until the sender closes, and decodes the message;
// then, on the UI thread, the user sees who sends how many entries (and the
// first entry's fields) and decides: Accept writes the whole entries in one
// transaction, Cancel writes nothing.
//
// The worker touches only the sockets, the message and the decoding; every
// journal access and every widget change is on the UI thread. A message is
// capped at kBeamMessageCap bytes and a transfer ends after StallLimit() ms
// without progress. Any button ends the dialog: the sockets are shut down
// (which wakes a blocked accept, receive or send), the worker is joined,
// and only then is anything freed.
//
// The journal, selection and settings store are not owned. UI thread only.

#include "BeamMessage.h"
#include "SelectionList.h"
#include "ZDialog.h"
#include "ZIrSocket.h"
#include "ZRegistry.h"
#include "ZStream.h"
#include "ZThread.h"

#include <QPointer>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>

class QLabel;
class QPushButton;

class IrExchangeDialog : public ZDialog {
public:
    enum Mode { kReceive = 0, kSend = 1 };
    enum : int {
        kStatusId = 1150,
        kCancelId = 1041,
    };
    static constexpr int kChunk = 8196;
    static constexpr int kDiscoveryTries = 6;
    static constexpr int kDiscoveryPauseMs = 1000;
    static constexpr const char* kServiceName = "IRKestrinServer";

    // What happened, for the caller and tests.
    enum class Outcome { Working, Sent, Stored, Refused, Failed };

    IrExchangeDialog(DbKestrin& journal, SelectionList& selection, ZRegistry& settings, int mode);
    ~IrExchangeDialog() override;

    // Runs the dialog modally; returns 1 (any button ends it), -1 when it
    // did not open (send with nothing selected).
    int Run(QWidget* owner);
    // Opens it without waiting (tests, screenshots); null when it did not open.
    QWidget* Open(QWidget* owner);

    // Ends the exchange: shuts the sockets down, joins the worker, closes.
    void Stop();

    QString StatusText() const;
    Outcome Result() const { return outcome_; }
    // Entries received whole and entries written by the last receive.
    DWORD Received() const { return received_; }
    DWORD Stored() const { return stored_; }
    // Exchange workers of the process that have not ended yet.
    static int LiveWorkers();
    // Records in the message sent.
    DWORD SentCount() const { return sentCount_; }
    // The milliseconds a transfer may go without progress (30 s; tests
    // shorten it).
    static int StallLimit();
    static void SetStallLimit(int ms);

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // The worker's result of a receive, handed to the UI thread.
    struct Arrival {
        BeamDecoded decoded;
        QString sender;
        bool complete = false; // the sender closed normally
        bool cancelled = false;
    };

    static DWORD ReceiveRoutine(void* self);
    static DWORD SendRoutine(void* self);
    void ReceiveWorker();
    void SendWorker();
    // Reads until the sender closes; false on an error (status set).
    bool ReadMessage();
    bool SendMessageBytes();
    // Status shown from any thread.
    void PostStatus(const QString& text);
    void PostOutcome(Outcome outcome);
    void SocketError(const char* format, const char* text);
    void OnArrival(Arrival arrival);
    // Sleeps up to `ms`; false when the exchange was stopped meanwhile.
    bool Pause(int ms);
    bool Stopping() const { return stopping_.load(); }
    void SetStallTimeouts(ZSocket& socket);
    void BuildItems();

    DbKestrin& journal_;
    SelectionList& selection_;
    ZRegistry& settings_;
    const int mode_;
    QWidget* owner_ = nullptr;
    ZIrSocket socket_; // listening (receive) or connecting (send)
    ZIrSocket connection_; // the accepted connection (receive)
    ZThread receiveThread_;
    ZThread sendThread_;
    ZStream message_;
    std::atomic<bool> stopping_ { false };
    std::mutex pauseMutex_;
    std::condition_variable pauseWake_;
    // Shows `text` (UI thread) and keeps it for StatusText after the window goes.
    void SetStatus(const QString& text);

    QPointer<QLabel> status_;
    QString statusText_;
    QPushButton* cancel_ = nullptr;
    Outcome outcome_ = Outcome::Working;
    DWORD received_ = 0;
    DWORD stored_ = 0;
    DWORD sentCount_ = 0;
};
