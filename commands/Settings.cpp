#include "commands/Settings.h"

#include "platform/SecretStore.h"
#include "platform/SettingsStore.h"

namespace {

// Settings kept in the desktop's secret store where one runs, and in the settings file only
// where none does.
bool IsSecret(const StringSetting& key) {
  return &key == &keys::kPass;
}

}  // namespace

int ReadSetting(const IntSetting& key) {
  return platform::GetSettingInt(key.name, key.defaultValue);
}

std::string ReadSetting(const StringSetting& key) {
  std::string value = platform::GetSettingString(key.name);
  // A secret left in the file is newer than the store's: a write that reached the store empties
  // the file's copy. It moves into the store at the next write.
  if (value.empty() && IsSecret(key)) {
    platform::SecretLookup secret = platform::LookupSecret(key.name);
    if (secret.found) value = std::move(secret.value);
  }
  return value.empty() ? std::string(key.defaultValue) : value;
}

void WriteSetting(const IntSetting& key, int value) {
  platform::WriteSettingInt(key.name, value);
}

void WriteSetting(const StringSetting& key, const std::string& value) {
  if (IsSecret(key) && platform::StoreSecret(key.name, value)) {
    platform::WriteSettingString(key.name, "");
    return;
  }
  platform::WriteSettingString(key.name, value);
}

const std::vector<AnySetting>& AllSettings() {
  static const std::vector<AnySetting> all = {
      {&keys::kSaveMethod, nullptr}, {nullptr, &keys::kPop3},   {nullptr, &keys::kSmtp},
      {nullptr, &keys::kFtp},        {nullptr, &keys::kUser},   {nullptr, &keys::kPass},
      {&keys::kDeleteLink, nullptr}, {nullptr, &keys::kFolder},
  };
  return all;
}

const AnySetting* FindSetting(std::string_view name) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (const AnySetting& key : AllSettings()) {
    const std::string_view candidate = key.Name();
    if (candidate.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; same && i < name.size(); ++i)
      same = lower(candidate[i]) == lower(name[i]);
    if (same) return &key;
  }
  return nullptr;
}

TransferSettings ReadTransferSettings() {
  TransferSettings settings;
  settings.method = ReadSetting(keys::kSaveMethod);
  settings.pop3 = ReadSetting(keys::kPop3);
  settings.smtp = ReadSetting(keys::kSmtp);
  settings.ftp = ReadSetting(keys::kFtp);
  settings.user = ReadSetting(keys::kUser);
  settings.pass = ReadSetting(keys::kPass);
  settings.trustedCertificates = ReadSetting(keys::kTrustedCertificates);
  return settings;
}

bool TransferSettingsComplete(const TransferSettings& settings) {
  if (settings.user.empty() || settings.pass.empty()) return false;
  switch (settings.method) {
    case 0:
      return !settings.pop3.empty() && !settings.smtp.empty();
    case 1:
      return !settings.ftp.empty();
    case 2:  // the test account needs no address
      return true;
    default:  // no way at all: a transfer would do nothing and pass for done
      return false;
  }
}
