#pragma once

#include <string>
#include <vector>

namespace platform {

struct DirectoryEntry {
  std::string name;  // the entry's own name, bytes as the file system gives them
  bool isDirectory;  // a real directory; a symbolic link is never one, so a scan stays inside
};

// Every entry of a folder but "." and "..", hidden ones included, in a stable order: by name
// without regard to ASCII case, then byte for byte. False when the folder can't be read.
bool ListDirectory(const std::string& path, std::vector<DirectoryEntry>& entries);

}  // namespace platform
