#pragma once
// Reads the events (VEVENT) and tasks (VTODO) of an iCalendar file with
// libical. Dates with a time zone or in UTC come out in local time; floating
// times and dates as written. Malformed input yields what could be read and
// an error text. Private to the PIM store; one thread.

#include "PimCalendarItem.h"

#include <string>
#include <string_view>
#include <vector>

std::vector<PimCalendarItem> ReadCalendarItems(std::string_view bytes, std::string& error);
