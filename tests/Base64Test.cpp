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
    EXPECT_EQ(DecodeBase64(c.out), c.in) << c.out;
  }
}

TEST(Base64Test, DecodingRefusesWhatIsNotBase64) {
  for (const char* bad :
       {"Zg=", "Zg===", "Z", "Zm9v=", "Zg==Zg==", "Zm9\x01", "Zm 9v", "====", "!@#$"}) {
    EXPECT_FALSE(DecodeBase64(bad)) << bad;
  }
  EXPECT_EQ(DecodeBase64("Zm9v\r\nYmFy\r\n"), "foobar");
}

TEST(Base64Test, LongInputStaysOnOneLine) {
  const std::string encoded = EncodeBase64(std::string(300, 'x'));
  EXPECT_EQ(encoded.size(), 400u);
  EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
}

TEST(Base64Test, LinesForMailHoldAtMost76Characters) {
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 7);
  const std::string lines = EncodeBase64Lines(bytes);
  for (std::size_t at = 0; at < lines.size();) {
    const std::size_t end = lines.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LE(end - at, 76u);
    at = end + 2;
  }
  EXPECT_EQ(DecodeBase64(lines), bytes);
  EXPECT_EQ(EncodeBase64Lines(""), "");
}

}  // namespace
