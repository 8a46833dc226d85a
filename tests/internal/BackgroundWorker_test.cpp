// The worker framework on its own: events and their threads, reports and
// their errors, cancellation, restarts, lists and their purge timer, the
// factory, and a stress run of many workers.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BackgroundWorker_win.h"
#include "NativePublic_win.h"
#include "NativeTrace.h"
#include "TestHost.h"
#include "TextConv.h"

namespace {

constexpr TTraceTime kTraceTime{2001, 2, 3, 4, 5, 6};

class TWorkerEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    SetMainThreadId(GetCurrentThreadId());
    SetTraceClockForTesting([] { return kTraceTime; });
    InitializeWorkerFramework();
  }
  void TearDown() override { FinalizeWorkerFramework(); }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new TWorkerEnvironment);

// Pumps the main thread's messages until `done` or the timeout.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

std::u16string TraceLog() {
  std::ifstream in(ToUtf8(TraceFileName(HostExecutablePath(), kTraceTime)), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return AnsiToUtf16(bytes);
}

bool TraceHas(std::u16string_view text) { return TraceLog().find(text) != std::u16string::npos; }

struct TEventRecord {
  TWorkerEvent event;
  intptr_t a, b;
  int32_t c, d;
  DWORD thread;
  bool operator==(const TEventRecord&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TEventRecord& r) {
  return out << "{event " << static_cast<int>(r.event) << ", " << r.a << ", " << r.b << ", " << r.c << ", " << r.d
             << ", thread " << r.thread << "}";
}

// A worker driven by a work function, recording every event it sees.
class TScriptedWorker {
 public:
  explicit TScriptedWorker(std::u16string_view name = u"scripted", std::u16string_view category = u"")
      : worker_(WorkerFactory()->NewWorker(name, category, TWorkerMethod::Of<&TScriptedWorker::OnEvent>(this))) {}

  IBackgroundWorker* operator->() const { return worker_.get(); }
  IBackgroundWorker* get() const { return worker_.get(); }
  const com_ptr<IBackgroundWorker>& ref() const { return worker_; }

  std::function<void(IBackgroundWorker*)> work;
  std::function<void(TWorkerEvent, intptr_t, intptr_t, int32_t, int32_t)> onMainEvent;

  std::vector<TEventRecord> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  int Completions() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(events_.begin(), events_.end(), [](const TEventRecord& r) {
      return r.event == TWorkerEvent::WorkComplete;
    }));
  }
  bool WaitCompleted(int runs = 1) {
    const bool ok = PumpUntil([&] { return Completions() >= runs && !worker_->IsBusy(); });
    if (!ok) {
      for (const auto& e : Events()) std::cerr << e << "\n";
    }
    return ok;
  }

 private:
  void OnEvent(IBackgroundWorker* sender, TWorkerEvent event, intptr_t a, intptr_t b, int32_t c, int32_t d) {
    {
      std::lock_guard lock(mutex_);
      events_.push_back({event, a, b, c, d, GetCurrentThreadId()});
    }
    if (event == TWorkerEvent::Work) {
      if (work) work(sender);
    } else if (onMainEvent) {
      onMainEvent(event, a, b, c, d);
    }
  }

  mutable std::mutex mutex_;
  std::vector<TEventRecord> events_;
  com_ptr<IBackgroundWorker> worker_;
};

// Until cancelled.
void WorkUntilCancelled(IBackgroundWorker* sender) {
  while (!sender->GetCancellationPending()) Sleep(2);
  sender->AcceptCancellation();
}

TEST(BackgroundWorker, EventsRunOnTheirThreadsInPostingOrder) {
  TScriptedWorker w(u"order");
  w->SetUserData(0x1234);
  w->SetUserValue(-7);
  std::vector<int> synchronized;
  DWORD workThread = 0, threadIdInWork = 0;
  w.work = [&](IBackgroundWorker* sender) {
    workThread = GetCurrentThreadId();
    threadIdInWork = sender->GetThreadId();
    sender->ReportProgress(1);
    sender->ReportFeedback(10, 20);
    sender->ReportProgressWait(2);
    sender->ReportFeedbackWait(30, 40);
    SynchronizeCall(sender, [&] { synchronized.push_back(static_cast<int>(GetCurrentThreadId())); });
    sender->ReportProgress(3);
  };
  w->Execute();
  EXPECT_TRUE(w->IsBusy());
  ASSERT_TRUE(w.WaitCompleted());

  const DWORD main = GetCurrentThreadId();
  ASSERT_NE(workThread, 0u);
  EXPECT_NE(workThread, main);
  EXPECT_EQ(threadIdInWork, workThread);
  EXPECT_EQ(synchronized, std::vector<int>{static_cast<int>(main)});
  const std::vector<TEventRecord> expected = {
      {TWorkerEvent::Start, 0x1234, -7, 0, 0, main},       {TWorkerEvent::Work, 0, 0, 0, 0, workThread},
      {TWorkerEvent::WorkProgress, 0x1234, -7, 1, 0, main}, {TWorkerEvent::WorkFeedback, 10, 20, 0, 0, main},
      {TWorkerEvent::WorkProgress, 0x1234, -7, 2, 0, main}, {TWorkerEvent::WorkFeedback, 30, 40, 0, 0, main},
      {TWorkerEvent::WorkProgress, 0x1234, -7, 3, 0, main}, {TWorkerEvent::WorkComplete, 0x1234, -7, 0, 0, main},
  };
  EXPECT_EQ(w.Events(), expected);
  EXPECT_TRUE(w->GetFinished());
  EXPECT_FALSE(w->GetCancelled());
  EXPECT_EQ(w->GetThreadId(), 0u);
}

TEST(BackgroundWorker, ExecuteFromAnotherThreadStartsThereAndReportsToTheMainThread) {
  TScriptedWorker w(u"elsewhere");
  w.work = [](IBackgroundWorker* sender) { sender->ReportProgressWait(5); };
  DWORD caller = 0;
  bool started = false;
  std::thread other([&] {
    caller = GetCurrentThreadId();
    w->Execute();  // its window comes from the main thread's allocator
    started = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return started; }));
  other.join();
  ASSERT_TRUE(w.WaitCompleted());
  const auto events = w.Events();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].event, TWorkerEvent::Start);
  EXPECT_EQ(events[0].thread, caller);
  EXPECT_EQ(events[2], (TEventRecord{TWorkerEvent::WorkProgress, 0, 0, 5, 0, GetCurrentThreadId()}));
  EXPECT_EQ(events[3].thread, GetCurrentThreadId());
}

TEST(BackgroundWorker, CancellationIsReportedWithTheCompletion) {
  TScriptedWorker w(u"cancel");
  EXPECT_FALSE(w->Cancel());  // idle
  w.work = WorkUntilCancelled;
  w->Execute();
  EXPECT_TRUE(w->Cancel());
  EXPECT_TRUE(w->GetCancellationPending());
  ASSERT_TRUE(w.WaitCompleted());
  EXPECT_EQ(w.Events().back(), (TEventRecord{TWorkerEvent::WorkComplete, 0, 0, 0, 1, GetCurrentThreadId()}));
  EXPECT_TRUE(w->GetCancelled());
  EXPECT_FALSE(w->GetCancellationPending());

  // The next run starts uncancelled and unfinished.
  EXPECT_TRUE(w->GetFinished());
  w.work = nullptr;
  w->Execute();
  EXPECT_FALSE(w->GetFinished());
  ASSERT_TRUE(w.WaitCompleted(2));
  EXPECT_EQ(w.Events().back().d, 0);
  EXPECT_FALSE(w->GetCancelled());
}

TEST(BackgroundWorker, WorkCompleteMayStartTheNextRun) {
  TScriptedWorker w(u"again");
  auto list = WorkerFactory()->CreateWorkerList();
  list->AddWorker(w.get());
  std::vector<bool> busyInComplete;
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  int runs = 0;
  w.work = [&](IBackgroundWorker*) {
    if (++runs == 2) WaitForSingleObject(release, 10000);
  };
  w.onMainEvent = [&](TWorkerEvent event, intptr_t, intptr_t, int32_t, int32_t) {
    if (event != TWorkerEvent::WorkComplete) return;
    busyInComplete.push_back(w->IsBusy());
    if (busyInComplete.size() == 1) w->Execute();
  };
  w->Execute();
  ASSERT_TRUE(PumpUntil([&] { return busyInComplete.size() == 1; }));
  // The second run is under way: not finished, so a purge keeps it.
  EXPECT_TRUE(w->IsBusy());
  EXPECT_FALSE(w->GetFinished());
  list->RemoveFinished();
  EXPECT_EQ(list->Count(), 1);
  SetEvent(release);
  ASSERT_TRUE(w.WaitCompleted(2));
  EXPECT_EQ(busyInComplete, (std::vector<bool>{false, false}));
  EXPECT_EQ(runs, 2);
  EXPECT_TRUE(w->GetFinished());
  CloseHandle(release);
}

TEST(BackgroundWorker, BusyAndOffThreadCallsRaise) {
  TScriptedWorker w(u"Busy One");
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  w.work = [&](IBackgroundWorker*) { WaitForSingleObject(release, 10000); };
  w->Execute();
  try {
    w->Execute();
    ADD_FAILURE() << "Execute on a busy worker";
  } catch (const EBackgroundWorker& e) {
    EXPECT_EQ(e.Message(), u"【Busy One】已经在执行了");
  }
  // The work step's operations, called on the main thread while a thread
  // exists, and once more when idle.
  const std::vector<std::pair<const char16_t*, std::function<void()>>> calls = {
      {u"ReportProgress", [&] { w->ReportProgress(1); }},
      {u"ReportProgressWait", [&] { w->ReportProgressWait(1); }},
      {u"ReportFeedback", [&] { w->ReportFeedback(1, 2); }},
      {u"ReportFeedbackWait", [&] { w->ReportFeedbackWait(1, 2); }},
      {u"Synchronize", [&] { SynchronizeCall(w.get(), [] {}); }},
      {u"AcceptCancellation", [&] { w->AcceptCancellation(); }},
  };
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& [operation, call] : calls) {
      SCOPED_TRACE(ToUtf8(operation) + (pass ? " idle" : " busy"));
      try {
        call();
        ADD_FAILURE() << "no error";
      } catch (const EBackgroundWorker& e) {
        EXPECT_EQ(e.Message(), std::u16string(u"您必须在OnWork或OnWorkProc事件函数中调用【Busy One.") + operation + u"】");
      }
    }
    if (pass == 0) {
      SetEvent(release);
      ASSERT_TRUE(w.WaitCompleted());
    }
  }
  EXPECT_FALSE(w->GetCancelled());
  CloseHandle(release);
}

TEST(BackgroundWorker, FailingHandlersAreLoggedAndTheRunCompletes) {
  DeleteFileW(reinterpret_cast<const wchar_t*>(TraceFileName(HostExecutablePath(), kTraceTime).c_str()));
  struct Case {
    const char* label;
    std::function<void(IBackgroundWorker*)> work;
    std::function<void(TWorkerEvent)> onMain;
    const char16_t* logged;
    int cancelled;
  };
  const std::vector<Case> cases = {
      {"library error in Work", [](IBackgroundWorker*) { throw ENativeError(u"工作失败"); }, nullptr,
       u"【异常】[TBackgroundWorker.DoWork]工作失败", 0},
      {"foreign error in Work", [](IBackgroundWorker*) { throw std::runtime_error("foreign"); }, nullptr,
       u"【异常】[TBackgroundWorkerThread.Execute]foreign", 1},
      {"library error in a waited progress",
       [](IBackgroundWorker* s) { s->ReportProgressWait(1); },
       [](TWorkerEvent e) {
         if (e == TWorkerEvent::WorkProgress) throw ENativeError(u"progress failed");
       },
       u"【异常】[TBackgroundWorker.DoWorkProgress]progress failed", 0},
      {"library error in a waited feedback",
       [](IBackgroundWorker* s) { s->ReportFeedbackWait(1, 2); },
       [](TWorkerEvent e) {
         if (e == TWorkerEvent::WorkFeedback) throw ENativeError(u"feedback failed");
       },
       u"【异常】[TBackgroundWorker.DoWorkFeedback]feedback failed", 0},
      {"library error in WorkComplete", nullptr,
       [](TWorkerEvent e) {
         if (e == TWorkerEvent::WorkComplete) throw ENativeError(u"complete failed");
       },
       u"【异常】[TBackgroundWorker.DoWorkComplete]complete failed", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TScriptedWorker w(u"failing");
    w.work = c.work;
    w.onMainEvent = [&](TWorkerEvent e, intptr_t, intptr_t, int32_t, int32_t) {
      if (c.onMain) c.onMain(e);
    };
    w->Execute();
    ASSERT_TRUE(w.WaitCompleted());
    EXPECT_EQ(w.Events().back().d, c.cancelled);
    EXPECT_TRUE(w->GetFinished());
    EXPECT_TRUE(TraceHas(c.logged)) << ToUtf8(TraceLog());
  }

  // A failure of the synchronized method reaches the work step.
  TScriptedWorker w(u"sync");
  std::u16string seen;
  w.work = [&](IBackgroundWorker* sender) {
    try {
      SynchronizeCall(sender, [] { throw ENativeError(u"main failed"); });
    } catch (const ENativeError& e) {
      seen = e.Message();
    }
  };
  w->Execute();
  ASSERT_TRUE(w.WaitCompleted());
  EXPECT_EQ(seen, u"main failed");
}

TEST(BackgroundWorker, ReleasedWhileBusyIsTerminatedAndLogged) {
  DeleteFileW(reinterpret_cast<const wchar_t*>(TraceFileName(HostExecutablePath(), kTraceTime).c_str()));
  auto worker = WorkerFactory()->NewWorkerProc(u"stubborn", u"", [](IBackgroundWorker*, TWorkerEvent event, intptr_t,
                                                                        intptr_t, int32_t, int32_t) {
    if (event == TWorkerEvent::Work) Sleep(INFINITE);
  });
  worker->Execute();
  const DWORD thread = worker->GetThreadId();
  HANDLE handle = OpenThread(SYNCHRONIZE, FALSE, thread);
  ASSERT_NE(handle, nullptr);
  worker.reset();
  EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_OBJECT_0);
  CloseHandle(handle);
  EXPECT_TRUE(TraceHas(u"【异常】[TBackgroundWorker.Destroy]在关闭应用程序之前, 必须先关闭【stubborn】"));
}

// The work step drops the last reference and reports on: the worker lives
// through the reports the main thread handles meanwhile, completes, and only
// then goes.
TEST(BackgroundWorker, LastReferenceDroppedByTheWorkStepLivesUntilCompletion) {
  DeleteFileW(reinterpret_cast<const wchar_t*>(TraceFileName(HostExecutablePath(), kTraceTime).c_str()));
  static std::atomic<int> progress, completions;
  progress = 0;
  completions = 0;
  auto worker = WorkerFactory()->NewWorkerProc(u"orphan", u"", [](IBackgroundWorker* sender, TWorkerEvent event,
                                                                      intptr_t, intptr_t, int32_t, int32_t) {
    if (event == TWorkerEvent::Work) {
      sender->Release();
      sender->ReportProgress(1);
      Sleep(300);
    } else if (event == TWorkerEvent::WorkProgress) {
      ++progress;
    } else if (event == TWorkerEvent::WorkComplete) {
      ++completions;
    }
  });
  worker->Execute();
  worker.detach();  // the work step owns the last reference now
  EXPECT_TRUE(PumpUntil([] { return completions == 1; }));
  EXPECT_EQ(progress, 1);
  EXPECT_FALSE(TraceHas(u"[TBackgroundWorker.Destroy]"));
}

TEST(BackgroundWorkerList, FinishedWorkersLeaveWithinOnePurgeTick) {
  auto list = com_ptr<IBackgroundWorkerList>::attach(new TBackgroundWorkerList(50));
  TBackgroundWorkerList* object = list->GetListObject();
  EXPECT_FALSE(object->PurgeTimerEnabled());
  TScriptedWorker w(u"purged");
  list->AddWorker(w.get());
  EXPECT_TRUE(object->PurgeTimerEnabled());
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  w.work = [&](IBackgroundWorker*) { WaitForSingleObject(release, 10000); };
  w->Execute();
  // Busy workers stay through several ticks.
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(list->Count(), 1);
  SetEvent(release);
  ASSERT_TRUE(w.WaitCompleted());
  const ULONGLONG completed = GetTickCount64();
  ASSERT_TRUE(PumpUntil([&] { return list->Count() == 0; }, 5000));
  EXPECT_LT(GetTickCount64() - completed, 1000u);
  EXPECT_FALSE(object->PurgeTimerEnabled());
  CloseHandle(release);
}

TEST(BackgroundWorkerList, ChangesFromAWorkerThreadKeepThePurgeTimer) {
  auto list = com_ptr<IBackgroundWorkerList>::attach(new TBackgroundWorkerList(50));
  std::thread other([&] { list->Add(u"from a thread", u"")->SetFinished(true); });
  other.join();
  // The timer runs on the main thread's window; the change reached it.
  ASSERT_TRUE(PumpUntil([&] { return list->Count() == 0; }, 5000));
  EXPECT_FALSE(list->GetListObject()->PurgeTimerEnabled());
}

TEST(BackgroundWorkerList, NamesCategoriesAndIdentity) {
  auto list = WorkerFactory()->CreateWorkerList();
  try {
    list->Add(u"", u"x");
    ADD_FAILURE() << "empty name";
  } catch (const ENativeError& e) {
    EXPECT_EQ(e.Message(), u"[TBackgroundWorkerList.Add] AName Parameter cannot empty!");
  }
  auto first = list->Add(u"Job", u"Cat");
  auto second = list->Add(u"job", u"cat");
  auto other = list->Add(u"other", u"");
  EXPECT_NE(first.get(), second.get());
  EXPECT_EQ(first->GetName(), u"Job");
  EXPECT_EQ(first->GetCategory(), u"Cat");
  EXPECT_EQ(list->FindByName(u"JOB").get(), first.get());
  EXPECT_EQ(list->IndexOfName(u"JOB", u"cat"), 1);  // category exactly
  EXPECT_EQ(list->IndexOfName(u"job", u"CAT"), -1);
  EXPECT_FALSE(list->FindByName(u"none"));

  list->Insert(1, nullptr);
  EXPECT_EQ(list->Remove(nullptr), 1);  // an empty worker matches an empty entry
  EXPECT_EQ(list->Remove(second.get()), 1);
  EXPECT_EQ(list->Remove(second.get()), -1);
  EXPECT_EQ(list->IndexOf(other.get()), 1);
  list->SetItemByName(u"OTHER", second.get());
  EXPECT_EQ(list->Last().get(), second.get());
  EXPECT_EQ(list->First().get(), first.get());

  list->AddWorker(nullptr);
  list->AddWorker(other.get());
  list->RemoveCategory(u"CAT");  // that category and empty entries
  ASSERT_EQ(list->Count(), 1);
  EXPECT_EQ(list->GetItem(0).get(), other.get());
  list->RemoveCategory(u"");
  EXPECT_EQ(list->Count(), 0);
  EXPECT_THROW(list->First(), ENativeError);
  EXPECT_THROW(list->Delete(0), ENativeError);
}

TEST(BackgroundWorkerList, CancelCategoryByCategoryAndForAll) {
  auto list = WorkerFactory()->CreateWorkerList();
  std::vector<std::unique_ptr<TScriptedWorker>> workers;
  for (const char16_t* category : {u"dl", u"DL", u"install", u"dl"}) {
    workers.push_back(std::make_unique<TScriptedWorker>(u"w", category));
    workers.back()->work = WorkUntilCancelled;
    list->AddWorker(workers.back()->get());
  }
  for (auto& w : workers) (*w)->Execute();
  (*workers[3])->SetFinished(true);  // finished workers are left alone
  list->CancelCategory(u"Dl", true);
  EXPECT_FALSE((*workers[0])->IsBusy());
  EXPECT_FALSE((*workers[1])->IsBusy());
  EXPECT_TRUE((*workers[2])->IsBusy());
  EXPECT_TRUE((*workers[3])->IsBusy());
  EXPECT_EQ(workers[0]->Events().back().d, 1);
  list->CancelCategory(u"", true);
  EXPECT_FALSE((*workers[2])->IsBusy());
  EXPECT_TRUE((*workers[3])->IsBusy());
  (*workers[3])->Cancel();
  ASSERT_TRUE(workers[3]->WaitCompleted());
}

TEST(WorkerFactory, RunAndFreeWorkers) {
  IWorkerFactory* factory = WorkerFactory();
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory->GetWorkerList(), WorkerList());

  TScriptedWorker w(u"run");
  // A handler whose code address is not code: nothing runs.
  factory->RunWorkerMethod(w.get(), TWorkerMethod{nullptr, &w});
  factory->RunWorkerMethod(w.get(), TWorkerMethod{reinterpret_cast<TWorkerMethod::Code>(uintptr_t{65535}), &w});
  factory->RunWorkerProc(w.get(), nullptr);
  EXPECT_FALSE(w->IsBusy());
  EXPECT_TRUE(w.Events().empty());

  // RunWorker on a busy worker cancels it, waits, and runs it again.
  w.work = WorkUntilCancelled;
  factory->RunWorker(w.get());
  factory->RunWorker(w.get());
  EXPECT_EQ(w.Completions(), 1);
  EXPECT_EQ(w.Events()[2], (TEventRecord{TWorkerEvent::WorkComplete, 0, 0, 0, 1, GetCurrentThreadId()}));
  EXPECT_TRUE(w->IsBusy());
  com_ptr<IBackgroundWorker> ref = w.ref();
  factory->FreeWorker(ref);  // cancels and waits
  EXPECT_FALSE(ref);
  EXPECT_FALSE(w->IsBusy());
  EXPECT_EQ(w.Completions(), 2);
}

TEST(WorkerFactory, MessageHooksFromTheLastAddedToTheFirst) {
  IWorkerFactory* factory = WorkerFactory();
  static std::vector<std::string> calls;
  calls.clear();
  const TMessageHook passing = [](void* data, TWorkerMessage&, bool&) {
    calls.push_back(static_cast<const char*>(data));
  };
  const TMessageHook handling = [](void* data, TWorkerMessage& m, bool& handled) {
    calls.push_back(static_cast<const char*>(data));
    if (m.Msg == WM_APP + 7) {
      m.Result = 42;
      handled = true;
    }
  };
  static char passingName[] = "passing", handlingName[] = "handling", defaultName[] = "default";
  EXPECT_EQ(factory->AddMessageHook(passing, passingName), 0);
  EXPECT_EQ(factory->AddMessageHook(handling, handlingName), 1);
  EXPECT_EQ(factory->AddMessageHook(passing, handlingName), 0);  // once per function
  factory->SetOnMessage({[](void* self, TWorkerMessage& m, bool& handled) {
                           calls.push_back(static_cast<const char*>(self));
                           m.Result = 7;
                           handled = true;
                         },
                         defaultName});
  EXPECT_EQ(factory->SendMessage(WM_APP + 7, 0, 0), 42);
  EXPECT_EQ(calls, (std::vector<std::string>{"handling"}));
  calls.clear();
  EXPECT_EQ(factory->SendMessage(WM_APP + 8, 0, 0), 7);
  EXPECT_EQ(calls, (std::vector<std::string>{"handling", "passing", "default"}));
  calls.clear();
  factory->RemoveMessageHook(handling);
  factory->SetOnMessage({});
  ASSERT_TRUE(factory->PostMessage(WM_APP + 7, 0, 0));
  PumpUntil([] { return !calls.empty(); }, 2000);
  EXPECT_EQ(calls, (std::vector<std::string>{"passing"}));
  factory->ClearMessageHooks();
}

// Live threads of this process.
std::set<DWORD> ProcessThreads() {
  std::set<DWORD> ids;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
  }
  CloseHandle(snapshot);
  return ids;
}

// The framework's windows in this process (the class name is seen by every
// process on the desktop).
int FrameworkWindows() {
  int n = 0;
  for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, WorkerWindowClassName(), nullptr)) != nullptr;) {
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    n += process == GetCurrentProcessId();
  }
  return n;
}

TEST(BackgroundWorkerStress, ManyWorkersDeliverEveryEventOnceAndInOrder) {
  constexpr int kWorkers = 200, kProgress = 100;
  const int windowsBefore = FrameworkWindows();
  ASSERT_GT(windowsBefore, 0);

  struct TTally {
    std::vector<int32_t> progress;
    int feedback = 0, completions = 0;
    bool ordered = true;
    DWORD thread = 0;
  };
  static std::vector<TTally> tallies;
  tallies.assign(kWorkers, {});
  static std::atomic<int> done{0};
  done = 0;
  const TWorkerProc proc = [](IBackgroundWorker* sender, TWorkerEvent event, intptr_t a, intptr_t b, int32_t c,
                              int32_t) {
    TTally& t = tallies[sender->GetUserValue()];
    switch (event) {
      case TWorkerEvent::Work:
        t.thread = GetCurrentThreadId();
        for (int i = 0; i < kProgress; ++i) sender->ReportProgressWait(i);
        sender->ReportFeedback(sender->GetUserValue(), -1);
        break;
      case TWorkerEvent::WorkProgress:
        t.ordered = t.ordered && t.feedback == 0 && c == static_cast<int32_t>(t.progress.size());
        t.progress.push_back(c);
        break;
      case TWorkerEvent::WorkFeedback:
        t.ordered = t.ordered && t.progress.size() == static_cast<size_t>(kProgress) && a == sender->GetUserValue() && b == -1;
        ++t.feedback;
        break;
      case TWorkerEvent::WorkComplete:
        t.ordered = t.ordered && t.feedback == 1;
        ++t.completions;
        ++done;
        break;
      default:
        break;
    }
  };
  {
    auto list = WorkerFactory()->CreateWorkerList();
    for (int i = 0; i < kWorkers; ++i) {
      auto worker = list->Add(u"stress", u"stress");
      worker->SetUserValue(i);
      worker->ExecuteOnWorkProc(proc);
    }
    ASSERT_TRUE(PumpUntil([] { return done == kWorkers; }, 120000)) << done << " of " << kWorkers;
    PumpUntil([] { return false; }, 100);
    for (int i = 0; i < kWorkers; ++i) {
      SCOPED_TRACE(i);
      const TTally& t = tallies[i];
      EXPECT_TRUE(t.ordered);
      EXPECT_EQ(t.progress.size(), static_cast<size_t>(kProgress));
      EXPECT_EQ(t.feedback, 1);
      EXPECT_EQ(t.completions, 1);
      EXPECT_FALSE(list->GetItem(i)->IsBusy());
    }
  }
  const std::set<DWORD> live = ProcessThreads();
  for (const TTally& t : tallies) EXPECT_EQ(live.count(t.thread), 0u) << "worker thread " << t.thread << " lives on";
  EXPECT_EQ(FrameworkWindows(), windowsBefore);
}

}  // namespace
