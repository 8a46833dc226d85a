#include "NativeTrace.h"

#include "NativePaths.h"

std::u16string TraceFileName(std::u16string_view exePath, const TTraceTime& time) {
  return ChangeFileExt(exePath, StrFormat(u"_%04d%02d.log", {time.year, time.month}));
}

std::u16string TraceLine(const TTraceTime& time, std::u16string_view text) {
  const std::u16string stamp = StrFormat(u"%04d-%02d-%02d %02d:%02d:%02d",
                                         {time.year, time.month, time.day, time.hour, time.minute, time.second});
  return StrFormat(u"【%s】%s", {stamp, text});
}

void _NativeTraceInfo(std::u16string_view text) { _NativeTrace(std::u16string(u"【信息】") + std::u16string(text)); }

void _NativeTraceError(std::u16string_view text) { _NativeTrace(std::u16string(u"【异常】") + std::u16string(text)); }

void _NativeTraceFmt(std::u16string_view format, std::initializer_list<TFormatArg> args) {
  _NativeTraceInfo(StrFormat(format, args));
}
