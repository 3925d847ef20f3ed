#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/StreamConnection.h"

namespace platform {

// A blocking TCP client over POSIX sockets, optionally in TLS (OpenSSL). Every wait is bounded
// by a deadline and is cut into short slices, between which the wait hook runs (the window
// repaints there); a hook that answers true ends the wait with kCancelled.
class TcpClient : public StreamConnection {
 public:
  TcpClient();
  ~TcpClient() override;
  TcpClient(const TcpClient&) = delete;
  TcpClient& operator=(const TcpClient&) = delete;

  // Resolves host (a name or a dotted address) and connects to the first address that answers
  // within the time limit. Closes an earlier connection first.
  IoResult Connect(const std::string& host, int port, Clock::time_point deadline);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }
  void SetWaitHook(std::function<bool()> hook) { m_waitHook = std::move(hook); }

  IoResult Send(std::string_view bytes, Clock::time_point deadline) override;
  IoResult Receive(std::string& out, std::size_t maxBytes, Clock::time_point deadline) override;
  TlsOutcome StartTls(const std::string& host, const TlsTrust& trust,
                      Clock::time_point deadline) override;

 private:
  struct Tls;
  // Waits until the socket is ready for the given poll events: kOk, kTimedOut, kCancelled or
  // kFailed.
  IoResult WaitFor(short events, Clock::time_point deadline);
  // After a TLS call that could not go on: waits for what it wants, or says why it failed.
  IoResult WaitForTls(int sslResult, Clock::time_point deadline);

  int m_fd = -1;
  std::unique_ptr<Tls> m_tls;
  std::function<bool()> m_waitHook;  // runs between the slices of every wait
};

}  // namespace platform
