#include "MainWinFixture.h"

#include "ObjectStore.h"
#include "ProgramText.h"
#include "ZTime.h"

#include <string>

TestStore::TestStore()
    : ZApp(kProfileKey)
{
}

LRESULT CommandSink::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        commands.push_back({ LOWORD(wParam), HIWORD(wParam), lParam });
        return 0;
    }
    return ZWindow::WindowProc(message, wParam, lParam);
}

std::vector<CommandSink::Command> CommandSink::With(WORD id) const
{
    std::vector<Command> found;
    for (const Command& command : commands)
        if (command.id == id)
            found.push_back(command);
    return found;
}

MainWinTest::MainWinTest()
{
    EXPECT_EQ(journal.Open(nullptr), 1);
}

MainWinTest::~MainWinTest()
{
    journal.Close();
    PumpAll();
}

void MainWinTest::AddBare(int count)
{
    const ULONGLONG start = At(2001, 1, 1);
    ObjectStoreTransaction transaction;
    for (int n = 0; n < count; ++n) {
        const std::string subject = "Entry " + std::to_string(n);
        const ULONGLONG date = start + static_cast<ULONGLONG>(n) * ZTime::kTicksPerMinute;
        ASSERT_NE(WriteBareEntry(journal,
                      { .subject = std::u16string(subject.begin(), subject.end()),
                          .date = date,
                          .type = static_cast<SHORT>(n % TYPE_COUNT) }),
            0u);
    }
    ASSERT_TRUE(transaction.Commit());
    journal.InvalidateRows();
}

std::u16string MainWinTest::SubjectOf(CEOID oid)
{
    ZJITEMS set;
    if (journal.Read(oid, &set, FALSE) != oid)
        return {};
    LPCWSTR text = set.GetItem(PROPID_SUBJECT)->GetStrValue();
    return text ? text : u"";
}
