#include "transfer/CMailSocket.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/CommandOwner.h"
#include "platform/TcpClient.h"

namespace {

constexpr std::string_view kTimedOut = "server did not answer in time\r\n";
constexpr std::string_view kLost = "connection lost\r\n";
constexpr std::string_view kTooLong = "server reply too long\r\n";
constexpr std::string_view kDamaged = "favorites message damaged\r\n";

// A status line is logged as the reply buffer of one read showed it: at most this many bytes.
constexpr std::size_t kLoggedReply = 1023;
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

CMailSocket::CMailSocket() = default;
CMailSocket::~CMailSocket() = default;

void CMailSocket::SetTimeLimits(std::chrono::milliseconds connect,
                                std::chrono::milliseconds reply) {
  m_connectLimit = connect;
  m_replyLimit = reply;
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

bool CMailSocket::OpenDialogue(CommandOwner* owner, const std::string& host, int port) {
  Close();
  m_pOwner = owner;
  auto client = std::make_unique<platform::TcpClient>();
  client->SetWaitHook([this] {
    if (m_pOwner) m_pOwner->Interrupted();
  });
  if (!client->Connect(host, port, m_connectLimit)) {
    LogStatus("connection fail\r\n");
    return false;
  }
  return OpenDialogue(owner, std::move(client));
}

bool CMailSocket::OpenDialogue(CommandOwner* owner,
                               std::unique_ptr<platform::StreamConnection> connection) {
  Close();
  m_list.reset();
  m_pOwner = owner;
  m_connection = std::move(connection);
  // The greeting is shown, not judged.
  if (!ReadReply(ReplyKind::kStatus)) return false;
  LogStatus(std::string_view(m_reply.c_str()).substr(0, kLoggedReply));
  return true;
}

void CMailSocket::Fail(platform::IoResult why) {
  Fail(why == platform::IoResult::kTimedOut ? kTimedOut : kLost);
}

void CMailSocket::Fail(std::string_view line) {
  LogStatus(line);
  Close();
}

bool CMailSocket::ReadReply(ReplyKind kind) {
  m_reply.clear();
  m_contentEnd = 0;
  if (!m_connection) return false;
  ReplyFrame frame(kind == ReplyKind::kMultiLine);
  const auto deadline = platform::StreamConnection::Clock::now() + m_replyLimit;
  std::size_t end = frame.End(m_pending);
  while (end == std::string::npos) {
    if (m_pending.size() > kMaxReply) {
      Fail(kTooLong);
      return false;
    }
    const std::size_t room = std::min(kReadChunk, kMaxReply + 1 - m_pending.size());
    const platform::IoResult got = m_connection->Receive(m_pending, room, deadline);
    if (got != platform::IoResult::kOk) {
      Fail(got);
      return false;
    }
    end = frame.End(m_pending);
  }
  m_reply.assign(m_pending, 0, end);
  m_pending.erase(0, end);
  m_contentEnd = frame.ContentEnd();
  return true;
}

int CMailSocket::SendCommand(const char* command, int count) {
  if (!m_connection || !command) return -1;
  const bool block = count > 2;
  const std::string_view sent = block ? std::string_view(command, static_cast<std::size_t>(count))
                                      : std::string_view(command);
  const platform::IoResult result =
      m_connection->Send(sent, platform::StreamConnection::Clock::now() + m_replyLimit);
  if (result != platform::IoResult::kOk) {
    Fail(result);
    return -1;
  }
  const bool top = !block && StartsWith(sent, "top ");
  const bool retr = !block && StartsWith(sent, "retr ");
  if (!ReadReply(top || retr ? ReplyKind::kMultiLine : ReplyKind::kStatus)) return -1;

  const int verdict = StartsWith(m_reply, "5") ? -1 : 0;
  if (block) {
    // A refused message must not pass for a sent one: the refusal is shown and ends the dialogue.
    if (verdict < 0) LogStatus(std::string_view(m_reply.c_str()).substr(0, kLoggedReply));
    return verdict;
  }
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
    LogStatus(kDamaged);
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
