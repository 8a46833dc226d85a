#include "ZipRead_win.h"

#include <algorithm>

#include "NativePaths.h"
#include "NativePublic_win.h"
#include "WinText.h"

namespace {

class TZipTargetFile final : public IZipTargetFile {
 public:
  TZipTargetFile(unique_hfile file, std::u16string path) : file_(std::move(file)), path_(std::move(path)) {}
  ~TZipTargetFile() override {
    if (committed_) return;
    file_.reset();
    DeleteFileW(as_wcstr(path_.c_str()));
  }

  bool Write(const uint8_t* data, size_t size) override {
    while (size > 0) {
      const DWORD piece = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file_.get(), data, piece, &written, nullptr) || written != piece) return false;
      data += piece;
      size -= piece;
    }
    return true;
  }

  bool Commit(uint32_t dosDateTime) override {
    FILETIME local, utc;
    if (dosDateTime != 0 &&
        DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16), static_cast<WORD>(dosDateTime), &local) &&
        LocalFileTimeToFileTime(&local, &utc)) {
      SetFileTime(file_.get(), nullptr, nullptr, &utc);
    }
    file_.reset();
    committed_ = true;
    return true;
  }

 private:
  unique_hfile file_;
  std::u16string path_;
  bool committed_ = false;
};

// Deletes an existing file at `path`, or moves it into the deferred-delete
// folder when it cannot be deleted (a running program, a read-only file).
// False when the file stays in the way; a directory there is left alone.
bool ClearTarget(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(as_wcstr(path.c_str()));
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  if (DeleteFileW(as_wcstr(path.c_str()))) return true;
  return MoveIntoDeferredDeleteFolder(path, HostExecutableDir() + u"\\_DeleteFiles");
}

}  // namespace

bool TMappedFile::Open(std::u16string_view path) {
  const std::u16string name(path);
  file_.reset(CreateFileW(as_wcstr(name.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size;
  if (!file_ || !GetFileSizeEx(file_.get(), &size) || size.QuadPart <= 0 ||
      static_cast<uint64_t>(size.QuadPart) > SIZE_MAX) {
    return false;
  }
  return view_.Map(file_.get(), static_cast<uint64_t>(size.QuadPart)) == TFileView::TStatus::Ok;
}

std::span<const uint8_t> ResourceBytes(HMODULE module, std::u16string_view name, std::u16string_view type) {
  const std::u16string resName(name), resType(type);
  HRSRC info = FindResourceW(module, as_wcstr(resName.c_str()), as_wcstr(resType.c_str()));
  if (!info) return {};
  HGLOBAL loaded = LoadResource(module, info);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return {static_cast<const uint8_t*>(bytes), SizeofResource(module, info)};
}

std::unique_ptr<IZipTargetFile> CreateZipTargetFile(const std::u16string& path) {
  unique_hfile file(
      CreateFileW(as_wcstr(path.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<TZipTargetFile>(std::move(file), path);
}

std::unique_ptr<IZipTargetFile> TZipTargetFiles::Create(const std::u16string& path) {
  const std::u16string dir = ExtractFileDir(path);
  if (!dir.empty() && dir != lastDir_) {
    if (!ForceDirectories(dir)) return nullptr;
    lastDir_ = dir;
  }
  if (!ClearTarget(path)) return nullptr;
  return CreateZipTargetFile(path);
}
