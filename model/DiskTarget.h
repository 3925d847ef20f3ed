#pragma once

#include <string>
#include <string_view>

#include "model/SyncTarget.h"
#include "platform/FolderWriter.h"

// The Favorites folder on disk as a synchronisation's target. Folders are reached through
// platform::FolderWriter, so nothing outside the Favorites folder is ever touched. A new shortcut
// is made in place; an existing file of that name takes the new address only when it is a
// shortcut this program reads, and its old content goes to the desktop's trash first.
class DiskTarget : public SyncTarget {
 public:
  explicit DiskTarget(const std::string& favoritesFolder);

  Result EnterFolder(std::string_view name, bool create, std::string& why) override;
  void LeaveFolder() override;
  Result SaveLink(std::string_view name, std::string_view url, std::string& oldUrl,
                  std::string& why) override;

 private:
  platform::FolderWriter m_writer;
  std::string m_content;  // reused from link to link
  std::string m_existing;
};

// What to do about an existing file of a link's name, read as `read` with the content given:
// kReplaced when it is a shortcut with another address (in oldUrl), kExisted when it holds this
// one, kLeftAlone when it is no shortcut this program reads, kFailed when it can't be read.
SyncTarget::Result JudgeExisting(platform::ReadAt read, const std::string& content,
                                 std::string_view url, std::string& oldUrl, std::string& why);
