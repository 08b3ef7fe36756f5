#include "ZMenu.h"

#include "CommandActions.h"
#include "WindowMessages.h"
#include "ZWindow.h"

#include <QAction>
#include <QMenu>

ZMenu::ZMenu() = default;
ZMenu::~ZMenu() = default;

BOOL ZMenu::CreatePopup(const QString& title)
{
    menu_ = std::make_unique<QMenu>(title);
    QObject::connect(menu_.get(), &QMenu::triggered, menu_.get(), [this](QAction* action) {
        // Menus in a bar report here; TrackPopup handles its own choice.
        if (owner_ && CommandId(action) != 0 && !menu_->property("tracking").toBool())
            owner_->PostMessage(WM_COMMAND, CommandId(action), 0);
    });
    return TRUE;
}

BOOL ZMenu::Destroy()
{
    if (!menu_)
        return FALSE;
    menu_.reset();
    return TRUE;
}

QAction* ZMenu::MakeItem(UINT flags, UINT id, const QString& text, const QString& objectName)
{
    auto* action = new QAction(text, menu_.get());
    if (flags & MF_SEPARATOR) {
        action->setSeparator(true);
        return action;
    }
    TagCommand(action, id, objectName, QStringLiteral("menuItem"));
    action->setEnabled(!(flags & (MF_GRAYED | MF_DISABLED)));
    if (flags & MF_CHECKED) {
        action->setCheckable(true);
        action->setChecked(true);
    }
    return action;
}

BOOL ZMenu::Append(UINT flags, UINT id, const QString& text, const QString& objectName)
{
    if (!menu_)
        return FALSE;
    menu_->addAction(MakeItem(flags, id, text, objectName));
    return TRUE;
}

BOOL ZMenu::AppendSubMenu(ZMenu& sub, const QString& text)
{
    if (!menu_ || !sub.menu_)
        return FALSE;
    sub.menu_->setTitle(text);
    menu_->addMenu(sub.menu_.get());
    return TRUE;
}

QAction* ZMenu::ItemAt(UINT item, UINT flags) const
{
    if (!menu_)
        return nullptr;
    const QList<QAction*> actions = menu_->actions();
    if (flags & MF_BYPOSITION)
        return item < static_cast<UINT>(actions.size()) ? actions[item] : nullptr;
    return FindCommand(actions, item);
}

BOOL ZMenu::Insert(UINT position, UINT flags, UINT id, const QString& text)
{
    if (!menu_)
        return FALSE;
    QAction* before = ItemAt(position, flags);
    menu_->insertAction(before, MakeItem(flags, id, text, {}));
    return TRUE;
}

BOOL ZMenu::Remove(UINT item, UINT flags)
{
    QAction* action = ItemAt(item, flags);
    if (!action)
        return FALSE;
    menu_->removeAction(action);
    delete action;
    return TRUE;
}

BOOL ZMenu::Enable(UINT id, BOOL enable)
{
    return EnableCommand(Item(id), enable);
}

BOOL ZMenu::Check(UINT id, BOOL checked)
{
    return CheckCommand(Item(id), checked);
}

BOOL ZMenu::IsChecked(UINT id) const
{
    const QAction* action = Item(id);
    return action && action->isChecked();
}

QAction* ZMenu::Item(UINT id) const
{
    return ItemAt(id, MF_BYCOMMAND);
}

int ZMenu::ItemCount() const
{
    return menu_ ? static_cast<int>(menu_->actions().size()) : 0;
}

void ZMenu::SetOwner(ZWindow* owner)
{
    owner_ = owner;
}

QPoint ZMenu::PopupOrigin(UINT flags, int x, int y, const QSize& size)
{
    const int left = (flags & TPM_RIGHTALIGN) ? x - size.width() : x;
    const int top = (flags & TPM_BOTTOMALIGN) ? y - size.height() : y;
    return QPoint(left, top);
}

int ZMenu::TrackPopup(UINT flags, int x, int y, ZWindow* owner)
{
    if (!menu_)
        return 0;
    menu_->setProperty("tracking", true);
    QAction* chosen = menu_->exec(PopupOrigin(flags, x, y, menu_->sizeHint()));
    if (menu_)
        menu_->setProperty("tracking", false);
    const UINT id = CommandId(chosen);
    if (flags & TPM_RETURNCMD)
        return static_cast<int>(id);
    if (id == 0)
        return 0;
    if (owner)
        owner->PostMessage(WM_COMMAND, id, 0);
    return 1;
}
