// ZWindow and ZDialog: handles and ownership, messages and timers, the
// default close, dialogs that end with a value and where they are centred.
#include "GuiApp.h"
#include "UiHooks.h"
#include "ZDialog.h"
#include "ZHandles.h"
#include "ZWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Records every message; answers WM_CREATE with `createAnswer`.
class RecordingWindow : public ZWindow {
public:
    std::vector<Message> messages;
    LRESULT createAnswer = 0;

    std::vector<UINT> Numbers() const
    {
        std::vector<UINT> numbers;
        for (const Message& m : messages)
            numbers.push_back(m.message);
        return numbers;
    }
    int CountOf(UINT message) const
    {
        const std::vector<UINT> numbers = Numbers();
        return static_cast<int>(std::count(numbers.begin(), numbers.end(), message));
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        messages.push_back({ message, wParam, lParam });
        if (message == WM_CREATE)
            return createAnswer;
        return ZWindow::WindowProc(message, wParam, lParam);
    }
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { GuiApp(); }
};

} // namespace

TEST_F(WindowTest, AttachDetachAndDestroyFollowTheHandleRules)
{
    ZWindow window;
    EXPECT_FALSE(window.Destroy()); // nothing to destroy
    EXPECT_FALSE(window.Detach());

    QLabel first("first");
    QLabel second("second");
    ASSERT_TRUE(window.Attach(&first));
    EXPECT_FALSE(window.Attach(&second)); // keeps the old handle
    EXPECT_EQ(window.GetHandle(), &first);
    EXPECT_EQ(window.Text(), "first");
    window.SetText(u"changed");
    EXPECT_EQ(first.text(), "changed");
    EXPECT_TRUE(window.Detach());
    EXPECT_EQ(window.GetHandle(), nullptr);

    {
        // An attached widget outlives the wrapper that forgot it.
        QPointer<QLabel> label = new QLabel("owned elsewhere");
        {
            ZWindow wrapper;
            wrapper.Attach(label);
        }
        EXPECT_FALSE(label.isNull());
        delete label;
    }

    // A created window belongs to the object; a widget deleted behind its
    // back reads as no window.
    QPointer<QWidget> created;
    {
        RecordingWindow owner;
        ASSERT_TRUE(owner.Create("Title", QRect(10, 10, 120, 80), nullptr, "ownedWindow"));
        EXPECT_EQ(owner.GetHandle()->objectName(), "ownedWindow");
        EXPECT_EQ(owner.Text(), "Title");
        EXPECT_FALSE(owner.Create("Again", QRect(), nullptr)); // one window per object
        EXPECT_EQ(FromHwnd(owner.GetHwnd()), owner.GetHandle());
        created = owner.GetHandle();
    }
    EXPECT_TRUE(created.isNull());

    RecordingWindow victim;
    ASSERT_TRUE(victim.Create("Victim", QRect(), nullptr));
    HWND stale = victim.GetHwnd();
    delete victim.GetHandle();
    EXPECT_FALSE(victim.IsWindow());
    EXPECT_EQ(FromHwnd(stale), nullptr);
    EXPECT_EQ(FromHwnd(reinterpret_cast<HWND>(std::uintptr_t { 3 })), nullptr);
}

TEST_F(WindowTest, CreationCanBeRefusedAndDestroyAnnouncesItself)
{
    RecordingWindow refused;
    refused.createAnswer = -1;
    EXPECT_FALSE(refused.Create("No", QRect(), nullptr));
    EXPECT_FALSE(refused.IsWindow());
    EXPECT_EQ(refused.Numbers(), (std::vector<UINT> { WM_CREATE, WM_DESTROY }));

    RecordingWindow window;
    ASSERT_TRUE(window.Create("Yes", QRect(0, 0, 100, 100), nullptr));
    window.SetBrush(QBrush(Qt::red));
    EXPECT_TRUE(window.GetHandle()->autoFillBackground());
    QPointer<QWidget> widget = window.GetHandle();
    EXPECT_TRUE(window.Destroy());
    EXPECT_FALSE(window.IsWindow());
    EXPECT_EQ(window.GetBrush().style(), Qt::NoBrush);
    EXPECT_EQ(window.CountOf(WM_DESTROY), 1);
    PumpAll();
    EXPECT_TRUE(widget.isNull());
    EXPECT_FALSE(window.Destroy());
    EXPECT_EQ(window.CountOf(WM_DESTROY), 1);
}

TEST_F(WindowTest, MessagesTimersAndTheDefaultClose)
{
    RecordingWindow window;
    ASSERT_TRUE(window.Create("Messages", QRect(0, 0, 100, 100), nullptr));
    window.messages.clear();

    window.PostMessage(WM_COMMAND, MAKEWPARAM(1026, 1126), 7);
    EXPECT_TRUE(window.messages.empty()); // posted: not yet
    window.SendMessage(WM_USER + 5, 1, 2);
    ASSERT_EQ(window.messages.size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return window.messages.size() >= 2; }));
    EXPECT_EQ(window.messages[1].message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(HIWORD(window.messages[1].wParam), 1126);
    EXPECT_EQ(window.messages[1].lParam, 7);

    window.Show();
    window.messages.clear();
    window.GetHandle()->resize(150, 90);
    const auto sizes = std::find_if(window.messages.begin(), window.messages.end(),
        [](const Message& m) { return m.message == WM_SIZE; });
    ASSERT_NE(sizes, window.messages.end());
    EXPECT_EQ(LOWORD(sizes->lParam), 150);
    EXPECT_EQ(HIWORD(sizes->lParam), 90);

    EXPECT_EQ(window.SetTimer(1, 5), 1);
    EXPECT_EQ(window.SetTimer(2, 5), 2);
    EXPECT_EQ(window.SetTimer(1, 5), 2); // restarting keeps one timer
    ASSERT_TRUE(PumpUntil([&] { return window.CountOf(WM_TIMER) >= 3; }));
    EXPECT_TRUE(window.KillTimer(1));
    EXPECT_FALSE(window.KillTimer(1));
    EXPECT_FALSE(window.HasTimer(1));
    EXPECT_TRUE(window.HasTimer(2));

    // The user closing the window reaches WindowProc; by default it goes.
    window.GetHandle()->close();
    EXPECT_EQ(window.CountOf(WM_CLOSE), 1);
    EXPECT_FALSE(window.IsWindow());

    // Messages posted to an object that is gone are dropped, not delivered.
    auto doomed = std::make_unique<RecordingWindow>();
    doomed->PostMessage(WM_USER, 0, 0);
    doomed.reset();
    PumpAll();
}

namespace {

// Ends itself from a button, or counts the cancels it refused.
class ChoiceDialog : public ZDialog {
public:
    bool refuseCancel = false;
    int refusedCancels = 0;

protected:
    BOOL OnInitDialog() override
    {
        auto* yes = new QPushButton("Seven", Dialog());
        yes->setObjectName("sevenButton");
        ConnectCommand(1200, yes);
        return TRUE;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND && LOWORD(wParam) == 1200) {
            EndDialog(7);
            return 1;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == IDC_CANCEL && refuseCancel) {
            ++refusedCancels;
            EndOk();
            return 1;
        }
        return ZDialog::WindowProc(message, wParam, lParam);
    }
};

template <typename Action> void WhenModal(Action action)
{
    QTimer::singleShot(0, [action] {
        PumpUntil([] { return QApplication::activeModalWidget() != nullptr; });
        action(QApplication::activeModalWidget());
    });
}

} // namespace

TEST_F(WindowTest, DialogsEndWithTheirValue)
{
    ChoiceDialog dialog;
    WhenModal([](QWidget* modal) { modal->findChild<QPushButton*>("sevenButton")->click(); });
    EXPECT_EQ(dialog.DoModal(nullptr, "Choose", "choiceDialog"), 7);
    EXPECT_FALSE(dialog.IsWindow()); // gone when DoModal returns
    EXPECT_EQ(dialog.GetItem(1200), nullptr);

    WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(dialog.DoModal(nullptr), 0);
    WhenModal([](QWidget* modal) { modal->close(); });
    EXPECT_EQ(dialog.DoModal(nullptr), 0);
    WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->accept(); });
    EXPECT_EQ(dialog.DoModal(nullptr), 1);

    // A dialog that handles cancel itself is not closed behind its back.
    dialog.refuseCancel = true;
    WhenModal([](QWidget* modal) { modal->close(); });
    EXPECT_EQ(dialog.DoModal(nullptr), 1);
    EXPECT_EQ(dialog.refusedCancels, 1);
}

TEST_F(WindowTest, DialogItemsAndCentring)
{
    ChoiceDialog dialog;
    ASSERT_NE(dialog.CreateModeless(nullptr, "Items"), nullptr);
    QWidget* item = dialog.GetItem(1200);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->property("itemId").toInt(), 1200);
    EXPECT_EQ(dialog.GetItem(4711), nullptr);
    EXPECT_FALSE(dialog.EnableItem(4711, TRUE));
    dialog.EnableItem(1200, FALSE);
    EXPECT_FALSE(item->isEnabled());
    EXPECT_TRUE(dialog.HideItem(1200));
    EXPECT_FALSE(dialog.IsItemVisible(1200));
    EXPECT_TRUE(dialog.ShowItem(1200));
    EXPECT_TRUE(dialog.IsItemVisible(1200));
    EXPECT_TRUE(dialog.EndCancel());
    EXPECT_EQ(dialog.Result(), 0);

    // Horizontally in the middle, a third of the free height down.
    EXPECT_EQ(ZDialog::CenteredPosition(QRect(0, 0, 240, 294), QSize(200, 150)), QPoint(20, 48));
    // Taller than the work area: at its top, never above.
    EXPECT_EQ(ZDialog::CenteredPosition(QRect(0, 26, 240, 294), QSize(200, 400)), QPoint(20, 26));
    // A work area that does not start at the origin (a second screen, a panel on the left).
    EXPECT_EQ(ZDialog::CenteredPosition(QRect(1920, 0, 1280, 1024), QSize(280, 124)), QPoint(2420, 300));
}
