#include "ZCCapEdit.h"

#include <QLineEdit>

#include <algorithm>

namespace {

constexpr int kNoLimit = 32767; // QLineEdit's own default
} // namespace

QWidget* ZCCapEdit::CreateWidget(QWidget* parent)
{
    return new QLineEdit(parent);
}

QLineEdit* ZCCapEdit::Edit() const
{
    return qobject_cast<QLineEdit*>(GetHandle());
}

void ZCCapEdit::GetSel(int& start, int& end) const
{
    const QLineEdit* edit = Edit();
    if (!edit || !edit->hasSelectedText()) {
        start = end = edit ? edit->cursorPosition() : 0;
        return;
    }
    start = edit->selectionStart();
    end = edit->selectionEnd();
}

void ZCCapEdit::SetSel(int start, int end)
{
    QLineEdit* edit = Edit();
    if (!edit)
        return;
    const int length = static_cast<int>(edit->text().size());
    start = std::clamp(start, 0, length);
    end = end < 0 ? length : std::clamp(end, 0, length);
    edit->setSelection(start, end - start);
}

void ZCCapEdit::ReplaceSel(const QString& text)
{
    if (QLineEdit* edit = Edit())
        edit->insert(text);
}

void ZCCapEdit::LimitText(int characters)
{
    if (QLineEdit* edit = Edit())
        edit->setMaxLength(characters > 0 ? characters : kNoLimit);
}

int ZCCapEdit::GetLimitText() const
{
    const QLineEdit* edit = Edit();
    return edit ? edit->maxLength() : 0;
}

BOOL ZCCapEdit::GetModify() const
{
    const QLineEdit* edit = Edit();
    return edit && edit->isModified();
}

void ZCCapEdit::SetModify(BOOL modified)
{
    if (QLineEdit* edit = Edit())
        edit->setModified(modified != 0);
}

BOOL ZCCapEdit::Undo()
{
    QLineEdit* edit = Edit();
    if (!edit || !edit->isUndoAvailable())
        return FALSE;
    edit->undo();
    return TRUE;
}

BOOL ZCCapEdit::CanUndo() const
{
    const QLineEdit* edit = Edit();
    return edit && edit->isUndoAvailable();
}

void ZCCapEdit::SetPasswordChar(QChar ch)
{
    QLineEdit* edit = Edit();
    if (!edit)
        return;
    edit->setEchoMode(ch.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}
