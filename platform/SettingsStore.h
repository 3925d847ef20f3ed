#pragma once

#include <string>

// The program's own settings: the section "Settings" of the store under
// "Software\\Orlesk software\\Quillmere", by value name. The program's keys, with their types and
// defaults, are declared in commands/Settings.h.
namespace platform {

inline constexpr const char* kSettingsKey = "Software\\Orlesk software\\Quillmere\\Settings";

int GetSettingInt(const std::string& key, int defaultValue = 0);
std::string GetSettingString(const std::string& key);
void WriteSettingInt(const std::string& key, int value);
void WriteSettingString(const std::string& key, const std::string& value);

}  // namespace platform
