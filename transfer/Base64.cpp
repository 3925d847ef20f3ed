#include "transfer/Base64.h"

std::string EncodeBase64(std::string_view bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned group = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[group >> 18 & 63];
    out += kAlphabet[group >> 12 & 63];
    out += kAlphabet[group >> 6 & 63];
    out += kAlphabet[group & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned group = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[group >> 18 & 63];
    out += kAlphabet[group >> 12 & 63];
    out += rest == 2 ? kAlphabet[group >> 6 & 63] : '=';
    out += '=';
  }
  return out;
}

std::string EncodeBase64Lines(std::string_view bytes) {
  constexpr std::size_t kLineBytes = 57;  // 76 characters
  std::string out;
  out.reserve((bytes.size() / kLineBytes + 1) * 78);
  for (std::size_t at = 0; at < bytes.size(); at += kLineBytes) {
    out += EncodeBase64(bytes.substr(at, kLineBytes));
    out += "\r\n";
  }
  return out;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
  const auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  std::string out;
  out.reserve(text.size() / 4 * 3);
  unsigned group = 0;
  int filled = 0;   // characters in group
  int padding = 0;  // "=" seen; only the end of the text may follow them
  for (const char c : text) {
    if (c == '\r' || c == '\n') continue;
    if (c == '=') {
      if (filled < 2 || ++padding > 4 - filled) return std::nullopt;
      continue;
    }
    const int v = value(c);
    if (v < 0 || padding > 0) return std::nullopt;
    group = group << 6 | static_cast<unsigned>(v);
    if (++filled == 4) {
      out += static_cast<char>(group >> 16 & 255);
      out += static_cast<char>(group >> 8 & 255);
      out += static_cast<char>(group & 255);
      group = 0;
      filled = 0;
    }
  }
  if (filled == 0) return padding == 0 ? std::optional<std::string>(std::move(out)) : std::nullopt;
  if (filled == 1 || filled + padding != 4) return std::nullopt;
  group <<= 6 * (4 - filled);
  out += static_cast<char>(group >> 16 & 255);
  if (filled == 3) out += static_cast<char>(group >> 8 & 255);
  return out;
}
