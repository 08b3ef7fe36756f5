#include "MainList.h"

#include "ProgramText.h"
#include "Settings.h"
#include "TypeIcons.h"
#include "UiHooks.h"
#include "ZHandles.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QTableView>

#include <algorithm>
#include <functional>

namespace {

constexpr DWORD kNotShown = 0xFFFFFFFF;

int SelectedRows(const QItemSelection& selection)
{
    int rows = 0;
    for (const QItemSelectionRange& range : selection)
        rows += range.height();
    return rows;
}

} // namespace

// The list's window: a table without headers or grid whose rows are read on
// demand. Before it paints, it tells the list which rows it is about to
// show (the cache hint). It has no type-ahead search: that would read every
// entry of the journal.
class MainList::View : public QTableView {
public:
    explicit View(QWidget* parent)
        : QTableView(parent)
    {
    }

    std::function<void()> beforePaint;
    std::function<void()> onEnter;
    std::function<void()> onDelete;
    // The line shown while the list is empty.
    std::function<QString()> emptyHint;

    void keyboardSearch(const QString&) override { }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        if (beforePaint)
            beforePaint();
        QTableView::paintEvent(event);
        if (model() && model()->rowCount() == 0 && emptyHint) {
            QPainter painter(viewport());
            painter.setPen(palette().color(QPalette::PlaceholderText));
            painter.drawText(viewport()->rect().adjusted(6, 6, -6, -6),
                Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, emptyHint());
        }
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        OutputDebugStringW(u"LVN_KEYDOWN\n");
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (onEnter)
                onEnter();
            break;
        case Qt::Key_Delete:
            if (onDelete)
                onDelete();
            break;
        case Qt::Key_Home:
        case Qt::Key_End:
            // Without Shift: the first or last entry becomes the only one
            // selected, with or without Ctrl, as in any list.
            if (event->modifiers() & Qt::ShiftModifier) {
                QTableView::keyPressEvent(event);
                return;
            }
            GoTo(event->key() == Qt::Key_Home ? 0 : model()->rowCount() - 1);
            break;
        default:
            QTableView::keyPressEvent(event);
            return;
        }
        event->accept();
    }

private:
    void GoTo(int row)
    {
        if (!model() || row < 0)
            return;
        const QModelIndex index = model()->index(row, 0);
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
};

MainList::MainList(DbKestrin& journal, SelectionList& selection, ZRegistry& settings, ZWindow* owner)
    : journal_(journal)
    , selection_(selection)
    , settings_(settings)
    , owner_(owner)
    , cache_(journal, settings)
    , model_(cache_)
{
    MakeTypeIcons(images_);
    std::vector<QIcon> icons;
    for (int image = 0; image < images_.GetImageCount(); ++image)
        icons.push_back(images_.Icon(image));
    model_.SetTypeIcons(std::move(icons));
}

MainList::~MainList()
{
    // The view goes before the model and the cache it reads from, and tells
    // nothing more while it goes (hiding it moves its current line).
    if (auto* view = static_cast<class View*>(View())) {
        QObject::disconnect(view->selectionModel(), nullptr, view, nullptr);
        QObject::disconnect(view, nullptr, view, nullptr);
        view->beforePaint = nullptr;
        view->onEnter = nullptr;
        view->setModel(nullptr);
    }
    Destroy();
}

BOOL MainList::CreateList(QWidget* parent)
{
    if (!Create({}, {}, parent, QStringLiteral("mainList")))
        return FALSE;
    Hide();
    return TRUE;
}

QTableView* MainList::View() const
{
    return qobject_cast<QTableView*>(GetHandle());
}

QWidget* MainList::CreateWidget(QWidget* parent)
{
    auto* view = new class View(parent);
    view->setModel(&model_);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setShowGrid(false);
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideRight);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setIconSize(QSize(kTypeIconSize, kTypeIconSize));
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    // Every line has the same height, so the view never asks for sizes.
    const int lineHeight = std::max(kTypeIconSize + 2, view->fontMetrics().height() + 4);
    view->verticalHeader()->setMinimumSectionSize(0);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(lineHeight);
    // The date column fits the longest date format; the subject fills the rest.
    const int dateWidth
        = kTypeIconSize + 14 + view->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000"));
    view->horizontalHeader()->setMinimumSectionSize(0);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->horizontalHeader()->setStretchLastSection(true);
    view->setColumnWidth(MainListModel::DateColumn, std::max(kDateColumnWidth, dateWidth));
    view->beforePaint = [this] { OnPaint(); };
    view->onEnter = [this] { OnEnter(); };
    view->onDelete = [this] {
        if (selection_.Count() > 0)
            Post(kCmdDelete, 0, ListParam());
    };
    view->emptyHint = [this] { return EmptyHint(); };
    QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, view,
        [this](const QItemSelection& selected, const QItemSelection& deselected) {
            OnSelectionChanged(selected, deselected);
        });
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentChanged, view,
        [this](const QModelIndex& current) { OnCurrentChanged(current); });
    QObject::connect(view, &QAbstractItemView::clicked, view, [this] { OnActivated(false); });
    QObject::connect(view, &QAbstractItemView::doubleClicked, view, [this] { OnActivated(true); });
    return view;
}

QString MainList::EmptyHint() const
{
    return journal_.GetFilter().IsActive() ? QStringLiteral("No entries pass the filter.")
                                           : QStringLiteral("No entries yet. Press New to write one.");
}

void MainList::OnPaint()
{
    QTableView* view = View();
    if (!view || model_.Rows() == 0)
        return;
    const int first = view->rowAt(0);
    if (first < 0)
        return;
    int last = view->rowAt(view->viewport()->height() - 1);
    if (last < 0)
        last = model_.Rows() - 1;
    cache_.Hint(first, last);
}

CEOID MainList::OidAt(int row)
{
    return cache_.RowOid(row);
}

LPARAM MainList::ListParam() const
{
    return reinterpret_cast<LPARAM>(ToHwnd(GetHandle()));
}

void MainList::Post(WORD command, WORD code, LPARAM lParam)
{
    if (owner_)
        owner_->PostMessage(WM_COMMAND, MAKEWPARAM(command, code), lParam);
}

void MainList::OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    if (restoring_)
        return;
    QTableView* view = View();
    const QItemSelection now = view->selectionModel()->selection();
    if (SelectedRows(now) == SelectedRows(selected)) {
        // Nothing selected before survived (a plain click, select all): the
        // selection starts over, without walking every deselected line.
        selection_.Clear();
    } else {
        for (const QItemSelectionRange& range : deselected)
            for (int row = range.top(); row <= range.bottom(); ++row)
                selection_.Remove(OidAt(row));
    }
    for (const QItemSelectionRange& range : selected)
        for (int row = range.top(); row <= range.bottom(); ++row)
            selection_.Add(OidAt(row));
    // The current line stays the focused entry, selected or not; a change of
    // it updates the preview.
    OnCurrentChanged(view->selectionModel()->currentIndex());
}

void MainList::OnCurrentChanged(const QModelIndex& current)
{
    const CEOID focused = current.isValid() ? OidAt(current.row()) : 0;
    if (focused == selection_.Focused())
        return;
    selection_.SetFocused(focused);
    // Every change of the focused entry updates the preview.
    Post(kCmdPreview, 0, 0);
}

void MainList::OnActivated(bool doubleClick)
{
    if (doubleClick) {
        if (selection_.Focused() != 0)
            OutputDebugStringW(u"NM_DBLCLK\n");
        Post(kCmdEdit, kDoubleClickCode, ListParam());
        return;
    }
    OutputDebugStringW(u"NM_CLICK\n");
    if (selection_.Focused() != 0)
        Post(kCmdPreview, kClickCode, ListParam());
}

void MainList::OnEnter()
{
    if (selection_.Focused() != 0 && IsVisible())
        Post(kCmdPreview, 0, ListParam());
}

void MainList::Refresh()
{
    OutputDebugStringW(u"MainList::Refresh\n");
    model_.Reset(static_cast<int>(journal_.GetRowCount()));

    // Entries no longer shown (deleted, filtered out) leave the selection:
    // a command on the selection must not reach entries the user cannot see.
    std::vector<int> rows;
    std::vector<CEOID> hidden;
    for (CEOID oid = selection_.First(); oid != 0; oid = selection_.Next()) {
        const DWORD row = journal_.GetRowIndex(oid);
        if (row == kNotShown)
            hidden.push_back(oid);
        else
            rows.push_back(static_cast<int>(row));
    }
    for (CEOID oid : hidden)
        selection_.Remove(oid);

    QTableView* view = View();
    if (view && !rows.empty()) {
        // Consecutive rows become one range: a large selection is put back
        // in one step.
        std::sort(rows.begin(), rows.end());
        QItemSelection ranges;
        for (std::size_t i = 0; i < rows.size();) {
            std::size_t j = i;
            while (j + 1 < rows.size() && rows[j + 1] <= rows[j] + 1)
                ++j;
            ranges.select(model_.index(rows[i], 0), model_.index(rows[j], MainListModel::ColumnCount - 1));
            i = j + 1;
        }
        restoring_ = true;
        view->selectionModel()->select(ranges, QItemSelectionModel::Select);
        restoring_ = false;
        hasSelection_ = true;
    }
    SelectItem(selection_.Focused());
}

void MainList::SelectItem(CEOID oid)
{
    OutputDebugStringW(u"MainList::SelectItem\n");
    QTableView* view = View();
    const DWORD row = oid != 0 ? journal_.GetRowIndex(oid) : kNotShown;
    if (row != kNotShown && row < static_cast<DWORD>(model_.Rows()) && view) {
        const QModelIndex index = model_.index(static_cast<int>(row), 0);
        restoring_ = true;
        view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        restoring_ = false;
        view->scrollTo(index, QAbstractItemView::EnsureVisible);
        view->setFocus();
        selection_.Add(oid);
        selection_.SetFocused(oid);
        hasSelection_ = true;
        return;
    }
    // An entry that is not shown: no line stays selected or focused.
    if (view) {
        restoring_ = true;
        view->selectionModel()->clearSelection();
        view->selectionModel()->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
        restoring_ = false;
    }
    ClearOidList();
}

int MainList::GetSelItem(CEOID* oid) const
{
    OutputDebugStringW(u"MainList::GetSelItem\n");
    const QTableView* view = View();
    const QModelIndex current = view ? view->selectionModel()->currentIndex() : QModelIndex();
    const bool selected = current.isValid() && view->selectionModel()->isRowSelected(current.row(), {});
    if (oid)
        *oid = selected ? const_cast<RowCache&>(cache_).RowOid(current.row()) : 0;
    return selected ? current.row() : -1;
}

BOOL MainList::DeleteItem(int index)
{
    OutputDebugStringW(u"MainList::DeleteItem\n");
    if (index < 0 || index >= model_.Rows())
        return FALSE;
    model_.RemoveRow(index);
    return TRUE;
}

void MainList::UpdateItem(int index, CEOID oid)
{
    OutputDebugStringW(u"MainList::UpdateItem\n");
    cache_.UpdateRow(oid);
    if (QTableView* view = View())
        view->viewport()->update();
    model_.RowChanged(index);
}

ZString MainList::DeleteQuestion(int count)
{
    if (count == 1)
        return ZString(u"Delete?");
    return ZString::FromQString(QStringLiteral("Delete %1 entries?").arg(count));
}

BOOL MainList::Cut()
{
    OutputDebugStringW(u"MainList::Cut\n");
    // Nothing selected: nothing to ask about.
    if (selection_.Count() == 0) {
        hasSelection_ = false;
        return FALSE;
    }
    if (Settings(settings_).ConfirmDeletes()
        && MessageBox(DeleteQuestion(selection_.Count()), kWindowTitle, MB_YESNO | MB_ICONEXCLAMATION)
            != IDYES) {
        hasSelection_ = false;
        return FALSE;
    }
    std::vector<CEOID> ids;
    for (CEOID oid = selection_.First(); oid != 0; oid = selection_.Next())
        ids.push_back(oid);
    int deleted = 0;
    for (CEOID oid : ids) {
        if (journal_.DeleteEntry(oid))
            ++deleted;
        if (selection_.Focused() == oid)
            selection_.SetFocused(0);
    }
    selection_.Clear();
    Refresh();
    hasSelection_ = false;
    return deleted > 0 ? TRUE : FALSE;
}

BOOL MainList::Paste()
{
    OutputDebugStringW(u"MainList::Paste\n");
    for (CEOID oid = selection_.First(); oid != 0; oid = selection_.Next()) {
        if (journal_.SeekOid(oid) != oid)
            continue;
        ZJITEMS set;
        if (journal_.Read(oid, &set, TRUE) != oid)
            continue;
        const CEOID copy = journal_.Write(0, &set);
        DWORD flags = 0;
        if (copy != 0 && journal_.GetFlags(oid, &flags) == oid)
            journal_.SetFlags(copy, flags);
    }
    Refresh();
    return FALSE;
}

void MainList::ClearOidList()
{
    OutputDebugStringW(u"MainList::ClearOidList\n");
    selection_.SetFocused(0);
    selection_.Clear();
    hasSelection_ = false;
}

void MainList::SelectAllItems()
{
    OutputDebugStringW(u"MainList::SelectAllItems\n");
    std::vector<CEOID> ids;
    for (CEOID oid = selection_.First(); oid != 0; oid = selection_.Next())
        ids.push_back(oid);
    for (CEOID oid : ids)
        SelectItem(oid);
}

void MainList::ReDrawPage()
{
    OutputDebugStringW(u"MainList::ReDrawPage\n");
    if (QTableView* view = View())
        view->viewport()->update();
}

int MainList::SelectAt(const QPoint& point)
{
    QTableView* view = View();
    if (!view)
        return -1;
    const int row = view->rowAt(point.y());
    if (row < 0)
        return -1;
    const QModelIndex index = model_.index(row, 0);
    // A line that is part of the selection keeps the others selected, so
    // the menu acts on all of them; any other line becomes the only one.
    const auto command = view->selectionModel()->isRowSelected(row, {})
        ? QItemSelectionModel::NoUpdate
        : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    view->selectionModel()->setCurrentIndex(index, command);
    selection_.SetFocused(OidAt(row));
    return row;
}
