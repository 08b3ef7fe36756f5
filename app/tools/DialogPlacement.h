#pragma once
// Where the program's dialogs go. A window narrower than kHandheldWidth is
// handheld-sized: dialogs over it cover it, as the handheld's full-screen
// dialogs do; over a larger window they keep their own size. UI thread only.

class QWidget;

inline constexpr int kHandheldWidth = 480;

// True when `owner`'s window is handheld-sized (false for null).
bool IsHandheldSized(const QWidget* owner);
// Gives `dialog` the geometry of `owner`'s window when that is
// handheld-sized; returns whether it did.
bool CoverHandheldOwner(QWidget& dialog, const QWidget* owner);
