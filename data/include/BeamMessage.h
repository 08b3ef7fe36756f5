#pragma once
// The message two journals exchange when entries are beamed: built by the
// sender from its journal, decoded by the receiver from outside bytes, and
// stored by the receiver as new entries. Integers little-endian:
//   version  short  1
//   count    short  number of records that follow (read as 0..65535)
//   record × count: for each of the eleven entry fields in set order, the
//     field's property id (32-bit) and its value:
//       Type, Sensitivity, Priority      short (the stored index)
//       Date, Duration                   64-bit file time / length
//       Subject, Company, Attachment     u32 byte length + the text in the
//                                        system code page, no terminator
//       Note, Categories, Contacts       u32 byte length + the stored blob
//     An id that names no field carries no value.
// The layout is the handheld's, byte for byte, so a bridge can carry a
// message to or from one.
//
// The decoder trusts no length: each one is checked against the bytes left
// (and the packed lists inside the Categories and Contacts blobs are
// checked whole). A record that runs past the end ends the decoding; one
// whose content is unusable (a list that does not unpack, a text holding a
// NUL) is dropped and decoding goes on with the next. The count the sender
// wrote is the number of records it actually wrote.
//
// Storing matches the sender's categories to this journal's by name (a
// missing one is added to the shared categories) and clears the sender's
// contact ids, keeping the names, so contacts are found again by name; all
// entries are written in one store transaction or none is.
//
// Plain functions. Building and storing use the journal on the caller's
// thread; decoding touches no database and may run on any thread.

#include "DbKestrin.h"
#include "ZJITEMS.h"
#include "ZStream.h"

#include <vector>

inline constexpr SHORT kBeamVersion = 1;
// The most bytes a receiver takes in one message.
inline constexpr DWORD kBeamMessageCap = 64u * 1024 * 1024;
// The most records one message can count.
inline constexpr DWORD kBeamMaxRecords = 0xFFFF;

// Writes the message of `oids` (read with the filter applied; an entry that
// cannot be read is left out, as are those past kBeamMaxRecords) into `out`,
// which is emptied first. Returns the number of records written (the count
// in the message).
DWORD BuildBeamMessage(DbKestrin& journal, const std::vector<CEOID>& oids, ZStream& out);

// Appends the record of one entry's property set.
void EncodeBeamRecord(ZStream& out, const ZJITEMS& set);

struct BeamDecoded {
    enum class Outcome {
        Empty, // no bytes at all
        BadVersion, // a version other than 1: nothing is decoded
        Decoded, // the records below were decoded (possibly none)
    };
    Outcome outcome = Outcome::Empty;
    SHORT version = 0;
    // The count the message announced.
    DWORD announced = 0;
    // The whole records, in message order.
    std::vector<ZJITEMS> entries;
    // Records skipped because their content was unusable.
    DWORD dropped = 0;
    // The data ended (or broke) before the announced records were complete.
    bool truncated = false;
};

BeamDecoded DecodeBeamMessage(const BYTE* data, DWORD size);

// Writes `entries` as new entries of `journal` (categories matched by name,
// contact ids cleared) in one transaction. Returns how many were written: all
// of them, or 0 when any write failed (nothing is then stored).
DWORD StoreBeamedEntries(DbKestrin& journal, std::vector<ZJITEMS>& entries);
