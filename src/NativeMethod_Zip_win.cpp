// Archives: ZIP files and resources extracted into directories, gzip files
// decompressed.
#include "NativeMethod_win.h"

#include "NativeError.h"
#include "NativePublic_win.h"
#include "NativeTrace.h"
#include "WinText.h"
#include "ZipRead_win.h"

namespace {

// Counts and checks what an inflation would write, keeping nothing.
class TCheckingSink final : public IZipSink {
 public:
  bool Write(const uint8_t*, size_t) override { return true; }
};

}  // namespace

bool TNativeMethod::ExtractZipFile(std::u16string_view zipFile, std::u16string_view desDir) {
  TMappedFile file;
  if (!file.Open(zipFile)) throw ENativeError(u"Missing File");
  const TZipRead zip(file.Bytes());
  TZipTargetFiles targets;
  return ExtractZipEntries(zip, desDir, targets);
}

bool TNativeMethod::ExtractZipRes(HMODULE instance, std::u16string_view resName, std::u16string_view resType,
                                  std::u16string_view destDir) {
  const std::span<const uint8_t> bytes = ResourceBytes(instance, resName, resType);
  const TZipRead zip = bytes.empty() ? TZipRead() : TZipRead(bytes);
  TZipTargetFiles targets;
  return ExtractZipEntries(zip, destDir, targets);
}

bool TNativeMethod::DecompressGZip(std::u16string_view gzFile, std::u16string_view destFile) {
  TMappedFile file;
  TGzipMember member;
  if (!file.Open(gzFile) || !ReadGzipMember(file.Bytes(), member)) return false;
  // A first pass checks length and CRC without keeping the output, so that
  // nothing is allocated by the stated length and DestFile is only replaced
  // by data that checked out.
  TCheckingSink check;
  if (!InflateGzipMember(member, check)) return false;
  const std::u16string dest(destFile);
  if (!::DeleteFileW(as_wcstr(dest.c_str()))) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) {
      _NativeTraceError(u"[TNativeMethod.DecompressGZip]" + dest + u": " + SystemErrorMessage(error));
      return false;
    }
  }
  const std::unique_ptr<IZipTargetFile> out = CreateZipTargetFile(dest);
  return out && InflateGzipMember(member, *out) && out->Commit(0);
}
