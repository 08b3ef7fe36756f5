#include "ZFile.h"
#include "AtomicFileWriter.h"
#include "LastError.h"
#include "TempHome.h"
#include "UiHooks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

ZString PathOf(const std::filesystem::path& path)
{
    return ZString::FromUtf8(path.string());
}

std::string Contents(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

void Put(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(ZFile, OpenRefusesASecondFileAndReportsWhyItFailed)
{
    TempHome home;
    ZString first = PathOf(home.file("first.txt")), second = PathOf(home.file("second.txt"));
    ZFile file;
    EXPECT_EQ(file.Name(), nullptr);
    EXPECT_FALSE(file.Close()) << "nothing open";

    ASSERT_TRUE(file.Open(first, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(file.Open(second, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(ZFile::Exists(second)) << "the refused open created nothing";
    EXPECT_EQ(file.Write("abc", 3), 3u) << "the first file is still the open one";
    EXPECT_EQ(std::u16string(file.Name()), first.ToU16());
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(Contents(home.file("first.txt")), "abc");

    ZFile other;
    EXPECT_FALSE(other.Open(first, GENERIC_WRITE, 0, CREATE_NEW, 0));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_FALSE(other.Open(second, GENERIC_READ, 0, OPEN_EXISTING, 0));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(other.IsOpen());
    EXPECT_FALSE(other.Open(PathOf(home.file("no/such/folder.txt")), GENERIC_WRITE, 0, CREATE_ALWAYS, 0));
    EXPECT_FALSE(other.Open(PathOf(home.path()), GENERIC_READ, 0, OPEN_EXISTING, 0)) << "a folder is no file";
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(other.Open(nullptr, GENERIC_READ, 0, OPEN_EXISTING, 0));
    EXPECT_FALSE(other.Open(first, GENERIC_READ, 0, 99, 0)) << "unknown disposition";

    // OpenExisting switches files; a failed one leaves the object closed.
    ASSERT_TRUE(other.Open(first, GENERIC_READ, 0, OPEN_ALWAYS, 0));
    Put(home.file("second.txt"), "xyz");
    ASSERT_TRUE(other.OpenExisting(second, GENERIC_READ, 0, 0));
    char buffer[8] = {};
    EXPECT_EQ(other.Read(buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "xyz");
    EXPECT_FALSE(other.OpenExisting(PathOf(home.file("gone.txt")), GENERIC_READ, 0, 0));
    EXPECT_FALSE(other.IsOpen());
}

TEST(ZFile, WritesReadsSeeksAndTruncates)
{
    TempHome home;
    ZString path = PathOf(home.file("data.bin"));
    ZFile file;
    ASSERT_TRUE(file.Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, 0));
    EXPECT_EQ(file.Write("0123456789", 10), 10u);
    EXPECT_EQ(file.Write(nullptr, 4), 0u);
    EXPECT_TRUE(file.Sync());
    EXPECT_EQ(file.Size(), 10u);

    EXPECT_EQ(file.Seek(-4, FILE_END), 6);
    char buffer[16] = {};
    EXPECT_EQ(file.Read(buffer, 16), 4);
    EXPECT_STREQ(buffer, "6789");
    EXPECT_EQ(file.Read(buffer, 16), -1) << "end of file";
    EXPECT_EQ(file.ReadByte(), -1);

    EXPECT_EQ(file.Seek(2, FILE_BEGIN), 2);
    EXPECT_EQ(file.Seek(3, FILE_CURRENT), 5);
    EXPECT_EQ(file.Seek(-1, FILE_BEGIN), -1);
    EXPECT_EQ(file.Seek(0, 7), -1) << "unknown method";
    EXPECT_EQ(file.Seek(0, FILE_CURRENT), 5) << "failed seeks leave the position";
    EXPECT_TRUE(file.Truncate());
    EXPECT_EQ(file.Size(), 5u);
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(Contents(home.file("data.bin")), "01234");

    ZFile closed;
    EXPECT_EQ(closed.Write("x", 1), 0u);
    EXPECT_EQ(closed.Read(buffer, 1), -1);
    EXPECT_EQ(closed.Seek(0, FILE_BEGIN), -1);
    EXPECT_FALSE(closed.Truncate());
    EXPECT_FALSE(closed.Sync());

    ASSERT_TRUE(file.OpenExisting(path, GENERIC_READ, 0, 0));
    EXPECT_TRUE(file.Delete());
    EXPECT_FALSE(ZFile::Exists(path));
    EXPECT_FALSE(file.Delete()) << "already gone";
}

TEST(ZFile, WriteTextUsesUtf8AndExistsChangesNothing)
{
    TempHome home;
    // A path and a text outside ASCII, one character outside the 16-bit plane.
    ZString path = PathOf(home.file("j\xC3\xBCrnal.txt"));
    EXPECT_FALSE(ZFile::Exists(path));
    EXPECT_FALSE(ZFile::Exists(path)) << "asking twice creates nothing";
    EXPECT_FALSE(ZFile::Exists(nullptr));
    EXPECT_TRUE(ZFile::Exists(PathOf(home.path())));

    ZFile file;
    ASSERT_TRUE(file.Open(path, GENERIC_WRITE, 0, CREATE_NEW, 0));
    EXPECT_EQ(file.WriteText(u"Caf\u00E9 \U0001F600;"), 11u);
    EXPECT_EQ(file.WriteText(u""), 0u);
    EXPECT_EQ(file.WriteText(nullptr), 0u);
    file.Close();
    EXPECT_TRUE(ZFile::Exists(path));
    EXPECT_EQ(Contents(home.file("j\xC3\xBCrnal.txt")), "Caf\xC3\xA9 \xF0\x9F\x98\x80;");
}

TEST(ZFile, ReadLineSplitsDropsControlsAndBoundsTheBuffer)
{
    TempHome home;
    std::string longLine(500, 'x');
    Put(home.file("skin.ski"), "abc\r\n\n\tkey=v\xE9\r\n" + longLine + "\nlast");
    ZFile file;
    ASSERT_TRUE(file.Open(PathOf(home.file("skin.ski")), GENERIC_READ, 0, OPEN_EXISTING, 0));

    WCHAR line[16];
    EXPECT_EQ(file.ReadLine(line, 16, TRUE), 4);
    EXPECT_EQ(std::u16string(line), u"abc");
    EXPECT_EQ(file.ReadLine(line, 16, TRUE), 0) << "empty line";
    EXPECT_EQ(line[0], 0);
    EXPECT_EQ(file.ReadLine(line, 16, FALSE), 8);
    EXPECT_EQ(std::u16string(line), u"\tkey=v\u00E9\r") << "bytes become characters unconverted";
    EXPECT_EQ(file.ReadLine(line, 16, TRUE), 500);
    EXPECT_EQ(std::u16string(line), std::u16string(15, u'x')) << "cut to the buffer, consumed whole";
    EXPECT_EQ(file.ReadLine(line, 16, TRUE), 4);
    EXPECT_EQ(std::u16string(line), u"last");
    EXPECT_EQ(file.ReadLine(line, 16, TRUE), 0) << "end of file";
    EXPECT_EQ(file.ReadLine(nullptr, 16, TRUE), 0);

    // The ZString form keeps long lines whole and assigns only on a count.
    file.Seek(0, FILE_BEGIN);
    ZString text;
    EXPECT_EQ(file.ReadLine(text, TRUE), 4);
    EXPECT_EQ(text.ToU16(), u"abc");
    EXPECT_EQ(file.ReadLine(text, TRUE), 0);
    EXPECT_EQ(text.ToU16(), u"abc") << "not assigned for an empty line";
    file.ReadLine(text, TRUE);
    EXPECT_EQ(file.ReadLine(text, TRUE), 500);
    EXPECT_EQ(text.ToU16(), std::u16string(500, u'x'));
}

TEST(ZFile, LineReadingHandsBackItsReadAhead)
{
    // After ReadLine, Read, Seek, Write and Truncate act at the position just
    // after the line, not at the end of what was read ahead.
    TempHome home;
    Put(home.file("mixed.txt"), "one\ntwo\nthree\n");
    ZFile file;
    ASSERT_TRUE(file.Open(PathOf(home.file("mixed.txt")), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, 0));
    ZString line;
    file.ReadLine(line, TRUE);
    EXPECT_EQ(file.Seek(0, FILE_CURRENT), 4);
    char buffer[4] = {};
    EXPECT_EQ(file.Read(buffer, 3), 3);
    EXPECT_STREQ(buffer, "two");
    EXPECT_EQ(file.ReadByte(), '\n');
    EXPECT_EQ(file.Write("THREE", 5), 5u);
    file.Seek(0, FILE_BEGIN);
    file.ReadLine(line, TRUE);
    EXPECT_TRUE(file.Truncate());
    file.Close();
    EXPECT_EQ(Contents(home.file("mixed.txt")), "one\n");
}

TEST(ZFile, SizeFailureShowsTheIoErrorBox)
{
    RecordingUiHooks recorder;
    ScopedUiHooks scope(recorder);
    ZFile file;
    EXPECT_EQ(file.Size(), 0u);
    std::vector<UiCall> boxes = recorder.Calls(UiCall::Kind::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, u"Error 6 occured during GetFileSize.");
    EXPECT_EQ(boxes[0].caption, u"IO Error");
    EXPECT_EQ(boxes[0].flags, UINT(MB_SETFOREGROUND));
    EXPECT_EQ(boxes[0].owner, nullptr);

    TempHome home;
    ASSERT_TRUE(file.Open(PathOf(home.file("empty")), GENERIC_WRITE, 0, CREATE_NEW, 0));
    EXPECT_EQ(file.Size(), 0u);
    EXPECT_EQ(recorder.Count(UiCall::Kind::MessageBox), 1u) << "an empty file is no failure";
}

TEST(AtomicFileWriter, ReplacesWholeOrLeavesTheTargetAlone)
{
    TempHome home;
    std::filesystem::path target = home.file("journal.ksk");
    Put(target, "old content");
    auto onlyTarget
        = [&] { return std::distance(std::filesystem::directory_iterator(home.path()), {}) == 1; };

    {
        AtomicFileWriter writer(PathOf(target));
        ASSERT_TRUE(writer.Open());
        EXPECT_FALSE(writer.Open()) << "already open";
        writer.File().Write("half", 4);
        EXPECT_EQ(Contents(target), "old content");
        // Going out of scope without Commit drops the temporary file.
    }
    EXPECT_EQ(Contents(target), "old content");
    EXPECT_TRUE(onlyTarget());

    AtomicFileWriter writer(PathOf(target));
    ASSERT_TRUE(writer.Open());
    EXPECT_EQ(std::filesystem::path(writer.TempPath().ToUtf8()).parent_path(), home.path());
    writer.File().WriteText(u"new content");
    EXPECT_TRUE(writer.Commit());
    EXPECT_EQ(Contents(target), "new content");
    EXPECT_TRUE(onlyTarget());
    EXPECT_FALSE(writer.Commit()) << "nothing left to commit";

    AtomicFileWriter nowhere(PathOf(home.file("missing/folder/x.ksk")));
    EXPECT_FALSE(nowhere.Open());
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}
