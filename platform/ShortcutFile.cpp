#include "platform/ShortcutFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/Utf8.h"
#include "platform/WholeFile.h"

namespace platform {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kSection = "InternetShortcut";
constexpr std::string_view kUnicodeSection = "InternetShortcut.W";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}

// A value as the profile API hands it back: trimmed, one pair of surrounding quotes removed.
std::string_view ValueOf(std::string_view raw) {
  raw = Trim(raw);
  if (raw.size() >= 2 && IsQuote(raw.front()) && raw.back() == raw.front()) {
    raw = raw.substr(1, raw.size() - 2);
  }
  return raw;
}

// A value written so that ValueOf gives it back unchanged.
std::string ValueText(std::string_view value) {
  const bool quote = IsBlank(value.front()) || IsBlank(value.back()) ||
                     (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front());
  std::string text;
  if (quote) text += '"';
  text += value;
  if (quote) text += '"';
  return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// --- UTF-8, UTF-16 and UTF-7 -------------------------------------------------------------------

// Decodes one UTF-8 sequence at pos. strict: refuses overlong forms and surrogates; otherwise
// surrogates pass (a lone one from a UTF-16 file travels through the text that way and back).
bool NextCodePoint(std::string_view s, size_t& pos, uint32_t& cp, bool strict) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(pos);
  size_t length;
  uint32_t min;
  if (lead < 0x80) {
    cp = lead;
    ++pos;
    return true;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, cp = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, cp = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, cp = lead & 0x07, min = 0x10000;
  } else {
    return false;
  }
  if (pos + length > s.size()) return false;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (byte(pos + i) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF) return false;
  if (strict && cp >= 0xD800 && cp <= 0xDFFF) return false;
  pos += length;
  return true;
}

bool IsUtf8(std::string_view s) {
  uint32_t cp;
  for (size_t pos = 0; pos < s.size();) {
    if (!NextCodePoint(s, pos, cp, true)) return false;
  }
  return true;
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// UTF-16 units into UTF-8; a surrogate without its partner is kept as a three-byte sequence, so
// the text goes back to exactly the same units.
void Utf16ToUtf8(const std::vector<uint16_t>& units, std::string& out) {
  for (size_t i = 0; i < units.size(); ++i) {
    const uint32_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      platform::AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else {
      platform::AppendUtf8(out, u);
    }
  }
}

bool Utf8ToUtf16(std::string_view s, std::vector<uint16_t>& units) {
  uint32_t cp;
  for (size_t pos = 0; pos < s.size();) {
    if (!NextCodePoint(s, pos, cp, false)) return false;
    if (cp >= 0x10000) {
      units.push_back(static_cast<uint16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      units.push_back(static_cast<uint16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<uint16_t>(cp));
    }
  }
  return true;
}

constexpr std::string_view kBase64 =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
  const size_t at = kBase64.find(c);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// UTF-7 (RFC 2152) into UTF-8. False for what is not UTF-7 of a valid UTF-16 text.
bool DecodeUtf7(std::string_view in, std::string& out) {
  std::vector<uint16_t> units;
  for (size_t i = 0; i < in.size();) {
    const char c = in[i];
    if (static_cast<unsigned char>(c) >= 0x80) return false;
    if (c != '+') {
      units.push_back(static_cast<uint16_t>(c));
      ++i;
      continue;
    }
    ++i;
    if (i < in.size() && in[i] == '-') {
      units.push_back('+');
      ++i;
      continue;
    }
    uint32_t bits = 0;
    int count = 0;
    for (int v; i < in.size() && (v = Base64Value(in[i])) >= 0; ++i) {
      bits = (bits << 6) | static_cast<uint32_t>(v);
      count += 6;
      if (count >= 16) {
        count -= 16;
        units.push_back(static_cast<uint16_t>(bits >> count));
        bits &= (1u << count) - 1;
      }
    }
    if (count >= 6 || bits != 0) return false;  // a run ends on a unit; what is left is zero
    if (i < in.size() && in[i] == '-') ++i;
  }
  for (size_t i = 0; i < units.size(); ++i) {
    const uint16_t u = units[i];
    if (u >= 0xDC00 && u <= 0xDFFF) return false;
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return false;
      ++i;
    }
  }
  out.clear();
  Utf16ToUtf8(units, out);
  return true;
}

// Characters UTF-7 writes as they are: the direct and the optional direct set. '\' and '~' are
// not among them (RFC 2152), nor are controls.
bool IsUtf7Direct(uint16_t u) {
  return u >= 0x20 && u < 0x7F && u != '+' && u != '\\' && u != '~';
}

// UTF-8 (checked by the caller) into UTF-7; every encoded run is closed with '-'.
std::string EncodeUtf7(std::string_view utf8) {
  std::vector<uint16_t> units;
  Utf8ToUtf16(utf8, units);
  std::string out;
  for (size_t i = 0; i < units.size();) {
    if (units[i] == '+') {
      out += "+-";
      ++i;
    } else if (IsUtf7Direct(units[i])) {
      out += static_cast<char>(units[i++]);
    } else {
      out += '+';
      uint32_t bits = 0;
      int count = 0;
      for (; i < units.size() && !IsUtf7Direct(units[i]) && units[i] != '+'; ++i) {
        bits = (bits << 16) | units[i];
        count += 16;
        while (count >= 6) {
          count -= 6;
          out += kBase64[(bits >> count) & 0x3F];
        }
        bits &= (1u << count) - 1;
      }
      if (count > 0) out += kBase64[(bits << (6 - count)) & 0x3F];
      out += '-';
    }
  }
  return out;
}

// --- The file's encoding -----------------------------------------------------------------------

enum class Encoding { kAnsi, kUtf8Bom, kUtf16Le };

// The file as UTF-8 (or ANSI) text. For UTF-16 the text is a converted copy; an odd last byte,
// which no unit holds, is kept aside so that saving puts it back.
struct DecodedText {
  Encoding encoding = Encoding::kAnsi;
  std::string_view text;
  std::string converted;
  std::string oddByte;
};

void Decode(std::string_view content, DecodedText& decoded) {
  if (content.substr(0, 2) == kUtf16LeBom) {
    decoded.encoding = Encoding::kUtf16Le;
    const std::string_view body = content.substr(2);
    std::vector<uint16_t> units(body.size() / 2);
    for (size_t i = 0; i < units.size(); ++i) {
      units[i] = static_cast<uint16_t>(static_cast<unsigned char>(body[2 * i]) |
                                       (static_cast<unsigned char>(body[2 * i + 1]) << 8));
    }
    Utf16ToUtf8(units, decoded.converted);
    decoded.oddByte = body.substr(units.size() * 2);
    decoded.text = decoded.converted;
  } else if (content.substr(0, 3) == kUtf8Bom) {
    decoded.encoding = Encoding::kUtf8Bom;
    decoded.text = content.substr(3);
  } else {
    decoded.text = content;
  }
}

bool Encode(const DecodedText& decoded, std::string_view text, std::string& out) {
  out.clear();
  switch (decoded.encoding) {
    case Encoding::kAnsi:
      out = text;
      return true;
    case Encoding::kUtf8Bom:
      out = kUtf8Bom;
      out += text;
      return true;
    case Encoding::kUtf16Le: {
      std::vector<uint16_t> units;
      if (!Utf8ToUtf16(text, units)) return false;
      out.reserve(2 + units.size() * 2 + 1);
      out = kUtf16LeBom;
      for (uint16_t u : units) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
      }
      out += decoded.oddByte;
      return true;
    }
  }
  return false;
}

// --- The INI layout ----------------------------------------------------------------------------

struct Line {
  size_t begin, end, next;  // the text, and where the next line starts (after the line end)
};

Line LineAt(std::string_view text, size_t pos) {
  size_t end = pos;
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  size_t next = end;
  if (next < text.size()) next += text.compare(next, 2, "\r\n") == 0 ? 2 : 1;
  return {pos, end, next};
}

// Where the URL value of one section lies.
struct SectionPlace {
  bool found = false;  // the section is there (its first occurrence)
  size_t end = 0;      // just after its last line: where a line is added
  bool hasUrl = false;
  size_t valueBegin = 0, valueEnd = 0;              // the first URL line's raw value, after the '='
  std::vector<std::pair<size_t, size_t>> urlLines;  // the Unicode section's URL lines: begin, next
};

struct Layout {
  SectionPlace main, unicode;
  std::string_view lineEnd = "\r\n";  // the file's own, from its first line end
};

Layout Scan(std::string_view text) {
  Layout layout;
  const size_t firstEnd = text.find_first_of("\r\n");
  if (firstEnd != std::string_view::npos) {
    layout.lineEnd = text.compare(firstEnd, 2, "\r\n") == 0 ? "\r\n"
                     : text[firstEnd] == '\n'               ? "\n"
                                                            : "\r";
  }
  SectionPlace* current = nullptr;
  for (size_t pos = 0; pos < text.size();) {
    const Line line = LineAt(text, pos);
    const std::string_view content = Trim(text.substr(line.begin, line.end - line.begin));
    pos = line.next;
    if (!content.empty() && content.front() == '[') {
      current = nullptr;
      const size_t close = content.find(']');
      if (close == std::string_view::npos) continue;
      const std::string_view name = Trim(content.substr(1, close - 1));
      SectionPlace* place = EqualsNoCase(name, kSection)          ? &layout.main
                            : EqualsNoCase(name, kUnicodeSection) ? &layout.unicode
                                                                  : nullptr;
      // A section of the same name further down is not looked at, as Windows reads the first.
      if (place && !place->found) {
        place->found = true;
        place->end = line.next;
        current = place;
      }
      continue;
    }
    if (!current) continue;
    current->end = line.next;
    const size_t eq = content.find('=');
    if (eq == std::string_view::npos || !EqualsNoCase(Trim(content.substr(0, eq)), "URL")) {
      continue;
    }
    // Every URL line of the Unicode section is known, as all of them go when one can't stay.
    if (current == &layout.unicode) current->urlLines.emplace_back(line.begin, line.next);
    if (current->hasUrl) continue;
    current->hasUrl = true;
    current->valueBegin = text.find('=', line.begin) + 1;
    current->valueEnd = line.end;
  }
  return layout;
}

std::string_view RawValue(std::string_view text, const SectionPlace& place) {
  return text.substr(place.valueBegin, place.valueEnd - place.valueBegin);
}

bool UsableUrl(std::string_view url) {
  return !Trim(url).empty() && url.find('\0') == std::string_view::npos;
}

}  // namespace

bool IsSavableUrl(std::string_view url) {
  return url.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos &&
         !Trim(url).empty();
}

bool ParseShortcutUrl(std::string_view content, std::string& url) {
  DecodedText decoded;
  Decode(content, decoded);
  const Layout layout = Scan(decoded.text);
  if (layout.unicode.hasUrl) {
    std::string wide;
    if (DecodeUtf7(ValueOf(RawValue(decoded.text, layout.unicode)), wide) && IsSavableUrl(wide)) {
      url = std::move(wide);
      return true;
    }
  }
  if (!layout.main.hasUrl) return false;
  const std::string_view value = ValueOf(RawValue(decoded.text, layout.main));
  if (!UsableUrl(value)) return false;
  url.assign(value);
  return true;
}

bool WithShortcutUrl(std::string_view content, std::string_view url, std::string& out) {
  if (!IsSavableUrl(url)) return false;
  DecodedText decoded;
  Decode(content, decoded);
  const bool utf8 = IsUtf8(url);
  if (decoded.encoding == Encoding::kUtf16Le && !utf8) return false;
  const std::string_view text = decoded.text;
  const Layout layout = Scan(text);
  const std::string_view eol = layout.lineEnd;

  struct Edit {
    size_t begin, end;
    std::string insert;
    bool newLine;             // the insert starts a line of its own
    bool newSection = false;  // a section added at the end: after lines added to the last one
  };
  std::vector<Edit> edits;
  const std::string value = ValueText(url);
  if (layout.main.hasUrl) {
    edits.push_back({layout.main.valueBegin, layout.main.valueEnd, value, false});
  } else if (layout.main.found) {
    edits.push_back({layout.main.end, layout.main.end, "URL=" + value + std::string(eol), true});
  } else {
    edits.push_back({text.size(), text.size(),
                     "[InternetShortcut]" + std::string(eol) + "URL=" + value + std::string(eol),
                     true, true});
  }
  if (layout.unicode.hasUrl) {
    if (utf8) {
      edits.push_back(
          {layout.unicode.valueBegin, layout.unicode.valueEnd, ValueText(EncodeUtf7(url)), false});
    } else {
      // Bytes that are no Unicode text can't stand there: without its URL lines (a second one
      // would count once the first is gone) Windows reads URL=.
      for (const auto& [begin, next] : layout.unicode.urlLines) {
        edits.push_back({begin, next, {}, false});
      }
    }
  } else if (utf8 && !IsAscii(url)) {
    const std::string line = "URL=" + ValueText(EncodeUtf7(url)) + std::string(eol);
    if (layout.unicode.found) {
      edits.push_back({layout.unicode.end, layout.unicode.end, line, true});
    } else {
      edits.push_back(
          {text.size(), text.size(), "[InternetShortcut.W]" + std::string(eol) + line, true, true});
    }
  }
  std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
    return a.begin != b.begin ? a.begin < b.begin : a.newSection < b.newSection;
  });

  std::string result;
  result.reserve(text.size() + 64 + 2 * url.size());
  size_t at = 0;
  for (const Edit& edit : edits) {
    result.append(text.substr(at, edit.begin - at));
    if (edit.newLine && !result.empty() && result.back() != '\n' && result.back() != '\r') {
      result += eol;
    }
    result += edit.insert;
    at = edit.end;
  }
  result.append(text.substr(at));
  return Encode(decoded, result, out);
}

bool LoadShortcutUrl(const std::string& path, std::string& url) {
  std::string content;
  return ReadWholeFile(path, content, kMaxShortcutSize) && ParseShortcutUrl(content, url);
}

int SaveShortcutUrl(const std::string& path, const std::string& url) {
  std::string content, updated;
  // Anything but a readable regular file is not kept: a new shortcut takes its place.
  if (!ReadWholeFile(path, content, kMaxShortcutSize, false)) content.clear();
  if (!WithShortcutUrl(content, url, updated)) return EINVAL;
  return ReplaceFileWhole(path, updated);
}

}  // namespace platform
