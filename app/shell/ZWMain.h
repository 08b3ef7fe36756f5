#pragma once
// ZWMain: the program's only top-level window (a QMainWindow of class
// "KSCLASS", titled "Ozm Kestrin"). This class owns the window's life: its
// creation opens what the program runs on (skin, saved filter, the journal,
// the one-time integrity check after an installation, repeated at the next
// start when it could not finish) and claims the window's socket, so other processes can find it and post it
// messages; closing it closes the journal and ends the program.
//
// The client area, top to bottom: the Show/Sort bar (kBarHeight pixels),
// the entry list or, while the journal is sorted by a grouping field, the
// entry tree in its place, the splitter bar (kSplitterHeight pixels) and the
// preview pane; without the preview pane the list reaches the bottom. The
// splitter's position y (pixels from the top of the client area) is the
// setting "vSplit"; a position is taken only while kBarHeight < y < client
// height - kSplitterHeight.
//
// Commands arrive as WM_COMMAND (low word of wParam: the command id) from
// the "Tools" menu, the tool bar at the bottom (the handheld's menu bar:
// "New", "Tools", Find, Filter, the preview pane switch and, while the
// preview pane is shown, Up and Down), the context menu of the list (right
// click or long press: Edit, Create Copy, Delete Entry, Export Selected,
// Send via Infrared) and the list itself. Each menu item and button has an
// object name ("action<Name>" in the menu, "button<Name>" in the tool bar,
// "menu<Name>" in the context menu). Commands whose screens the program does
// not have yet are shown disabled and do nothing.
//
// Messages understood (besides those of ZWindow):
//   WM_CLOSE, 1023      close the journal, empty the selection, destroy the window
//   WM_DESTROY          end the message loop (exit code 0)
//   1125 (cursor)       wParam 1: wait cursor on; 2: off and request a refresh; returns 1
//   1126 (PIM item)     OnPimItem(kind, count, object id), held while a modal
//                       dialog is open (or the program is still starting) and
//                       handled once, in order, when none is
//   1130 (splitter)     lay out with the splitter at lParam
//   WM_COMMAND 1026|1126<<16   rebuild the list or tree, when a refresh is pending
//   WM_COMMAND id|1127<<16     sort by the field `id` (list or tree follows)
//   WM_COMMAND 1002|1129<<16   reverse the sort direction
// From other processes (see WindowListener.h): WM_ACTIVATE brings the window
// to the front (or the dialog in front of it), WM_QUIT ends the message loop
// at once without the close steps, 1023, 1125 and 1126 as above. Until the
// program runs its message loop (the password is being asked), PIM items are
// held and a close or quit is remembered and ends the start-up.
//
// The window is made inside a running program (ProgramObjects): it uses the
// program's settings store, selection, journal and skin. Owned by the
// application object; UI thread only.

#include "DbNotifyTarget.h"
#include "EntryTree.h"
#include "FindRequest.h"
#include "MainList.h"
#include "PimDataBlock.h"
#include "ShowSortBar.h"
#include "WindowListener.h"
#include "ZCToolbar.h"
#include "ZMenu.h"
#include "ZWindow.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QAbstractItemView;
class QAction;
class QMainWindow;
class QTextEdit;
class QTimer;
class ContactSplitter;
class DbAItem;
class DbKestrin;

// The main window's commands.
enum : WORD {
    CMD_NEW = 10,
    CMD_TOOLS = 300,
    CMD_ABOUT = 301,
    CMD_BACKUP = 308,
    CMD_RESTORE = 309,
    CMD_UP = 310,
    CMD_DOWN = 311,
    CMD_EDIT = 312,
    CMD_PREVIEW_PANE = 315,
    CMD_OPTIONS = 316,
    CMD_EXPORT = 317,
    CMD_FIND = 318,
    CMD_SYNC = 319,
    CMD_SEND_IR = 600,
    CMD_SHOW_ALL = 1107,
    CMD_FILTER = 1108,
    CMD_UPDATE_PREVIEW = 1109,
    CMD_DELETE_ENTRY = 1111,
    CMD_CREATE_COPY = 1112,
    CMD_SAVE_FILTER = 1113,
    CMD_SHELL_NEW = 3001,
    CMD_RECEIVE_IR = 40069,
};

class ZWMain : public ZWindow, public DbNotifyTarget {
public:
    // Geometry of the client area, in pixels.
    static constexpr int kBarHeight = 26;
    static constexpr int kSplitterHeight = 20;

    // The one-time integrity check run at start-up while "Upgrade" is set;
    // true when it finished ("Upgrade" is then cleared).
    using IntegrityCheck = std::function<bool(DbKestrin& journal)>;
    // Opens the entry editor over `owner` pre-filled from a contact,
    // appointment or task; returns 1 when an entry was saved.
    using PimEditor = std::function<int(QWidget* owner, const PimDataBlock& block)>;

    ZWMain();
    ~ZWMain() override;

    // Makes the window (hidden) at `rect`; its creation opens everything
    // (see above). False when anything failed (already reported); the
    // window is then gone.
    bool CreateMain(const QRect& rect);
    QMainWindow* MainWindow() const;
    QWidget* ClientArea() const { return client_; }
    MainList& List() { return list_; }
    EntryTree& Tree() { return tree_; }
    ShowSortBar& SortBar() { return bar_; }
    QWidget* Bar() const { return bar_.GetHandle(); }
    // The tree, not the list, shows the journal (the setting "TreeView").
    bool TreeViewOn() const { return treeView_; }
    QWidget* Splitter() const;
    ContactSplitter* ContactBar() const { return splitter_; }
    QTextEdit* PreviewPane() const { return preview_; }
    bool PreviewPaneOn() const { return previewPane_; }
    // Preview updates are carried out only while armed; the context menu
    // disarms it until the next tap in the list.
    bool PreviewArmed() const { return previewArmed_; }

    // Replaces the integrity check (tests count it); an empty function puts
    // the journal's own check back.
    static void SetIntegrityCheck(IntegrityCheck check);
    // The editor a PIM item opens (see OnPimItem).
    static void SetPimEditor(PimEditor editor);

    // Puts the program's skin on the window's surfaces.
    void ApplySkin();
    // Asks for a rebuild of the views once control is back in the loop.
    void RequestRefresh();
    bool RefreshPending() const { return refreshPending_; }
    // The message loop runs: posted items are now handled.
    void SetRunning(bool running);
    // PIM items waiting for the modal dialogs to close.
    int HeldPimItems() const { return static_cast<int>(heldPimItems_.size()); }
    // A close or quit arrived while the program was starting.
    bool QuitRequested() const { return quitRequested_; }
    // Raises the window, or the modal dialog in front of it.
    void BringToFront();

    // Lays the client area out with the splitter at `y` and remembers y in
    // "vSplit". False (nothing moved, nothing written) when y is refused.
    bool Layout(int y);
    // Opens the context menu for the line at `point` of the list's viewport
    // (which it selects first); the chosen command arrives as WM_COMMAND.
    void OpenContextMenu(const QPoint& point);
    // The TPM_* alignment of a menu opened at `point` of a client area of
    // `size`: it opens away from the corner the point is nearest.
    static UINT MenuAlignment(const QPoint& point, const QSize& size);
    // The menu item (else the tool bar button) of a command; null when the
    // window has neither.
    QAction* Action(WORD command) const;

    // DbNotifyTarget: a change made through another handle of the journal.
    void OnDbNotify(UINT code, CEOID oid) override;
    // Looks whether another process changed the journal (the command line,
    // a restore) and, if so, rebuilds the views keeping the selection. Runs
    // on activation and every kOutsideWatchMs.
    void CheckOutsideChanges();
    static constexpr int kOutsideWatchMs = 250;
    // The splitter position to use for a client area `height` high, from
    // the stored position and the height it was stored for: scaled when the
    // heights differ by more than half, so a position saved on a small
    // screen does not squeeze the list on a large one.
    static int ScaledSplit(int stored, int storedHeight, int height);
    // The high word of commands chosen in the list's context menu.
    static constexpr WORD kContextMenuCode = 1;

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A contact (kind 0), appointment (1) or task (2) handed over by another
    // program; `count` items were chosen there and only the first is passed.
    // The item is read from the address book into a PIM data block and the
    // PIM editor opens with it; an item the address book lacks shows "Can't
    // create Kestrin entry for Contact." (Appointment, Task) and changes
    // nothing. Without a PIM editor the item is read and dropped.
    virtual void OnPimItem(int kind, int count, DWORD objectId);

private:
    class Client;
    class LongPress;

    LRESULT OnCreate();
    void OnClose();
    void OnFrame(const IpcFrame& frame);
    void OnCommand(WORD id, WORD code, LPARAM lParam);
    // Opens the entry editor on the program's selection: the focused entry,
    // or a new one pre-filled from `pim` when given. After a save the list
    // is rebuilt and shows the saved entry selected.
    void OpenEditor(const PimDataBlock* pim = nullptr);
    // Shows the focused entry in the preview pane, or (pane off, fromTap)
    // in the quick view, whose tapped field opens the editor there.
    void UpdatePreview(bool fromTap);
    // Find and its results; the editor opens through CMD_EDIT.
    void RunFind();
    void EditFocusedAt(DWORD field);
    // A contact tapped on the splitter bar: its card in the address book.
    void ShowContact(const DbAItem& contact);
    void OnSize();
    void OnRefresh();
    void OnOptions();
    void HoldPimItem(WPARAM wParam, LPARAM lParam);
    void ReleaseHeldPimItems();
    void BuildCommands(QMainWindow* window);
    void ShowPreviewButtons();
    void TogglePreview();
    // Lays out with "vSplit" (default: half the area below the bar), scaled
    // when the window is much taller or shorter than the one it was stored
    // in; when that does not fit, with the default. Nothing is written.
    void LayoutFromSetting();
    // Whether the splitter may stand at y.
    bool Fits(int y) const;
    void PlaceViews(int y);
    void SendKey(int key);
    // The list's or the tree's window, whichever shows the journal.
    QAbstractItemView* ViewInUse() const;
    // Shows the tree (or the list) in place of the other and fills it.
    void ShowView(bool tree);
    // Rebuilds the view in use; the tree selects the focused entry again.
    void RefillView();
    // Sort by a field (1127) and reverse the direction (1129).
    void OnSortCommand(WORD fieldId);
    void OnReverseCommand();
    void OnFilterCommand(WORD code);
    // "Receive via Infrared...": the exchange dialog, then a refresh when
    // entries were stored.
    void OnReceiveCommand();

    QWidget* client_ = nullptr;
    ContactSplitter* splitter_ = nullptr;
    QTextEdit* preview_ = nullptr;
    ZMenu tools_;
    ZCToolbar toolbar_;
    MainList list_;
    EntryTree tree_;
    ShowSortBar bar_;
    std::unique_ptr<LongPress> longPress_;
    std::unique_ptr<LongPress> treeLongPress_;
    std::unique_ptr<WindowListener> listener_;
    FindRequest find_;
    std::vector<std::pair<WPARAM, LPARAM>> heldPimItems_;
    std::unique_ptr<QTimer> pimItemTimer_;
    bool previewPane_ = true;
    bool treeView_ = false;
    bool previewArmed_ = true;
    bool refreshPending_ = false;
    bool running_ = false;
    bool quitRequested_ = false;
    std::uint64_t outsideChanges_ = 0;
    QTimer* outsideWatch_ = nullptr;
};
