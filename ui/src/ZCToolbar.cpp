#include "ZCToolbar.h"

#include <QAction>
#include <QToolBar>

namespace {

constexpr const char* kIdProperty = "commandId";

} // namespace

QWidget* ZCToolbar::CreateWidget(QWidget* parent)
{
    auto* bar = new QToolBar(parent);
    QFont font = bar->font();
    font.setPixelSize(13);
    font.setBold(true);
    bar->setFont(font);
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return bar;
}

QToolBar* ZCToolbar::Bar() const
{
    return qobject_cast<QToolBar*>(GetHandle());
}

QAction* ZCToolbar::AddButton(UINT id, const QString& text, const QIcon& icon, const QString& objectName)
{
    QToolBar* bar = Bar();
    if (!bar)
        return nullptr;
    QAction* action = bar->addAction(icon, text);
    action->setProperty(kIdProperty, id);
    action->setObjectName(objectName.isEmpty() ? QStringLiteral("toolButton%1").arg(id) : objectName);
    if (!icon.isNull())
        action->setToolTip(text);
    QObject::connect(action, &QAction::triggered, bar, [this, id] {
        if (owner_)
            owner_->PostMessage(WM_COMMAND, id, 0);
    });
    return action;
}

void ZCToolbar::AddSeparator()
{
    if (QToolBar* bar = Bar())
        bar->addSeparator();
}

QAction* ZCToolbar::Button(UINT id) const
{
    const QToolBar* bar = Bar();
    if (!bar)
        return nullptr;
    for (QAction* action : bar->actions())
        if (!action->isSeparator() && action->property(kIdProperty).toUInt() == id)
            return action;
    return nullptr;
}

BOOL ZCToolbar::SetButtonText(UINT id, const QString& text)
{
    QAction* action = Button(id);
    if (!action)
        return FALSE;
    action->setText(text);
    return TRUE;
}

BOOL ZCToolbar::EnableButton(UINT id, BOOL enable)
{
    QAction* action = Button(id);
    if (!action)
        return FALSE;
    action->setEnabled(enable != 0);
    return TRUE;
}

BOOL ZCToolbar::CheckButton(UINT id, BOOL checked)
{
    QAction* action = Button(id);
    if (!action)
        return FALSE;
    action->setCheckable(true);
    action->setChecked(checked != 0);
    return TRUE;
}

BOOL ZCToolbar::RemoveButton(UINT id)
{
    QAction* action = Button(id);
    if (!action)
        return FALSE;
    Bar()->removeAction(action);
    delete action;
    return TRUE;
}
