#include "MainWinFixture.h"

#include "DbTmp.h"
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

ULONGLONG Day(WORD year, WORD month, WORD day)
{
    SYSTEMTIME time {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = 9;
    return ZTime(time).Ticks();
}

ZJITEMS MakeEntry(const EntryValues& values)
{
    ZJITEMS set;
    DbTmp::Initialize(&set);
    set.GetItem(PROPID_SUBJECT)->SetStrValue(values.subject.c_str());
    set.GetItem(PROPID_DATE)
        ->SetFileTime(FILETIME { static_cast<DWORD>(values.date), static_cast<DWORD>(values.date >> 32) });
    set.GetItem(PROPID_TYPE)->SetShort(values.type);
    if (values.company)
        set.GetItem(PROPID_COMPANY)->SetStrValue(values.company);
    return set;
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

CEOID MainWinTest::Add(const EntryValues& values)
{
    ZJITEMS set = MakeEntry(values);
    return journal.Write(0, &set);
}

void MainWinTest::AddBare(int count)
{
    const ULONGLONG start = Day(2001, 1, 1);
    ObjectStoreTransaction transaction;
    for (int n = 0; n < count; ++n) {
        const std::u16string subject = u"Entry " + [&] {
            std::string digits = std::to_string(n);
            return std::u16string(digits.begin(), digits.end());
        }();
        const ULONGLONG date = start + static_cast<ULONGLONG>(n) * ZTime::kTicksPerMinute;
        CEPROPVAL values[3] {};
        values[0].propid = PROPID_SUBJECT;
        values[0].val.lpwstr = const_cast<LPWSTR>(subject.c_str());
        values[1].propid = PROPID_DATE;
        values[1].val.filetime = FILETIME { static_cast<DWORD>(date), static_cast<DWORD>(date >> 32) };
        values[2].propid = PROPID_TYPE;
        values[2].val.iVal = static_cast<SHORT>(n % TYPE_COUNT);
        ASSERT_NE(journal.WriteProps(0, 3, values), 0u);
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
