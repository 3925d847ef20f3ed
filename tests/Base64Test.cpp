#include <gtest/gtest.h>

#include "transfer/Base64.h"

namespace {

TEST(Base64Test, EncodesTheStandardAlphabetWithPadding) {
  const struct {
    std::string in;
    const char* out;
  } cases[] = {
      // RFC 4648, section 10.
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      // The last two characters of the alphabet, and bytes above 0x7f.
      {"\xfb\xff", "+/8="},
      {"\xff\xff\xff", "////"},
      // A NUL byte is data, not the end.
      {std::string("a\0b", 3), "YQBi"},
      {std::string(1, '\0'), "AA=="},
      // Typical user names and passwords.
      {"alice", "YWxpY2U="},
      {"user@example.org", "dXNlckBleGFtcGxlLm9yZw=="},
      {"p\xe4ss w\xf6rd!", "cORzcyB39nJkIQ=="},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeBase64(c.in), c.out) << c.in;
  }
}

TEST(Base64Test, LongInputStaysOnOneLine) {
  const std::string encoded = EncodeBase64(std::string(300, 'x'));
  EXPECT_EQ(encoded.size(), 400u);
  EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
}

}  // namespace
