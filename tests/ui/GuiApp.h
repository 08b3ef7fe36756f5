#pragma once
// The QApplication the widget tests need (offscreen unless a platform is
// chosen), made by the test program's own main() for its whole run.

#include <functional>

class QApplication;

QApplication& GuiApp();
// Runs the event loop until `done` holds or `ms` milliseconds have passed;
// returns `done()`.
bool PumpUntil(const std::function<bool()>& done, int ms = 2000);
// Delivers everything queued, deferred deletions included.
void PumpAll();
