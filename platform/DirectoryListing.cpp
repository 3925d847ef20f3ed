#include "platform/DirectoryListing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

int CompareNoCase(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

bool NameBefore(std::string_view a, std::string_view b) {
  const int c = CompareNoCase(a, b);
  return c != 0 ? c < 0 : a < b;
}

bool ListDirectory(const std::string& path, std::vector<DirectoryEntry>& entries) {
  entries.clear();
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return false;
  while (const dirent* entry = ::readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    bool isDirectory = entry->d_type == DT_DIR;
    if (entry->d_type == DT_UNKNOWN) {
      struct stat st {};
      const std::string full = path + "/" + entry->d_name;
      isDirectory = ::lstat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    entries.push_back({entry->d_name, isDirectory});
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
    return NameBefore(a.name, b.name);
  });
  return true;
}

}  // namespace platform
