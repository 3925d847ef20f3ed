#include "platform/TcpClient.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace platform {

namespace {

// Slices of a wait: short enough that the window repaints smoothly between them.
constexpr std::chrono::milliseconds kSlice{50};

struct AddrInfoFree {
  void operator()(addrinfo* info) const { ::freeaddrinfo(info); }
};

}  // namespace

TcpClient::~TcpClient() {
  Close();
}

void TcpClient::Close() {
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
    if (m_waitHook) m_waitHook();
  }
}

bool TcpClient::Connect(const std::string& host, int port, std::chrono::milliseconds limit) {
  Close();
  if (host.empty() || port <= 0 || port > 65535) return false;
  const auto deadline = Clock::now() + limit;

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  const std::unique_ptr<addrinfo, AddrInfoFree> list(found);

  for (const addrinfo* a = list.get(); a; a = a->ai_next) {
    m_fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (m_fd < 0) continue;
    bool connected = ::connect(m_fd, a->ai_addr, a->ai_addrlen) == 0;
    if (!connected && errno == EINPROGRESS && WaitFor(POLLOUT, deadline) == IoResult::kOk) {
      int error = 0;
      socklen_t length = sizeof error;
      connected = ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    if (connected) {
      // The dialogue is a strict exchange of short lines; don't let them wait for more.
      const int on = 1;
      ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      return true;
    }
    Close();
    if (Clock::now() >= deadline) break;
  }
  return false;
}

IoResult TcpClient::Send(std::string_view bytes, Clock::time_point deadline) {
  if (m_fd < 0) return IoResult::kClosed;
  while (!bytes.empty()) {
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
