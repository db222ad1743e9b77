// The system date, in local time.
#pragma once

struct SCalendarDate {
    int nYear;  // full year, e.g. 2026
    int nMonth; // [1, 12]
    int nDay;   // [1, 31]
};

SCalendarDate GetSystemDate();
