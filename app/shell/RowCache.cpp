#include "RowCache.h"

#include "JournalProps.h"
#include "Settings.h"
#include "ZJITEMS.h"
#include "ZTime.h"

#include <algorithm>

namespace {

ULONGLONG Ticks(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

} // namespace

QString RowCache::DateText(ULONGLONG ticks, const ZString& pattern)
{
    if (ticks == 0)
        return {};
    ZString text;
    // Without a known format the locale's own short date still tells the day.
    if (pattern.IsEmpty())
        ZTime(ticks).ShortDate(text);
    else
        ZTime(ticks).FormatDate(pattern, text);
    return text.ToQString();
}

RowCache::RowCache(DbKestrin& journal, ZRegistry& settings)
    : journal_(journal)
    , settings_(settings)
{
    ReadDatePattern();
}

void RowCache::ReadDatePattern()
{
    datePattern_ = Settings(settings_).DateFormatPattern();
}

void RowCache::Hint(int from, int to)
{
    ReadDatePattern();
    const int count = static_cast<int>(journal_.GetRowCount());
    if (from < 0 || to < from || from >= count)
        return;
    to = std::min(to, count - 1);
    const int wanted = std::clamp(to - from + 1, kWindowRows, kMaxWindowRows);

    if (to == count - 1 && to - from < kMaxWindowRows) {
        if (tail_.Count() > 0 && tail_.Holds(from))
            return;
        // The tail window always ends at the last row; reading back from
        // there keeps it useful while the view creeps up from the end.
        const int first = std::max(0, count - wanted);
        Fill(tail_, first, count - first);
        return;
    }
    if (main_.Count() > 0 && main_.Holds(from) && to <= main_.first + main_.Count())
        return;
    Fill(main_, from, std::min(wanted, count - from));
}

void RowCache::Fill(Window& window, int first, int count)
{
    window.first = first;
    window.rows.clear();
    window.rows.reserve(static_cast<std::size_t>(count));
    for (int index = first; index < first + count; ++index) {
        const CEOID oid = journal_.GetRowOid(static_cast<DWORD>(index));
        if (oid == 0)
            break; // the list is shorter than it was counted
        window.rows.push_back(ReadRow(oid));
    }
}

ListRow RowCache::ReadRow(CEOID oid)
{
    ++reads_;
    ListRow row;
    row.oid = oid;
    ZJITEMS set;
    if (journal_.Read(oid, &set, TRUE) != oid)
        return row;
    const DbJItem* date = set.GetItem(PROPID_DATE);
    const DbJItem* subject = set.GetItem(PROPID_SUBJECT);
    const DbJItem* type = set.GetItem(PROPID_TYPE);
    if (!date || !subject || !type)
        return row;
    row.dateText = DateText(Ticks(date->GetFileTime()), datePattern_);
    if (LPCWSTR text = subject->GetStrValue())
        row.subject = QString::fromUtf16(text);
    row.image = type->GetShort();
    return row;
}

ListRow RowCache::Row(int index)
{
    if (main_.Holds(index))
        return main_.rows[static_cast<std::size_t>(index - main_.first)];
    if (tail_.Holds(index))
        return tail_.rows[static_cast<std::size_t>(index - tail_.first)];
    if (index < 0)
        return {};
    if (index != directIndex_) {
        const CEOID oid = journal_.GetRowOid(static_cast<DWORD>(index));
        direct_ = oid != 0 ? ReadRow(oid) : ListRow {};
        directIndex_ = index;
    }
    return direct_;
}

CEOID RowCache::RowOid(int index)
{
    if (main_.Holds(index))
        return main_.rows[static_cast<std::size_t>(index - main_.first)].oid;
    if (tail_.Holds(index))
        return tail_.rows[static_cast<std::size_t>(index - tail_.first)].oid;
    return index < 0 ? 0 : journal_.GetRowOid(static_cast<DWORD>(index));
}

void RowCache::Clear()
{
    main_ = {};
    tail_ = {};
    directIndex_ = -1;
    // Rows read before the next hint take the date format in force now.
    ReadDatePattern();
}

bool RowCache::DeleteRow(int index)
{
    // The windows may overlap: each one that holds the row loses it, and a
    // window that starts after it moves up with the rows it holds.
    bool held = false;
    directIndex_ = -1;
    for (Window* window : { &main_, &tail_ }) {
        if (window->Holds(index)) {
            window->rows.erase(window->rows.begin() + (index - window->first));
            held = true;
        } else if (window->first > index) {
            --window->first;
        }
    }
    return held;
}

bool RowCache::UpdateRow(CEOID oid)
{
    bool found = false;
    directIndex_ = -1;
    for (Window* window : { &main_, &tail_ }) {
        for (ListRow& row : window->rows) {
            if (row.oid == oid) {
                row = ReadRow(oid);
                found = true;
            }
        }
    }
    if (!found)
        Clear();
    return found;
}
