#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

// A socket bound to 127.0.0.1 at a port the system picks, listening when backlog > 0; the port
// goes into port.
inline int BindLoopback(int& port, int backlog) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  if (backlog > 0) ::listen(fd, backlog);
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

// A port on 127.0.0.1 where nobody listens (bound, then released): for refused connections, or
// for a server started later.
inline int UnusedLoopbackPort() {
  int port = 0;
  ::close(BindLoopback(port, 0));
  return port;
}

}  // namespace testsupport
