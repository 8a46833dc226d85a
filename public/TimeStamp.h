// Time stamps as the system writes them: whole milliseconds between
// 1970-01-01 00:00:00 and a calendar date and time (the caller's local time,
// not UTC).
#pragma once

#include <cstdint>

struct TCivilTime {
  int year, month, day;  // proleptic Gregorian calendar, month and day from 1
  int hour, minute, second, millisecond;
};

int64_t MillisecondsSince1970(const TCivilTime& time);
