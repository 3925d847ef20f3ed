#include "platform/TlsVerification.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>

namespace platform {

namespace {

// Where a context keeps its TlsVerification.
int ContextIndex() {
  static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

std::string Fingerprint(X509* certificate) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!certificate || X509_digest(certificate, EVP_sha256(), digest, &length) != 1) return {};
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned int i = 0; i < length; ++i) {
    if (i > 0) text += ':';
    text += kHex[digest[i] >> 4];
    text += kHex[digest[i] & 15];
  }
  return text;
}

}  // namespace

bool IsIpAddress(const std::string& host) {
  unsigned char buffer[16];
  return inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
         inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

TlsVerification::TlsVerification(std::string host, TlsTrust trust)
    : m_host(std::move(host)), m_trust(std::move(trust)) {}

bool TlsVerification::Prepare(SSL_CTX* ctx, bool loadTrustStore) {
  m_check = {};
  const bool loaded = !loadTrustStore          ? true
                      : m_trust.caFile.empty() ? SSL_CTX_set_default_verify_paths(ctx) == 1
                                               : SSL_CTX_load_verify_locations(
                                                     ctx, m_trust.caFile.c_str(), nullptr) == 1;
  if (!loaded) return false;
  X509_VERIFY_PARAM* param = SSL_CTX_get0_param(ctx);
  X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
  const bool named = IsIpAddress(m_host)
                         ? X509_VERIFY_PARAM_set1_ip_asc(param, m_host.c_str()) == 1
                         : X509_VERIFY_PARAM_set1_host(param, m_host.c_str(), 0) == 1;
  if (!named) return false;
  SSL_CTX_set_ex_data(ctx, ContextIndex(), this);
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, Verify);
  return true;
}

int TlsVerification::Verify(int ok, X509_STORE_CTX* store) {
  const auto* ssl =
      static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
  auto* self =
      ssl ? static_cast<TlsVerification*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), ContextIndex()))
          : nullptr;
  if (!self) return ok;
  CertificateCheck& check = self->m_check;
  X509* leaf = X509_STORE_CTX_get0_cert(store);
  if (check.fingerprint.empty()) {
    check.fingerprint = Fingerprint(leaf);
    check.selfSigned = leaf && X509_check_issued(leaf, leaf) == X509_V_OK;
  }
  const auto& pinned = self->m_trust.pinned;
  if (!check.fingerprint.empty() &&
      std::find(pinned.begin(), pinned.end(), check.fingerprint) != pinned.end()) {
    // The user looked at this very certificate and trusted it for this host.
    X509_STORE_CTX_set_error(store, X509_V_OK);
    check.trusted = true;
    return 1;
  }
  if (!ok && check.reason.empty()) {
    check.reason = X509_verify_cert_error_string(X509_STORE_CTX_get_error(store));
  }
  check.trusted = ok && check.reason.empty();
  return ok;
}

std::string TlsVerification::Describe(const std::string& libraryText) const {
  if (!m_check.reason.empty()) return UntrustedText(m_host, m_check.reason);
  return libraryText;
}

}  // namespace platform
