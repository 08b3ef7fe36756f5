// The control wrappers: buttons, edit fields, combo boxes, date pickers and
// the tool bar keep the platform's conventions over their Qt widgets.
#include "GuiApp.h"
#include "ZCButton.h"
#include "ZCCapEdit.h"
#include "ZCComboBox.h"
#include "ZCDateTime.h"
#include "ZCToolbar.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QToolBar>

#include <gtest/gtest.h>

TEST(ControlTest, ButtonsReportAndSetTheirState)
{
    QCheckBox box("Confirm Deletes");
    ZCButton button;
    ASSERT_TRUE(button.Attach(&box));
    EXPECT_EQ(button.GetCheck(), BST_UNCHECKED);
    button.Check();
    EXPECT_TRUE(box.isChecked());
    button.SetCheck(BST_INDETERMINATE);
    EXPECT_EQ(button.GetCheck(), BST_INDETERMINATE);
    button.Click();
    EXPECT_NE(button.GetCheck(), BST_INDETERMINATE);
    button.Detach();

    ZCButton push;
    ASSERT_TRUE(push.Create("OK", QRect(0, 0, 60, 20), nullptr, "okButton"));
    push.Check(); // a push button cannot be checked
    EXPECT_EQ(push.GetCheck(), BST_UNCHECKED);
}

TEST(ControlTest, EditFieldSelectionLimitAndUndo)
{
    ZCCapEdit edit;
    ASSERT_TRUE(edit.Create({}, QRect(0, 0, 100, 20), nullptr, "subjectEdit"));
    edit.SetText(u"Contact with ");
    edit.SetSel(8, -1);
    int start = 0, end = 0;
    edit.GetSel(start, end);
    EXPECT_EQ(start, 8);
    EXPECT_EQ(end, 13);
    edit.ReplaceSel("Ann");
    EXPECT_EQ(edit.Text(), "Contact Ann");
    EXPECT_TRUE(edit.CanUndo());
    EXPECT_TRUE(edit.Undo());
    EXPECT_EQ(edit.Text(), "Contact with ");
    edit.SetSel(-5, 99); // clamped to the text
    edit.GetSel(start, end);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 13);
    edit.LimitText(4);
    EXPECT_EQ(edit.GetLimitText(), 4);
    edit.SetModify(TRUE);
    EXPECT_TRUE(edit.GetModify());
    edit.SetPasswordChar(u'*');
    EXPECT_EQ(edit.Edit()->echoMode(), QLineEdit::Password);
}

TEST(ControlTest, ComboBoxIndexesSearchesAndItemData)
{
    ZCComboBox combo;
    EXPECT_EQ(combo.AddString("none"), CB_ERR); // no window yet
    ASSERT_TRUE(combo.Create({}, QRect(0, 0, 100, 20), nullptr, "typeCombo"));
    EXPECT_EQ(combo.AddString("Meeting"), 0);
    EXPECT_EQ(combo.AddString("Memo"), 1);
    EXPECT_EQ(combo.InsertString(0, "Call"), 0);
    EXPECT_EQ(combo.InsertString(99, "Task"), 3);
    EXPECT_EQ(combo.FindString(-1, "me"), 1); // prefix, ignoring case
    EXPECT_EQ(combo.FindString(1, "me"), 2); // after the start, wrapping
    EXPECT_EQ(combo.FindString(2, "me"), 1);
    EXPECT_EQ(combo.FindStringExact(-1, "MEMO"), 2);
    EXPECT_EQ(combo.FindStringExact(-1, "Mem"), CB_ERR);
    EXPECT_EQ(combo.SelectString(-1, "ta"), 3);
    EXPECT_EQ(combo.GetCurSel(), 3);
    EXPECT_EQ(combo.SetCurSel(7), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), 3);
    EXPECT_TRUE(combo.SetItemData(2, 0x00690002));
    EXPECT_EQ(combo.GetItemData(2), 0x00690002u);
    EXPECT_FALSE(combo.SetItemData(9, 1));
    EXPECT_EQ(combo.DeleteString(0), 3);
    EXPECT_EQ(combo.DeleteString(5), CB_ERR);
    EXPECT_EQ(combo.GetLBText(1), "Memo");
    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);
    EXPECT_EQ(combo.FindString(-1, "a"), CB_ERR);
}

TEST(ControlTest, DatePickerCarriesZTime)
{
    ZCDateTime picker;
    ZTime time;
    EXPECT_FALSE(picker.GetSystemTime(time));
    ASSERT_TRUE(picker.Create({}, QRect(0, 0, 120, 20), nullptr, "datePicker"));
    SYSTEMTIME moment { 2004, 2, 0, 29, 13, 45, 30, 0 };
    ASSERT_TRUE(picker.SetSystemTime(ZTime(moment)));
    EXPECT_EQ(picker.Picker()->date(), QDate(2004, 2, 29));
    ASSERT_TRUE(picker.GetSystemTime(time));
    const SYSTEMTIME back = time.ToSystemTime();
    EXPECT_EQ(back.wYear, 2004);
    EXPECT_EQ(back.wDay, 29);
    EXPECT_EQ(back.wMinute, 45);
    EXPECT_EQ(back.wDayOfWeek, 0); // a Sunday
    picker.SetFormat("d MMM yyyy");
    EXPECT_EQ(picker.Picker()->displayFormat(), "d MMM yyyy");
}

TEST(ControlTest, ToolbarButtonsSendCommands)
{
    struct Owner : ZWindow {
        std::vector<WPARAM> commands;
        LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM) override
        {
            if (message == WM_COMMAND)
                commands.push_back(wParam);
            return 0;
        }
    } owner;
    ZCToolbar bar;
    ASSERT_TRUE(bar.Create({}, QRect(), nullptr, "mainToolBar"));
    bar.SetOwner(&owner);
    QAction* fresh = bar.AddButton(10, "New");
    bar.AddSeparator();
    bar.AddButton(318, "Find", QIcon(), "actionFind");
    EXPECT_EQ(fresh->objectName(), "toolButton10");
    EXPECT_EQ(bar.Button(318)->objectName(), "actionFind");
    EXPECT_EQ(bar.Bar()->font().pixelSize(), 13);
    EXPECT_TRUE(bar.Bar()->font().bold());
    fresh->trigger();
    bar.Button(318)->trigger();
    ASSERT_TRUE(PumpUntil([&] { return owner.commands.size() == 2; }));
    EXPECT_EQ(owner.commands, (std::vector<WPARAM> { 10, 318 }));
    EXPECT_TRUE(bar.EnableButton(318, FALSE));
    EXPECT_FALSE(bar.Button(318)->isEnabled());
    EXPECT_TRUE(bar.CheckButton(10, TRUE));
    EXPECT_TRUE(bar.Button(10)->isChecked());
    EXPECT_TRUE(bar.SetButtonText(10, "New Entry"));
    EXPECT_EQ(bar.Button(10)->text(), "New Entry");
    EXPECT_TRUE(bar.RemoveButton(10));
    EXPECT_EQ(bar.Button(10), nullptr);
    EXPECT_FALSE(bar.EnableButton(4711, TRUE));
}
