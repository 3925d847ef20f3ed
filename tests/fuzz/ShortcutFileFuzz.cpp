// Any bytes as a shortcut file (ANSI, UTF-8 or UTF-16LE, any line ends, with or without the
// Unicode section): the reader either finds no URL or one that the writer can store again, and
// storing a URL into any existing file makes the reader find exactly that URL.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ShortcutFile.h"
#include "tests/fuzz/FuzzCheck.h"

using fuzzcheck::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string url;
  if (platform::ParseShortcutUrl(bytes, url)) {
    Require(platform::IsSavableUrl(url), "a found URL is not blank and holds no CR, LF or NUL");
  }

  // The first line of the input (up to 200 bytes) is the URL to store into the rest.
  const size_t cut = bytes.find('\n');
  std::string newUrl(bytes.substr(0, cut == std::string_view::npos ? 0 : cut).substr(0, 200));
  const std::string_view rest = cut == std::string_view::npos ? bytes : bytes.substr(cut + 1);
  if (!platform::IsSavableUrl(newUrl)) newUrl = "http://fuzz.example/";

  std::string stored;
  if (!platform::WithShortcutUrl(rest, newUrl, stored)) {
    // Only a UTF-16 file refuses, and only an address that is no UTF-8.
    Require(rest.substr(0, 2) == "\xFF\xFE", "only a UTF-16 file refuses an address");
    return 0;
  }
  std::string back;
  Require(platform::ParseShortcutUrl(stored, back), "a stored URL is found again");
  Require(back == newUrl, "the stored URL reads back unchanged");
  std::string again;
  Require(platform::WithShortcutUrl(stored, newUrl, again), "a stored file takes it again");
  Require(again == stored, "storing the same URL twice changes nothing the second time");
  return 0;
}
