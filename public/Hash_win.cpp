#include "Hash_win.h"

#include <memory>

#include "CipherText.h"
#include "FileView_win.h"
#include "NativeError.h"
#include "NativePublic_win.h"
#include "WinText.h"

namespace {

constexpr uint64_t kMapLimit = 0x20000000;  // larger files are read in chunks
constexpr DWORD kChunkSize = 0x400000;
// CryptHashData takes a 32-bit length; mapped views go in slices.
constexpr size_t kUpdateSlice = 0x40000000;

}  // namespace

THash::THash(THashAlgorithm algorithm) : provider_(AcquireCryptoProvider()) {
  CheckCrypto(CryptCreateHash(provider_.get(), algorithm == THashAlgorithm::Md5 ? CALG_MD5 : CALG_SHA1, 0, 0,
                              hash_.put()),
              u"CryptCreateHash");
}

void THash::Update(const void* data, size_t size) {
  const auto* p = static_cast<const BYTE*>(data);
  while (size > 0) {
    const size_t n = size < kUpdateSlice ? size : kUpdateSlice;
    CheckCrypto(CryptHashData(hash_.get(), p, static_cast<DWORD>(n), 0), u"CryptHashData");
    p += n;
    size -= n;
  }
}

std::string THash::Finish() {
  DWORD size = 0;
  DWORD sizeBytes = sizeof(size);
  CheckCrypto(CryptGetHashParam(hash_.get(), HP_HASHSIZE, reinterpret_cast<BYTE*>(&size), &sizeBytes, 0),
              u"CryptGetHashParam");
  std::string digest(size, '\0');
  CheckCrypto(CryptGetHashParam(hash_.get(), HP_HASHVAL, reinterpret_cast<BYTE*>(digest.data()), &size, 0),
              u"CryptGetHashParam");
  digest.resize(size);
  return digest;
}

std::string HashBytes(THashAlgorithm algorithm, std::string_view bytes) {
  THash hash(algorithm);
  hash.Update(bytes);
  return hash.Finish();
}

std::string HashFile(THashAlgorithm algorithm, std::u16string_view path) {
  THash hash(algorithm);
  const std::u16string name(path);
  unique_hfile file(CreateFileW(as_wcstr(name.c_str()), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return hash.Finish();

  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) throw ENativeError(SystemErrorMessage(GetLastError()));
  if (static_cast<uint64_t>(size.QuadPart) > kMapLimit) {
    const std::unique_ptr<BYTE[]> buffer(new BYTE[kChunkSize]);
    for (;;) {
      DWORD read = 0;
      if (!ReadFile(file.get(), buffer.get(), kChunkSize, &read, nullptr)) {
        throw ENativeError(SystemErrorMessage(GetLastError()));
      }
      if (read == 0) break;
      hash.Update(buffer.get(), read);
    }
    return hash.Finish();
  }

  // The section is exactly the size measured, so a file that changes in
  // between can neither make the view shorter than the bytes hashed nor
  // slip past the chunked path. An empty file cannot be mapped.
  TFileView view;
  switch (view.Map(file.get(), static_cast<uint64_t>(size.QuadPart))) {
    case TFileView::TStatus::MappingFailed: throw ENativeError(u"CreateFileMapping Failed.");
    case TFileView::TStatus::ViewFailed: throw ENativeError(u"MapViewOfFile Failed.");
    case TFileView::TStatus::Ok: break;
  }
  hash.Update(view.Bytes().data(), view.Bytes().size());
  return hash.Finish();
}

std::u16string HashText(THashAlgorithm algorithm, std::string_view digest) {
  return BytesToHex(digest, algorithm == THashAlgorithm::Sha1);
}
