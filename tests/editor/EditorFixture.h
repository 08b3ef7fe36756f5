#pragma once
// What the entry editor's tests share: a data folder of their own with the
// program's settings store and an open journal, recorded message boxes, a
// fixed clock, and an editor opened (modeless, so the test drives it) on an
// entry with a stopwatch the test ticks by hand.

#include "DbKestrin.h"
#include "EntryEditor.h"
#include "GuiApp.h"
#include "JournalEntries.h"
#include "SelectionList.h"
#include "StopwatchTimer.h"
#include "TempHome.h"
#include "UiHooks.h"
#include "ZApp.h"

#include <gtest/gtest.h>

#include <QString>

#include <chrono>
#include <memory>

class QAction;
class QComboBox;

// The program's settings store on the current KESTRIN_HOME.
class EditorSettings : public ZApp {
public:
    EditorSettings();
    int Run() override { return 0; }
};

// A stopwatch clock that ticks when the test says so.
class ManualTimer : public StopwatchTimer {
public:
    void Start(std::chrono::milliseconds period, std::function<void()> tick) override
    {
        period_ = period;
        tick_ = std::move(tick);
        active_ = true;
    }
    void Stop() override { active_ = false; }
    bool IsActive() const override { return active_; }
    void Tick()
    {
        if (active_)
            tick_();
    }
    std::chrono::milliseconds Period() const { return period_; }

private:
    std::chrono::milliseconds period_ { 0 };
    std::function<void()> tick_;
    bool active_ = false;
};

class EditorTest : public ::testing::Test {
protected:
    EditorTest();
    ~EditorTest() override;

    // Opens the editor on entry `oid` (0: new) starting at `field`, or on a
    // new entry pre-filled from `pim` when given.
    EntryEditor& OpenEditor(CEOID oid, DWORD field = 0, const PimDataBlock* pim = nullptr);
    // Closes the open editor (if still open) and forgets it.
    void CloseEditor();
    QWidget* Dialog();
    // A child of the editor by object name.
    template <typename T> T* Child(const char* name)
    {
        T* found = Dialog()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // Triggers a tool bar button or menu item of the editor.
    void Trigger(const char* name);
    void PressOk() { Trigger("buttonOk"); }
    // Taps the value cell of `field`'s row: near its right end, or in its
    // left quarter.
    void TapValue(CEPROPID field, bool left = false);
    QString Cell(CEPROPID field);
    QColor CellColor(CEPROPID field);
    QComboBox* OpenCombo(CEPROPID field);
    void ShowPage(int page);

    CEOID Add(const Entry& entry) { return AddEntry(journal, entry); }
    // A fresh read of entry `oid`.
    ZJITEMS Read(CEOID oid);
    int MessageBoxes() { return static_cast<int>(hooks.Calls(UiCall::Kind::MessageBox).size()); }
    std::u16string LastMessage();

    TempHome home;
    RecordingUiHooks hooks;
    ScopedUiHooks scopedHooks { hooks };
    EditorSettings settings;
    DbKestrin journal;
    SelectionList selection;
    std::unique_ptr<EntryEditor> editor;
    ManualTimer* stopwatch = nullptr;
    static ULONGLONG Now() { return At(2026, 12, 8, 10, 30); }
};
