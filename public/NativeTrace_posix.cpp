// Native build: portable modules log to standard error.
#include <cstdio>

#include "NativeTrace.h"
#include "TextConv.h"

void SetTraceClockForTesting(TTraceTime (*)()) {}

void _NativeTrace(std::u16string_view text) {
  const std::string line = Utf16ToUtf8(text);
  std::fprintf(stderr, "%s\n", line.c_str());
}
