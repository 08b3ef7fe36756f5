// What a file replaced as a whole becomes: written through a symbolic link to
// the file it names, with the old file's mode, private while it is written
// and in the data folder.

#include "AtomicFileWriter.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

void Put(const fs::path& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary) << text;
}

std::string Contents(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

unsigned ModeOf(const fs::path& file)
{
    struct stat info { };
    return ::stat(file.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Replaces `target` with `text`; true when committed.
bool Replace(const fs::path& target, const char16_t* text, unsigned* tempMode = nullptr)
{
    AtomicFileWriter writer(ZString::FromUtf8(target.string()));
    if (!writer.Open())
        return false;
    if (tempMode)
        *tempMode = ModeOf(writer.TempPath().ToUtf8());
    writer.File().WriteText(text);
    return writer.Commit();
}

class UmaskSetting {
public:
    explicit UmaskSetting(mode_t mask)
        : previous_(::umask(mask))
    {
    }
    ~UmaskSetting() { ::umask(previous_); }

private:
    mode_t previous_;
};

TEST(AtomicFileTarget, ALinkIsWrittenThroughToTheFileItNames)
{
    TempHome home;
    TempHome documents;
    const fs::path real = documents.file("journal.csv");
    Put(real, "old");
    const fs::path link = home.file("link.csv");
    fs::create_symlink(fs::relative(real, home.path()), link);
    const fs::path chained = home.file("chained.csv");
    fs::create_symlink("link.csv", chained);

    ASSERT_TRUE(Replace(chained, u"new"));
    EXPECT_TRUE(fs::is_symlink(chained));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ("new", Contents(real));
    // Nothing was left beside either the links or the file.
    EXPECT_EQ(2, std::distance(fs::directory_iterator(home.path()), {}));
    EXPECT_EQ(1, std::distance(fs::directory_iterator(documents.path()), {}));

    // A link to a file not made yet makes it.
    const fs::path dangling = home.file("dangling.csv");
    fs::create_symlink(documents.file("later.csv"), dangling);
    ASSERT_TRUE(Replace(dangling, u"first"));
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ("first", Contents(documents.file("later.csv")));
}

TEST(AtomicFileTarget, TheNewFileKeepsTheOldModeAndIsPrivateWhileWritten)
{
    TempHome elsewhere;
    TempHome documents; // made last: the data folder (KESTRIN_HOME)
    UmaskSetting umask(022);

    const fs::path readOnly = elsewhere.file("kept.ksk");
    Put(readOnly, "old");
    ::chmod(readOnly.c_str(), 0444);
    unsigned tempMode = 0;
    ASSERT_TRUE(Replace(readOnly, u"new", &tempMode));
    EXPECT_EQ(0600u, tempMode);
    EXPECT_EQ("new", Contents(readOnly));
    EXPECT_EQ(0444u, ModeOf(readOnly));

    const fs::path shared = elsewhere.file("shared.csv");
    Put(shared, "old");
    ::chmod(shared.c_str(), 0664);
    ASSERT_TRUE(Replace(shared, u"new"));
    EXPECT_EQ(0664u, ModeOf(shared));

    // New files: the usual rights outside the data folder, private inside.
    ASSERT_TRUE(Replace(elsewhere.file("fresh.csv"), u"x"));
    EXPECT_EQ(0644u, ModeOf(elsewhere.file("fresh.csv")));
    ASSERT_TRUE(Replace(documents.file("kssave-bkup.ksk"), u"x"));
    EXPECT_EQ(0600u, ModeOf(documents.file("kssave-bkup.ksk")));
}

} // namespace
