// MD5 and SHA-1 from the platform's crypto provider, over bytes and files,
// with the system's text forms: MD5 as lower-case, SHA-1 as upper-case
// hexadecimal digits.
#pragma once

#include <string>
#include <string_view>

#include "CryptoProvider_win.h"

enum class THashAlgorithm { Md5, Sha1 };

// An incremental hash. Errors of the provider raise ENativeError.
class THash {
 public:
  explicit THash(THashAlgorithm algorithm);
  void Update(const void* data, size_t size);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // The raw digest (16 or 20 bytes); the object is spent afterwards.
  std::string Finish();

 private:
  unique_hcryptprov provider_;  // outlives the hash object
  unique_hcrypthash hash_;
};

std::string HashBytes(THashAlgorithm algorithm, std::string_view bytes);

// The digest of a file's content. Files above 512 MiB are read in 4 MiB
// chunks; others are mapped whole, read-only. A file that cannot be opened
// gives the digest of empty input. Raises ENativeError "CreateFileMapping
// Failed." (also for an empty file) or "MapViewOfFile Failed.", and the
// system's text when a read fails.
std::string HashFile(THashAlgorithm algorithm, std::u16string_view path);

// The system's text form of a digest of `algorithm`.
std::u16string HashText(THashAlgorithm algorithm, std::string_view digest);

inline std::u16string Md5Text(std::string_view bytes) {
  return HashText(THashAlgorithm::Md5, HashBytes(THashAlgorithm::Md5, bytes));
}
inline std::u16string Sha1Text(std::string_view bytes) {
  return HashText(THashAlgorithm::Sha1, HashBytes(THashAlgorithm::Sha1, bytes));
}
