#pragma once

#include <string>

// The shell's per-user folders, as the browser and the shell keep them in the emulated registry.
namespace platform {

inline constexpr const char* kUserShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
inline constexpr const char* kBrowserToolbarKey = "Software\\Microsoft\\Internet Explorer\\Toolbar";

// The user's Favorites folder: the "Favorites" value under User Shell Folders when it is set,
// else $HOME/Favorites. Empty when neither can be had. The folder is never created here.
std::string FavoritesFolder();

// The user's own folder for the program's working files: $XDG_STATE_HOME/Quillmere, by default
// $HOME/.local/state/Quillmere. Empty when neither can be had. Not created here.
std::string UserStateFolder();

}  // namespace platform
