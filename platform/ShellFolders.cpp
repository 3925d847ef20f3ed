#include "ShellFolders.h"

#include <cstdlib>

#include "RegistryStore.h"

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

}  // namespace platform
