#pragma once

#include <string>

// The per-user store that stands in for HKEY_CURRENT_USER. Key paths are written as in the
// registry ("Software\\Orlesk software\\Quillmere\\Settings"); value names compare without
// regard to case, as registry value names do. Nothing is cached: every call reads or writes the
// backing file, so a value written by one part of the program is what the next reader sees.
namespace platform {

// The INI file behind the store: $XDG_CONFIG_HOME (default ~/.config) + "/Orlesk
// software/Quillmere.ini".
std::string RegistryStoreFile();

int RegGetInt(const std::string& keyPath, const std::string& name, int defaultValue);
// Empty when the value is absent or unreadable. Bytes come back exactly as written.
std::string RegGetString(const std::string& keyPath, const std::string& name);
bool RegSetInt(const std::string& keyPath, const std::string& name, int value);
bool RegSetString(const std::string& keyPath, const std::string& name, const std::string& value);

}  // namespace platform
