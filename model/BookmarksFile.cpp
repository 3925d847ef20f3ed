#include "model/BookmarksFile.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "model/FavoritesMerge.h"
#include "platform/CommandOwner.h"
#include "platform/Utf8.h"
#include "platform/WholeFile.h"

namespace {

constexpr std::string_view kNoName = "(no name)";
// Text of a name still being read is not kept beyond this: no name the writer writes is longer,
// and a name is cut far shorter anyway.
constexpr std::size_t kMaxRawName = 4096;
// The writer indents nested lists for people who read the file, but not without end: the
// indentation of a deep tree would grow with the square of its depth.
constexpr std::size_t kMaxIndent = 16;
// How often a long read lets its owner answer the window and ask to stop.
constexpr std::size_t kCheckEvery = 1024 * 1024;

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool IsAlpha(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}
bool StartsNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

// --- Character references ---------------------------------------------------------------------

// The named references browsers write, and the few that hand-made files use most.
struct NamedReference {
  std::string_view name;
  std::string_view text;
};
constexpr NamedReference kNamedReferences[] = {
    {"amp", "&"},        {"lt", "<"},          {"gt", ">"},          {"quot", "\""},
    {"apos", "'"},       {"AMP", "&"},         {"LT", "<"},          {"GT", ">"},
    {"QUOT", "\""},      {"nbsp", "\u00A0"},   {"copy", "\u00A9"},   {"reg", "\u00AE"},
    {"trade", "\u2122"}, {"hellip", "\u2026"}, {"ndash", "\u2013"},  {"mdash", "\u2014"},
    {"lsquo", "\u2018"}, {"rsquo", "\u2019"},  {"ldquo", "\u201C"},  {"rdquo", "\u201D"},
    {"laquo", "\u00AB"}, {"raquo", "\u00BB"},  {"middot", "\u00B7"}, {"bull", "\u2022"},
    {"euro", "\u20AC"},  {"pound", "\u00A3"},  {"deg", "\u00B0"},    {"times", "\u00D7"},
};

// Decodes the reference at the start of text ('&' ...) into out: the bytes it took, or 0 when
// it is no reference (the '&' is then text, as in an address's "?a=1&b=2").
std::size_t DecodeReference(std::string_view text, std::string& out) {
  if (text.size() > 2 && text[1] == '#') {
    std::size_t i = 2;
    const bool hex = text[i] == 'x' || text[i] == 'X';
    if (hex) ++i;
    const std::size_t digitsFrom = i;
    char32_t value = 0;
    for (; i < text.size(); ++i) {
      const char c = text[i];
      int digit;
      if (IsDigit(c)) {
        digit = c - '0';
      } else if (hex && Lower(c) >= 'a' && Lower(c) <= 'f') {
        digit = Lower(c) - 'a' + 10;
      } else {
        break;
      }
      if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
    }
    if (i == digitsFrom) return 0;
    if (i < text.size() && text[i] == ';') ++i;
    // As browsers do: what names no character (NUL, surrogates, beyond Unicode) is U+FFFD.
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) value = 0xFFFD;
    platform::AppendUtf8(out, value);
    return i;
  }
  const std::size_t semicolon = text.find(';', 1);
  if (semicolon == std::string_view::npos || semicolon > 8) return 0;
  const std::string_view name = text.substr(1, semicolon - 1);
  for (const NamedReference& reference : kNamedReferences) {
    if (reference.name == name) {
      out += reference.text;
      return semicolon + 1;
    }
  }
  return 0;
}

std::string Decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t amp = std::min(text.find('&', i), text.size());
    out.append(text, i, amp - i);
    if (amp == text.size()) break;
    const std::size_t used = DecodeReference(text.substr(amp), out);
    if (!used) out += '&';
    i = amp + std::max<std::size_t>(used, 1);
  }
  return out;
}

// --- Names and addresses ----------------------------------------------------------------------

enum NameFault : unsigned {
  kEmpty = 1,
  kDots = 2,
  kSeparator = 4,
  kControl = 8,
  kLong = 16,
  kTaken = 32,
};

std::string Why(unsigned faults) {
  const std::pair<unsigned, std::string> reasons[] = {
      {kEmpty, "it has no name"},
      {kDots, "\".\" and \"..\" can't be names"},
      {kSeparator, "a name can't hold \"/\" or \"\\\""},
      {kControl, "a name can't hold control characters"},
      {kLong, "names are cut to " + std::to_string(kMaxBookmarkName) + " bytes"},
      {kTaken, "another link of that name in this folder has another address"},
  };
  std::string why;
  for (const auto& [fault, text] : reasons) {
    if (!(faults & fault)) continue;
    if (!why.empty()) why += "; ";
    why += text;
  }
  return why;
}

// Cuts the name to at most size bytes, not inside a UTF-8 sequence, and without a space at the end.
void Cut(std::string& name, std::size_t size) {
  if (name.size() <= size) return;
  std::size_t end = size;
  for (int back = 0; back < 3 && end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80;
       ++back) {
    --end;
  }
  name.resize(end);
  while (!name.empty() && name.back() == ' ') name.pop_back();
}

// The text of a heading or link as a name a file can have: runs of white space become one space
// (as a browser shows the text), "/" and "\" become "-", control characters go.
std::string CleanName(std::string_view text, unsigned& faults) {
  std::string name;
  bool space = false;
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (IsSpace(c)) {
      space = true;
      continue;
    }
    if (byte < 0x20 || byte == 0x7F) {
      faults |= kControl;
      continue;
    }
    if (c == '/' || c == '\\') {
      faults |= kSeparator;
      c = '-';
    }
    if (space && !name.empty()) name += ' ';
    space = false;
    name += c;
  }
  if (name.size() > kMaxBookmarkName) {
    Cut(name, kMaxBookmarkName);
    faults |= kLong;
  }
  if (name.empty()) faults |= kEmpty;
  if (name == "." || name == "..") faults |= kDots;
  return name;
}

// A name for a link that has none: its address's host, as a browser shows such a bookmark.
std::string HostName(std::string_view url) {
  const std::size_t scheme = url.find("://");
  std::string name;
  if (scheme != std::string_view::npos) {
    std::string_view host = url.substr(scheme + 3);
    host = host.substr(0, host.find_first_of("/?#"));
    if (const std::size_t at = host.rfind('@'); at != std::string_view::npos) {
      host.remove_prefix(at + 1);
    }
    if (host.starts_with('[')) {
      host = host.substr(0, host.find(']') + 1);
    } else {
      host = host.substr(0, host.find(':'));
    }
    unsigned ignored = 0;
    name = CleanName(host, ignored);
  }
  return name.empty() || name == "." || name == ".." ? std::string(kNoName) : name;
}

// An address as browsers read one: spaces and control characters around it dropped, TAB, CR and
// LF inside removed, other control characters percent-encoded, so it stays one line and whole.
std::string CleanUrl(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  const std::string_view trimmed = text.substr(begin, end - begin);
  const auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; };
  if (std::none_of(trimmed.begin(), trimmed.end(), control)) return std::string(trimmed);
  std::string url;
  url.reserve(end - begin);
  for (std::size_t i = begin; i < end; ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if (byte == '\t' || byte == '\n' || byte == '\r') continue;
    if (byte < 0x20 || byte == 0x7F) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      url += '%';
      url += kHex[byte >> 4];
      url += kHex[byte & 0xF];
      continue;
    }
    url += static_cast<char>(byte);
  }
  return url;
}

// The name with " (n)" after it, within the length of a name.
std::string Numbered(std::string_view name, unsigned n) {
  const std::string suffix = " (" + std::to_string(n) + ")";
  std::string numbered(name);
  Cut(numbered, kMaxBookmarkName - suffix.size());
  return numbered + suffix;
}

// --- Markup -----------------------------------------------------------------------------------

// The value of the attribute of that name in a tag's attribute text (entities not decoded);
// false when the tag has none. Names in any case, values in double, single or no quotes.
bool FindAttribute(std::string_view attributes, std::string_view wanted, std::string_view& value) {
  const std::size_t size = attributes.size();
  std::size_t i = 0;
  while (i < size) {
    while (i < size && (IsSpace(attributes[i]) || attributes[i] == '/')) ++i;
    const std::size_t nameFrom = i;
    while (i < size && !IsSpace(attributes[i]) && attributes[i] != '=' && attributes[i] != '/') ++i;
    const std::string_view name = attributes.substr(nameFrom, i - nameFrom);
    while (i < size && IsSpace(attributes[i])) ++i;
    std::string_view found;
    if (i < size && attributes[i] == '=') {
      ++i;
      while (i < size && IsSpace(attributes[i])) ++i;
      if (i < size && (attributes[i] == '"' || attributes[i] == '\'')) {
        const std::size_t close = attributes.find(attributes[i], i + 1);
        const std::size_t end = close == std::string_view::npos ? size : close;
        found = attributes.substr(i + 1, end - i - 1);
        i = close == std::string_view::npos ? size : close + 1;
      } else {
        const std::size_t from = i;
        while (i < size && !IsSpace(attributes[i])) ++i;
        found = attributes.substr(from, i - from);
      }
    }
    if (!name.empty() && EqualsNoCase(name, wanted)) {
      value = found;
      return true;
    }
  }
  return false;
}

// Where the tag whose attributes start at from ends (its '>'), quoted values passed over; npos
// when it runs to the end. A quote that is never closed does not take the rest of the file: the
// tag then ends at the first '>'.
std::size_t TagEnd(std::string_view s, std::size_t from) {
  for (std::size_t i = from; (i = s.find_first_of(">\"'", i)) != std::string_view::npos; ++i) {
    const char c = s[i];
    if (c == '>') return i;
    std::size_t before = i;
    while (before > from && IsSpace(s[before - 1])) --before;
    if (before == from || s[before - 1] != '=') continue;  // a quote inside a name or value
    const std::size_t close = s.find(c, i + 1);
    if (close == std::string_view::npos) return s.find('>', from);
    i = close;
  }
  return std::string_view::npos;
}

// "DOCTYPE NETSCAPE-Bookmark-file-1", in any case and spacing.
bool IsBookmarksDoctype(std::string_view declaration) {
  if (!StartsNoCase(declaration, "doctype")) return false;
  declaration.remove_prefix(7);
  while (!declaration.empty() && IsSpace(declaration.front())) declaration.remove_prefix(1);
  return StartsNoCase(declaration, "netscape-bookmark-file");
}

// Folders and links of one name in one folder are one folder or one file on disk: names are
// kept apart per folder on disk (a "group"), not per folder node.
struct GroupKey {
  std::size_t group;
  std::string_view name;
  bool operator==(const GroupKey&) const = default;
};
struct GroupKeyHash {
  std::size_t operator()(const GroupKey& key) const {
    return std::hash<std::string_view>()(key.name) ^ (key.group * 0x9E3779B97F4A7C15ull);
  }
};

class Reader {
 public:
  Reader(FavoritesTree& tree, BookmarksRead& read, CommandOwner* owner)
      : m_tree(tree), m_read(read), m_owner(owner) {
    m_open.push_back({tree.AddNode(nullptr, "Favorites"), 0});
  }

  void Run(std::string_view s) {
    std::size_t pos = 0;
    std::size_t check = kCheckEvery;
    while (pos < s.size() && !m_tooMany) {
      if (m_owner && pos >= check) {
        check = pos + kCheckEvery;
        m_owner->Progress("bytes", static_cast<long long>(pos), static_cast<long long>(s.size()));
        if (m_owner->Interrupted()) {
          m_interrupted = true;
          return;
        }
      }
      const std::size_t lt = s.find('<', pos);
      if (lt == std::string_view::npos) {
        Text(s.substr(pos));
        break;
      }
      Text(s.substr(pos, lt - pos));
      pos = Markup(s, lt);
    }
    if (!m_tooMany) Finish();
  }

  bool TooMany() const { return m_tooMany; }
  bool Interrupted() const { return m_interrupted; }
  bool LooksLikeBookmarks() const { return m_sawDoctype || m_sawList; }

 private:
  struct Open {
    FavoriteNode* folder;
    std::size_t group;
  };
  enum class Reading { kNothing, kFolderName, kLinkName };

  // Handles the markup at s[at] == '<'; returns where the text after it starts.
  std::size_t Markup(std::string_view s, std::size_t at) {
    const std::string_view rest = s.substr(at);
    if (rest.starts_with("<!--")) {
      std::size_t end = s.find("-->", at + 4);
      if (end != std::string_view::npos) return end + 3;
      end = s.find('>', at + 4);  // a comment never closed: as if it were a declaration
      return end == std::string_view::npos ? s.size() : end + 1;
    }
    if (rest.starts_with("<!") || rest.starts_with("<?")) {
      const std::size_t end = s.find('>', at + 2);
      if (IsBookmarksDoctype(rest.substr(2, std::min<std::size_t>(rest.size() - 2, 64)))) {
        m_sawDoctype = true;
      }
      return end == std::string_view::npos ? s.size() : end + 1;
    }
    std::size_t i = at + 1;
    const bool closing = i < s.size() && s[i] == '/';
    if (closing) ++i;
    const std::size_t nameFrom = i;
    while (i < s.size() && (IsAlpha(s[i]) || IsDigit(s[i]))) ++i;
    if (i == nameFrom || !IsAlpha(s[nameFrom])) {  // "a < b": text
      Text("<");
      return at + 1;
    }
    const std::size_t end = TagEnd(s, i);
    if (end == std::string_view::npos) return s.size();  // a file cut short inside a tag
    Tag(s.substr(nameFrom, i - nameFrom), closing, s.substr(i, end - i));
    return end + 1;
  }

  void Tag(std::string_view name, bool closing, std::string_view attributes) {
    if (EqualsNoCase(name, "dl")) {
      Finish();
      if (closing) {
        if (m_open.size() > 1) m_open.pop_back();  // a stray </DL> never closes the root
      } else {
        // A list right after a folder's heading holds that folder; any other (the file's outer
        // list, or a stray one) goes on in the folder it is in.
        m_sawList = true;
        m_open.push_back(m_pending.folder ? m_pending : m_open.back());
      }
      m_pending.folder = nullptr;
    } else if (EqualsNoCase(name, "h3")) {
      if (closing) {
        if (m_reading == Reading::kFolderName) Finish();
        return;
      }
      Finish();
      m_pending.folder = nullptr;
      m_reading = Reading::kFolderName;
    } else if (EqualsNoCase(name, "a")) {
      if (closing) {
        if (m_reading == Reading::kLinkName) Finish();
        return;
      }
      Finish();
      m_pending.folder = nullptr;
      m_reading = Reading::kLinkName;
      m_hasHref = FindAttribute(attributes, "href", m_href);
    } else if (EqualsNoCase(name, "dt") || EqualsNoCase(name, "hr")) {
      Finish();
      m_pending.folder = nullptr;
    } else if (EqualsNoCase(name, "dd") || EqualsNoCase(name, "h1") ||
               EqualsNoCase(name, "title")) {
      // A description (<DD>) may stand between a folder's heading and its list.
      Finish();
    }
    // Other tags (<p>, <META>, markup inside a name) carry nothing of the tree.
  }

  void Text(std::string_view text) {
    if (m_reading == Reading::kNothing || m_raw.size() >= kMaxRawName) return;
    m_raw.append(text.substr(0, kMaxRawName - m_raw.size()));
  }

  // Ends the name being read (at its closing tag, or where the next item shows it was never
  // closed) and adds its folder or link.
  void Finish() {
    const Reading reading = std::exchange(m_reading, Reading::kNothing);
    if (reading == Reading::kFolderName) AddFolder();
    if (reading == Reading::kLinkName) AddLink();
    m_raw.clear();
  }

  bool Counted() {
    if (m_read.folders + m_read.links >= kMaxBookmarks) m_tooMany = true;
    return !m_tooMany;
  }

  void AddFolder() {
    if (!Counted()) return;
    unsigned faults = 0;
    std::string name = CleanName(Decode(m_raw), faults);
    if (faults & (kEmpty | kDots)) name = kNoName;
    const Open& in = m_open.back();
    FavoriteNode* folder = m_tree.AddNode(in.folder, name);
    ++m_read.folders;
    const auto [group, added] = m_groups.try_emplace({in.group, folder->text}, m_groups.size() + 1);
    m_pending = {folder, group->second};
    if (faults) m_read.renamed.push_back({NodePath(folder), Why(faults)});
  }

  void AddLink() {
    if (!m_hasHref) {
      ++m_read.withoutAddress;
      return;
    }
    const std::string url = CleanUrl(Decode(m_href));
    if (url.empty()) {
      ++m_read.withoutAddress;
      return;
    }
    if (StartsNoCase(url, "javascript:")) {
      ++m_read.scripts;
      return;
    }
    if (StartsNoCase(url, "place:")) {
      ++m_read.queries;
      return;
    }
    if (url.size() > kMaxBookmarkUrl) {
      ++m_read.tooLong;
      return;
    }
    if (!Counted()) return;
    unsigned faults = 0;
    std::string name = CleanName(Decode(m_raw), faults);
    if (faults & (kEmpty | kDots)) name = HostName(url);
    const Open& in = m_open.back();
    name = DistinctName(in.group, std::move(name), url, faults);
    FavoriteNode* link = m_tree.AddNode(in.folder, name + FavoriteNode::kUrlSeparator + url);
    ++m_read.links;
    m_links.try_emplace({in.group, link->Name()}, link->Url());
    if (faults) m_read.renamed.push_back({NodePath(link), Why(faults)});
  }

  // The name unless another link in the same folder on disk has it with another address; else
  // the first "name (n)" that is free or has this address. The same bookmark twice gets the same
  // name, so a synchronisation writes it once.
  std::string DistinctName(std::size_t group, std::string name, const std::string& url,
                           unsigned& faults) {
    const auto taken = m_links.find({group, name});
    if (taken == m_links.end() || taken->second == url) return name;
    auto base = m_numbering.find({group, name});
    if (base == m_numbering.end()) {
      m_bases.push_back(std::make_unique<std::string>(name));
      base = m_numbering.try_emplace({group, *m_bases.back()}).first;
    }
    Numbering& numbering = base->second;
    const auto earlier = numbering.given.find(url);
    if (earlier != numbering.given.end()) {
      name = earlier->second;
    } else {
      for (;; ++numbering.next) {
        name = Numbered(base->first.name, numbering.next);
        const auto other = m_links.find({group, name});
        if (other == m_links.end() || other->second == url) break;
      }
      numbering.given.emplace(url, name);
    }
    faults |= kTaken;
    return name;
  }

  struct Numbering {
    unsigned next = 2;
    std::unordered_map<std::string, std::string> given;  // address -> the name it got
  };

  FavoritesTree& m_tree;
  BookmarksRead& m_read;
  CommandOwner* m_owner;
  std::vector<Open> m_open;    // the lists being read, the innermost last; the root's first
  Open m_pending{nullptr, 0};  // the folder whose heading was just read, which a <DL> opens
  Reading m_reading = Reading::kNothing;
  std::string m_raw;        // the text of the name being read, references not yet decoded
  std::string_view m_href;  // the address of the link being read, in the file's bytes
  bool m_hasHref = false;
  bool m_sawDoctype = false;
  bool m_sawList = false;
  bool m_tooMany = false;
  bool m_interrupted = false;
  // Folder groups by the group they are in and their name (the root is group 0); link names by
  // group, with their addresses; the numbers given to names that were taken.
  std::unordered_map<GroupKey, std::size_t, GroupKeyHash> m_groups;
  std::unordered_map<GroupKey, std::string_view, GroupKeyHash> m_links;
  std::unordered_map<GroupKey, Numbering, GroupKeyHash> m_numbering;
  std::vector<std::unique_ptr<std::string>> m_bases;  // the names m_numbering's keys lie in
};

void AppendEscaped(std::string& out, std::string_view text) {
  std::size_t run = 0;  // the start of the bytes not yet appended
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::string_view reference;
    switch (text[i]) {
      case '&':
        reference = "&amp;";
        break;
      case '<':
        reference = "&lt;";
        break;
      case '>':
        reference = "&gt;";
        break;
      case '"':
        reference = "&quot;";
        break;
      default:
        continue;
    }
    out.append(text, run, i - run);
    out += reference;
    run = i + 1;
  }
  out.append(text, run);
}

void Indent(std::string& out, std::size_t depth) {
  out.append(4 * std::min(depth, kMaxIndent), ' ');
}

}  // namespace

BookmarksRead ReadBookmarks(std::string_view bytes, FavoritesTree& tree, CommandOwner* owner) {
  BookmarksRead read;
  tree.Clear();
  if (bytes.size() > kMaxBookmarksFile) {
    read.status = BookmarksRead::Status::kTooLarge;
    return read;
  }
  Reader reader(tree, read, owner);
  reader.Run(bytes);
  if (reader.Interrupted()) {
    read.status = BookmarksRead::Status::kInterrupted;
  } else if (reader.TooMany()) {
    read.status = BookmarksRead::Status::kTooMany;
  } else if (!reader.LooksLikeBookmarks()) {
    read.status = BookmarksRead::Status::kNotBookmarks;
  }
  if (read.status != BookmarksRead::Status::kRead) tree.Clear();
  return read;
}

BookmarksRead LoadBookmarks(const std::string& fileName, FavoritesTree& tree, CommandOwner* owner) {
  std::string bytes;
  if (!platform::ReadWholeFile(fileName, bytes, kMaxBookmarksFile)) {
    tree.Clear();
    BookmarksRead read;
    std::error_code error;
    const auto size = std::filesystem::file_size(fileName, error);
    read.status = !error && size > kMaxBookmarksFile ? BookmarksRead::Status::kTooLarge
                                                     : BookmarksRead::Status::kCantRead;
    return read;
  }
  return ReadBookmarks(bytes, tree, owner);
}

std::string BookmarksText(const FavoritesTree& tree, std::int64_t addDate) {
  const std::string date = std::to_string(addDate);
  std::string out =
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
      "<!-- Favorites written by Quillmere: a browser imports them as bookmarks. -->\n"
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
      "<TITLE>Bookmarks</TITLE>\n"
      "<H1>Favorites</H1>\n"
      "<DL><p>\n";
  const FavoriteNode* root = tree.Root();
  if (root && !root->excluded) {
    // The next child still to write in each open list; the root's list is the first.
    std::vector<const FavoriteNode*> pending{root->firstChild};
    while (!pending.empty()) {
      const FavoriteNode* node = pending.back();
      if (!node) {
        pending.pop_back();
        if (!pending.empty()) {
          Indent(out, pending.size());
          out += "</DL><p>\n";
        }
        continue;
      }
      pending.back() = node->nextSibling;
      if (node->excluded) continue;
      Indent(out, pending.size());
      if (node->IsLink()) {
        // A link is a file on disk: nothing lies below it.
        out += "<DT><A HREF=\"";
        AppendEscaped(out, node->Url());
        out += "\" ADD_DATE=\"" + date + "\">";
        AppendEscaped(out, node->Name());
        out += "</A>\n";
        continue;
      }
      out += "<DT><H3 ADD_DATE=\"" + date + "\">";
      AppendEscaped(out, node->Name());
      out += "</H3>\n";
      Indent(out, pending.size());
      out += "<DL><p>\n";
      pending.push_back(node->firstChild);
    }
  }
  out += "</DL><p>\n";
  return out;
}

int SaveBookmarks(const FavoritesTree& tree, const std::string& fileName, std::int64_t addDate) {
  return platform::ReplaceFileWhole(fileName, BookmarksText(tree, addDate)) == 0 ? 0 : 1;
}
