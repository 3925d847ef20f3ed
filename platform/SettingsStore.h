#pragma once

#include <string>

// The program's own settings: the section "Settings" of the store under
// "Software\\Orlesk software\\Quillmere". Reads of absent values give 0 or empty text.
namespace platform {

inline constexpr const char* kSettingsKey = "Software\\Orlesk software\\Quillmere\\Settings";

int GetSettingInt(const std::string& key);
std::string GetSettingString(const std::string& key);
void WriteSettingInt(const std::string& key, int value);
void WriteSettingString(const std::string& key, const std::string& value);

}  // namespace platform
