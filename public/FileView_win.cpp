#include "FileView_win.h"

#include "NativePaths.h"
#include "NativePublic_win.h"
#include "WinText.h"

TFileView::TStatus TFileView::Map(HANDLE file, uint64_t size) {
  view_.reset();
  size_ = 0;
  if (size == 0 || size > SIZE_MAX) return TStatus::MappingFailed;
  mapping_.reset(CreateFileMappingW(file, nullptr, PAGE_READONLY, static_cast<DWORD>(size >> 32),
                                    static_cast<DWORD>(size), nullptr));
  if (!mapping_) return TStatus::MappingFailed;
  view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(size)));
  if (!view_) return TStatus::ViewFailed;
  size_ = static_cast<size_t>(size);
  return TStatus::Ok;
}

bool MoveIntoDeferredDeleteFolder(std::u16string_view file, std::u16string_view folder) {
  ForceDirectories(folder);
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::u16string from(file);
  const std::u16string to = IncludeTrailingBackslash(folder) + ExtractFileName(file) +
                            TimeSuffix(now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  return MoveFileW(as_wcstr(from.c_str()), as_wcstr(to.c_str())) != 0;
}
