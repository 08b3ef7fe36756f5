#include "ZCComboBox.h"

#include <QComboBox>
#include <QLineEdit>

QWidget* ZCComboBox::CreateWidget(QWidget* parent)
{
    return new QComboBox(parent);
}

QComboBox* ZCComboBox::Combo() const
{
    return qobject_cast<QComboBox*>(GetHandle());
}

int ZCComboBox::AddString(const QString& text)
{
    return InsertString(-1, text);
}

int ZCComboBox::InsertString(int index, const QString& text)
{
    QComboBox* combo = Combo();
    if (!combo)
        return CB_ERR;
    const int at = index < 0 || index > combo->count() ? combo->count() : index;
    combo->insertItem(at, text);
    return at;
}

int ZCComboBox::DeleteString(int index)
{
    QComboBox* combo = Combo();
    if (!combo || index < 0 || index >= combo->count())
        return CB_ERR;
    combo->removeItem(index);
    return combo->count();
}

void ZCComboBox::ResetContent()
{
    if (QComboBox* combo = Combo())
        combo->clear();
}

int ZCComboBox::GetCount() const
{
    const QComboBox* combo = Combo();
    return combo ? combo->count() : CB_ERR;
}

int ZCComboBox::GetCurSel() const
{
    const QComboBox* combo = Combo();
    return combo ? combo->currentIndex() : CB_ERR;
}

int ZCComboBox::SetCurSel(int index)
{
    QComboBox* combo = Combo();
    if (!combo || index < -1 || index >= combo->count())
        return CB_ERR;
    combo->setCurrentIndex(index);
    return index;
}

int ZCComboBox::Find(int start, const QString& text, bool exact) const
{
    const QComboBox* combo = Combo();
    const int count = combo ? combo->count() : 0;
    for (int step = 1; step <= count; ++step) {
        const int index = ((start < 0 ? -1 : start) + step) % count;
        const QString item = combo->itemText(index);
        const bool match = exact ? item.compare(text, Qt::CaseInsensitive) == 0
                                 : item.startsWith(text, Qt::CaseInsensitive);
        if (match)
            return index;
    }
    return CB_ERR;
}

int ZCComboBox::FindString(int start, const QString& prefix) const
{
    return Find(start, prefix, false);
}

int ZCComboBox::FindStringExact(int start, const QString& text) const
{
    return Find(start, text, true);
}

int ZCComboBox::SelectString(int start, const QString& prefix)
{
    const int found = FindString(start, prefix);
    if (found != CB_ERR)
        SetCurSel(found);
    return found;
}

QString ZCComboBox::GetLBText(int index) const
{
    const QComboBox* combo = Combo();
    return combo ? combo->itemText(index) : QString();
}

DWORD ZCComboBox::GetItemData(int index) const
{
    const QComboBox* combo = Combo();
    return combo ? combo->itemData(index).toUInt() : 0;
}

BOOL ZCComboBox::SetItemData(int index, DWORD data)
{
    QComboBox* combo = Combo();
    if (!combo || index < 0 || index >= combo->count())
        return FALSE;
    combo->setItemData(index, data);
    return TRUE;
}

void ZCComboBox::ShowDropDown(BOOL show)
{
    if (QComboBox* combo = Combo())
        show ? combo->showPopup() : combo->hidePopup();
}

void ZCComboBox::LimitText(int characters)
{
    QComboBox* combo = Combo();
    if (combo && combo->lineEdit())
        combo->lineEdit()->setMaxLength(characters > 0 ? characters : 32767);
}
