#include <gtest/gtest.h>

#include <functional>

#include "CipherText.h"
#include "NativeError.h"
#include "TextConv.h"

namespace {

std::u16string ErrorOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const ENativeError& e) {
    return e.Message();
  }
  return u"(no error)";
}

TEST(CipherText, Hex) {
  EXPECT_EQ(BytesToHex(std::string("\x00\x9f\xff", 3), true), u"009FFF");
  EXPECT_EQ(BytesToHex(std::string("\x00\x9f\xff", 3), false), u"009fff");
  EXPECT_EQ(HexToBytes(u"009FfF"), std::string("\x00\x9f\xff", 3));
  EXPECT_EQ(HexToBytes(u""), "");
  // A lone final digit is a byte of its own, so it counts against whole blocks.
  EXPECT_EQ(HexToBytes(u"41F"), "A\x0F");
  EXPECT_EQ(ErrorOf([] { HexToBytes(u"00ZZ"); }), u"'ZZ' is not a valid hexadecimal number");
  EXPECT_EQ(ErrorOf([] { HexToBytes(u"0 1"); }), u"'0 ' is not a valid hexadecimal number");
  EXPECT_EQ(ErrorOf([] { HexToBytes(u"0-"); }), u"'0-' is not a valid hexadecimal number");
  EXPECT_EQ(ErrorOf([] { HexToBytes(u"\uFF10\uFF11"); }), u"'\uFF10\uFF11' is not a valid hexadecimal number");
}

TEST(CipherText, AesKeyFromAnsiBytes) {
  EXPECT_EQ(FormAesKey(u""), "Hq7!Tz3#Lm9$Vb2w");
  EXPECT_EQ(FormAesKey(kAesDefaultKeyText), FormAesKey(u""));
  EXPECT_EQ(FormAesKey(u"k"), std::string("k") + std::string(15, '\0'));
  EXPECT_EQ(FormAesKey(kAesScriptKeyText), "kelvorx.qpW2#&n5");
  // Code page bytes, two per Chinese character here.
  EXPECT_EQ(FormAesKey(u"密钥"), Utf16ToAnsi(u"密钥") + std::string(12, '\0'));
  EXPECT_EQ(FormAesKey(u"一二三四五六七八九十"), Utf16ToAnsi(u"一二三四五六七八"));
}

TEST(CipherText, AesContainerLayout) {
  EXPECT_EQ(AesContainerLayout(""), std::string(8, '\0'));
  EXPECT_EQ(AesContainerLayout("hello"),
            std::string("\x05\0\0\0\0\0\0\0hello", 13) + std::string(11, '\0'));
  // A whole block gets no block added.
  EXPECT_EQ(AesContainerLayout(std::string(16, 'x')).size(), 8u + 16u);
  EXPECT_EQ(AesContainerLayout(std::string(17, 'x')).size(), 8u + 32u);
  const std::string big = AesContainerLayout(std::string(0x1234, 'x'));
  EXPECT_EQ(big.substr(0, 8), std::string("\x34\x12\0\0\0\0\0\0", 8));
}

TEST(CipherText, AesContainerParsing) {
  const std::string header = std::string("\x03\0\0\0\0\0\0\0", 8);
  const std::string block(16, 'b');
  const std::string bytes = header + block + block;
  const TAesContainer parsed = ParseAesContainer(bytes);
  EXPECT_EQ(parsed.length, 3u);
  EXPECT_EQ(parsed.blocks, block + block);
  EXPECT_EQ(ParseAesContainer(std::string(7, '\xFF') + '\x80' + block).length, 0x80FFFFFFFFFFFFFFull);

  const std::pair<std::string, const char16_t*> failures[] = {
      {"", u"Stream read error"},
      {std::string(7, '\0'), u"Stream read error"},
      {header, u"Invalid buffer size for decryption"},  // the container of empty text
      {header + std::string(15, 'b'), u"Invalid buffer size for decryption"},
      {header + block + "b", u"Invalid buffer size for decryption"},
  };
  for (const auto& failure : failures) {
    SCOPED_TRACE(failure.first.size());
    EXPECT_EQ(ErrorOf([&] { ParseAesContainer(failure.first); }), failure.second);
  }
}

TEST(CipherText, AesContainerTextIsCutAndStrictUtf8) {
  const std::string decrypted = "\xE4\xB8\xAD" "abc" + std::string(10, '\0');
  EXPECT_EQ(AesContainerText(decrypted, 6), u"中abc");
  EXPECT_EQ(AesContainerText(decrypted, 0), u"");
  // A length beyond the blocks takes them whole, padding included.
  EXPECT_EQ(AesContainerText(decrypted, 1000), u"中abc" + std::u16string(10, u'\0'));
  // Cut inside a character, or bytes that are not UTF-8: empty.
  EXPECT_EQ(AesContainerText(decrypted, 2), u"");
  EXPECT_EQ(AesContainerText("\xFF\xFE", 2), u"");
}

TEST(CipherText, DesKeyFromLowBytes) {
  EXPECT_EQ(FormDesKey(kProtectedConfigKeyText), "Wqnt7RZ3");
  EXPECT_EQ(FormDesKey(u"ab"), "ab??????");
  EXPECT_EQ(FormDesKey(u""), "????????");
  EXPECT_EQ(FormDesKey(u"\u4E2D\u0141xyzuvw"), "\x2D\x41xyzuvw");
}

TEST(CipherText, ProtectedConfigParts) {
  const std::string file = std::string(32, 'D') + "payload";
  const TProtectedConfig parts = SplitProtectedConfig(file);
  EXPECT_EQ(parts.digestText, std::string(32, 'D'));
  EXPECT_EQ(parts.payload, "payload");
  EXPECT_EQ(SplitProtectedConfig("short").digestText, "short");
  EXPECT_EQ(SplitProtectedConfig("short").payload, "");

  const std::string md5 = std::string("\xD4\x1D\x8C\xD9\x8F\x00\xB2\x04\xE9\x80\x09\x98\xEC\xF8\x42\x7E", 16);
  EXPECT_TRUE(ProtectedDigestMatches("D41D8CD98F00B204E9800998ECF8427E", md5));
  EXPECT_FALSE(ProtectedDigestMatches("d41d8cd98f00b204e9800998ecf8427e", md5));
  EXPECT_FALSE(ProtectedDigestMatches("D41D8CD98F00B204E9800998ECF8427", md5));
  EXPECT_FALSE(ProtectedDigestMatches(std::string("D41D8CD98F00B204E9800998ECF8427\xC5", 32), md5));

  EXPECT_EQ(ProtectedBlockBytes(13), 8u);
  EXPECT_EQ(ProtectedBlockBytes(16), 16u);
  EXPECT_EQ(ProtectedBlockBytes(7), 0u);
}

}  // namespace
