#pragma once

#include <string>
#include <string_view>

// Where a synchronisation puts what it adds, one folder level at a time: the Favorites folder on
// disk (DiskTarget), or nowhere, only saying what would happen (DryRunTarget).
class SyncTarget {
 public:
  enum class Result {
    kExisted,    // the folder was there, or the shortcut already held this address
    kCreated,    // a new folder or shortcut
    kReplaced,   // an existing shortcut now holds the new address (the old one is in oldUrl)
    kLeftAlone,  // something of that name is there that is not ours to change (why says what)
    kFailed,     // refused name, or the disk said no (why says what)
  };

  virtual ~SyncTarget() = default;
  // Goes down into the named subfolder of the current one, making it first when create is set.
  // On kFailed (or kLeftAlone) the target stays where it was.
  virtual Result EnterFolder(std::string_view name, bool create, std::string& why) = 0;
  // Back up to the folder the last successful EnterFolder came from.
  virtual void LeaveFolder() = 0;
  // Saves the URL as the shortcut "<name>.url" in the current folder.
  virtual Result SaveLink(std::string_view name, std::string_view url, std::string& oldUrl,
                          std::string& why) = 0;
};
