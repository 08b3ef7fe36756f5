#pragma once
// The receiving end of WindowLink.h: the program's main window listens on the
// socket of its class and title and hands each valid frame that arrives to a
// handler, on the thread that owns the listener (the UI thread), from its
// event loop.
//
// Each connection carries at most one frame: a connection that sends a
// frame the decoder refuses (wrong length, a message other processes may not
// post) is dropped without a call; so is one that sends nothing for two
// seconds. A connection that only opens and closes is how FindWindowW asks
// whether the window exists; it costs nothing.
//
// Only one listener per socket: Listen checks, under a lock file, whether a
// listener answers; a socket file nobody answers on (left by a copy that
// crashed) is removed and taken over. The socket file is removed again when
// the listener closes. Not thread-safe: one thread owns the object.

#include "IpcFrame.h"
#include "WinTypes.h"

#include <functional>
#include <memory>
#include <string>

class WindowListener {
public:
    using Handler = std::function<void(const IpcFrame& frame)>;

    // `handler` is called for every valid frame; it may close or destroy
    // the listener.
    explicit WindowListener(Handler handler);
    ~WindowListener();
    WindowListener(const WindowListener&) = delete;
    WindowListener& operator=(const WindowListener&) = delete;

    // Starts listening for the window of this class and title. Returns 1 when
    // listening. Returns 0 and sets the last error to ERROR_ALREADY_EXISTS when
    // another listener answers on the socket (the program runs already),
    // ERROR_INVALID_PARAMETER when no socket path can be formed, and
    // ERROR_ACCESS_DENIED when the socket cannot be created. A listener that
    // listens already returns 1 and changes nothing.
    BOOL Listen(LPCWSTR className, LPCWSTR title);
    // Stops listening and removes the socket file; pending connections go.
    void Close();
    bool IsListening() const;
    // The socket file while listening, else empty.
    std::string Path() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
