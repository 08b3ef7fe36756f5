#include "ZBackup.h"

#include "AtomicFileWriter.h"
#include "BackupRecord.h"
#include "DataFaultPoints.h"
#include "DbTmp.h"
#include "EntryValues.h"
#include "FileFlags.h"
#include "JournalFind.h"
#include "LocalHeap.h"
#include "ObjectStore.h"
#include "ReferenceBatch.h"
#include "StoreBatch.h"
#include "UiHooks.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

std::atomic<BackupFileChooser*> g_chooser { nullptr };

// The file is written in pieces of about this size, then synced once.
constexpr DWORD kWriteChunk = 1u << 20;

constexpr const WCHAR* kBackupCaption = u"Backup";
constexpr const WCHAR* kRestoreCaption = u"Kestrin";

ZString Format(const char* format, auto... args)
{
    char buffer[512];
    std::snprintf(buffer, sizeof(buffer), format, args...);
    return ZString::FromUtf8(buffer);
}

std::string Utf8(LPCWSTR text)
{
    return text ? ZString::AnsiBytes(text) : std::string();
}

// `text` followed by the text of the thread's last error.
std::u16string WithReason(const char16_t* text)
{
    ZString reason;
    reason.LastErrorText();
    return std::u16string(text) + (reason.IsEmpty() ? u"" : reason.Text());
}

// The header counts records modulo 65,536 (a 16-bit field): a restore that
// passes the end of the range has 65,536 more to go at most.
void MoveRestoreProgress(ZCProgress& progress, DWORD done)
{
    constexpr int kCountWrap = 0x10000;
    const int position = static_cast<int>(std::min<DWORD>(done, 0x7FFFFFFF));
    int high = progress.GetRange(FALSE, nullptr);
    if (position > high) {
        while (high < position && high <= 0x7FFFFFFF - kCountWrap)
            high += kCountWrap;
        progress.SetRange32(0, high);
    }
    progress.SetPos(position);
}


} // namespace

BackupFileChooser* InstallBackupFileChooser(BackupFileChooser* chooser)
{
    return g_chooser.exchange(chooser);
}

// Writes decoded records into the journal, one batch per store transaction.
//
// Only a record whose stored OID named an entry of the journal when the
// restore began is refreshed; the journal's OIDs are taken once, at the
// start. Every other record is re-inserted under a new OID: its stored OID
// may be one this restore handed to another record, a record of another
// database, an entry of another journal, or nothing at all.
//
// A batch goes in this order, so that a restore killed at any point and run
// again on the same file restores every record exactly once:
//   1. one OID per re-inserted record is reserved (ObjectStoreOidReservation:
//      its own commit, synced; no writer of any process gets these OIDs);
//   2. the records are written in a store transaction: refreshed ones under
//      their OIDs, re-inserted ones under the reserved OIDs, then the batch's
//      references;
//   3. the reserved OIDs are written into the file, which is synced;
//   4. the transaction is committed.
// Killed before 3: the file is as it was, the journal holds nothing of the
// batch. Killed between 3 and 4: the file names reserved OIDs that no record
// holds, so the next restore re-inserts those records and patches the file
// again. Killed after 4: the file names the new entries, which the next
// restore refreshes. (Patching after the commit instead would leave, when
// killed in between, a file whose old OIDs make the next restore insert the
// batch a second time.) A file that cannot be written is restored unpatched.
class ZBackup::Restorer {
public:
    Restorer(DbKestrin& journal, ZBackup& file, const ZStream& stream)
        : m_journal(journal)
        , m_file(file)
        , m_stream(stream)
        , m_refs(journal)
    {
        for (CEOID oid = journal.SeekFirst(); oid != 0; oid = journal.SeekNext())
            m_before.insert(oid);
    }

    // Writes one batch (steps above). False when it could not be kept:
    // nothing of it is in the journal and FailedRefresh() tells whether the
    // store refused to overwrite an entry.
    bool Write(std::vector<BackupRecord>& batch, ZCProgress* progress)
    {
        std::vector<bool> refresh(batch.size());
        DWORD inserts = 0;
        for (std::size_t i = 0; i < batch.size(); ++i) {
            refresh[i] = Refreshes(batch[i].oid);
            inserts += refresh[i] ? 0 : 1;
        }
        std::optional<ObjectStoreOidReservation> reserved;
        if (inserts != 0 && !reserved.emplace(inserts).IsActive())
            return false;

        ObjectStoreTransaction transaction;
        if (!transaction.IsActive())
            return false;
        OidPatches patches;
        RestoreCounts counts;
        for (std::size_t i = 0; i < batch.size(); ++i) {
            BackupRecord& record = batch[i];
            CEOID written = 0;
            if (refresh[i]) {
                m_refs.RemoveEntry(record.oid);
                written = DbTmp::WriteRecord(m_journal, record.oid, &record.set);
                if (written != record.oid) {
                    m_refusedOid = record.oid;
                    return Abandon(transaction);
                }
                ++counts.refreshed;
            } else {
                written = DbTmp::WriteRecord(m_journal, 0, &record.set);
                // The reserved OIDs come in order; anything else would make
                // the patched file name a record that is not this one.
                if (written == 0 || written != reserved->First() + static_cast<CEOID>(patches.size()))
                    return Abandon(transaction);
                patches.emplace_back(record.oidOffset, written);
                ++counts.reinserted;
            }
            m_refs.AddEntry(written, record.set);
            ++counts.read;
            if (progress != nullptr)
                MoveRestoreProgress(*progress, m_done.read + counts.read);
        }
        reserved.reset();
        if (!m_refs.Flush())
            return Abandon(transaction);
        DataFaultPoint(DataFault::RestoreBatchWritten);
        if (!patches.empty() && m_file.WritePatches(m_stream, patches))
            m_file.Sync();
        DataFaultPoint(DataFault::RestoreFilePatched);
        if (!CommitBatch(transaction))
            return Abandon(transaction);
        DataFaultPoint(DataFault::RestoreBatchCommitted);
        m_done.read += counts.read;
        m_done.refreshed += counts.refreshed;
        m_done.reinserted += counts.reinserted;
        return true;
    }

    const RestoreCounts& Done() const { return m_done; }
    // The entry whose refresh the store refused (0: none was refused).
    CEOID RefusedOid() const { return m_refusedOid; }

private:
    // An entry of the journal before the restore began. A record of another
    // kind under that OID (the integrity check removes such records) is not
    // an entry to overwrite.
    bool Refreshes(CEOID stored)
    {
        return stored != 0 && m_before.count(stored) != 0 && m_journal.GetRecordType(stored) == KIND_ENTRY;
    }

    bool Abandon(ObjectStoreTransaction& transaction)
    {
        if (transaction.IsActive())
            transaction.Rollback();
        m_refs.Clear();
        return false;
    }

    DbKestrin& m_journal;
    ZBackup& m_file;
    const ZStream& m_stream;
    ReferenceBatch m_refs;
    std::unordered_set<CEOID> m_before;
    RestoreCounts m_done;
    CEOID m_refusedOid = 0;
};

ZBackup::ZBackup(DbKestrin* journal, HWND owner)
    : m_journal(journal)
    , m_owner(owner)
{
}

ZBackup::~ZBackup() = default;

void ZBackup::Show(LPCWSTR text, LPCWSTR caption, UINT type) const
{
    if (m_owner != nullptr)
        MessageBoxW(m_owner, text, caption, type | MB_SETFOREGROUND);
}

DWORD ZBackup::Fail(LPCWSTR text, LPCWSTR path)
{
    std::string message = Utf8(text);
    std::size_t at = message.find("%s");
    if (at != std::string::npos)
        message.replace(at, 2, Utf8(path));
    m_error = ZString::FromUtf8(message);
    Show(m_error, kRestoreCaption, MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

ZString ZBackup::BackupMessage(DWORD count)
{
    return Format("%u Record(s) Backed Up", count);
}

DWORD ZBackup::Backup(ZCProgress* progress)
{
    BackupFileChooser* chooser = g_chooser.load();
    ZString path;
    if (chooser == nullptr || !chooser->ChooseBackupFile(m_owner, true, path) || path.IsEmpty())
        return 0;
    return Backup(path, progress);
}

DWORD ZBackup::Backup(LPCWSTR path, ZCProgress* progress)
{
    m_error.Empty();
    if (m_journal == nullptr || path == nullptr || *path == 0)
        return Fail(u"No backup file was given.", nullptr);
    AtomicFileWriter writer(path);
    if (!writer.Open())
        return Fail(WithReason(u"The backup file \"%s\" cannot be written: ").c_str(), path);
    ZFile& file = writer.File();

    DWORD expected = m_journal->GetRecCount(KIND_ENTRY);
    if (progress != nullptr && expected != 0)
        progress->SetRange32(0, static_cast<int>(expected));

    // The header even when no entry follows: an empty journal gives a
    // backup of no records, which restores as such.
    ZStream out;
    out.WriteShort(static_cast<SHORT>(kMagic));
    out.WriteShort(static_cast<SHORT>(kVersion));
    out.WriteShort(0); // the count, set when it is known
    DWORD count = 0;
    bool writeFailed = false;
    auto flush = [&] {
        if (out.Size() != 0 && file.Write(out.Data(), out.Size()) != out.Size())
            writeFailed = true;
        out.Free();
    };
    for (CEOID oid = m_journal->SeekFirst(); oid != 0 && !writeFailed; oid = m_journal->SeekNext()) {
        RecordProps props;
        // Records of other kinds are not entries (the integrity check
        // removes them) and must not come back as entries.
        if (props.Read(*m_journal) != oid || !IsEntryRecord(props)
            || !PassesFilter(m_journal->GetFilter(), props))
            continue;
        EncodeBackupRecord(out, oid, props);
        ++count;
        if (out.Size() >= kWriteChunk || out.Failed())
            flush();
        if (progress != nullptr)
            progress->SetPos(static_cast<int>(count));
    }
    writeFailed = writeFailed || out.Failed();
    flush();
    if (!writeFailed) {
        // Only the low 16 bits fit; readers read on until the data ends.
        BYTE header[2] = { static_cast<BYTE>(count), static_cast<BYTE>(count >> 8) };
        writeFailed = file.Seek(4, FILE_BEGIN) != 4 || file.Write(header, 2) != 2;
    }
    if (writeFailed || !writer.Commit())
        return Fail(
            WithReason(u"The backup file \"%s\" could not be written (the previous file is unchanged): ")
                .c_str(),
            path);
    // A copy of the store file taken now holds what was just saved.
    ObjectStore::Checkpoint();
    Show(BackupMessage(count), kBackupCaption, MB_OK);
    return count;
}

DWORD ZBackup::Restore(ZCProgress* progress)
{
    BackupFileChooser* chooser = g_chooser.load();
    ZString path;
    if (chooser == nullptr || !chooser->ChooseBackupFile(m_owner, false, path) || path.IsEmpty())
        return 0;
    return Restore(path, progress);
}

DWORD ZBackup::Restore(LPCWSTR path, ZCProgress* progress)
{
    ForgetLastRestore();
    if (m_journal == nullptr || path == nullptr || *path == 0)
        return Fail(u"No backup file was given.", nullptr);
    if (!ZFile::Exists(path))
        return Fail(u"The backup file \"%s\" does not exist.", path);
    if (IsOpen())
        Close();
    // Read and write: the OIDs of re-inserted entries are patched in the
    // file. A file that cannot be written is still restored, unpatched.
    if (!Open(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL)
        && !Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL))
        return Fail(WithReason(u"The backup file \"%s\" cannot be opened: ").c_str(), path);

    DWORD size = Size();
    ZStream stream;
    if (size != 0) {
        auto* buffer = static_cast<BYTE*>(LocalAlloc(LPTR, size));
        DWORD got = 0;
        while (buffer != nullptr && got < size) {
            int read = Read(buffer + got, size - got);
            if (read <= 0)
                break;
            got += static_cast<DWORD>(read);
        }
        if (buffer == nullptr || got != size) {
            LocalFree(buffer);
            Close();
            return Fail(u"The backup file \"%s\" cannot be read.", path);
        }
        stream.Attach(buffer, size);
    }
    if (size == 0) {
        Close();
        return Fail(u"The file \"%s\" is empty: it holds no backup.", path);
    }
    // Magic and version alone are enough to know a backup: one cut inside
    // its count is reported as a damaged backup, not as a foreign file.
    SHORT magic = 0;
    SHORT version = 0;
    if (size >= 4) {
        stream.ReadShort(magic);
        stream.ReadShort(version);
    }
    if (size < 4 || static_cast<WORD>(magic) != kMagic || static_cast<WORD>(version) != kVersion) {
        Close();
        return Fail(u"The file \"%s\" is not a Kestrin backup.", path);
    }
    DWORD restored = RestoreVersion01(stream, progress);
    // The store file alone holds the restored entries from here on.
    ObjectStore::Checkpoint();
    Sync();
    Close();
    return restored;
}

DWORD ZBackup::RestoreVersion01(ZStream& stream, ZCProgress* progress)
{
    ForgetLastRestore();
    if (m_journal == nullptr)
        return 0;
    if (stream.Remaining() < 2) {
        m_counts.damaged = true;
        m_error = u"The backup file ends inside its header.";
        Show(m_error, kRestoreCaption, MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    SHORT headerCount = 0;
    stream.ReadShort(headerCount);
    DWORD announced = static_cast<WORD>(headerCount);
    if (progress != nullptr)
        progress->SetRange32(0, static_cast<int>(announced));

    Restorer restorer(*m_journal, *this, stream);
    BackupRecordReader reader(stream);
    bool stopped = false;
    // A large restore leaves the search index behind and builds it afresh
    // at the end, several times faster than keeping it in step record by
    // record.
    bool indexSuspended = false;
    while (!reader.AtEnd() && !m_counts.damaged && !stopped) {
        std::vector<BackupRecord> batch;
        batch.reserve(std::min<std::size_t>(kRestoreBatch, 1024));
        while (batch.size() < kRestoreBatch && !reader.AtEnd()) {
            if (!reader.Next(batch.emplace_back())) {
                batch.pop_back();
                m_counts.damaged = true;
                m_damage = reader.NulInField();
                m_damagedRecord = reader.Count() + 1;
                break;
            }
        }
        if (!indexSuspended && batch.size() == kRestoreBatch && FindIndexReady(*m_journal))
            indexSuspended = SuspendFindIndex(*m_journal);
        stopped = !batch.empty() && !restorer.Write(batch, progress);
    }
    m_journal->InvalidateRows();
    if (indexSuspended)
        PrepareFindIndex(*m_journal, false, progress);

    const RestoreCounts& done = restorer.Done();
    m_counts.read = done.read;
    m_counts.refreshed = done.refreshed;
    m_counts.reinserted = done.reinserted;
    m_counts.writeFailed = stopped;
    m_counts.refusedOid = restorer.RefusedOid();
    // A file that ends right after a header announcing records was cut
    // short before its first record: damaged like a file cut inside one.
    m_counts.damaged = m_counts.damaged || (reader.Count() == 0 && announced != 0);
    m_counts.countMismatch = !m_counts.damaged && !stopped && (reader.Count() & 0xFFFF) != announced;
    if (m_counts.damaged || m_counts.countMismatch || stopped)
        m_error = RestoreMessage();
    Show(RestoreMessage(), kRestoreCaption, MB_OK);
    return m_counts.read;
}

void ZBackup::ForgetLastRestore()
{
    m_counts = {};
    m_damage.clear();
    m_damagedRecord = 0;
    m_error.Empty();
}

ZString ZBackup::RestoreMessage() const
{
    ZString text
        = Format("Restored %u record(s).\n\n%u existing record(s) refreshed.\n\n%u record(s) re-inserted.",
            m_counts.read, m_counts.refreshed, m_counts.reinserted);
    if (m_counts.damaged && m_counts.read == 0)
        text.Append(u"\n\nThe backup file is damaged before its first whole record; nothing was restored.");
    else if (m_counts.damaged)
        text.Append(Format("\n\nThe backup file is damaged after record %u; the rest of it was not restored.",
            m_counts.read));
    if (!m_damage.empty())
        text.Append(Format("\n\nRecord %u holds a NUL character inside its %s text; no entry text can "
                           "hold one.",
            m_damagedRecord, ZString::AnsiBytes(m_damage.c_str()).c_str()));
    else if (m_counts.countMismatch)
        text.Append(
            u"\n\nThe backup file holds a different number of records than its header says; it may have "
            u"been cut short.");
    if (m_counts.writeFailed)
        text.Append(u"\n\nThe journal could not store every record; restoring stopped.");
    if (m_counts.refusedOid != 0)
        text.Append(Format("\n\nThe journal refused to refresh its entry %u, so the records of that "
                           "batch were not kept.",
            m_counts.refusedOid));
    return text;
}

BOOL ZBackup::UpdateOid(DWORD offset, CEOID oid)
{
    BYTE bytes[4] = { static_cast<BYTE>(oid), static_cast<BYTE>(oid >> 8), static_cast<BYTE>(oid >> 16),
        static_cast<BYTE>(oid >> 24) };
    return WriteAt(offset, bytes, 4);
}

BOOL ZBackup::WriteAt(DWORD offset, const BYTE* bytes, DWORD count)
{
    if (!IsOpen())
        return FALSE;
    LONGLONG here = Seek(0, FILE_CURRENT);
    if (here < 0 || Seek(offset, FILE_BEGIN) != offset)
        return FALSE;
    BOOL written = Write(bytes, count) == count;
    Seek(here, FILE_BEGIN);
    return written;
}

BOOL ZBackup::WritePatches(const ZStream& stream, const OidPatches& patches)
{
    DWORD low = patches.front().first;
    DWORD high = patches.back().first + 4;
    if (!IsOpen() || high < low || high > stream.Size())
        return FALSE;
    std::vector<BYTE> stretch(stream.Data() + low, stream.Data() + high);
    for (const auto& [offset, oid] : patches)
        for (int b = 0; b < 4; ++b)
            stretch[offset - low + b] = static_cast<BYTE>(oid >> (8 * b));
    return WriteAt(low, stretch.data(), static_cast<DWORD>(stretch.size()));
}
