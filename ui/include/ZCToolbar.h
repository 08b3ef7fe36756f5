#pragma once
// ZCToolbar: a tool bar (QToolBar) whose buttons are commands known by
// number: pressing one sends WM_COMMAND with its id to the owner window. It
// stands in for the handheld's menu bar buttons. The bar uses a bold 13-pixel
// font of its own. Button object names are "toolButton<id>" unless given.
// UI thread only.

#include "ZWindow.h"

#include <QIcon>

class QAction;
class QToolBar;

class ZCToolbar : public ZWindow {
public:
    QToolBar* Bar() const;
    // Where the commands go (not owned; may be null: then nowhere).
    void SetOwner(ZWindow* owner) { owner_ = owner; }

    // Appends a button; returns its action (null without a window).
    QAction* AddButton(UINT id, const QString& text, const QIcon& icon = {}, const QString& objectName = {});
    void AddSeparator();
    QAction* Button(UINT id) const;
    BOOL SetButtonText(UINT id, const QString& text);
    BOOL EnableButton(UINT id, BOOL enable);
    BOOL CheckButton(UINT id, BOOL checked);
    BOOL RemoveButton(UINT id);

protected:
    QWidget* CreateWidget(QWidget* parent) override;

private:
    ZWindow* owner_ = nullptr;
};
