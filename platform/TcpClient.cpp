#include "platform/TcpClient.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <memory>
#include <mutex>

#include "platform/TlsVerification.h"

namespace platform {

namespace {

// Slices of a wait: short enough that the window repaints smoothly between them.
constexpr std::chrono::milliseconds kSlice{50};

struct AddrInfoFree {
  void operator()(addrinfo* info) const { ::freeaddrinfo(info); }
};

// OpenSSL writes to the socket with write(), which raises SIGPIPE when the server has gone; the
// program wants the error instead.
void IgnoreBrokenPipes() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction current {};
    if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
      std::signal(SIGPIPE, SIG_IGN);
    }
  });
}

std::string LibraryError() {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return "the TLS handshake failed";
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

}  // namespace

struct TcpClient::Tls {
  // The context's verify callback finds this verification through it, in the handshake and in any
  // later one the server asks for: it lives as long as the context.
  explicit Tls(const std::string& host, const TlsTrust& trust) : verification(host, trust) {}
  TlsVerification verification;
  SSL_CTX* ctx = nullptr;
  SSL* ssl = nullptr;
  ~Tls() {
    if (ssl) {
      SSL_shutdown(ssl);  // one try, without waiting: the connection closes anyway
      SSL_free(ssl);
    }
    if (ctx) SSL_CTX_free(ctx);
  }
};

TcpClient::TcpClient() = default;

TcpClient::~TcpClient() {
  Close();
}

void TcpClient::Close() {
  m_tls.reset();
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
}

IoResult TcpClient::WaitFor(short events, Clock::time_point deadline) {
  for (;;) {
    const auto now = Clock::now();
    if (now >= deadline) return IoResult::kTimedOut;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    pollfd entry{m_fd, events, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(std::min(left, kSlice).count()) + 1);
    if (ready > 0) return IoResult::kOk;
    if (ready < 0 && errno != EINTR) return IoResult::kFailed;
    if (m_waitHook && m_waitHook()) return IoResult::kCancelled;
  }
}

IoResult TcpClient::WaitForTls(int sslResult, Clock::time_point deadline) {
  switch (SSL_get_error(m_tls->ssl, sslResult)) {
    case SSL_ERROR_WANT_READ:
      return WaitFor(POLLIN, deadline);
    case SSL_ERROR_WANT_WRITE:
      return WaitFor(POLLOUT, deadline);
    case SSL_ERROR_ZERO_RETURN:
      return IoResult::kClosed;
    case SSL_ERROR_SYSCALL:
      ERR_clear_error();
      return errno == EINTR ? IoResult::kOk : IoResult::kClosed;
    default:
      ERR_clear_error();
      return IoResult::kFailed;
  }
}

IoResult TcpClient::Connect(const std::string& host, int port, Clock::time_point deadline) {
  Close();
  if (host.empty() || port <= 0 || port > 65535) return IoResult::kFailed;

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
    return IoResult::kFailed;
  }
  const std::unique_ptr<addrinfo, AddrInfoFree> list(found);

  IoResult last = IoResult::kFailed;
  for (const addrinfo* a = list.get(); a; a = a->ai_next) {
    m_fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (m_fd < 0) continue;
    bool connected = ::connect(m_fd, a->ai_addr, a->ai_addrlen) == 0;
    if (!connected && errno == EINPROGRESS) {
      last = WaitFor(POLLOUT, deadline);
      if (last == IoResult::kOk) {
        int error = 0;
        socklen_t length = sizeof error;
        connected = ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        last = connected ? IoResult::kOk : IoResult::kFailed;
      }
    }
    if (connected) {
      // The dialogue is a strict exchange of short lines; don't let them wait for more.
      const int on = 1;
      ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      return IoResult::kOk;
    }
    Close();
    if (last == IoResult::kCancelled || Clock::now() >= deadline) break;
  }
  return last == IoResult::kOk ? IoResult::kFailed : last;
}

TlsOutcome TcpClient::StartTls(const std::string& host, const TlsTrust& trust,
                               Clock::time_point deadline) {
  TlsOutcome outcome;
  if (m_fd < 0 || m_tls) {
    outcome.error = "no connection";
    return outcome;
  }
  IgnoreBrokenPipes();
  auto tls = std::make_unique<Tls>(host, trust);
  const TlsVerification& verification = tls->verification;
  tls->ctx = SSL_CTX_new(TLS_client_method());
  if (!tls->ctx || SSL_CTX_set_min_proto_version(tls->ctx, TLS1_2_VERSION) != 1 ||
      !tls->verification.Prepare(tls->ctx) || !(tls->ssl = SSL_new(tls->ctx)) ||
      SSL_set_fd(tls->ssl, m_fd) != 1) {
    outcome.error = trust.caFile.empty() ? LibraryError() : "can't read " + trust.caFile;
    return outcome;
  }
  // Server Name Indication takes names only.
  if (!IsIpAddress(host)) SSL_set_tlsext_host_name(tls->ssl, host.c_str());
  m_tls = std::move(tls);
  for (;;) {
    const int result = SSL_connect(m_tls->ssl);
    if (result == 1) break;
    const int error = SSL_get_error(m_tls->ssl, result);
    const IoResult waited = error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE
                                ? WaitForTls(result, deadline)
                                : IoResult::kFailed;
    if (waited == IoResult::kOk) continue;
    outcome.certificate = verification.Check();
    outcome.error =
        verification.Describe(waited == IoResult::kTimedOut    ? "server did not answer in time"
                              : waited == IoResult::kCancelled ? "transfer cancelled"
                                                               : LibraryError());
    Close();
    return outcome;
  }
  outcome.established = true;
  outcome.certificate = verification.Check();
  outcome.certificate.trusted = true;
  return outcome;
}

IoResult TcpClient::Send(std::string_view bytes, Clock::time_point deadline) {
  if (m_fd < 0) return IoResult::kClosed;
  while (!bytes.empty()) {
    if (m_tls) {
      const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
      const int sent = SSL_write(m_tls->ssl, bytes.data(), chunk);
      if (sent > 0) {
        bytes.remove_prefix(static_cast<size_t>(sent));
        continue;
      }
      const IoResult ready = WaitForTls(sent, deadline);
      if (ready != IoResult::kOk) return ready;
      continue;
    }
    const ssize_t sent = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<size_t>(sent));
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      const IoResult ready = WaitFor(POLLOUT, deadline);
      if (ready != IoResult::kOk) return ready;
      continue;
    }
    return errno == EPIPE || errno == ECONNRESET ? IoResult::kClosed : IoResult::kFailed;
  }
  return IoResult::kOk;
}

IoResult TcpClient::Receive(std::string& out, std::size_t maxBytes, Clock::time_point deadline) {
  if (m_fd < 0) return IoResult::kClosed;
  if (maxBytes == 0) return IoResult::kOk;
  for (;;) {
    const size_t before = out.size();
    out.resize(before + maxBytes);
    if (m_tls) {
      const int got = SSL_read(m_tls->ssl, out.data() + before,
                               static_cast<int>(std::min<std::size_t>(maxBytes, 1 << 20)));
      out.resize(before + static_cast<size_t>(std::max(got, 0)));
      if (got > 0) return IoResult::kOk;
      const IoResult ready = WaitForTls(got, deadline);
      if (ready != IoResult::kOk) return ready;
      continue;
    }
    const ssize_t got = ::recv(m_fd, out.data() + before, maxBytes, 0);
    out.resize(before + static_cast<size_t>(std::max<ssize_t>(got, 0)));
    if (got > 0) return IoResult::kOk;
    if (got == 0) return IoResult::kClosed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      return errno == ECONNRESET ? IoResult::kClosed : IoResult::kFailed;
    }
    const IoResult ready = WaitFor(POLLIN, deadline);
    if (ready != IoResult::kOk) return ready;
  }
}

}  // namespace platform
