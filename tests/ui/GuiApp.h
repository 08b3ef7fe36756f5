#pragma once
// The QApplication the widget tests need (offscreen under CTest), made once
// on first use and kept for the whole test program.

#include <functional>

class QApplication;

QApplication& GuiApp();
// Runs the event loop until `done` holds or `ms` milliseconds have passed;
// returns `done()`.
bool PumpUntil(const std::function<bool()>& done, int ms = 2000);
// Delivers everything queued, deferred deletions included.
void PumpAll();
