#include "ZBackup.h"

#include "AtomicFileWriter.h"
#include "BackupRecord.h"
#include "DbTmp.h"
#include "EntryValues.h"
#include "FileFlags.h"
#include "LocalHeap.h"
#include "ObjectStore.h"
#include "ReferenceBatch.h"
#include "StoreBatch.h"
#include "UiHooks.h"

#include <atomic>
#include <cstdio>
#include <optional>
#include <string>
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

} // namespace

BackupFileChooser* InstallBackupFileChooser(BackupFileChooser* chooser)
{
    return g_chooser.exchange(chooser);
}

// Writes decoded records into the journal, batch by batch (see the header).
class ZBackup::Restorer {
public:
    Restorer(DbKestrin& journal, ZBackup& file, const ZStream& stream)
        : m_journal(journal)
        , m_file(file)
        , m_stream(stream)
        , m_refs(journal)
    {
    }

    // Writes one record; false when the store refused it (the batch is void).
    bool Put(BackupRecord& record)
    {
        if (!m_transaction)
            m_transaction.emplace();
        CEOID stored = record.oid;
        bool exists = stored != 0 && m_journal.SeekOid(stored) == stored;
        if (exists)
            m_refs.RemoveEntry(stored);
        CEOID written = DbTmp::WriteRecord(m_journal, exists ? stored : 0, &record.set);
        if (written == 0) {
            Abandon();
            return false;
        }
        m_refs.AddEntry(written, record.set);
        if (exists) {
            ++m_pending.refreshed;
        } else {
            ++m_pending.reinserted;
            m_patches.emplace_back(record.oidOffset, written);
        }
        ++m_pending.read;
        return true;
    }

    // Ends the batch: references, commit, then the OID patches. False when
    // the batch could not be committed (nothing of it is in the journal).
    bool Commit()
    {
        if (!m_transaction)
            return true;
        bool ok = m_refs.Flush() && CommitBatch(*m_transaction);
        if (!ok) {
            Abandon();
            return false;
        }
        m_transaction.reset();
        if (!m_patches.empty())
            m_file.WritePatches(m_stream, m_patches);
        m_patches.clear();
        m_done.read += m_pending.read;
        m_done.refreshed += m_pending.refreshed;
        m_done.reinserted += m_pending.reinserted;
        m_pending = {};
        return true;
    }

    DWORD InBatch() const { return m_pending.read; }
    const RestoreCounts& Done() const { return m_done; }

private:
    void Abandon()
    {
        if (m_transaction && m_transaction->IsActive())
            m_transaction->Rollback();
        m_transaction.reset();
        m_refs.Clear();
        m_patches.clear();
        m_pending = {};
    }

    DbKestrin& m_journal;
    ZBackup& m_file;
    const ZStream& m_stream;
    ReferenceBatch m_refs;
    std::optional<ObjectStoreTransaction> m_transaction;
    OidPatches m_patches;
    RestoreCounts m_pending;
    RestoreCounts m_done;
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

    ZStream out;
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
        if (count == 0) {
            out.WriteShort(static_cast<SHORT>(kMagic));
            out.WriteShort(static_cast<SHORT>(kVersion));
            out.WriteShort(0); // the count, set when it is known
        }
        EncodeBackupRecord(out, oid, props);
        ++count;
        if (out.Size() >= kWriteChunk || out.Failed())
            flush();
        if (progress != nullptr)
            progress->SetPos(static_cast<int>(count));
    }
    writeFailed = writeFailed || out.Failed();
    flush();
    if (count != 0 && !writeFailed) {
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
    m_counts = {};
    m_error.Empty();
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
    SHORT magic = 0;
    SHORT version = 0;
    if (size >= kHeaderSize) {
        stream.ReadShort(magic);
        stream.ReadShort(version);
    }
    if (size < kHeaderSize || static_cast<WORD>(magic) != kMagic || static_cast<WORD>(version) != kVersion) {
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
    m_counts = {};
    if (m_journal == nullptr || stream.Remaining() == 0)
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
    if (progress != nullptr && announced != 0)
        progress->SetRange32(0, static_cast<int>(announced));

    Restorer restorer(*m_journal, *this, stream);
    BackupRecordReader reader(stream);
    bool stopped = false;
    while (!reader.AtEnd()) {
        BackupRecord record;
        if (!reader.Next(record)) {
            m_counts.damaged = true;
            break;
        }
        if (!restorer.Put(record) || (restorer.InBatch() >= kRestoreBatch && !restorer.Commit())) {
            stopped = true;
            break;
        }
        if (progress != nullptr)
            progress->SetPos(static_cast<int>(restorer.Done().read + restorer.InBatch()));
    }
    if (!stopped && !restorer.Commit())
        stopped = true;
    m_journal->InvalidateRows();

    const RestoreCounts& done = restorer.Done();
    m_counts.read = done.read;
    m_counts.refreshed = done.refreshed;
    m_counts.reinserted = done.reinserted;
    m_counts.writeFailed = stopped;
    m_counts.countMismatch = !m_counts.damaged && !stopped && (reader.Count() & 0xFFFF) != announced;
    m_error.Empty();
    if (m_counts.damaged || m_counts.countMismatch || stopped)
        m_error = RestoreMessage();
    Show(RestoreMessage(), kRestoreCaption, MB_OK);
    return m_counts.read;
}

ZString ZBackup::RestoreMessage() const
{
    ZString text
        = Format("Restored %u record(s).\n\n%u existing record(s) refreshed.\n\n%u record(s) re-inserted.",
            m_counts.read, m_counts.refreshed, m_counts.reinserted);
    if (m_counts.damaged)
        text.Append(Format("\n\nThe backup file is damaged after record %u; the rest of it was not restored.",
            m_counts.read));
    else if (m_counts.countMismatch)
        text.Append(
            u"\n\nThe backup file holds a different number of records than its header says; it may have "
            u"been cut short.");
    if (m_counts.writeFailed)
        text.Append(u"\n\nThe journal could not store every record; restoring stopped.");
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
