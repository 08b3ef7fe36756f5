#include "QuickSubjectsEditor.h"

#include "DialogPlacement.h"
#include "MessageBoxFlags.h"
#include "Settings.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

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
    auto* layout = new QVBoxLayout(dialog);
    if (!list_.Create({}, {}, dialog, QStringLiteral("subjectList")))
        return FALSE;
    SetItem(kListId, list_.GetHandle());
    layout->addWidget(list_.GetHandle(), 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->setObjectName(QStringLiteral("subjectButtons"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    layout->addWidget(buttons);
    if (!CoverHandheldOwner(*dialog, dialog->parentWidget()))
        dialog->resize(320, 400);
    LoadList();
    return TRUE;
}

BOOL QuickSubjectsEditor::LoadList()
{
    list_.ResetContent();
    Settings settings(settings_);
    const int count = settings.SubjectCount();
    for (int i = 0; i < count; ++i)
        list_.AddString(Q(settings.Subject(i)));
    return TRUE;
}

void QuickSubjectsEditor::AddSubject()
{
    Settings settings(settings_);
    const int count = settings.SubjectCount();
    const QString text = list_.Field().Text();
    settings.SetSubject(count, reinterpret_cast<LPCWSTR>(text.utf16()));
    settings.SetSubjectCount(count + 1);
    LoadList();
    list_.Field().SetText(u"");
    list_.Field().SetFocus();
}

void QuickSubjectsEditor::DeleteSubject()
{
    Settings settings(settings_);
    if (settings.ConfirmSubjectDelete() && MessageBox(u"Delete?", kTitle, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    const int selected = list_.GetCurSel();
    const QString text = list_.GetItemText(selected);
    const int count = settings.SubjectCount();
    int found = -1;
    for (int i = 0; i < count && found < 0; ++i)
        if (Q(settings.Subject(i)) == text)
            found = i;
    if (selected >= 0 && found >= 0) {
        // Each later subject moves down one; the last copies the missing
        // subject <count>, leaving an empty text behind.
        for (int j = found; j < count; ++j) {
            const ZString next = settings.Subject(j + 1);
            settings.SetSubject(j, next.IsEmpty() ? u"" : next.Text());
        }
        settings.SetSubjectCount(count - 1);
    }
    list_.Field().SetText(u"");
    LoadList();
    list_.DeleteButton().Enable(FALSE);
    if (QListWidget* items = list_.List())
        items->setFocus();
}
