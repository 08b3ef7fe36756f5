#include "EntryEditor.h"

#include "AddressBook.h"
#include "AttachmentPath.h"
#include "AttachmentPicker.h"
#include "CategoryPicker.h"
#include "ContactPicker.h"
#include "DialogPlacement.h"
#include "EntrySave.h"
#include "JournalProps.h"
#include "NoteBlob.h"
#include "NoteInk.h"
#include "PackedLists.h"
#include "PimDataBlock.h"
#include "ReferenceFields.h"
#include "QuickSubjectsEditor.h"
#include "MessageBoxFlags.h"
#include "Settings.h"
#include "UiHooks.h"
#include "ZTime.h"

#include <QAction>
#include <QActionGroup>
#include <QCalendarWidget>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabBar>
#include <QAbstractItemView>
#include <QTableWidget>
#include <QTextEdit>
#include <QTimeEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const WCHAR kTitle[] = u"Kestrin Entry";
const WCHAR kEditQuickSubjects[] = u"<Edit Quick Subjects>";
const WCHAR kLimitMessage[] = u"You have reached the limit of characters permitted for this Entry.";
const WCHAR kSaveFailed[] = u"The entry could not be saved; the journal is as it was.\n\n"
                            u"Your changes are still here: try again, or cancel to leave them.";
const WCHAR kSaveQuestion[] = u"Save the changes to this entry?";

constexpr int kDefaultType = 6; // "Note"
constexpr int kDefaultPriority = 1; // "Normal"
constexpr int kDefaultSensitivity = 0; // "Normal"
constexpr std::chrono::minutes kStopwatchPeriod { 1 };
const QColor kStopwatchColor(Qt::blue);
const QColor kMissingFileColor(Qt::red);
// Pixels from the right end of the value cell where a start field is tapped.
constexpr int kStartTapInset = 20;

QString ToQ(LPCWSTR text)
{
    return text ? QString::fromUtf16(text) : QString();
}

LPCWSTR ToW(const QString& text)
{
    return reinterpret_cast<LPCWSTR>(text.utf16());
}

QString Q(const ZString& text)
{
    return text.IsEmpty() ? QString() : text.ToQString();
}

QString TrimRight(QString text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u' ')
        --end;
    text.truncate(end);
    return text;
}

// The text of a table value, or the default's when it lies outside.
QString TableText(const WCHAR* (*table)(int), int value, int fallback)
{
    const WCHAR* text = table(value);
    return ToQ(text ? text : table(fallback));
}

int DefaultOf(CEPROPID field)
{
    switch (field) {
    case PROPID_TYPE:
        return kDefaultType;
    case PROPID_PRIORITY:
        return kDefaultPriority;
    default:
        return kDefaultSensitivity;
    }
}

const WCHAR* (*TableOf(CEPROPID field))(int)
{
    switch (field) {
    case PROPID_TYPE:
        return TypeText;
    case PROPID_PRIORITY:
        return PriorityText;
    default:
        return SensitivityText;
    }
}

int TableSize(CEPROPID field)
{
    switch (field) {
    case PROPID_TYPE:
        return TYPE_COUNT;
    case PROPID_PRIORITY:
        return PRIORITY_COUNT;
    default:
        return SENSITIVITY_COUNT;
    }
}

ZTime TimeOf(const DbJItem& item)
{
    return ZTime(item.GetFileTime());
}

QString DurationCell(const DbJItem& item)
{
    ZString text;
    TimeOf(item).DurationText(text);
    return Q(text);
}

QString DateCell(const DbJItem& item)
{
    ZString date;
    ZString time;
    TimeOf(item).ShortDate(date);
    TimeOf(item).TimeText(time);
    return QStringLiteral("%1     %2").arg(Q(date), -10).arg(Q(time), -8);
}

template <typename Item> QString JoinedNames(const CEBLOB* blob, bool (*unpack)(const CEBLOB&, std::vector<Item>&))
{
    std::vector<Item> items;
    if (blob)
        unpack(*blob, items);
    QStringList names;
    for (const Item& item : items)
        names << Q(item.GetName());
    return names.join(QStringLiteral("; "));
}

// Closes an in-place control on Enter (committing) and keeps Enter from
// reaching the dialog.
class CommitKeys : public QObject {
public:
    CommitKeys(QObject* parent, std::function<void()> commit)
        : QObject(parent)
        , commit_(std::move(commit))
    {
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        commit_();
        return true;
    }

private:
    std::function<void()> commit_;
};

// The drop-down over a value. It tells a choice made in its list from the
// "activated" an editable box also sends when it loses the focus holding a
// text equal to an item: only a choice opens the quick subjects editor.
class FieldCombo : public QComboBox {
public:
    using QComboBox::QComboBox;

    // True once right after the list closed on a choice.
    bool TakeListChoice() { return std::exchange(listChoice_, false); }

    void hidePopup() override
    {
        const bool wasOpen = view()->isVisible();
        QComboBox::hidePopup();
        if (!wasOpen)
            return;
        // The box reports the choice right after closing its list.
        listChoice_ = true;
        QTimer::singleShot(0, this, [this] { listChoice_ = false; });
    }

private:
    bool listChoice_ = false;
};

} // namespace

EntryEditor::EntryEditor(DbKestrin& journal, ZRegistry& settings, SelectionList& request)
    : journal_(journal)
    , settings_(settings)
    , request_(request)
    , stopwatch_(StopwatchTimer::MakeQtTimer())
{
}

EntryEditor::~EntryEditor() = default;

int EntryEditor::ZoomItem(int percent)
{
    const int* found = std::find(std::begin(kZooms), std::end(kZooms), percent);
    return found == std::end(kZooms) ? 0 : static_cast<int>(found - std::begin(kZooms));
}

int EntryEditor::Open(QWidget* parent)
{
    const int result = DoModal(parent, QString::fromUtf16(kTitle), QStringLiteral("entryEditor"));
    return result < 0 ? -1 : result;
}

BOOL EntryEditor::OnInitDialog()
{
    oid_ = pim_ ? 0 : request_.Focused();
    BuildLayout();
    if (!note_.IsWindow() || !list_.IsWindow())
        return FALSE;
    LoadEntry();
    LoadNote();
    UpdateTitle();
    // An item carried in is written on OK as it stands.
    if (pim_)
        MarkChanged();
    QDialog* dialog = Dialog();
    if (!CoverHandheldOwner(*dialog, dialog->parentWidget()))
        dialog->resize(520, 560);
    const DWORD field = request_.EditField();
    request_.SetEditField(0);
    ShowPage(kEntryPage);
    StartAtField(field);
    return TRUE;
}

void EntryEditor::BuildLayout()
{
    QDialog* dialog = Dialog();
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    pages_ = new QStackedWidget(dialog);
    pages_->setObjectName(QStringLiteral("editorPages"));
    if (!list_.Create({}, {}, pages_, QStringLiteral("propertyList")) || !note_.Create({}, {}, pages_, QStringLiteral("noteEditor")))
        return;
    pages_->addWidget(list_.GetHandle());
    pages_->addWidget(note_.GetHandle());
    SetItem(kListId, list_.GetHandle());
    SetItem(kNoteId, note_.GetHandle());
    layout->addWidget(pages_, 1);

    // The fonts and colours of the property list: labels small and olive,
    // values a size larger, headings bold in the caption colour.
    QFont label = dialog->font();
    label.setPixelSize(11);
    label.setWeight(QFont::Thin);
    QFont value = dialog->font();
    value.setPixelSize(12);
    QFont heading = label;
    heading.setWeight(QFont::Bold);
    list_.SetLabelFont(label);
    list_.SetValueFont(value);
    list_.SetHeadingFont(heading);
    list_.SetLabelColor(QColor(0x7D, 0x7D, 0x3C));
    list_.SetHeadingColor(dialog->palette().color(QPalette::Active, QPalette::Highlight));
    list_.OnTap = [this](int row, int x) { OnTap(row, x); };
    list_.OnActivate = [this](int row) {
        const QRect cell = list_.ValueRect(row);
        OnTap(row, cell.right() - kStartTapInset);
    };

    note_.OnChange = [this] {
        noteDirty_ = true;
        MarkChanged();
    };
    note_.OnLimit = [this] { MessageBox(kLimitMessage, kTitle, MB_OK | MB_ICONEXCLAMATION); };

    tabs_ = new QTabBar(dialog);
    tabs_->setObjectName(QStringLiteral("editorTabs"));
    tabs_->setShape(QTabBar::RoundedSouth);
    tabs_->setFocusPolicy(Qt::NoFocus);
    tabs_->addTab(QStringLiteral("Entry"));
    tabs_->addTab(QStringLiteral("Note"));
    SetItem(kTabsId, tabs_);
    QObject::connect(tabs_, &QTabBar::currentChanged, dialog, [this](int page) { ShowPage(page); });
    layout->addWidget(tabs_);

    BuildEntryBar();
    BuildNoteBar();
    layout->addWidget(entryBar_.GetHandle());
    layout->addWidget(noteBar_.GetHandle());

    auto* ok = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), dialog);
    QObject::connect(ok, &QShortcut::activated, dialog, [this] { OnOk(); });
    auto* okEnter = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Enter), dialog);
    QObject::connect(okEnter, &QShortcut::activated, dialog, [this] { OnOk(); });
}

QAction* EntryEditor::AddMenuCommand(QMenu& menu, WORD id, const QString& text, const QString& name)
{
    QAction* action = menu.addAction(text);
    action->setObjectName(name);
    QObject::connect(action, &QAction::triggered, &menu, [this, id] { SendMessage(WM_COMMAND, id); });
    return action;
}

namespace {

// A tool bar button that drops down `menu`.
void AddMenuButton(QToolBar& bar, QMenu* menu, const QString& text, const QString& name)
{
    auto* button = new QToolButton(&bar);
    button->setText(text);
    button->setObjectName(name);
    button->setMenu(menu);
    button->setPopupMode(QToolButton::InstantPopup);
    bar.addWidget(button);
}

void AddOkCancel(QToolBar& bar, QDialog* dialog, const QString& suffix)
{
    auto* spacer = new QWidget(&bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar.addWidget(spacer);
    QAction* ok = bar.addAction(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("buttonOk") + suffix);
    QObject::connect(ok, &QAction::triggered, dialog, &QDialog::accept);
    QAction* cancel = bar.addAction(QStringLiteral("Cancel"));
    cancel->setObjectName(QStringLiteral("buttonCancel") + suffix);
    QObject::connect(cancel, &QAction::triggered, dialog, &QDialog::reject);
}

} // namespace

void EntryEditor::BuildEntryBar()
{
    QDialog* dialog = Dialog();
    entryBar_.Create({}, {}, dialog, QStringLiteral("entryBar"));
    entryBar_.SetOwner(this);
    QToolBar* bar = entryBar_.Bar();
    auto* edit = new QMenu(bar);
    edit->setObjectName(QStringLiteral("entryEditMenu"));
    AddMenuCommand(*edit, CMD_CUT, QStringLiteral("Cut"), QStringLiteral("actionEntryCut"));
    AddMenuCommand(*edit, CMD_COPY, QStringLiteral("Copy"), QStringLiteral("actionEntryCopy"));
    AddMenuCommand(*edit, CMD_PASTE, QStringLiteral("Paste"), QStringLiteral("actionEntryPaste"));
    AddMenuButton(*bar, edit, QStringLiteral("Edit"), QStringLiteral("buttonEntryEdit"));
    QAction* stopwatch = entryBar_.AddButton(CMD_STOPWATCH, QStringLiteral("Stopwatch"),
        QIcon::fromTheme(QStringLiteral("chronometer")), QStringLiteral("buttonStopwatch"));
    stopwatch->setCheckable(true);
    AddOkCancel(*bar, dialog, QString());
}

void EntryEditor::BuildNoteBar()
{
    QDialog* dialog = Dialog();
    noteBar_.Create({}, {}, dialog, QStringLiteral("noteBar"));
    noteBar_.SetOwner(this);
    QToolBar* bar = noteBar_.Bar();

    auto* edit = new QMenu(bar);
    edit->setObjectName(QStringLiteral("noteEditMenu"));
    AddMenuCommand(*edit, CMD_UNDO, QStringLiteral("Undo"), QStringLiteral("actionUndo"));
    AddMenuCommand(*edit, CMD_REDO, QStringLiteral("Redo"), QStringLiteral("actionRedo"));
    edit->addSeparator();
    AddMenuCommand(*edit, CMD_CUT, QStringLiteral("Cut"), QStringLiteral("actionCut"));
    AddMenuCommand(*edit, CMD_COPY, QStringLiteral("Copy"), QStringLiteral("actionCopy"));
    AddMenuCommand(*edit, CMD_PASTE, QStringLiteral("Paste"), QStringLiteral("actionPaste"));
    edit->addSeparator();
    AddMenuCommand(*edit, CMD_SELECT_ALL, QStringLiteral("Select All"), QStringLiteral("actionSelectAll"));
    QObject::connect(edit, &QMenu::aboutToShow, edit, [this, edit] {
        edit->findChild<QAction*>(QStringLiteral("actionUndo"))->setEnabled(note_.CanUndo());
        edit->findChild<QAction*>(QStringLiteral("actionRedo"))->setEnabled(note_.CanRedo());
        edit->findChild<QAction*>(QStringLiteral("actionPaste"))->setEnabled(note_.CanPaste());
    });
    AddMenuButton(*bar, edit, QStringLiteral("Edit"), QStringLiteral("buttonNoteEdit"));

    auto* view = new QMenu(bar);
    view->setObjectName(QStringLiteral("noteViewMenu"));
    auto* zoomGroup = new QActionGroup(view);
    for (int i = 0; i < 5; ++i) {
        QAction* zoom = AddMenuCommand(*view, static_cast<WORD>(CMD_ZOOM_75 + i),
            QStringLiteral("%1%").arg(kZooms[i]), QStringLiteral("actionZoom%1").arg(kZooms[i]));
        zoom->setCheckable(true);
        zoomGroup->addAction(zoom);
        zoomActions_.append(zoom);
    }
    AddMenuButton(*bar, view, QStringLiteral("View"), QStringLiteral("buttonNoteView"));

    auto* format = new QMenu(bar);
    format->setObjectName(QStringLiteral("noteFormatMenu"));
    AddMenuCommand(*format, CMD_BOLD, QStringLiteral("Bold"), QStringLiteral("actionBold"))
        ->setShortcut(QKeySequence::Bold);
    AddMenuCommand(*format, CMD_ITALIC, QStringLiteral("Italic"), QStringLiteral("actionItalic"))
        ->setShortcut(QKeySequence::Italic);
    AddMenuCommand(*format, CMD_UNDERLINE, QStringLiteral("Underline"), QStringLiteral("actionUnderline"))
        ->setShortcut(QKeySequence::Underline);
    AddMenuCommand(*format, CMD_LIST, QStringLiteral("Bulleted List"), QStringLiteral("actionList"));
    format->addSeparator();
    const char* sizes[] = { "Small", "Normal", "Large", "Larger", "Largest" };
    for (int i = 0; i < 5; ++i)
        AddMenuCommand(*format, static_cast<WORD>(CMD_SIZE_SMALL + i), QString::fromLatin1(sizes[i]),
            QStringLiteral("actionSize%1").arg(QString::fromLatin1(sizes[i])));
    for (QAction* action : format->actions())
        dialog->addAction(action);
    AddMenuButton(*bar, format, QStringLiteral("Format"), QStringLiteral("buttonNoteFormat"));

    // Drawing modes and stamps sit in menus of their own, so that the bar
    // keeps OK and Cancel in sight on a handheld-sized page.
    auto* draw = new QMenu(bar);
    draw->setObjectName(QStringLiteral("noteDrawMenu"));
    auto* modes = new QActionGroup(draw);
    const struct {
        WORD id;
        const char* text;
        const char* name;
    } kModes[] = {
        { CMD_TEXT_MODE, "Type", "buttonTextMode" },
        { CMD_PEN_MODE, "Pen", "buttonPenMode" },
        { CMD_ERASER_MODE, "Eraser", "buttonEraserMode" },
    };
    for (const auto& mode : kModes) {
        QAction* action
            = AddMenuCommand(*draw, mode.id, QString::fromLatin1(mode.text), QString::fromLatin1(mode.name));
        action->setCheckable(true);
        action->setChecked(mode.id == CMD_TEXT_MODE);
        modes->addAction(action);
    }
    AddMenuButton(*bar, draw, QStringLiteral("Draw"), QStringLiteral("buttonNoteDraw"));
    auto* insert = new QMenu(bar);
    insert->setObjectName(QStringLiteral("noteInsertMenu"));
    AddMenuCommand(*insert, CMD_DATE_STAMP, QStringLiteral("Date"), QStringLiteral("buttonDateStamp"));
    AddMenuCommand(*insert, CMD_TIME_STAMP, QStringLiteral("Time"), QStringLiteral("buttonTimeStamp"));
    AddMenuButton(*bar, insert, QStringLiteral("Insert"), QStringLiteral("buttonNoteInsert"));
    AddOkCancel(*bar, dialog, QStringLiteral("Note"));
}

void EntryEditor::LoadEntry()
{
    items_.Empty();
    journal_.Read(oid_, &items_, FALSE);
    const bool isNew = oid_ == 0;
    if (isNew && pim_)
        FillFromPimData();
    int row = 0;
    for (DbJItem* item : items_) {
        const CEPROPID field = item->GetPropID();
        if (field == PROPID_NOTE) {
            item->SetLoc(kNoteRow);
            continue;
        }
        if (isNew && (field == PROPID_TYPE || field == PROPID_PRIORITY || field == PROPID_SENSITIVITY)
            && TableOf(field)(item->GetShort()) == nullptr)
            item->SetShort(static_cast<SHORT>(DefaultOf(field)));
        if (field == PROPID_DATE && TimeOf(*item) == 0ULL) {
            ZTime now;
            now.SetNow();
            item->SetFileTime(now.ToFileTime());
        }
        item->SetLoc(row);
        list_.InsertRow(Q(item->GetLabel()), QString());
        RefreshRow(*item);
        ++row;
    }
}

void EntryEditor::FillFromPimData()
{
    constexpr int kContact = 0;
    if (DbJItem* type = items_.GetItem(PROPID_TYPE))
        type->SetShort(pim_->entryType);
    if (DbJItem* date = items_.GetItem(PROPID_DATE))
        date->SetFileTime(ZTime(pim_->date).ToFileTime());
    if (DbJItem* subject = items_.GetItem(PROPID_SUBJECT); subject && pim_->kind != kContact)
        subject->SetStrValue(pim_->subject.c_str());
    if (DbJItem* company = items_.GetItem(PROPID_COMPANY))
        company->SetStrValue(pim_->company.c_str());
    if (DbJItem* contacts = items_.GetItem(PROPID_CONTACTS); contacts && !pim_->contactName.empty())
        StoreContactsField(*contacts, { DbAItem(pim_->itemOid, pim_->contactName.c_str(), pim_->company.c_str()) });
}

void EntryEditor::LoadNote()
{
    DbJItem* item = items_.GetItem(PROPID_NOTE);
    const NoteContent content = item ? ReadNote(*item->GetBlob()) : NoteContent {};
    note_.SetZoom(Settings(settings_).Zoom());
    note_.Load(QString::fromStdString(content.richText),
        QString::fromStdU16String(content.plainText), NoteInk::StrokesOf(content.ink));
}

void EntryEditor::StoreNote()
{
    DbJItem* item = items_.GetItem(PROPID_NOTE);
    if (!item || !noteDirty_)
        return;
    noteDirty_ = false;
    if (note_.IsEmpty()) {
        item->SetBlob(nullptr);
        return;
    }
    std::vector<InkStroke> strokes;
    for (const ZCInkNote::Stroke& stroke : note_.Strokes()) {
        InkStroke ink;
        ink.color = stroke.color.rgba();
        ink.width = static_cast<WORD>(std::lround(stroke.width * 100));
        for (const QPointF& point : stroke.points)
            ink.points.emplace_back(std::lround(point.x() * 100), std::lround(point.y() * 100));
        strokes.push_back(std::move(ink));
    }
    const QString plain = note_.PlainText();
    const std::vector<BYTE> blob = WriteNote(plain.toStdU16String(), note_.Html().toStdString(), WriteInk(strokes));
    const CEBLOB value { static_cast<DWORD>(blob.size()), const_cast<BYTE*>(blob.data()) };
    item->SetBlob(&value);
}

QString EntryEditor::CellText(const DbJItem& item) const
{
    switch (item.GetPropID()) {
    case PROPID_DATE:
        return DateCell(item);
    case PROPID_DURATION:
        return DurationCell(item);
    case PROPID_TYPE:
    case PROPID_PRIORITY:
    case PROPID_SENSITIVITY:
        return TableText(TableOf(item.GetPropID()), item.GetShort(), DefaultOf(item.GetPropID()));
    case PROPID_CATEGORIES:
        return JoinedNames<DbCItem>(item.GetBlob(), UnpackCategories);
    case PROPID_CONTACTS:
        return JoinedNames<DbAItem>(item.GetBlob(), UnpackContacts);
    case PROPID_ATTACHMENT:
        return AttachmentDisplayName(AttachmentFilePath(ToQ(item.GetStrValue())));
    default:
        return ToQ(item.GetStrValue());
    }
}

void EntryEditor::RefreshRow(const DbJItem& item)
{
    const int row = item.GetLoc();
    if (row < 0 || row >= kNoteRow)
        return;
    QString text = CellText(item);
    if (text.isEmpty())
        text = Q(item.GetDefault());
    list_.SetValue(row, text);
    QColor color;
    if (item.GetPropID() == PROPID_ATTACHMENT && AttachmentMissing(AttachmentFilePath(ToQ(item.GetStrValue()))))
        color = kMissingFileColor;
    else if (item.GetPropID() == PROPID_DURATION && stopwatch_->IsActive())
        color = kStopwatchColor;
    list_.SetRowValueColor(row, color);
    if (QTableWidget* table = list_.Table())
        table->viewport()->update();
}

void EntryEditor::RefreshRows()
{
    for (DbJItem* item : items_)
        RefreshRow(*item);
}

DbJItem* EntryEditor::ItemAtRow(int row) const
{
    for (DbJItem* item : items_)
        if (item->GetLoc() == row)
            return item;
    return nullptr;
}

int EntryEditor::RowOf(DWORD field) const
{
    // The quick view names a field by its number (101 for the date), the
    // program's own callers by its whole property id.
    for (const DbJItem* item : items_)
        if (item->GetPropID() == field || HIWORD(item->GetPropID()) == field)
            return item->GetLoc();
    return -1;
}

int EntryEditor::CurrentPage() const
{
    return tabs_ ? tabs_->currentIndex() : kEntryPage;
}

void EntryEditor::StartAtField(DWORD field)
{
    if (field == 0 || field == 0xFFFFFFFF)
        return;
    const int row = RowOf(field);
    if (row == kNoteRow) {
        tabs_->setCurrentIndex(kNotePage);
    } else if (row >= 0) {
        list_.Table()->setCurrentCell(row, 1);
        const QRect cell = list_.ValueRect(row);
        OnTap(row, cell.right() - kStartTapInset);
    }
}

void EntryEditor::OnTap(int row, int x)
{
    CommitField();
    if (list_.GetItemData(row) == 0)
        return;
    const QRect cell = list_.ValueRect(row);
    if (x <= cell.left() + 4)
        return;
    if (DbJItem* item = ItemAtRow(row))
        OpenField(*item, x);
}

void EntryEditor::OpenField(DbJItem& item, int x)
{
    current_ = &item;
    switch (item.GetCtrlType()) {
    case CTRL_COMPANY:
        OpenText(item);
        break;
    case CTRL_PICKER:
        OpenPicker(item);
        break;
    case CTRL_DATE: {
        const QRect cell = list_.ValueRect(item.GetLoc());
        OpenDate(item, x < cell.center().x() ? DatePart::Day : DatePart::Time);
        break;
    }
    case CTRL_COMBO_EDIT:
    case CTRL_COMBO_LIST:
        OpenCombo(item);
        break;
    default:
        current_ = nullptr;
        break;
    }
}

void EntryEditor::OpenText(DbJItem& item)
{
    auto* edit = new QLineEdit(list_.Table()->viewport());
    edit->setObjectName(QStringLiteral("fieldEdit"));
    edit->setText(ToQ(item.GetStrValue()));
    edit->setGeometry(list_.ValueRect(item.GetLoc()));
    edit->installEventFilter(new CommitKeys(edit, [this] { CommitField(); }));
    inPlace_ = edit;
    edit->show();
    edit->setFocus();
    edit->selectAll();
}

void EntryEditor::FillSubjects(QComboBox& box)
{
    Settings settings(settings_);
    QStringList subjects { QString::fromUtf16(kEditQuickSubjects) };
    for (int i = 0; i < settings.SubjectCount(); ++i)
        subjects << Q(settings.Subject(i));
    std::sort(subjects.begin(), subjects.end(),
        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    box.clear();
    box.addItems(subjects);
}

void EntryEditor::FillCombo(QComboBox& box, const DbJItem& item)
{
    const CEPROPID field = item.GetPropID();
    switch (field) {
    case PROPID_SUBJECT:
        FillSubjects(box);
        box.setCurrentIndex(-1);
        box.setEditText(ToQ(item.GetStrValue()));
        break;
    case PROPID_DURATION:
        for (int i = 0; i < DURATION_CHOICE_COUNT; ++i)
            box.addItem(ToQ(DurationChoiceText(i)));
        box.setCurrentIndex(-1);
        box.setEditText(DurationCell(item));
        break;
    default: {
        for (int i = 0; i < TableSize(field); ++i)
            box.addItem(ToQ(TableOf(field)(i)));
        const int value = item.GetShort();
        box.setCurrentIndex(value >= 0 && value < TableSize(field) ? value : DefaultOf(field));
        break;
    }
    }
}

void EntryEditor::OpenCombo(DbJItem& item)
{
    auto* box = new FieldCombo(list_.Table()->viewport());
    box->setObjectName(QStringLiteral("fieldCombo"));
    box->setEditable(item.GetCtrlType() == CTRL_COMBO_EDIT);
    box->setInsertPolicy(QComboBox::NoInsert);
    FillCombo(*box, item);
    box->setGeometry(list_.ValueRect(item.GetLoc()));
    QObject::connect(box, &QComboBox::activated, box, [this](int index) { OnComboChosen(index); });
    auto* keys = new CommitKeys(box, [this] { CommitField(); });
    box->installEventFilter(keys);
    if (QLineEdit* line = box->lineEdit())
        line->installEventFilter(keys);
    inPlace_ = box;
    box->show();
    box->setFocus();
}

void EntryEditor::OnComboChosen(int index)
{
    auto* box = dynamic_cast<FieldCombo*>(inPlace_.data());
    if (!box || !current_)
        return;
    if (current_->GetPropID() == PROPID_SUBJECT) {
        if (box->TakeListChoice() && box->itemText(index) == QString::fromUtf16(kEditQuickSubjects))
            EditQuickSubjects(*box);
        return;
    }
    // A choice of Type, Priority, Sensitivity or Duration is the edit itself.
    CommitField();
}

void EntryEditor::EditQuickSubjects(QComboBox& box)
{
    const QString typed = ToQ(current_->GetStrValue());
    QuickSubjectsEditor(settings_).Open(Dialog());
    FillSubjects(box);
    box.setCurrentIndex(-1);
    box.setEditText(typed);
}

void EntryEditor::OpenDate(DbJItem& item, DatePart part)
{
    datePart_ = part;
    const SYSTEMTIME st = TimeOf(item).ToSystemTime();
    const QRect cell = list_.ValueRect(item.GetLoc());
    QWidget* viewport = list_.Table()->viewport();
    if (part == DatePart::Time) {
        auto* time = new QTimeEdit(QTime(st.wHour, st.wMinute, st.wSecond), viewport);
        time->setObjectName(QStringLiteral("fieldTime"));
        time->setDisplayFormat(QStringLiteral("hh:mm AP"));
        time->setGeometry(QRect(cell.center().x(), cell.top(), cell.right() - cell.center().x(), cell.height()));
        time->installEventFilter(new CommitKeys(time, [this] { CommitField(); }));
        inPlace_ = time;
        time->show();
        time->setFocus();
        return;
    }
    auto* calendar = new QCalendarWidget(viewport);
    calendar->setObjectName(QStringLiteral("fieldCalendar"));
    calendar->setSelectedDate(QDate(st.wYear, st.wMonth, st.wDay));
    calendar->setGridVisible(false);
    const QSize size = calendar->sizeHint().boundedTo(viewport->size());
    const int top = std::clamp(cell.bottom() + 1, 0, std::max(0, viewport->height() - size.height()));
    calendar->setGeometry(QRect(QPoint(std::max(0, viewport->width() - size.width()) / 2, top), size));
    // Each new day is stored at once; a click on a day also closes the calendar.
    QObject::connect(calendar, &QCalendarWidget::selectionChanged, calendar, [this, calendar] {
        if (!current_)
            return;
        SYSTEMTIME value = TimeOf(*current_).ToSystemTime();
        const QDate day = calendar->selectedDate();
        value.wYear = static_cast<WORD>(day.year());
        value.wMonth = static_cast<WORD>(day.month());
        value.wDay = static_cast<WORD>(day.day());
        ZTime time;
        if (time.FromSystemTime(value) && time != TimeOf(*current_)) {
            current_->SetFileTime(time.ToFileTime());
            MarkChanged();
            RefreshRow(*current_);
        }
    });
    QObject::connect(calendar, &QCalendarWidget::clicked, calendar, [this] { CommitField(); });
    QObject::connect(calendar, &QCalendarWidget::activated, calendar, [this] { CommitField(); });
    inPlace_ = calendar;
    calendar->show();
    calendar->setFocus();
}

void EntryEditor::OpenPicker(DbJItem& item)
{
    current_ = nullptr;
    int changed = 0;
    switch (item.GetPropID()) {
    case PROPID_NOTE:
        tabs_->setCurrentIndex(kNotePage);
        return;
    case PROPID_CATEGORIES:
        changed = CategoryPicker::Pick(Dialog(), &item) > 0;
        break;
    case PROPID_CONTACTS:
        // -1 (no address book) leaves the field as it was.
        changed = ContactPicker::Pick(Dialog(), item, AddressBook::Store(settings_)) > 0;
        break;
    case PROPID_ATTACHMENT:
        changed = AttachmentPicker(item).Open(Dialog());
        break;
    default:
        return;
    }
    if (changed)
        MarkChanged();
    RefreshRow(item);
}

void EntryEditor::StoreText(DbJItem& item, QString text)
{
    text = TrimRight(std::move(text));
    if (item.GetPropID() == PROPID_SUBJECT && text == QString::fromUtf16(kEditQuickSubjects))
        text.clear();
    if (text != ToQ(item.GetStrValue())) {
        item.SetStrValue(ToW(text));
        MarkChanged();
    }
}

void EntryEditor::StoreChoice(DbJItem& item, int index)
{
    if (index < 0 || index >= TableSize(item.GetPropID()) || index == item.GetShort())
        return;
    item.SetShort(static_cast<SHORT>(index));
    MarkChanged();
}

void EntryEditor::StoreDuration(DbJItem& item, const QString& text)
{
    ZString typed = ZString::FromQString(TrimRight(text));
    ZTime length;
    if (!typed.IsEmpty())
        length.ParseDuration(typed);
    if (length != TimeOf(item)) {
        item.SetFileTime(length.ToFileTime());
        MarkChanged();
    }
}

void EntryEditor::CommitField()
{
    QWidget* control = inPlace_;
    DbJItem* item = current_;
    if (!control || !item) {
        CloseField();
        return;
    }
    // Closed before storing: storing may open a box, and a second commit
    // must find nothing open.
    inPlace_ = nullptr;
    current_ = nullptr;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        StoreText(*item, edit->text());
    } else if (auto* box = qobject_cast<QComboBox*>(control)) {
        if (item->GetPropID() == PROPID_SUBJECT)
            StoreText(*item, box->currentText());
        else if (item->GetPropID() == PROPID_DURATION)
            StoreDuration(*item, box->currentText());
        else
            StoreChoice(*item, box->currentIndex());
    } else if (auto* time = qobject_cast<QTimeEdit*>(control)) {
        SYSTEMTIME value = TimeOf(*item).ToSystemTime();
        value.wHour = static_cast<WORD>(time->time().hour());
        value.wMinute = static_cast<WORD>(time->time().minute());
        ZTime merged;
        if (merged.FromSystemTime(value) && merged != TimeOf(*item)) {
            item->SetFileTime(merged.ToFileTime());
            MarkChanged();
        }
    }
    RefreshRow(*item);
    control->hide();
    control->deleteLater();
    list_.Table()->setFocus();
}

void EntryEditor::CloseField()
{
    if (QWidget* control = inPlace_) {
        control->hide();
        control->deleteLater();
    }
    inPlace_ = nullptr;
    current_ = nullptr;
}

void EntryEditor::ShowPage(int page)
{
    if (!pages_)
        return;
    CommitField();
    if (tabs_->currentIndex() != page) {
        // Comes back here through the tab bar's signal.
        tabs_->setCurrentIndex(page);
        return;
    }
    const bool note = page == kNotePage;
    if (!note && pages_->currentIndex() == kNotePage)
        StoreNote();
    entryBar_.GetHandle()->setVisible(!note);
    noteBar_.GetHandle()->setVisible(note);
    pages_->setCurrentIndex(page);
    if (note) {
        const int zoom = Settings(settings_).Zoom();
        note_.SetZoom(zoom);
        zoomActions_[ZoomItem(zoom)]->setChecked(true);
        note_.Edit()->setFocus();
    } else {
        entryBar_.CheckButton(CMD_STOPWATCH, stopwatch_->IsActive());
        RefreshRows();
        list_.Table()->setFocus();
    }
}

void EntryEditor::MarkChanged()
{
    if (changed_)
        return;
    changed_ = true;
    UpdateTitle();
}

void EntryEditor::UpdateTitle()
{
    SetText(QString::fromUtf16(kTitle) + (changed_ ? QStringLiteral("*") : QString()));
}

void EntryEditor::ToggleStopwatch()
{
    if (stopwatch_->IsActive())
        stopwatch_->Stop();
    else
        stopwatch_->Start(kStopwatchPeriod, [this] { OnStopwatchTick(); });
    entryBar_.CheckButton(CMD_STOPWATCH, stopwatch_->IsActive());
    if (DbJItem* duration = items_.GetItem(PROPID_DURATION))
        RefreshRow(*duration);
}

void EntryEditor::OnStopwatchTick()
{
    DbJItem* duration = items_.GetItem(PROPID_DURATION);
    if (!duration)
        return;
    ZTime length = TimeOf(*duration);
    length.AddOneMinute();
    duration->SetFileTime(length.ToFileTime());
    MarkChanged();
    RefreshRow(*duration);
}

void EntryEditor::SetZoom(int percent)
{
    Settings(settings_).SetZoom(percent);
    note_.SetZoom(percent);
    zoomActions_[ZoomItem(percent)]->setChecked(true);
}

void EntryEditor::InsertStamp(bool date)
{
    ZTime now;
    now.SetNow();
    ZString text;
    if (date)
        now.ShortDate(text);
    else
        now.TimeText(text);
    note_.InsertStamp(Q(text).left(20));
}

void EntryEditor::OnNoteCommand(WORD id)
{
    switch (id) {
    case CMD_UNDO:
        note_.Undo();
        break;
    case CMD_REDO:
        note_.Redo();
        break;
    case CMD_CUT:
        note_.Cut();
        break;
    case CMD_COPY:
        note_.Copy();
        break;
    case CMD_PASTE:
        if (note_.CanPaste())
            note_.Paste();
        break;
    case CMD_SELECT_ALL:
        note_.SelectAll();
        break;
    case CMD_BOLD:
        note_.ToggleBold();
        break;
    case CMD_ITALIC:
        note_.ToggleItalic();
        break;
    case CMD_UNDERLINE:
        note_.ToggleUnderline();
        break;
    case CMD_LIST:
        note_.ToggleList();
        break;
    case CMD_TEXT_MODE:
        note_.SetMode(ZCInkNote::Mode::Text);
        break;
    case CMD_PEN_MODE:
        note_.SetMode(ZCInkNote::Mode::Pen);
        break;
    case CMD_ERASER_MODE:
        note_.SetMode(ZCInkNote::Mode::Eraser);
        break;
    default:
        if (id >= CMD_SIZE_SMALL && id < CMD_SIZE_SMALL + 5)
            note_.SetSizeStep(id - CMD_SIZE_SMALL - 1);
        break;
    }
}

void EntryEditor::OnOk()
{
    StoreNote();
    // The field being edited counts before the changed flag is looked at.
    CommitField();
    if (!changed_) {
        EndDialog(0);
        return;
    }
    CurrentUiHooks().SetWaitCursor(true);
    const CEOID written = SaveEntry(journal_, oid_, items_);
    CurrentUiHooks().SetWaitCursor(false);
    if (written == 0) {
        MessageBox(kSaveFailed, kTitle, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    stopwatch_->Stop();
    oid_ = written;
    request_.SetFocused(written);
    EndDialog(1);
}

void EntryEditor::OnCancel()
{
    StoreNote();
    CommitField();
    if (changed_) {
        switch (MessageBox(kSaveQuestion, kTitle, MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            OnOk();
            return;
        case IDNO:
            break;
        default:
            return;
        }
    }
    stopwatch_->Stop();
    EndDialog(0);
}

LRESULT EntryEditor::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COMMAND)
        return ZDialog::WindowProc(message, wParam, lParam);
    const WORD id = LOWORD(wParam);
    switch (id) {
    case IDC_OK:
        OnOk();
        return 0;
    case IDC_CANCEL:
        OnCancel();
        return 0;
    case CMD_STOPWATCH:
        ToggleStopwatch();
        return 0;
    case CMD_DATE_STAMP:
    case CMD_TIME_STAMP:
        InsertStamp(id == CMD_DATE_STAMP);
        return 0;
    default:
        break;
    }
    if (id >= CMD_ZOOM_75 && id < CMD_ZOOM_75 + 5) {
        SetZoom(kZooms[id - CMD_ZOOM_75]);
        return 0;
    }
    if ((id == CMD_CUT || id == CMD_COPY || id == CMD_PASTE) && CurrentPage() == kEntryPage) {
        // On the Entry page the clipboard commands act on the field being edited.
        QLineEdit* line = qobject_cast<QLineEdit*>(inPlace_.data());
        if (!line && inPlace_)
            line = inPlace_->findChild<QLineEdit*>();
        if (line && id == CMD_CUT)
            line->cut();
        else if (line && id == CMD_COPY)
            line->copy();
        else if (line)
            line->paste();
        return 0;
    }
    OnNoteCommand(id);
    return 0;
}
