#pragma once

#include <string>
#include <string_view>

// The places the program works in: the Favorites folder, and the user's state folder that holds
// the working files ("favorites-local.txt", "favorites-server.txt", "f-structure.txt").
class Places {
 public:
  static constexpr const char* kLocalFile = "favorites-local.txt";
  static constexpr const char* kServerFile = "favorites-server.txt";
  static constexpr const char* kPrintFile = "f-structure.txt";

  // The current user's: the Favorites folder as the shell names it at each command, and
  // $XDG_STATE_HOME/Quillmere (default ~/.local/state/Quillmere).
  static Places ForUser();
  // A state folder of the caller's choosing; a non-empty favoritesFolder fixes that folder
  // instead of asking the shell.
  explicit Places(std::string stateFolder, std::string favoritesFolder = {});

  // Asked anew at every call, so a folder moved on the settings sheet counts at once.
  std::string FavoritesFolder() const;
  const std::string& StateFolder() const { return m_state; }
  // The working file of that name in the state folder.
  std::string WorkingFile(std::string_view name) const;
  // Makes the state folder (private to the user) when it is missing; false when it can't be had.
  bool EnsureStateFolder() const;

 private:
  std::string m_state;
  std::string m_favorites;
};
