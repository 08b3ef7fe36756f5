// The integrity check: everything derived from the entries (relation index,
// the journal's category counters) is rebuilt from the entries themselves.
// The entries are saved to a safety copy, the derived data and any record
// that is not an entry are removed, and the safety copy is restored, which
// writes every entry again with its references.
//
// The check holds the store's write lock from before its safety copy to its
// end, in one store transaction: no entry can be written between the copy
// and the rebuild (it would lose its references), writers of other
// processes wait for the check (it marks itself running, see
// IntegrityCheckMark), and when restoring the safety copy fails the journal
// is rolled back to where it was before the check, so a failed check never
// leaves the relation index empty.

#include "DbKestrin.h"

#include "CeDatabase.h"
#include "CheckLeftovers.h"
#include "DataFaultPoints.h"
#include "DbCats.h"
#include "JournalFind.h"
#include "JournalProps.h"
#include "LastError.h"
#include "ObjectStore.h"
#include "StoreBatch.h"
#include "UiHooks.h"
#include "ZBackup.h"
#include "ZCProgress.h"
#include "ZCStatic.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace {

constexpr const WCHAR* kQuestion
    = u"You are about to perform an integrity check on your data. It is strongly "
      u"recommended that you perform a backup first. Perform Backup?";
constexpr const WCHAR* kCaption = u"Kestrin";
constexpr const WCHAR* kSaving = u"Saving System State...";
constexpr const WCHAR* kChecking = u"Checking Records...";
constexpr const WCHAR* kRemoving = u"Removing Old References...";
constexpr const WCHAR* kRefreshing = u"Refreshing Data...";
constexpr const WCHAR* kComplete = u"Successfully Complete!";
constexpr const WCHAR* kStopped = u"Integrity check stopped: nothing was changed.";
constexpr const WCHAR* kAlreadyRunning
    = u"An integrity check is running already; try again when it has ended.";
constexpr const WCHAR* kReadOnly = u"The journal is read-only: the integrity check cannot change it.";
constexpr const WCHAR* kNoLock = u"The journal could not be locked for the integrity check: ";

void ShowStatus(ZCStatic* status, LPCWSTR text)
{
    if (status == nullptr)
        return;
    status->SetText(text);
    status->Update();
}

void StartPass(ZCProgress* progress, DWORD count)
{
    if (progress != nullptr && count != 0)
        progress->SetRange32(0, static_cast<int>(count));
}

void Advance(ZCProgress* progress, DWORD done)
{
    if (progress != nullptr)
        progress->SetPos(static_cast<int>(done));
}

// Every entry takes part in the check, also those an active filter hides;
// the filter is put back when the check ends.
class FilterSuspension {
public:
    explicit FilterSuspension(ZFilter& filter)
        : m_filter(filter)
        , m_active(filter.IsActive())
    {
        if (m_active)
            m_filter.SetActive(FALSE);
    }
    ~FilterSuspension()
    {
        if (m_active)
            m_filter.SetActive(m_active);
    }
    FilterSuspension(const FilterSuspension&) = delete;
    FilterSuspension& operator=(const FilterSuspension&) = delete;

private:
    ZFilter& m_filter;
    BOOL m_active;
};

void Report(ZString* error, LPCWSTR text)
{
    if (error != nullptr)
        error->Assign(text);
}

// Told once: the copy now has a name no later check writes to.
void ReportKeptSafetyCopy(const std::filesystem::path& kept)
{
    if (kept.empty())
        return;
    const ZString text = ZString::FromUtf8(
        "An earlier integrity check did not finish; its safety copy of the journal was kept as "
        + kept.string() + ".");
    MessageBoxW(nullptr, text, kCaption, MB_OK | MB_ICONINFORMATION);
}

} // namespace

int DbKestrin::Cleanup(BOOL silent, ZCProgress* progress, ZCStatic* status, ZString* error)
{
    if (error != nullptr)
        error->Empty();
    ZBackup backup(this, nullptr);
    if (!silent && MessageBoxW(nullptr, kQuestion, kCaption, MB_YESNO | MB_SETFOREGROUND) == IDYES)
        backup.Backup(progress);

    if (ObjectStore::IsReadOnly()) {
        Report(error, kReadOnly);
        return 0;
    }
    IntegrityCheckMark running;
    if (!running.Held()) {
        Report(error, kAlreadyRunning);
        return 0;
    }
    RemoveInterruptedCheckFiles();
    ReportKeptSafetyCopy(KeepLeftSafetyCopy());

    FilterSuspension suspended(m_filter);
    ObjectStoreTransaction transaction;
    if (!transaction.IsActive()) {
        ZString text(kNoLock);
        text.Append(ZString::ErrorText(GetLastError()));
        Report(error, text);
        return 0;
    }
    ShowStatus(status, kSaving);
    std::filesystem::path safetyPath = SafetyCopyPath();
    ZString safetyCopy = ZString::FromUtf8(safetyPath.string());
    DWORD saved = backup.Backup(safetyCopy, progress);
    if (!backup.ErrorText().IsEmpty()) {
        // Without a safety copy nothing may be removed.
        Report(error, backup.ErrorText());
        ShowStatus(status, kStopped);
        return 0;
    }
    DataFaultPoint(DataFault::AfterSafetyCopy);

    ShowStatus(status, kChecking);
    DWORD relations = m_relx.GetRecordCount32();
    StartPass(progress, relations);
    DWORD removed = 0;
    for (CEOID oid = m_relx.SeekFirst(); oid != 0; oid = m_relx.SeekFirst()) {
        if (!m_relx.DeleteRecord(oid))
            break;
        Advance(progress, ++removed);
    }
    DbCats categories;
    if (categories.Open(nullptr)) {
        categories.ClearCategoryCounts(PROPID_CATCOUNT_JOURNAL);
        categories.Close();
    }

    ShowStatus(status, kRemoving);
    StartPass(progress, GetRecordCount32());
    std::vector<CEOID> strangers;
    DWORD walked = 0;
    for (CEOID oid = SeekFirst(); oid != 0; oid = SeekNext()) {
        if (GetRecordType(oid) != KIND_ENTRY)
            strangers.push_back(oid);
        Advance(progress, ++walked);
    }
    for (CEOID oid : strangers)
        CeDeleteRecord(GetHandle(), oid);

    ShowStatus(status, kRefreshing);
    DWORD restored = saved == 0 ? 0 : backup.Restore(safetyCopy, nullptr);
    bool complete = restored == saved && !backup.LastRestore().damaged && !backup.LastRestore().writeFailed;
    if (!complete || !CommitBatch(transaction)) {
        if (transaction.IsActive())
            transaction.Rollback();
        InvalidateRows();
        Report(error,
            backup.ErrorText().IsEmpty()
                ? u"The entries could not be written back; the journal was left as it was."
                : backup.ErrorText().Text());
        ShowStatus(status, kStopped);
        // The safety copy stays for a later look.
        return 0;
    }
    std::error_code ignored;
    std::filesystem::remove(safetyPath, ignored);
    // The search index is derived from the entries too; a failure leaves
    // find walking the records, which answers the same.
    PrepareFindIndex(*this, true);
    InvalidateRows();
    // A copy of the store file taken after the check holds all of it.
    ObjectStore::Checkpoint();
    ShowStatus(status, kComplete);
    return 0;
}
