#include "EditorFixture.h"

#include "ProgramText.h"
#include "ZCPropertyList.h"

#include <QAction>
#include <QComboBox>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>

EditorSettings::EditorSettings()
    : ZApp(kProfileKey)
{
}

EditorTest::EditorTest()
{
    ZTime::SetNowSource([] { return Now(); });
    EXPECT_EQ(journal.Open(nullptr), 1);
}

EditorTest::~EditorTest()
{
    CloseEditor();
    journal.Close();
    ZTime::SetNowSource({});
}

EntryEditor& EditorTest::OpenEditor(CEOID oid, DWORD field, const PimDataBlock* pim)
{
    CloseEditor();
    selection.SetFocused(oid);
    selection.SetEditField(field);
    editor = std::make_unique<EntryEditor>(journal, settings, selection);
    editor->SetPimData(pim);
    auto timer = std::make_unique<ManualTimer>();
    stopwatch = timer.get();
    editor->SetStopwatchTimer(std::move(timer));
    EXPECT_NE(editor->CreateModeless(nullptr, QStringLiteral("Kestrin Entry"), QStringLiteral("entryEditor")),
        nullptr);
    Dialog()->resize(320, 480);
    PumpAll();
    return *editor;
}

void EditorTest::CloseEditor()
{
    if (!editor)
        return;
    if (editor->IsWindow())
        editor->Destroy();
    PumpAll();
    editor.reset();
}

QWidget* EditorTest::Dialog()
{
    return editor->GetHandle();
}

void EditorTest::Trigger(const char* name)
{
    if (QAction* action = Child<QAction>(name))
        action->trigger();
    PumpAll();
}

void EditorTest::TapValue(CEPROPID field, bool left)
{
    const QRect cell = editor->List().ValueRect(editor->RowOf(field));
    const QPoint at = left ? QPoint(cell.left() + cell.width() / 4, cell.center().y())
                           : QPoint(cell.right() - 20, cell.center().y());
    QTest::mouseClick(editor->List().Table()->viewport(), Qt::LeftButton, {}, at);
    PumpAll();
}

QString EditorTest::Cell(CEPROPID field)
{
    return editor->List().GetItemText(editor->RowOf(field), 1);
}

QColor EditorTest::CellColor(CEPROPID field)
{
    return editor->List().RowValueColor(editor->RowOf(field));
}

QComboBox* EditorTest::OpenCombo(CEPROPID field)
{
    TapValue(field);
    return qobject_cast<QComboBox*>(editor->InPlaceControl());
}

void EditorTest::ShowPage(int page)
{
    auto* tabs = Child<QTabBar>("editorTabs");
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
    PumpAll();
}

ZJITEMS EditorTest::Read(CEOID oid)
{
    ZJITEMS set;
    journal.Read(oid, &set, FALSE);
    return set;
}

std::u16string EditorTest::LastMessage()
{
    auto calls = hooks.Calls(UiCall::Kind::MessageBox);
    return calls.empty() ? std::u16string() : calls.back().text;
}
