// The integrity check: everything derived from the entries (relation index,
// the journal's category counters) is rebuilt from the entries themselves.
// The entries are saved to a safety copy, the derived data and any record
// that is not an entry are removed, and the safety copy is restored, which
// writes every entry again with its references.
//
// The destructive steps run in one store transaction: when restoring the
// safety copy fails, the journal is rolled back to where it was before the
// check, so a failed check never leaves the relation index empty.

#include "DbKestrin.h"

#include "CeDatabase.h"
#include "DbCats.h"
#include "JournalProps.h"
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
constexpr const char* kSafetyCopyName = "kssave-bkup.ksk";

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

} // namespace

int DbKestrin::Cleanup(BOOL silent, ZCProgress* progress, ZCStatic* status, ZString* error)
{
    if (error != nullptr)
        error->Empty();
    ZBackup backup(this, nullptr);
    if (!silent && MessageBoxW(nullptr, kQuestion, kCaption, MB_YESNO | MB_SETFOREGROUND) == IDYES)
        backup.Backup(progress);

    FilterSuspension suspended(m_filter);
    ShowStatus(status, kSaving);
    std::filesystem::path safetyPath = ObjectStore::DataFolder() / kSafetyCopyName;
    std::error_code ignored;
    std::filesystem::create_directories(safetyPath.parent_path(), ignored);
    ZString safetyCopy = ZString::FromUtf8(safetyPath.string());
    DWORD saved = backup.Backup(safetyCopy, progress);
    if (!backup.ErrorText().IsEmpty()) {
        // Without a safety copy nothing may be removed.
        Report(error, backup.ErrorText());
        ShowStatus(status, kStopped);
        return 0;
    }

    ObjectStoreTransaction transaction;
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
    std::filesystem::remove(safetyPath, ignored);
    InvalidateRows();
    ShowStatus(status, kComplete);
    return 0;
}
