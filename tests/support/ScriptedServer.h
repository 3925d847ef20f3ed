#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/LoopbackServer.h"

namespace testsupport {

// A server on 127.0.0.1 (an ephemeral port) that plays one dialogue from a transcript, in a
// thread. Each step reads the client's input (up to "\r\n", or up to "\r\n.\r\n" when the
// transcript's input ends so: a mail message) and answers with its reply; the first step usually
// has no input (the greeting). What the client really sent is recorded, so a test compares it with
// the transcript's inputs. The server stops when the client closes, at the end of the
// transcript, or when it is destroyed; every wait polls a stop flag, so nothing outlives a test.
class ScriptedServer {
 public:
  enum class After { kGoOn, kHang, kClose };
  struct Step {
    std::string input;  // what the client is expected to send; empty: answer at once
    std::string reply;
    After after = After::kGoOn;  // kHang: keep the connection open and send nothing more
    std::size_t pieces = 1;      // the reply is sent in this many pieces, with a pause between
  };

  explicit ScriptedServer(std::vector<Step> steps) : m_steps(std::move(steps)) {}

  int port() const { return m_server.port(); }
  // The inputs the client sent so far, one per step that read input.
  std::vector<std::string> Received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
  }
  // The inputs of the transcript, for comparison with Received().
  std::vector<std::string> Expected() const {
    std::vector<std::string> inputs;
    for (const Step& step : m_steps) {
      if (!step.input.empty()) inputs.push_back(step.input);
    }
    return inputs;
  }
  int Connections() const { return m_server.Connections(); }

 private:
  void Serve(int fd) {
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::string buffer;
    for (const Step& step : m_steps) {
      if (!step.input.empty()) {
        const bool message = step.input.size() >= 5 &&
                             step.input.compare(step.input.size() - 5, 5, "\r\n.\r\n") == 0;
        const std::string end = message ? "\r\n.\r\n" : "\r\n";
        const std::size_t found = m_server.ReadUntil(fd, buffer, end);
        if (found == std::string::npos) return;
        std::lock_guard lock(m_mutex);
        m_received.push_back(buffer.substr(0, found + end.size()));
        buffer.erase(0, found + end.size());
      }
      const std::size_t pieces = std::max<std::size_t>(step.pieces, 1);
      const std::size_t size = (step.reply.size() + pieces - 1) / pieces;
      for (std::size_t at = 0; at < step.reply.size() && !m_server.Stopping(); at += size) {
        if (at > 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const std::string piece = step.reply.substr(at, size);
        if (::send(fd, piece.data(), piece.size(), MSG_NOSIGNAL) < 0) return;
      }
      if (step.after == After::kClose) return;
      if (step.after == After::kHang) {
        while (!m_server.Stopping()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return;
      }
    }
    // The client keeps its connection after "quit": record anything more it sends, line by line,
    // until it closes or the server stops.
    for (std::size_t found;
         (found = m_server.ReadUntil(fd, buffer, "\r\n")) != std::string::npos;) {
      std::lock_guard lock(m_mutex);
      m_received.push_back(buffer.substr(0, found + 2));
      buffer.erase(0, found + 2);
    }
  }

  std::vector<Step> m_steps;
  mutable std::mutex m_mutex;
  std::vector<std::string> m_received;
  LoopbackServer m_server{[this](int fd) { Serve(fd); }};  // last: stops first
};

}  // namespace testsupport
