#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "tests/support/LoopbackPort.h"

namespace testsupport {

// A server on 127.0.0.1, on a thread of its own: the first client's socket is handed to serve
// (with everyOne set, every client's, one after the other). Every wait polls a stop flag, so
// nothing outlives the object. Make it the last member of the server that uses it: it then stops
// before the members serve works on.
class LoopbackServer {
 public:
  explicit LoopbackServer(std::function<void(int fd)> serve, bool everyOne = false) {
    m_listen = BindLoopback(m_port, 4);
    m_thread = std::thread([this, everyOne, serve = std::move(serve)] {
      do {
        if (!WaitReadable(m_listen)) return;
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        ++m_connections;
        serve(fd);
        ::close(fd);
      } while (everyOne);
    });
  }
  ~LoopbackServer() {
    m_stop = true;
    m_thread.join();
    ::close(m_listen);
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return m_port; }
  int Connections() const { return m_connections; }
  bool Stopping() const { return m_stop; }

  // Waits for fd to be readable; false once the server is stopping.
  bool WaitReadable(int fd) const {
    while (!m_stop) {
      pollfd entry{fd, POLLIN, 0};
      if (::poll(&entry, 1, 20) > 0) return true;
    }
    return false;
  }
  // Reads from fd into buffer until it holds end: where end begins, or npos when the client
  // closed or the server is stopping first.
  std::size_t ReadUntil(int fd, std::string& buffer, std::string_view end) const {
    std::size_t found;
    while ((found = buffer.find(end)) == std::string::npos) {
      if (!WaitReadable(fd)) return std::string::npos;
      char chunk[65536];
      const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
      if (got <= 0) return std::string::npos;
      buffer.append(chunk, static_cast<std::size_t>(got));
    }
    return found;
  }

 private:
  int m_listen = -1;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_connections{0};
  std::thread m_thread;
};

}  // namespace testsupport
