#pragma once
// The journal's shared vocabulary: the property ids of the eleven entry
// fields and of the other journal, relation and category properties, the
// kind codes, and the value tables that turn a stored index into the text a
// screen shows. Plain constants and pure lookups: no state, any thread.

#include "CeDbTypes.h"
#include "WinTypes.h"

#include <cstring>

// A property value with every byte zero and the given id. Write this rather
// than `CEPROPVAL v {}`: brace initialisation sets only the first member of
// the value union (two bytes), so a blob or file time read from it would be
// garbage on some compilers.
inline CEPROPVAL EmptyProp(CEPROPID id = 0)
{
    CEPROPVAL value;
    std::memset(&value, 0, sizeof value);
    value.propid = id;
    return value;
}

// The eleven entry fields, in the order every property set holds them.
inline constexpr CEPROPID PROPID_SUBJECT = 0x0066001F;
inline constexpr CEPROPID PROPID_DATE = 0x00650040;
inline constexpr CEPROPID PROPID_TYPE = 0x00690002;
inline constexpr CEPROPID PROPID_COMPANY = 0x006F001F;
inline constexpr CEPROPID PROPID_CATEGORIES = 0x00680041;
inline constexpr CEPROPID PROPID_CONTACTS = 0x006E0041;
inline constexpr CEPROPID PROPID_ATTACHMENT = 0x0070001F;
inline constexpr CEPROPID PROPID_DURATION = 0x006D0040;
inline constexpr CEPROPID PROPID_SENSITIVITY = 0x006C0002;
inline constexpr CEPROPID PROPID_PRIORITY = 0x006B0002;
inline constexpr CEPROPID PROPID_NOTE = 0x00670041;

// Journal record properties that are not fields of a property set.
inline constexpr CEPROPID PROPID_ENTRYFLAGS = 0x006A0012; // unsigned 16-bit, written by SetFlags
inline constexpr CEPROPID PROPID_RECORDTYPE = 0x00740013; // unsigned 32-bit kind code

// Relation index record properties.
inline constexpr CEPROPID PROPID_RELNAME = 0x0071001F; // contact or category name (the key)
inline constexpr CEPROPID PROPID_RELCOUNT = 0x00750002; // signed 16-bit use count
inline constexpr CEPROPID PROPID_RELOIDS = 0x00760041; // blob of entry OIDs
inline constexpr CEPROPID PROPID_RELKIND = PROPID_RECORDTYPE; // kind of the relation record

// Kind codes: a property id standing for a kind of record.
inline constexpr DWORD KIND_ENTRY = PROPID_DATE;
inline constexpr DWORD KIND_CONTACT = PROPID_CONTACTS;
inline constexpr DWORD KIND_CATEGORY = PROPID_CATEGORIES;

// The shared categories database's record properties.
inline constexpr CEPROPID PROPID_CATNAME = 0x4001001F;
inline constexpr CEPROPID PROPID_CATINDEX = 0x40020002;
inline constexpr CEPROPID PROPID_CATVISIBLE = 0x40030002;
inline constexpr CEPROPID PROPID_CATCOUNT_A = 0x40040002; // counters of the device's other applications
inline constexpr CEPROPID PROPID_CATCOUNT_B = 0x40050002;
inline constexpr CEPROPID PROPID_CATCOUNT_C = 0x40060002;
inline constexpr CEPROPID PROPID_CATCOUNT_JOURNAL = 0x43F00002; // the journal's own use counter

// Field flags of DbJItem.
inline constexpr WORD FIELD_SORTABLE = 0x0001; // the sort menu offers the field
inline constexpr WORD FIELD_EXPORT = 0x0100; // chosen for export

// Control type codes of the entry editor.
enum : int {
    CTRL_COMPANY = 1,
    CTRL_PICKER = 2, // Categories, Contacts, Attachment, Note
    CTRL_DATE = 5,
    CTRL_COMBO_EDIT = 6, // Subject, Duration
    CTRL_COMBO_LIST = 7, // Type, Sensitivity, Priority
    CTRL_PASSWORD = 9,
};

// The name that stands for "no contact" / "no category" in the relation
// index and in the filter's category list.
inline constexpr const WCHAR* NONE_NAME = u"None";

// The definition of one entry field.
struct EntryFieldDef {
    const WCHAR* label;
    CEPROPID propId;
    int ctrlType;
    WORD flags;
};

inline constexpr int ENTRY_FIELD_COUNT = 11;
// The eleven fields in set order.
extern const EntryFieldDef ENTRY_FIELDS[ENTRY_FIELD_COUNT];

// Value tables. Each returns the text of a stored index, or null when the
// index lies outside the table.
inline constexpr int TYPE_COUNT = 11;
inline constexpr int PRIORITY_COUNT = 3;
inline constexpr int SENSITIVITY_COUNT = 4;
inline constexpr int DURATION_CHOICE_COUNT = 19;
const WCHAR* TypeText(int index);
const WCHAR* PriorityText(int index);
const WCHAR* SensitivityText(int index);
const WCHAR* YesNoText(int index);
// The duration choices offered by the editor, "0 minutes" .. "2 days".
const WCHAR* DurationChoiceText(int index);

// The filter's bit of a month: 0 for index 0 (no month), January = 1 ...
// December = 2048; 0 outside 0..12.
DWORD MonthBit(int month);
