#include "BackgroundWorker_win.h"

#include <process.h>

#include "NativePublic_win.h"
#include "NativeStrings.h"
#include "NativeTrace.h"
#include "TextConv.h"

namespace {

// Messages of a worker's window.
constexpr UINT kFeedbackMessage = WM_USER + 1;      // A, B
constexpr UINT kFeedbackWaitMessage = WM_USER + 2;  // A, B; signals FeedbackEvent
constexpr UINT kProgressMessage = WM_USER + 3;      // value
constexpr UINT kProgressWaitMessage = WM_USER + 4;  // value; signals ProgressEvent
constexpr UINT kSynchronizeMessage = WM_USER + 5;   // TSyncRecord*; signals MainCallEvent
constexpr UINT kFinishedMessage = WM_USER + 6;      // cancelled

// Messages of the allocator window.
constexpr UINT kAllocateMessage = WM_USER + 1;    // TWindowProc, object -> HWND
constexpr UINT kDeallocateMessage = WM_USER + 2;  // HWND

// A timer's request, from another thread, to apply its settings.
constexpr UINT kTimerUpdateMessage = WM_APP + 1;
constexpr UINT_PTR kTimerId = 1;

constexpr wchar_t kWindowClass[] = L"TWorkerUtilWindow";
// Window extra bytes: the procedure and its object.
constexpr int kProcIndex = 0;
constexpr int kObjectIndex = sizeof(LONG_PTR);

std::atomic<ATOM> g_windowClass{0};
std::atomic<HWND> g_allocator{nullptr};
std::atomic<IWorkerFactory*> g_factory{nullptr};
std::atomic<bool> g_finalized{false};

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

LRESULT CALLBACK UtilWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    const auto* target = static_cast<const LONG_PTR*>(create->lpCreateParams);
    SetWindowLongPtrW(window, kProcIndex, target[0]);
    SetWindowLongPtrW(window, kObjectIndex, target[1]);
  }
  const auto proc = reinterpret_cast<TWindowProc>(GetWindowLongPtrW(window, kProcIndex));
  void* const object = reinterpret_cast<void*>(GetWindowLongPtrW(window, kObjectIndex));
  if (!proc || !object) return DefWindowProcW(window, message, wparam, lparam);
  try {
    return proc(object, window, message, wparam, lparam);
  } catch (...) {
    // The procedures catch their own failures; nothing reaches the system.
    return 0;
  }
}

// Classes of a library are not unregistered when it unloads: the framework
// does it at finalization, and replaces a class left behind by an earlier
// load at the same address.
void RegisterWindowClass() {
  if (g_windowClass) return;
  WNDCLASSW wc{};
  wc.lpfnWndProc = UtilWindowProc;
  wc.cbWndExtra = 2 * sizeof(LONG_PTR);
  wc.hInstance = ThisModule();
  wc.lpszClassName = kWindowClass;
  ATOM atom = RegisterClassW(&wc);
  if (!atom && GetLastError() == ERROR_CLASS_ALREADY_EXISTS && UnregisterClassW(kWindowClass, wc.hInstance)) {
    atom = RegisterClassW(&wc);
  }
  g_windowClass = atom;
}

void UnregisterWindowClass() {
  if (g_windowClass.exchange(0)) UnregisterClassW(kWindowClass, ThisModule());
}

HWND CreateUtilWindow(TWindowProc proc, void* object) {
  RegisterWindowClass();
  LONG_PTR target[2] = {reinterpret_cast<LONG_PTR>(proc), reinterpret_cast<LONG_PTR>(object)};
  return CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ThisModule(), target);
}

bool OnWindowThread(HWND window) { return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId(); }

// Waits for a thread to end; on the main thread, messages sent from other
// threads (window requests to the allocator) are handled meanwhile.
void WaitForThreadEnd(HANDLE thread) {
  if (!IsMainThread()) {
    WaitForSingleObject(thread, INFINITE);
    return;
  }
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

std::u16string ForeignMessage(const std::exception* e) {
  return e ? Utf8ToUtf16(e->what()) : std::u16string(u"Unknown error");
}

// Signals a manual-reset event when the scope ends, also by an exception.
class TSignalOnExit {
 public:
  explicit TSignalOnExit(const unique_handle& event) : event_(event.get()) {}
  ~TSignalOnExit() {
    if (event_) SetEvent(event_);
  }

 private:
  HANDLE event_;
};

// Synchronize's record, in the waiting worker thread's frame.
struct TSyncRecord {
  TSyncMethod method;
  void* param;
  std::u16string error;
  bool failed = false;
};

template <typename Derived, typename Interface>
HRESULT QueryOne(Derived* self, REFIID iid, const IID& own, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == own) {
    *object = static_cast<Interface*>(self);
    self->AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

}  // namespace

HWND AllocateWorkerWindow(TWindowProc proc, void* object) {
  if (IsMainThread()) return CreateUtilWindow(proc, object);
  const HWND allocator = g_allocator;
  if (!allocator) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return reinterpret_cast<HWND>(SendMessageW(allocator, kAllocateMessage, reinterpret_cast<WPARAM>(proc),
                                             reinterpret_cast<LPARAM>(object)));
}

void DeallocateWorkerWindow(HWND window) {
  if (!window) return;
  if (OnWindowThread(window)) {
    DestroyWindow(window);
  } else if (const HWND allocator = g_allocator) {
    SendMessageW(allocator, kDeallocateMessage, reinterpret_cast<WPARAM>(window), 0);
  }
  // A window that could not be destroyed must not reach its object again.
  if (IsWindow(window)) SetWindowLongPtrW(window, kObjectIndex, 0);
}

const wchar_t* WorkerWindowClassName() { return kWindowClass; }

// ---------------------------------------------------------------------------
// TBackgroundWorker

TBackgroundWorker::TBackgroundWorker() = default;

TBackgroundWorker::~TBackgroundWorker() = default;

HRESULT TBackgroundWorker::QueryInterface(REFIID iid, void** object) {
  return QueryOne<TBackgroundWorker, IBackgroundWorker>(this, iid, IID_IBackgroundWorker, object);
}

ULONG TBackgroundWorker::AddRef() { return ++refs_; }

ULONG TBackgroundWorker::Release() {
  const ULONG n = --refs_;
  if (n == 0) {
    // The work step dropped the last reference: it cannot be terminated or
    // waited for from its own thread, so the object lives until the run's
    // completion message, whose handling releases it again. Reports handled
    // before that take and drop a reference too, and must not end it.
    if (IsBusy() && (orphaned_ || GetCurrentThreadId() == threadId_)) {
      orphaned_ = true;
      return 0;
    }
    Destroy();
    delete this;
  }
  return n;
}

void TBackgroundWorker::TerminateRun() {
  if (!thread_ || GetCurrentThreadId() == threadId_) return;
  HANDLE thread = thread_.get();
  // A thread in the loader's or the runtime's start-up or exit may hold
  // their locks: it is given time to reach or leave the work step. Under the
  // loader lock (the library's unload) it cannot, and is terminated after
  // the grace time like one inside the work step.
  constexpr DWORD kGraceMs = 2000;
  const ULONGLONG deadline = GetTickCount64() + kGraceMs;
  while (phase_ == kStarting && GetTickCount64() < deadline) {
    if (WaitForSingleObject(thread, 5) == WAIT_OBJECT_0) return;
  }
  if (phase_ == kEnding) {
    const ULONGLONG now = GetTickCount64();
    if (WaitForSingleObject(thread, now < deadline ? static_cast<DWORD>(deadline - now) : 0) == WAIT_OBJECT_0) return;
  }
  TerminateThread(thread, 1);
}

void TBackgroundWorker::Destroy() {
  if (!IsBusy()) return;
  TerminateRun();
  Cleanup(true);
  const std::u16string message = StrFormat(u"在关闭应用程序之前, 必须先关闭【%s】", {GetName()});
  _NativeTraceError(u"[TBackgroundWorker.Destroy]" + message);
}

std::u16string TBackgroundWorker::GetName() {
  std::lock_guard lock(fieldsLock_);
  return name_;
}

std::u16string TBackgroundWorker::GetCategory() {
  std::lock_guard lock(fieldsLock_);
  return category_;
}

com_ptr<IUnknown> TBackgroundWorker::GetAttachment() {
  std::lock_guard lock(fieldsLock_);
  return attachment_;
}

TWorkerMethod TBackgroundWorker::GetOnWork() {
  std::lock_guard lock(fieldsLock_);
  return onWork_;
}

TWorkerProc TBackgroundWorker::GetOnWorkProc() {
  std::lock_guard lock(fieldsLock_);
  return onWorkProc_;
}

void TBackgroundWorker::SetName(std::u16string_view name) {
  std::lock_guard lock(fieldsLock_);
  name_ = name;
}

void TBackgroundWorker::SetCategory(std::u16string_view category) {
  std::lock_guard lock(fieldsLock_);
  category_ = category;
}

void TBackgroundWorker::SetAttachment(IUnknown* attachment) {
  com_ptr<IUnknown> old(attachment);
  {
    std::lock_guard lock(fieldsLock_);
    attachment_.swap(old);
  }
}

void TBackgroundWorker::SetOnWork(TWorkerMethod handler) {
  std::lock_guard lock(fieldsLock_);
  onWork_ = handler;
}

void TBackgroundWorker::SetOnWorkProc(TWorkerProc handler) {
  std::lock_guard lock(fieldsLock_);
  onWorkProc_ = handler;
}

void TBackgroundWorker::Execute() {
  if (IsBusy()) throw EBackgroundWorker(StrFormat(u"【%s】已经在执行了", {GetName()}));
  DoStart();
  cancelled_ = false;
  cancellationPending_ = false;
  // A new run is not finished: the list must neither purge nor skip it.
  finished_ = false;
  phase_ = kStarting;
  try {
    const HWND window = AllocateWorkerWindow(&TBackgroundWorker::WindowThunk, this);
    if (!window) throw EBackgroundWorker(SystemErrorMessage(GetLastError()));
    window_ = window;
    unsigned id = 0;
    const auto thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ThreadProc, this, CREATE_SUSPENDED, &id));
    if (!thread) throw EBackgroundWorker(SystemErrorMessage(GetLastError()));
    thread_.reset(thread);
    threadId_ = id;
    ResumeThread(thread);
  } catch (...) {
    Cleanup(true);
    throw;
  }
}

void TBackgroundWorker::ExecuteOnWork(TWorkerMethod handler) {
  {
    std::lock_guard lock(fieldsLock_);
    onWork_ = handler;
    onWorkProc_ = nullptr;
  }
  Execute();
}

void TBackgroundWorker::ExecuteOnWorkProc(TWorkerProc handler) {
  {
    std::lock_guard lock(fieldsLock_);
    onWork_ = {};
    onWorkProc_ = handler;
  }
  Execute();
}

unsigned __stdcall TBackgroundWorker::ThreadProc(void* self) {
  auto* worker = static_cast<TBackgroundWorker*>(self);
  worker->phase_ = kWorking;
  try {
    worker->DoWork();
  } catch (const std::exception& e) {
    // Not the library's own error: the run counts as cancelled.
    worker->cancelled_ = true;
    worker->cancellationPending_ = false;
    _NativeTraceError(u"[TBackgroundWorkerThread.Execute]" + ForeignMessage(&e));
  } catch (...) {
    worker->cancelled_ = true;
    worker->cancellationPending_ = false;
    _NativeTraceError(u"[TBackgroundWorkerThread.Execute]" + ForeignMessage(nullptr));
  }
  worker->phase_ = kEnding;
  worker->Post(kFinishedMessage, worker->cancelled_ ? 1 : 0, 0);
  return 0;
}

bool TBackgroundWorker::Cancel() {
  const bool busy = IsBusy();
  if (busy) cancellationPending_ = true;
  return busy;
}

void TBackgroundWorker::WaitFor() {
  // The work step cannot wait for its own run.
  if (GetCurrentThreadId() == threadId_) return;
  while (IsBusy()) {
    MSG msg;
    if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) return;
    const HWND window = window_;
    if (window && PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&msg);
      continue;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_POSTMESSAGE | QS_SENDMESSAGE);
  }
}

void TBackgroundWorker::RequireWorkerThread(const char16_t* operation, bool needThread) {
  if (GetCurrentThreadId() != threadId_ || (needThread && !thread_)) {
    throw EBackgroundWorker(StrFormat(u"您必须在OnWork或OnWorkProc事件函数中调用【%s.%s】", {GetName(), operation}));
  }
}

bool TBackgroundWorker::Post(UINT message, WPARAM wparam, LPARAM lparam) {
  for (;;) {
    const HWND window = window_;
    if (!window) return false;
    if (PostMessageW(window, message, wparam, lparam)) return true;
    // A full message queue drains as the main thread works on: the work step
    // waits rather than losing a report or its completion.
    if (GetLastError() != ERROR_NOT_ENOUGH_QUOTA) return false;
    Sleep(1);
  }
}

void TBackgroundWorker::PostAndWait(unique_handle& event, UINT message, WPARAM wparam, LPARAM lparam) {
  if (event) {
    ResetEvent(event.get());
  } else {
    event.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) throw EBackgroundWorker(SystemErrorMessage(GetLastError()));
  }
  if (Post(message, wparam, lparam)) WaitForSingleObject(event.get(), INFINITE);
}

void TBackgroundWorker::ReportProgress(int32_t value) {
  RequireWorkerThread(u"ReportProgress", false);
  Post(kProgressMessage, static_cast<WPARAM>(value), 0);
}

void TBackgroundWorker::ReportProgressWait(int32_t value) {
  RequireWorkerThread(u"ReportProgressWait", false);
  PostAndWait(progressEvent_, kProgressWaitMessage, static_cast<WPARAM>(value), 0);
}

void TBackgroundWorker::ReportFeedback(intptr_t a, intptr_t b) {
  RequireWorkerThread(u"ReportFeedback", true);
  Post(kFeedbackMessage, static_cast<WPARAM>(a), static_cast<LPARAM>(b));
}

void TBackgroundWorker::ReportFeedbackWait(intptr_t a, intptr_t b) {
  RequireWorkerThread(u"ReportFeedbackWait", true);
  PostAndWait(feedbackEvent_, kFeedbackWaitMessage, static_cast<WPARAM>(a), static_cast<LPARAM>(b));
}

void TBackgroundWorker::Synchronize(void* param, TSyncMethod method) {
  RequireWorkerThread(u"Synchronize", true);
  TSyncRecord record{method, param, {}, false};
  PostAndWait(mainCallEvent_, kSynchronizeMessage, reinterpret_cast<WPARAM>(&record), 0);
  if (record.failed) throw ENativeError(record.error);
}

void TBackgroundWorker::AcceptCancellation() {
  RequireWorkerThread(u"AcceptCancellation", false);
  cancelled_ = true;
  cancellationPending_ = false;
}

LRESULT TBackgroundWorker::WindowThunk(void* self, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* worker = static_cast<TBackgroundWorker*>(self);
  if (message < kFeedbackMessage || message > kFinishedMessage) return worker->WndProc(window, message, wparam, lparam);
  // A handler may drop the last reference; the worker lives until its
  // message is handled.
  worker->AddRef();
  LRESULT result = 0;
  try {
    result = worker->WndProc(window, message, wparam, lparam);
  } catch (const std::exception& e) {
    _NativeTraceError(u"[TBackgroundWorker.WndProc]" + ForeignMessage(&e));
  } catch (...) {
    _NativeTraceError(u"[TBackgroundWorker.WndProc]" + ForeignMessage(nullptr));
  }
  worker->Release();
  return result;
}

LRESULT TBackgroundWorker::WndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kFeedbackMessage:
      DoWorkFeedback(static_cast<intptr_t>(wparam), static_cast<intptr_t>(lparam));
      return 0;
    case kFeedbackWaitMessage: {
      TSignalOnExit signal(feedbackEvent_);
      DoWorkFeedback(static_cast<intptr_t>(wparam), static_cast<intptr_t>(lparam));
      return 0;
    }
    case kProgressMessage:
      DoWorkProgress(static_cast<int32_t>(wparam));
      return 0;
    case kProgressWaitMessage: {
      TSignalOnExit signal(progressEvent_);
      DoWorkProgress(static_cast<int32_t>(wparam));
      return 0;
    }
    case kSynchronizeMessage: {
      TSignalOnExit signal(mainCallEvent_);
      auto* record = reinterpret_cast<TSyncRecord*>(wparam);
      try {
        if (record->method.code) record->method.code(record->method.self, record->param);
      } catch (const ENativeError& e) {
        record->failed = true;
        record->error = e.Message();
      } catch (const std::exception& e) {
        record->failed = true;
        record->error = ForeignMessage(&e);
      }
      return 0;
    }
    case kFinishedMessage:
      Cleanup(false);
      DoWorkComplete(wparam != 0);
      return 0;
    case WM_NCDESTROY: {
      HWND expected = window;
      window_.compare_exchange_strong(expected, nullptr);
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void TBackgroundWorker::Cleanup(bool clearHandle) {
  if (thread_) {
    if (GetCurrentThreadId() != threadId_) WaitForThreadEnd(thread_.get());
    thread_.reset();
    threadId_ = 0;
  }
  mainCallEvent_.reset();
  feedbackEvent_.reset();
  progressEvent_.reset();
  const HWND window = window_;
  if (window) DeallocateWorkerWindow(window);
  if (clearHandle) window_ = nullptr;
}

void TBackgroundWorker::Dispatch(const char16_t* prefix, TWorkerEvent event, intptr_t a, intptr_t b, int32_t c,
                                 int32_t d) {
  const TWorkerMethod method = GetOnWork();
  const TWorkerProc proc = GetOnWorkProc();
  try {
    if (method) method(this, event, a, b, c, d);
    if (proc) proc(this, event, a, b, c, d);
  } catch (const ENativeError& e) {
    _NativeTraceError(prefix + e.Message());
  }
}

void TBackgroundWorker::DoStart() {
  Dispatch(u"[TBackgroundWorker.DoStart]", TWorkerEvent::Start, userData_, userValue_, 0, 0);
}

void TBackgroundWorker::DoWork() { Dispatch(u"[TBackgroundWorker.DoWork]", TWorkerEvent::Work, 0, 0, 0, 0); }

void TBackgroundWorker::DoWorkComplete(bool cancelled) {
  // Finished also when a handler failed; not when a handler started the
  // next run.
  struct TSetFinished {
    TBackgroundWorker* self;
    ~TSetFinished() { self->finished_ = !self->IsBusy(); }
  } setFinished{this};
  Dispatch(u"[TBackgroundWorker.DoWorkComplete]", TWorkerEvent::WorkComplete, userData_, userValue_, 0,
           cancelled ? 1 : 0);
}

void TBackgroundWorker::DoWorkProgress(int32_t value) {
  Dispatch(u"[TBackgroundWorker.DoWorkProgress]", TWorkerEvent::WorkProgress, userData_, userValue_, value, 0);
}

void TBackgroundWorker::DoWorkFeedback(intptr_t a, intptr_t b) {
  Dispatch(u"[TBackgroundWorker.DoWorkFeedback]", TWorkerEvent::WorkFeedback, a, b, 0, 0);
}

// ---------------------------------------------------------------------------
// TTimer

TTimer::TTimer() : window_(AllocateWorkerWindow(&TTimer::WindowThunk, this)) {
  if (!window_) throw ENativeError(SystemErrorMessage(GetLastError()));
}

TTimer::~TTimer() {
  // Destroying the window ends its timer.
  DeallocateWorkerWindow(window_);
}

void TTimer::SetInterval(UINT milliseconds) {
  if (interval_.exchange(milliseconds) != milliseconds) UpdateTimer();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled_.exchange(enabled) != enabled) UpdateTimer();
}

void TTimer::SetOnTimer(std::function<void(TTimer&)> handler) {
  onTimer_ = std::move(handler);
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  // A timer belongs to its window's thread.
  if (!OnWindowThread(window_)) {
    PostMessageW(window_, kTimerUpdateMessage, 0, 0);
    return;
  }
  KillTimer(window_, kTimerId);
  if (interval_ != 0 && enabled_ && onTimer_) {
    if (!SetTimer(window_, kTimerId, interval_, nullptr)) throw EOutOfResources(u"没有足够的可用计时器");
  }
}

LRESULT TTimer::WindowThunk(void* self, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* timer = static_cast<TTimer*>(self);
  if (message != WM_TIMER && message != kTimerUpdateMessage) return DefWindowProcW(window, message, wparam, lparam);
  try {
    if (message == kTimerUpdateMessage) {
      timer->UpdateTimer();
    } else if (timer->onTimer_) {
      timer->onTimer_(*timer);
    }
  } catch (const ENativeError& e) {
    _NativeTraceError(u"[TTimer.WndProc]" + e.Message());
  } catch (const std::exception& e) {
    _NativeTraceError(u"[TTimer.WndProc]" + ForeignMessage(&e));
  }
  return 0;
}

// ---------------------------------------------------------------------------
// TBackgroundWorkerList

// Holds the list's lock for one operation.
class TBackgroundWorkerList::TLocked {
 public:
  explicit TLocked(TBackgroundWorkerList& list) : list_(list) { list_.Lock(); }
  ~TLocked() { list_.Unlock(); }
  TLocked(const TLocked&) = delete;
  TLocked& operator=(const TLocked&) = delete;

 private:
  TBackgroundWorkerList& list_;
};

namespace {

// References taken out of a list are released after its lock: a worker's
// destruction may wait for the main thread.
using TDropped = std::vector<com_ptr<IBackgroundWorker>>;

}  // namespace

TBackgroundWorkerList::TBackgroundWorkerList(UINT purgeInterval) {
  InitializeCriticalSection(&lock_);
  try {
    timer_ = std::make_unique<TTimer>();
    timer_->SetInterval(purgeInterval);
    timer_->SetOnTimer([this](TTimer&) { RemoveFinished(); });
  } catch (...) {
    DeleteCriticalSection(&lock_);
    throw;
  }
}

TBackgroundWorkerList::~TBackgroundWorkerList() {
  {
    TLocked locked(*this);
    destroying_ = true;
  }
  timer_->SetEnabled(false);
  timer_.reset();
  TDropped dropped;
  {
    TLocked locked(*this);
    dropped.swap(items_);
  }
  dropped.clear();
  DeleteCriticalSection(&lock_);
}

HRESULT TBackgroundWorkerList::QueryInterface(REFIID iid, void** object) {
  return QueryOne<TBackgroundWorkerList, IBackgroundWorkerList>(this, iid, IID_IBackgroundWorkerList, object);
}

ULONG TBackgroundWorkerList::AddRef() { return ++refs_; }

ULONG TBackgroundWorkerList::Release() {
  const ULONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

void TBackgroundWorkerList::UpdateTimer() {
  if (sweeping_ || destroying_) return;
  timer_->SetEnabled(!items_.empty());
}

void TBackgroundWorkerList::CheckIndex(int index, size_t limit) const {
  if (index < 0 || static_cast<size_t>(index) >= limit) {
    throw ENativeError(StrFormat(u"List index out of bounds (%d)", {index}));
  }
}

int TBackgroundWorkerList::Count() {
  TLocked locked(*this);
  return static_cast<int>(items_.size());
}

com_ptr<IBackgroundWorker> TBackgroundWorkerList::GetItem(int index) {
  TLocked locked(*this);
  CheckIndex(index, items_.size());
  return items_[index];
}

com_ptr<IBackgroundWorker> TBackgroundWorkerList::FindByName(std::u16string_view name) {
  TLocked locked(*this);
  for (const auto& worker : items_) {
    if (worker && SameTextAscii(worker->GetName(), name)) return worker;
  }
  return {};
}

void TBackgroundWorkerList::SetItem(int index, IBackgroundWorker* worker) {
  com_ptr<IBackgroundWorker> replaced(worker);
  TLocked locked(*this);
  CheckIndex(index, items_.size());
  items_[index].swap(replaced);
}

void TBackgroundWorkerList::SetItemByName(std::u16string_view name, IBackgroundWorker* worker) {
  com_ptr<IBackgroundWorker> replaced(worker);
  TLocked locked(*this);
  for (auto& item : items_) {
    if (item && SameTextAscii(item->GetName(), name)) {
      item.swap(replaced);
      return;
    }
  }
}

void TBackgroundWorkerList::RemoveFinished() {
  TDropped dropped;
  TLocked locked(*this);
  if (sweeping_) return;
  sweeping_ = true;
  for (size_t i = items_.size(); i-- > 0;) {
    if (!items_[i] || items_[i]->GetFinished()) {
      dropped.push_back(std::move(items_[i]));
      items_.erase(items_.begin() + static_cast<ptrdiff_t>(i));
    }
  }
  sweeping_ = false;
  UpdateTimer();
}

int TBackgroundWorkerList::AddWorker(IBackgroundWorker* worker) {
  TLocked locked(*this);
  items_.emplace_back(worker);
  UpdateTimer();
  return static_cast<int>(items_.size() - 1);
}

com_ptr<IBackgroundWorker> TBackgroundWorkerList::Add(std::u16string_view name, std::u16string_view category) {
  if (name.empty()) throw ENativeError(u"[TBackgroundWorkerList.Add] AName Parameter cannot empty!");
  auto worker = com_ptr<IBackgroundWorker>::attach(new TBackgroundWorker());
  worker->SetName(name);
  worker->SetCategory(category);
  AddWorker(worker.get());
  return worker;
}

void TBackgroundWorkerList::RemoveCategory(std::u16string_view category) {
  TDropped dropped;
  TLocked locked(*this);
  if (category.empty()) {
    dropped.swap(items_);
  } else {
    for (size_t i = items_.size(); i-- > 0;) {
      if (!items_[i] || SameTextAscii(items_[i]->GetCategory(), category)) {
        dropped.push_back(std::move(items_[i]));
        items_.erase(items_.begin() + static_cast<ptrdiff_t>(i));
      }
    }
  }
  UpdateTimer();
}

void TBackgroundWorkerList::CancelCategory(std::u16string_view category, bool wait) {
  TLocked locked(*this);
  for (size_t i = items_.size(); i-- > 0;) {
    // Waiting runs completion handlers, which may change the list.
    if (i >= items_.size()) continue;
    const com_ptr<IBackgroundWorker> worker = items_[i];
    if (!worker || !worker->IsBusy() || worker->GetFinished()) continue;
    if (!category.empty() && !SameTextAscii(worker->GetCategory(), category)) continue;
    worker->Cancel();
    if (wait) worker->WaitFor();
  }
}

void TBackgroundWorkerList::Delete(int index) {
  TDropped dropped;
  TLocked locked(*this);
  CheckIndex(index, items_.size());
  dropped.push_back(std::move(items_[index]));
  items_.erase(items_.begin() + index);
  UpdateTimer();
}

void TBackgroundWorkerList::Insert(int index, IBackgroundWorker* worker) {
  TLocked locked(*this);
  CheckIndex(index, items_.size() + 1);
  items_.emplace(items_.begin() + index, worker);
  UpdateTimer();
}

int TBackgroundWorkerList::IndexOf(IBackgroundWorker* worker) {
  TLocked locked(*this);
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == worker) return static_cast<int>(i);
  }
  return -1;
}

int TBackgroundWorkerList::IndexOfName(std::u16string_view name, std::u16string_view category) {
  TLocked locked(*this);
  for (size_t i = 0; i < items_.size(); ++i) {
    const auto& worker = items_[i];
    if (worker && SameTextAscii(worker->GetName(), name) && worker->GetCategory() == category) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int TBackgroundWorkerList::Remove(IBackgroundWorker* worker) {
  TDropped dropped;
  TLocked locked(*this);
  TBackgroundWorker* const object = worker ? worker->GetWorkerObject() : nullptr;
  for (size_t i = 0; i < items_.size(); ++i) {
    const auto& item = items_[i];
    if (item ? object && item->GetWorkerObject() == object : !worker) {
      dropped.push_back(std::move(items_[i]));
      items_.erase(items_.begin() + static_cast<ptrdiff_t>(i));
      UpdateTimer();
      return static_cast<int>(i);
    }
  }
  return -1;
}

com_ptr<IBackgroundWorker> TBackgroundWorkerList::First() { return GetItem(0); }

com_ptr<IBackgroundWorker> TBackgroundWorkerList::Last() {
  TLocked locked(*this);
  return GetItem(static_cast<int>(items_.size()) - 1);
}

// ---------------------------------------------------------------------------
// TWorkerFactory

namespace {

class TWorkerFactory final : public IWorkerFactory {
 public:
  TWorkerFactory() {
    allocator_ = CreateUtilWindow(&TWorkerFactory::AllocatorThunk, this);
    window_ = CreateUtilWindow(&TWorkerFactory::WindowThunk, this);
    if (!allocator_ || !window_) {
      const DWORD error = GetLastError();
      DestroyWindows();
      throw EBackgroundWorker(SystemErrorMessage(error));
    }
    g_allocator = allocator_;
  }

  ~TWorkerFactory() {
    if (list_) {
      list_->CancelCategory(u"", false);
      list_->RemoveCategory(u"");
      list_.reset();
    }
    {
      std::lock_guard lock(hooksLock_);
      hooks_.clear();
    }
    DestroyWindows();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return QueryOne<TWorkerFactory, IWorkerFactory>(this, iid, IID_IWorkerFactory, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  IBackgroundWorkerList* GetWorkerList() override {
    std::lock_guard lock(listLock_);
    if (!list_) list_ = com_ptr<IBackgroundWorkerList>::attach(new TBackgroundWorkerList());
    return list_.get();
  }
  HWND GetHandle() override { return window_; }
  TMessageMethod GetOnMessage() override {
    std::lock_guard lock(hooksLock_);
    return onMessage_;
  }
  void SetOnMessage(TMessageMethod handler) override {
    std::lock_guard lock(hooksLock_);
    onMessage_ = handler;
  }

  com_ptr<IBackgroundWorker> NewWorker(std::u16string_view name, std::u16string_view category,
                                       TWorkerMethod onWork) override {
    auto worker = NewNamedWorker(name, category);
    worker->SetOnWork(onWork);
    return worker;
  }
  com_ptr<IBackgroundWorker> NewWorkerProc(std::u16string_view name, std::u16string_view category,
                                           TWorkerProc onWorkProc) override {
    auto worker = NewNamedWorker(name, category);
    worker->SetOnWorkProc(onWorkProc);
    return worker;
  }
  com_ptr<IBackgroundWorkerList> CreateWorkerList() override {
    return com_ptr<IBackgroundWorkerList>::attach(new TBackgroundWorkerList());
  }

  void RunWorker(IBackgroundWorker* worker) override {
    if (!worker) return;
    if (worker->IsBusy()) {
      worker->Cancel();
      worker->WaitFor();
    }
    worker->Execute();
  }
  void RunWorkerMethod(IBackgroundWorker* worker, TWorkerMethod onWork) override {
    // Code addresses up to 65535 are never valid code.
    if (!worker || reinterpret_cast<uintptr_t>(onWork.code) <= 65535) return;
    worker->SetOnWork(onWork);
    worker->SetOnWorkProc(nullptr);
    RunWorker(worker);
  }
  void RunWorkerProc(IBackgroundWorker* worker, TWorkerProc onWorkProc) override {
    if (!worker || !onWorkProc) return;
    worker->SetOnWork({});
    worker->SetOnWorkProc(onWorkProc);
    RunWorker(worker);
  }
  void CancelWorker(IBackgroundWorker* worker) override {
    try {
      if (worker && worker->IsBusy()) {
        worker->Cancel();
        worker->WaitFor();
      }
    } catch (const ENativeError& e) {
      _NativeTraceError(u"[TWorkerFactory.CancelWorker]" + e.Message());
    }
  }
  void FreeWorker(com_ptr<IBackgroundWorker>& worker) override {
    try {
      if (worker) {
        CancelWorker(worker.get());
        worker.reset();
      }
    } catch (const ENativeError& e) {
      _NativeTraceError(u"[TWorkerFactory.FreeWorker]" + e.Message());
    }
  }

  void ClearMessageHooks() override {
    std::lock_guard lock(hooksLock_);
    hooks_.clear();
  }
  int AddMessageHook(TMessageHook hook, void* data) override {
    std::lock_guard lock(hooksLock_);
    // One entry per hook function: adding it again keeps the first.
    for (size_t i = 0; i < hooks_.size(); ++i) {
      if (hooks_[i].hook == hook) return static_cast<int>(i);
    }
    hooks_.push_back({hook, data});
    return static_cast<int>(hooks_.size() - 1);
  }
  void RemoveMessageHook(TMessageHook hook) override {
    std::lock_guard lock(hooksLock_);
    for (size_t i = 0; i < hooks_.size(); ++i) {
      if (hooks_[i].hook == hook) {
        hooks_.erase(hooks_.begin() + static_cast<ptrdiff_t>(i));
        return;
      }
    }
  }
  void DeleteMessageHook(int index) override {
    std::lock_guard lock(hooksLock_);
    if (index < 0 || static_cast<size_t>(index) >= hooks_.size()) {
      throw ENativeError(StrFormat(u"List index out of bounds (%d)", {index}));
    }
    hooks_.erase(hooks_.begin() + index);
  }
  LRESULT SendMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    return ::SendMessageW(window_, message, wparam, lparam);
  }
  bool PostMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    return ::PostMessageW(window_, message, wparam, lparam) != FALSE;
  }

 private:
  struct THookEntry {
    TMessageHook hook;
    void* data;
  };

  static com_ptr<IBackgroundWorker> NewNamedWorker(std::u16string_view name, std::u16string_view category) {
    auto worker = com_ptr<IBackgroundWorker>::attach(new TBackgroundWorker());
    worker->SetName(name);
    worker->SetCategory(category);
    return worker;
  }

  void DestroyWindows() {
    if (window_) DestroyWindow(std::exchange(window_, nullptr));
    if (allocator_) {
      HWND expected = allocator_;
      g_allocator.compare_exchange_strong(expected, nullptr);
      DestroyWindow(std::exchange(allocator_, nullptr));
    }
  }

  static LRESULT AllocatorThunk(void* self, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return static_cast<TWorkerFactory*>(self)->AllocatorWndProc(window, message, wparam, lparam);
  }
  static LRESULT WindowThunk(void* self, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return static_cast<TWorkerFactory*>(self)->WndProc(window, message, wparam, lparam);
  }

  // The allocator window creates and destroys the other threads' windows on
  // the main thread.
  LRESULT AllocatorWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
      case kAllocateMessage:
        return reinterpret_cast<LRESULT>(
            CreateUtilWindow(reinterpret_cast<TWindowProc>(wparam), reinterpret_cast<void*>(lparam)));
      case kDeallocateMessage:
        DestroyWindow(reinterpret_cast<HWND>(wparam));
        return 0;
      default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
  }

  // The hooks from the last added to the first, then the default handler.
  LRESULT WndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    std::vector<THookEntry> hooks;
    TMessageMethod onMessage;
    {
      std::lock_guard lock(hooksLock_);
      hooks = hooks_;
      onMessage = onMessage_;
    }
    TWorkerMessage msg{message, wparam, lparam, 0};
    bool handled = false;
    try {
      for (auto it = hooks.rbegin(); it != hooks.rend() && !handled; ++it) it->hook(it->data, msg, handled);
      if (!handled && onMessage) onMessage.code(onMessage.self, msg, handled);
    } catch (const ENativeError& e) {
      _NativeTraceError(u"[TWorkerFactory.WndProc]" + e.Message());
      handled = true;
    } catch (const std::exception& e) {
      _NativeTraceError(u"[TWorkerFactory.WndProc]" + ForeignMessage(&e));
      handled = true;
    }
    return handled ? msg.Result : DefWindowProcW(window, message, wparam, lparam);
  }

  std::atomic<ULONG> refs_{1};
  HWND window_ = nullptr;
  HWND allocator_ = nullptr;
  std::mutex listLock_;
  com_ptr<IBackgroundWorkerList> list_;
  std::mutex hooksLock_;
  std::vector<THookEntry> hooks_;
  TMessageMethod onMessage_;
};

}  // namespace

IWorkerFactory* WorkerFactory() {
  IWorkerFactory* factory = g_factory;
  // The factory's windows belong to the main thread: it is made there only.
  if (!factory && !g_finalized && IsMainThread()) {
    factory = new TWorkerFactory();
    g_factory = factory;
  }
  return factory;
}

IBackgroundWorkerList* WorkerList() {
  IWorkerFactory* factory = WorkerFactory();
  return factory ? factory->GetWorkerList() : nullptr;
}

void InitializeWorkerFramework() {
  if (MainThreadId() == 0) SetMainThreadId(GetCurrentThreadId());
  g_finalized = false;
  RegisterWindowClass();
  WorkerList();
}

void FinalizeWorkerFramework() {
  g_finalized = true;
  if (IWorkerFactory* factory = g_factory.exchange(nullptr)) factory->Release();
  UnregisterWindowClass();
}
