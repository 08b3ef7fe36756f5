#include "QtUiHooks.h"

#include "ZHandles.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QThread>

#include <algorithm>
#include <memory>

#include <cstdlib>
#include <cstring>

namespace {

Q_LOGGING_CATEGORY(lcTrace, "kestrin.trace", QtInfoMsg)

// Runs `work` on the GUI thread and waits for it.
template <typename Work> void OnGuiThread(Work work)
{
    if (!qApp || QThread::currentThread() == qApp->thread())
        work();
    else
        QMetaObject::invokeMethod(qApp, work, Qt::BlockingQueuedConnection);
}

QString ToQString(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QtUiHooks::QtUiHooks()
{
    if (const char* trace = std::getenv("KESTRIN_TRACE"); trace && std::strcmp(trace, "1") == 0)
        QLoggingCategory::setFilterRules(QStringLiteral("kestrin.trace.debug=true"));
}

QMessageBox::StandardButton QtUiHooks::ButtonFor(int answer)
{
    switch (answer) {
    case IDCANCEL:
        return QMessageBox::Cancel;
    case IDABORT:
        return QMessageBox::Abort;
    case IDRETRY:
        return QMessageBox::Retry;
    case IDIGNORE:
        return QMessageBox::Ignore;
    case IDYES:
        return QMessageBox::Yes;
    case IDNO:
        return QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

int QtUiHooks::AnswerFor(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Abort:
        return IDABORT;
    case QMessageBox::Retry:
        return IDRETRY;
    case QMessageBox::Ignore:
        return IDIGNORE;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    default:
        return IDOK;
    }
}

QMessageBox::Icon QtUiHooks::IconFor(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox* QtUiHooks::BuildBox(QWidget* owner, const QString& text, const QString& caption, UINT type)
{
    auto* box = new QMessageBox(IconFor(type), caption, text, QMessageBox::NoButton, owner);
    box->setObjectName(QStringLiteral("messageBox"));
    for (int answer : MessageBoxButtons(type))
        box->addButton(ButtonFor(answer));
    box->setDefaultButton(ButtonFor(MessageBoxDefaultAnswer(type)));
    // Escape answers Cancel or No when the box has one, else its only button.
    const std::vector<int> buttons = MessageBoxButtons(type);
    for (int escape : { IDCANCEL, IDNO }) {
        if (std::find(buttons.begin(), buttons.end(), escape) != buttons.end()) {
            box->setEscapeButton(ButtonFor(escape));
            break;
        }
    }
    if (type & (MB_SETFOREGROUND | MB_TOPMOST))
        box->setWindowFlag(Qt::WindowStaysOnTopHint, (type & MB_TOPMOST) != 0);
    return box;
}

int QtUiHooks::MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type)
{
    int answer = MessageBoxDefaultAnswer(type);
    OnGuiThread([&] {
        std::unique_ptr<QMessageBox> box(
            BuildBox(FromHwnd(owner), ToQString(text), ToQString(caption), type));
        if (type & MB_SETFOREGROUND) {
            box->show();
            box->raise();
            box->activateWindow();
        }
        box->exec();
        const auto clicked = box->standardButton(box->clickedButton());
        // Closing the box's window answers as Escape would.
        answer = clicked == QMessageBox::NoButton
            ? (box->escapeButton() ? AnswerFor(box->standardButton(box->escapeButton())) : answer)
            : AnswerFor(clicked);
    });
    return answer;
}

void QtUiHooks::SetWaitCursor(bool on)
{
    OnGuiThread([&] {
        if (on && !cursorShown_)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else if (!on && cursorShown_)
            QApplication::restoreOverrideCursor();
        cursorShown_ = on;
    });
}

void QtUiHooks::Trace(std::u16string_view line)
{
    QString text = ToQString(line);
    while (text.endsWith(u'\n'))
        text.chop(1);
    qCDebug(lcTrace).noquote() << text;
}

BOOL QtUiHooks::PlaySound(std::u16string_view path, DWORD flags)
{
    return sounds_.Play(path, flags);
}
