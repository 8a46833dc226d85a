// AES-128 and DES in ECB mode from the platform's crypto provider, and the
// system's two containers built on them: the AES text container of pages and
// the DES-protected configuration file.
#pragma once

#include <string>
#include <string_view>

enum class TBlockCipher { Aes128, Des };

// ECB over whole blocks (16 bytes for AES, 8 for DES) without padding; `key`
// holds exactly the key bytes. Errors of the provider raise ENativeError.
std::string EcbEncrypt(TBlockCipher cipher, std::string_view key, std::string_view blocks);
std::string EcbDecrypt(TBlockCipher cipher, std::string_view key, std::string_view blocks);

// Data as UTF-8 in an AES text container, as upper-case hexadecimal text. An
// empty key text takes the default key text.
std::u16string AesEncryptText(std::u16string_view data, std::u16string_view keyText);
// The text of a container; raises ENativeError for a bad hexadecimal pair,
// "Stream read error" and "Invalid buffer size for decryption". Bytes that
// are not valid UTF-8 give empty text.
std::u16string AesDecryptText(std::u16string_view data, std::u16string_view keyText);

// Reads a DES-protected configuration file (path used as given) into
// `plaintext`. Returns 0; -1 when the file cannot be read, 2 when the stored
// digest does not match the payload, 6 when decryption fails. Never raises.
int ReadProtectedConfig(std::u16string_view fileName, std::u16string_view keyText, std::string& plaintext);
