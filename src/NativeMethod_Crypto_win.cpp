// Hashes, encodings, keys and ciphers of the service object.
#include <objbase.h>

#include "Base64.h"
#include "Cipher_win.h"
#include "Hash_win.h"
#include "NativeError.h"
#include "NativeMethod_win.h"
#include "NativePublic_win.h"
#include "NativeStrings.h"
#include "TextConv.h"
#include "TimeStamp.h"
#include "WinText.h"

std::u16string TNativeMethod::CreateTimeStamp() { return IntToStr(CreateTimeStampInt()); }

int64_t TNativeMethod::CreateTimeStampInt() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return MillisecondsSince1970({now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                                now.wMilliseconds});
}

std::u16string TNativeMethod::CreateAppKey(std::u16string_view appId, std::u16string_view appSecret,
                                           std::u16string_view timeStamp) {
  const std::u16string joined = std::u16string(appId) + std::u16string(appSecret) + std::u16string(timeStamp);
  return Sha1Text(Utf16ToAnsi(joined));
}

std::u16string TNativeMethod::GetStrMd5Code(std::u16string_view str) { return Md5Text(Utf16ToUtf8(str)); }

std::u16string TNativeMethod::GetStrSHA1Code(std::u16string_view str) { return Sha1Text(Utf16ToUtf8(str)); }

std::u16string TNativeMethod::CreateGUID() {
  GUID guid;
  const HRESULT hr = CoCreateGuid(&guid);
  if (FAILED(hr)) throw ENativeError(SystemErrorMessage(static_cast<DWORD>(hr)));
  wchar_t text[40];
  const int n = StringFromGUID2(guid, text, 40);
  return std::u16string(as_u16cstr(text), n > 0 ? n - 1 : 0);
}

std::u16string TNativeMethod::GetFileMd5Code(std::u16string_view fileName) {
  return HashText(THashAlgorithm::Md5, HashFile(THashAlgorithm::Md5, ResolveAppRelativePath(fileName)));
}

std::u16string TNativeMethod::GetFileSHA1Code(std::u16string_view fileName) {
  return HashText(THashAlgorithm::Sha1, HashFile(THashAlgorithm::Sha1, ResolveAppRelativePath(fileName)));
}

std::u16string TNativeMethod::AESEncrypt(std::u16string_view data, std::u16string_view key) {
  return AesEncryptText(data, key);
}

std::u16string TNativeMethod::AESDecrypt(std::u16string_view data, std::u16string_view key) {
  return AesDecryptText(data, key);
}

std::u16string TNativeMethod::Base64Encode(std::u16string_view str) {
  return AsciiToUtf16(::Base64Encode(Utf16ToUtf8(str)));
}

std::u16string TNativeMethod::Base64Decode(std::u16string_view str) {
  std::u16string text;
  TryUtf8ToUtf16(::Base64Decode(Utf16ToAnsi(str)), text);
  return text;
}
