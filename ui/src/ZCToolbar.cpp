#include "ZCToolbar.h"

#include "CommandActions.h"

#include <QAction>
#include <QToolBar>

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
    TagCommand(action, id, objectName, QStringLiteral("toolButton"));
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
    return bar ? FindCommand(bar->actions(), id) : nullptr;
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
    return EnableCommand(Button(id), enable);
}

BOOL ZCToolbar::CheckButton(UINT id, BOOL checked)
{
    return CheckCommand(Button(id), checked);
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
