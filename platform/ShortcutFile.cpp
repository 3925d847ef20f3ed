#include "platform/ShortcutFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <utility>

#include "platform/WholeFile.h"

namespace platform {
namespace {

constexpr off_t kMaxShortcutSize = 16 * 1024 * 1024;

bool ReadSmallFile(const std::string& path, std::string& content) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxShortcutSize) {
    ::close(fd);
    return false;
  }
  content.resize(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = ::read(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  content.resize(done);
  ::close(fd);
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
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

// One line of an INI text, without its line end, and where the next line starts.
struct Line {
  std::string_view text;
  size_t begin, end, next;
};

Line LineAt(std::string_view content, size_t pos) {
  size_t lf = content.find('\n', pos);
  size_t next = lf == std::string_view::npos ? content.size() : lf + 1;
  size_t end = lf == std::string_view::npos ? content.size() : lf;
  if (end > pos && content[end - 1] == '\r') --end;
  return {content.substr(pos, end - pos), pos, end, next};
}

bool IsSection(std::string_view line, std::string_view* name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return false;
  *name = line.substr(1, line.size() - 2);
  return true;
}

// The URL= line of the [InternetShortcut] section: where its value is, or npos.
struct UrlPlace {
  size_t sectionEnd = std::string_view::npos;  // where the section's lines end (insert point)
  size_t valueBegin = std::string_view::npos, valueEnd = 0;
};

UrlPlace FindUrl(std::string_view content) {
  UrlPlace place;
  bool inSection = false;
  for (size_t pos = 0; pos < content.size();) {
    const Line line = LineAt(content, pos);
    std::string_view section;
    if (IsSection(line.text, &section)) {
      if (inSection) return place;  // the section ended without a URL line
      inSection = EqualsNoCase(Trim(section), "InternetShortcut");
      if (inSection) place.sectionEnd = line.next;
    } else if (inSection) {
      const size_t eq = line.text.find('=');
      if (eq != std::string_view::npos && EqualsNoCase(Trim(line.text.substr(0, eq)), "URL")) {
        size_t vb = line.begin + eq + 1;
        place.valueBegin = vb;
        place.valueEnd = line.end;
        return place;
      }
      place.sectionEnd = line.next;
    }
    pos = line.next;
  }
  return place;
}

}  // namespace

bool ParseShortcutUrl(std::string_view content, std::string& url) {
  const UrlPlace place = FindUrl(content);
  if (place.valueBegin == std::string_view::npos) return false;
  std::string_view value =
      Trim(std::string_view(content).substr(place.valueBegin, place.valueEnd - place.valueBegin));
  if (value.empty() || value.find('\0') != std::string_view::npos) return false;
  url.assign(value);
  return true;
}

bool LoadShortcutUrl(const std::string& path, std::string& url) {
  std::string content;
  return ReadSmallFile(path, content) && ParseShortcutUrl(content, url);
}

std::string WithShortcutUrl(std::string content, const std::string& url) {
  const UrlPlace place = FindUrl(content);
  if (place.valueBegin != std::string_view::npos) {
    content.replace(place.valueBegin, place.valueEnd - place.valueBegin, url);
  } else if (place.sectionEnd != std::string_view::npos) {
    std::string insert = "URL=" + url + "\r\n";
    if (content[place.sectionEnd - 1] != '\n') insert = "\r\n" + insert;
    content.insert(place.sectionEnd, insert);
  } else {
    if (!content.empty() && content.back() != '\n') content += "\r\n";
    content += "[InternetShortcut]\r\nURL=" + url + "\r\n";
  }
  return content;
}

bool IsSavableUrl(std::string_view url) {
  // A line break would inject lines; a blank URL reads back as none: the file would stop being a
  // shortcut, and over an existing one its URL would be lost.
  return url.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos &&
         !Trim(url).empty();
}

int SaveShortcutUrl(const std::string& path, const std::string& url) {
  if (!IsSavableUrl(url)) return EINVAL;
  std::string content;
  struct stat st {};
  const bool existing =
      ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ReadSmallFile(path, content);
  if (!existing) content.clear();
  content = WithShortcutUrl(std::move(content), url);

  return ReplaceFileWhole(path, content);
}

}  // namespace platform
