#include "CryptoProvider_win.h"

#include "NativeError.h"
#include "NativePublic_win.h"

unique_hcryptprov AcquireCryptoProvider() {
  unique_hcryptprov provider;
  CheckCrypto(CryptAcquireContextW(provider.put(), nullptr, MS_ENH_RSA_AES_PROV_W, PROV_RSA_AES, CRYPT_VERIFYCONTEXT),
              u"CryptAcquireContext");
  return provider;
}

void CheckCrypto(BOOL ok, std::u16string_view call) {
  if (ok) return;
  const DWORD error = GetLastError();
  throw ENativeError(std::u16string(call) + u": " + SystemErrorMessage(error));
}
