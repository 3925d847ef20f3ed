#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Replaces the file at path with exactly these bytes, or leaves it as it was: the bytes go into a
// new file of a unique, short name in the same folder, which is then renamed over the path. So
// a reader never finds half a file, a long name is not made longer, no other file is touched, and
// a symbolic link at path is replaced rather than written through. 0, or the errno of the step
// that failed.
int ReplaceFileWhole(const std::string& path, std::string_view bytes);

// Reads the whole regular file, sized up front. False when it can't be opened or read to its end,
// or when it is larger than maxSize bytes; bytes is then left empty.
bool ReadWholeFile(const std::string& path, std::string& bytes,
                   std::size_t maxSize = static_cast<std::size_t>(-1));

}  // namespace platform
