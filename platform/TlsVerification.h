#pragma once

#include <openssl/types.h>

#include <string>

#include "platform/TlsTrust.h"

namespace platform {

// The verification of one TLS client connection, shared by the mail socket and the FTP session:
// the trust store, the host name, and the certificates the user pinned. Lives as long as the
// context it prepared: the context's callback finds it there at every handshake.
class TlsVerification {
 public:
  TlsVerification(std::string host, TlsTrust trust);

  // Sets ctx up to verify the server: the trust store (unless the caller loads it), the host name,
  // and a callback that records what it found and accepts a pinned certificate whatever else is
  // wrong with it. False when the trust store can't be loaded.
  bool Prepare(SSL_CTX* ctx, bool loadTrustStore = true);
  // The verdict of the last handshake.
  const CertificateCheck& Check() const { return m_check; }
  // The text for a failed handshake: the certificate's reason when it was the cause.
  std::string Describe(const std::string& libraryText) const;

 private:
  static int Verify(int ok, X509_STORE_CTX* store);

  std::string m_host;
  TlsTrust m_trust;
  CertificateCheck m_check;
};

// True for a literal IPv4 or IPv6 address, which certificates name differently from a host name.
bool IsIpAddress(const std::string& host);

}  // namespace platform
