#include "KeypadDialog.h"

#include "ProgramText.h"
#include "ZString.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

namespace {

QFont PixelFont(int pixels, bool bold)
{
    QFont font;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

KeypadDialog::KeypadDialog(int mode)
    : mode_(mode)
{
}

UINT KeypadDialog::PromptId(int mode)
{
    switch (mode) {
    case kNew:
        return 40016;
    case kReEnter:
        return 40017;
    default:
        return 40018;
    }
}

QString KeypadDialog::Run(QWidget* owner)
{
    DoModal(owner, QStringLiteral("Kestrin Password"), QStringLiteral("keypadDialog"));
    return digits_;
}

BOOL KeypadDialog::OnInitDialog()
{
    QDialog* dialog = Dialog();
    digits_.clear();
    auto* grid = new QGridLayout(dialog);
    grid->setSpacing(4);

    ZString prompt;
    prompt.LoadString(PromptId(mode_));
    auto* label = new QLabel(prompt.ToQString(), dialog);
    label->setObjectName(QStringLiteral("keypadPrompt"));
    label->setFont(PixelFont(11, false));
    label->setStyleSheet(QStringLiteral("color: #0000ff; background: transparent;"));
    SetItem(kPromptId, label);
    grid->addWidget(label, 0, 0, 1, 3);

    entry_ = new QLineEdit(dialog);
    entry_->setObjectName(QStringLiteral("keypadEntry"));
    entry_->setReadOnly(true);
    entry_->setAlignment(Qt::AlignCenter);
    entry_->setFont(PixelFont(15, true));
    entry_->setFocusPolicy(Qt::NoFocus);
    SetItem(kEntryId, entry_);
    grid->addWidget(entry_, 1, 0, 1, 3);

    const QFont digitFont = PixelFont(15, true);
    auto addButton = [&](int id, const QString& text, const QString& name, int row, int column, int span) {
        auto* button = new QPushButton(text, dialog);
        button->setObjectName(name);
        button->setFont(digitFont);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
        button->setMinimumSize(44, 32);
        ConnectCommand(id, button);
        grid->addWidget(button, row, column, 1, span);
        return button;
    };
    for (int digit = 1; digit <= 9; ++digit) {
        auto* button = addButton(kZeroId + digit, QString::number(digit),
            QStringLiteral("keypadDigit%1").arg(digit), 2 + (digit - 1) / 3, (digit - 1) % 3, 1);
        button->setShortcut(QKeySequence(QString::number(digit)));
    }
    addButton(kZeroId, QStringLiteral("0"), QStringLiteral("keypadDigit0"), 5, 0, 2)
        ->setShortcut(QKeySequence(QStringLiteral("0")));
    addButton(kClearId, QStringLiteral("C"), QStringLiteral("keypadClear"), 5, 2, 1)
        ->setShortcut(QKeySequence(Qt::Key_Backspace));

    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    ok->setObjectName(QStringLiteral("keypadOk"));
    ok->setDefault(true);
    ConnectCommand(IDC_OK, ok);
    grid->addWidget(ok, 6, 0, 1, 3);

    ShowDigits();
    dialog->setMinimumWidth(200);
    dialog->adjustSize();
    CenterInWorkArea();
    return TRUE;
}

void KeypadDialog::ShowDigits()
{
    if (entry_)
        entry_->setText(mode_ == kEnter ? QString(digits_.size(), u'X') : digits_);
}

bool KeypadDialog::OnEvent(QEvent* event)
{
    // Escape starts the entry over; it is no answer, so it cannot count as
    // a wrong password (the dialog would take it as Cancel, which ends it).
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        SendMessage(WM_COMMAND, MAKEWPARAM(kClearId, BN_CLICKED), 0);
        return true;
    }
    return ZDialog::OnEvent(event);
}

LRESULT KeypadDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COMMAND)
        return ZDialog::WindowProc(message, wParam, lParam);
    const int id = LOWORD(wParam);
    if (id >= kZeroId && id <= kZeroId + 9) {
        digits_ += QChar(u'0' + (id - kZeroId));
        ShowDigits();
    } else if (id == kClearId) {
        digits_.clear();
        ShowDigits();
    } else if (id == IDC_OK || id == IDC_CANCEL) {
        // The keypad cannot be cancelled: whatever was typed is the answer.
        EndOk();
    }
    return 1;
}
