#include "ShowSortBar.h"

#include "DbCats.h"
#include "DbTmp.h"
#include "JournalProps.h"
#include "JournalSort.h"
#include "JournalTools.h"
#include "ProgramFont.h"
#include "ProgramObjects.h"
#include "Settings.h"
#include "SkinnedMenu.h"
#include "UiHooks.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>

namespace {

constexpr int kButtonHeight = 22;
// The room left between and beside the two buttons.
constexpr int kButtonGap = 40;
// The space the drop-down arrow takes after a label.
constexpr int kArrowRoom = 20;

const char16_t kAll[] = u"All";
const char16_t kMultiple[] = u"Multiple...";
const char16_t kMonths[] = u"Months...";
const char16_t kRange[] = u"Range...";

// The full name of month `month` (1..12) in the user's language.
QString MonthName(int month)
{
    SYSTEMTIME time {};
    time.wYear = 2000;
    time.wMonth = static_cast<WORD>(month);
    time.wDay = 1;
    ZString name;
    ZTime(time).MonthName(name);
    return name.ToQString();
}

QString Q(const char16_t* text)
{
    return QString::fromUtf16(text);
}

} // namespace

// One of the bar's two buttons: its label and a drop-down arrow in the
// skin's menu-text colour on the bar's background, an etched edge while
// pressed. The Show button's text starts at its left; the Sort button's text
// ends at its right, before the arrow.
class ShowSortBar::Button : public QAbstractButton {
public:
    Button(QWidget* parent, bool alignRight, std::function<void()> open)
        : QAbstractButton(parent)
        , alignRight_(alignRight)
        , open_(std::move(open))
    {
        setFocusPolicy(Qt::StrongFocus);
        setFont(ProgramFont(13));
        connect(this, &QAbstractButton::clicked, this, [this] { open_(); });
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QColor text = ToQColor(TheSkin().menuText);
        painter.setFont(font());
        painter.setPen(text);
        const QRect area = rect().adjusted(1, 0, -4, 0);
        const int textWidth = fontMetrics().horizontalAdvance(this->text());
        QRect label = area;
        if (alignRight_)
            label.setLeft(std::max(area.left(), area.right() - kArrowRoom - textWidth));
        label.setWidth(std::min(label.width(), area.width() - kArrowRoom));
        painter.drawText(label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            fontMetrics().elidedText(this->text(), Qt::ElideRight, label.width()));
        // The arrow: a small triangle pointing down.
        const int arrowX = alignRight_ ? width() - 12 : std::min(label.left() + textWidth + 8, width() - 13);
        const int middle = height() / 2;
        QPainterPath arrow;
        arrow.moveTo(arrowX - 4, middle - 2);
        arrow.lineTo(arrowX + 4, middle - 2);
        arrow.lineTo(arrowX, middle + 2);
        arrow.closeSubpath();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(arrow, text);
        painter.setRenderHint(QPainter::Antialiasing, false);
        if (isDown()) {
            painter.setPen(palette().color(QPalette::Dark));
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
            painter.setPen(palette().color(QPalette::Light));
            painter.drawRect(rect().adjusted(1, 1, -2, -2));
        }
        if (hasFocus()) {
            QPen dotted(text, 1, Qt::DotLine);
            painter.setPen(dotted);
            painter.drawRect(rect().adjusted(1, 1, -2, -2));
        }
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        const bool altDown = event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier);
        if (event->key() == Qt::Key_F4 || altDown || event->key() == Qt::Key_Return
            || event->key() == Qt::Key_Enter) {
            event->accept();
            open_();
            return;
        }
        QAbstractButton::keyPressEvent(event);
    }

private:
    bool alignRight_;
    std::function<void()> open_;
};

// The bar's window: the skin's background behind the buttons, which it
// lays out whenever its width changes.
class ShowSortBar::Strip : public QWidget {
public:
    Strip(QWidget* parent, std::function<void()> layout)
        : QWidget(parent)
        , layout_(std::move(layout))
    {
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const Skin& skin = TheSkin();
        painter.fillRect(rect(), skin.brush.style() == Qt::NoBrush ? palette().button() : skin.brush);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawLine(0, height() - 1, width(), height() - 1);
    }
    void resizeEvent(QResizeEvent*) override { layout_(); }

private:
    std::function<void()> layout_;
};

ShowSortBar::ShowSortBar(
    DbKestrin& journal, ZRegistry& settings, ZWindow* owner, std::function<void()> requestRefresh)
    : journal_(journal)
    , settings_(settings)
    , owner_(owner)
    , requestRefresh_(std::move(requestRefresh))
{
    DbTmp::Initialize(&fields_);
}

ShowSortBar::~ShowSortBar()
{
    Destroy();
}

BOOL ShowSortBar::CreateBar(QWidget* parent)
{
    return Create({}, {}, parent, QStringLiteral("showSortBar"));
}

QWidget* ShowSortBar::CreateWidget(QWidget* parent)
{
    auto* strip = new Strip(parent, [this] { Layout(); });
    show_ = new Button(strip, false, [this] { OpenShowMenu(); });
    show_->setObjectName(QStringLiteral("showButton"));
    show_->setText(Q(kAll));
    sort_ = new Button(strip, true, [this] { OpenSortMenu(); });
    sort_->setObjectName(QStringLiteral("sortButton"));
    sort_->setText(QStringLiteral("Sort"));
    // The menus open from anywhere in the window.
    QWidget* window = parent ? parent->window() : strip;
    auto* showKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_S), window);
    showKey->setObjectName(QStringLiteral("showShortcut"));
    QObject::connect(showKey, &QShortcut::activated, strip, [this] { OpenShowMenu(); });
    auto* sortKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_O), window);
    sortKey->setObjectName(QStringLiteral("sortShortcut"));
    QObject::connect(sortKey, &QShortcut::activated, strip, [this] { OpenSortMenu(); });
    // The shortcuts belong to the window but live as long as the bar.
    QObject::connect(strip, &QObject::destroyed, showKey, &QObject::deleteLater);
    QObject::connect(strip, &QObject::destroyed, sortKey, &QObject::deleteLater);
    return strip;
}

void ShowSortBar::Layout()
{
    QWidget* strip = GetHandle();
    if (!strip || !show_)
        return;
    const int width = std::max(0, (strip->width() - kButtonGap) / 2);
    const int top = std::max(0, (strip->height() - kButtonHeight) / 2);
    show_->setGeometry(2, top, width, kButtonHeight);
    sort_->setGeometry(strip->width() - 2 - width, top, width, kButtonHeight);
}

QAbstractButton* ShowSortBar::ShowButton() const
{
    return show_;
}

QAbstractButton* ShowSortBar::SortButton() const
{
    return sort_;
}

QString ShowSortBar::ShowLabel() const
{
    return show_ ? show_->text() : QString();
}

QString ShowSortBar::SortLabel() const
{
    return sort_ ? sort_->text() : QString();
}

void ShowSortBar::SendToOwner(WORD id, WORD code)
{
    if (owner_)
        owner_->SendMessage(WM_COMMAND, MAKEWPARAM(id, code), 0);
}

QString ShowSortBar::FilterDescription(const ZFilter& filter)
{
    if (!filter.IsActive())
        return Q(kAll);
    const TSList<DbCItem>& categories = filter.GetCategories();
    if (filter.IsByCatsOnly()) {
        if (categories.Count() == 1)
            return categories.Head()->item->GetName().ToQString();
        return categories.Count() > 1 ? Q(kMultiple) : Q(kAll);
    }
    if (categories.Count() != 0)
        return Q(kMultiple);
    if (filter.IsByRange())
        return Q(kRange);
    QString label = Q(kAll);
    int chosen = 0;
    for (int month = 1; month <= 12; ++month) {
        if ((filter.GetMonths() & MonthBit(month)) == 0)
            continue;
        if (++chosen == 2)
            return Q(kMonths);
        label = MonthName(month);
    }
    return label;
}

std::vector<ShowSortBar::MenuCategory> ShowSortBar::MenuCategories()
{
    std::vector<MenuCategory> offered;
    for (const CategoryInfo& category : ListCategories()) {
        if (category.journalCount == 0)
            continue;
        offered.push_back({ category.oid, QString::fromStdU16String(category.name) });
        if (static_cast<int>(offered.size()) == kMaxMenuCategories)
            break;
    }
    return offered;
}

void ShowSortBar::SetShowLabel(WORD command, int categoryCount, const QString& chosen)
{
    // Only the commands of the categories listed count, and only with a
    // category that has a name.
    const bool category = command >= kFirstCategoryCommand && command - kFirstCategoryCommand < categoryCount;
    if (category && !chosen.isEmpty()) {
        ZFilter& filter = journal_.GetFilter();
        filter.ClearFilter(settings_, Settings::kOptionsName);
        const ZString name = ZString::FromQString(chosen);
        DbCats categories;
        const CEOID oid = categories.Open(nullptr) ? categories.FindCategory(name) : 0;
        categories.Close();
        filter.AddCategory(DbCItem(oid, name));
        filter.SetActive(TRUE);
        filter.SetByCatsOnly(TRUE);
        filter.SetByRange(FALSE);
        SendToOwner(kCmdSaveFilter, 0);
    }
    if (show_)
        show_->setText(FilterDescription(journal_.GetFilter()));
}

const DbJItem* ShowSortBar::SortableField(WORD fieldId) const
{
    for (const DbJItem* field : fields_)
        if (field->IsFlag(FIELD_SORTABLE) && field->GetID() == fieldId)
            return field;
    return nullptr;
}

void ShowSortBar::SetSortLabel(WORD fieldId)
{
    if (const DbJItem* field = SortableField(fieldId); field && sort_)
        sort_->setText(field->GetLabel().ToQString());
}

void ShowSortBar::OpenShowMenu()
{
    OutputDebugStringW(u"ShowSortBar::OpenShowMenu\n");
    if (!show_)
        return;
    show_->setText(QStringLiteral("Show"));
    show_->setDown(true);
    const std::vector<MenuCategory> offered = MenuCategories();
    const ZFilter& filter = journal_.GetFilter();
    const bool checkable = !filter.IsByRange() || filter.IsByCatsOnly();
    ZMenu menu;
    menu.CreatePopup();
    for (std::size_t n = 0; n < offered.size(); ++n) {
        const std::u16string name = offered[n].name.toStdU16String();
        const bool checked = checkable && filter.FindCat(name.c_str()) != nullptr;
        menu.Append(MF_STRING | (checked ? MF_CHECKED : 0), kFirstCategoryCommand + static_cast<UINT>(n),
            offered[n].name, QStringLiteral("showCategory%1").arg(n));
    }
    if (!offered.empty())
        menu.Append(MF_SEPARATOR, 0, {});
    menu.Append(MF_STRING, kCmdAll, Q(kAll), QStringLiteral("showAll"));
    menu.Append(MF_SEPARATOR, 0, {});
    menu.Append(MF_STRING, kCmdMore, QStringLiteral("More..."), QStringLiteral("showMore"));
    menu.Handle()->setObjectName(QStringLiteral("showMenu"));
    DressMenu(*menu.Handle(), Skin::PictureFile(Settings(settings_).Skin().ToQString()), TheSkin());
    const QPoint below = show_->mapToGlobal(QPoint(0, show_->height()));
    const int chosen = menu.TrackPopup(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, below.x(), below.y(), owner_);
    show_->setDown(false);
    const int count = static_cast<int>(offered.size());
    if (chosen == kCmdAll) {
        SendToOwner(kCmdAll, 0);
        SetShowLabel(0);
    } else if (chosen == kCmdMore) {
        SendToOwner(kCmdMore, 1);
        SetShowLabel(kCmdMore);
        if (requestRefresh_)
            requestRefresh_();
    } else if (chosen >= kFirstCategoryCommand && chosen - kFirstCategoryCommand < count) {
        SetShowLabel(static_cast<WORD>(chosen), count, offered[chosen - kFirstCategoryCommand].name);
        if (requestRefresh_)
            requestRefresh_();
    } else {
        SetShowLabel(0);
    }
}

void ShowSortBar::OpenSortMenu()
{
    OutputDebugStringW(u"ShowSortBar::OpenSortMenu\n");
    if (!sort_)
        return;
    sort_->setText(QStringLiteral("Sort"));
    sort_->setDown(true);
    const int sortBy = Settings(settings_).SortBy();
    ZMenu menu;
    menu.CreatePopup();
    for (const DbJItem* field : fields_) {
        if (!field->IsFlag(FIELD_SORTABLE))
            continue;
        menu.Append(MF_STRING | (field->GetID() == sortBy ? MF_CHECKED : 0), field->GetID(),
            field->GetLabel().ToQString(), QStringLiteral("sortField%1").arg(field->GetID()));
    }
    menu.Append(MF_SEPARATOR, 0, {});
    const bool ascending = !JournalDescending(journal_);
    menu.Append(MF_STRING | (ascending ? MF_CHECKED : 0), kCmdAscending, QStringLiteral("Ascending"),
        QStringLiteral("sortAscending"));
    menu.Handle()->setObjectName(QStringLiteral("sortMenu"));
    DressMenu(*menu.Handle(), Skin::PictureFile(Settings(settings_).Skin().ToQString()), TheSkin());
    QWidget* strip = GetHandle();
    const QPoint corner = strip->mapToGlobal(QPoint(strip->width(), sort_->geometry().bottom() + 1));
    const int chosen
        = menu.TrackPopup(TPM_RIGHTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, corner.x(), corner.y(), owner_);
    sort_->setDown(false);
    if (chosen == kCmdAscending) {
        SetSortLabel(static_cast<WORD>(Settings(settings_).SortBy()));
        SendToOwner(kBarId, kReverseCode);
    } else if (const DbJItem* field = chosen > 0 ? SortableField(static_cast<WORD>(chosen)) : nullptr) {
        Settings(settings_).SetSortBy(field->GetID());
        SetSortLabel(field->GetID());
        SendToOwner(field->GetID(), kSortCode);
    } else {
        // The field chosen last, not the journal's first key: sorting by
        // categories or contacts orders the journal by date.
        SetSortLabel(static_cast<WORD>(Settings(settings_).SortBy()));
    }
}
