#pragma once
// Sort keys: one byte string per record and sort order whose plain byte order
// (memcmp, shorter first on a common prefix) is the database's order for that
// property. SQLite compares BLOB columns exactly that way, so one index per
// sort slot serves every database whatever its flags, and the in-memory order
// index compares the same strings.
//
//   missing property     ""            (sorts before every present value, in
//                                       ascending and descending orders alike)
//   present              0x01 payload  (payload bytes inverted when descending)
//
// Payloads: integers big-endian with the sign bit flipped for signed types,
// doubles in their order-preserving bit form, file times as unsigned 64-bit,
// texts as UTF-8 (case-folded for case-insensitive orders, so folded-equal
// texts have equal keys and tie on the OID) ended by 0x00, blobs with 0x00
// escaped as 0x00 0xFF and ended by 0x00 0x00. Texts therefore order by
// Unicode code point (of the folded text when case-insensitive).

#include "CeDbTypes.h"
#include "RecordCodec.h"

#include <string>
#include <string_view>

namespace objectstore {

// The key of a stored property (null: the record lacks it).
std::string SortKeyOfStored(const SORTORDERSPEC& order, const PropView* value);
// The key of a value given by a caller (for value seeks).
std::string SortKeyOfValue(const SORTORDERSPEC& order, const CEPROPVAL& value);

// Whole-text case folding used for case-insensitive orders and for database
// names, as UTF-8.
std::string FoldedUtf8(std::u16string_view text);
std::string Utf8(std::u16string_view text);

} // namespace objectstore
