#include "JournalProps.h"

#include <array>

const EntryFieldDef ENTRY_FIELDS[ENTRY_FIELD_COUNT] = {
    { u"Subject", PROPID_SUBJECT, CTRL_COMBO_EDIT, FIELD_SORTABLE },
    { u"Date", PROPID_DATE, CTRL_DATE, FIELD_SORTABLE },
    { u"Type", PROPID_TYPE, CTRL_COMBO_LIST, FIELD_SORTABLE },
    { u"Company", PROPID_COMPANY, CTRL_COMPANY, FIELD_SORTABLE },
    { u"Categories", PROPID_CATEGORIES, CTRL_PICKER, FIELD_SORTABLE },
    { u"Contacts", PROPID_CONTACTS, CTRL_PICKER, FIELD_SORTABLE },
    { u"Attachment", PROPID_ATTACHMENT, CTRL_PICKER, 0 },
    { u"Duration", PROPID_DURATION, CTRL_COMBO_EDIT, 0 },
    { u"Sensitivity", PROPID_SENSITIVITY, CTRL_COMBO_LIST, FIELD_SORTABLE },
    { u"Priority", PROPID_PRIORITY, CTRL_COMBO_LIST, FIELD_SORTABLE },
    { u"Note", PROPID_NOTE, CTRL_PICKER, 0 },
};

namespace {

constexpr std::array<const WCHAR*, TYPE_COUNT> kTypes = {
    u"Conversation",
    u"Document",
    u"E-mail message",
    u"Fax",
    u"Letter",
    u"Meeting",
    u"Note",
    u"Phone call",
    u"Task",
    u"Appointment",
    u"Contact",
};
constexpr std::array<const WCHAR*, PRIORITY_COUNT> kPriorities = { u"Low", u"Normal", u"High" };
constexpr std::array<const WCHAR*, SENSITIVITY_COUNT> kSensitivities = {
    u"Normal",
    u"Personal",
    u"Private",
    u"Confidential",
};
constexpr std::array<const WCHAR*, 2> kYesNo = { u"No", u"Yes" };
constexpr std::array<const WCHAR*, DURATION_CHOICE_COUNT> kDurations = {
    u"0 minutes",
    u"5 minutes",
    u"10 minutes",
    u"15 minutes",
    u"30 minutes",
    u"1 hour",
    u"2 hours",
    u"3 hours",
    u"4 hours",
    u"5 hours",
    u"6 hours",
    u"7 hours",
    u"8 hours",
    u"9 hours",
    u"10 hours",
    u"11 hours",
    u".5 days",
    u"1 day",
    u"2 days",
};

template <std::size_t N> const WCHAR* Lookup(const std::array<const WCHAR*, N>& table, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= N)
        return nullptr;
    return table[static_cast<std::size_t>(index)];
}

} // namespace

const WCHAR* TypeText(int index)
{
    return Lookup(kTypes, index);
}
const WCHAR* PriorityText(int index)
{
    return Lookup(kPriorities, index);
}
const WCHAR* SensitivityText(int index)
{
    return Lookup(kSensitivities, index);
}
const WCHAR* YesNoText(int index)
{
    return Lookup(kYesNo, index);
}
const WCHAR* DurationChoiceText(int index)
{
    return Lookup(kDurations, index);
}

DWORD MonthBit(int month)
{
    if (month < 1 || month > 12)
        return 0;
    return DWORD { 1 } << (month - 1);
}
