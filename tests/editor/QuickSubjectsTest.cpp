// The quick subjects editor: adding and deleting subjects in the settings,
// and the Subject box of the entry editor reloading them.

#include "EditorFixture.h"

#include "QuickSubjectsEditor.h"
#include "Settings.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

class QuickSubjectsTest : public EditorTest {
protected:
    void Seed(std::initializer_list<const char16_t*> subjects)
    {
        Settings s(settings);
        int i = 0;
        for (const char16_t* subject : subjects)
            s.SetSubject(i++, subject);
        s.SetSubjectCount(i);
    }
    std::vector<std::u16string> Stored(int count)
    {
        std::vector<std::u16string> texts;
        Settings s(settings);
        for (int i = 0; i < count; ++i)
            texts.push_back(s.Subject(i).IsEmpty() ? u"" : s.Subject(i).Text());
        return texts;
    }
    void Open()
    {
        subjects = std::make_unique<QuickSubjectsEditor>(settings);
        ASSERT_NE(subjects->CreateModeless(nullptr), nullptr);
        list = subjects->GetHandle()->findChild<QListWidget*>(QStringLiteral("addDeleteItems"));
        field = subjects->GetHandle()->findChild<QLineEdit*>(QStringLiteral("addDeleteField"));
    }
    // Selects the first item showing `text` and presses Delete.
    void Delete(const QString& text)
    {
        list->setCurrentItem(list->findItems(text, Qt::MatchExactly).value(0));
        subjects->GetHandle()->findChild<QPushButton*>(QStringLiteral("addDeleteDelete"))->click();
    }

    std::unique_ptr<QuickSubjectsEditor> subjects;
    QListWidget* list = nullptr;
    QLineEdit* field = nullptr;
};

} // namespace

TEST_F(QuickSubjectsTest, DeletingMovesTheLaterSubjectsDown)
{
    Seed({ u"Idea ", u"Sale ", u"Contact with ", u"Suggestion ", u"Opportunity ", u"Goal ", u"Objective " });
    Open();
    ASSERT_EQ(list->count(), 7);
    hooks.QueueAnswer(IDNO);
    Delete(QStringLiteral("Sale "));
    EXPECT_EQ(Settings(settings).SubjectCount(), 7);
    Delete(QStringLiteral("Sale ")); // the recorder answers Yes by default
    EXPECT_EQ(LastMessage(), u"Delete?");
    EXPECT_EQ(Settings(settings).SubjectCount(), 6);
    EXPECT_EQ(Stored(7),
        (std::vector<std::u16string> {
            u"Idea ", u"Contact with ", u"Suggestion ", u"Opportunity ", u"Goal ", u"Objective ", u"" }));
    EXPECT_EQ(list->count(), 6);

    // Of two equal subjects the first goes; without "ConfirmDelete" nobody is asked.
    Seed({ u"Same", u"Other", u"Same" });
    settings.WriteInt(u"Options", u"ConfirmDelete", 0);
    subjects->LoadList();
    const int asked = MessageBoxes();
    Delete(QStringLiteral("Same"));
    EXPECT_EQ(MessageBoxes(), asked);
    EXPECT_EQ(Stored(2), (std::vector<std::u16string> { u"Other", u"Same" }));
}

TEST_F(QuickSubjectsTest, AddingWritesTheTextAsTypedAtTheEnd)
{
    Open();
    QTest::keyClicks(field, QStringLiteral("Call "));
    subjects->GetHandle()->findChild<QPushButton*>(QStringLiteral("addDeleteAdd"))->click();
    EXPECT_EQ(Settings(settings).SubjectCount(), 1);
    EXPECT_EQ(Stored(1), std::vector<std::u16string> { u"Call " });
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(list->count(), 1);
}

TEST_F(QuickSubjectsTest, TheSubjectBoxOffersTheSubjectsAndReloadsAfterEditing)
{
    Seed({ u"zeta", u"Alpha" });
    OpenEditor(0);
    QComboBox* box = OpenCombo(PROPID_SUBJECT);
    ASSERT_NE(box, nullptr);
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    EXPECT_EQ(items, QStringList({ "<Edit Quick Subjects>", "Alpha", "zeta" }));
    box->setEditText(QStringLiteral("typed"));
    // Choosing the first entry opens the subjects editor; a subject added
    // there is offered at once, and the typed text stays.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QTest::keyClicks(dialog->findChild<QLineEdit*>(QStringLiteral("addDeleteField")), QStringLiteral("Beta"));
        dialog->findChild<QPushButton*>(QStringLiteral("addDeleteAdd"))->click();
        dialog->accept();
    });
    box->showPopup();
    box->view()->setCurrentIndex(box->model()->index(0, 0));
    QTest::keyClick(box->view(), Qt::Key_Return);
    PumpAll();
    EXPECT_EQ(box->count(), 4);
    EXPECT_EQ(box->itemText(1), QStringLiteral("Alpha"));
    EXPECT_EQ(box->itemText(2), QStringLiteral("Beta"));
}
