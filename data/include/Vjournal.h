#pragma once
// Vjournal: a journal entry as one iCalendar VJOURNAL, written and read with
// libical, so the journal can travel through calendar servers and other
// journal programs.
//
// The common properties carry what other programs show: SUMMARY (subject),
// DTSTART (date, written in UTC), DESCRIPTION (the note's plain text),
// CATEGORIES, CLASS (from sensitivity), PRIORITY (High 1, Normal 5, Low 9),
// CONTACT (one per contact, by name, the address book's UID as X-KESTRIN-UID
// parameter where known), ATTACH (a file URI). X-KESTRIN- properties carry
// the rest so two journals lose nothing between them: type, company,
// duration, the exact sensitivity and the whole note blob (rich text and
// handwriting) in base64. Properties this program does not know are kept
// as text and written back when the entry is written again.
//
// Reading trusts nothing: a file that is not iCalendar, a component without
// UID, or with a date that cannot be read is reported and left out. VEVENT
// and VTODO are read too (as Appointment and Task entries) when asked.
// Plain values and functions; any thread.

#include "CeDbTypes.h"
#include "WinTypes.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class ZJITEMS;

struct VjournalContact {
    std::u16string name;
    std::string uid; // the address book's UID, empty when unknown

    bool operator==(const VjournalContact&) const = default;
};

// The fields of one entry as they travel in a VJOURNAL.
struct VjournalEntry {
    std::string uid;
    std::u16string subject;
    ULONGLONG date = 0; // local ticks (ZTime)
    SHORT type = 6; // index in TypeText; Note
    std::u16string company;
    std::vector<std::u16string> categories;
    std::vector<VjournalContact> contacts;
    std::u16string attachment; // a path
    ULONGLONG duration = 0; // ticks; meaningful when hasDuration
    bool hasDuration = false;
    SHORT sensitivity = 0; // index in SensitivityText
    SHORT priority = 1; // index in PriorityText
    std::vector<BYTE> note; // the note blob (NoteBlob.h)
    long long lastModified = 0; // seconds since 1970, UTC; 0 unknown
    // Properties of other programs, each as iCalendar text, written back as
    // they were.
    std::vector<std::string> keptProperties;

    bool operator==(const VjournalEntry&) const = default;
};

// The address book's UID of a contact id (empty when unknown), and the id
// of a UID (0 when unknown).
using ContactUidOf = std::function<std::string(CEOID)>;
using ContactIdOf = std::function<CEOID(const std::string&)>;

// The fields of an entry's property set. uid, lastModified and
// keptProperties are left as they are; a contact's UID comes from
// `contactUid` when given, else from a contact of the same name `entry`
// held before.
void EntryFromSet(const ZJITEMS& set, VjournalEntry& entry, const ContactUidOf& contactUid = {});
// The same from the values of an entry record (`value` gives each field's
// value, or its no-value default).
void EntryFromValues(
    const std::function<CEPROPVAL(CEPROPID)>& value, VjournalEntry& entry, const ContactUidOf& contactUid = {});
// Fills a property set made by DbTmp::Initialize. Categories are stored by
// name with OID 0 (the journal links them when it writes the entry);
// contacts by name, with the id `contactId` finds for their UID (else 0).
void EntryToSet(const VjournalEntry& entry, ZJITEMS& set, const ContactIdOf& contactId = {});

// One VCALENDAR holding a VJOURNAL for each entry. `stamp` is DTSTAMP
// (seconds since 1970, UTC); an entry without lastModified takes it.
std::string WriteVcalendar(const std::vector<const VjournalEntry*>& entries, long long stamp);

struct VcalendarRead {
    std::vector<VjournalEntry> entries;
    // One line per component left out (and why); empty when all were read.
    std::vector<std::string> problems;
};
// Reads every VJOURNAL of an iCalendar text, and VEVENT / VTODO when
// `eventsAndTasks`. Never throws; bytes that are not UTF-8 are reported.
VcalendarRead ReadVcalendar(std::string_view bytes, bool eventsAndTasks);

// A fresh random UID.
std::string NewVjournalUid();
