#include "ICalendarReader.h"

#include "CodePage.h"

#include <libical/ical.h>

#include <ctime>
#include <memory>

namespace {

struct ComponentFree {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};

std::u16string Text(const char* utf8)
{
    return utf8 ? DecodeSystemCodePage(utf8) : std::u16string();
}

SYSTEMTIME ToSystemTime(icaltimetype time)
{
    SYSTEMTIME out {};
    if (!time.is_date && (icaltime_is_utc(time) || time.zone)) {
        const std::time_t seconds
            = icaltime_as_timet_with_zone(time, time.zone ? time.zone : icaltimezone_get_utc_timezone());
        std::tm local {};
        localtime_r(&seconds, &local);
        out.wYear = static_cast<WORD>(local.tm_year + 1900);
        out.wMonth = static_cast<WORD>(local.tm_mon + 1);
        out.wDay = static_cast<WORD>(local.tm_mday);
        out.wDayOfWeek = static_cast<WORD>(local.tm_wday);
        out.wHour = static_cast<WORD>(local.tm_hour);
        out.wMinute = static_cast<WORD>(local.tm_min);
        out.wSecond = static_cast<WORD>(local.tm_sec);
        return out;
    }
    out.wYear = static_cast<WORD>(time.year);
    out.wMonth = static_cast<WORD>(time.month);
    out.wDay = static_cast<WORD>(time.day);
    out.wDayOfWeek = static_cast<WORD>(icaltime_day_of_week(time) - 1);
    if (!time.is_date) {
        out.wHour = static_cast<WORD>(time.hour);
        out.wMinute = static_cast<WORD>(time.minute);
        out.wSecond = static_cast<WORD>(time.second);
    }
    return out;
}

bool Usable(icaltimetype time)
{
    return !icaltime_is_null_time(time) && icaltime_is_valid_time(time) && time.year > 1600
        && time.year < 30000 && time.month >= 1 && time.month <= 12 && time.day >= 1 && time.day <= 31;
}

PimCalendarItem ReadItem(icalcomponent* component, bool isTask)
{
    PimCalendarItem item;
    item.isTask = isTask;
    item.uid = Text(icalcomponent_get_uid(component));
    item.summary = Text(icalcomponent_get_summary(component));
    item.location = Text(icalcomponent_get_location(component));
    item.description = Text(icalcomponent_get_description(component));
    icaltimetype date = icaltime_null_time();
    if (isTask && icalcomponent_get_first_property(component, ICAL_DUE_PROPERTY))
        date = icalcomponent_get_due(component);
    if (!Usable(date) && icalcomponent_get_first_property(component, ICAL_DTSTART_PROPERTY))
        date = icalcomponent_get_dtstart(component);
    if (Usable(date)) {
        item.hasDate = true;
        item.date = ToSystemTime(date);
    }
    return item;
}

} // namespace

std::vector<PimCalendarItem> ReadCalendarItems(std::string_view bytes, std::string& error)
{
    std::vector<PimCalendarItem> items;
    // A damaged file must not end the program.
    icalerror_set_errors_are_fatal(0);
    const std::string text(bytes);
    std::unique_ptr<icalcomponent, ComponentFree> root(icalparser_parse_string(text.c_str()));
    icalerror_clear_errno();
    if (!root || icalcomponent_isa(root.get()) != ICAL_VCALENDAR_COMPONENT) {
        error = "no calendar in the file";
        return items;
    }
    for (const icalcomponent_kind kind : { ICAL_VEVENT_COMPONENT, ICAL_VTODO_COMPONENT }) {
        for (icalcomponent* child = icalcomponent_get_first_component(root.get(), kind); child;
             child = icalcomponent_get_next_component(root.get(), kind))
            items.push_back(ReadItem(child, kind == ICAL_VTODO_COMPONENT));
    }
    if (items.empty())
        error = "no event or task in the file";
    return items;
}
