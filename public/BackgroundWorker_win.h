// Background workers: a long work step runs on a thread of its own and
// reports progress, feedback and its completion to the main thread through a
// hidden message window, so that every event but the work step itself runs
// where page callbacks may be called. Lists keep workers and purge finished
// ones by themselves; one factory per process owns the shared list and the
// window that creates the other threads' windows on the main thread.
//
// Threads: Start runs on the thread that called Execute, Work on the worker's
// thread, WorkProgress, WorkFeedback, Synchronize targets and WorkComplete on
// the main thread (MainThreadId), in the order their messages were posted.
// The main thread must not block on a worker except through WaitFor.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "NativeError.h"
#include "WinHandle.h"

class TBackgroundWorker;
class TBackgroundWorkerList;
struct IBackgroundWorker;

// The framework's error class.
class EBackgroundWorker : public ENativeError {
 public:
  using ENativeError::ENativeError;
};

// The platform timer could not be started.
class EOutOfResources : public ENativeError {
 public:
  using ENativeError::ENativeError;
};

enum class TWorkerEvent : uint8_t { Start = 0, Work = 1, WorkProgress = 2, WorkComplete = 3, WorkFeedback = 4 };

// Event arguments:
//   Start         UserData, UserValue, 0, 0          (the thread that called Execute)
//   Work          0, 0, 0, 0                         (the worker thread)
//   WorkProgress  UserData, UserValue, value, 0      (main thread)
//   WorkComplete  UserData, UserValue, 0, cancelled  (main thread; cancelled is 0 or 1)
//   WorkFeedback  first value, second value, 0, 0    (main thread)
// A and B are pointer-sized so that UserData fits.
using TWorkerProc = void (*)(IBackgroundWorker* sender, TWorkerEvent event, intptr_t a, intptr_t b, int32_t c,
                             int32_t d);

// A handler bound to its object: `code` is called with `self` first.
struct TWorkerMethod {
  using Code = void (*)(void* self, IBackgroundWorker* sender, TWorkerEvent event, intptr_t a, intptr_t b, int32_t c,
                        int32_t d);
  Code code = nullptr;
  void* self = nullptr;

  explicit operator bool() const { return code != nullptr; }
  bool operator==(const TWorkerMethod&) const = default;
  void operator()(IBackgroundWorker* sender, TWorkerEvent event, intptr_t a, intptr_t b, int32_t c, int32_t d) const {
    code(self, sender, event, a, b, c, d);
  }
  // TWorkerMethod::Of<&TJob::OnWork>(job) calls job->OnWork(sender, event, a, b, c, d).
  template <auto Member, typename T>
  static TWorkerMethod Of(T* object) {
    return {[](void* self, IBackgroundWorker* sender, TWorkerEvent event, intptr_t a, intptr_t b, int32_t c,
               int32_t d) { (static_cast<T*>(self)->*Member)(sender, event, a, b, c, d); },
            object};
  }
};

// The method Synchronize runs on the main thread: code(self, param).
struct TSyncMethod {
  void (*code)(void* self, void* param) = nullptr;
  void* self = nullptr;
};

// {170D13CC-CECE-4EBD-B2F4-77B106651E08}
inline constexpr IID IID_IBackgroundWorker = {0x170D13CC, 0xCECE, 0x4EBD, {0xB2, 0xF4, 0x77, 0xB1, 0x06, 0x65, 0x1E, 0x08}};

struct IBackgroundWorker : public IUnknown {
  virtual std::u16string GetName() = 0;
  virtual std::u16string GetCategory() = 0;
  virtual bool GetFinished() = 0;
  virtual bool GetCancellationPending() = 0;
  virtual bool GetCancelled() = 0;
  // Busy from Execute until the run's completion message was handled.
  virtual bool IsBusy() = 0;
  // The thread of the current run; 0 when there is none.
  virtual DWORD GetThreadId() = 0;
  virtual intptr_t GetUserData() = 0;
  virtual int32_t GetUserValue() = 0;
  virtual com_ptr<IUnknown> GetAttachment() = 0;
  virtual TWorkerMethod GetOnWork() = 0;
  virtual TWorkerProc GetOnWorkProc() = 0;
  virtual void SetName(std::u16string_view name) = 0;
  virtual void SetCategory(std::u16string_view category) = 0;
  virtual void SetFinished(bool finished) = 0;
  virtual void SetUserData(intptr_t data) = 0;
  virtual void SetUserValue(int32_t value) = 0;
  virtual void SetAttachment(IUnknown* attachment) = 0;
  virtual void SetOnWork(TWorkerMethod handler) = 0;
  virtual void SetOnWorkProc(TWorkerProc handler) = 0;
  // The implementing object, for identity.
  virtual TBackgroundWorker* GetWorkerObject() = 0;
  // Starts a run; EBackgroundWorker "【name】已经在执行了" while busy.
  virtual void Execute() = 0;
  virtual void ExecuteOnWork(TWorkerMethod handler) = 0;
  virtual void ExecuteOnWorkProc(TWorkerProc handler) = 0;
  // Asks a busy worker to stop; returns whether it was busy. The work step
  // polls GetCancellationPending and ends with AcceptCancellation.
  virtual bool Cancel() = 0;
  // While busy, handles this worker's messages only (main thread); returns
  // early on a quit message, which stays queued.
  virtual void WaitFor() = 0;
  // The operations below belong to the work step: called from another
  // thread they raise EBackgroundWorker. The waiting forms and Synchronize
  // return after the main thread has handled the message.
  virtual void ReportProgress(int32_t value) = 0;
  virtual void ReportProgressWait(int32_t value) = 0;
  virtual void ReportFeedback(intptr_t a, intptr_t b) = 0;
  virtual void ReportFeedbackWait(intptr_t a, intptr_t b) = 0;
  virtual void Synchronize(void* param, TSyncMethod method) = 0;
  virtual void AcceptCancellation() = 0;
};

// Runs `f()` on the main thread from the work step of `worker`; an
// ENativeError raised by `f` is raised again here.
template <typename F>
void SynchronizeCall(IBackgroundWorker* worker, F&& f) {
  using Fn = std::remove_reference_t<F>;
  worker->Synchronize(nullptr, TSyncMethod{[](void* self, void*) { (*static_cast<Fn*>(self))(); }, &f});
}

class TBackgroundWorker : public IBackgroundWorker {
 public:
  TBackgroundWorker();
  TBackgroundWorker(const TBackgroundWorker&) = delete;
  TBackgroundWorker& operator=(const TBackgroundWorker&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  std::u16string GetName() override;
  std::u16string GetCategory() override;
  bool GetFinished() override { return finished_; }
  bool GetCancellationPending() override { return cancellationPending_; }
  bool GetCancelled() override { return cancelled_; }
  bool IsBusy() override { return window_.load() != nullptr; }
  DWORD GetThreadId() override { return threadId_; }
  intptr_t GetUserData() override { return userData_; }
  int32_t GetUserValue() override { return userValue_; }
  com_ptr<IUnknown> GetAttachment() override;
  TWorkerMethod GetOnWork() override;
  TWorkerProc GetOnWorkProc() override;
  void SetName(std::u16string_view name) override;
  void SetCategory(std::u16string_view category) override;
  void SetFinished(bool finished) override { finished_ = finished; }
  void SetUserData(intptr_t data) override { userData_ = data; }
  void SetUserValue(int32_t value) override { userValue_ = value; }
  void SetAttachment(IUnknown* attachment) override;
  void SetOnWork(TWorkerMethod handler) override;
  void SetOnWorkProc(TWorkerProc handler) override;
  TBackgroundWorker* GetWorkerObject() override { return this; }
  void Execute() override;
  void ExecuteOnWork(TWorkerMethod handler) override;
  void ExecuteOnWorkProc(TWorkerProc handler) override;
  bool Cancel() override;
  void WaitFor() override;
  void ReportProgress(int32_t value) override;
  void ReportProgressWait(int32_t value) override;
  void ReportFeedback(intptr_t a, intptr_t b) override;
  void ReportFeedbackWait(intptr_t a, intptr_t b) override;
  void Synchronize(void* param, TSyncMethod method) override;
  void AcceptCancellation() override;

 protected:
  virtual ~TBackgroundWorker();

  // The procedure of the worker's message window (main thread).
  virtual LRESULT WndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // Ends a run: waits for the thread, closes the events and destroys the
  // window; with `clearHandle` the worker is idle at once, otherwise when the
  // window has processed its destruction.
  virtual void Cleanup(bool clearHandle);
  virtual void DoStart();
  virtual void DoWork();
  virtual void DoWorkComplete(bool cancelled);
  virtual void DoWorkProgress(int32_t value);
  virtual void DoWorkFeedback(intptr_t a, intptr_t b);

 private:
  static LRESULT WindowThunk(void* self, HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  static unsigned __stdcall ThreadProc(void* self);
  // Runs before the memory goes: a busy worker's thread is terminated.
  void Destroy();
  void TerminateRun();
  void Dispatch(const char16_t* prefix, TWorkerEvent event, intptr_t a, intptr_t b, int32_t c, int32_t d);
  void RequireWorkerThread(const char16_t* operation, bool needThread);
  bool Post(UINT message, WPARAM wparam, LPARAM lparam);
  void PostAndWait(unique_handle& event, UINT message, WPARAM wparam, LPARAM lparam);

  std::atomic<ULONG> refs_{1};
  std::mutex fieldsLock_;  // name, category, attachment, handlers
  std::u16string name_ = u"Background Worker";
  std::u16string category_;
  com_ptr<IUnknown> attachment_;
  TWorkerMethod onWork_;
  TWorkerProc onWorkProc_ = nullptr;
  std::atomic<bool> finished_{false};
  std::atomic<bool> cancellationPending_{false};
  std::atomic<bool> cancelled_{false};
  // The work step dropped the last reference: the run's completion, not an
  // earlier report, ends the object.
  std::atomic<bool> orphaned_{false};
  std::atomic<intptr_t> userData_{0};
  std::atomic<int32_t> userValue_{0};
  std::atomic<HWND> window_{nullptr};
  unique_handle thread_;
  std::atomic<DWORD> threadId_{0};
  // Where the run's thread is: starting, in the work step, or past it.
  enum TRunPhase : int { kStarting, kWorking, kEnding };
  std::atomic<int> phase_{kStarting};
  // Created on first use by the work step, closed by Cleanup after the
  // thread has ended.
  unique_handle mainCallEvent_, feedbackEvent_, progressEvent_;
};

// The framework's own timer: a platform timer (id 1) on a hidden window of
// the main thread, running while Interval is not 0, Enabled is set and
// OnTimer is set. Changes from other threads take effect on the main thread.
class TTimer {
 public:
  TTimer();
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  UINT Interval() const { return interval_; }
  void SetInterval(UINT milliseconds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Set it before the timer runs.
  void SetOnTimer(std::function<void(TTimer&)> handler);
  HWND Handle() const { return window_; }

 private:
  static LRESULT WindowThunk(void* self, HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void UpdateTimer();

  std::atomic<UINT> interval_{1000};
  std::atomic<bool> enabled_{false};
  std::function<void(TTimer&)> onTimer_;
  HWND window_ = nullptr;
};

// {CF8F3BF8-1EC0-4B54-B632-50DA54AF6E60}
inline constexpr IID IID_IBackgroundWorkerList = {0xCF8F3BF8, 0x1EC0, 0x4B54, {0xB6, 0x32, 0x50, 0xDA, 0x54, 0xAF, 0x6E, 0x60}};

// An ordered list of workers (entries may be empty). Every operation holds
// the list's lock; Lock/Unlock make several steps atomic.
struct IBackgroundWorkerList : public IUnknown {
  virtual int Count() = 0;
  virtual com_ptr<IBackgroundWorker> GetItem(int index) = 0;
  // The first worker whose name equals `name` ignoring case.
  virtual com_ptr<IBackgroundWorker> FindByName(std::u16string_view name) = 0;
  virtual void SetItem(int index, IBackgroundWorker* worker) = 0;
  virtual void SetItemByName(std::u16string_view name, IBackgroundWorker* worker) = 0;
  virtual TBackgroundWorkerList* GetListObject() = 0;
  // Deletes empty entries and finished workers.
  virtual void RemoveFinished() = 0;
  virtual int AddWorker(IBackgroundWorker* worker) = 0;
  // A new worker named `name` (which must not be empty) in `category`,
  // appended.
  virtual com_ptr<IBackgroundWorker> Add(std::u16string_view name, std::u16string_view category) = 0;
  // Empty category: every entry; else workers of the category (ignoring
  // case) and empty entries.
  virtual void RemoveCategory(std::u16string_view category) = 0;
  // Cancels busy, unfinished workers of the category (all for an empty one),
  // from the last to the first; with `wait` waits for each.
  virtual void CancelCategory(std::u16string_view category, bool wait) = 0;
  virtual void Delete(int index) = 0;
  virtual void Insert(int index, IBackgroundWorker* worker) = 0;
  virtual int IndexOf(IBackgroundWorker* worker) = 0;
  // Name ignoring case, category exactly; -1 when none.
  virtual int IndexOfName(std::u16string_view name, std::u16string_view category) = 0;
  virtual int Remove(IBackgroundWorker* worker) = 0;
  virtual com_ptr<IBackgroundWorker> First() = 0;
  virtual com_ptr<IBackgroundWorker> Last() = 0;
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
};

// The purge interval of the lists the framework creates.
inline constexpr UINT kWorkerListPurgeInterval = 10000;

class TBackgroundWorkerList : public IBackgroundWorkerList {
 public:
  explicit TBackgroundWorkerList(UINT purgeInterval = kWorkerListPurgeInterval);
  TBackgroundWorkerList(const TBackgroundWorkerList&) = delete;
  TBackgroundWorkerList& operator=(const TBackgroundWorkerList&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  int Count() override;
  com_ptr<IBackgroundWorker> GetItem(int index) override;
  com_ptr<IBackgroundWorker> FindByName(std::u16string_view name) override;
  void SetItem(int index, IBackgroundWorker* worker) override;
  void SetItemByName(std::u16string_view name, IBackgroundWorker* worker) override;
  TBackgroundWorkerList* GetListObject() override { return this; }
  void RemoveFinished() override;
  int AddWorker(IBackgroundWorker* worker) override;
  com_ptr<IBackgroundWorker> Add(std::u16string_view name, std::u16string_view category) override;
  void RemoveCategory(std::u16string_view category) override;
  void CancelCategory(std::u16string_view category, bool wait) override;
  void Delete(int index) override;
  void Insert(int index, IBackgroundWorker* worker) override;
  int IndexOf(IBackgroundWorker* worker) override;
  int IndexOfName(std::u16string_view name, std::u16string_view category) override;
  int Remove(IBackgroundWorker* worker) override;
  com_ptr<IBackgroundWorker> First() override;
  com_ptr<IBackgroundWorker> Last() override;
  void Lock() override { EnterCriticalSection(&lock_); }
  void Unlock() override { LeaveCriticalSection(&lock_); }

  // Whether the purge timer runs (for tests and diagnostics).
  bool PurgeTimerEnabled() const { return timer_->Enabled(); }

 private:
  class TLocked;
  virtual ~TBackgroundWorkerList();
  // Enables the purge timer exactly when the list is not empty (lock held).
  void UpdateTimer();
  void CheckIndex(int index, size_t limit) const;

  std::atomic<ULONG> refs_{1};
  CRITICAL_SECTION lock_;
  std::vector<com_ptr<IBackgroundWorker>> items_;
  bool sweeping_ = false;
  bool destroying_ = false;
  std::unique_ptr<TTimer> timer_;
};

// A window message as the factory's hooks see it.
struct TWorkerMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

// A hook of the factory's window; it sets `handled` to stop the chain.
using TMessageHook = void (*)(void* data, TWorkerMessage& message, bool& handled);

// The factory's default message handler, bound to its object.
struct TMessageMethod {
  void (*code)(void* self, TWorkerMessage& message, bool& handled) = nullptr;
  void* self = nullptr;
  explicit operator bool() const { return code != nullptr; }
};

// {D68455DA-1443-4715-9613-1E44A8344A75}
inline constexpr IID IID_IWorkerFactory = {0xD68455DA, 0x1443, 0x4715, {0x96, 0x13, 0x1E, 0x44, 0xA8, 0x34, 0x4A, 0x75}};

struct IWorkerFactory : public IUnknown {
  // The shared list, created on the first request.
  virtual IBackgroundWorkerList* GetWorkerList() = 0;
  // The factory's own window (the one its message hooks serve).
  virtual HWND GetHandle() = 0;
  virtual TMessageMethod GetOnMessage() = 0;
  virtual void SetOnMessage(TMessageMethod handler) = 0;
  virtual com_ptr<IBackgroundWorker> NewWorker(std::u16string_view name, std::u16string_view category,
                                               TWorkerMethod onWork) = 0;
  virtual com_ptr<IBackgroundWorker> NewWorkerProc(std::u16string_view name, std::u16string_view category,
                                                   TWorkerProc onWorkProc) = 0;
  // A new list of its own, apart from the shared one.
  virtual com_ptr<IBackgroundWorkerList> CreateWorkerList() = 0;
  // A busy worker is cancelled and waited for, then executed.
  virtual void RunWorker(IBackgroundWorker* worker) = 0;
  virtual void RunWorkerMethod(IBackgroundWorker* worker, TWorkerMethod onWork) = 0;
  virtual void RunWorkerProc(IBackgroundWorker* worker, TWorkerProc onWorkProc) = 0;
  virtual void CancelWorker(IBackgroundWorker* worker) = 0;
  // Cancels and waits for the worker, then releases the reference.
  virtual void FreeWorker(com_ptr<IBackgroundWorker>& worker) = 0;
  virtual void ClearMessageHooks() = 0;
  // Adding a hook twice keeps the first; returns its index.
  virtual int AddMessageHook(TMessageHook hook, void* data) = 0;
  virtual void RemoveMessageHook(TMessageHook hook) = 0;
  virtual void DeleteMessageHook(int index) = 0;
  virtual LRESULT SendMessage(UINT message, WPARAM wparam, LPARAM lparam) = 0;
  virtual bool PostMessage(UINT message, WPARAM wparam, LPARAM lparam) = 0;
};

// The process-wide factory, created on first use; nullptr once the framework
// was finalized.
IWorkerFactory* WorkerFactory();
// The factory's shared list; nullptr once the framework was finalized.
IBackgroundWorkerList* WorkerList();

// Unit start-up (on the main thread): the factory and its shared list.
void InitializeWorkerFramework();
// Unit unload: every worker is asked to cancel and released (busy ones are
// terminated), then the factory's windows go.
void FinalizeWorkerFramework();

// A hidden message window whose messages go to proc(object, ...), created on
// the main thread (through the factory's allocator window from other
// threads); nullptr on failure.
using TWindowProc = LRESULT (*)(void* object, HWND window, UINT message, WPARAM wparam, LPARAM lparam);
HWND AllocateWorkerWindow(TWindowProc proc, void* object);
// Destroys such a window on its own thread.
void DeallocateWorkerWindow(HWND window);
// The class name of those windows, for diagnostics.
const wchar_t* WorkerWindowClassName();
