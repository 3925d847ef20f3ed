#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/TlsTrust.h"

namespace platform {

// How one send or receive on a stream connection ended.
enum class IoResult {
  kOk,
  kClosed,     // the peer ended the stream (or the connection is not open)
  kTimedOut,   // the deadline passed first
  kFailed,     // a network error
  kCancelled,  // the user asked to stop while it waited
};

// A byte stream to a server. The mail dialogue runs over this interface, so it can be fed from a
// real socket, from a scripted server in a test or from memory in a fuzzer.
class StreamConnection {
 public:
  using Clock = std::chrono::steady_clock;

  virtual ~StreamConnection() = default;
  // Sends every byte, or fails; gives up at the deadline.
  virtual IoResult Send(std::string_view bytes, Clock::time_point deadline) = 0;
  // Waits until the deadline for the next bytes and appends what arrived, at most maxBytes, to
  // out. kOk means at least one byte was appended.
  virtual IoResult Receive(std::string& out, std::size_t maxBytes, Clock::time_point deadline) = 0;
  // Switches the stream to TLS with the server named host, verifying its certificate. Nothing
  // may be sent or received on a stream whose switch failed.
  virtual TlsOutcome StartTls(const std::string& host, const TlsTrust& trust,
                              Clock::time_point deadline) {
    (void)host, (void)trust, (void)deadline;
    TlsOutcome outcome;
    outcome.error = "TLS is not available on this connection";
    return outcome;
  }
};

}  // namespace platform
