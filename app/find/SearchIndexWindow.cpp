#include "SearchIndexWindow.h"

#include "JournalFind.h"
#include "ZCProgressBar.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// Journals up to this many records are indexed in well under a second.
constexpr DWORD kQuietRecords = 2000;

} // namespace

bool PrepareSearchIndex(QWidget* owner, DbKestrin& journal)
{
    if (FindIndexReady(journal))
        return true;
    const DWORD records = journal.GetRecordCount32();
    if (records <= kQuietRecords)
        return PrepareFindIndex(journal);

    QDialog window(owner);
    window.setObjectName(QStringLiteral("searchIndexWindow"));
    window.setWindowTitle(QStringLiteral("Find"));
    window.setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(
        QStringLiteral("Preparing the search of %L1 entries...").arg(journal.GetRowCount()), &window));
    ZCProgressBar progress;
    progress.Create({}, {}, &window, QStringLiteral("searchIndexProgress"));
    layout->addWidget(progress.GetHandle());
    window.show();
    // The window is drawn before the work starts; the bar repaints itself
    // as it moves.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return PrepareFindIndex(journal, false, &progress);
}
