#include "FilterDialog.h"

#include "DialogPlacement.h"
#include "JournalProps.h"
#include "JournalTools.h"
#include "UiHooks.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr QSize kDesktopSize(360, 440);
constexpr int kMonthColumnWidth = 70;
const char16_t kActiveText[] = u"Filter Active";

QDate ToDate(const ZTime& time)
{
    const SYSTEMTIME fields = time.ToSystemTime();
    return QDate(fields.wYear, fields.wMonth, fields.wDay);
}

// The day `date` at the given time of day.
ZTime AtTime(const QDate& date, WORD hour, WORD minute, WORD second)
{
    SYSTEMTIME fields {};
    fields.wYear = static_cast<WORD>(date.year());
    fields.wMonth = static_cast<WORD>(date.month());
    fields.wDay = static_cast<WORD>(date.day());
    fields.wHour = hour;
    fields.wMinute = minute;
    fields.wSecond = second;
    return ZTime(fields);
}

// The abbreviated name of month `month` (1..12) in the user's language.
QString ShortMonthName(int month)
{
    SYSTEMTIME fields {};
    fields.wYear = 2000;
    fields.wMonth = static_cast<WORD>(month);
    fields.wDay = 1;
    ZString name;
    ZTime(fields).ShortMonthName(name);
    return name.ToQString();
}

} // namespace

FilterDialog::FilterDialog(DbKestrin& journal, ZWindow* owner)
    : journal_(journal)
    , owner_(owner)
{
}

FilterDialog::~FilterDialog()
{
    categories_.Close();
    Destroy();
}

ZTime FilterDialog::DayStart(const ZTime& day)
{
    return AtTime(ToDate(day), 0, 0, 0);
}

ZTime FilterDialog::DayEnd(const ZTime& day)
{
    return AtTime(ToDate(day), 23, 59, 59);
}

int FilterDialog::Run(QWidget* parent)
{
    return DoModal(parent, QStringLiteral("Kestrin Filter..."), QStringLiteral("filterDialog"));
}

BOOL FilterDialog::OnInitDialog()
{
    working_ = journal_.GetFilter();
    if (!categories_.Open(AsNotifyWindow(this)))
        return FALSE;
    BuildItems();
    FillMonths();
    RefillCategories();
    // A range always covers whole days.
    if (working_.GetStart() == 0ULL) {
        ZTime now;
        now.SetNow();
        working_.SetStart(now);
        working_.SetEnd(now);
    }
    working_.SetStart(DayStart(working_.GetStart()));
    working_.SetEnd(DayEnd(working_.GetEnd()));
    ShowDates();
    filling_ = false;
    working_.SetActive(TRUE);
    (working_.IsByRange() ? range_ : months_)->click();
    if (categoriesOnly_->isChecked() != (working_.IsByCatsOnly() != 0))
        categoriesOnly_->click();
    UpdateStatus();

    QDialog* dialog = Dialog();
    if (!CoverHandheldOwner(*dialog, owner_ ? owner_->GetHandle() : nullptr)) {
        dialog->resize(kDesktopSize);
        CenterInWorkArea();
    }
    return TRUE;
}

void FilterDialog::BuildItems()
{
    QDialog* dialog = Dialog();
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);

    auto* top = new QHBoxLayout;
    range_ = new QRadioButton(QStringLiteral("On &Date Range"), dialog);
    months_ = new QRadioButton(QStringLiteral("On &Month(s)"), dialog);
    status_ = new QLabel(dialog);
    status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* radios = new QVBoxLayout;
    radios->addWidget(range_);
    radios->addWidget(months_);
    top->addLayout(radios);
    top->addWidget(status_, 1, Qt::AlignTop);
    layout->addLayout(top);

    auto* dates = new QGridLayout;
    start_ = new QDateEdit(dialog);
    end_ = new QDateEdit(dialog);
    for (QDateEdit* picker : { start_, end_ }) {
        picker->setCalendarPopup(true);
        picker->setDisplayFormat(QStringLiteral("MM/dd/yyyy"));
    }
    auto* startLabel = new QLabel(QStringLiteral("&Start:"), dialog);
    startLabel->setBuddy(start_);
    auto* endLabel = new QLabel(QStringLiteral("&End:"), dialog);
    endLabel->setBuddy(end_);
    dates->addWidget(startLabel, 0, 0);
    dates->addWidget(start_, 0, 1);
    dates->addWidget(endLabel, 1, 0);
    dates->addWidget(end_, 1, 1);
    dates->setColumnStretch(1, 1);
    layout->addLayout(dates);

    monthList_ = new QListWidget(dialog);
    monthList_->setFlow(QListView::LeftToRight);
    monthList_->setWrapping(true);
    monthList_->setResizeMode(QListView::Adjust);
    monthList_->setGridSize(QSize(kMonthColumnWidth, monthList_->fontMetrics().height() + 6));
    monthList_->setMinimumHeight(4 * (monthList_->fontMetrics().height() + 6) + 6);
    layout->addWidget(monthList_, 1);

    layout->addWidget(new QLabel(QStringLiteral("Categories"), dialog));
    categoryList_ = new QListWidget(dialog);
    layout->addWidget(categoryList_, 2);
    categoriesOnly_ = new QCheckBox(QStringLiteral("Categories &Only"), dialog);
    layout->addWidget(categoriesOnly_);

    auto* bottom = new QHBoxLayout;
    auto* clear = new QPushButton(QStringLiteral("C&lear"), dialog);
    clear->setAutoDefault(false);
    bottom->addWidget(clear);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName(QStringLiteral("filterButtons"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    bottom->addWidget(buttons, 1);
    layout->addLayout(bottom);
    // The style's wide minimum for push buttons would push the row past a
    // handheld's 240 pixels; each button needs only room for its text.
    for (QPushButton* button : { clear, buttons->button(QDialogButtonBox::Ok), buttons->button(QDialogButtonBox::Cancel) })
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) + 16);

    const std::pair<int, QWidget*> items[] = {
        { kRangeId, range_ },
        { kMonthRadioId, months_ },
        { kStartId, start_ },
        { kEndId, end_ },
        { kMonthsId, monthList_ },
        { kCategoriesId, categoryList_ },
        { kCategoriesOnlyId, categoriesOnly_ },
        { kStatusId, status_ },
        { kClearId, clear },
    };
    const char* names[] = { "filterRange", "filterMonths", "filterStart", "filterEnd", "filterMonthList",
        "filterCategoryList", "filterCategoriesOnly", "filterStatus", "filterClear" };
    for (std::size_t i = 0; i < std::size(items); ++i) {
        items[i].second->setObjectName(QString::fromLatin1(names[i]));
        SetItem(items[i].first, items[i].second);
    }
    for (auto [id, button] : { std::pair<int, QAbstractButton*> { kRangeId, range_ }, { kMonthRadioId, months_ },
             { kCategoriesOnlyId, categoriesOnly_ }, { kClearId, clear } })
        ConnectCommand(id, button);
    QObject::connect(start_, &QDateEdit::dateChanged, dialog, [this] { OnStartChanged(); });
    QObject::connect(end_, &QDateEdit::dateChanged, dialog, [this] { OnEndChanged(); });
    QObject::connect(monthList_, &QListWidget::itemChanged, dialog,
        [this](QListWidgetItem* item) { OnMonthChanged(item); });
    QObject::connect(categoryList_, &QListWidget::itemChanged, dialog,
        [this](QListWidgetItem* item) { OnCategoryChanged(item); });
}

void FilterDialog::FillMonths()
{
    const bool filling = std::exchange(filling_, true);
    monthList_->clear();
    for (int month = 1; month <= 12; ++month) {
        auto* item = new QListWidgetItem(ShortMonthName(month), monthList_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setData(Qt::UserRole, month);
        item->setCheckState((working_.GetMonths() & MonthBit(month)) != 0 ? Qt::Checked : Qt::Unchecked);
    }
    filling_ = filling;
}

void FilterDialog::RefillCategories()
{
    if (!categoryList_)
        return;
    const bool filling = std::exchange(filling_, true);
    categoryList_->clear();
    for (const CategoryInfo& category : ListCategories()) {
        if (category.hidden)
            continue;
        auto* item = new QListWidgetItem(QString::fromStdU16String(category.name), categoryList_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setData(Qt::UserRole, static_cast<uint>(category.oid));
        item->setCheckState(working_.FindCat(category.name.c_str()) ? Qt::Checked : Qt::Unchecked);
    }
    filling_ = filling;
}

void FilterDialog::OnDbNotify(UINT, CEOID)
{
    RefillCategories();
}

void FilterDialog::ShowDates()
{
    const bool filling = std::exchange(filling_, true);
    start_->setDate(ToDate(working_.GetStart()));
    end_->setDate(ToDate(working_.GetEnd()));
    filling_ = filling;
}

void FilterDialog::EnableDateItems()
{
    const bool catsOnly = categoriesOnly_->isChecked();
    range_->setEnabled(!catsOnly);
    months_->setEnabled(!catsOnly);
    start_->setEnabled(!catsOnly && range_->isChecked());
    end_->setEnabled(!catsOnly && range_->isChecked());
    monthList_->setEnabled(!catsOnly && !range_->isChecked());
}

void FilterDialog::UpdateStatus()
{
    status_->setText(working_.IsActive() ? QString::fromUtf16(kActiveText) : QString());
}

void FilterDialog::OnRangeClicked()
{
    working_.SetByRange(TRUE);
    working_.SetActive(TRUE);
    EnableDateItems();
}

void FilterDialog::OnMonthsClicked()
{
    working_.SetByRange(FALSE);
    working_.SetActive(TRUE);
    EnableDateItems();
}

void FilterDialog::OnCategoriesOnlyClicked()
{
    working_.SetByCatsOnly(categoriesOnly_->isChecked() ? TRUE : FALSE);
    EnableDateItems();
}

void FilterDialog::OnStartChanged()
{
    if (filling_)
        return;
    working_.SetStart(AtTime(start_->date(), 0, 0, 0));
    working_.SetEnd(AtTime(end_->date(), 23, 59, 59));
    // A start after the end takes the end along to its own day; the end
    // still closes that day.
    if (start_->date() > end_->date()) {
        working_.SetEnd(AtTime(start_->date(), 23, 59, 59));
        ShowDates();
    }
    working_.SetActive(TRUE);
    UpdateStatus();
}

void FilterDialog::OnEndChanged()
{
    if (filling_)
        return;
    working_.SetEnd(AtTime(end_->date(), 23, 59, 59));
    working_.SetActive(TRUE);
    UpdateStatus();
}

void FilterDialog::OnMonthChanged(QListWidgetItem* item)
{
    if (filling_)
        return;
    const DWORD bit = MonthBit(item->data(Qt::UserRole).toInt());
    const DWORD months = working_.GetMonths();
    working_.SetMonths(item->checkState() == Qt::Checked ? months | bit : months & ~bit);
}

void FilterDialog::OnCategoryChanged(QListWidgetItem* item)
{
    if (filling_)
        return;
    const ZString name = ZString::FromQString(item->text());
    if (item->checkState() == Qt::Checked) {
        if (!working_.FindCat(name))
            working_.AddCategory(DbCItem(static_cast<CEOID>(item->data(Qt::UserRole).toUInt()), name));
    } else {
        working_.RemoveCategory(name);
    }
}

void FilterDialog::OnClear()
{
    ShowDates();
    range_->click();
    if (categoriesOnly_->isChecked())
        categoriesOnly_->click();
    const bool filling = std::exchange(filling_, true);
    for (QListWidget* list : { monthList_, categoryList_ })
        for (int row = 0; row < list->count(); ++row)
            list->item(row)->setCheckState(Qt::Unchecked);
    filling_ = filling;
    working_.Clear();
}

void FilterDialog::OnOk()
{
    if (changed_) {
        journal_.GetFilter() = working_;
        if (owner_)
            owner_->PostMessage(WM_COMMAND, MAKEWPARAM(kCmdSaveFilter, 0), 0);
    }
    EndOk();
}

LRESULT FilterDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COMMAND)
        return ZDialog::WindowProc(message, wParam, lParam);
    switch (LOWORD(wParam)) {
    case IDC_OK:
        OnOk();
        return 0;
    case kRangeId:
        changed_ = true;
        OnRangeClicked();
        break;
    case kMonthRadioId:
        changed_ = true;
        OnMonthsClicked();
        break;
    case kCategoriesOnlyId:
        changed_ = true;
        OnCategoriesOnlyClicked();
        break;
    case kClearId:
        changed_ = true;
        OnClear();
        break;
    default:
        return ZDialog::WindowProc(message, wParam, lParam);
    }
    UpdateStatus();
    return 0;
}
