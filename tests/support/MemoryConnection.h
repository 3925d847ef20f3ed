#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/StreamConnection.h"

namespace testsupport {

// A connection in memory: the server's bytes arrive in the given pieces (one piece, or as much
// of it as fits, per receive), whatever the client sends. After the last piece every receive gets
// atEnd. What the client sent is kept in a record the test holds on to.
class MemoryConnection : public platform::StreamConnection {
 public:
  struct Record {
    std::string sent;
    int receives = 0;
  };

  explicit MemoryConnection(std::vector<std::string> pieces,
                            platform::IoResult atEnd = platform::IoResult::kClosed)
      : m_pieces(std::move(pieces)), m_atEnd(atEnd), m_record(std::make_shared<Record>()) {}

  std::shared_ptr<Record> record() const { return m_record; }

  platform::IoResult Send(std::string_view bytes, Clock::time_point) override {
    m_record->sent.append(bytes);
    return platform::IoResult::kOk;
  }
  platform::IoResult Receive(std::string& out, std::size_t maxBytes, Clock::time_point) override {
    ++m_record->receives;
    while (m_next < m_pieces.size() && m_offset == m_pieces[m_next].size()) {
      ++m_next;
      m_offset = 0;
    }
    if (m_next == m_pieces.size()) return m_atEnd;
    const std::string& piece = m_pieces[m_next];
    const std::size_t n = std::min(maxBytes, piece.size() - m_offset);
    out.append(piece, m_offset, n);
    m_offset += n;
    return platform::IoResult::kOk;
  }

 private:
  std::vector<std::string> m_pieces;
  std::size_t m_next = 0;
  std::size_t m_offset = 0;
  platform::IoResult m_atEnd;
  std::shared_ptr<Record> m_record;
};

}  // namespace testsupport
