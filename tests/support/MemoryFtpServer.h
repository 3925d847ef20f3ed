#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <map>
#include <mutex>
#include <string>

#include "tests/support/FtpDataPort.h"
#include "tests/support/LoopbackServer.h"

namespace testsupport {

// An FTP server on 127.0.0.1 that keeps its files in memory, for tests that need a server copy
// to come and go through the real commands without a real server: any login, active mode (PORT),
// RETR and STOR by name. One client at a time, as many as come.
class MemoryFtpServer {
 public:
  int port() const { return m_server.port(); }
  void Put(const std::string& name, const std::string& bytes) {
    std::lock_guard lock(m_mutex);
    m_files[name] = bytes;
  }
  void Remove(const std::string& name) {
    std::lock_guard lock(m_mutex);
    m_files.erase(name);
  }
  std::string Get(const std::string& name) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_files.find(name);
    return found == m_files.end() ? std::string() : found->second;
  }

 private:
  static void Send(int fd, const std::string& bytes) {
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }

  void Serve(int fd) {
    Send(fd, "220 memory server\r\n");
    std::string buffer;
    for (std::size_t end; (end = m_server.ReadUntil(fd, buffer, "\r\n")) != std::string::npos;) {
      const std::string line = buffer.substr(0, end);
      buffer.erase(0, end + 2);
      const std::string verb = line.substr(0, line.find(' '));
      const std::string name =
          line.find(' ') == std::string::npos ? "" : line.substr(line.find(' ') + 1);
      if (const std::string reply = testsupport::SignInReply(verb); !reply.empty()) {
        Send(fd, reply);
      } else if (verb == "SIZE") {
        std::lock_guard lock(m_mutex);
        const auto found = m_files.find(name);
        Send(fd, found == m_files.end() ? std::string("550 no such file\r\n")
                                        : "213 " + std::to_string(found->second.size()) + "\r\n");
      } else if (verb == "PORT") {
        Send(fd, ParsePortCommand(line, m_dataAddress) ? "200 PORT OK\r\n" : "501 bad address\r\n");
      } else if (verb == "RETR") {
        std::string file;
        {
          std::lock_guard lock(m_mutex);
          const auto found = m_files.find(name);
          if (found == m_files.end()) {
            Send(fd, "550 no such file\r\n");
            continue;
          }
          file = found->second;
        }
        Send(fd, "150 Opening BINARY mode data connection\r\n");
        const int data = ConnectData(m_dataAddress);
        if (data < 0) return;
        Send(data, file);
        ::close(data);
        Send(fd, "226 transfer complete\r\n");
      } else if (verb == "STOR") {
        Send(fd, "150 Ok to send data\r\n");
        const int data = ConnectData(m_dataAddress);
        if (data < 0) return;
        std::string received;
        m_server.ReadUntil(data, received, std::string(1, '\0') + "end of a file no test sends");
        ::close(data);
        Put(name, received);
        Send(fd, "226 transfer complete\r\n");
      } else if (verb == "QUIT") {
        Send(fd, "221 bye\r\n");
        return;
      } else {
        Send(fd, "502 not implemented\r\n");
      }
    }
  }

  mutable std::mutex m_mutex;
  std::map<std::string, std::string> m_files;
  sockaddr_in m_dataAddress{};
  LoopbackServer m_server{[this](int fd) { Serve(fd); }, true};  // last: stops first
};

}  // namespace testsupport
