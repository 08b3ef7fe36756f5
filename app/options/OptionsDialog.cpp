#include "OptionsDialog.h"

#include "CategoryPicker.h"
#include "DialogPlacement.h"
#include "MaintenanceDialog.h"
#include "PasswordLock.h"
#include "PimFolders.h"
#include "ProgramText.h"
#include "QuickSubjectsEditor.h"
#include "Settings.h"
#include "SkinDialog.h"
#include "UiHooks.h"
#include "ZColor.h"
#include "ZHandles.h"
#include "ZString.h"
#include "ZTime.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kRowHeight = 22;
constexpr QSize kDesktopSize(380, 420);
// The labels' colour and fonts, as on the handheld's option list.
constexpr COLORREF kLabelColour = 0x3C7D7D;
constexpr int kDateFormatCount = Settings::kLastDateFormat - Settings::kFirstDateFormat + 1;

QString LoadText(UINT id)
{
    ZString text;
    text.LoadString(id);
    return text.ToQString();
}

OptionsDialog::FolderChooser& InstalledFolderChooser()
{
    static OptionsDialog::FolderChooser chooser;
    return chooser;
}

QString AskForFolder(QWidget* owner, const QString& title, const QString& current)
{
    return QFileDialog::getExistingDirectory(owner, title, current);
}

QString YesNo(bool on)
{
    return on ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString PasswordText(bool active)
{
    return active ? QStringLiteral("********") : QStringLiteral("<Disabled>");
}

PimFolderKind FolderKind(int row)
{
    if (row == OptionsDialog::kCalendarFolderRow)
        return PimFolderKind::Calendar;
    return row == OptionsDialog::kTasksFolderRow ? PimFolderKind::Tasks : PimFolderKind::Contacts;
}

QString FolderText(int row)
{
    return QString::fromStdU16String(PimFolder(ReadPimFolders(), FolderKind(row)).u16string());
}

} // namespace

OptionsDialog::OptionsDialog(ZRegistry& store, Skin& programSkin, DbKestrin& journal)
    : store_(store)
    , programSkin_(programSkin)
    , journal_(journal)
{
}

void OptionsDialog::SetFolderChooser(FolderChooser chooser)
{
    InstalledFolderChooser() = std::move(chooser);
}

QStringList OptionsDialog::DateFormatChoices()
{
    ZTime today;
    today.SetNow();
    QStringList choices;
    for (int id = Settings::kFirstDateFormat; id <= Settings::kLastDateFormat; ++id) {
        ZString pattern;
        pattern.LoadString(static_cast<UINT>(id));
        ZString text;
        today.FormatDate(pattern, text);
        choices << text.ToQString();
    }
    return choices;
}

int OptionsDialog::Run(QWidget* owner)
{
    owner_ = owner;
    DoModal(owner, LoadText(40020), QStringLiteral("optionsDialog"));
    return changed_ ? 1 : 0;
}

void OptionsDialog::BuildRows()
{
    const Settings settings(store_);
    const QStringList noYes { YesNo(false), YesNo(true) };
    const QStringList dates = DateFormatChoices();
    const int format = settings.DateFormat();
    const int formatIndex = format - Settings::kFirstDateFormat;
    const bool knownFormat = formatIndex >= 0 && formatIndex < kDateFormatCount;

    rows_.assign(kRowCount, {});
    rows_[kPasswordRow] = { LoadText(40013), RowKind::Password,
        PasswordText(PasswordLock(Dialog(), store_).IsActive()), 0, {} };
    rows_[kConfirmDeletesRow] = { LoadText(40014), RowKind::List, YesNo(settings.ConfirmDeletes()),
        settings.ConfirmDeletes() ? 1 : 0, noYes };
    rows_[kPreviewPaneRow] = { LoadText(40027), RowKind::List, YesNo(settings.PreviewPane()),
        settings.PreviewPane() ? 1 : 0, noYes };
    rows_[kSubjectsRow] = { LoadText(40015), RowKind::Action, LoadText(40022), 0, {} };
    rows_[kCategoriesRow] = { LoadText(40023), RowKind::Action, LoadText(40021), 0, {} };
    rows_[kSkinRow] = { LoadText(40033), RowKind::Action, settings.Skin().ToQString(), 0, {} };
    rows_[kDateFormatRow]
        = { LoadText(40032), RowKind::List, knownFormat ? dates[formatIndex] : QString(), format, dates };
    rows_[kMaintenanceRow] = { LoadText(40085), RowKind::Action, LoadText(40035), 0, {} };
    rows_[kContactsFolderRow]
        = { QStringLiteral("Address Book"), RowKind::Action, FolderText(kContactsFolderRow), 0, {} };
    rows_[kCalendarFolderRow]
        = { QStringLiteral("Calendar"), RowKind::Action, FolderText(kCalendarFolderRow), 0, {} };
    rows_[kTasksFolderRow] = { QStringLiteral("Tasks"), RowKind::Action, FolderText(kTasksFolderRow), 0, {} };
}

BOOL OptionsDialog::OnInitDialog()
{
    QDialog* dialog = Dialog();
    changed_ = false;
    editor_ = nullptr;
    editRow_ = -1;
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);

    table_ = new QTableWidget(kRowCount, 2, dialog);
    table_->setObjectName(QStringLiteral("optionsList"));
    table_->horizontalHeader()->hide();
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setShowGrid(false);
    table_->setFocusPolicy(Qt::NoFocus);
    SetItem(kListId, table_);
    layout->addWidget(table_, 1);

    BuildRows();
    QFont labelFont = table_->font();
    labelFont.setWeight(QFont::Thin);
    for (int row = 0; row < kRowCount; ++row) {
        auto* label = new QTableWidgetItem(rows_[row].label);
        label->setForeground(ToQColor(kLabelColour));
        label->setFont(labelFont);
        label->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table_->setItem(row, 0, label);
        table_->setItem(row, 1, new QTableWidgetItem);
        ShowRow(row);
    }
    QObject::connect(table_, &QTableWidget::cellClicked, dialog, [this](int row, int column) {
        if (column == 1)
            TapValue(row);
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    buttons->setObjectName(QStringLiteral("optionsButtons"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    layout->addWidget(buttons);

    if (!CoverHandheldOwner(*dialog, owner_)) {
        dialog->resize(kDesktopSize);
        CenterInWorkArea();
    }
    // The names take a third of the width, the values the rest.
    table_->setColumnWidth(0, std::max(60, dialog->width() / 3));
    return TRUE;
}

void OptionsDialog::ShowRow(int row)
{
    if (QTableWidgetItem* value = table_ ? table_->item(row, 1) : nullptr) {
        value->setText(rows_[row].text);
        value->setToolTip(rows_[row].text);
    }
}

QString OptionsDialog::ValueText(int row) const
{
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[row].text : QString();
}

int OptionsDialog::ListValue(int row) const
{
    return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[row].value : 0;
}

void OptionsDialog::TapValue(int row)
{
    if (row < 0 || row >= kRowCount)
        return;
    TakeEditorValue();
    switch (rows_[row].kind) {
    case RowKind::List:
        OpenList(row);
        return;
    case RowKind::Action:
        RunAction(row);
        return;
    case RowKind::Password:
        ChangePassword();
        return;
    }
}

void OptionsDialog::OpenList(int row)
{
    RowState& state = rows_[row];
    editor_ = new QComboBox(table_);
    editor_->setObjectName(QStringLiteral("optionsChoice"));
    editor_->addItems(state.items);
    const int current = row == kDateFormatRow ? state.value - Settings::kFirstDateFormat : state.value;
    editor_->setCurrentIndex(current >= 0 && current < state.items.size() ? current : -1);
    editRow_ = row;
    // The list sits over the value and scrolls with its row.
    table_->setCellWidget(row, 1, editor_);
    editor_->setFocus();
}

void OptionsDialog::TakeEditorValue()
{
    if (!editor_ || !table_)
        return;
    RowState& state = rows_[editRow_];
    const int index = editor_->currentIndex();
    if (index >= 0) {
        state.value = editRow_ == kDateFormatRow ? Settings::kFirstDateFormat + index : index;
        state.text = editor_->currentText();
        changed_ = true;
    }
    table_->removeCellWidget(editRow_, 1);
    editor_ = nullptr;
    ShowRow(editRow_);
    editRow_ = -1;
}

void OptionsDialog::RunAction(int row)
{
    QDialog* dialog = Dialog();
    switch (row) {
    case kSubjectsRow:
        QuickSubjectsEditor(store_).Open(dialog);
        changed_ = true;
        return;
    case kCategoriesRow:
        // Without an entry the picker shows its categories list editor alone.
        CategoryPicker::Pick(dialog, nullptr);
        changed_ = true;
        return;
    case kSkinRow:
        if (SkinDialog(store_, programSkin_).Run(dialog) == 1 && programSkin_.changed && skinApplied_)
            skinApplied_();
        // Even a cancelled chooser counts as a change of the options.
        changed_ = true;
        rows_[row].text = Settings(store_).Skin().ToQString();
        ShowRow(row);
        return;
    case kMaintenanceRow:
        MaintenanceDialog(journal_).Run(dialog);
        return;
    case kContactsFolderRow:
    case kCalendarFolderRow:
    case kTasksFolderRow:
        ChooseFolder(row);
        return;
    default:
        return;
    }
}

void OptionsDialog::ChooseFolder(int row)
{
    const QString current = rows_[row].text;
    const QString title = rows_[row].label;
    const QString chosen = InstalledFolderChooser() ? InstalledFolderChooser()(Dialog(), title, current)
                                                    : AskForFolder(Dialog(), title, current);
    if (chosen.isEmpty() || chosen == current)
        return;
    if (!WritePimFolder(FolderKind(row), std::filesystem::path(chosen.toStdU16String()))) {
        MessageBox(u"The folder could not be stored.", kWindowTitle, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    changed_ = true;
    rows_[row].text = FolderText(row);
    ShowRow(row);
}

void OptionsDialog::ChangePassword()
{
    PasswordLock lock(Dialog(), store_);
    if (!lock.IsActive()) {
        lock.SetNew();
    } else if (lock.Ask()
        && MessageBox(u"Clear Password?", kWindowTitle, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        lock.Clear();
    }
    rows_[kPasswordRow].text = PasswordText(lock.IsActive());
    ShowRow(kPasswordRow);
    changed_ = true;
}

void OptionsDialog::Finish()
{
    TakeEditorValue();
    if (changed_) {
        Settings settings(store_);
        settings.SetConfirmDeletes(rows_[kConfirmDeletesRow].value != 0);
        settings.SetPreviewPane(rows_[kPreviewPaneRow].value != 0);
        settings.SetDateFormat(rows_[kDateFormatRow].value);
    }
    EndOk();
}

LRESULT OptionsDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && (LOWORD(wParam) == IDC_OK || LOWORD(wParam) == IDC_CANCEL)) {
        Finish();
        return 1;
    }
    return ZDialog::WindowProc(message, wParam, lParam);
}
