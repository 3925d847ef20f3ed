#include "transfer/CMailSocket.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/CommandOwner.h"
#include "platform/TcpClient.h"
#include "transfer/Base64.h"
#include "transfer/TransferSettings.h"

namespace {

constexpr std::string_view kTimedOut = "server did not answer in time\r\n";
constexpr std::string_view kLost = "connection lost\r\n";
constexpr std::string_view kTooLong = "server reply too long\r\n";
constexpr std::string_view kDamaged = "favorites message damaged\r\n";

// A status line is logged as the reply buffer of one read showed it: at most this many bytes.
constexpr std::size_t kReadChunk = 64 * 1024;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The decimal number at the first digit at or after from; 0 without one. Saturates rather than
// overflows: a server may claim any count.
int FirstNumber(std::string_view text, std::size_t from) {
  std::size_t i = from;
  while (i < text.size() && !IsDigit(text[i])) ++i;
  long long value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = std::min<long long>(value * 10 + (text[i] - '0'), INT_MAX);
  }
  return static_cast<int>(value);
}

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// An SMTP reply goes on after a line of three digits and a hyphen.
bool IsContinuationLine(std::string_view line) {
  return line.size() >= 4 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) &&
         line[3] == '-';
}

// The one place that decides whether a reply is complete. A status reply ends with its first line
// that isn't an SMTP continuation line; a multi-line POP3 reply (to TOP or RETR) that begins with
// "+OK" ends with a line holding a single dot, any other with its status line. Lines end in LF,
// with or without CR before it. The frame remembers how far it has looked, so a reply that
// trickles in byte by byte is still scanned once.
class ReplyFrame {
 public:
  explicit ReplyFrame(bool multiLine) : m_multiLine(multiLine) {}

  // The length of the complete reply at the start of buffer, or npos while it is incomplete.
  std::size_t End(std::string_view buffer) {
    for (;;) {
      const std::size_t lf = buffer.find('\n', m_lineStart);
      if (lf == std::string_view::npos) return std::string_view::npos;
      std::string_view line = buffer.substr(m_lineStart, lf - m_lineStart);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      const std::size_t start = m_lineStart;
      m_lineStart = lf + 1;
      if (m_firstLine) {
        m_firstLine = false;
        if (m_multiLine && StartsWith(line, "+OK")) continue;
        if (!m_multiLine && IsContinuationLine(line)) continue;
        m_contentEnd = m_lineStart;
        return m_lineStart;
      }
      if (m_multiLine ? line == "." : !IsContinuationLine(line)) {
        m_contentEnd = m_multiLine ? start : m_lineStart;
        return m_lineStart;
      }
    }
  }
  // Where the terminating "." line starts (the reply's end for a single-line reply).
  std::size_t ContentEnd() const { return m_contentEnd; }

 private:
  bool m_multiLine;
  bool m_firstLine = true;
  std::size_t m_lineStart = 0;
  std::size_t m_contentEnd = 0;
};

}  // namespace

// The list in lines of 76 base64 characters and CR LF, and room for the headers around it.
const std::size_t CMailSocket::kMaxRetrieval = (kMaxListBytes / 57 + 1) * 78 + kMaxReply;

CMailSocket::CMailSocket() : m_end(platform::StreamConnection::Clock::now() + m_totalLimit) {}
CMailSocket::~CMailSocket() = default;

void CMailSocket::SetTimeLimits(std::chrono::milliseconds connect, std::chrono::milliseconds reply,
                                std::chrono::milliseconds total) {
  m_connectLimit = connect;
  m_replyLimit = reply;
  m_totalLimit = total;
  m_end = platform::StreamConnection::Clock::now() + total;
}

platform::StreamConnection::Clock::time_point CMailSocket::Deadline() const {
  return std::min(platform::StreamConnection::Clock::now() + m_replyLimit, m_end);
}

void CMailSocket::Close() {
  m_connection.reset();
  m_pending.clear();
}

std::optional<std::string> CMailSocket::TakeList() {
  std::optional<std::string> list = std::move(m_list);
  m_list.reset();
  return list;
}

void CMailSocket::LogStatus(std::string_view text) {
  if (m_pOwner) m_pOwner->LogStatus(text);
}

bool CMailSocket::Connect(CommandOwner* owner, const std::string& host, int port) {
  Close();
  m_list.reset();
  m_pOwner = owner;
  auto client = std::make_unique<platform::TcpClient>();
  client->SetWaitHook([this] { return m_pOwner && m_pOwner->Interrupted(); });
  const auto deadline = std::min(platform::StreamConnection::Clock::now() + m_connectLimit, m_end);
  const platform::IoResult connected = client->Connect(host, port, deadline);
  if (connected != platform::IoResult::kOk) {
    LogStatus(connected == platform::IoResult::kCancelled ? kCancelledLine : "connection fail\r\n");
    return false;
  }
  m_connection = std::move(client);
  return true;
}

bool CMailSocket::ReadGreeting() {
  // The greeting is shown, not judged.
  if (!ReadReply(ReplyKind::kStatus)) return false;
  LogStatus(std::string_view(m_reply.c_str()).substr(0, kLoggedReply));
  return true;
}

bool CMailSocket::OpenDialogue(CommandOwner* owner,
                               std::unique_ptr<platform::StreamConnection> connection) {
  Close();
  m_list.reset();
  m_pOwner = owner;
  m_connection = std::move(connection);
  return ReadGreeting();
}

platform::TlsOutcome CMailSocket::StartTls(const std::string& host,
                                           const platform::TlsTrust& trust) {
  platform::TlsOutcome outcome;
  if (!m_connection) return outcome;
  // Bytes that came before the switch were not protected; a server has no reason to send any.
  m_pending.clear();
  outcome = m_connection->StartTls(host, trust, Deadline());
  if (!outcome.established) Close();
  return outcome;
}

bool CMailSocket::Negotiate(std::string_view line, bool multiLine) {
  if (Cancelled() || !Send(line)) return false;
  return ReadReply(multiLine ? ReplyKind::kMultiLine : ReplyKind::kStatus);
}

bool CMailSocket::Cancelled() {
  if (!m_pOwner || !m_pOwner->Interrupted()) return false;
  Fail(kCancelledLine);
  return true;
}

bool CMailSocket::Send(std::string_view bytes) {
  if (!m_connection) return false;
  // A large block goes in pieces, so the window hears Cancel and shows progress between them.
  constexpr std::size_t kPiece = 256 * 1024;
  for (std::size_t at = 0; at < bytes.size() || at == 0; at += kPiece) {
    if (at > 0) {
      if (Cancelled()) return false;
      if (m_pOwner) {
        m_pOwner->Progress("bytes", static_cast<long long>(at),
                           static_cast<long long>(bytes.size()));
      }
    }
    const platform::IoResult result = m_connection->Send(bytes.substr(at, kPiece), Deadline());
    if (result != platform::IoResult::kOk) {
      Fail(result);
      return false;
    }
    if (bytes.empty()) break;
  }
  return true;
}

void CMailSocket::Fail(platform::IoResult why) {
  if (why == platform::IoResult::kCancelled) {
    Fail(kCancelledLine);
  } else if (why == platform::IoResult::kTimedOut &&
             platform::StreamConnection::Clock::now() >= m_end) {
    Fail(TimeLimitLine(m_totalLimit));
  } else {
    Fail(why == platform::IoResult::kTimedOut ? kTimedOut : kLost);
  }
}

void CMailSocket::Fail(std::string_view line) {
  LogStatus(line);
  Close();
}

bool CMailSocket::ReadReply(ReplyKind kind) {
  m_reply.clear();
  m_contentEnd = 0;
  if (!m_connection) return false;
  ReplyFrame frame(kind != ReplyKind::kStatus);
  const bool retrieval = kind == ReplyKind::kRetrieval;
  const std::size_t limit = retrieval ? kMaxRetrieval : kMaxReply;
  const auto deadline = Deadline();
  auto reported = platform::StreamConnection::Clock::now();
  std::size_t end = frame.End(m_pending);
  while (end == std::string::npos) {
    if (m_pending.size() > limit) {
      Fail(retrieval ? kServerCopyTooLargeLine : kTooLong);
      return false;
    }
    const std::size_t room = std::min(kReadChunk, limit + 1 - m_pending.size());
    const platform::IoResult got = m_connection->Receive(m_pending, room, deadline);
    if (got != platform::IoResult::kOk) {
      Fail(got);
      return false;
    }
    end = frame.End(m_pending);
    const auto now = platform::StreamConnection::Clock::now();
    if (retrieval && m_pOwner && now - reported >= std::chrono::milliseconds(100)) {
      reported = now;
      m_pOwner->Progress("bytes", static_cast<long long>(m_pending.size()), 0);
    }
  }
  if (retrieval && m_pOwner) {
    const auto whole = static_cast<long long>(end);
    m_pOwner->Progress("bytes", whole, whole);
  }
  if (end == m_pending.size()) {
    m_reply = std::move(m_pending);
    m_pending.clear();
  } else {
    m_reply.assign(m_pending, 0, end);
    m_pending.erase(0, end);
  }
  m_contentEnd = frame.ContentEnd();
  return true;
}

int CMailSocket::SendCommand(const char* command, int count) {
  if (!m_connection || !command) return -1;
  // Heard between replies too: a server that answers at once must not keep the window deaf.
  if (Cancelled()) return -1;
  const bool block = count > 2;
  const std::string_view sent = block ? std::string_view(command, static_cast<std::size_t>(count))
                                      : std::string_view(command);
  if (!Send(sent)) return -1;
  const bool top = !block && StartsWith(sent, "top ");
  const bool retr = !block && StartsWith(sent, "retr ");
  if (!ReadReply(retr ? ReplyKind::kRetrieval : top ? ReplyKind::kMultiLine : ReplyKind::kStatus)) {
    return -1;
  }

  if (block) {
    // A refused message must not pass for a sent one: a temporary refusal (4xx) leaves the
    // server without the list as surely as a permanent one, so both are shown and end the
    // dialogue.
    const bool refused = StartsWith(m_reply, "4") || StartsWith(m_reply, "5");
    if (refused) LogStatus(std::string_view(m_reply.c_str()).substr(0, kLoggedReply));
    return refused ? -1 : 0;
  }
  const int verdict = StartsWith(m_reply, "5") ? -1 : 0;
  if (sent == "stat\r\n") {
    m_nMessages = FirstNumber(m_reply, 1);
    return 0;
  }
  if (top) return ExamineMessage(command);
  if (retr) {
    RetrieveList();
    return 0;
  }
  LogStatus(std::string_view(m_reply.c_str()).substr(0, kLoggedReply));
  return verdict;
}

int CMailSocket::ExamineMessage(const char* command) {
  const std::string_view reply = m_reply;
  const std::size_t subject = reply.find("Subject:");
  const std::size_t date = reply.find("Date:");
  if (subject == std::string_view::npos) LogStatus("no subject\r\n");
  const auto logLine = [&](std::size_t from) {
    const std::size_t end = reply.find("\r\n", from);
    if (end != std::string_view::npos) LogStatus(reply.substr(from, end + 2 - from));
  };
  if (subject != std::string_view::npos) logLine(subject);
  if (date == std::string_view::npos) {
    LogStatus("no date\r\n");
  } else {
    logLine(date);
  }
  if (subject == std::string_view::npos || reply.compare(subject, 18, "Subject: favorites") != 0) {
    return 0;
  }
  const int n = FirstNumber(command, 1);
  const std::string followUp = (m_bDelete ? "dele " : "retr ") + std::to_string(n) + "\r\n";
  SendCommand(followUp.c_str(), m_bDelete ? 1 : 2);
  return 1;
}

void CMailSocket::RetrieveList() {
  const std::string_view reply = m_reply;
  if (!StartsWith(reply, "+OK")) {
    // The server's own words say best why it won't hand the message over.
    LogStatus(reply.substr(0, std::min(reply.find('\n') + 1, kLoggedReply)));
    return;
  }
  const std::size_t statusEnd = reply.find('\n') + 1;
  const std::size_t marker = reply.find("!@#$", statusEnd);
  if (marker == std::string_view::npos || marker >= m_contentEnd) {
    // A list too long for the four-digit field comes after a marker of its own, in base64.
    const std::size_t longMarker = reply.find("!@#&", statusEnd);
    if (longMarker != std::string_view::npos && longMarker < m_contentEnd) {
      RetrieveBase64List(longMarker + 4);
    } else {
      LogStatus(kDamaged);
    }
    return;
  }

  // The length field counts the list and the 5 bytes that closed the message when it was sent.
  const std::size_t field = marker + 4;
  int length = 0;
  for (std::size_t i = field; i < field + 4; ++i) {
    const int digit = i < m_contentEnd ? HexDigit(reply[i]) : -1;
    if (digit < 0) {
      LogStatus(kDamaged);
      return;
    }
    length = length * 16 + digit;
  }
  const std::size_t listStart = field + 4;
  if (length < 5 || listStart + static_cast<std::size_t>(length - 5) > m_contentEnd) {
    LogStatus(kDamaged);
    return;
  }
  m_list.emplace(reply.substr(listStart, static_cast<std::size_t>(length - 5)));
}

void CMailSocket::RetrieveBase64List(std::size_t field) {
  // Eight hexadecimal digits give the list's length in bytes; the base64 lines follow.
  const std::string_view reply = m_reply;
  std::size_t length = 0;
  for (std::size_t i = field; i < field + 8; ++i) {
    const int digit = i < m_contentEnd ? HexDigit(reply[i]) : -1;
    if (digit < 0) {
      LogStatus(kDamaged);
      return;
    }
    length = length * 16 + static_cast<std::size_t>(digit);
  }
  if (length > kMaxListBytes) {
    LogStatus(kServerCopyTooLargeLine);
    return;
  }
  std::optional<std::string> list = DecodeBase64(reply.substr(field + 8, m_contentEnd - field - 8));
  if (!list || list->size() != length) {
    LogStatus(kDamaged);
    return;
  }
  m_list = std::move(list);
}
