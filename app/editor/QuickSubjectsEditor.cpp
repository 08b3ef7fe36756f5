#include "QuickSubjectsEditor.h"

#include "DialogPlacement.h"
#include "MessageBoxFlags.h"
#include "Settings.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

const WCHAR kTitle[] = u"Kestrin Subjects...";

QString Q(const ZString& text)
{
    return text.IsEmpty() ? QString() : text.ToQString();
}

} // namespace

QuickSubjectsEditor::QuickSubjectsEditor(ZRegistry& settings)
    : settings_(settings)
{
}

int QuickSubjectsEditor::Open(QWidget* parent)
{
    return DoModal(parent, QString::fromUtf16(kTitle), QStringLiteral("quickSubjectsEditor"));
}

BOOL QuickSubjectsEditor::OnInitDialog()
{
    QDialog* dialog = Dialog();
    auto* layout = new QGridLayout(dialog);
    field_ = new QLineEdit(dialog);
    field_->setObjectName(QStringLiteral("subjectField"));
    auto* add = new QPushButton(QStringLiteral("Add"), dialog);
    add->setObjectName(QStringLiteral("buttonAdd"));
    add->setAutoDefault(false);
    delete_ = new QPushButton(QStringLiteral("Delete"), dialog);
    delete_->setObjectName(QStringLiteral("buttonDelete"));
    delete_->setAutoDefault(false);
    delete_->setEnabled(false);
    list_ = new QListWidget(dialog);
    list_->setObjectName(QStringLiteral("subjectList"));
    SetItem(kListId, list_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->setObjectName(QStringLiteral("subjectButtons"));
    layout->addWidget(field_, 0, 0);
    layout->addWidget(add, 0, 1);
    layout->addWidget(delete_, 0, 2);
    layout->addWidget(list_, 1, 0, 1, 3);
    layout->addWidget(buttons, 2, 0, 1, 3);

    QObject::connect(add, &QPushButton::clicked, dialog, [this] { AddSubject(); });
    QObject::connect(delete_, &QPushButton::clicked, dialog, [this] { DeleteSubject(); });
    QObject::connect(list_, &QListWidget::currentRowChanged, dialog, [this](int row) {
        delete_->setEnabled(row >= 0);
        if (row >= 0)
            field_->setText(list_->item(row)->text());
    });
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    if (!CoverHandheldOwner(*dialog, dialog->parentWidget()))
        dialog->resize(320, 400);
    LoadList();
    return TRUE;
}

BOOL QuickSubjectsEditor::LoadList()
{
    list_->clear();
    Settings settings(settings_);
    const int count = settings.SubjectCount();
    for (int i = 0; i < count; ++i)
        list_->addItem(Q(settings.Subject(i)));
    return TRUE;
}

void QuickSubjectsEditor::AddSubject()
{
    Settings settings(settings_);
    const int count = settings.SubjectCount();
    const QString text = field_->text();
    settings.SetSubject(count, reinterpret_cast<LPCWSTR>(text.utf16()));
    settings.SetSubjectCount(count + 1);
    LoadList();
    field_->clear();
    field_->setFocus();
}

void QuickSubjectsEditor::DeleteSubject()
{
    Settings settings(settings_);
    if (settings.ConfirmSubjectDelete()
        && MessageBox(u"Delete?", kTitle, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    QListWidgetItem* selected = list_->currentItem();
    const QString text = selected ? selected->text() : QString();
    const int count = settings.SubjectCount();
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i)
        if (Q(settings.Subject(i)) == text)
            found = i;
    if (selected && found >= 0) {
        // Each later subject moves down one; the last copies the missing
        // subject <count>, leaving an empty text behind.
        for (int j = found; j < count; ++j) {
            const ZString next = settings.Subject(j + 1);
            settings.SetSubject(j, next.IsEmpty() ? u"" : next.Text());
        }
        settings.SetSubjectCount(count - 1);
    }
    field_->clear();
    LoadList();
    delete_->setEnabled(false);
    list_->setFocus();
}
