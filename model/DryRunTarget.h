#pragma once

#include <string>
#include <vector>

#include "model/SyncTarget.h"

// A synchronisation that writes nothing: it looks at the Favorites folder, only reading, to say
// which folders and links would be created and which addresses replaced.
class DryRunTarget : public SyncTarget {
 public:
  explicit DryRunTarget(std::string favoritesFolder);

  Result EnterFolder(std::string_view name, bool create, std::string& why) override;
  void LeaveFolder() override;
  Result SaveLink(std::string_view name, std::string_view url, std::string& oldUrl,
                  std::string& why) override;

 private:
  struct Level {
    std::string path;
    bool exists;  // false inside a folder that would be created
  };
  std::vector<Level> m_levels;
};
