#include "ShareMemFile_win.h"

#include <cstring>

#include "NativeError.h"
#include "NativePublic_win.h"
#include "WinText.h"

namespace {

DWORD PageProtection(DWORD access) {
  if (access & FILE_MAP_WRITE) return PAGE_READWRITE;
  if (access & FILE_MAP_READ) return PAGE_READONLY;
  if (access & FILE_MAP_COPY) return PAGE_WRITECOPY;
  return PAGE_READWRITE;
}

[[noreturn]] void RaiseLastError() { RaiseAssertion(SystemErrorMessage(GetLastError())); }

}  // namespace

std::u16string ShareMemEventName(std::u16string_view name) {
  std::u16string event = u"sharemem_" + std::u16string(name);
  for (char16_t& c : event) {
    if (c == u'\\') c = u'_';
  }
  return event;
}

TShareMemoryFile::TShareMemoryFile(std::u16string_view name, DWORD access, DWORD size) : name_(name), size_(size) {
  // A null access list grants every access, so that processes of other users
  // and integrity levels can open the objects.
  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) {
    RaiseLastError();
  }
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};

  const std::u16string eventName = ShareMemEventName(name_);
  event_.reset(CreateEventW(&attributes, TRUE, TRUE, as_wcstr(eventName.c_str())));
  if (!event_) RaiseLastError();

  mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, &attributes, PageProtection(access), 0, size,
                                    as_wcstr(name_.c_str())));
  if (!mapping_) RaiseLastError();
  alreadyExists_ = GetLastError() == ERROR_ALREADY_EXISTS;

  // The view covers the size this object reports, so that an existing
  // smaller block fails here rather than letting writes run past it.
  memory_.reset(MapViewOfFile(mapping_.get(), access & ~DWORD{8}, 0, 0, size));
  if (!memory_) RaiseLastError();

  if (!alreadyExists_ && (access & FILE_MAP_WRITE)) std::memset(memory_.get(), 0, size);
}

LPCWSTR TShareMemoryFile::GetName() { return as_wcstr(name_.c_str()); }
BOOL TShareMemoryFile::GetAlreadyExists() { return alreadyExists_ ? TRUE : FALSE; }
void* TShareMemoryFile::GetMemory() { return memory_.get(); }
INT32 TShareMemoryFile::GetSize() { return static_cast<INT32>(size_); }
HANDLE TShareMemoryFile::GetEventHandle() { return event_.get(); }
INT32 TShareMemoryFile::GetTag() { return tag_; }
IUnknown* TShareMemoryFile::GetData() { return data_.get(); }
void TShareMemoryFile::SetTag(INT32 tag) { tag_ = tag; }
void TShareMemoryFile::SetData(IUnknown* data) { data_ = data; }

BOOL TShareMemoryFile::WaitFor(DWORD milliseconds) {
  if (WaitForSingleObject(event_.get(), milliseconds) != WAIT_OBJECT_0) return FALSE;
  ResetEvent(event_.get());
  return TRUE;
}

BOOL TShareMemoryFile::Signal() { return SetEvent(event_.get()); }

com_ptr<IShareMemoryFile> NewShareMemoryFile(std::u16string_view name, DWORD access, DWORD size) {
  return com_ptr<IShareMemoryFile>::attach(new TShareMemoryFile(name, access, size));
}
