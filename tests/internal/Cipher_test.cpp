// The platform's block ciphers and hashes against published vectors, and the
// DES-protected configuration file.
#include <gtest/gtest.h>

#include <string>

#include "CipherText.h"
#include "Cipher_win.h"
#include "Hash_win.h"
#include "NativeError.h"
#include "TestHost.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

std::string Bytes(std::u16string_view hex) { return HexToBytes(hex); }
std::u16string Hex(std::string_view bytes) { return BytesToHex(bytes, true); }

TEST(Cipher, PublishedBlockVectors) {
  // FIPS-197 appendix C.1.
  const std::string aesKey = Bytes(u"000102030405060708090A0B0C0D0E0F");
  const std::string aesPlain = Bytes(u"00112233445566778899AABBCCDDEEFF");
  EXPECT_EQ(Hex(EcbEncrypt(TBlockCipher::Aes128, aesKey, aesPlain)), u"69C4E0D86A7B0430D8CDB78070B4C55A");
  EXPECT_EQ(EcbDecrypt(TBlockCipher::Aes128, aesKey, Bytes(u"69C4E0D86A7B0430D8CDB78070B4C55A")), aesPlain);
  // ECB: equal blocks give equal blocks, with no padding block added.
  EXPECT_EQ(Hex(EcbEncrypt(TBlockCipher::Aes128, aesKey, aesPlain + aesPlain)),
            u"69C4E0D86A7B0430D8CDB78070B4C55A69C4E0D86A7B0430D8CDB78070B4C55A");

  // FIPS 81 ECB example: "Now is the time for all ".
  const std::string desKey = Bytes(u"0123456789ABCDEF");
  const std::u16string desCipher = u"3FA40E8A984D48156A271787AB8883F9893D51EC4B563B53";
  EXPECT_EQ(Hex(EcbEncrypt(TBlockCipher::Des, desKey, "Now is the time for all ")), desCipher);
  EXPECT_EQ(EcbDecrypt(TBlockCipher::Des, desKey, Bytes(desCipher)), "Now is the time for all ");

  EXPECT_EQ(EcbEncrypt(TBlockCipher::Aes128, aesKey, ""), "");
  EXPECT_THROW(EcbEncrypt(TBlockCipher::Des, desKey, "short"), ENativeError);
}

TEST(Cipher, PublishedHashVectors) {
  struct Case {
    const char* input;
    const char16_t* md5;   // RFC 1321 test suite
    const char16_t* sha1;  // FIPS 180-1 where it has one
  };
  const Case cases[] = {
      {"", u"d41d8cd98f00b204e9800998ecf8427e", u"DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
      {"a", u"0cc175b9c0f1b6a831c399e269772661", nullptr},
      {"abc", u"900150983cd24fb0d6963f7d28e17f72", u"A9993E364706816ABA3E25717850C26C9CD0D89D"},
      {"message digest", u"f96b697d7cb7938d525a2f31aaf161d0", nullptr},
      {"abcdefghijklmnopqrstuvwxyz", u"c3fcd3d76192e4007dfb496cca67e13b", nullptr},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", u"d174ab98d277d9f5a5611c2c9f419d9f",
       nullptr},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       u"57edf4a22be3c955ac49da2e2107b67a", nullptr},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", nullptr,
       u"84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    if (c.md5) {
      EXPECT_EQ(Md5Text(c.input), c.md5);
    }
    if (c.sha1) {
      EXPECT_EQ(Sha1Text(c.input), c.sha1);
    }
  }
  // Incremental updates give the digest of the whole.
  THash hash(THashAlgorithm::Sha1);
  for (int i = 0; i < 1000; ++i) hash.Update(std::string(1000, 'a'));
  EXPECT_EQ(HashText(THashAlgorithm::Sha1, hash.Finish()), u"34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
}

class ProtectedConfig : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    path_ = std::u16string(as_u16cstr(dir)) + u"kvtest_protected.cfg";
  }
  void TearDown() override { DeleteFileW(as_wcstr(path_.c_str())); }

  void Write(std::string_view bytes) {
    unique_hfile file(CreateFileW(as_wcstr(path_.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  }

  std::u16string path_;
};

TEST_F(ProtectedConfig, ThirteenBytePayload) {
  // Made independently: the first 8 bytes DES-ECB under "Wqnt7RZ3", the last
  // 5 stored clear, the digest of the payload in upper case before it.
  Write("1A71CAA5765A4FA787017335077F19D4" + Bytes(u"F4E06E93C55D1F8B3E312E323C"));
  std::string plain = "marker";
  EXPECT_EQ(ReadProtectedConfig(path_, kProtectedConfigKeyText, plain), kProtectedConfigOk);
  EXPECT_EQ(plain, "<VERSION>1.2<");
}

TEST_F(ProtectedConfig, KeyFromTheLowBytesOfTheKeyText) {
  // FIPS 81's key 0123456789ABCDEF spelled by units whose low bytes are its
  // bytes; units after the eighth are ignored.
  const std::u16string keyText = u"\u4E01\u0023\u0045\u0067\u0189\u00AB\u00CD\u00EFZZZ";
  Write("B7C71FE7876138359694FC1248429804" + Bytes(u"3FA40E8A984D48156865207469"));
  std::string plain;
  EXPECT_EQ(ReadProtectedConfig(path_, keyText, plain), kProtectedConfigOk);
  EXPECT_EQ(plain, "Now is the ti");
}

TEST_F(ProtectedConfig, Rejections) {
  std::string plain = "marker";
  EXPECT_EQ(ReadProtectedConfig(path_ + u".missing", kProtectedConfigKeyText, plain), kProtectedConfigUnreadable);
  EXPECT_EQ(plain, "");

  // The digest in lower case does not count.
  Write("1a71caa5765a4fa787017335077f19d4" + Bytes(u"F4E06E93C55D1F8B3E312E323C"));
  EXPECT_EQ(ReadProtectedConfig(path_, kProtectedConfigKeyText, plain), kProtectedConfigDigestMismatch);
  // One payload byte changed.
  Write("1A71CAA5765A4FA787017335077F19D4" + Bytes(u"F4E06E93C55D1F8B3E312E323D"));
  EXPECT_EQ(ReadProtectedConfig(path_, kProtectedConfigKeyText, plain), kProtectedConfigDigestMismatch);
  // Too short to hold a digest.
  Write("D41D8CD9");
  EXPECT_EQ(ReadProtectedConfig(path_, kProtectedConfigKeyText, plain), kProtectedConfigDigestMismatch);

  // The digest alone: an empty payload.
  Write("D41D8CD98F00B204E9800998ECF8427E");
  plain = "marker";
  EXPECT_EQ(ReadProtectedConfig(path_, kProtectedConfigKeyText, plain), kProtectedConfigOk);
  EXPECT_EQ(plain, "");
}

}  // namespace
