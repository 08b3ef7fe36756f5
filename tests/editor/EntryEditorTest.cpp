// The entry editor driven as a user drives it: opening new and existing
// entries, editing fields in place, the stopwatch, the note with its ink,
// and what OK and closing write.

#include "EditorFixture.h"

#include "JournalProps.h"
#include "NoteBlob.h"
#include "Settings.h"
#include "ZCInkNote.h"
#include "ZCPropertyList.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>

namespace {

std::u16string Subject(const ZJITEMS& set)
{
    return Text(set.GetItem(PROPID_SUBJECT)->GetStrValue());
}

DWORD FlagsOf(DbKestrin& journal, CEOID oid)
{
    DWORD flags = 0;
    journal.GetFlags(oid, &flags);
    return flags;
}

} // namespace

TEST_F(EditorTest, NewEntryStartsWithDefaultsAndOkWithoutChangesWritesNothing)
{
    OpenEditor(0);
    EXPECT_EQ(Dialog()->windowTitle(), QStringLiteral("Kestrin Entry"));
    EXPECT_EQ(Cell(PROPID_TYPE), QStringLiteral("Note"));
    EXPECT_EQ(Cell(PROPID_PRIORITY), QStringLiteral("Normal"));
    EXPECT_EQ(Cell(PROPID_SENSITIVITY), QStringLiteral("Normal"));
    EXPECT_EQ(Cell(PROPID_CATEGORIES), QString());
    EXPECT_EQ(Cell(PROPID_CONTACTS), QString());
    ZString today;
    ZTime(Now()).ShortDate(today);
    EXPECT_TRUE(Cell(PROPID_DATE).startsWith(today.ToQString())) << Cell(PROPID_DATE).toStdString();
    EXPECT_EQ(editor->RowOf(PROPID_NOTE), EntryEditor::kNoteRow);
    EXPECT_EQ(editor->List().GetItemCount(), 10);

    PressOk();
    EXPECT_EQ(editor->Result(), 0);
    EXPECT_EQ(journal.GetRecCount(KIND_ENTRY), 0u);

    // An existing entry opened and closed with OK is not written either: its
    // flags stay unset.
    const CEOID oid = Add({ .subject = u"kept", .date = At(2020, 5, 1) });
    OpenEditor(oid);
    TapValue(PROPID_SUBJECT); // open and leave a field without changing it
    PressOk();
    EXPECT_EQ(editor->Result(), 0);
    EXPECT_EQ(FlagsOf(journal, oid), 0u);
}

TEST_F(EditorTest, TypedTextIsCommittedByOkAndBlankTextsClearTheField)
{
    OpenEditor(0);
    QComboBox* subject = OpenCombo(PROPID_SUBJECT);
    ASSERT_NE(subject, nullptr);
    QTest::keyClicks(subject->lineEdit(), QStringLiteral("Lunch & talk  "));
    // OK straight from the open field: the typed subject is saved.
    PressOk();
    EXPECT_EQ(editor->Result(), 1);
    const CEOID saved = selection.Focused();
    ASSERT_NE(saved, 0u);
    EXPECT_EQ(Subject(Read(saved)), u"Lunch & talk");
    EXPECT_EQ(FlagsOf(journal, saved), 3u);

    // Only spaces in Company, and the quick-subjects entry in Subject, store
    // empty values and show the default text.
    OpenEditor(saved);
    EXPECT_EQ(Cell(PROPID_SUBJECT), QStringLiteral("Lunch & talk"));
    TapValue(PROPID_COMPANY);
    auto* company = qobject_cast<QLineEdit*>(editor->InPlaceControl());
    ASSERT_NE(company, nullptr);
    QTest::keyClicks(company, QStringLiteral("   "));
    QTest::keyClick(company, Qt::Key_Return);
    EXPECT_EQ(editor->InPlaceControl(), nullptr);
    EXPECT_EQ(Cell(PROPID_COMPANY), QString());
    subject = OpenCombo(PROPID_SUBJECT);
    ASSERT_NE(subject, nullptr);
    EXPECT_EQ(subject->itemText(0), QStringLiteral("<Edit Quick Subjects>"));
    subject->setEditText(QStringLiteral("<Edit Quick Subjects>"));
    TapValue(PROPID_COMPANY); // a tap elsewhere commits
    EXPECT_EQ(Cell(PROPID_SUBJECT), QString());
    EXPECT_TRUE(Dialog()->windowTitle().endsWith(u'*'));
    PressOk();
    EXPECT_EQ(Subject(Read(saved)), u"");
}

TEST_F(EditorTest, TableValuesOutsideTheirTablesShowDefaultsAndStayUntilEdited)
{
    const CEOID oid = Add({ .subject = u"odd", .date = At(2020, 5, 1), .type = -1, .sensitivity = 300, .priority = 7 });
    OpenEditor(oid);
    EXPECT_EQ(Cell(PROPID_TYPE), QStringLiteral("Note"));
    EXPECT_EQ(Cell(PROPID_SENSITIVITY), QStringLiteral("Normal"));
    EXPECT_EQ(Cell(PROPID_PRIORITY), QStringLiteral("Normal"));
    // Another field's edit saves the entry; the odd values are kept.
    QComboBox* subject = OpenCombo(PROPID_SUBJECT);
    subject->setEditText(QStringLiteral("even"));
    PressOk();
    ZJITEMS set = Read(oid);
    EXPECT_EQ(Subject(set), u"even");
    EXPECT_EQ(set.GetItem(PROPID_TYPE)->GetShort(), -1);
    EXPECT_EQ(set.GetItem(PROPID_SENSITIVITY)->GetShort(), 300);
    EXPECT_EQ(set.GetItem(PROPID_PRIORITY)->GetShort(), 7);

    // Choosing a type stores it at once.
    OpenEditor(oid);
    QComboBox* type = OpenCombo(PROPID_TYPE);
    ASSERT_NE(type, nullptr);
    EXPECT_FALSE(type->isEditable());
    EXPECT_EQ(type->currentText(), QStringLiteral("Note"));
    type->setCurrentIndex(8);
    emit type->activated(8);
    PumpAll();
    EXPECT_EQ(editor->InPlaceControl(), nullptr);
    EXPECT_EQ(Cell(PROPID_TYPE), QStringLiteral("Task"));
    PressOk();
    EXPECT_EQ(Read(oid).GetItem(PROPID_TYPE)->GetShort(), 8);
}

TEST_F(EditorTest, StartFieldOpensThatFieldOrTheNotePage)
{
    const CEOID oid = Add({ .subject = u"start", .date = At(2020, 5, 1) });
    OpenEditor(oid, PROPID_NOTE);
    EXPECT_EQ(editor->CurrentPage(), EntryEditor::kNotePage);
    EXPECT_EQ(selection.EditField(), 0u);
    EXPECT_TRUE(Child<QWidget>("noteBar")->isVisible());
    EXPECT_FALSE(Child<QWidget>("entryBar")->isVisible());

    OpenEditor(oid, 0);
    EXPECT_EQ(editor->CurrentPage(), EntryEditor::kEntryPage);
    EXPECT_EQ(editor->InPlaceControl(), nullptr);

    OpenEditor(oid, PROPID_DATE);
    // The start tap lands near the right end of the date cell: the time.
    EXPECT_EQ(editor->InPlaceControl()->objectName(), QStringLiteral("fieldTime"));
    TapValue(PROPID_DATE, true);
    EXPECT_EQ(editor->InPlaceControl()->objectName(), QStringLiteral("fieldCalendar"));
}

TEST_F(EditorTest, ZoomMenuFollowsTheSettingAndWritesIt)
{
    EXPECT_EQ(EntryEditor::ZoomItem(125), 0);
    EXPECT_EQ(EntryEditor::ZoomItem(300), 4);
    Settings(settings).SetZoom(125);
    OpenEditor(0);
    ShowPage(EntryEditor::kNotePage);
    EXPECT_TRUE(Child<QAction>("actionZoom75")->isChecked());
    Trigger("actionZoom200");
    EXPECT_EQ(Settings(settings).Zoom(), 200);
    EXPECT_EQ(editor->Note().Zoom(), 200);
    EXPECT_TRUE(Child<QAction>("actionZoom200")->isChecked());
    // A zoom is not an edit.
    EXPECT_FALSE(editor->IsChanged());
}

TEST_F(EditorTest, StopwatchAddsAMinutePerTickAndShowsTheDurationInBlue)
{
    const CEOID oid = Add({ .subject = u"call", .date = At(2020, 5, 1), .duration = 5 * ZTime::kTicksPerMinute });
    OpenEditor(oid);
    Trigger("buttonStopwatch");
    EXPECT_TRUE(stopwatch->IsActive());
    EXPECT_EQ(stopwatch->Period(), std::chrono::milliseconds(60000));
    EXPECT_TRUE(Child<QAction>("buttonStopwatch")->isChecked());
    EXPECT_EQ(CellColor(PROPID_DURATION), QColor(Qt::blue));
    for (int i = 0; i < 3; ++i)
        stopwatch->Tick();
    EXPECT_EQ(Cell(PROPID_DURATION).toStdString(), "8 minutes");
    // The button stays pressed across a visit to the Note page.
    ShowPage(EntryEditor::kNotePage);
    ShowPage(EntryEditor::kEntryPage);
    EXPECT_TRUE(Child<QAction>("buttonStopwatch")->isChecked());
    Trigger("buttonStopwatch");
    EXPECT_FALSE(CellColor(PROPID_DURATION).isValid());
    PressOk();
    EXPECT_EQ(ZTime(Read(oid).GetItem(PROPID_DURATION)->GetFileTime()).Ticks(), 8 * ZTime::kTicksPerMinute);
}

TEST_F(EditorTest, NoteTextAndInkSurviveSaveAndReopenAndInkIsUndoneLikeTyping)
{
    OpenEditor(0);
    ShowPage(EntryEditor::kNotePage);
    QTextEdit* page = editor->Note().Edit();
    QTest::keyClicks(page, QStringLiteral("Met Ann."));
    // A stroke drawn with the pen, then a second one taken back with Undo.
    Trigger("buttonPenMode");
    QWidget* viewport = page->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(20, 40));
    QTest::mouseMove(viewport, QPoint(60, 50));
    QTest::mouseMove(viewport, QPoint(90, 80));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(90, 80));
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(30, 100));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(30, 100));
    ASSERT_EQ(editor->Note().Strokes().size(), 2u);
    Trigger("actionUndo");
    ASSERT_EQ(editor->Note().Strokes().size(), 1u);
    EXPECT_EQ(page->toPlainText(), QStringLiteral("Met Ann."));
    const ZCInkNote::Stroke drawn = editor->Note().Strokes().front();
    PressOk();
    const CEOID saved = selection.Focused();
    ASSERT_NE(saved, 0u);

    ZJITEMS set = Read(saved);
    const NoteContent stored = ReadNote(*set.GetItem(PROPID_NOTE)->GetBlob());
    EXPECT_EQ(stored.form, NoteContent::Form::Current);
    EXPECT_EQ(stored.plainText, u"Met Ann.");
    EXPECT_EQ(ReadInk(stored.ink).size(), 1u);

    OpenEditor(saved);
    ShowPage(EntryEditor::kNotePage);
    EXPECT_EQ(editor->Note().PlainText(), QStringLiteral("Met Ann."));
    ASSERT_EQ(editor->Note().Strokes().size(), 1u);
    EXPECT_EQ(editor->Note().Strokes().front().points, drawn.points);
    EXPECT_FALSE(editor->IsChanged());
    // The eraser takes the stroke away, and that is an edit.
    Trigger("buttonEraserMode");
    const QPointF first = drawn.points.front();
    QTest::mouseClick(editor->Note().Edit()->viewport(), Qt::LeftButton, {}, first.toPoint());
    EXPECT_TRUE(editor->Note().Strokes().empty());
    EXPECT_TRUE(editor->IsChanged());
}

TEST_F(EditorTest, AnEmptiedNoteIsStoredEmptyFromEitherPage)
{
    const std::vector<BYTE> note = WriteNote(u"old words", "", {});
    for (bool backToEntryPage : { false, true }) {
        const CEOID oid = Add({ .subject = u"noted", .date = At(2020, 5, 1), .note = note });
        OpenEditor(oid);
        ShowPage(EntryEditor::kNotePage);
        Trigger("actionSelectAll");
        QTest::keyClick(editor->Note().Edit(), Qt::Key_Delete);
        if (backToEntryPage)
            ShowPage(EntryEditor::kEntryPage);
        PressOk();
        EXPECT_EQ(editor->Result(), 1) << backToEntryPage;
        EXPECT_EQ(Read(oid).GetItem(PROPID_NOTE)->GetBlob()->dwCount, 0u) << backToEntryPage;
    }
}

TEST_F(EditorTest, NoteLimitRefusesMoreTextAndSaysSo)
{
    // Lines of 80 characters, the last one cut so that the note is full.
    std::u16string full;
    while (full.size() < ZCInkNote::kCharLimit)
        full += std::u16string(79, u'x') + u'\n';
    full.resize(ZCInkNote::kCharLimit);
    const CEOID oid = Add({ .subject = u"long", .date = At(2020, 5, 1), .note = WriteNote(full, "", {}) });
    OpenEditor(oid);
    ShowPage(EntryEditor::kNotePage);
    QTextEdit* page = editor->Note().Edit();
    page->moveCursor(QTextCursor::End);
    QTest::keyClick(page, Qt::Key_A);
    EXPECT_EQ(page->toPlainText().size(), ZCInkNote::kCharLimit);
    EXPECT_EQ(LastMessage(), u"You have reached the limit of characters permitted for this Entry.");
    // A stamp does not fit either.
    Trigger("buttonTimeStamp");
    EXPECT_EQ(page->toPlainText().size(), ZCInkNote::kCharLimit);
    EXPECT_FALSE(editor->IsChanged());
}

TEST_F(EditorTest, StampsGoAtTheStartOfAnEmptyNoteElseOnANewLineAtTheEnd)
{
    OpenEditor(0);
    ShowPage(EntryEditor::kNotePage);
    Trigger("buttonDateStamp");
    ZString date;
    ZTime(Now()).ShortDate(date);
    ZString time;
    ZTime(Now()).TimeText(time);
    EXPECT_EQ(editor->Note().PlainText(), date.ToQString() + QStringLiteral(" - "));
    editor->Note().Edit()->moveCursor(QTextCursor::Start);
    editor->Note().Edit()->moveCursor(QTextCursor::Right);
    Trigger("buttonTimeStamp");
    EXPECT_EQ(editor->Note().PlainText(),
        date.ToQString() + QStringLiteral(" - \n") + time.ToQString() + QStringLiteral(" - "));
    Trigger("actionUndo");
    EXPECT_EQ(editor->Note().PlainText(), date.ToQString() + QStringLiteral(" - "));
}

TEST_F(EditorTest, ClosingWithChangesAsksAndCancelKeepsTheEditorOpen)
{
    const CEOID oid = Add({ .subject = u"before", .date = At(2020, 5, 1) });
    OpenEditor(oid);
    OpenCombo(PROPID_SUBJECT)->setEditText(QStringLiteral("after"));
    hooks.QueueAnswer(IDCANCEL);
    Trigger("buttonCancel");
    EXPECT_TRUE(Dialog()->isVisible());
    EXPECT_EQ(LastMessage(), u"Save the changes to this entry?");
    hooks.QueueAnswer(IDNO);
    Trigger("buttonCancel");
    EXPECT_FALSE(Dialog()->isVisible());
    EXPECT_EQ(Subject(Read(oid)), u"before");

    OpenEditor(oid);
    OpenCombo(PROPID_SUBJECT)->setEditText(QStringLiteral("after"));
    hooks.QueueAnswer(IDYES);
    QTest::keyClick(Dialog(), Qt::Key_Escape);
    PumpAll();
    EXPECT_EQ(editor->Result(), 1);
    EXPECT_EQ(Subject(Read(oid)), u"after");
}
