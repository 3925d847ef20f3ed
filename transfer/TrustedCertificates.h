#pragma once

#include <string>
#include <vector>

// The certificates a user chose to trust, as the settings store keeps them: "host=fingerprint"
// entries separated by ";". A host may have several (its mail and its FTP server, a renewal).
std::vector<std::string> TrustedFingerprints(const std::string& entries, const std::string& host);
// The entries with one more; unchanged when it is already there.
std::string WithTrustedFingerprint(const std::string& entries, const std::string& host,
                                   const std::string& fingerprint);
