#include "platform/ShellFolders.h"

#include <cstdlib>

#include "platform/RegistryStore.h"

namespace platform {

std::string FavoritesFolder() {
  std::string path = RegGetString(kUserShellFoldersKey, "Favorites");
  if (!path.empty()) return path;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  path = home;
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path + "/Favorites";
}

std::string UserStateFolder() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') {
    return std::string(state) + "/Quillmere";
  }
  const char* home = std::getenv("HOME");
  if (!home || !*home) return {};
  std::string path = home;
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path + "/.local/state/Quillmere";
}

}  // namespace platform
