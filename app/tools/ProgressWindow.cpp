#include "ProgressWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QVBoxLayout>
#include <QWindow>

ProgressWindow::ProgressWindow(QWidget* owner, const QString& title, const QString& text)
    : window_(owner)
{
    window_.setObjectName(QStringLiteral("progressWindow"));
    window_.setWindowTitle(title);
    window_.setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(&window_);
    auto* line = new QLabel(text, &window_);
    line->setObjectName(QStringLiteral("progressText"));
    layout->addWidget(line);
    bar_.Create({}, {}, &window_, QStringLiteral("progressBar"));
    layout->addWidget(bar_.GetHandle());
    window_.show();
    // The work handles no events until it ends, so the window is drawn
    // first: once the window system shows it (a window manager maps it in
    // its own time), and at most half a second is waited for that.
    QElapsedTimer waited;
    waited.start();
    while (!IsShown() && waited.elapsed() < kLongestWaitMs)
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, kWaitStepMs);
    window_.repaint();
}

bool ProgressWindow::IsShown() const
{
    const QWindow* handle = window_.windowHandle();
    return handle != nullptr && handle->isExposed();
}
