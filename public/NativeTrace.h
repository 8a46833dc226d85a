// The trace log: one file per host executable and month beside the host
// executable ("<name>_YYYYMM.log"), one line "【yyyy-mm-dd hh:nn:ss】text" per
// call in the ANSI code page, ending in CR LF. Safe from any thread; never
// reports a failure to the caller. Under a debugger the text goes to the
// debugger output instead.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "NativeStrings.h"

void _NativeTrace(std::u16string_view text);
// "【信息】" + text
void _NativeTraceInfo(std::u16string_view text);
// "【异常】" + text
void _NativeTraceError(std::u16string_view text);
// The formatted text (StrFormat), written as _NativeTraceInfo does.
void _NativeTraceFmt(std::u16string_view format, std::initializer_list<TFormatArg> args);

// Local wall-clock time as the trace stamps it.
struct TTraceTime {
  int year, month, day, hour, minute, second;
};
// Replaces the clock for tests (nullptr restores the system clock).
void SetTraceClockForTesting(TTraceTime (*clock)());

// The file a line written at `time` goes to, for a host executable `exePath`.
std::u16string TraceFileName(std::u16string_view exePath, const TTraceTime& time);
// The line for `text` written at `time`, without the line break.
std::u16string TraceLine(const TTraceTime& time, std::u16string_view text);
