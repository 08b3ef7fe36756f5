#include "ZCAddDeleteList.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>

namespace {

constexpr int kMinimumRowHeight = 20;
constexpr int kGap = 2;

} // namespace

// Turns the field's focus changes into EN_SETFOCUS / EN_KILLFOCUS commands.
class ZCAddDeleteList::FocusWatcher : public QObject {
public:
    explicit FocusWatcher(ZCAddDeleteList& owner)
        : owner_(owner)
    {
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn)
            owner_.SendCommand(IDC_ADL_EDIT, EN_SETFOCUS);
        else if (event->type() == QEvent::FocusOut)
            owner_.SendCommand(IDC_ADL_EDIT, EN_KILLFOCUS);
        return false;
    }

private:
    ZCAddDeleteList& owner_;
};

ZCAddDeleteList::ZCAddDeleteList() = default;

ZCAddDeleteList::~ZCAddDeleteList()
{
    // The watcher goes first so a focus change while the children are torn
    // down does not reach a half-destroyed object.
    if (QLineEdit* field = edit_.Edit())
        field->removeEventFilter(focusWatcher_.get());
    focusWatcher_.reset();
}

QListWidget* ZCAddDeleteList::List() const
{
    return list_.data();
}

LRESULT ZCAddDeleteList::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CreateChildren();
        return 0;
    case WM_SIZE:
        Layout();
        return 0;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    default:
        return ZWindow::WindowProc(message, wParam, lParam);
    }
}

void ZCAddDeleteList::CreateChildren()
{
    QWidget* frame = GetHandle();
    edit_.Create({}, {}, frame, "addDeleteField");
    add_.Create({}, {}, frame, "addDeleteAdd");
    delete_.Create({}, {}, frame, "addDeleteDelete");
    add_.SetText(u"Add");
    delete_.SetText(u"Delete");
    add_.Enable(FALSE);
    delete_.Enable(FALSE);

    auto* list = new QListWidget(frame);
    list->setObjectName("addDeleteItems");
    // Items run down a column and on into the next, scrolling sideways.
    list->setFlow(QListView::TopToBottom);
    list->setWrapping(true);
    list->setResizeMode(QListView::Adjust);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list_ = list;

    focusWatcher_ = std::make_unique<FocusWatcher>(*this);
    edit_.Edit()->installEventFilter(focusWatcher_.get());
    QObject::connect(
        edit_.Edit(), &QLineEdit::textChanged, frame, [this] { SendCommand(IDC_ADL_EDIT, EN_CHANGE); });
    QObject::connect(
        add_.Button(), &QAbstractButton::clicked, frame, [this] { SendCommand(IDC_ADL_ADD, BN_CLICKED); });
    QObject::connect(delete_.Button(), &QAbstractButton::clicked, frame,
        [this] { SendCommand(IDC_ADL_DELETE, BN_CLICKED); });
    QObject::connect(list, &QListWidget::itemSelectionChanged, frame,
        [this] { SendCommand(IDC_ADL_LIST, LBN_SELCHANGE); });
    Layout();
}

void ZCAddDeleteList::SendCommand(int id, WORD code)
{
    SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), code), 0);
}

void ZCAddDeleteList::OnCommand(WORD id, WORD code)
{
    switch (id) {
    case IDC_ADL_EDIT:
        if (code == EN_SETFOCUS)
            OnEditFocus(0, id);
        else if (code == EN_KILLFOCUS)
            OnEditFocus(1, id);
        else
            UpdateSelection();
        break;
    case IDC_ADL_ADD:
        if (code == BN_CLICKED)
            OnAdd(code);
        break;
    case IDC_ADL_DELETE:
        if (code == BN_CLICKED)
            OnDelete(code);
        break;
    case IDC_ADL_LIST:
        delete_.Enable(GetCurSel() >= 0);
        break;
    default:
        break;
    }
}

void ZCAddDeleteList::Layout(const QRect* rect)
{
    if (!list_)
        return;
    if (rect)
        Move(rect->x(), rect->y(), rect->width(), rect->height());
    const QRect client = GetClientRect();
    const int width = client.width();
    const int height = client.height();
    // The handheld's rows were 20 pixels; a desktop font may need more.
    const int rowHeight = std::max(kMinimumRowHeight, edit_.Edit()->sizeHint().height());
    const int fieldWidth = width / 2 - kGap;
    const int buttonWidth = fieldWidth / 2 - kGap;
    const int addX = width / 2 + kGap;
    edit_.Move(kGap, kGap, fieldWidth, rowHeight);
    add_.Move(addX, kGap, buttonWidth, rowHeight);
    delete_.Move(addX + buttonWidth + kGap, kGap, buttonWidth, rowHeight);
    const int listY = rowHeight + 2 * kGap;
    list_->setGeometry(0, listY, width, std::max(0, height - listY));
}

void ZCAddDeleteList::UpdateSelection()
{
    if (!list_)
        return;
    delete_.Enable(FALSE);
    const QString text = edit_.Text();
    // An empty text would begin every item: it selects nothing, so a Delete
    // right after an Add cannot remove an item nobody chose.
    int found = -1;
    if (!text.isEmpty()) {
        for (int i = 0; i < list_->count(); ++i) {
            if (list_->item(i)->text().startsWith(text, Qt::CaseInsensitive)) {
                found = i;
                break;
            }
        }
    }
    SetCurSel(found);
    add_.Enable(!text.isEmpty());
    delete_.Enable(found >= 0);
}

int ZCAddDeleteList::AddString(const QString& text)
{
    if (!list_)
        return -1;
    int index = 0;
    while (index < list_->count()
        && QString::compare(list_->item(index)->text(), text, Qt::CaseInsensitive) <= 0)
        ++index;
    list_->insertItem(index, text);
    return index;
}

BOOL ZCAddDeleteList::DeleteString(int index)
{
    if (!list_ || index < 0 || index >= list_->count())
        return FALSE;
    const bool wasSelected = list_->item(index)->isSelected();
    delete list_->takeItem(index);
    // The view would select the next item in its place: a Delete that
    // followed would remove an item nobody chose.
    if (wasSelected)
        list_->clearSelection();
    return TRUE;
}

void ZCAddDeleteList::ResetContent()
{
    if (list_)
        list_->clear();
}

int ZCAddDeleteList::GetCount() const
{
    return list_ ? list_->count() : 0;
}

int ZCAddDeleteList::GetCurSel() const
{
    if (!list_)
        return -1;
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? -1 : list_->row(selected.first());
}

void ZCAddDeleteList::SetCurSel(int index)
{
    if (!list_)
        return;
    if (index < 0 || index >= list_->count()) {
        list_->clearSelection();
        return;
    }
    list_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    list_->scrollToItem(list_->item(index));
}

QString ZCAddDeleteList::GetItemText(int index) const
{
    if (!list_ || index < 0 || index >= list_->count())
        return {};
    return list_->item(index)->text();
}

BOOL ZCAddDeleteList::SetItemData(int index, DWORD data)
{
    if (!list_ || index < 0 || index >= list_->count())
        return FALSE;
    list_->item(index)->setData(Qt::UserRole, static_cast<uint>(data));
    return TRUE;
}

DWORD ZCAddDeleteList::GetItemData(int index) const
{
    if (!list_ || index < 0 || index >= list_->count())
        return 0;
    return list_->item(index)->data(Qt::UserRole).toUInt();
}

void ZCAddDeleteList::OnEditFocus(BOOL, int)
{
}

void ZCAddDeleteList::OnAdd(WORD)
{
}

void ZCAddDeleteList::OnDelete(WORD)
{
}
