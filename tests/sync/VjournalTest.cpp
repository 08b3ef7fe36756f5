// An entry as a VJOURNAL and back: what other programs see, what two
// journals exchange without loss, and what a foreign or damaged file gives.

#include "DbTmp.h"
#include "JournalProps.h"
#include "NoteBlob.h"
#include "Vjournal.h"
#include "ZJITEMS.h"
#include "ZTime.h"

#include <gtest/gtest.h>

namespace {

ULONGLONG Local(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0)
{
    SYSTEMTIME time {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    return ZTime(time).Ticks();
}

VjournalEntry FullEntry()
{
    VjournalEntry entry;
    entry.uid = "entry-1@test";
    entry.subject = u"Call about the roof, r\u00e9sum\u00e9; a, b";
    entry.date = Local(2024, 3, 5, 14, 30) + 1234567; // sub-second part kept
    entry.type = 7; // Phone call
    entry.company = u"Harbour & Sons";
    entry.categories = { u"Business", u"Work, home" };
    entry.contacts = { { u"Dana Ortiz", "card-7" }, { u"Lee", "" } };
    entry.attachment = u"/home/me/Documents/roof plan & notes.pdf";
    entry.hasDuration = true;
    entry.duration = 90 * ZTime::kTicksPerMinute;
    entry.sensitivity = 1; // Personal: CLASS says PUBLIC, the X- property says Personal
    entry.priority = 2;
    // A note typed with carriage returns keeps its rich text and handwriting.
    entry.note = WriteNote(u"Line one\r\nline two", "<b>Line one</b><br>line two", { 1, 2, 3, 0, 255 });
    entry.lastModified = 1700000000;
    return entry;
}

// Field by field, so a failure names the field.
void ExpectSame(const VjournalEntry& a, const VjournalEntry& b)
{
    EXPECT_EQ(a.uid, b.uid);
    EXPECT_TRUE(a.subject == b.subject);
    EXPECT_EQ(a.date, b.date);
    EXPECT_EQ(a.type, b.type);
    EXPECT_TRUE(a.company == b.company);
    EXPECT_TRUE(a.categories == b.categories) << a.categories.size() << " vs " << b.categories.size();
    EXPECT_TRUE(a.contacts == b.contacts);
    EXPECT_TRUE(a.attachment == b.attachment);
    EXPECT_EQ(a.hasDuration, b.hasDuration);
    EXPECT_EQ(a.duration, b.duration);
    EXPECT_EQ(a.sensitivity, b.sensitivity);
    EXPECT_EQ(a.priority, b.priority);
    EXPECT_EQ(a.note, b.note);
    EXPECT_EQ(a.lastModified, b.lastModified);
    EXPECT_EQ(a.keptProperties, b.keptProperties);
}

} // namespace

TEST(Vjournal, EveryFieldSurvivesAFileAndAPropertySet)
{
    const VjournalEntry entry = FullEntry();
    const std::string text = WriteVcalendar({ &entry }, 1700000100);
    for (const char* expected : { "BEGIN:VJOURNAL", "UID:entry-1@test", "CLASS:PUBLIC", "PRIORITY:1",
             "CONTACT;X-KESTRIN-UID=card-7:Dana Ortiz", "X-KESTRIN-TYPE:Phone call",
             "X-KESTRIN-SENSITIVITY:Personal", "DTSTAMP:20231114T221500Z", "LAST-MODIFIED:20231114T221320Z",
             "ATTACH:file:///home/me/Documents/roof%20plan%20%26%20notes.pdf" })
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;

    const VcalendarRead read = ReadVcalendar(text, false);
    ASSERT_TRUE(read.problems.empty()) << read.problems[0];
    ASSERT_EQ(read.entries.size(), 1u);
    ExpectSame(read.entries[0], entry);

    ZJITEMS set;
    DbTmp::Initialize(&set);
    EntryToSet(read.entries[0], set);
    EXPECT_EQ(std::u16string(set.GetItem(PROPID_ATTACHMENT)->GetStrValue()),
        u"/home/me/Documents/roof plan && notes.pdf");
    VjournalEntry back = read.entries[0];
    back.contacts = { { u"Dana Ortiz", "card-7" } }; // the UID found again by name
    EntryFromSet(set, back);
    ExpectSame(back, entry);
}

TEST(Vjournal, ClassAndPriorityOfOtherProgramsMapToTheTables)
{
    const std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//x//y//EN\r\n"
                             "BEGIN:VJOURNAL\r\nUID:a\r\nCLASS:PRIVATE\r\nPRIORITY:3\r\nEND:VJOURNAL\r\n"
                             "BEGIN:VJOURNAL\r\nUID:b\r\nCLASS:CONFIDENTIAL\r\nPRIORITY:7\r\nEND:VJOURNAL\r\n"
                             "BEGIN:VJOURNAL\r\nUID:c\r\nCLASS:PUBLIC\r\nPRIORITY:0\r\nEND:VJOURNAL\r\n"
                             "END:VCALENDAR\r\n";
    const VcalendarRead read = ReadVcalendar(text, false);
    ASSERT_EQ(read.entries.size(), 3u);
    EXPECT_EQ(read.entries[0].sensitivity, 2);
    EXPECT_EQ(read.entries[0].priority, 2);
    EXPECT_EQ(read.entries[1].sensitivity, 3);
    EXPECT_EQ(read.entries[1].priority, 0);
    EXPECT_EQ(read.entries[2].sensitivity, 0);
    EXPECT_EQ(read.entries[2].priority, 1);
    // A file without X-KESTRIN- properties makes a Note.
    EXPECT_EQ(read.entries[0].type, 6);
}

// A journal entry written by hand the way RFC 5545 shows one.
TEST(Vjournal, HandWrittenJournalEntryImports)
{
    const std::string text = "BEGIN:VCALENDAR\r\n"
                             "VERSION:2.0\r\n"
                             "PRODID:-//Hand//Written//EN\r\n"
                             "BEGIN:VJOURNAL\r\n"
                             "UID:19970901T130000Z-123405@example.com\r\n"
                             "DTSTAMP:19970901T130000Z\r\n"
                             "DTSTART;VALUE=DATE:19970317\r\n"
                             "SUMMARY:Staff meeting minutes\r\n"
                             "CATEGORIES:Project,Meeting\r\n"
                             "DESCRIPTION:1. Staff meeting: budget reviewed\\, plans agreed.\\n\r\n"
                             " 2. Telephone call: a demo is promised by\r\n"
                             "  Friday.\r\n"
                             "END:VJOURNAL\r\n"
                             "END:VCALENDAR\r\n";
    const VcalendarRead read = ReadVcalendar(text, false);
    ASSERT_TRUE(read.problems.empty()) << read.problems[0];
    ASSERT_EQ(read.entries.size(), 1u);
    const VjournalEntry& entry = read.entries[0];
    EXPECT_EQ(entry.uid, "19970901T130000Z-123405@example.com");
    EXPECT_EQ(entry.subject, u"Staff meeting minutes");
    EXPECT_EQ(entry.date, Local(1997, 3, 17));
    EXPECT_EQ(entry.categories, (std::vector<std::u16string> { u"Project", u"Meeting" }));
    EXPECT_EQ(NotePlainText(entry.note.data(), entry.note.size()),
        u"1. Staff meeting: budget reviewed, plans agreed.\n2. Telephone call: a demo is promised by Friday.");
    EXPECT_TRUE(entry.keptProperties.empty());
}

TEST(Vjournal, ForeignPropertiesAndForeignEditsAreKept)
{
    VjournalEntry entry = FullEntry();
    std::string text = WriteVcalendar({ &entry }, 1700000100);
    // Another program adds properties of its own and rewrites the text.
    const std::string description = "DESCRIPTION:Line one\\nline two";
    const std::size_t at = text.find(description);
    ASSERT_NE(at, std::string::npos) << text;
    text.replace(at, description.size(),
        "DESCRIPTION:Edited on the phone\r\nX-PHONE-MOOD;X-LEVEL=3:calm\r\nLOCATION:Harbour office");
    VcalendarRead read = ReadVcalendar(text, false);
    ASSERT_EQ(read.entries.size(), 1u);
    const NoteContent note = ReadNote(read.entries[0].note.data(), read.entries[0].note.size());
    EXPECT_EQ(note.plainText, u"Edited on the phone");
    EXPECT_EQ(note.ink, (std::vector<BYTE> { 1, 2, 3, 0, 255 })); // the handwriting stays
    ASSERT_EQ(read.entries[0].keptProperties.size(), 2u);

    // Written again, the foreign properties are still there.
    read.entries[0].subject = u"Changed here";
    const std::string again = WriteVcalendar({ &read.entries[0] }, 1700000200);
    EXPECT_NE(again.find("X-PHONE-MOOD;X-LEVEL=3:calm"), std::string::npos) << again;
    EXPECT_NE(again.find("LOCATION:Harbour office"), std::string::npos) << again;
    const VcalendarRead last = ReadVcalendar(again, false);
    ASSERT_EQ(last.entries.size(), 1u);
    EXPECT_EQ(last.entries[0].keptProperties, read.entries[0].keptProperties);
}

TEST(Vjournal, DamagedFilesAreReportedNeverFatal)
{
    const std::string head = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//x//y//EN\r\n";
    const std::string tail = "END:VCALENDAR\r\n";
    // Bad date and missing UID leave their component out; the good one is read.
    VcalendarRead read = ReadVcalendar(head + "BEGIN:VJOURNAL\r\nUID:bad\r\nDTSTART:20241345T250000Z\r\nEND:VJOURNAL\r\n"
            + "BEGIN:VJOURNAL\r\nSUMMARY:no uid\r\nEND:VJOURNAL\r\n"
            + "BEGIN:VJOURNAL\r\nUID:good\r\nSUMMARY:fine\r\nEND:VJOURNAL\r\n" + tail,
        false);
    ASSERT_EQ(read.entries.size(), 1u);
    EXPECT_EQ(read.entries[0].uid, "good");
    ASSERT_EQ(read.problems.size(), 2u);
    EXPECT_NE(read.problems[0].find("bad"), std::string::npos);

    EXPECT_EQ(ReadVcalendar(head + "BEGIN:VJOURNAL\r\nUID:x\r\nSUMMARY:\xff\xfe\r\nEND:VJOURNAL\r\n" + tail, false)
                  .problems.size(),
        1u);
    // A UID with a bare carriage return would not survive a rewrite (found by fuzzing).
    read = ReadVcalendar(head + "BEGIN:VJOURNAL\r\nUID:a\rb\r\nEND:VJOURNAL\r\n" + tail, false);
    EXPECT_TRUE(read.entries.empty());
    EXPECT_EQ(read.problems.size(), 1u);
    EXPECT_EQ(ReadVcalendar("not a calendar", false).problems.size(), 1u);
    EXPECT_EQ(ReadVcalendar("", false).problems.size(), 1u);
    // A huge note is read whole (a long journal entry is not damage).
    const std::string huge(2 << 20, 'x');
    read = ReadVcalendar(head + "BEGIN:VJOURNAL\r\nUID:big\r\nDESCRIPTION:" + huge + "\r\nEND:VJOURNAL\r\n" + tail, false);
    ASSERT_EQ(read.entries.size(), 1u);
    EXPECT_EQ(NotePlainText(read.entries[0].note.data(), read.entries[0].note.size()).size(), huge.size());
}

TEST(Vjournal, EventsAndTasksReadAsAppointmentsAndTasksOnlyWhenAsked)
{
    const std::string text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//x//y//EN\r\n"
                             "BEGIN:VEVENT\r\nUID:e\r\nSUMMARY:Dentist\r\nDTSTART:20240102T090000\r\nEND:VEVENT\r\n"
                             "BEGIN:VTODO\r\nUID:t\r\nSUMMARY:Taxes\r\nDUE;VALUE=DATE:20240415\r\nEND:VTODO\r\n"
                             "END:VCALENDAR\r\n";
    EXPECT_TRUE(ReadVcalendar(text, false).entries.empty());
    const VcalendarRead read = ReadVcalendar(text, true);
    ASSERT_EQ(read.entries.size(), 2u);
    EXPECT_EQ(read.entries[0].type, 9);
    EXPECT_EQ(read.entries[0].date, Local(2024, 1, 2, 9, 0));
    EXPECT_EQ(read.entries[1].type, 8);
    EXPECT_EQ(read.entries[1].date, Local(2024, 4, 15));
}
