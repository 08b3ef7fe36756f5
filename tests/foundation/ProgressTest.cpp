#include "ConsoleProgress.h"
#include "MemoryProgress.h"
#include "TempFile.h"

#include <chrono>

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(MemoryProgress, SetRangeKeepsSixteenBitsAndReturnsThePackedOldRange)
{
    MemoryProgress progress;
    ZCProgress& bar = progress; // the data library sees only the interface
    EXPECT_EQ(bar.GetRange(TRUE, nullptr), 0);
    EXPECT_EQ(bar.GetRange(FALSE, nullptr), 100);

    EXPECT_EQ(bar.SetRange(0, 70000), 100u << 16);
    EXPECT_EQ(progress.High(), 70000 & 0xFFFF);
    EXPECT_EQ(bar.SetRange(5, 65535), DWORD(70000 & 0xFFFF) << 16);
    EXPECT_EQ(progress.Low(), 5);
    EXPECT_EQ(progress.High(), 65535);

    EXPECT_EQ(bar.SetRange32(-10, 100000), 5u | (65535u << 16));
    PBRANGE range {};
    EXPECT_EQ(bar.GetRange(FALSE, &range), 100000);
    EXPECT_EQ(range.iLow, -10);
    EXPECT_EQ(range.iHigh, 100000);
    EXPECT_EQ(progress.Ranges().size(), 3u);
}

TEST(MemoryProgress, PositionStaysInTheRangeAndStepItWraps)
{
    MemoryProgress bar;
    bar.SetRange(0, 10);
    EXPECT_EQ(bar.SetPos(4), 0);
    EXPECT_EQ(bar.SetPos(50), 4);
    EXPECT_EQ(bar.GetPos(), 10) << "clamped to the high end";
    EXPECT_EQ(bar.DeltaPos(-30), 10);
    EXPECT_EQ(bar.GetPos(), 0);
    EXPECT_EQ(bar.SetStep(4), 10) << "a new bar steps by 10";
    bar.StepIt();
    bar.StepIt();
    EXPECT_EQ(bar.StepIt(), 8);
    EXPECT_EQ(bar.GetPos(), 2) << "12 wraps round to the start";
    EXPECT_EQ(bar.Positions(), (std::vector<int> { 4, 10, 0, 4, 8, 2 }));

    bar.SetPos(9);
    bar.SetRange(0, 5);
    EXPECT_EQ(bar.GetPos(), 5) << "a smaller range pulls the position in";
}

TEST(ConsoleProgress, PrintsEveryTenthToALogAndOverwritesOnATerminal)
{
    TempFile log;
    ASSERT_TRUE(log);
    {
        ConsoleProgress bar(log.get(), false);
        bar.SetRange(0, 200);
        for (int i = 1; i <= 200; ++i)
            bar.SetPos(i);
        EXPECT_EQ(bar.Percent(), 100);
    }
    EXPECT_EQ(log.Text(), "0%\n10%\n20%\n30%\n40%\n50%\n60%\n70%\n80%\n90%\n100%\n");

    TempFile terminal;
    ASSERT_TRUE(terminal);
    {
        ConsoleProgress bar(terminal.get(), true);
        bar.SetRange(0, 4);
        for (int i = 1; i <= 4; ++i)
            bar.SetPos(i);
        bar.SetRange(0, 0);
        EXPECT_EQ(bar.Percent(), 0) << "an empty range is no division by zero";
    }
    // One line rewritten in place, with the count; a fresh line at the end.
    const std::string shown = terminal.Text();
    EXPECT_EQ(shown.rfind("\r  0%  0/4", 0), 0u) << shown;
    for (const char* step : { "\r 25%  1/4", "\r 50%  2/4", "\r 75%  3/4", "\r100%  4/4" })
        EXPECT_NE(shown.find(step), std::string::npos) << step;
    EXPECT_EQ(shown.find('\n'), shown.size() - 1) << shown;

    // Long work also tells the time left, once it has run long enough to
    // tell: half done after 30 s leaves about 30 s.
    ConsoleProgress bar(terminal.get(), true);
    bar.SetRange(0, 10);
    bar.SetPos(5);
    EXPECT_EQ(bar.TerminalLine(50, std::chrono::seconds(1)).find("left"), std::string::npos);
    EXPECT_NE(bar.TerminalLine(50, std::chrono::seconds(30)).find("5/10  about 0:30 left"), std::string::npos);
    bar.SetPos(10);
    EXPECT_EQ(bar.TerminalLine(100, std::chrono::seconds(30)).find("left"), std::string::npos);
}

TEST(ConsoleStatic, ShowsEachUpdatedTextOnALine)
{
    TempFile out;
    ASSERT_TRUE(out);
    ConsoleStatic status(out.get());
    ZCStatic& line = status;
    line.SetText(u"Checking entries\u2026");
    line.SetText(u"Reindexing");
    line.Update();
    line.SetText(nullptr);
    line.Update();
    EXPECT_EQ(out.Text(), "Reindexing\n\n");
    EXPECT_EQ(status.Shown(), (std::vector<std::u16string> { u"Reindexing", u"" }));
}
