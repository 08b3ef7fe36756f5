#include "ZCeDbase.h"

#include "LastError.h"
#include "LocalHeap.h"
#include "ObjectStore.h"
#include "UiHooks.h"
#include "ZString.h"
#include "ZTime.h"

#include <algorithm>
#include <string>

namespace {

// Keeps the caller's last error across a message box.
int ShowBox(LPCWSTR text, LPCWSTR caption, UINT flags)
{
    const DWORD error = GetLastError();
    const int answer = MessageBoxW(nullptr, text, caption, flags);
    SetLastError(error);
    return answer;
}

std::u16string Decimal(long long value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// The text of a refused sort change: the system's text for the error, else
// the fixed text for the errors a user can meet here.
ZString SortChangeText(DWORD error)
{
    ZString text(ZString::ErrorText(error));
    if (text.IsEmpty()) {
        if (error == ERROR_SHARING_VIOLATION)
            text = u"Database Inuse by another process\nOperation halted!";
        else if (error == ERROR_INVALID_PARAMETER)
            text = u"Invalid Parameter\nOperation halted!";
        else if (error == ERROR_DISK_FULL)
            text = u"Disk Full\nOperation halted!";
    }
    return text;
}

} // namespace

BOOL ZCeDbase::Create(LPCWSTR name, DWORD type, WORD numSortOrders, const SORTORDERSPEC* sortOrders)
{
    m_oid = CeCreateDatabase(name, type, numSortOrders, sortOrders);
    if (m_oid == 0) {
        ReportError(kSiteCreate, kUnit);
        return FALSE;
    }
    return TRUE;
}

BOOL ZCeDbase::OpenDb(LPCWSTR name, CEPROPID sortProp, DWORD flags, HWND notifyWindow)
{
    if (m_handle)
        CloseHandle(m_handle);
    m_notifyWindow = notifyWindow;
    CEOID oid = 0;
    HANDLE handle = CeOpenDatabase(&oid, name, sortProp, flags, notifyWindow);
    if (handle == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_INVALID_PARAMETER)
            ReportError(kSiteOpen, kUnit);
        m_handle = nullptr;
        m_oid = 0;
        m_notifyWindow = nullptr;
        return FALSE;
    }
    m_handle = handle;
    m_oid = oid;
    m_sortProp = sortProp;
    return TRUE;
}

BOOL ZCeDbase::Close()
{
    if (!m_handle || !CloseHandle(m_handle))
        return FALSE;
    m_handle = nullptr;
    m_notifyWindow = nullptr;
    m_oid = 0;
    return TRUE;
}

BOOL ZCeDbase::DeleteDb(CEOID oid)
{
    if (oid == 0) {
        oid = m_oid;
        Close();
    }
    const BOOL deleted = CeDeleteDatabase(oid);
    if (!deleted)
        ReportError(kSiteDelete, kUnit);
    return deleted;
}

BOOL ZCeDbase::SetSortOrder(const SORTORDERSPEC* sortOrders, WORD count)
{
    const CEOID oid = m_oid;
    const HWND window = m_notifyWindow;
    CEOIDINFO saved {};
    GetInfo(&saved);
    const CEPROPID previousSort = m_handle ? m_sortProp : saved.infDatabase.rgSortSpecs[0].propid;
    if (!Close())
        return FALSE;

    CEDBASEINFO change {};
    change.dwFlags = CEDB_VALIDSORTSPEC;
    change.wNumSortOrder = count;
    if (sortOrders)
        std::copy_n(sortOrders, std::min<WORD>(count, CEDB_MAXSORTORDER), change.rgSortSpecs);
    const LPCWSTR name = saved.infDatabase.szDbaseName;
    if (CeSetDatabaseInfo(oid, &change)) {
        if (const BOOL opened = OpenDb(name, count && sortOrders ? sortOrders[0].propid : 0, 0, window))
            return opened;
        ReportError(kSiteReopen, kUnit);
    } else {
        const ZString text = SortChangeText(GetLastError());
        ShowBox(text.Text() ? text.Text() : u"", u"Database Error", MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
    }
    OpenDb(name, previousSort, 0, window);
    return FALSE;
}

int ZCeDbase::GetSortOrders(SORTORDERSPEC* out)
{
    CEOIDINFO info {};
    if (!out || !GetInfo(&info))
        return 0;
    const WORD count = std::min<WORD>(info.infDatabase.wNumSortOrder, CEDB_MAXSORTORDER);
    std::copy_n(info.infDatabase.rgSortSpecs, count, out);
    return count;
}

BOOL ZCeDbase::Exists(LPCWSTR name)
{
    CEOID oid = 0;
    HANDLE handle = CeOpenDatabase(&oid, name, 0, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            ReportError(kSiteExists, kUnit);
        return FALSE;
    }
    CloseHandle(handle);
    return TRUE;
}

CEOID ZCeDbase::GetOid()
{
    return m_oid;
}

CEOID ZCeDbase::GetParentOid(CEOID oid)
{
    CEOIDINFO info {};
    if (oid != 0 && m_handle)
        CeOidGetInfo(oid, &info);
    else
        ReportError(kSiteParent, kUnit);
    return info.wObjType == OBJTYPE_RECORD ? info.infRecord.oidParent : 0;
}

BOOL ZCeDbase::GetInfo(CEOIDINFO* info)
{
    if (!m_oid || !m_handle) {
        ReportError(kSiteInfo, kUnit);
        return FALSE;
    }
    return CeOidGetInfo(m_oid, info);
}

int ZCeDbase::ReportError(WORD site, LPCWSTR unit)
{
    const std::u16string text = u"Error: " + Decimal(GetLastError()) + u"(" + Decimal(site) + u")\n"
        + (unit ? std::u16string(unit) : std::u16string());
    return ShowBox(text.c_str(), u"CE Database Error", MB_OK | MB_ICONEXCLAMATION);
}

CEOID ZCeDbase::SeekOid(CEOID oid)
{
    return CeSeekDatabase(m_handle, CEDB_SEEK_CEOID, oid, nullptr);
}

CEOID ZCeDbase::SeekIndex(DWORD index)
{
    return CeSeekDatabase(m_handle, CEDB_SEEK_BEGINNING, index, nullptr);
}

CEOID ZCeDbase::SeekFirst()
{
    return SeekIndex(0);
}

CEOID ZCeDbase::SeekCurrent()
{
    return CeSeekDatabase(m_handle, CEDB_SEEK_CURRENT, 0, nullptr);
}

CEOID ZCeDbase::SeekNext()
{
    return CeSeekDatabase(m_handle, CEDB_SEEK_CURRENT, 1, nullptr);
}

CEOID ZCeDbase::SeekPrev()
{
    return CeSeekDatabase(m_handle, CEDB_SEEK_CURRENT, DWORD(-1), nullptr);
}

CEOID ZCeDbase::SeekValueFirst(const CEPROPVAL* value)
{
    SeekFirst();
    return CeSeekDatabase(m_handle, CEDB_SEEK_VALUEFIRSTEQUAL, reinterpret_cast<DWORD_PTR>(value), nullptr);
}

CEOID ZCeDbase::SeekValueNext(CEOID start, const CEPROPVAL* value)
{
    if (start != 0)
        SeekOid(start);
    return CeSeekDatabase(m_handle, CEDB_SEEK_VALUENEXTEQUAL, reinterpret_cast<DWORD_PTR>(value), nullptr);
}

CEOID ZCeDbase::FindDay(CEPROPID prop, const ZTime& day)
{
    SeekFirst();
    return FindDayFrom(0, prop, day);
}

CEOID ZCeDbase::FindDayFrom(CEOID start, CEPROPID prop, const ZTime& day)
{
    if (start != 0 && (SeekOid(start) == 0 || SeekNext() == 0))
        return 0;
    LPBYTE buffer = nullptr;
    CEOID found = 0;
    do {
        WORD count = 1;
        const CEOID oid = ReadProps(&count, &prop, &buffer);
        const auto* value = reinterpret_cast<const CEPROPVAL*>(buffer);
        if (oid && count == 1 && !(value->wFlags & CEDB_PROPNOTFOUND)
            && TypeFromPropID(value->propid) == CEVT_FILETIME && ZTime(value->val.filetime).IsSameDay(day))
            found = oid;
    } while (!found && SeekNext());
    LocalFree(buffer);
    return found;
}

CEOID ZCeDbase::FindText(CEPROPID prop, LPCWSTR text, BOOL caseSensitive)
{
    SeekFirst();
    return FindTextFrom(0, prop, text, caseSensitive);
}

CEOID ZCeDbase::FindTextFrom(CEOID start, CEPROPID prop, LPCWSTR text, BOOL caseSensitive)
{
    if (start != 0 && (SeekOid(start) == 0 || SeekNext() == 0))
        return 0;
    // The store compares as the text class does (upper-cased code point by
    // code point, substring) and reads the texts without a property array
    // per record; a failure (no match, not a text property) is silent.
    return CeFindText(m_handle, prop, text, caseSensitive);
}

BOOL ZCeDbase::DeleteRecord(CEOID oid)
{
    SeekOid(oid);
    const BOOL deleted = CeDeleteRecord(m_handle, oid);
    if (!deleted)
        ReportError(kSiteDeleteRecord, kUnit);
    SeekFirst();
    return deleted;
}

int ZCeDbase::GetRecordCount()
{
    CEOIDINFO info {};
    return GetInfo(&info) ? info.infDatabase.wNumRecords : 0;
}

CEOID ZCeDbase::ReadProps(WORD* count, const CEPROPID* ids, LPBYTE* buffer)
{
    DWORD size = 0;
    const CEOID oid = CeReadRecordProps(m_handle, CEDB_ALLOWREALLOC, count, ids, buffer, &size);
    if (oid)
        return oid;
    switch (GetLastError()) {
    case ERROR_INVALID_PARAMETER:
        ReportError(kSiteReadParameter, kUnit);
        break;
    case ERROR_INSUFFICIENT_BUFFER:
    case ERROR_NO_DATA:
        ReportError(kSiteReadBuffer, kUnit);
        break;
    case ERROR_NO_MORE_ITEMS:
    case ERROR_KEY_DELETED:
        break;
    default:
        ReportError(kSiteRead, kUnit);
        break;
    }
    return 0;
}

CEOID ZCeDbase::WriteProps(CEOID oid, WORD count, const CEPROPVAL* values)
{
    const CEOID written = CeWriteRecordProps(m_handle, oid, count, values);
    if (!written)
        ReportError(kSiteWrite, kUnit);
    return written;
}

DWORD ZCeDbase::GetOidIndex(CEOID oid)
{
    DWORD index = 0xFFFFFFFF;
    CeSeekDatabase(m_handle, CEDB_SEEK_CEOID, oid, &index);
    return index;
}

HANDLE ZCeDbase::GetHandle()
{
    return m_handle;
}

DWORD ZCeDbase::GetRecordCount32()
{
    if (!m_oid || !m_handle) {
        ReportError(kSiteInfo, kUnit);
        return 0;
    }
    const DWORD count = CeGetRecordCount(m_handle);
    return count == 0xFFFFFFFF ? 0 : count;
}

BOOL ZCeDbase::RunBatch(const std::function<BOOL()>& work)
{
    ObjectStoreTransaction batch;
    if (!batch.IsActive()) {
        ReportError(kSiteBatchBegin, kUnit);
        return FALSE;
    }
    const BOOL result = work();
    if (!result)
        return FALSE;
    if (!batch.Commit()) {
        ReportError(kSiteBatchCommit, kUnit);
        return FALSE;
    }
    return result;
}
