#include "platform/SettingsStore.h"

#include "platform/RegistryStore.h"

namespace platform {

int GetSettingInt(const std::string& key, int defaultValue) {
  return RegGetInt(kSettingsKey, key, defaultValue);
}

std::string GetSettingString(const std::string& key) {
  return RegGetString(kSettingsKey, key);
}

void WriteSettingInt(const std::string& key, int value) {
  RegSetInt(kSettingsKey, key, value);
}

void WriteSettingString(const std::string& key, const std::string& value) {
  RegSetString(kSettingsKey, key, value);
}

}  // namespace platform
