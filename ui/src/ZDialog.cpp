#include "ZDialog.h"

#include <QAbstractButton>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {

// A QDialog whose accept/reject go to the ZDialog as commands instead of
// closing it directly.
class CommandDialog : public QDialog {
public:
    CommandDialog(QWidget* parent, ZDialog& owner)
        : QDialog(parent)
        , owner_(owner)
    {
    }
    void accept() override
    {
        if (!owner_.IsEnding())
            owner_.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_OK, BN_CLICKED), 0);
    }
    void reject() override
    {
        if (!owner_.IsEnding())
            owner_.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CANCEL, BN_CLICKED), 0);
    }

private:
    ZDialog& owner_;
};

} // namespace

ZDialog::~ZDialog()
{
    items_.clear();
}

QWidget* ZDialog::CreateWidget(QWidget* parent)
{
    return new CommandDialog(parent, *this);
}

QDialog* ZDialog::Dialog() const
{
    return qobject_cast<QDialog*>(GetHandle());
}

bool ZDialog::Make(QWidget* parent, const QString& title, const QString& objectName)
{
    result_ = 0;
    if (!Create(title, QRect(), parent, objectName))
        return false;
    if (!OnInitDialog()) {
        Destroy();
        return false;
    }
    return true;
}

int ZDialog::DoModal(QWidget* parent, const QString& title, const QString& objectName)
{
    if (!Make(parent, title, objectName))
        return -1;
    QDialog* dialog = Dialog();
    dialog->exec();
    const int result = result_;
    // The window goes now: nothing of a modal dialog outlives DoModal.
    if (QWidget* window = GetHandle()) {
        Detach();
        delete window;
    }
    items_.clear();
    return result;
}

QWidget* ZDialog::CreateModeless(QWidget* parent, const QString& title, const QString& objectName)
{
    if (!Make(parent, title, objectName))
        return nullptr;
    Dialog()->show();
    return GetHandle();
}

BOOL ZDialog::EndDialog(int result)
{
    QDialog* dialog = Dialog();
    if (!dialog || ending_)
        return FALSE;
    result_ = result;
    // Closing the QDialog may report a close or a reject of its own; while
    // it ends, those are not commands.
    ending_ = true;
    dialog->QDialog::done(result);
    ending_ = false;
    return TRUE;
}

QPoint ZDialog::CenteredPosition(const QRect& workArea, const QSize& size)
{
    const int x = workArea.left() + (workArea.width() - size.width()) / 2;
    const int y = workArea.top() + std::max(0, (workArea.height() - size.height()) / 3);
    return QPoint(x, y);
}

void ZDialog::CenterInWorkArea()
{
    QWidget* window = GetHandle();
    if (!window)
        return;
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window->move(CenteredPosition(screen->availableGeometry(), window->frameGeometry().size()));
}

void ZDialog::SetItem(int id, QWidget* item)
{
    items_[id] = item;
    if (item)
        item->setProperty("itemId", id);
}

QWidget* ZDialog::GetItem(int id) const
{
    const auto found = items_.find(id);
    return found == items_.end() ? nullptr : found->second.data();
}

BOOL ZDialog::EnableItem(int id, BOOL enable)
{
    QWidget* item = GetItem(id);
    if (!item)
        return FALSE;
    const BOOL wasDisabled = !item->isEnabled();
    item->setEnabled(enable != 0);
    return wasDisabled;
}

BOOL ZDialog::ShowItem(int id)
{
    QWidget* item = GetItem(id);
    if (!item)
        return FALSE;
    item->show();
    return TRUE;
}

BOOL ZDialog::HideItem(int id)
{
    QWidget* item = GetItem(id);
    if (!item)
        return FALSE;
    item->hide();
    return TRUE;
}

BOOL ZDialog::IsItemVisible(int id) const
{
    const QWidget* item = GetItem(id);
    return item && item->isVisibleTo(item->window());
}

void ZDialog::ConnectCommand(int id, QAbstractButton* button)
{
    SetItem(id, button);
    QObject::connect(button, &QAbstractButton::clicked, button,
        [this, id] { SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), 0); });
}

BOOL ZDialog::OnInitDialog()
{
    return TRUE;
}

bool ZDialog::OnEvent(QEvent* event)
{
    if (ending_ && event->type() == QEvent::Close)
        return false;
    return ZWindow::OnEvent(event);
}

LRESULT ZDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE)
        return SendMessage(WM_COMMAND, MAKEWPARAM(IDC_CANCEL, BN_CLICKED), 0);
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_OK) {
        EndOk();
        return 1;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_CANCEL) {
        EndCancel();
        return 1;
    }
    return ZWindow::WindowProc(message, wParam, lParam);
}
