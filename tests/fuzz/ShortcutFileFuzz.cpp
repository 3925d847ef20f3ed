// Any bytes as a shortcut file: the reader either finds no URL or one that the writer can store
// again, and storing a URL into any existing file makes the reader find exactly that URL.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tests/fuzz/FuzzCheck.h"
#include "platform/ShortcutFile.h"

using fuzzcheck::Require;

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string url;
  if (platform::ParseShortcutUrl(bytes, url)) {
    Require(!url.empty(), "a found URL is not empty");
    Require(url.find_first_of(std::string_view("\n\0", 2)) == std::string::npos,
            "a found URL holds no LF or NUL");
    Require(!IsBlank(url.front()) && !IsBlank(url.back()) && url.back() != '\r',
            "a found URL is trimmed");
  }

  // The first line of the input (up to 200 bytes) is the URL to store into the rest.
  const size_t cut = bytes.find('\n');
  std::string newUrl(bytes.substr(0, cut == std::string_view::npos ? 0 : cut).substr(0, 200));
  const std::string_view rest = cut == std::string_view::npos ? bytes : bytes.substr(cut + 1);
  if (newUrl.find_first_of(std::string_view("\r\0", 2)) != std::string::npos) return 0;
  while (!newUrl.empty() && IsBlank(newUrl.back())) newUrl.pop_back();
  while (!newUrl.empty() && IsBlank(newUrl.front())) newUrl.erase(0, 1);
  if (newUrl.empty()) newUrl = "http://fuzz.example/";

  const std::string stored = platform::WithShortcutUrl(std::string(rest), newUrl);
  std::string back;
  Require(platform::ParseShortcutUrl(stored, back), "a stored URL is found again");
  Require(back == newUrl, "the stored URL reads back unchanged");
  const std::string again = platform::WithShortcutUrl(stored, newUrl);
  Require(again == stored, "storing the same URL twice changes nothing the second time");
  return 0;
}
