// The application object's wait cursor, the Qt UI hooks, bitmaps, image
// lists, menus and the progress bar wrapper.
#include "GuiApp.h"
#include "QtUiHooks.h"
#include "TempHome.h"
#include "ZApp.h"
#include "ZBitmap.h"
#include "ZCLabel.h"
#include "ZCProgressBar.h"
#include "ZImageList.h"
#include "ZMenu.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class TestApp : public ZApp {
public:
    TestApp()
        : ZApp(u"Software\\Quorvalent\\KestrinTest")
    {
    }
    int Run() override { return 0; }
};

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override { GuiApp(); }
    TempHome home;
};

std::vector<bool> CursorCalls(const RecordingUiHooks& hooks)
{
    std::vector<bool> calls;
    for (const UiCall& call : hooks.Calls(UiCall::Kind::WaitCursor))
        calls.push_back(call.on);
    return calls;
}

} // namespace

TEST_F(FrameworkTest, WaitCursorDepthAndTheDestructorsUndo)
{
    RecordingUiHooks hooks;
    ScopedUiHooks installed(hooks);
    {
        TestApp app;
        EXPECT_EQ(app.ReadInt(u"Options", u"Anything", 42), 42); // it is the settings store
        app.WaitCursor(true);
        app.WaitCursor(true);
        app.WaitCursor(false); // removes the cursor at once
        EXPECT_EQ(app.WaitDepth(), 1);
        EXPECT_EQ(CursorCalls(hooks), (std::vector<bool> { true, true, false }));
    }
    // The destructor ran the one "off" still owed, and no more.
    EXPECT_EQ(CursorCalls(hooks), (std::vector<bool> { true, true, false, false }));

    hooks.Clear();
    {
        TestApp app;
        app.WaitCursor(false); // more offs than ons: nothing owed at the end
        EXPECT_EQ(app.WaitDepth(), -1);
    }
    EXPECT_EQ(hooks.Count(UiCall::Kind::WaitCursor), 1u);
}

TEST_F(FrameworkTest, QtHooksMapStylesAndKeepOneOverrideCursor)
{
    std::unique_ptr<QMessageBox> box(
        QtUiHooks::BuildBox(nullptr, "Delete?", "Ozm Kestrin", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::No));
    EXPECT_EQ(box->windowTitle(), "Ozm Kestrin");

    box.reset(QtUiHooks::BuildBox(nullptr, "Stop", "Error", MB_ICONHAND | MB_SETFOREGROUND));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    box.reset(QtUiHooks::BuildBox(nullptr, "?", "", MB_ABORTRETRYIGNORE | MB_ICONEXCLAMATION));
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
    for (int answer : { IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO })
        EXPECT_EQ(QtUiHooks::AnswerFor(QtUiHooks::ButtonFor(answer)), answer);

    // A real box answers with the button clicked.
    QtUiHooks hooks;
    QTimer::singleShot(0, [] {
        PumpUntil([] { return QApplication::activeModalWidget() != nullptr; });
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(shown, nullptr);
        shown->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(hooks.MessageBox(nullptr, u"Continue?", u"Ozm Kestrin", MB_YESNO), IDNO);

    // One override cursor however often "on" comes, gone after one "off".
    hooks.SetWaitCursor(true);
    hooks.SetWaitCursor(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    hooks.SetWaitCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    hooks.SetWaitCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(hooks.PlaySound(u"/no/such.wav", 0));
}

TEST_F(FrameworkTest, BitmapReplacesColoursAndDrawsTransparently)
{
    QImage picture(4, 2, QImage::Format_RGB32);
    picture.fill(QColor(255, 255, 255));
    picture.setPixel(1, 0, qRgb(255, 0, 0));
    picture.setPixel(2, 1, qRgb(255, 0, 0));
    picture.setPixel(3, 1, qRgb(254, 0, 0)); // close is not equal

    ZBitmap bitmap;
    EXPECT_FALSE(bitmap.ReplaceColor(RGB(1, 2, 3), RGB(4, 5, 6))); // nothing loaded
    EXPECT_FALSE(bitmap.Load("/no/such/picture.bmp"));
    ASSERT_TRUE(bitmap.Set(picture));
    EXPECT_EQ(bitmap.Width(), 4);
    EXPECT_EQ(bitmap.Height(), 2);
    ASSERT_TRUE(bitmap.ReplaceColor(RGB(255, 0, 0), RGB(0, 0, 255)));
    EXPECT_EQ(bitmap.Image().pixel(1, 0), qRgb(0, 0, 255));
    EXPECT_EQ(bitmap.Image().pixel(2, 1), qRgb(0, 0, 255));
    EXPECT_EQ(bitmap.Image().pixel(3, 1), qRgb(254, 0, 0));

    QImage target(6, 3, QImage::Format_ARGB32);
    target.fill(QColor(0, 255, 0));
    {
        QPainter painter(&target);
        ASSERT_TRUE(bitmap.DrawTransparent(painter, 1, 1, RGB(255, 255, 255)));
    }
    EXPECT_EQ(target.pixel(1, 1), qRgb(0, 255, 0)); // white left out
    EXPECT_EQ(target.pixel(2, 1), qRgb(0, 0, 255));
    EXPECT_EQ(target.pixel(0, 0), qRgb(0, 255, 0)); // outside untouched
    bitmap.Free();
    EXPECT_EQ(bitmap.Width(), 0);
}

TEST_F(FrameworkTest, ImageListCutsStripsAndMasks)
{
    ZImageList list;
    EXPECT_FALSE(list.Create(0, 16));
    EXPECT_EQ(list.Add(QPixmap(16, 16)), -1);
    ASSERT_TRUE(list.Create(16, 16));
    QPixmap strip(16 * 3 + 5, 16); // three pictures and a cut-off piece
    strip.fill(Qt::magenta);
    EXPECT_EQ(list.Add(strip), 0);
    EXPECT_EQ(list.GetImageCount(), 3);
    EXPECT_EQ(list.AddMasked(strip, RGB(255, 0, 255)), 3);
    EXPECT_EQ(list.GetImageCount(), 6);
    EXPECT_EQ(list.Image(4).toImage().pixelColor(3, 3).alpha(), 0);
    EXPECT_EQ(list.Image(0).toImage().pixelColor(3, 3).alpha(), 255);
    EXPECT_TRUE(list.Remove(0));
    EXPECT_FALSE(list.Remove(99));
    EXPECT_EQ(list.GetImageCount(), 5);
    EXPECT_TRUE(list.Image(99).isNull());
    EXPECT_TRUE(list.Remove(-1));
    EXPECT_EQ(list.GetImageCount(), 0);
}

TEST_F(FrameworkTest, MenusCarryCommandIds)
{
    ZMenu menu;
    EXPECT_FALSE(menu.Append(MF_STRING, 1, "none yet"));
    ASSERT_TRUE(menu.CreatePopup());
    menu.Append(MF_STRING, 312, "Edit");
    menu.Append(MF_SEPARATOR, 0, {});
    menu.Append(MF_STRING | MF_GRAYED, 1112, "Create Copy");
    menu.Insert(1112, MF_STRING | MF_CHECKED, 1111, "Delete Entry");
    EXPECT_EQ(menu.ItemCount(), 4);
    EXPECT_EQ(menu.Handle()->actions().at(2)->text(), "Delete Entry");
    EXPECT_TRUE(menu.IsChecked(1111));
    EXPECT_FALSE(menu.Item(1112)->isEnabled());
    EXPECT_EQ(menu.Item(312)->objectName(), "menuItem312");
    EXPECT_TRUE(menu.Enable(1112, TRUE));
    EXPECT_TRUE(menu.Item(1112)->isEnabled());
    EXPECT_TRUE(menu.Check(1111, FALSE));
    EXPECT_FALSE(menu.IsChecked(1111));
    EXPECT_FALSE(menu.Check(4711, TRUE));
    EXPECT_TRUE(menu.Remove(1, MF_BYPOSITION)); // the separator
    EXPECT_TRUE(menu.Remove(312));
    EXPECT_FALSE(menu.Remove(312));
    EXPECT_EQ(menu.ItemCount(), 2);

    // Alignment moves the corner the menu opens from.
    const QSize size(80, 40);
    EXPECT_EQ(ZMenu::PopupOrigin(TPM_LEFTALIGN | TPM_TOPALIGN, 100, 100, size), QPoint(100, 100));
    EXPECT_EQ(ZMenu::PopupOrigin(TPM_RIGHTALIGN | TPM_BOTTOMALIGN, 100, 100, size), QPoint(20, 60));

    // Choosing from a tracked menu posts the command to its owner.
    struct Owner : ZWindow {
        UINT command = 0;
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM) override
        {
            if (message == WM_COMMAND)
                command = static_cast<UINT>(wParam);
            return 0;
        }
    } owner;
    QTimer::singleShot(0, [&] {
        PumpUntil([&] { return menu.Handle()->isVisible(); });
        menu.Handle()->setActiveAction(menu.Item(1112));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(menu.Handle(), &enter);
    });
    EXPECT_EQ(menu.TrackPopup(TPM_LEFTALIGN, 10, 10, &owner), 1);
    ASSERT_TRUE(PumpUntil([&] { return owner.command == 1112; }));
}

TEST_F(FrameworkTest, ProgressBarKeepsTheControlsRules)
{
    ZCProgressBar progress;
    EXPECT_EQ(progress.SetPos(3), 0); // no window: nothing happens
    ASSERT_TRUE(progress.Create({}, QRect(0, 0, 100, 20), nullptr, "progress"));
    ZCProgress& bar = progress;
    bar.SetRange(0, 70000); // 16-bit halves: the high end keeps its low 16 bits
    EXPECT_EQ(bar.GetRange(FALSE, nullptr), 70000 & 0xFFFF);
    EXPECT_EQ(bar.SetRange32(0, 100), static_cast<DWORD>((70000 & 0xFFFF) << 16));
    PBRANGE range {};
    EXPECT_EQ(bar.GetRange(TRUE, &range), 0);
    EXPECT_EQ(range.iHigh, 100);
    EXPECT_EQ(bar.GetPos(), 0);
    EXPECT_EQ(bar.SetPos(40), 0);
    EXPECT_EQ(bar.DeltaPos(100), 40);
    EXPECT_EQ(bar.GetPos(), 100); // kept inside the range
    bar.SetPos(95);
    EXPECT_EQ(bar.SetStep(10), 10);
    EXPECT_EQ(bar.StepIt(), 95);
    EXPECT_EQ(bar.GetPos(), 5); // passed the end: starts over from the low end
    EXPECT_EQ(progress.Bar()->value(), 5);

    ZCLabel status;
    ASSERT_TRUE(status.Create({}, QRect(0, 0, 100, 20), nullptr, "status"));
    ZCStatic& line = status;
    EXPECT_TRUE(line.SetText(u"Checking Records..."));
    line.Update();
    EXPECT_EQ(status.Label()->text(), "Checking Records...");
    EXPECT_TRUE(line.SetText(nullptr));
    EXPECT_EQ(status.Label()->text(), "");
}
