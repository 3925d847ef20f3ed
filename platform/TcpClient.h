#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "platform/StreamConnection.h"

namespace platform {

// A blocking TCP client over POSIX sockets. Every wait is bounded by a deadline and is cut into
// short slices, between which the wait hook runs (the window repaints there).
class TcpClient : public StreamConnection {
 public:
  TcpClient() = default;
  ~TcpClient() override;
  TcpClient(const TcpClient&) = delete;
  TcpClient& operator=(const TcpClient&) = delete;

  // Resolves host (a name or a dotted address) and connects to the first address that answers
  // within the time limit. Closes an earlier connection first.
  bool Connect(const std::string& host, int port, std::chrono::milliseconds limit);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }
  void SetWaitHook(std::function<void()> hook) { m_waitHook = std::move(hook); }

  IoResult Send(std::string_view bytes, Clock::time_point deadline) override;
  IoResult Receive(std::string& out, std::size_t maxBytes, Clock::time_point deadline) override;

 private:
  // Waits until the socket is ready for the given poll events: kOk, kTimedOut or kFailed.
  IoResult WaitFor(short events, Clock::time_point deadline);

  int m_fd = -1;
  std::function<void()> m_waitHook;  // runs between the slices of every wait
};

}  // namespace platform
