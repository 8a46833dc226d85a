// The platform's crypto provider (CryptoAPI): owners of its handles and the
// provider the hash and cipher modules use.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string_view>

#include "WinHandle.h"

namespace win_detail {
inline void ReleaseCryptProvFn(HCRYPTPROV h) { ::CryptReleaseContext(h, 0); }
inline void DestroyCryptHashFn(HCRYPTHASH h) { ::CryptDestroyHash(h); }
inline void DestroyCryptKeyFn(HCRYPTKEY h) { ::CryptDestroyKey(h); }
}  // namespace win_detail

using unique_hcryptprov = unique_any<HCRYPTPROV, win_detail::ReleaseCryptProvFn>;
using unique_hcrypthash = unique_any<HCRYPTHASH, win_detail::DestroyCryptHashFn>;
using unique_hcryptkey = unique_any<HCRYPTKEY, win_detail::DestroyCryptKeyFn>;

// A verify-only context of the enhanced RSA and AES provider, which has MD5,
// SHA-1, AES and DES. Raises ENativeError when it cannot be acquired.
unique_hcryptprov AcquireCryptoProvider();

// Raises ENativeError "<call>: <system text of GetLastError()>" unless `ok`.
void CheckCrypto(BOOL ok, std::u16string_view call);
