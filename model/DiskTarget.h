#pragma once

#include <string>

#include "model/SyncTarget.h"
#include "platform/FolderWriter.h"

// The Favorites folder on disk as a synchronisation's target. Folders are reached through
// platform::FolderWriter, so nothing outside the Favorites folder is ever touched.
class DiskTarget : public SyncTarget {
 public:
  explicit DiskTarget(const std::string& favoritesFolder);

  Result EnterFolder(std::string_view name, bool create, std::string& why) override;
  void LeaveFolder() override;
  Result SaveLink(std::string_view name, std::string_view url, std::string& oldUrl,
                  std::string& why) override;

 private:
  platform::FolderWriter m_writer;
};
