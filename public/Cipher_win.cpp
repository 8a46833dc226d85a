#include "Cipher_win.h"

#include <cstddef>

#include "CipherText.h"
#include "CryptoProvider_win.h"
#include "FileBytes.h"
#include "Hash_win.h"
#include "NativeError.h"
#include "TextConv.h"

namespace {

size_t BlockSize(TBlockCipher cipher) { return cipher == TBlockCipher::Aes128 ? kAesBlockSize : kDesBlockSize; }

// A key of the provider from raw bytes, in ECB mode.
class TEcbKey {
 public:
  TEcbKey(TBlockCipher cipher, std::string_view key) : provider_(AcquireCryptoProvider()) {
    const size_t expected = cipher == TBlockCipher::Aes128 ? kAesKeySize : kDesKeySize;
    if (key.size() != expected) RaiseAssertion(u"EcbKey: wrong key size");
    struct {
      BLOBHEADER header;
      DWORD size;
      BYTE bytes[kAesKeySize];
    } blob{};
    blob.header.bType = PLAINTEXTKEYBLOB;
    blob.header.bVersion = CUR_BLOB_VERSION;
    blob.header.aiKeyAlg = cipher == TBlockCipher::Aes128 ? CALG_AES_128 : CALG_DES;
    blob.size = static_cast<DWORD>(key.size());
    key.copy(reinterpret_cast<char*>(blob.bytes), key.size());
    const DWORD blobSize = static_cast<DWORD>(offsetof(decltype(blob), bytes) + key.size());
    CheckCrypto(CryptImportKey(provider_.get(), reinterpret_cast<const BYTE*>(&blob), blobSize, 0, 0, key_.put()),
                u"CryptImportKey");
    SecureZeroMemory(&blob, sizeof(blob));
    const DWORD mode = CRYPT_MODE_ECB;
    CheckCrypto(CryptSetKeyParam(key_.get(), KP_MODE, reinterpret_cast<const BYTE*>(&mode), 0), u"CryptSetKeyParam");
  }

  HCRYPTKEY get() const { return key_.get(); }

 private:
  unique_hcryptprov provider_;  // outlives the key
  unique_hcryptkey key_;
};

void RequireWholeBlocks(TBlockCipher cipher, std::string_view blocks) {
  if (blocks.size() % BlockSize(cipher) != 0) RaiseAssertion(u"Ecb: data is not a whole number of blocks");
}

// Not the final call, so the provider adds and strips no padding.
std::string Transform(TBlockCipher cipher, std::string_view key, std::string_view blocks, bool encrypt) {
  RequireWholeBlocks(cipher, blocks);
  std::string out(blocks);
  if (out.empty()) return out;
  const TEcbKey ecb(cipher, key);
  DWORD size = static_cast<DWORD>(out.size());
  auto* data = reinterpret_cast<BYTE*>(out.data());
  if (encrypt) {
    CheckCrypto(CryptEncrypt(ecb.get(), 0, FALSE, 0, data, &size, size), u"CryptEncrypt");
  } else {
    CheckCrypto(CryptDecrypt(ecb.get(), 0, FALSE, 0, data, &size), u"CryptDecrypt");
  }
  out.resize(size);
  return out;
}

}  // namespace

std::string EcbEncrypt(TBlockCipher cipher, std::string_view key, std::string_view blocks) {
  return Transform(cipher, key, blocks, true);
}

std::string EcbDecrypt(TBlockCipher cipher, std::string_view key, std::string_view blocks) {
  return Transform(cipher, key, blocks, false);
}

std::u16string AesEncryptText(std::u16string_view data, std::u16string_view keyText) {
  const std::string key = FormAesKey(keyText);
  std::string container = AesContainerLayout(Utf16ToUtf8(data));
  const std::string sealed = EcbEncrypt(TBlockCipher::Aes128, key, std::string_view(container).substr(kAesHeaderSize));
  container.replace(kAesHeaderSize, std::string::npos, sealed);
  return BytesToHex(container, true);
}

std::u16string AesDecryptText(std::u16string_view data, std::u16string_view keyText) {
  const std::string key = FormAesKey(keyText);
  const std::string bytes = HexToBytes(data);
  const TAesContainer container = ParseAesContainer(bytes);
  return AesContainerText(EcbDecrypt(TBlockCipher::Aes128, key, container.blocks), container.length);
}

int ReadProtectedConfig(std::u16string_view fileName, std::u16string_view keyText, std::string& plaintext) {
  plaintext.clear();
  std::string file;
  TProtectedConfig parts;
  try {
    file = ReadFileBytes(fileName);
    parts = SplitProtectedConfig(file);
    if (!ProtectedDigestMatches(parts.digestText, HashBytes(THashAlgorithm::Md5, parts.payload))) {
      return kProtectedConfigDigestMismatch;
    }
  } catch (...) {
    return kProtectedConfigUnreadable;
  }
  try {
    const size_t whole = ProtectedBlockBytes(parts.payload.size());
    std::string out = EcbDecrypt(TBlockCipher::Des, FormDesKey(keyText), parts.payload.substr(0, whole));
    out.append(parts.payload.substr(whole));
    plaintext = std::move(out);
    return kProtectedConfigOk;
  } catch (...) {
    return kProtectedConfigDecryptError;
  }
}
