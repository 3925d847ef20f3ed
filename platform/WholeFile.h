#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// Replaces the file at path with exactly these bytes, or leaves it as it was: the bytes go into a
// new file of a unique, short name in the same folder, which is then renamed over the path. So
// a reader never finds half a file, a long name is not made longer, no other file is touched, and
// a symbolic link at path is replaced rather than written through. The file gets the mode a new
// file gets. 0, or the errno of the step that failed.
int ReplaceFileWhole(const std::string& path, std::string_view bytes);
// The same with the bytes handed over in pieces: next() gives the next piece, an empty one at the
// end. So a large file is written without being held whole.
int ReplaceFileWhole(const std::string& path, const std::function<std::string_view()>& next);

// Reads the whole regular file, sized up front. False when it can't be opened or read to its end,
// when it is no regular file (a link to one counts when followLinks is set), or when it is larger
// than maxSize bytes; bytes is then left empty.
bool ReadWholeFile(const std::string& path, std::string& bytes,
                   std::size_t maxSize = static_cast<std::size_t>(-1), bool followLinks = true);

// The same into a buffer that is not cleared first: a large list is read once, not written over
// with zeros before.
struct FileBytes {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
};
bool ReadWholeFile(const std::string& path, FileBytes& bytes, std::size_t maxSize);

// The same three relative to an open folder (folderFd) and never through a symbolic link at
// name. CreateFileAt makes a new file only (EEXIST when something has the name) and removes it
// again when it can't be written whole. ReplaceFileAt renames a new file over name; when before
// is given, it runs once the new file is complete, just before the rename, and a false from it
// (errno set) leaves name as it was and removes the new file.
enum class ReadAt { kRead, kMissing, kNotRegular, kTooLarge, kFailed };
ReadAt ReadFileAt(int folderFd, const std::string& name, std::string& bytes, std::size_t maxSize);
// ReadFileAt by path (never through a symbolic link at its last part).
ReadAt ReadRegularFile(const std::string& path, std::string& bytes, std::size_t maxSize);
int CreateFileAt(int folderFd, const std::string& name, std::string_view bytes);
int ReplaceFileAt(int folderFd, const std::string& name, std::string_view bytes,
                  const std::function<bool()>& before = {});

}  // namespace platform
