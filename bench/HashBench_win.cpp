// File hashing throughput of GetFileMd5Code and GetFileSHA1Code through the
// library's service object, as a host reaches it.
//   bench_HashBench FILE [RUNS]
// Prints one line per operation: the best wall-clock MB/s (1 MB = 10^6 bytes)
// of RUNS runs, the best MB/s by the calling thread's CPU time (user and
// kernel; the figure that holds when other work shares the machine), and the
// digest.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Hash_win.h"
#include "TestHost.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

double ThreadCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  const auto ticks = [](const FILETIME& t) { return ULARGE_INTEGER{{t.dwLowDateTime, t.dwHighDateTime}}.QuadPart; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

using HashFn = HRESULT (STDMETHODCALLTYPE INativeMethods::*)(LPCWSTR, BSTR*);

void Report(INativeMethods* native, const char* label, HashFn fn, const wchar_t* file, double bytes, int runs) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  double best = 0, bestCpu = 0;
  TBstr digest;
  for (int run = 0; run < runs; ++run) {
    LARGE_INTEGER start, end;
    const double cpuStart = ThreadCpuSeconds();
    QueryPerformanceCounter(&start);
    const HRESULT hr = (native->*fn)(file, digest.put());
    QueryPerformanceCounter(&end);
    const double cpu = ThreadCpuSeconds() - cpuStart;
    if (FAILED(hr)) {
      std::fprintf(stderr, "%s failed: 0x%08lX\n", label, static_cast<unsigned long>(hr));
      std::exit(1);
    }
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    const double rate = bytes / seconds / 1e6;
    if (rate > best) best = rate;
    if (cpu > 0 && bytes / cpu / 1e6 > bestCpu) bestCpu = bytes / cpu / 1e6;
  }
  std::printf("%-16s %8.1f MB/s  %8.1f MB/s-cpu  %s\n", label, best, bestCpu, ToUtf8(digest.view()).c_str());
}

// The provider alone: CryptHashData over a buffer already in memory, the
// ceiling for any file hashing built on it.
void ReportProvider(const char* label, THashAlgorithm algorithm) {
  constexpr size_t kBuffer = 64 << 20;
  constexpr int kPasses = 8;
  const std::string buffer(kBuffer, '\x5A');
  double bestCpu = 0;
  for (int run = 0; run < 3; ++run) {
    const double start = ThreadCpuSeconds();
    THash hash(algorithm);
    for (int pass = 0; pass < kPasses; ++pass) hash.Update(buffer);
    hash.Finish();
    const double cpu = ThreadCpuSeconds() - start;
    if (cpu > 0 && kBuffer * double{kPasses} / cpu / 1e6 > bestCpu) bestCpu = kBuffer * double{kPasses} / cpu / 1e6;
  }
  std::printf("%-16s %8s       %8.1f MB/s-cpu  (CryptHashData over memory)\n", label, "-", bestCpu);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 2) {
    std::fprintf(stderr, "usage: bench_HashBench FILE [RUNS]\n");
    return 2;
  }
  const int runs = argc > 2 ? _wtoi(argv[2]) : 3;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(argv[1], GetFileExInfoStandard, &data)) {
    std::fprintf(stderr, "cannot read the file's size\n");
    return 1;
  }
  const double bytes = static_cast<double>(ULARGE_INTEGER{{data.nFileSizeLow, data.nFileSizeHigh}}.QuadPart);
  TTestHost host;
  INativeMethods* native = host.Native();
  if (!native) {
    std::fprintf(stderr, "KVNative.dll could not be loaded\n");
    return 1;
  }
  std::printf("%.0f bytes, best of %d runs (%d-bit)\n", bytes, runs, static_cast<int>(sizeof(void*) * 8));
  Report(native, "GetFileMd5Code", &INativeMethods::GetFileMd5Code, argv[1], bytes, runs);
  Report(native, "GetFileSHA1Code", &INativeMethods::GetFileSHA1Code, argv[1], bytes, runs);
  ReportProvider("provider-MD5", THashAlgorithm::Md5);
  ReportProvider("provider-SHA1", THashAlgorithm::Sha1);
  return 0;
}
