#pragma once

#include <cstddef>
#include <string>

// Copying and removing whole folder trees, and the small questions and steps around them. The
// walks use a work list, not recursion: the depth is whatever the disk holds.
namespace platform {

// Whether anything (a symbolic link to nothing included) has that name.
bool PathExists(const std::string& path);
bool IsSymbolicLink(const std::string& path);
// A folder, or a symbolic link to one.
bool IsFolder(const std::string& path);
// A private folder (mode 0700); false when it can't be made.
bool MakeFolder(const std::string& path);
// The same with every missing folder above it, each made private too.
bool MakeFolders(const std::string& path);
// A new, empty, hidden folder beside the given path, on the same file system, so that what is
// copied into it can later be renamed into place ("." name "." purpose "-XXXXXX"). Empty when none
// can be made.
std::string MakeFolderBeside(const std::string& path, const char* purpose);
// Renames within one file system; an existing file at to is replaced.
bool RenamePath(const std::string& from, const std::string& to);
// Removes a folder that is empty; false otherwise.
bool RemoveEmptyFolder(const std::string& path);

// Copies everything inside the folder from into the existing folder to: folders, files with
// their permissions and modification times, and symbolic links as links (never followed, so the
// copy stays what the tree holds). Pipes, sockets and devices are skipped: they hold no data to
// keep. Stops at the first failure, with a description in error; what was copied by then stays
// for the caller to remove. counts, when given, tells what was copied.
struct CopyCounts {
  std::size_t files = 0, folders = 0, links = 0;
};
bool CopyFolderContents(const std::string& from, const std::string& to, std::string& error,
                        CopyCounts* counts = nullptr);

// Gives the folder to the permissions and modification time of the folder from.
bool CopyFolderAttributes(const std::string& from, const std::string& to);

// Removes the folder with everything in it for good; symbolic links are removed, not followed.
// Meant for copies of the program's own making. False when something could not be removed.
bool RemoveTree(const std::string& path);

}  // namespace platform
