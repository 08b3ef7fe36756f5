#include "ZWindow.h"

#include "UiHooks.h"
#include "ZHandles.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QPalette>
#include <QResizeEvent>
#include <QTimer>
#include <QVariant>

namespace {

// A message queued by PostMessage, delivered to the object's bridge.
class MessageEvent : public QEvent {
public:
    MessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
        : QEvent(Type())
        , message(message)
        , wParam(wParam)
        , lParam(lParam)
    {
    }
    static QEvent::Type Type()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

} // namespace

// Carries Qt events of the widget and posted messages to the ZWindow. It is
// a separate object so posted messages die with the ZWindow, not the widget.
class ZWindow::EventBridge : public QObject {
public:
    explicit EventBridge(ZWindow& owner)
        : owner_(owner)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        return watched == owner_.window_.data() && owner_.OnEvent(event);
    }
    void customEvent(QEvent* event) override
    {
        if (event->type() == MessageEvent::Type()) {
            const auto* message = static_cast<MessageEvent*>(event);
            owner_.WindowProc(message->message, message->wParam, message->lParam);
        }
    }

private:
    ZWindow& owner_;
};

ZWindow::ZWindow()
    : bridge_(std::make_unique<EventBridge>(*this))
{
}

ZWindow::~ZWindow()
{
    timers_.clear();
    if (window_)
        window_->removeEventFilter(bridge_.get());
    if (owned_ && window_) {
        // The object goes now, so its window goes now too.
        delete window_.data();
    }
    window_.clear();
}

QWidget* ZWindow::CreateWidget(QWidget* parent)
{
    return new QWidget(parent);
}

BOOL ZWindow::Create(const QString& title, const QRect& rect, QWidget* parent, const QString& objectName)
{
    if (window_)
        return FALSE;
    QWidget* widget = CreateWidget(parent);
    if (!widget)
        return FALSE;
    if (!objectName.isEmpty())
        widget->setObjectName(objectName);
    widget->setWindowTitle(title);
    if (!rect.isEmpty())
        widget->setGeometry(rect);
    Bind(widget, true);
    if (SendMessage(WM_CREATE) == -1) {
        Destroy();
        return FALSE;
    }
    return IsWindow();
}

void ZWindow::Bind(QWidget* widget, bool owned)
{
    window_ = widget;
    owned_ = owned;
    widget->installEventFilter(bridge_.get());
}

BOOL ZWindow::Destroy()
{
    if (!window_) {
        brush_ = QBrush();
        return FALSE;
    }
    SendMessage(WM_DESTROY);
    QWidget* widget = window_.data();
    window_.clear();
    owned_ = false;
    brush_ = QBrush();
    if (widget) {
        widget->removeEventFilter(bridge_.get());
        widget->hide();
        widget->deleteLater();
    }
    return TRUE;
}

BOOL ZWindow::Attach(QWidget* widget)
{
    if (window_ || !widget)
        return FALSE;
    Bind(widget, false);
    return TRUE;
}

BOOL ZWindow::Detach()
{
    if (!window_)
        return FALSE;
    window_->removeEventFilter(bridge_.get());
    window_.clear();
    owned_ = false;
    return TRUE;
}

HWND ZWindow::GetHwnd() const
{
    return ToHwnd(window_.data());
}

QWidget* ZWindow::GetParent() const
{
    return window_ ? window_->parentWidget() : nullptr;
}

BOOL ZWindow::IsVisible() const
{
    return window_ && window_->isVisible();
}

BOOL ZWindow::IsEnabled() const
{
    return window_ && window_->isEnabled();
}

BOOL ZWindow::IsActive() const
{
    return window_ && window_->isActiveWindow();
}

BOOL ZWindow::HasFocus() const
{
    return window_ && window_->hasFocus();
}

QRect ZWindow::GetWindowRect() const
{
    if (!window_)
        return {};
    const QRect frame = window_->isWindow() ? window_->frameGeometry() : window_->geometry();
    const QPoint origin = window_->isWindow() ? frame.topLeft() : window_->mapToGlobal(QPoint(0, 0));
    return QRect(origin, frame.size());
}

QRect ZWindow::GetClientRect() const
{
    return window_ ? window_->rect() : QRect();
}

BOOL ZWindow::Move(int x, int y, int width, int height)
{
    if (!window_)
        return FALSE;
    window_->setGeometry(x, y, width, height);
    return TRUE;
}

BOOL ZWindow::Enable(BOOL enable)
{
    if (!window_)
        return FALSE;
    const BOOL wasDisabled = !window_->isEnabled();
    window_->setEnabled(enable != 0);
    return wasDisabled;
}

BOOL ZWindow::Show()
{
    if (!window_)
        return FALSE;
    const BOOL wasVisible = window_->isVisible();
    window_->show();
    return wasVisible;
}

BOOL ZWindow::Hide()
{
    if (!window_)
        return FALSE;
    const BOOL wasVisible = window_->isVisible();
    window_->hide();
    return wasVisible;
}

void ZWindow::Invalidate(const QRect* rect)
{
    if (!window_)
        return;
    if (rect)
        window_->update(*rect);
    else
        window_->update();
}

void ZWindow::Update()
{
    if (window_)
        window_->repaint();
}

BOOL ZWindow::SetForeground()
{
    if (!window_)
        return FALSE;
    QWidget* top = window_->window();
    if (top->isMinimized())
        top->showNormal();
    top->show();
    top->raise();
    top->activateWindow();
    return TRUE;
}

void ZWindow::SetFocus()
{
    if (window_)
        window_->setFocus(Qt::OtherFocusReason);
}

QString ZWindow::Text() const
{
    if (!window_)
        return {};
    // Controls show a text of their own; windows and dialogs their title.
    const QVariant text = window_->property("text");
    return text.isValid() ? text.toString() : window_->windowTitle();
}

int ZWindow::GetTextLength() const
{
    return static_cast<int>(Text().size());
}

int ZWindow::GetText(ZString& text) const
{
    text = ZString::FromQString(Text());
    return text.Length();
}

BOOL ZWindow::SetText(const QString& text)
{
    if (!window_)
        return FALSE;
    if (window_->property("text").isValid())
        window_->setProperty("text", text);
    else
        window_->setWindowTitle(text);
    return TRUE;
}

BOOL ZWindow::SetText(LPCWSTR text)
{
    return SetText(text ? QString::fromUtf16(text) : QString());
}

LRESULT ZWindow::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return WindowProc(message, wParam, lParam);
}

BOOL ZWindow::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    QCoreApplication::postEvent(bridge_.get(), new MessageEvent(message, wParam, lParam));
    return TRUE;
}

int ZWindow::SetTimer(UINT id, UINT milliseconds)
{
    auto& timer = timers_[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(
            timer.get(), &QTimer::timeout, bridge_.get(), [this, id] { SendMessage(WM_TIMER, id, 0); });
    }
    timer->start(static_cast<int>(milliseconds));
    return static_cast<int>(timers_.size());
}

BOOL ZWindow::KillTimer(UINT id)
{
    return timers_.erase(id) ? TRUE : FALSE;
}

BOOL ZWindow::HasTimer(UINT id) const
{
    return timers_.count(id) ? TRUE : FALSE;
}

void ZWindow::SetBrush(const QBrush& brush)
{
    brush_ = brush;
    if (!window_)
        return;
    QPalette palette = window_->palette();
    if (brush.style() == Qt::NoBrush) {
        palette.setBrush(QPalette::Window, QWidget().palette().brush(QPalette::Window));
        window_->setAutoFillBackground(false);
    } else {
        palette.setBrush(QPalette::Window, brush);
        window_->setAutoFillBackground(true);
    }
    window_->setPalette(palette);
    window_->update();
}

BOOL ZWindow::EraseBackground(QPainter& painter)
{
    painter.fillRect(
        GetClientRect(), brush_.style() == Qt::NoBrush && window_ ? window_->palette().window() : brush_);
    return TRUE;
}

void ZWindow::SetFont(const QFont& font)
{
    if (window_)
        window_->setFont(font);
}

QFont ZWindow::GetFont() const
{
    return window_ ? window_->font() : QFont();
}

int ZWindow::MessageBox(LPCWSTR text, LPCWSTR caption, UINT flags)
{
    return MessageBoxW(GetHwnd(), text, caption, flags);
}

QPoint ZWindow::ScreenToClient(const QPoint& point) const
{
    return window_ ? window_->mapFromGlobal(point) : point;
}

QRect ZWindow::ScreenToClient(const QRect& rect) const
{
    return QRect(ScreenToClient(rect.topLeft()), rect.size());
}

QPoint ZWindow::ClientToScreen(const QPoint& point) const
{
    return window_ ? window_->mapToGlobal(point) : point;
}

QRect ZWindow::ClientToScreen(const QRect& rect) const
{
    return QRect(ClientToScreen(rect.topLeft()), rect.size());
}

LRESULT ZWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProc(message, wParam, lParam);
}

LRESULT ZWindow::DefWindowProc(UINT message, WPARAM, LPARAM)
{
    if (message == WM_CLOSE)
        Destroy();
    return 0;
}

bool ZWindow::OnEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Resize: {
        const QSize size = static_cast<QResizeEvent*>(event)->size();
        SendMessage(
            WM_SIZE, 0, MAKELPARAM(static_cast<WORD>(size.width()), static_cast<WORD>(size.height())));
        return false;
    }
    case QEvent::WindowActivate:
        SendMessage(WM_ACTIVATE, WA_ACTIVE, 0);
        return false;
    case QEvent::WindowDeactivate:
        SendMessage(WM_ACTIVATE, WA_INACTIVE, 0);
        return false;
    case QEvent::Close:
        // The window's handler decides; by default it destroys the window.
        event->ignore();
        SendMessage(WM_CLOSE);
        return true;
    default:
        return false;
    }
}
