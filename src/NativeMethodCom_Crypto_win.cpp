// INativeMethods: hashes, encodings, keys and ciphers.
#include "NativeMethodCom_win.h"
#include "NativeMethod_win.h"

HRESULT TNativeMethodInterface::CreateTimeStamp(BSTR* value) {
  return ComReturn(value, [&] { return owner_.CreateTimeStamp(); });
}

HRESULT TNativeMethodInterface::CreateAppKey(LPCWSTR appId, LPCWSTR appSecret, LPCWSTR timeStamp, BSTR* value) {
  return ComReturn(value, [&] { return owner_.CreateAppKey(as_u16view(appId), as_u16view(appSecret), as_u16view(timeStamp)); });
}

HRESULT TNativeMethodInterface::GetStrMd5Code(LPCWSTR str, BSTR* value) {
  return ComReturn(value, [&] { return owner_.GetStrMd5Code(as_u16view(str)); });
}

HRESULT TNativeMethodInterface::GetStrSHA1Code(LPCWSTR str, BSTR* value) {
  return ComReturn(value, [&] { return owner_.GetStrSHA1Code(as_u16view(str)); });
}

HRESULT TNativeMethodInterface::CreateGUID(BSTR* value) {
  return ComReturn(value, [&] { return owner_.CreateGUID(); });
}

HRESULT TNativeMethodInterface::GetFileMd5Code(LPCWSTR fileName, BSTR* value) {
  return ComReturn(value, [&] { return owner_.GetFileMd5Code(as_u16view(fileName)); });
}

HRESULT TNativeMethodInterface::GetFileSHA1Code(LPCWSTR fileName, BSTR* value) {
  return ComReturn(value, [&] { return owner_.GetFileSHA1Code(as_u16view(fileName)); });
}

HRESULT TNativeMethodInterface::AESEncrypt(LPCWSTR data, LPCWSTR key, BSTR* value) {
  return ComReturn(value, [&] { return owner_.AESEncrypt(as_u16view(data), as_u16view(key)); });
}

HRESULT TNativeMethodInterface::AESEncrypt1(LPCWSTR data, BSTR* value) {
  return ComReturn(value, [&] { return owner_.AESEncrypt(as_u16view(data)); });
}

HRESULT TNativeMethodInterface::AESDecrypt(LPCWSTR data, LPCWSTR key, BSTR* value) {
  return ComReturn(value, [&] { return owner_.AESDecrypt(as_u16view(data), as_u16view(key)); });
}

HRESULT TNativeMethodInterface::AESDecrypt1(LPCWSTR data, BSTR* value) {
  return ComReturn(value, [&] { return owner_.AESDecrypt(as_u16view(data)); });
}

HRESULT TNativeMethodInterface::Base64Encode(LPCWSTR str, BSTR* value) {
  return ComReturn(value, [&] { return owner_.Base64Encode(as_u16view(str)); });
}

HRESULT TNativeMethodInterface::Base64Decode(LPCWSTR str, BSTR* value) {
  return ComReturn(value, [&] { return owner_.Base64Decode(as_u16view(str)); });
}
