#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

// What the tests' scripted FTP servers share: the replies of a sign-in that always succeeds, and
// the data connection an active-mode PORT line asks for.
namespace testsupport {

// The reply to USER, PASS, PWD, TYPE or CWD of a server that takes any user into "/"; empty for
// any other command.
inline std::string SignInReply(const std::string& verb) {
  if (verb == "USER") return "331 password please\r\n";
  if (verb == "PASS") return "230 logged in\r\n";
  if (verb == "PWD") return "257 \"/\"\r\n";
  if (verb == "TYPE" || verb == "CWD") return "200 OK\r\n";
  return {};
}

// The address an active-mode "PORT h1,h2,h3,h4,p1,p2" line names; false when it names none.
inline bool ParsePortCommand(const std::string& line, sockaddr_in& address) {
  unsigned h1, h2, h3, h4, p1, p2;
  if (line.size() < 5 ||
      std::sscanf(line.c_str() + 5, "%u,%u,%u,%u,%u,%u", &h1, &h2, &h3, &h4, &p1, &p2) != 6) {
    return false;
  }
  address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(h1 << 24 | h2 << 16 | h3 << 8 | h4);
  address.sin_port = htons(static_cast<std::uint16_t>(p1 << 8 | p2));
  return true;
}

// The server's data connection to that address, or -1.
inline int ConnectData(const sockaddr_in& address) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace testsupport
