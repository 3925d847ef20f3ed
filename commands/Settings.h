#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "transfer/TransferSettings.h"

// The program's settings, each declared once with its type and default. They live in the store's
// section "Settings", which folds case in value names: an older installation's "Save method" is
// the same value as "Save Method".
struct IntSetting {
  const char* name;
  int defaultValue;
};
struct StringSetting {
  const char* name;
  const char* defaultValue;
};

namespace keys {
inline constexpr IntSetting kSaveMethod{"Save Method", 0};
inline constexpr StringSetting kPop3{"pop3", ""};
inline constexpr StringSetting kSmtp{"smtp", ""};
inline constexpr StringSetting kFtp{"ftp", ""};
inline constexpr StringSetting kUser{"user", ""};
inline constexpr StringSetting kPass{"pass", ""};
inline constexpr IntSetting kDeleteLink{"delete link", 0};
inline constexpr StringSetting kFolder{"folder", ""};
// Self-signed server certificates the user chose to trust: "host=SHA-256 fingerprint", by ";".
inline constexpr StringSetting kTrustedCertificates{"trusted certificates", ""};
}  // namespace keys

int ReadSetting(const IntSetting& key);
std::string ReadSetting(const StringSetting& key);
void WriteSetting(const IntSetting& key, int value);
void WriteSetting(const StringSetting& key, const std::string& value);

// A key of either type, as the command line's get and set name it.
struct AnySetting {
  const IntSetting* integer = nullptr;  // exactly one of the two is set
  const StringSetting* text = nullptr;
  const char* Name() const { return integer ? integer->name : text->name; }
};
// Every key of the settings sheet, in the sheet's order.
const std::vector<AnySetting>& AllSettings();
// The key of that name, compared without regard to case; null when there is none.
const AnySetting* FindSetting(std::string_view name);

// The settings one transfer works with, as the store holds them now.
TransferSettings ReadTransferSettings();
// Whether the chosen way has what it needs: a user name and a password, and for mail both
// servers, for FTP the server; the test account needs no server. A "Save Method" that names no
// way (a hand-edited value, or no choice on the page) is incomplete too.
bool TransferSettingsComplete(const TransferSettings& settings);
