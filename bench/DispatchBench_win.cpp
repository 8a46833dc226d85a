// Page calls per second through NativeLoadResource and the test host: the
// whole path a shell takes (module and method lookup, RunMethod, parameter
// read, result write). Prints the median of several runs.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "TestHost.h"

namespace {

double CallsPerSecond(TTestHost& host, std::u16string_view method, const TParams& params, int calls) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (int i = 0; i < calls; ++i) host.Call(method, params);
  QueryPerformanceCounter(&end);
  return calls * static_cast<double>(frequency.QuadPart) / static_cast<double>(end.QuadPart - start.QuadPart);
}

void Report(TTestHost& host, const char* label, std::u16string_view method, const TParams& params) {
  constexpr int kRuns = 7, kCalls = 200000;
  CallsPerSecond(host, method, params, kCalls / 10);  // warm-up
  std::vector<double> rates;
  for (int run = 0; run < kRuns; ++run) rates.push_back(CallsPerSecond(host, method, params, kCalls));
  std::sort(rates.begin(), rates.end());
  std::printf("%-28s median %10.0f calls/s  (min %.0f, max %.0f, %d runs of %d calls)\n", label, rates[kRuns / 2],
              rates.front(), rates.back(), kRuns, kCalls);
}

}  // namespace

int main() {
  TTestHost host;
  if (!host.Loaded()) {
    std::fprintf(stderr, "KVNative.dll could not be loaded\n");
    return 1;
  }
  std::printf("NativeLoadResource through the test host (%d-bit)\n", static_cast<int>(sizeof(void*) * 8));
  Report(host, "GetDebugMode", u"GetDebugMode", {});
  Report(host, "SetDebugMode mode=true", u"SetDebugMode", {{u"mode", u"true"}});
  return 0;
}
