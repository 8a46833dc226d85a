// Hashes, encodings, keys and ciphers as pages and hosts reach them.
#include <gtest/gtest.h>

#include <string>

#include "NativePaths.h"
#include "NativePublic_win.h"
#include "TestHost.h"
#include "WinHandle.h"
#include "WinText.h"

namespace {

// The string result of a page call that must succeed.
std::u16string Text(TTestHost& host, std::u16string_view method, const TParams& params = {}) {
  const TResponseRecord r = host.Call(method, params).response;
  EXPECT_TRUE(r.Finished()) << ToUtf8(method) << ": " << ToUtf8(r.message);
  EXPECT_EQ(r.resultKind, TResponseRecord::ResultKind::String) << ToUtf8(method);
  return r.text;
}

// The error text of a page call that must fail.
std::u16string Error(TTestHost& host, std::u16string_view method, const TParams& params) {
  const TCallOutcome outcome = host.Call(method, params);
  // A method's own error is a call made: true returned, the error set.
  EXPECT_TRUE(outcome.returned);
  const TResponseRecord& r = outcome.response;
  EXPECT_EQ(r.ending, TResponseRecord::Ending::Error) << ToUtf8(method) << " gave " << ToUtf8(r.text);
  EXPECT_EQ(r.resultKind, TResponseRecord::ResultKind::None);
  return r.message;
}

std::u16string TempPath(std::u16string_view name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return std::u16string(as_u16cstr(dir)) + std::u16string(name);
}

// A file that goes away with the test.
class TTempFile {
 public:
  TTempFile(std::u16string path, std::string_view content, uint64_t sparseSize = 0) : path_(std::move(path)) {
    unique_hfile file(CreateFileW(as_wcstr(path_.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_TRUE(file);
    if (sparseSize > 0) {
      LARGE_INTEGER at;
      at.QuadPart = static_cast<LONGLONG>(sparseSize - content.size());
      SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN);
    }
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
  }
  ~TTempFile() { DeleteFileW(as_wcstr(path_.c_str())); }
  const std::u16string& path() const { return path_; }

 private:
  std::u16string path_;
};

TEST(Hashes, TextsAsUtf8AndKeysAsAnsi) {
  TTestHost host;
  struct Case {
    const char16_t* str;
    const char16_t* md5;
    const char16_t* sha1;
  };
  const Case cases[] = {
      {u"", u"d41d8cd98f00b204e9800998ecf8427e", u"DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
      {u"abc", u"900150983cd24fb0d6963f7d28e17f72", u"A9993E364706816ABA3E25717850C26C9CD0D89D"},
      {u"message digest", u"f96b697d7cb7938d525a2f31aaf161d0", u"C12252CEDA8BE8994D5FA0290A47231C1D16AAE3"},
      {u"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", u"8215ef0796a20bcaaae116d3876c664a",
       u"84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
      // UTF-8 bytes of the characters.
      {u"中文", u"a7bac2239fcdcb3a067903d8077c4a07", u"7BE2D2D20C106EEE0836C9BC2B939890A78E8FB3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.str));
    EXPECT_EQ(Text(host, u"GetStrMd5Code", {{u"str", c.str}}), c.md5);
    EXPECT_EQ(Text(host, u"GetStrSHA1Code", {{u"str", c.str}}), c.sha1);
  }

  // Application keys: SHA-1 of the three texts joined, in code page bytes.
  EXPECT_EQ(Text(host, u"CreateAppKey", {{u"appId", u"中"}, {u"appSecret", u"文"}}),
            u"8F0302346E46AC79B63BCC762A6872FCD242DB4E");
  EXPECT_EQ(Text(host, u"CreateAppKey",
                 {{u"appId", u"app中"}, {u"appSecret", u"secret文"}, {u"timeStamp", u"1700000000000"}}),
            u"8FC8B6295A4C3ED90DF433595073E06EFBEC490B");
  EXPECT_EQ(Text(host, u"CreateAppKey"), u"DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
}

TEST(Hashes, Files) {
  TTestHost host;
  // A name without ":" is beside the host executable.
  const TTempFile beside(ExtractFilePath(HostExecutablePath()) + u"kvtest_hash_abc.txt", "abc");
  EXPECT_EQ(Text(host, u"GetFileMd5Code", {{u"filename", u"kvtest_hash_abc.txt"}}),
            u"900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Text(host, u"GetFileSha1Code", {{u"filename", u"kvtest_hash_abc.txt"}}),
            u"A9993E364706816ABA3E25717850C26C9CD0D89D");

  const TTempFile million(TempPath(u"kvtest_hash_million.txt"), std::string(1000000, 'a'));
  EXPECT_EQ(Text(host, u"GetFileSha1Code", {{u"filename", million.path()}}),
            u"34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
  EXPECT_EQ(Text(host, u"GetFileMd5Code", {{u"filename", million.path()}}), u"7707d6ae4e027c70eea2a935c2296f21");

  // A file that cannot be opened hashes as empty input.
  for (const char16_t* name : {u"kvtest_no_such_file.txt", u"C:\\kvtest\\no\\such.txt", u""}) {
    SCOPED_TRACE(ToUtf8(name));
    EXPECT_EQ(Text(host, u"GetFileMd5Code", {{u"filename", name}}), u"d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Text(host, u"GetFileSha1Code", {{u"filename", name}}), u"DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
  }

  // An empty file cannot be mapped.
  const TTempFile empty(TempPath(u"kvtest_hash_empty.txt"), "");
  EXPECT_EQ(Error(host, u"GetFileMd5Code", {{u"filename", empty.path()}}), u"[GetFileMd5Code]CreateFileMapping Failed.");
  EXPECT_EQ(Error(host, u"GetFileSha1Code", {{u"filename", empty.path()}}),
            u"[GetFileSha1Code]CreateFileMapping Failed.");
}

TEST(Hashes, FilesAboveTheMappingLimitAreReadInChunks) {
  TTestHost host;
  // 512 MiB of zeros and an "x": one byte past the limit, a final short chunk.
  const TTempFile big(TempPath(u"kvtest_hash_big.bin"), "x", 0x20000001);
  EXPECT_EQ(Text(host, u"GetFileMd5Code", {{u"filename", big.path()}}), u"1a4f30a4bccf106ae2d1b01a207354fb");
  EXPECT_EQ(Text(host, u"GetFileSha1Code", {{u"filename", big.path()}}),
            u"24ACF3271B77DF10E74B1317FE8900C5F05C4142");
}

TEST(Aes, ContainersMadeIndependently) {
  TTestHost host;
  // Computed with another AES-128-ECB implementation over the same layout.
  struct Case {
    const char16_t* data;
    const char16_t* key;
    const char16_t* container;
  };
  const Case cases[] = {
      {u"hello", u"", u"0500000000000000459C0A4AC04BC3DE6592482BFF551E06"},
      {u"hello", u"Hq7!Tz3#Lm9$Vb2w", u"0500000000000000459C0A4AC04BC3DE6592482BFF551E06"},
      // 16 UTF-8 bytes: one block, none added; the key in code page bytes.
      {u"中文测试 abc", u"密钥", u"1000000000000000F07F125F24AADEB2BB342EBD9B02E7C6"},
      {u"0123456789abcdef", u"k", u"1000000000000000A5D6D1DCD070819751BE31B47F041CC9"},
      {u"0123456789abcdefghij", u"k",
       u"1400000000000000A5D6D1DCD070819751BE31B47F041CC9E7B4D06BE47326293E342C33C6485BEC"},
      // Only the first 16 key bytes count.
      {u"x", u"0123456789abcdefXYZ", u"010000000000000094DE82D7064B88D73A64A424E48C3FB5"},
      {u"", u"", u"0000000000000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.data));
    EXPECT_EQ(Text(host, u"AESEncrypt", {{u"data", c.data}, {u"key", c.key}}), c.container);
    if (*c.data) {
      EXPECT_EQ(Text(host, u"AESDecrypt", {{u"data", c.container}, {u"key", c.key}}), c.data);
    }
  }
  // Digits of either case are read.
  EXPECT_EQ(Text(host, u"AESDecrypt", {{u"data", u"0500000000000000459c0a4ac04bc3de6592482bff551e06"}}), u"hello");
  // With another key the bytes are no UTF-8: empty text.
  EXPECT_EQ(Text(host, u"AESDecrypt", {{u"data", u"0200000000000000CFA5D4068C27742C775912C0D5417A70"},
                                       {u"key", u"k"}}),
            u"");
}

TEST(Aes, Failures) {
  TTestHost host;
  const std::u16string header = u"0500000000000000";
  const std::u16string block = u"459C0A4AC04BC3DE6592482BFF551E06";
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"", u"Stream read error"},
      {u"05000000000000", u"Stream read error"},
      {header, u"Invalid buffer size for decryption"},  // the container of empty text
      {header + block + u"00", u"Invalid buffer size for decryption"},
      {header + block + u"0", u"Invalid buffer size for decryption"},
      {header + block.substr(0, 30), u"Invalid buffer size for decryption"},
      {header + block.substr(0, 30) + u"G6", u"'G6' is not a valid hexadecimal number"},
      {u"05 0000000000000" + block, u"' 0' is not a valid hexadecimal number"},
  };
  for (const auto& [data, message] : cases) {
    SCOPED_TRACE(ToUtf8(data));
    EXPECT_EQ(Error(host, u"AESDecrypt", {{u"data", data}}), u"[AESDecrypt]" + message);
  }
}

TEST(Aes, HostFormsUseTheDefaultKey) {
  TTestHost host;
  INativeMethods* native = host.Native();
  ASSERT_NE(native, nullptr);
  TBstr sealed, sealedWithKey, opened;
  ASSERT_EQ(native->AESEncrypt1(L"hello", sealed.put()), S_OK);
  EXPECT_EQ(sealed.view(), u"0500000000000000459C0A4AC04BC3DE6592482BFF551E06");
  ASSERT_EQ(native->AESEncrypt(L"hello", L"Hq7!Tz3#Lm9$Vb2w", sealedWithKey.put()), S_OK);
  EXPECT_EQ(sealedWithKey.view(), sealed.view());
  ASSERT_EQ(native->AESDecrypt1(as_wcstr(sealed.view()), opened.put()), S_OK);
  EXPECT_EQ(opened.view(), u"hello");
  ASSERT_EQ(native->AESDecrypt(as_wcstr(sealed.view()), L"", opened.put()), S_OK);
  EXPECT_EQ(opened.view(), u"hello");

  // A failure is E_FAIL with the message as error information.
  BSTR none = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(native->AESDecrypt1(L"0000000000000000", &none), E_FAIL);
  EXPECT_EQ(none, nullptr);
  com_ptr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
  TBstr description;
  info->GetDescription(description.put());
  EXPECT_EQ(description.view(), u"Invalid buffer size for decryption");

  TBstr md5;
  ASSERT_EQ(native->GetStrMd5Code(L"abc", md5.put()), S_OK);
  EXPECT_EQ(md5.view(), u"900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(native->CreateGUID(nullptr), E_POINTER);
}

TEST(Base64, Texts) {
  TTestHost host;
  EXPECT_EQ(Text(host, u"Base64Encode", {{u"str", u""}}), u"");
  EXPECT_EQ(Text(host, u"Base64Encode", {{u"str", u"中文 abc"}}), u"5Lit5paHIGFiYw==");
  EXPECT_EQ(Text(host, u"Base64Decode", {{u"str", u"5Lit5paH\r\nIGFi\r\nYw=="}}), u"中文 abc");
  EXPECT_EQ(Text(host, u"Base64Decode", {{u"str", u""}}), u"");
  // Bytes that are not UTF-8 give empty text.
  EXPECT_EQ(Text(host, u"Base64Decode", {{u"str", u"//79"}}), u"");
}

TEST(Keys, TimeStampIsLocalMilliseconds) {
  TTestHost host;
  // The local time the other way round: the system clock through the time
  // zone, as a file time.
  FILETIME utc, local;
  GetSystemTimeAsFileTime(&utc);
  FileTimeToLocalFileTime(&utc, &local);
  const int64_t expected =
      static_cast<int64_t>((ULARGE_INTEGER{{local.dwLowDateTime, local.dwHighDateTime}}.QuadPart -
                            116444736000000000ull) /
                           10000);
  const std::u16string stamp = Text(host, u"CreateTimeStamp");
  ASSERT_FALSE(stamp.empty());
  EXPECT_EQ(stamp.find_first_not_of(u"0123456789"), std::u16string::npos);
  EXPECT_LT(std::llabs(std::stoll(ToUtf8(stamp)) - expected), 5000);
}

TEST(Keys, Guids) {
  TTestHost host;
  const std::u16string a = Text(host, u"CreateGUID");
  const std::u16string b = Text(host, u"CreateGUID");
  EXPECT_NE(a, b);
  ASSERT_EQ(a.size(), 38u);
  for (size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(i);
    const char16_t c = a[i];
    if (i == 0) EXPECT_EQ(c, u'{');
    else if (i == 37) EXPECT_EQ(c, u'}');
    else if (i == 9 || i == 14 || i == 19 || i == 24) EXPECT_EQ(c, u'-');
    else EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')) << static_cast<int>(c);
  }
}

TEST(EvalEncryptScript, CallsThePageWithTheScriptsValue) {
  TTestHost host;
  // "\t function () {\r\n  return 1;\r\n}  \r\n" under the script key.
  const std::u16string script =
      u"2300000000000000F138C1E57F35B798B3A6F81B9942C297483F858DC344C9AAD2948D6C8866D90280FF3040F39390CB6A672515032C"
      u"7080";
  TResponseRecord r = host.Call(u"EvalEncryptScript", {{u"encryptScript", script}, {u"onDone", u"cb_1"}}).response;
  EXPECT_TRUE(r.Finished());
  EXPECT_EQ(r.resultKind, TResponseRecord::ResultKind::Boolean);
  EXPECT_TRUE(r.boolean);
  std::vector<TFunctionCall> calls = host.FunctionCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].name, u"cb_1");
  ASSERT_EQ(calls[0].args.size(), 1u);
  EXPECT_EQ(calls[0].args[0].kind, TCallArg::Kind::Script);
  EXPECT_EQ(calls[0].args[0].text, u"(function () {   return 1; })()");

  // Characters outside the code page survive.
  host.ClearFunctionCalls();
  r = host.Call(u"EvalEncryptScript",
                {{u"encryptScript",
                  u"2200000000000000BED37BBDC7A0B2BA4332A65DD178DEE9D0A2004DF3A25F6DEED5AD76E53DD3E2520976800926E655"
                  u"0E9AAAE18FE49480"},
                 {u"onDone", u"cb_1"}})
          .response;
  EXPECT_TRUE(r.boolean);
  calls = host.FunctionCalls();
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(calls[0].args.size(), 1u);
  EXPECT_EQ(calls[0].args[0].text, u"(function () { return \"税😀\"; })()");

  // Without a page function the script is only checked.
  host.ClearFunctionCalls();
  r = host.Call(u"EvalEncryptScript", {{u"encryptScript", script}}).response;
  EXPECT_TRUE(r.boolean);
  EXPECT_TRUE(host.FunctionCalls().empty());

  // A script of blanks only is no script.
  r = host.Call(u"EvalEncryptScript",
                {{u"encryptScript", u"0600000000000000F0D3AD6376B2427A13C1CE48B2876065"}, {u"onDone", u"cb_2"}})
          .response;
  EXPECT_TRUE(r.Finished());
  EXPECT_FALSE(r.boolean);
  EXPECT_TRUE(host.FunctionCalls().empty());

  // A container under another key decrypts to no text; a broken one fails.
  r = host.Call(u"EvalEncryptScript",
                {{u"encryptScript", u"0500000000000000459C0A4AC04BC3DE6592482BFF551E06"}, {u"onDone", u"cb_3"}})
          .response;
  EXPECT_FALSE(r.boolean);
  EXPECT_EQ(Error(host, u"EvalEncryptScript", {{u"encryptScript", u"0000000000000000"}, {u"onDone", u"cb_4"}}),
            u"[EvalEncryptScript]Invalid buffer size for decryption");
  EXPECT_TRUE(host.FunctionCalls().empty());
}

}  // namespace
