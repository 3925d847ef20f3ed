#include "commands/Places.h"

#include "platform/FileTree.h"
#include "platform/ShellFolders.h"

Places Places::ForUser() {
  return Places(platform::UserStateFolder());
}

Places::Places(std::string stateFolder, std::string favoritesFolder)
    : m_state(std::move(stateFolder)), m_favorites(std::move(favoritesFolder)) {}

std::string Places::FavoritesFolder() const {
  return m_favorites.empty() ? platform::FavoritesFolder() : m_favorites;
}

std::string Places::WorkingFile(std::string_view name) const {
  std::string path = m_state;
  path += '/';
  path += name;
  return path;
}

bool Places::EnsureStateFolder() const {
  return !m_state.empty() && (platform::IsFolder(m_state) || platform::MakeFolders(m_state));
}
