#pragma once
// A stand-in for the running program in tests of other processes' view of
// it: a window socket of the program's class and title in this process,
// which records the frames it gets and, unless told to stay, goes away on
// the close message as the program's window does. Frames arrive through
// Qt's event loop (Pump); a QCoreApplication is made on first use.

#include "IpcFrame.h"
#include "WindowListener.h"

#include <functional>
#include <vector>

class FakeProgram {
public:
    explicit FakeProgram(bool closes = true);
    bool Listening() const { return listener_.IsListening(); }

    std::vector<IpcFrame> frames;

    // Delivers what arrived until `done` holds or `ms` passed.
    static bool Pump(const std::function<bool()>& done, int ms = 3000);
    // Runs `work` on another thread while this one delivers frames; returns
    // when it has finished.
    static void WhilePumping(const std::function<void()>& work);

private:
    WindowListener listener_;
    bool closes_;
};
