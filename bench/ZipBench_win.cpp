// One extraction of an archive with the web method ExtractZipFile, through
// the test host and the real DLL, timed inside the process (Wine's start-up
// is left out). tools/bench-zip.sh makes the archive, runs this beside unzip
// and bsdtar and prints the rates.
//   bench_ZipBench.exe <archive> <destination directory>
// Prints the seconds the call took.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "TestHost.h"

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc != 3) {
    std::fprintf(stderr, "usage: bench_ZipBench <archive> <destination directory>\n");
    return 2;
  }
  TTestHost host;
  if (!host.Loaded()) {
    std::fprintf(stderr, "KVNative.dll could not be loaded\n");
    return 1;
  }
  const auto text = [](const wchar_t* s) { return std::u16string(reinterpret_cast<const char16_t*>(s)); };
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const TCallOutcome call = host.Call(u"ExtractZipFile", {{u"zipFile", text(argv[1])}, {u"desDir", text(argv[2])}});
  QueryPerformanceCounter(&end);
  if (!call.response.Finished() || !call.response.boolean) {
    std::fprintf(stderr, "ExtractZipFile failed: %s\n", ToUtf8(call.response.message).c_str());
    return 1;
  }
  std::printf("%.3f\n", static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart));
  return 0;
}
