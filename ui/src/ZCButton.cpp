#include "ZCButton.h"

#include <QCheckBox>
#include <QPushButton>

QWidget* ZCButton::CreateWidget(QWidget* parent)
{
    return new QPushButton(parent);
}

QAbstractButton* ZCButton::Button() const
{
    return qobject_cast<QAbstractButton*>(GetHandle());
}

void ZCButton::Click()
{
    if (QAbstractButton* button = Button())
        button->click();
}

int ZCButton::GetCheck() const
{
    const QAbstractButton* button = Button();
    if (const auto* box = qobject_cast<const QCheckBox*>(button);
        box && box->checkState() == Qt::PartiallyChecked)
        return BST_INDETERMINATE;
    return button && button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void ZCButton::SetCheck(int state)
{
    QAbstractButton* button = Button();
    if (!button || !button->isCheckable())
        return;
    if (auto* box = qobject_cast<QCheckBox*>(button); box && state == BST_INDETERMINATE) {
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
        return;
    }
    button->setChecked(state == BST_CHECKED);
}
