#include "SyncCommand.h"

#include "JournalSync.h"
#include "ObjectStore.h"
#include "ProgramText.h"
#include "UiHooks.h"
#include "ZRegistry.h"
#include "ZString.h"

#include <QApplication>
#include <QCursor>

namespace SyncCommand {

namespace {

// At most this many skipped files are named; the rest are counted.
constexpr std::size_t kNamedProblems = 8;

std::u16string Number(int value)
{
    return ZString::FromUtf8(std::to_string(value)).ToU16();
}

} // namespace

std::filesystem::path Folder(ZRegistry& settings)
{
    ZString folder;
    settings.ReadZString(kOptionsSection, kFolderSetting, nullptr, folder);
    if (folder.IsEmpty())
        return ObjectStore::DataFolder() / "vdir";
    return std::filesystem::path(folder.ToUtf8());
}

std::u16string Summary(const SyncReport& report)
{
    std::u16string text = report.failed ? u"The sync did not finish; the next sync goes on from here.\n\n" : u"";
    text += u"Entries: " + Number(report.entriesAdded) + u" added, " + Number(report.entriesChanged)
        + u" changed, " + Number(report.entriesDeleted) + u" deleted.\nFiles: " + Number(report.filesWritten)
        + u" written, " + Number(report.filesDeleted) + u" deleted.";
    if (report.conflicts != 0)
        text += u"\nChanged on both sides (both kept): " + Number(report.conflicts) + u".";
    if (!report.problems.empty())
        text += u"\n\nSkipped:";
    for (std::size_t i = 0; i < report.problems.size() && i < kNamedProblems; ++i)
        text += u"\n" + ZString::FromUtf8(report.problems[i]).ToU16();
    if (report.problems.size() > kNamedProblems)
        text += u"\n... and " + Number(static_cast<int>(report.problems.size() - kNamedProblems)) + u" more.";
    return text;
}

bool Run(DbKestrin& journal, ZRegistry& settings, QWidget* window)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const SyncReport report = JournalSync(journal).Sync(Folder(settings));
    QApplication::restoreOverrideCursor();
    const std::u16string text = Summary(report);
    MessageBoxW(window, text.c_str(), kWindowTitle,
        (report.failed ? MB_ICONSTOP : MB_ICONINFORMATION) | MB_OK | MB_SETFOREGROUND);
    return report.entriesAdded + report.entriesChanged + report.entriesDeleted != 0;
}

} // namespace SyncCommand
