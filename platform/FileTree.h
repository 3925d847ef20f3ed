#pragma once

#include <string>

// Copying and removing whole folder trees. Both walk the tree with a work list, not by
// recursion: the depth is whatever the disk holds.
namespace platform {

// Copies everything inside the folder from into the existing folder to: folders, files with
// their permissions and modification times, and symbolic links as links (never followed, so the
// copy stays what the tree holds). Pipes, sockets and devices are skipped: they hold no data to
// keep. Stops at the first failure, with a description in error; what was copied by then stays
// for the caller to remove.
bool CopyFolderContents(const std::string& from, const std::string& to, std::string& error);

// Gives the folder to the permissions and modification time of the folder from.
bool CopyFolderAttributes(const std::string& from, const std::string& to);

// Removes the folder with everything in it for good; symbolic links are removed, not followed.
// Meant for copies of the program's own making. False when something could not be removed.
bool RemoveTree(const std::string& path);

}  // namespace platform
