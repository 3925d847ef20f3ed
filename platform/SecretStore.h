#pragma once

#include <string>

// The desktop's secret store: the freedesktop Secret Service (gnome-keyring, KWallet and others)
// on the session bus, for the settings that are secrets. A secret is filed under the program,
// the setting's name and the settings file it belongs to, so two settings files keep two.
// Every call ends within a few seconds. Where no service answers, or its collection is locked
// (it would have to ask the user), the store counts as not there.
namespace platform {

struct SecretLookup {
  bool available = false;  // a service answered and its collection is open
  bool found = false;
  std::string value;
};

SecretLookup LookupSecret(const std::string& name);
// False when the secret could not be stored (no service, a locked collection).
bool StoreSecret(const std::string& name, const std::string& value);
// Removes every secret of that name; true when none is left.
bool ClearSecret(const std::string& name);

}  // namespace platform
