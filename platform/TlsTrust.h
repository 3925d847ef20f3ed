#pragma once

#include <string>
#include <vector>

namespace platform {

// What a TLS handshake learned of the server's certificate.
struct CertificateCheck {
  bool trusted = false;     // verified against the trust store and the host name, or pinned
  bool selfSigned = false;  // the server's own certificate is signed by itself
  std::string reason;       // why it is not trusted; empty when the handshake failed otherwise
  std::string fingerprint;  // SHA-256 of the server's certificate, "AB:CD:..."
};

// Whom a TLS client trusts.
struct TlsTrust {
  // Certificates in PEM to trust instead of the system's store; empty: the system's store. A test
  // seam: the tests' servers have a certificate of their own.
  std::string caFile;
  // Fingerprints of certificates the user chose to trust for this host.
  std::vector<std::string> pinned;
};

// How a switch to TLS ended.
struct TlsOutcome {
  bool established = false;
  std::string error;  // when not established: the certificate's reason, or the library's text
  CertificateCheck certificate;
};

// The line that stops a transfer whose server's certificate is not trusted.
inline std::string UntrustedText(const std::string& host, const std::string& reason) {
  return "certificate not trusted for " + host + ": " + reason;
}

}  // namespace platform
