#include "transfer/TrustedCertificates.h"

#include <string_view>

std::vector<std::string> TrustedFingerprints(const std::string& entries, const std::string& host) {
  std::vector<std::string> found;
  std::string_view rest = entries;
  while (!rest.empty()) {
    const std::size_t end = rest.find(';');
    const std::string_view entry = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    const std::size_t equals = entry.rfind('=');
    if (equals != std::string_view::npos && entry.substr(0, equals) == host &&
        equals + 1 < entry.size()) {
      found.emplace_back(entry.substr(equals + 1));
    }
  }
  return found;
}

std::string WithTrustedFingerprint(const std::string& entries, const std::string& host,
                                   const std::string& fingerprint) {
  for (const std::string& known : TrustedFingerprints(entries, host)) {
    if (known == fingerprint) return entries;
  }
  return entries + (entries.empty() ? "" : ";") + host + "=" + fingerprint;
}
