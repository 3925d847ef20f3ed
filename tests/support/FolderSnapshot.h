#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "tests/support/TempDir.h"

namespace testsupport {

// What a folder holds, for comparing two folders or one folder at two times: every entry below
// it by relative path, as "dir", "file:<bytes>" or "link:<target>". Links are not followed.
inline std::map<std::string, std::string> Snapshot(const std::string& root) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string rel = it->path().lexically_relative(root).string();
    const fs::file_status st = it->symlink_status();
    if (fs::is_symlink(st)) {
      out[rel] = "link:" + fs::read_symlink(it->path()).string();
    } else if (fs::is_directory(st)) {
      out[rel] = "dir";
    } else if (fs::is_regular_file(st)) {
      out[rel] = "file:" + ReadFile(it->path().string());
    } else {
      out[rel] = "other";
    }
  }
  return out;
}

// The names directly inside a folder, sorted.
inline std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> out;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    out.insert(it->path().filename().string());
  }
  return out;
}

}  // namespace testsupport
