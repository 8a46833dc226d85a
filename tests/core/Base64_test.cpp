#include <gtest/gtest.h>

#include "Base64.h"

namespace {

TEST(Base64, Rfc4648Vectors) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},          {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, encoded] : cases) {
    SCOPED_TRACE(plain);
    EXPECT_EQ(Base64Encode(plain), encoded);
    EXPECT_EQ(Base64Decode(encoded), plain);
  }
  // Every byte value, and the two characters beyond the letters and digits.
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  EXPECT_EQ(Base64Decode(Base64Encode(all)), all);
  EXPECT_EQ(Base64Encode("\xFB\xFF"), "+/8=");
}

TEST(Base64, DecodingSkipsWhatIsNotBase64) {
  const std::pair<const char*, const char*> cases[] = {
      {"Zm9v\r\nYmFy\r\n", "foobar"},  // line breaks
      {" Zm 9v\tYg = = ", "foob"},     // blanks anywhere
      {"Zm9v*YmE=", "fooba"},          // other characters
      {"Zm9vYg", "foob"},              // a final group without its padding
      {"Zm9vY", "foo"},                // a lone final character gives nothing
      {"Zg==Zm8=", "ffo"},             // padded groups one after another
      {"====", ""},
      {"Zm=v", "f"},                   // "=" in the third place
      {"Z===", ""},
      {"", ""},
  };
  for (const auto& [encoded, plain] : cases) {
    SCOPED_TRACE(encoded);
    EXPECT_EQ(Base64Decode(encoded), plain);
  }
}

}  // namespace
