#include "ProgressWindow.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

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
    // Drawn before the work starts, which handles no events until it ends.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
