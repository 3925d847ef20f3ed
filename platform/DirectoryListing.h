#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct DirectoryEntry {
  std::string name;  // the entry's own name, bytes as the file system gives them
  bool isDirectory;  // a real directory; a symbolic link is never one, so a scan stays inside
};

// The order of the names in a folder, for every listing and the scan: without regard to ASCII
// case (folded to upper case, as a case-insensitive file system compares names, so the order does
// not change with the case a browser gave a name and "_" sorts after the letters), then byte for
// byte.
bool NameBefore(std::string_view a, std::string_view b);

// Every entry of a folder but "." and "..", hidden ones included, in NameBefore's order. False
// when the folder can't be read.
bool ListDirectory(const std::string& path, std::vector<DirectoryEntry>& entries);

}  // namespace platform
