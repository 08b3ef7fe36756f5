#include "SearchIndexWindow.h"

#include "JournalFind.h"
#include "ProgressWindow.h"

bool PrepareSearchIndex(QWidget* owner, DbKestrin& journal)
{
    if (FindIndexReady(journal))
        return true;
    if (!ProgressWindow::Worth(journal.GetRecordCount32()))
        return PrepareFindIndex(journal);
    ProgressWindow shown(
        owner, QStringLiteral("Find"), QStringLiteral("Preparing the search of %L1 entries...").arg(journal.GetRowCount()));
    return PrepareFindIndex(journal, false, &shown.Progress());
}
