// The worker framework's two paths to the main thread, each beside a bare
// Win32 baseline doing the same with a thread, a message-only window and an
// event:
//   - ReportProgressWait: the worker thread posts, the main thread handles
//     the message and signals, the worker goes on (round trip);
//   - ReportProgress: posted messages handled on the main thread (throughput
//     from the first post to the last handled message).
// Prints the median of several runs.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <vector>

#include "BackgroundWorker_win.h"
#include "NativePublic_win.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

void PumpUntil(const std::atomic<bool>& done) {
  MSG msg;
  while (!done && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
}

// --- the framework ---------------------------------------------------------

struct TFrameworkRun {
  int count;
  bool wait;
  std::atomic<bool> done{false};
  int handled = 0;
};

TFrameworkRun* g_run = nullptr;

void FrameworkHandler(IBackgroundWorker* sender, TWorkerEvent event, intptr_t, intptr_t, int32_t, int32_t) {
  switch (event) {
    case TWorkerEvent::Work:
      for (int i = 0; i < g_run->count; ++i) {
        if (g_run->wait) {
          sender->ReportProgressWait(i);
        } else {
          sender->ReportProgress(i);
        }
      }
      break;
    case TWorkerEvent::WorkProgress:
      ++g_run->handled;
      break;
    case TWorkerEvent::WorkComplete:
      g_run->done = true;
      break;
    default:
      break;
  }
}

double FrameworkSeconds(int count, bool wait) {
  TFrameworkRun run{count, wait};
  g_run = &run;
  auto worker = WorkerFactory()->NewWorkerProc(u"bench", u"", FrameworkHandler);
  const LARGE_INTEGER start = Now();
  worker->Execute();
  PumpUntil(run.done);
  const LARGE_INTEGER end = Now();
  if (run.handled != count) std::fprintf(stderr, "framework: %d of %d handled\n", run.handled, count);
  return Seconds(start, end);
}

// --- the baseline ----------------------------------------------------------

constexpr UINT kBaseProgress = WM_APP + 1, kBaseProgressWait = WM_APP + 2, kBaseDone = WM_APP + 3;

struct TBaselineRun {
  int count;
  bool wait;
  HWND window = nullptr;
  HANDLE event = nullptr;
  std::atomic<bool> done{false};
  int handled = 0;
};

LRESULT CALLBACK BaselineProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* run = reinterpret_cast<TBaselineRun*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case kBaseProgress:
      ++run->handled;
      return 0;
    case kBaseProgressWait:
      ++run->handled;
      SetEvent(run->event);
      return 0;
    case kBaseDone:
      run->done = true;
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

void Post(HWND window, UINT message, WPARAM wparam) {
  while (!PostMessageW(window, message, wparam, 0)) Sleep(1);
}

DWORD WINAPI BaselineThread(void* data) {
  auto* run = static_cast<TBaselineRun*>(data);
  for (int i = 0; i < run->count; ++i) {
    if (run->wait) {
      ResetEvent(run->event);
      Post(run->window, kBaseProgressWait, static_cast<WPARAM>(i));
      WaitForSingleObject(run->event, INFINITE);
    } else {
      Post(run->window, kBaseProgress, static_cast<WPARAM>(i));
    }
  }
  Post(run->window, kBaseDone, 0);
  return 0;
}

double BaselineSeconds(int count, bool wait) {
  static const ATOM atom = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = BaselineProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"WorkerBenchBaseline";
    return RegisterClassW(&wc);
  }();
  (void)atom;
  TBaselineRun run{count, wait};
  run.window = CreateWindowExW(0, L"WorkerBenchBaseline", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(run.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&run));
  run.event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const LARGE_INTEGER start = Now();
  HANDLE thread = CreateThread(nullptr, 0, BaselineThread, &run, 0, nullptr);
  PumpUntil(run.done);
  const LARGE_INTEGER end = Now();
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  CloseHandle(run.event);
  DestroyWindow(run.window);
  if (run.handled != count) std::fprintf(stderr, "baseline: %d of %d handled\n", run.handled, count);
  return Seconds(start, end);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Runs framework and baseline alternately, `runs` times each.
void Compare(const char* label, int count, bool wait, int runs,
             const std::function<void(const char*, double)>& print) {
  FrameworkSeconds(count / 10, wait);  // warm-up
  BaselineSeconds(count / 10, wait);
  std::vector<double> framework, baseline;
  for (int i = 0; i < runs; ++i) {
    framework.push_back(FrameworkSeconds(count, wait));
    baseline.push_back(BaselineSeconds(count, wait));
  }
  std::printf("%s (%d messages, median of %d runs)\n", label, count, runs);
  print("  framework", Median(framework));
  print("  baseline ", Median(baseline));
  std::printf("  framework / baseline time: %.2f\n", Median(framework) / Median(baseline));
}

}  // namespace

int main() {
  SetMainThreadId(GetCurrentThreadId());
  InitializeWorkerFramework();
  std::printf("Worker framework round trips and throughput (%d-bit)\n", static_cast<int>(sizeof(void*) * 8));
  constexpr int kRoundTrips = 5000, kPosts = 50000, kRuns = 5;
  Compare("ReportProgressWait round trip", kRoundTrips, true, kRuns, [](const char* who, double seconds) {
    std::printf("%s %8.2f us per round trip\n", who, seconds * 1e6 / kRoundTrips);
  });
  Compare("ReportProgress posted", kPosts, false, kRuns, [](const char* who, double seconds) {
    std::printf("%s %10.0f messages/s\n", who, kPosts / seconds);
  });
  FinalizeWorkerFramework();
  return 0;
}
