#pragma once

#include <string>

// The desktop's trash (the freedesktop.org trash of the user), where deleted items stay
// recoverable.
namespace platform {

// Whether MoveToTrash can take the item: it exists, a symbolic link among them points somewhere,
// and its name survives the desktop's file name encoding. Lets a caller refuse before it changes
// anything.
bool CanMoveToTrash(const std::string& path);

// Moves the file, folder or symbolic link (the link itself) into the trash. False when it could
// not be put there recoverably; the item then stays where it was. Never deletes for good.
bool MoveToTrash(const std::string& path);

}  // namespace platform
