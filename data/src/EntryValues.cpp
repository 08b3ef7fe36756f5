#include "EntryValues.h"

#include "JournalProps.h"

CEPROPVAL EntryValue(const RecordProps& props, CEPROPID propId)
{
    if (const CEPROPVAL* value = props.Find(propId))
        return *value;
    CEPROPVAL none {};
    none.propid = propId;
    switch (propId & 0xFFFF) {
    case CEVT_I2:
        none.val.iVal = -1;
        break;
    case CEVT_LPWSTR:
        none.val.lpwstr = const_cast<LPWSTR>(u"");
        break;
    default:
        break;
    }
    return none;
}

bool IsEntryRecord(const RecordProps& props)
{
    const CEPROPVAL* kind = props.Find(PROPID_RECORDTYPE);
    return kind == nullptr || kind->val.ulVal == KIND_ENTRY;
}

bool PassesFilter(const ZFilter& filter, const RecordProps& props)
{
    if (!filter.IsActive())
        return true;
    CEPROPVAL date = EntryValue(props, PROPID_DATE);
    CEPROPVAL categories = EntryValue(props, PROPID_CATEGORIES);
    ULONGLONG ticks
        = (static_cast<ULONGLONG>(date.val.filetime.dwHighDateTime) << 32) | date.val.filetime.dwLowDateTime;
    return filter.Passes(ticks, &categories.val.blob) != 0;
}
