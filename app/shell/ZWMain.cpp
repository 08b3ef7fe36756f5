#include "ZWMain.h"

#include "AboutBox.h"
#include "DbAItem.h"
#include "AddressBook.h"
#include "BackupCommands.h"
#include "EntryEditor.h"
#include "ContactPicker.h"
#include "ContactSplitter.h"
#include "ExportDialog.h"
#include "FilterDialog.h"
#include "IrExchangeDialog.h"
#include "JournalSort.h"
#include "FindDialog.h"
#include "FindResults.h"
#include "SearchIndexWindow.h"
#include "JournalProps.h"
#include "LastError.h"
#include "ObjectStore.h"
#include "NoteView.h"
#include "OptionsDialog.h"
#include "ProgramObjects.h"
#include "ProgramText.h"
#include "QuickView.h"
#include "Settings.h"
#include "SkinnedMenu.h"
#include "SyncCommand.h"
#include "ToolIcons.h"
#include "UiHooks.h"
#include "WindowLink.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QTableView>
#include <QTreeWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <utility>

namespace {

// A press held this long without moving opens the context menu.
constexpr int kLongPressMs = 600;
// How often held PIM items look whether the modal dialogs have closed.
constexpr int kHeldPimItemPollMs = 50;

ZWMain::IntegrityCheck& InstalledCheck()
{
    static ZWMain::IntegrityCheck check;
    return check;
}

ZWMain::PimEditor& InstalledPimEditor()
{
    static ZWMain::PimEditor editor;
    return editor;
}

// The messages for an item the address book cannot give, by kind.
UINT PimItemError(int kind)
{
    if (kind == 1)
        return 40055;
    return kind == 2 ? 40054 : 40053;
}

// The journal's own integrity check, silent (no question, no progress, no
// status). True when it ran to its end.
bool RunJournalCleanup(DbKestrin& journal)
{
    ZString error;
    journal.Cleanup(TRUE, nullptr, nullptr, &error);
    return error.IsEmpty();
}

// One command of the window: its id, the name its menu item and button are
// known by, its text, and whether the program has its screen yet.
struct Command {
    WORD id;
    const char* name;
    const char* text;
    bool available;
};

const Command* FindCommand(WORD id)
{
    static const Command kCommands[] = {
        { CMD_NEW, "New", "New", true },
        { CMD_TOOLS, "Tools", "Tools", true },
        { CMD_ABOUT, "About", "About", true },
        { CMD_FIND, "Find", "Find", true },
        { CMD_EXPORT, "Export", "Export", true },
        { CMD_BACKUP, "Backup", "Backup", true },
        { CMD_RESTORE, "Restore", "Restore", true },
        { CMD_SYNC, "Sync", "Sync", true },
        { CMD_RECEIVE_IR, "ReceiveIr", "Receive via Infrared...", true },
        { CMD_OPTIONS, "Options", "Options", true },
        { CMD_FILTER, "Filter", "Filter", true },
        { CMD_PREVIEW_PANE, "PreviewPane", "Preview Pane", true },
        { CMD_UP, "Up", "Up", true },
        { CMD_DOWN, "Down", "Down", true },
        { CMD_EDIT, "Edit", "Edit", true },
        { CMD_CREATE_COPY, "CreateCopy", "Create Copy", true },
        { CMD_DELETE_ENTRY, "DeleteEntry", "Delete Entry", true },
        { CMD_SEND_IR, "SendIr", "Send via Infrared...", true },
    };
    for (const Command& command : kCommands)
        if (command.id == id)
            return &command;
    return nullptr;
}

QString CommandName(const char* prefix, WORD id)
{
    return QString::fromLatin1(prefix) + QString::fromLatin1(FindCommand(id)->name);
}

QString CommandText(WORD id)
{
    return QString::fromLatin1(FindCommand(id)->text);
}

UINT CommandFlags(WORD id)
{
    return FindCommand(id)->available ? MF_STRING : MF_STRING | MF_GRAYED;
}

} // namespace

// The central widget: it lays its children out whenever its size changes.
class ZWMain::Client : public QWidget {
public:
    Client(QWidget* parent, ZWMain& owner)
        : QWidget(parent)
        , owner_(owner)
    {
        setObjectName(QStringLiteral("clientArea"));
    }

protected:
    void resizeEvent(QResizeEvent*) override { owner_.OnSize(); }

private:
    ZWMain& owner_;
};

// Turns a press held still on the list into a request for the context menu
// (the handheld's tap and hold); the release that ends it is swallowed.
class ZWMain::LongPress : public QObject {
public:
    LongPress(QWidget* watched, std::function<void(const QPoint&)> fire)
        : fire_(std::move(fire))
    {
        timer_.setSingleShot(true);
        timer_.setInterval(kLongPressMs);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            fired_ = true;
            fire_(at_);
        });
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            fired_ = false;
            if (mouse->button() == Qt::LeftButton) {
                at_ = mouse->position().toPoint();
                timer_.start();
            }
            return false;
        }
        case QEvent::MouseMove:
            if (timer_.isActive()
                && (static_cast<QMouseEvent*>(event)->position().toPoint() - at_).manhattanLength()
                    > QApplication::startDragDistance())
                timer_.stop();
            return fired_;
        case QEvent::MouseButtonRelease:
            timer_.stop();
            return std::exchange(fired_, false);
        default:
            return false;
        }
    }

private:
    std::function<void(const QPoint&)> fire_;
    QTimer timer_;
    QPoint at_;
    bool fired_ = false;
};

ZWMain::ZWMain()
    : list_(TheJournal(), TheSelection(), TheApp(), this)
    , tree_(TheJournal(), TheSelection(), TheApp(), this)
    , bar_(TheJournal(), TheApp(), this, [this] { RequestRefresh(); })
{
}

ZWMain::~ZWMain()
{
    // The socket goes first: no message may arrive for a window being torn down.
    listener_.reset();
    pimItemTimer_.reset();
    longPress_.reset();
    treeLongPress_.reset();
}

void ZWMain::SetIntegrityCheck(IntegrityCheck check)
{
    InstalledCheck() = std::move(check);
}

void ZWMain::SetPimEditor(PimEditor editor)
{
    InstalledPimEditor() = std::move(editor);
}

QWidget* ZWMain::CreateWidget(QWidget* parent)
{
    auto* window = new QMainWindow(parent);
    window->setProperty("windowClass", QString::fromUtf16(kWindowClass));
    client_ = new Client(window, *this);
    window->setCentralWidget(client_);

    bar_.CreateBar(client_);
    list_.CreateList(client_);
    tree_.CreateTree(client_);
    splitter_ = new ContactSplitter(
        client_, TheSkin(), [this](int y) { SendMessage(KWM_SPLITTER, 0, y); },
        [this](const DbAItem& contact) { ShowContact(contact); });
    preview_ = new QTextEdit(client_);
    preview_->setObjectName(QStringLiteral("previewPane"));
    preview_->setReadOnly(true);
    preview_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    QTableView* view = list_.View();
    QObject::connect(view, &QWidget::customContextMenuRequested, view,
        [this](const QPoint& point) { OpenContextMenu(point); });
    longPress_ = std::make_unique<LongPress>(
        view->viewport(), [this](const QPoint& point) { OpenContextMenu(point); });
    QTreeWidget* tree = tree_.View();
    QObject::connect(tree, &QWidget::customContextMenuRequested, tree,
        [this](const QPoint& point) { OpenContextMenu(point); });
    treeLongPress_ = std::make_unique<LongPress>(
        tree->viewport(), [this](const QPoint& point) { OpenContextMenu(point); });
    BuildCommands(window);
    return window;
}

void ZWMain::BuildCommands(QMainWindow* window)
{
    tools_.CreatePopup(CommandText(CMD_TOOLS));
    tools_.Append(
        CommandFlags(CMD_ABOUT), CMD_ABOUT, CommandText(CMD_ABOUT), CommandName("action", CMD_ABOUT));
    tools_.Append(MF_SEPARATOR, 0, {});
    tools_.Append(CommandFlags(CMD_FIND), CMD_FIND, CommandText(CMD_FIND), CommandName("action", CMD_FIND));
    tools_.Append(MF_SEPARATOR, 0, {});
    for (WORD id : { CMD_EXPORT, CMD_BACKUP, CMD_RESTORE, CMD_SYNC })
        tools_.Append(CommandFlags(id), id, CommandText(id), CommandName("action", id));
    tools_.Append(MF_SEPARATOR, 0, {});
    for (WORD id : { CMD_RECEIVE_IR, CMD_OPTIONS })
        tools_.Append(CommandFlags(id), id, CommandText(id), CommandName("action", id));
    tools_.SetOwner(this);
    window->menuBar()->addMenu(tools_.Handle());

    toolbar_.Create(QStringLiteral("Commands"), {}, window, QStringLiteral("mainToolBar"));
    toolbar_.SetOwner(this);
    QToolBar* bar = toolbar_.Bar();
    // The bar stands for the system's menu bar: it keeps the standard
    // background whatever skin dresses the window.
    QPalette standard = bar->palette();
    standard.setBrush(QPalette::Window, QApplication::palette().window());
    bar->setPalette(standard);
    // Tight, so that every button fits a handheld's width.
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->setIconSize(QSize(16, 16));
    bar->setContentsMargins(0, 0, 0, 0);
    bar->layout()->setSpacing(0);
    QAction* make = toolbar_.AddButton(CMD_NEW, CommandText(CMD_NEW), {}, CommandName("button", CMD_NEW));
    QAction* tools
        = toolbar_.AddButton(CMD_TOOLS, CommandText(CMD_TOOLS), {}, CommandName("button", CMD_TOOLS));
    tools->setMenu(tools_.Handle());
    for (QAction* textButton : { make, tools }) {
        if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(textButton))) {
            button->setToolButtonStyle(Qt::ToolButtonTextOnly);
            if (textButton == tools)
                button->setPopupMode(QToolButton::InstantPopup);
        }
    }
    toolbar_.AddSeparator();
    const std::pair<WORD, ToolIcon> images[] = {
        { CMD_FIND, ToolIcon::Find },
        { CMD_FILTER, ToolIcon::Filter },
        { CMD_PREVIEW_PANE, ToolIcon::PreviewPane },
        { CMD_UP, ToolIcon::Up },
        { CMD_DOWN, ToolIcon::Down },
    };
    for (const auto& [id, icon] : images)
        toolbar_.AddButton(id, CommandText(id), MakeToolIcon(icon), CommandName("button", id));
    for (WORD id : { CMD_NEW, CMD_FIND, CMD_FILTER })
        toolbar_.EnableButton(id, FindCommand(id)->available);
    toolbar_.Button(CMD_PREVIEW_PANE)->setCheckable(true);
    window->addToolBar(Qt::BottomToolBarArea, bar);
}

QAction* ZWMain::Action(WORD command) const
{
    if (QAction* item = tools_.Item(command))
        return item;
    return toolbar_.Button(command);
}

QWidget* ZWMain::Splitter() const
{
    return splitter_;
}

QMainWindow* ZWMain::MainWindow() const
{
    return qobject_cast<QMainWindow*>(GetHandle());
}

bool ZWMain::CreateMain(const QRect& rect)
{
    return Create(QString::fromUtf16(kWindowTitle), rect, nullptr, QStringLiteral("mainWindow"));
}

LRESULT ZWMain::OnCreate()
{
    // The socket is claimed first: if another copy won a race to start, this
    // one stops before it opens anything.
    listener_ = std::make_unique<WindowListener>([this](const IpcFrame& frame) { OnFrame(frame); });
    if (!listener_->Listen(kWindowClass, kWindowTitle)) {
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            SetForegroundWindow(FindWindowW(kWindowClass, kWindowTitle));
            return -1;
        }
        // No socket (no usable folder): the program runs, unreachable from outside.
        OutputDebugStringW(u"ZWMain::OnCreate - no window socket\n");
    }

    Settings settings(TheApp());
    previewPane_ = settings.PreviewPane();
    ShowPreviewButtons();
    TheSkin().Load(settings.Skin());
    ApplySkin();
    DbKestrin& journal = TheJournal();
    journal.GetFilter().LoadFilter(TheApp(), kOptionsSection);
    bar_.SetShowLabel(CMD_SHOW_ALL);
    bar_.SetSortLabel(static_cast<WORD>(settings.SortBy()));
    if (!journal.Open(AsNotifyWindow(this))) {
        ShowAppError(40059);
        return -1;
    }
    if (settings.Upgrade()) {
        TheApp().WaitCursor(true);
        const bool checked = InstalledCheck() ? InstalledCheck()(journal) : RunJournalCleanup(journal);
        // A check that could not finish left the journal as it was; it is
        // tried again at the next start rather than forgotten.
        if (checked)
            settings.SetUpgrade(false);
        else
            OutputDebugStringW(u"ZWMain::OnCreate - integrity check did not finish\n");
        TheApp().WaitCursor(false);
    }
    ShowView(settings.TreeView());
    outsideChanges_ = ObjectStore::OutsideChangeCount();
    outsideWatch_ = new QTimer(MainWindow());
    outsideWatch_->setInterval(kOutsideWatchMs);
    QObject::connect(outsideWatch_, &QTimer::timeout, outsideWatch_, [this] { CheckOutsideChanges(); });
    outsideWatch_->start();
    // The window has its size already; its client area gets it now.
    if (QLayout* layout = MainWindow()->layout())
        layout->activate();
    LayoutFromSetting();
    UpdatePreview(false);
    return 0;
}

void ZWMain::ApplySkin()
{
    SetBrush(TheSkin().brush);
    if (splitter_)
        splitter_->update();
    if (QWidget* bar = bar_.GetHandle())
        bar->update();
}

void ZWMain::RequestRefresh()
{
    refreshPending_ = true;
    PostMessage(WM_COMMAND, MAKEWPARAM(KCMD_REFRESH_ID, KCMD_REFRESH), 0);
}

void ZWMain::OnRefresh()
{
    // No wait cursor: the journal keeps its rows in memory once the list has
    // been filled (inside the start-up's wait cursor), so a rebuild while
    // the program runs is quick.
    RefillView();
    UpdatePreview(false);
}

QAbstractItemView* ZWMain::ViewInUse() const
{
    if (treeView_)
        return tree_.View();
    return list_.View();
}

void ZWMain::RefillView()
{
    if (!treeView_) {
        list_.Refresh();
        return;
    }
    tree_.Fill();
    tree_.SelectEntry(TheSelection().Focused());
}

void ZWMain::ShowView(bool tree)
{
    treeView_ = tree;
    (tree ? static_cast<ZWindow&>(list_) : static_cast<ZWindow&>(tree_)).Hide();
    RefillView();
    ZWindow& shown = tree ? static_cast<ZWindow&>(tree_) : static_cast<ZWindow&>(list_);
    shown.Show();
    shown.SetFocus();
}

void ZWMain::OnSortCommand(WORD fieldId)
{
    TheApp().WaitCursor(true);
    const QString group = treeView_ ? tree_.SelectedGroupName() : QString();
    const bool tree = SortJournalByField(TheJournal(), TheApp(), fieldId);
    ShowView(tree);
    // With no entry focused the group that was selected stays selected.
    if (tree && TheSelection().Focused() == 0 && !group.isEmpty())
        tree_.SelectGroup(group);
    LayoutFromSetting();
    TheApp().WaitCursor(false);
}

void ZWMain::OnReverseCommand()
{
    TheApp().WaitCursor(true);
    ReverseJournalOrder(TheJournal());
    if (treeView_)
        tree_.SortOpenGroups();
    else
        list_.Refresh();
    TheApp().WaitCursor(false);
}

void ZWMain::OnFilterCommand(WORD code)
{
    if (FilterDialog(TheJournal(), this).Run(GetHandle()) != 1)
        return;
    // From the Show menu the bar sets its label and asks for the refresh.
    if (code == 0) {
        bar_.SetShowLabel(CMD_SHOW_ALL);
        RequestRefresh();
    }
}

void ZWMain::UpdatePreview(bool fromTap)
{
    if (!previewArmed_)
        return;
    const CEOID focused = TheSelection().Focused();
    if (!previewPane_) {
        if (focused == 0 || !fromTap)
            return;
        const int field = QuickView::Run(MainWindow(), TheJournal(), focused, Settings(TheApp()).Zoom());
        if (field != QuickView::kClosed)
            EditFocusedAt(static_cast<DWORD>(field));
        return;
    }
    ZJITEMS entry;
    if (focused != 0 && TheJournal().Read(focused, &entry, 0) != focused) {
        // An entry that cannot be read leaves the preview as it was.
        splitter_->update();
        return;
    }
    const DbJItem* contacts = focused != 0 ? entry.GetItem(PROPID_CONTACTS) : nullptr;
    const DbJItem* note = focused != 0 ? entry.GetItem(PROPID_NOTE) : nullptr;
    splitter_->Load(contacts ? contacts->GetBlob() : nullptr);
    ShowNote(*preview_, note ? note->GetBlob() : nullptr, Settings(TheApp()).Zoom());
}

void ZWMain::EditFocusedAt(DWORD field)
{
    TheSelection().SetEditField(field);
    SendMessage(WM_COMMAND, CMD_EDIT, 0);
}

void ZWMain::RunFind()
{
    {
        TheApp().WaitCursor(true);
        PrepareSearchIndex(GetHandle(), TheJournal());
        TheApp().WaitCursor(false);
    }
    FindDialog dialog(GetHandle(), find_, TheJournal(), TheApp());
    if (dialog.exec() == 1)
        FindResults::Run(GetHandle(), find_, TheJournal(), TheSelection(),
            [this](DWORD field) { EditFocusedAt(field); }, Settings(TheApp()).Zoom());
    RequestRefresh();
}

void ZWMain::ShowContact(const DbAItem& contact)
{
    // The card of the address book (offering to add a contact it lacks).
    DbAItem shown(contact);
    ContactPicker::ShowContact(GetHandle(), shown);
}

void ZWMain::SetRunning(bool running)
{
    running_ = running;
    if (running_ && !heldPimItems_.empty())
        pimItemTimer_->start();
}

void ZWMain::HoldPimItem(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) > 2)
        return;
    heldPimItems_.emplace_back(wParam, lParam);
    if (!pimItemTimer_) {
        pimItemTimer_ = std::make_unique<QTimer>();
        pimItemTimer_->setInterval(kHeldPimItemPollMs);
        QObject::connect(pimItemTimer_.get(), &QTimer::timeout, [this] { ReleaseHeldPimItems(); });
    }
    if (running_)
        pimItemTimer_->start();
}

// Hands the held items on, one at a time, while no modal dialog is open: the
// editor that one opens is modal, so the next waits until it has closed
// instead of opening a second editor over it.
void ZWMain::ReleaseHeldPimItems()
{
    while (!heldPimItems_.empty() && running_ && !QApplication::activeModalWidget()) {
        const auto [wParam, lParam] = heldPimItems_.front();
        heldPimItems_.erase(heldPimItems_.begin());
        OnPimItem(LOWORD(wParam), HIWORD(wParam), static_cast<DWORD>(lParam));
    }
    if (pimItemTimer_ && (heldPimItems_.empty() || !running_))
        pimItemTimer_->stop();
}

void ZWMain::OnReceiveCommand()
{
    IrExchangeDialog exchange(TheJournal(), TheSelection(), TheApp(), IrExchangeDialog::kReceive);
    exchange.Run(GetHandle());
    if (exchange.Stored() != 0)
        RequestRefresh();
    if (treeView_)
        tree_.SelectEntry(TheSelection().Focused());
}

void ZWMain::OnPimItem(int kind, int, DWORD objectId)
{
    OutputDebugStringW(u"ZWMain::OnPimItem\n");
    PimStore& store = AddressBook::Store(TheApp());
    if (!store.Logon())
        return;
    PimDataBlock block;
    const bool read = ReadPimItem(store, kind, objectId, block);
    store.Logoff();
    if (!read) {
        ShowAppError(PimItemError(kind));
        return;
    }
    if (!InstalledPimEditor()) {
        OpenEditor(&block);
        return;
    }
    InstalledPimEditor()(GetHandle(), block);
    if (IsWindow())
        RefillView();
}

void ZWMain::OnOptions()
{
    OptionsDialog options(TheApp(), TheSkin(), TheJournal());
    // The skin chosen dresses the window at once, while the options stay open.
    options.SetSkinApplied([this] {
        ApplySkin();
        TheSkin().changed = false;
    });
    if (!options.Run(GetHandle()) || !IsWindow())
        return;
    const bool previewPane = Settings(TheApp()).PreviewPane();
    if (previewPane != previewPane_) {
        previewPane_ = previewPane;
        ShowPreviewButtons();
        LayoutFromSetting();
    }
    // The date format may have changed: the rows are formatted anew.
    RefillView();
}

void ZWMain::BringToFront()
{
    OutputDebugStringW(u"ZWMain::BringToFront\n");
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    } else if (IsVisible()) {
        SetForeground();
    }
}

void ZWMain::OnDbNotify(UINT, CEOID)
{
    RequestRefresh();
}

void ZWMain::CheckOutsideChanges()
{
    // Not under a dialog: a command in progress keeps the list it started on.
    if (QApplication::activeModalWidget())
        return;
    const std::uint64_t seen = ObjectStore::OutsideChangeCount();
    if (seen == outsideChanges_)
        return;
    outsideChanges_ = seen;
    OutputDebugStringW(u"ZWMain::CheckOutsideChanges - journal changed outside\n");
    TheJournal().InvalidateRows();
    RequestRefresh();
}

void ZWMain::OnClose()
{
    if (outsideWatch_)
        outsideWatch_->stop();
    TheJournal().Close();
    TheSelection().Clear();
    Destroy();
}

void ZWMain::OnFrame(const IpcFrame& frame)
{
    switch (frame.message) {
    case WM_ACTIVATE:
        BringToFront();
        return;
    case WM_QUIT:
        // Ends the loop at once: the close steps do not run.
        if (running_)
            QCoreApplication::exit(static_cast<int>(frame.wParam));
        else
            quitRequested_ = true;
        return;
    case KWM_CLOSE:
        if (running_)
            SendMessage(KWM_CLOSE);
        else
            quitRequested_ = true;
        return;
    default:
        if (running_ || frame.message == KWM_PIMITEM)
            SendMessage(frame.message, frame.wParam, static_cast<LPARAM>(frame.lParam));
        return;
    }
}

bool ZWMain::Fits(int y) const
{
    return client_ && y > kBarHeight && y < client_->height() - kSplitterHeight;
}

bool ZWMain::Layout(int y)
{
    if (!Fits(y))
        return false;
    PlaceViews(y);
    if (previewPane_) {
        Settings settings(TheApp());
        settings.SetVSplit(y);
        settings.SetVSplitHeight(client_->height());
    }
    return true;
}

void ZWMain::PlaceViews(int y)
{
    const int width = client_->width();
    const int height = client_->height();
    bar_.Move(0, 0, width, kBarHeight);
    list_.Move(0, kBarHeight, width, (previewPane_ ? y : height) - kBarHeight);
    tree_.Move(0, kBarHeight, width, (previewPane_ ? y : height) - kBarHeight);
    splitter_->setVisible(previewPane_);
    preview_->setVisible(previewPane_);
    if (previewPane_) {
        splitter_->setGeometry(0, y, width, kSplitterHeight);
        preview_->setGeometry(0, y + kSplitterHeight, width, height - y - kSplitterHeight);
    }
    client_->update();
}

int ZWMain::ScaledSplit(int stored, int storedHeight, int height)
{
    if (storedHeight <= 0 || height <= 0)
        return stored;
    const bool muchTaller = height * 2 > storedHeight * 3;
    const bool muchShorter = storedHeight * 2 > height * 3;
    if (!muchTaller && !muchShorter)
        return stored;
    return static_cast<int>(static_cast<long long>(stored) * height / storedHeight);
}

void ZWMain::LayoutFromSetting()
{
    const int height = client_->height();
    const int half = (height - kBarHeight) / 2;
    const Settings settings(TheApp());
    // Shown, not stored: the stored position stays the one the user chose,
    // for the height it was chosen in.
    const int y = ScaledSplit(settings.VSplit(half), settings.VSplitHeight(), height);
    if (Fits(y)) {
        PlaceViews(y);
        return;
    }
    // The window is too small for the remembered position: the splitter sits
    // half way down for now and the position is kept for a larger window.
    if (half > kBarHeight && half < height - kSplitterHeight)
        PlaceViews(half);
    else {
        list_.Move(0, kBarHeight, client_->width(), std::max(0, height - kBarHeight));
        tree_.Move(0, kBarHeight, client_->width(), std::max(0, height - kBarHeight));
    }
}

void ZWMain::OnSize()
{
    OutputDebugStringW(u"ZWMain::OnSize\n");
    // The view in use counts while it is not hidden (its window may not be
    // on screen yet).
    QAbstractItemView* view = ViewInUse();
    if (!view || view->isHidden())
        return;
    OutputDebugStringW(u"ZWMain::OnSize - > Valid Child\n");
    LayoutFromSetting();
    view->scrollTo(view->currentIndex());
}

void ZWMain::ShowPreviewButtons()
{
    toolbar_.CheckButton(CMD_PREVIEW_PANE, previewPane_);
    for (WORD id : { CMD_UP, CMD_DOWN })
        if (QAction* button = toolbar_.Button(id))
            button->setVisible(previewPane_);
}

void ZWMain::TogglePreview()
{
    previewPane_ = !previewPane_;
    Settings(TheApp()).SetPreviewPane(previewPane_);
    ShowPreviewButtons();
    LayoutFromSetting();
}

void ZWMain::SendKey(int key)
{
    if (QAbstractItemView* view = ViewInUse()) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(view, &press);
    }
}

UINT ZWMain::MenuAlignment(const QPoint& point, const QSize& size)
{
    const bool left = point.x() < size.width() / 2;
    const bool top = point.y() < size.height() / 2;
    return (left ? TPM_LEFTALIGN : TPM_RIGHTALIGN) | (top ? TPM_TOPALIGN : TPM_BOTTOMALIGN);
}

void ZWMain::OpenContextMenu(const QPoint& point)
{
    OutputDebugStringW(u"ShowQuickView FALSE\n");
    previewArmed_ = false;
    if (treeView_)
        tree_.SelectAt(point);
    else
        list_.SelectAt(point);

    // Every command of this menu acts on the selection: without one, none
    // is offered.
    const UINT needsSelection = TheSelection().Count() > 0 ? 0 : MF_GRAYED;
    ZMenu menu;
    menu.CreatePopup();
    menu.Append(CommandFlags(CMD_EDIT) | needsSelection, CMD_EDIT, CommandText(CMD_EDIT),
        CommandName("menu", CMD_EDIT));
    menu.Append(MF_SEPARATOR, 0, {});
    for (WORD id : { CMD_CREATE_COPY, CMD_DELETE_ENTRY })
        menu.Append(CommandFlags(id) | needsSelection, id, CommandText(id), CommandName("menu", id));
    menu.Append(MF_SEPARATOR, 0, {});
    menu.Append(MF_STRING | needsSelection, CMD_EXPORT, QStringLiteral("Export Selected"),
        QStringLiteral("menuExportSelected"));
    menu.Append(MF_SEPARATOR, 0, {});
    menu.Append(CommandFlags(CMD_SEND_IR) | needsSelection, CMD_SEND_IR, CommandText(CMD_SEND_IR),
        CommandName("menu", CMD_SEND_IR));
    menu.Handle()->setObjectName(QStringLiteral("contextMenu"));
    DressMenu(*menu.Handle(), Skin::PictureFile(Settings(TheApp()).Skin().ToQString()), TheSkin());

    QWidget* viewport = ViewInUse()->viewport();
    const QPoint inClient = viewport->mapTo(client_, point);
    const QPoint global = viewport->mapToGlobal(point);
    const int chosen = menu.TrackPopup(
        MenuAlignment(inClient, client_->size()) | TPM_RETURNCMD, global.x(), global.y(), this);
    if (chosen != 0)
        PostMessage(WM_COMMAND, MAKEWPARAM(chosen, kContextMenuCode), 0);
}

void ZWMain::OpenEditor(const PimDataBlock* pim)
{
    SelectionList& selection = TheSelection();
    EntryEditor editor(TheJournal(), TheApp(), selection);
    editor.SetPimData(pim);
    if (editor.Open(GetHandle()) <= 0)
        return;
    OnRefresh();
    list_.SelectItem(selection.Focused());
}

void ZWMain::OnCommand(WORD id, WORD code, LPARAM lParam)
{
    QWidget* window = GetHandle();
    DbKestrin& journal = TheJournal();
    switch (id) {
    case CMD_ABOUT:
        AboutBox().Run(window);
        return;
    case CMD_BACKUP:
        BackupCommands::Backup(journal, window);
        return;
    case CMD_RESTORE:
        if (BackupCommands::Restore(journal, window) != 0)
            RequestRefresh();
        return;
    case CMD_SYNC:
        if (SyncCommand::Run(journal, TheApp(), window))
            RequestRefresh();
        return;
    case CMD_UP:
        SendKey(Qt::Key_Up);
        return;
    case CMD_DOWN:
        SendKey(Qt::Key_Down);
        return;
    case CMD_PREVIEW_PANE:
        TogglePreview();
        return;
    case CMD_EXPORT:
        // "Export Selected" of the context menu starts on the selected entries.
        ExportDialog(journal, TheSelection(),
            code == kContextMenuCode ? ExportScope::Selected : ExportScope::All)
            .Run(window);
        return;
    case CMD_OPTIONS:
        OnOptions();
        return;
    case CMD_SHOW_ALL:
        journal.GetFilter().ClearFilter(TheApp(), kOptionsSection);
        bar_.SetShowLabel(CMD_SHOW_ALL);
        RequestRefresh();
        return;
    case CMD_FILTER:
        OnFilterCommand(code);
        return;
    case CMD_NEW:
    case CMD_SHELL_NEW:
        TheSelection().SetFocused(0);
        OpenEditor();
        return;
    case CMD_EDIT:
        if (TheSelection().Focused() != 0)
            OpenEditor();
        return;
    case CMD_UPDATE_PREVIEW:
        // Enter on an entry opens it (the list passes itself; a click does not).
        if (code != MainList::kClickCode && lParam != 0 && TheSelection().Focused() != 0) {
            OpenEditor();
            return;
        }
        // A tap in the list arms the preview again after a context menu.
        if (code == MainList::kClickCode && !previewArmed_) {
            previewArmed_ = true;
            OutputDebugStringW(u"ShowQuickView TRUE\n");
        }
        UpdatePreview(lParam != 0);
        return;
    case CMD_FIND:
        RunFind();
        return;
    case CMD_DELETE_ENTRY:
    case CMD_CREATE_COPY:
        if (treeView_ && id == CMD_DELETE_ENTRY)
            tree_.DeleteSelected();
        else if (treeView_)
            tree_.CopySelected();
        else if (id == CMD_DELETE_ENTRY)
            list_.Cut();
        else
            list_.Paste();
        previewArmed_ = true;
        RequestRefresh();
        return;
    case CMD_SAVE_FILTER:
        journal.GetFilter().SaveFilter(TheApp(), kOptionsSection);
        return;
    case CMD_SEND_IR:
        if (TheSelection().Focused() != 0)
            IrExchangeDialog(journal, TheSelection(), TheApp(), IrExchangeDialog::kSend).Run(window);
        return;
    case CMD_RECEIVE_IR:
        OnReceiveCommand();
        return;
    default:
        // The commands whose screens the program does not have yet.
        return;
    }
}

LRESULT ZWMain::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate();
    case WM_CLOSE:
    case KWM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        listener_.reset();
        ZApp::PostQuitMessage(0);
        return 0;
    case WM_ACTIVATE:
        OutputDebugStringW(u"ZWMain::OnActivate\n");
        if (LOWORD(wParam) != WA_INACTIVE && outsideWatch_)
            CheckOutsideChanges();
        return 0;
    case KWM_CURSOR:
        if (wParam == 1) {
            TheApp().WaitCursor(true);
        } else if (wParam == 2) {
            TheApp().WaitCursor(false);
            RequestRefresh();
        }
        return 1;
    case KWM_PIMITEM:
        HoldPimItem(wParam, lParam);
        ReleaseHeldPimItems();
        return 0;
    case KWM_SPLITTER:
        return Layout(static_cast<int>(lParam)) ? 1 : 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == KCMD_REFRESH && LOWORD(wParam) == KCMD_REFRESH_ID) {
            if (refreshPending_) {
                OnRefresh();
                refreshPending_ = false;
            }
            return 0;
        }
        if (HIWORD(wParam) == KCMD_SORTBY) {
            OnSortCommand(LOWORD(wParam));
            return 0;
        }
        if (HIWORD(wParam) == KCMD_REVERSE) {
            OnReverseCommand();
            return 0;
        }
        OnCommand(LOWORD(wParam), HIWORD(wParam), lParam);
        return 0;
    default:
        return ZWindow::WindowProc(message, wParam, lParam);
    }
}
