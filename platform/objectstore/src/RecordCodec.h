#pragma once
// The stored form of a record and the conversions to and from the property
// arrays of the service.
//
// A stored record is: u32 property count, then per property u32 property id,
// u32 payload length and the payload, all little-endian. Payloads: 2 bytes
// for the 16-bit types, 4 for 32-bit integers and booleans, 8 for doubles and
// file times, the UTF-16LE code units (no terminator) for texts, the bytes for
// blobs. The length prefix on every payload lets a reader reject a damaged
// record instead of running off its end. Property order is the order in
// which the properties were first written.

#include "CeDbTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace objectstore {

// One property of a parsed record; the payload points into the record bytes.
struct PropView {
    CEPROPID id;
    std::span<const BYTE> payload;
};

// True when `type` is one of the nine value types.
bool IsValueType(WORD type);

// Parses stored bytes; false (and `out` unspecified) when they are malformed:
// truncated, a payload length that does not fit its type, an unknown type or a
// property id that repeats.
bool ParseRecord(std::span<const BYTE> bytes, std::vector<PropView>& out);

// Applies the values of one write to a record's properties: a value flagged
// CEDB_PROPDELETE removes that property, any other value replaces it in place
// or is appended. Returns ERROR_SUCCESS or ERROR_INVALID_PARAMETER for a value
// of an unknown type or a blob whose pointer is null while its length is not
// 0. A null text counts as "". `scratch` keeps the new payloads alive for as
// long as `props` points into it.
DWORD MergeValues(std::vector<PropView>& props, const CEPROPVAL* values, DWORD count,
    std::vector<std::vector<BYTE>>& scratch);

// The stored bytes of a property list.
std::vector<BYTE> SerializeRecord(const std::vector<PropView>& props);

// Bytes a read buffer needs for the given properties (null entries stand for
// requested properties the record lacks).
std::size_t ReadBufferSize(const std::vector<const PropView*>& props);
// Fills `buffer` (at least ReadBufferSize bytes) with a CEPROPVAL array
// followed by the texts and blobs it points to. A null entry gives a value
// with `missingIds[i]` and the CEDB_PROPNOTFOUND flag.
void FillReadBuffer(
    const std::vector<const PropView*>& props, const std::vector<CEPROPID>& ids, void* buffer);

// The UTF-16 text of a stored text payload.
std::u16string DecodeText(std::span<const BYTE> payload);

// Little-endian helpers shared by the stored formats.
std::uint64_t ReadLittleEndian(std::span<const BYTE> bytes);
void AppendLittleEndian(std::vector<BYTE>& out, std::uint64_t value, int bytes);

} // namespace objectstore
