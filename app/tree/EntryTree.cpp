#include "EntryTree.h"

#include "JournalGroups.h"
#include "JournalTools.h"
#include "MainList.h"
#include "ProgramText.h"
#include "RowCache.h"
#include "Settings.h"
#include "TypeIcons.h"
#include "UiHooks.h"
#include "ZHandles.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>
#include <QTreeWidget>

#include <functional>
#include <unordered_map>

namespace {

// What an item stands for: a group has kGroupKind in this role, an entry
// its OID in kOidRole.
constexpr int kKindRole = Qt::UserRole;
constexpr int kOidRole = Qt::UserRole + 1;
constexpr int kGroupKind = 1;
constexpr int kEntryKind = 2;

// Shows the wait cursor for the life of the object.
class WaitCursor {
public:
    WaitCursor() { SetWaitCursor(true); }
    ~WaitCursor() { SetWaitCursor(false); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

QIcon GroupIcon(bool open)
{
    return QApplication::style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon);
}

} // namespace

// The tree's window: Enter on an entry asks the owner to show it; on a group
// it opens or closes the group, as the arrows and + and - do.
class EntryTree::View : public QTreeWidget {
public:
    explicit View(QWidget* parent)
        : QTreeWidget(parent)
    {
    }

    std::function<void()> onEnter;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            OutputDebugStringW(u"TREEVIEW TVN_KEYDOWN\n");
            QTreeWidgetItem* item = currentItem();
            if (IsGroup(item))
                item->setExpanded(!item->isExpanded());
            else if (onEnter)
                onEnter();
            event->accept();
            return;
        }
        QTreeWidget::keyPressEvent(event);
    }
};

EntryTree::EntryTree(DbKestrin& journal, SelectionList& selection, ZRegistry& settings, ZWindow* owner)
    : journal_(journal)
    , selection_(selection)
    , settings_(settings)
    , owner_(owner)
{
    MakeTypeIcons(images_);
}

EntryTree::~EntryTree()
{
    // The view says nothing more while it goes.
    if (QTreeWidget* view = View())
        QObject::disconnect(view, nullptr, view, nullptr);
    Destroy();
}

BOOL EntryTree::CreateTree(QWidget* parent)
{
    if (!Create({}, {}, parent, QStringLiteral("entryTree")))
        return FALSE;
    Hide();
    return TRUE;
}

QTreeWidget* EntryTree::View() const
{
    return qobject_cast<QTreeWidget*>(GetHandle());
}

QWidget* EntryTree::CreateWidget(QWidget* parent)
{
    auto* view = new class View(parent);
    view->setColumnCount(1);
    view->setHeaderHidden(true);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setDragEnabled(false);
    view->setIconSize(QSize(kTypeIconSize, kTypeIconSize));
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->onEnter = [this] { OnEnter(); };
    QObject::connect(view, &QTreeWidget::itemExpanded, view, [this](QTreeWidgetItem* item) {
        if (!quiet_ && IsGroup(item))
            OpenGroup(item);
    });
    QObject::connect(view, &QTreeWidget::itemCollapsed, view, [this](QTreeWidgetItem* item) {
        if (!quiet_ && IsGroup(item))
            CloseGroup(item);
    });
    QObject::connect(view, &QTreeWidget::currentItemChanged, view,
        [this](QTreeWidgetItem* current) { OnCurrentChanged(current); });
    QObject::connect(view, &QTreeWidget::itemClicked, view, [this](QTreeWidgetItem* item) { OnClicked(item); });
    QObject::connect(view, &QTreeWidget::itemDoubleClicked, view,
        [this](QTreeWidgetItem* item) { OnDoubleClicked(item); });
    return view;
}

bool EntryTree::IsGroup(const QTreeWidgetItem* item)
{
    return item && item->data(0, kKindRole).toInt() == kGroupKind;
}

CEOID EntryTree::EntryOid(const QTreeWidgetItem* item)
{
    if (!item || item->data(0, kKindRole).toInt() != kEntryKind)
        return 0;
    return static_cast<CEOID>(item->data(0, kOidRole).toUInt());
}

QString EntryTree::EntryText(const QString& dateText, const QString& subject)
{
    return dateText.leftJustified(kDateChars, u' ') + u' ' + subject;
}

void EntryTree::Fill()
{
    OutputDebugStringW(u"EntryTree::Fill\n");
    QTreeWidget* view = View();
    if (!view)
        return;
    quiet_ = true;
    view->clear();
    quiet_ = false;
    // The journal's full count: a journal of any size has its groups.
    if (journal_.GetRecCount(KIND_ENTRY) == 0)
        return;
    const Settings settings(settings_);
    datePattern_ = settings.DateFormatPattern();
    groupField_ = settings.SortType();
    std::vector<std::u16string> names;
    {
        const WaitCursor wait;
        names = JournalGroupNames(journal_, groupField_);
    }
    QFont bold = view->font();
    bold.setBold(true);
    QList<QTreeWidgetItem*> groups;
    groups.reserve(static_cast<int>(names.size()));
    for (const std::u16string& name : names) {
        auto* group = new QTreeWidgetItem(QStringList(QString::fromStdU16String(name)));
        group->setData(0, kKindRole, kGroupKind);
        group->setFont(0, bold);
        group->setIcon(0, GroupIcon(false));
        group->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        groups.append(group);
    }
    quiet_ = true;
    view->addTopLevelItems(groups);
    quiet_ = false;
}

void EntryTree::OpenGroup(QTreeWidgetItem* group)
{
    OutputDebugStringW(u"Expanding - Expand\n");
    group->setIcon(0, GroupIcon(true));
    QList<QTreeWidgetItem*> entries;
    {
        const WaitCursor wait;
        std::vector<CEOID> members
            = JournalGroupMembers(journal_, groupField_, group->text(0).toStdU16String());
        SortEntriesByDate(journal_, members, Descending());
        const std::vector<EntryLine> lines = ReadEntryLines(journal_, members);
        entries.reserve(static_cast<int>(lines.size()));
        for (const EntryLine& line : lines)
            entries.append(MakeEntryItem(line.oid, line.date, line.type, line.subject));
    }
    quiet_ = true;
    group->addChildren(entries);
    quiet_ = false;
}

void EntryTree::CloseGroup(QTreeWidgetItem* group)
{
    OutputDebugStringW(u"Expanding - Collapse\n");
    group->setIcon(0, GroupIcon(false));
    QTreeWidget* view = View();
    // The current entry goes with its group: the group becomes current.
    QTreeWidgetItem* current = view ? view->currentItem() : nullptr;
    if (current && current->parent() == group)
        SetCurrentQuietly(group);
    quiet_ = true;
    qDeleteAll(group->takeChildren());
    quiet_ = false;
}

void EntryTree::ReopenGroup(QTreeWidgetItem* group)
{
    quiet_ = true;
    group->setExpanded(false);
    quiet_ = false;
    CloseGroup(group);
    quiet_ = true;
    group->setExpanded(true);
    quiet_ = false;
    OpenGroup(group);
}

QTreeWidgetItem* EntryTree::MakeEntryItem(CEOID oid, ULONGLONG date, SHORT type, const std::u16string& subject)
{
    auto* item = new QTreeWidgetItem;
    item->setData(0, kKindRole, kEntryKind);
    item->setData(0, kOidRole, static_cast<uint>(oid));
    SetEntryItem(item, date, type, subject);
    return item;
}

void EntryTree::SetEntryItem(QTreeWidgetItem* item, ULONGLONG date, SHORT type, const std::u16string& subject)
{
    item->setText(0,
        EntryText(RowCache::DateText(date, datePattern_), QString::fromStdU16String(subject)));
    // A type outside the table has no picture.
    item->setIcon(0, type >= 0 && type < images_.GetImageCount() ? images_.Icon(type) : QIcon());
}

void EntryTree::UpdateEntryItem(QTreeWidgetItem* item)
{
    OutputDebugStringW(u"EntryTree::UpdateEntryItem\n");
    const CEOID oid = EntryOid(item);
    if (oid == 0)
        return;
    const std::vector<EntryLine> lines = ReadEntryLines(journal_, { oid });
    if (!lines.empty())
        SetEntryItem(item, lines.front().date, lines.front().type, lines.front().subject);
}

bool EntryTree::Descending()
{
    SORTORDERSPEC orders[CEDB_MAXSORTORDER] {};
    return journal_.GetSortOrders(orders) > 0 && (orders[0].dwFlags & CEDB_SORT_DESCENDING) != 0;
}

void EntryTree::SortChildren(QTreeWidgetItem* group)
{
    if (!IsGroup(group) || group->childCount() == 0)
        return;
    const WaitCursor wait;
    std::vector<CEOID> oids;
    std::unordered_map<CEOID, QTreeWidgetItem*> items;
    QList<QTreeWidgetItem*> children = group->takeChildren();
    for (QTreeWidgetItem* child : children) {
        oids.push_back(EntryOid(child));
        items.emplace(EntryOid(child), child);
    }
    SortEntriesByDate(journal_, oids, Descending());
    QList<QTreeWidgetItem*> sorted;
    sorted.reserve(children.size());
    for (CEOID oid : oids)
        sorted.append(items.at(oid));
    quiet_ = true;
    group->addChildren(sorted);
    quiet_ = false;
}

void EntryTree::SortOpenGroups()
{
    QTreeWidget* view = View();
    if (!view)
        return;
    QTreeWidgetItem* current = view->currentItem();
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        if (QTreeWidgetItem* group = view->topLevelItem(i); group->isExpanded())
            SortChildren(group);
    if (current)
        SetCurrentQuietly(current);
}

QTreeWidgetItem* EntryTree::GroupNamed(const QString& name) const
{
    QTreeWidget* view = View();
    if (!view)
        return nullptr;
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        if (view->topLevelItem(i)->text(0) == name)
            return view->topLevelItem(i);
    return nullptr;
}

QTreeWidgetItem* EntryTree::FindEntry(CEOID oid)
{
    OutputDebugStringW(u"EntryTree::FindEntry\n");
    QTreeWidget* view = View();
    if (!view || oid == 0)
        return nullptr;
    // The index tells which group holds the entry: only that one is opened.
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        QTreeWidgetItem* group = view->topLevelItem(i);
        if (!IsInJournalGroup(journal_, groupField_, group->text(0).toStdU16String(), oid))
            continue;
        if (!group->isExpanded())
            group->setExpanded(true);
        for (int child = 0; child < group->childCount(); ++child)
            if (EntryOid(group->child(child)) == oid)
                return group->child(child);
    }
    return nullptr;
}

bool EntryTree::SelectEntry(CEOID oid)
{
    QTreeWidgetItem* item = FindEntry(oid);
    if (!item)
        return false;
    View()->setCurrentItem(item);
    View()->scrollToItem(item);
    return true;
}

bool EntryTree::SelectGroup(const QString& name)
{
    QTreeWidgetItem* group = GroupNamed(name);
    if (!group)
        return false;
    View()->setCurrentItem(group);
    return true;
}

QString EntryTree::SelectedGroupName() const
{
    QTreeWidget* view = View();
    QTreeWidgetItem* current = view ? view->currentItem() : nullptr;
    return IsGroup(current) ? current->text(0) : QString();
}

void EntryTree::SetCurrentQuietly(QTreeWidgetItem* item)
{
    quiet_ = true;
    View()->setCurrentItem(item);
    quiet_ = false;
}

BOOL EntryTree::DeleteSelected()
{
    OutputDebugStringW(u"EntryTree::DeleteSelected\n");
    if (Settings(settings_).ConfirmDeletes()
        && MessageBox(u"Delete?", kWindowTitle, MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return FALSE;
    QTreeWidget* view = View();
    QTreeWidgetItem* selected = view ? view->currentItem() : nullptr;
    QTreeWidgetItem* group = selected ? selected->parent() : nullptr;
    // The entry next to the deleted one (below it, else above) is selected
    // afterwards, in the group it shares with it.
    CEOID neighbour = 0;
    QString groupName;
    if (group) {
        const int at = group->indexOfChild(selected);
        QTreeWidgetItem* next = group->child(at + 1) ? group->child(at + 1) : group->child(at - 1);
        neighbour = EntryOid(next);
        groupName = group->text(0);
    }
    std::vector<CEOID> ids;
    for (CEOID oid = selection_.First(); oid != 0; oid = selection_.Next())
        ids.push_back(oid);
    int deleted = 0;
    for (CEOID oid : ids)
        if (journal_.DeleteEntry(oid))
            ++deleted;
    ClearSelection();
    if (group) {
        Fill();
        if (neighbour == 0 || !SelectEntry(neighbour))
            if (QTreeWidgetItem* same = GroupNamed(groupName))
                same->setExpanded(true);
    }
    return deleted > 0 ? TRUE : FALSE;
}

void EntryTree::CopySelected()
{
    OutputDebugStringW(u"EntryTree::CopySelected\n");
    std::vector<CEOID> ids;
    for (CEOID oid = selection_.First(); oid != 0; oid = selection_.Next())
        ids.push_back(oid);
    const std::vector<CEOID> copies = CopyEntries(journal_, ids);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        DWORD flags = 0;
        if (copies[i] != 0 && journal_.GetFlags(ids[i], &flags) == ids[i])
            journal_.SetFlags(copies[i], flags);
    }
    QTreeWidget* view = View();
    QTreeWidgetItem* selected = view ? view->currentItem() : nullptr;
    if (QTreeWidgetItem* group = selected ? selected->parent() : nullptr) {
        const CEOID focused = EntryOid(selected);
        ReopenGroup(group);
        for (int child = 0; child < group->childCount(); ++child)
            if (EntryOid(group->child(child)) == focused)
                SetCurrentQuietly(group->child(child));
    }
}

void EntryTree::ClearSelection()
{
    selection_.SetFocused(0);
    selection_.Clear();
}

bool EntryTree::SelectAt(const QPoint& point)
{
    QTreeWidget* view = View();
    QTreeWidgetItem* item = view ? view->itemAt(point) : nullptr;
    if (!item)
        return false;
    view->setCurrentItem(item);
    return true;
}

LPARAM EntryTree::TreeParam() const
{
    return reinterpret_cast<LPARAM>(ToHwnd(GetHandle()));
}

void EntryTree::Post(WORD command, WORD code, LPARAM lParam)
{
    if (owner_)
        owner_->PostMessage(WM_COMMAND, MAKEWPARAM(command, code), lParam);
}

void EntryTree::OnCurrentChanged(QTreeWidgetItem* current)
{
    if (quiet_)
        return;
    OutputDebugStringW(u"TVN_SELCHANGED\n");
    selection_.Clear();
    const CEOID oid = EntryOid(current);
    selection_.SetFocused(oid);
    selection_.Add(oid);
    if (oid == 0)
        lastFocused_ = 0;
    Post(MainList::kCmdPreview, 0, 0);
}

void EntryTree::OnClicked(QTreeWidgetItem* item)
{
    OutputDebugStringW(u"TREEVIEW NM_CLICK\n");
    lastFocused_ = selection_.Focused();
    selection_.Clear();
    const CEOID oid = EntryOid(item);
    selection_.SetFocused(oid);
    selection_.Add(oid);
    Post(MainList::kCmdPreview, MainList::kClickCode, TreeParam());
}

void EntryTree::OnDoubleClicked(QTreeWidgetItem* item)
{
    OutputDebugStringW(u"TREEVIEW NM_DBLCLK\n");
    const CEOID oid = EntryOid(item);
    if (oid == 0)
        return;
    lastFocused_ = selection_.Focused();
    selection_.Clear();
    selection_.SetFocused(oid);
    selection_.Add(oid);
    Post(MainList::kCmdEdit, MainList::kDoubleClickCode, TreeParam());
}

void EntryTree::OnEnter()
{
    if (selection_.Focused() != 0 && IsVisible())
        Post(MainList::kCmdPreview, 0, TreeParam());
}
