#include "DbKestrin.h"

#include "CeDatabase.h"
#include "DataFaultPoints.h"
#include "DbTmp.h"
#include "JournalProps.h"
#include "LastError.h"
#include "ObjectStore.h"
#include "PackedLists.h"
#include "RecordProps.h"
#include "StoreBatch.h"
#include "UiHooks.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

constexpr const WCHAR* kDbName = u"Kestrin";
// The journal opens in whichever of these its single sort order is.
constexpr std::array<CEPROPID, 10> kSortProps = {
    PROPID_DATE,
    PROPID_SUBJECT,
    PROPID_CATEGORIES,
    PROPID_TYPE,
    PROPID_PRIORITY,
    PROPID_SENSITIVITY,
    PROPID_DURATION,
    PROPID_CONTACTS,
    PROPID_ATTACHMENT,
    PROPID_COMPANY,
};
constexpr const WCHAR* kSortErrorCaption = u"Database Error";
constexpr const WCHAR* kInUseText = u"Database Inuse by another process\nOperation halted!";
constexpr const WCHAR* kDiskFullText = u"Disk Full\nOperation halted!";
constexpr DWORD kNoRow = 0xFFFFFFFF;

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool SameText(LPCWSTR a, LPCWSTR b)
{
    if (a == nullptr || b == nullptr)
        return false;
    return std::u16string_view(a) == std::u16string_view(b);
}

const CEBLOB kEmptyBlob { 0, nullptr };

} // namespace

void DbKestrin::NotifyRelay::OnDbNotify(UINT code, CEOID oid)
{
    m_owner.InvalidateRows();
    if (auto* next = static_cast<DbNotifyTarget*>(target))
        next->OnDbNotify(code, oid);
}

DbKestrin::DbKestrin()
    : m_relay(*this)
{
}

DbKestrin::~DbKestrin()
{
    m_relx.Close();
    ZCeDbase::Close();
}

BOOL DbKestrin::Open(HWND notifyWindow)
{
    InvalidateRows();
    m_relay.target = notifyWindow;
    if (!m_relx.Open(notifyWindow))
        return 0;
    if (!Exists(kDbName)) {
        SORTORDERSPEC byDate { PROPID_DATE, CEDB_SORT_DESCENDING };
        if (!Create(kDbName, kDbType, 1, &byDate))
            return 0;
    }
    return OpenJournal(AsNotifyWindow(&m_relay));
}

BOOL DbKestrin::OpenJournal(HWND notifyWindow)
{
    int busy = m_busy;
    m_busy = 0;
    BOOL opened = FALSE;
    for (CEPROPID sortProp : kSortProps)
        if ((opened = OpenDb(kDbName, sortProp, 0, notifyWindow)))
            break;
    m_busy = busy;
    return opened ? 1 : 0;
}

BOOL DbKestrin::Close()
{
    InvalidateRows();
    if (!m_relx.Close())
        return FALSE;
    return ZCeDbase::Close();
}

BOOL DbKestrin::Delete()
{
    if (!m_relx.DeleteDb(0))
        return FALSE;
    // Close the journal itself: the Close override would stop at the
    // relation index, which is gone already, and leave the journal open.
    CEOID oid = GetOid();
    ZCeDbase::Close();
    InvalidateRows();
    return DeleteDb(oid);
}

CEOID DbKestrin::Read(CEOID oid, ZJITEMS* set, BOOL applyFilter)
{
    if (set == nullptr)
        return 0;
    CEOID read = DbTmp::ReadRecord(*this, oid, set);
    if (read != 0 && applyFilter && !InFilter(set)) {
        set->Empty();
        return 0;
    }
    return read;
}

CEOID DbKestrin::Write(CEOID oid, ZJITEMS* set)
{
    if (set == nullptr)
        return 0;
    ObjectStoreTransaction transaction;
    CEOID written = DbTmp::WriteRecord(*this, oid, set);
    if (written == 0)
        return 0;
    DataFaultPoint(DataFault::AfterEntryWrite);
    if (const DbJItem* categories = set->GetItem(PROPID_CATEGORIES))
        AddCatReferences(written, categories->GetBlob());
    if (const DbJItem* contacts = set->GetItem(PROPID_CONTACTS))
        AddContactReferences(written, contacts->GetBlob());
    if (!CommitBatch(transaction))
        return 0;
    m_index.Put(*this, written, *set);
    NoteOwnChange();
    return written;
}

CEOID DbKestrin::WriteEntryRecord(CEOID oid, ZJITEMS* set)
{
    if (set == nullptr)
        return 0;
    CEOID written = DbTmp::WriteRecord(*this, oid, set);
    if (written == 0)
        return 0;
    m_index.Put(*this, written, *set);
    NoteOwnChange();
    return written;
}

CEOID DbKestrin::GetFlags(CEOID oid, DWORD* out)
{
    CEOID found = SeekOid(oid);
    if (found != oid || oid == 0)
        return found;
    RecordProps props;
    CEOID read = props.Read(*this, { PROPID_ENTRYFLAGS });
    if (read != 0 && out != nullptr) {
        const CEPROPVAL* flags = props.Find(PROPID_ENTRYFLAGS);
        *out = flags ? flags->val.uiVal : 0;
    }
    return read;
}

CEOID DbKestrin::SetFlags(CEOID oid, DWORD value)
{
    CEOID found = SeekOid(oid);
    if (found != oid || oid == 0)
        return found;
    CEPROPVAL flags = EmptyProp();
    flags.propid = PROPID_ENTRYFLAGS;
    flags.val.uiVal = static_cast<USHORT>(value);
    CEOID written = WriteProps(oid, 1, &flags);
    NoteOwnChange();
    return written;
}

int DbKestrin::AddContactReferences(CEOID entry, const CEBLOB* contacts)
{
    if (entry == 0)
        return 0;
    std::vector<DbAItem> items;
    UnpackContacts(contacts ? *contacts : kEmptyBlob, items);
    if (items.empty())
        items.emplace_back(0, NONE_NAME);
    for (const DbAItem& item : items)
        m_relx.IncContactUse(entry, &item);
    return 0;
}

int DbKestrin::DeleteContactReferences(CEOID entry)
{
    RecordProps props;
    if (props.ReadOid(*this, entry, { PROPID_CONTACTS }) == 0)
        return 0;
    const CEPROPVAL* contacts = props.Find(PROPID_CONTACTS);
    std::vector<DbAItem> items;
    UnpackContacts(contacts ? contacts->val.blob : kEmptyBlob, items);
    if (items.empty())
        items.emplace_back(0, NONE_NAME);
    for (const DbAItem& item : items)
        m_relx.DecContactUse(entry, &item);
    return 0;
}

int DbKestrin::AddCatReferences(CEOID entry, const CEBLOB* categories)
{
    if (entry == 0)
        return 0;
    std::vector<DbCItem> items;
    UnpackCategories(categories ? *categories : kEmptyBlob, items);
    if (items.empty())
        items.emplace_back(0, NONE_NAME);
    for (DbCItem& item : items)
        m_relx.IncCategoryUse(entry, &item);
    return 0;
}

int DbKestrin::DeleteCatReferences(CEOID entry)
{
    RecordProps props;
    if (props.ReadOid(*this, entry, { PROPID_CATEGORIES }) == 0)
        return 0;
    const CEPROPVAL* categories = props.Find(PROPID_CATEGORIES);
    std::vector<DbCItem> items;
    UnpackCategories(categories ? categories->val.blob : kEmptyBlob, items);
    if (items.empty())
        items.emplace_back(0, NONE_NAME);
    for (const DbCItem& item : items)
        m_relx.DecCategoryUse(entry, &item);
    return 0;
}

BOOL DbKestrin::DeleteEntry(CEOID oid)
{
    ObjectStoreTransaction transaction;
    DeleteContactReferences(oid);
    DeleteCatReferences(oid);
    DataFaultPoint(DataFault::BeforeEntryDelete);
    if (!DeleteRecord(oid))
        return FALSE;
    if (!CommitBatch(transaction))
        return FALSE;
    m_index.Remove(oid);
    NoteOwnChange();
    return TRUE;
}

int DbKestrin::SortByProp(SORTORDERSPEC* specs, WORD count)
{
    CEOID oid = GetOid();
    HWND window = m_relay.target;
    if (!Close())
        return 0;
    CEDBASEINFO info {};
    info.dwFlags = CEDB_VALIDSORTSPEC;
    info.wNumSortOrder = count;
    for (WORD i = 0; i < count && i < CEDB_MAXSORTORDER; ++i)
        info.rgSortSpecs[i] = specs[i];
    if (!CeSetDatabaseInfo(oid, &info)) {
        DWORD error = GetLastError();
        if (error != ERROR_SUCCESS && error != ERROR_INVALID_PARAMETER) {
            ZString text(ZString::ErrorText(error));
            if (text.IsEmpty() && error == ERROR_SHARING_VIOLATION)
                text = kInUseText;
            else if (text.IsEmpty() && error == ERROR_DISK_FULL)
                text = kDiskFullText;
            MessageBoxW(nullptr, text, kSortErrorCaption, MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
        }
    }
    Open(window);
    return 0;
}

DWORD DbKestrin::GetRecordType(CEOID oid)
{
    if (oid == 0)
        return KIND_ENTRY;
    RecordProps props;
    if (props.ReadOid(*this, oid, { PROPID_RECORDTYPE }) == 0)
        return KIND_ENTRY;
    const CEPROPVAL* kind = props.Find(PROPID_RECORDTYPE);
    return kind ? kind->val.ulVal : KIND_ENTRY;
}

DWORD DbKestrin::GetRecCount(DWORD kind)
{
    if (kind != KIND_ENTRY)
        return m_relx.GetCount(kind);
    if (!FilterActive()) {
        return GetRecordCount32();
    }
    if (ChangedElsewhere())
        m_index.Invalidate();
    return static_cast<DWORD>(Shown().size());
}

CEOID DbKestrin::GetRowOid(DWORD row)
{
    if (!FilterActive())
        return SeekIndex(row);
    const std::vector<CEOID>& rows = Shown();
    return row < rows.size() ? rows[row] : 0;
}

DWORD DbKestrin::GetRowIndex(CEOID oid)
{
    if (oid == 0)
        return kNoRow;
    if (!FilterActive())
        return SeekOid(oid) == oid ? GetOidIndex(oid) : kNoRow;
    const std::vector<CEOID>& rows = Shown();
    auto found = std::find(rows.begin(), rows.end(), oid);
    return found == rows.end() ? kNoRow : static_cast<DWORD>(found - rows.begin());
}

void DbKestrin::InvalidateRows()
{
    m_index.Invalidate();
}

const JournalIndex& DbKestrin::Facts()
{
    if (ChangedElsewhere())
        m_index.Invalidate();
    return Index();
}

const std::vector<CEOID>& DbKestrin::ShownRows()
{
    Facts();
    return Shown();
}

JournalIndex& DbKestrin::Index()
{
    if (!m_index.IsBuilt()) {
        m_index.Build(*this);
        NoteOwnChange();
    }
    return m_index;
}

const std::vector<CEOID>& DbKestrin::Shown()
{
    return Index().Rows(m_filter);
}

bool DbKestrin::ChangedElsewhere()
{
    CEOIDINFO info {};
    if (GetOid() == 0 || !CeOidGetInfo(GetOid(), &info))
        return true;
    DWORD count = CeGetRecordCount(GetHandle());
    ULONGLONG modified = Ticks(info.infDatabase.ftLastModified);
    bool changed = count != m_seenCount || modified != m_seenModified;
    m_seenCount = count;
    m_seenModified = modified;
    return changed;
}

BOOL DbKestrin::InFilter(const ZJITEMS* set) const
{
    if (set == nullptr)
        return m_filter.IsActive() ? 0 : 1;
    return m_filter.Passes(*set);
}

bool DbKestrin::AnyShown(const std::function<bool(const JournalIndex::Facts&)>& test)
{
    JournalIndex& index = Index();
    for (CEOID oid : Shown())
        if (const JournalIndex::Facts* facts = index.Find(oid); facts && test(*facts))
            return true;
    return false;
}

BOOL DbKestrin::HasTableValue(SHORT JournalIndex::Facts::*field, const WCHAR* (*text)(int), LPCWSTR wanted)
{
    // A field never set holds -1, which no table has.
    return AnyShown([&](const JournalIndex::Facts& facts) { return SameText(text(facts.*field), wanted); });
}

BOOL DbKestrin::HasTypes(LPCWSTR text)
{
    return HasTableValue(&JournalIndex::Facts::type, TypeText, text);
}
BOOL DbKestrin::HasPriority(LPCWSTR text)
{
    return HasTableValue(&JournalIndex::Facts::priority, PriorityText, text);
}
BOOL DbKestrin::HasSensitivity(LPCWSTR text)
{
    return HasTableValue(&JournalIndex::Facts::sensitivity, SensitivityText, text);
}

BOOL DbKestrin::HasCompany(LPCWSTR text)
{
    std::vector<char> matching = Index().Companies().Matching(text);
    return AnyShown([&](const JournalIndex::Facts& facts) { return matching[facts.company] != 0; });
}

BOOL DbKestrin::IsCompanyPresent(CEOID oid, LPCWSTR text)
{
    RecordProps props;
    if (props.ReadOid(*this, oid, { PROPID_COMPANY }) == 0)
        return FALSE;
    const CEPROPVAL* company = props.Find(PROPID_COMPANY);
    return company != nullptr && ZString(company->val.lpwstr).EqualsNoCase(text);
}

BOOL DbKestrin::IsNamePresent(CEOID oid, LPCWSTR name, CEPROPID field)
{
    ZJITEMS set;
    if (Read(oid, &set, TRUE) == 0)
        return FALSE;
    const DbJItem* item = set.GetItem(field);
    const CEBLOB& blob = item ? *item->GetBlob() : kEmptyBlob;
    std::vector<ZString> names;
    if (field == PROPID_CATEGORIES) {
        std::vector<DbCItem> items;
        UnpackCategories(blob, items);
        for (const DbCItem& category : items)
            names.push_back(category.GetName());
    } else {
        std::vector<DbAItem> items;
        UnpackContacts(blob, items);
        for (const DbAItem& contact : items)
            names.push_back(contact.GetName());
    }
    if (ZString(NONE_NAME).EqualsNoCase(name))
        return names.empty();
    return std::any_of(names.begin(), names.end(), [name](const ZString& n) { return n.EqualsNoCase(name); });
}

BOOL DbKestrin::IsCategoryPresent(CEOID oid, LPCWSTR name)
{
    return IsNamePresent(oid, name, PROPID_CATEGORIES);
}
BOOL DbKestrin::IsContactPresent(CEOID oid, LPCWSTR name)
{
    return IsNamePresent(oid, name, PROPID_CONTACTS);
}

BOOL DbKestrin::HasName(int flag, LPCWSTR name, const ZOidsProp* list, bool categories)
{
    JournalIndex& index = Index();
    const JournalIndex::Names& names = categories ? index.Categories() : index.Contacts();
    std::vector<char> matching = names.Matching(name);
    bool none = ZString(NONE_NAME).EqualsNoCase(name) != 0;
    auto has = [&](const JournalIndex::Facts& facts) {
        const std::vector<DWORD>& ids = categories ? facts.categories : facts.contacts;
        if (none)
            return ids.empty();
        return std::any_of(ids.begin(), ids.end(), [&](DWORD id) { return matching[id] != 0; });
    };
    if (flag == 0)
        return AnyShown(has);
    if (list == nullptr)
        return FALSE;
    return std::any_of(list->begin(), list->end(), [&](CEOID oid) {
        const JournalIndex::Facts* facts = index.Find(oid);
        return facts && index.Passes(*facts, m_filter) && has(*facts);
    });
}

BOOL DbKestrin::HasCategory(int flag, LPCWSTR name, const ZOidsProp* list)
{
    return HasName(flag, name, list, true);
}

BOOL DbKestrin::HasContacts(int flag, LPCWSTR name, const ZOidsProp* list)
{
    return HasName(flag, name, list, false);
}
