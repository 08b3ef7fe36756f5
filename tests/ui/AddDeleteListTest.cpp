// ZCAddDeleteList: the field selects by prefix, the buttons follow the text
// and the selection, and the owner's handlers hear Add, Delete and focus.
#include "GuiApp.h"
#include "ZCAddDeleteList.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

// An owner that keeps the list in step the way the option screens do: Add
// inserts the field's text, Delete removes the selected item.
class EditingList : public ZCAddDeleteList {
public:
    std::vector<int> focusEvents; // 0 gained, 1 lost
    int adds = 0;
    int deletes = 0;

protected:
    void OnAdd(WORD) override
    {
        ++adds;
        AddString(Field().Text());
        Field().SetText(QString());
    }
    void OnDelete(WORD) override
    {
        ++deletes;
        DeleteString(GetCurSel());
    }
    void OnEditFocus(BOOL lost, int id) override
    {
        EXPECT_EQ(id, IDC_ADL_EDIT);
        focusEvents.push_back(lost);
    }
};

class AddDeleteListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        GuiApp();
        ASSERT_TRUE(list.Create({}, QRect(0, 0, 240, 200), nullptr, "subjectsList"));
        for (const char* text : { "Sale ", "Idea ", "contact with ", "Goal " })
            list.AddString(text);
        field = list.GetHandle()->findChild<QLineEdit*>("addDeleteField");
        add = list.GetHandle()->findChild<QPushButton*>("addDeleteAdd");
        remove = list.GetHandle()->findChild<QPushButton*>("addDeleteDelete");
        items = list.GetHandle()->findChild<QListWidget*>("addDeleteItems");
        ASSERT_TRUE(field && add && remove && items);
    }
    void Type(const QString& text)
    {
        field->clear();
        QTest::keyClicks(field, text);
    }

    EditingList list;
    QLineEdit* field = nullptr;
    QPushButton* add = nullptr;
    QPushButton* remove = nullptr;
    QListWidget* items = nullptr;
};

} // namespace

TEST_F(AddDeleteListTest, KeepsItemsSortedIgnoringCaseAndStartsWithNothingEnabled)
{
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.GetItemText(0), "contact with ");
    EXPECT_EQ(list.GetItemText(1), "Goal ");
    EXPECT_EQ(list.GetItemText(3), "Sale ");
    EXPECT_EQ(list.GetItemText(9), QString());
    EXPECT_FALSE(add->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_EQ(add->text(), "Add");
    EXPECT_EQ(remove->text(), "Delete");
    EXPECT_EQ(list.GetCurSel(), -1);
}

TEST_F(AddDeleteListTest, TypingSelectsTheFirstItemBeginningWithTheText)
{
    Type("C");
    EXPECT_EQ(list.GetCurSel(), 0); // capital typed, lower-case item
    EXPECT_TRUE(add->isEnabled()); // the owner decides about a duplicate
    EXPECT_TRUE(remove->isEnabled());

    Type("Gx");
    EXPECT_EQ(list.GetCurSel(), -1);
    EXPECT_TRUE(add->isEnabled());
    EXPECT_FALSE(remove->isEnabled());

    Type("Sa");
    EXPECT_EQ(list.GetItemText(list.GetCurSel()), "Sale ");
    field->clear();
    EXPECT_EQ(list.GetCurSel(), -1);
    EXPECT_FALSE(add->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
}

TEST_F(AddDeleteListTest, DeleteAfterAddRemovesNothingNobodyChose)
{
    Type("Objective ");
    QTest::mouseClick(add, Qt::LeftButton);
    EXPECT_EQ(list.adds, 1);
    EXPECT_EQ(list.GetCount(), 5);
    // The owner emptied the field: nothing may be left selected for Delete.
    EXPECT_EQ(list.GetCurSel(), -1);
    EXPECT_FALSE(remove->isEnabled());
    list.DeleteButton().Click(); // a disabled button does not click
    EXPECT_EQ(list.deletes, 0);
    EXPECT_EQ(list.GetCount(), 5);
}

TEST_F(AddDeleteListTest, ClickingAnItemEnablesDeleteWhichRemovesIt)
{
    const QRect itemRect = items->visualItemRect(items->item(1));
    items->show();
    QTest::mouseClick(items->viewport(), Qt::LeftButton, {}, itemRect.center());
    EXPECT_EQ(list.GetCurSel(), 1);
    EXPECT_TRUE(remove->isEnabled());
    QTest::mouseClick(remove, Qt::LeftButton);
    EXPECT_EQ(list.deletes, 1);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetItemText(1), "Idea ");
    EXPECT_FALSE(remove->isEnabled()); // nothing selected after the removal
}

TEST_F(AddDeleteListTest, LaysOutTheTopRowAndTheListBelowAndReportsFocus)
{
    list.GetHandle()->show();
    list.Layout();
    EXPECT_EQ(field->x(), 2);
    EXPECT_EQ(field->width(), 240 / 2 - 2);
    EXPECT_EQ(add->x(), 240 / 2 + 2);
    EXPECT_EQ(remove->x(), add->x() + add->width() + 2);
    EXPECT_EQ(items->width(), 240);
    EXPECT_EQ(items->y() + items->height(), 200);

    const QRect moved(10, 10, 320, 100);
    list.Layout(&moved);
    EXPECT_EQ(items->width(), 320);

    list.GetHandle()->activateWindow();
    field->setFocus();
    ASSERT_TRUE(PumpUntil([&] { return !list.focusEvents.empty(); }));
    EXPECT_EQ(list.focusEvents.front(), 0);
    items->setFocus();
    ASSERT_TRUE(PumpUntil([&] { return list.focusEvents.size() >= 2; }));
    EXPECT_EQ(list.focusEvents.back(), 1);
}
