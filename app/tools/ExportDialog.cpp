#include "ExportDialog.h"

#include "DialogPlacement.h"
#include "FileDialogs.h"
#include "JournalProps.h"
#include "ProgramText.h"
#include "UiHooks.h"
#include "ZHandles.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr QSize kDesktopSize(320, 440);

ExportDialog::FileChooser& Chooser()
{
    static ExportDialog::FileChooser chooser;
    return chooser;
}

} // namespace

void ExportDialog::SetFileChooser(FileChooser chooser)
{
    Chooser() = std::move(chooser);
}

bool ExportDialog::AskTarget(QWidget* owner, Target& target)
{
    FileDialogOptions options;
    options.title = QStringLiteral("Export");
    options.filters = { QStringLiteral("Comma Separated Values (*.CSV *.csv)"),
        QStringLiteral("Text Files (*.TXT *.txt)") };
    options.suffixes = { QStringLiteral("csv"), QStringLiteral("txt") };
    int filter = 0;
    if (!AskForFile(owner, options, target.path, filter))
        return false;
    target.format = filter == 1 ? ExportFormat::SimpleText : ExportFormat::CommaSeparated;
    return true;
}

ExportDialog::ExportDialog(DbKestrin& journal, SelectionList& selection, ExportScope scope)
    : journal_(journal)
    , selection_(selection)
    , writer_(journal)
    , initialScope_(scope)
{
}

int ExportDialog::Run(QWidget* owner)
{
    owner_ = owner;
    exported_ = 0;
    return DoModal(owner, QStringLiteral("Export..."), QStringLiteral("exportDialog"));
}

BOOL ExportDialog::OnInitDialog()
{
    if (journal_.SeekFirst() == 0) {
        MessageBoxW(ToHwnd(owner_), ExportWriter::kNoRecordsText, kWindowTitle, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    const bool chosen = Chooser() ? Chooser()(owner_, target_) : AskTarget(owner_, target_);
    if (!chosen)
        return FALSE;
    BuildItems();
    return TRUE;
}

void ExportDialog::BuildItems()
{
    QDialog* dialog = Dialog();
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(4);

    format_ = new QLabel(dialog);
    format_->setObjectName(QStringLiteral("exportFormat"));
    SetItem(kFormatId, format_);
    layout->addWidget(format_);

    all_ = new QRadioButton(QStringLiteral("&Export all Kestrin entries"), dialog);
    all_->setObjectName(QStringLiteral("exportAll"));
    all_->setChecked(true);
    selected_ = new QRadioButton(QStringLiteral("Export only &selected Kestrin entries"), dialog);
    selected_->setObjectName(QStringLiteral("exportSelected"));
    selected_->setEnabled(selection_.Count() > 0);
    filtered_ = new QRadioButton(QStringLiteral("Export filtered Kestrin entries"), dialog);
    filtered_->setObjectName(QStringLiteral("exportFiltered"));
    filtered_->setEnabled(journal_.GetFilter().IsActive() != 0);
    for (auto [id, radio] :
        { std::pair { kAllId, all_ }, { kSelectedId, selected_ }, { kFilteredId, filtered_ } }) {
        SetItem(id, radio);
        layout->addWidget(radio);
    }
    if (initialScope_ == ExportScope::Selected && selected_->isEnabled())
        selected_->setChecked(true);
    else if (initialScope_ == ExportScope::Filtered && filtered_->isEnabled())
        filtered_->setChecked(true);

    layout->addWidget(new QLabel(QStringLiteral("Fields to export"), dialog));
    fields_ = new QListWidget(dialog);
    fields_->setObjectName(QStringLiteral("exportFields"));
    fields_->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const DbJItem* field : writer_.Choice())
        fields_->addItem(field->GetLabel().ToQString());
    fields_->selectAll();
    SetItem(kFieldsId, fields_);
    layout->addWidget(fields_, 1);
    QObject::connect(fields_, &QListWidget::itemSelectionChanged, dialog, [this] { OnFieldsChanged(); });

    header_ = new QCheckBox(dialog);
    header_->setObjectName(QStringLiteral("exportHeader"));
    header_->setChecked(true);
    SetItem(kHeaderId, header_);
    layout->addWidget(header_);

    progress_.Create({}, {}, dialog, QStringLiteral("exportProgress"));
    progress_.Hide();
    SetItem(kProgressId, progress_.GetHandle());
    layout->addWidget(progress_.GetHandle());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName(QStringLiteral("exportButtons"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    ShowFormat();

    if (!CoverHandheldOwner(*dialog, owner_)) {
        dialog->resize(kDesktopSize);
        CenterInWorkArea();
    }
}

void ExportDialog::ShowFormat()
{
    const bool simpleText = target_.format == ExportFormat::SimpleText;
    format_->setText(
        simpleText ? QStringLiteral("Format\nSimple Text") : QStringLiteral("Format\nComma Separated Value"));
    // Simple text writes every field.
    fields_->setEnabled(!simpleText);
    header_->setText(
        simpleText ? QStringLiteral("Write Labels to File") : QStringLiteral("Write column &header to file"));
}

void ExportDialog::ChooseAnotherFile()
{
    progress_.Hide();
    header_->show();
    Target another = target_;
    const bool chosen = Chooser() ? Chooser()(GetHandle(), another) : AskTarget(GetHandle(), another);
    if (!chosen)
        return; // the dialog stays; OK tries the same file again, Cancel ends
    target_ = another;
    ShowFormat();
}

void ExportDialog::OnFieldsChanged()
{
    int row = 0;
    for (DbJItem* field : writer_.Choice()) {
        const QListWidgetItem* item = fields_->item(row++);
        if (item && item->isSelected())
            field->SetFlag(FIELD_EXPORT);
        else
            field->DelFlag(FIELD_EXPORT);
    }
}

ExportScope ExportDialog::Scope() const
{
    if (selected_->isChecked())
        return ExportScope::Selected;
    return filtered_->isChecked() ? ExportScope::Filtered : ExportScope::All;
}

void ExportDialog::Export()
{
    ExportOptions options;
    options.format = target_.format;
    options.headerOrLabels = header_->isChecked();
    options.scope = Scope();
    if (options.scope == ExportScope::Selected)
        for (CEOID oid = selection_.First(); oid != 0; oid = selection_.Next())
            options.selected.push_back(oid);

    SetWaitCursor(true);
    header_->hide();
    progress_.Show();
    exported_ = writer_.Export(ZString::FromQString(target_.path), options, &progress_);
    SetWaitCursor(false);

    if (writer_.Failed()) {
        MessageBox(writer_.ErrorText(), kWindowTitle, MB_OK | MB_ICONSTOP);
        ChooseAnotherFile();
        return;
    }
    MessageBox(ExportWriter::CountMessage(exported_), kWindowTitle, MB_OK);
    EndOk();
}

LRESULT ExportDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_OK) {
        Export();
        return 1;
    }
    return ZDialog::WindowProc(message, wParam, lParam);
}
