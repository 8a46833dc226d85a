// A named block of paging-file-backed shared memory with a named manual-reset
// event, for processes that follow each other's work (downloads, installs).
// The block has no lock of its own; the event is the only coordination.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "KVNativeHost.h"
#include "WinComObject.h"
#include "WinHandle.h"

KV_DECLARE_INTERFACE(IShareMemoryFile, IUnknown, "80F92525-9B87-4ACA-820E-DF63C07C8C27") {
  // The name given at creation (also the mapping's name); valid while the
  // object lives.
  virtual LPCWSTR STDMETHODCALLTYPE GetName() = 0;
  // The block existed before this object opened it.
  virtual BOOL STDMETHODCALLTYPE GetAlreadyExists() = 0;
  virtual void* STDMETHODCALLTYPE GetMemory() = 0;
  virtual INT32 STDMETHODCALLTYPE GetSize() = 0;
  virtual HANDLE STDMETHODCALLTYPE GetEventHandle() = 0;
  // A free value and a free counted reference for the owner. GetData returns
  // the reference without adding one (wrap it in a com_ptr to keep it).
  virtual INT32 STDMETHODCALLTYPE GetTag() = 0;
  virtual IUnknown* STDMETHODCALLTYPE GetData() = 0;
  virtual void STDMETHODCALLTYPE SetTag(INT32 tag) = 0;
  virtual void STDMETHODCALLTYPE SetData(IUnknown * data) = 0;
  // Waits for the event; true when it was set within the time, and then
  // resets it.
  virtual BOOL STDMETHODCALLTYPE WaitFor(DWORD milliseconds) = 0;
  // Sets the event.
  virtual BOOL STDMETHODCALLTYPE Signal() = 0;
};
KV_DEFINE_IID(IShareMemoryFile, 0x80F92525, 0x9B87, 0x4ACA, 0x82, 0x0E, 0xDF, 0x63, 0xC0, 0x7C, 0x8C, 0x27)

// Access flags: the file-mapping access bits.
constexpr DWORD kShareMemCopy = FILE_MAP_COPY;    // 1
constexpr DWORD kShareMemWrite = FILE_MAP_WRITE;  // 2
constexpr DWORD kShareMemRead = FILE_MAP_READ;    // 4

// The event of block `name`: "sharemem_" + name with every "\" as "_".
std::u16string ShareMemEventName(std::u16string_view name);

class TShareMemoryFile final : public TComObject<IShareMemoryFile> {
 public:
  // Creates or opens the block `name` of `size` bytes and its event, both
  // open to every user (a null access list). Write access maps it
  // read-write, else read gives read-only, else copy gives copy-on-write,
  // else read-write. A new block opened with write access is zero-filled.
  // Raises ENativeError with the system's text when the event, the mapping
  // or the view cannot be had, also when an existing block is smaller than
  // `size`.
  TShareMemoryFile(std::u16string_view name, DWORD access, DWORD size);

  LPCWSTR STDMETHODCALLTYPE GetName() override;
  BOOL STDMETHODCALLTYPE GetAlreadyExists() override;
  void* STDMETHODCALLTYPE GetMemory() override;
  INT32 STDMETHODCALLTYPE GetSize() override;
  HANDLE STDMETHODCALLTYPE GetEventHandle() override;
  INT32 STDMETHODCALLTYPE GetTag() override;
  IUnknown* STDMETHODCALLTYPE GetData() override;
  void STDMETHODCALLTYPE SetTag(INT32 tag) override;
  void STDMETHODCALLTYPE SetData(IUnknown* data) override;
  BOOL STDMETHODCALLTYPE WaitFor(DWORD milliseconds) override;
  BOOL STDMETHODCALLTYPE Signal() override;

 private:
  ~TShareMemoryFile() override = default;

  const std::u16string name_;
  const DWORD size_;
  unique_handle event_;
  unique_handle mapping_;
  unique_mapview memory_;  // unmapped before the mapping closes
  bool alreadyExists_ = false;
  INT32 tag_ = 0;
  com_ptr<IUnknown> data_;
};

// TShareMemoryFile as its interface; raises as the constructor does.
com_ptr<IShareMemoryFile> NewShareMemoryFile(std::u16string_view name, DWORD access, DWORD size);
