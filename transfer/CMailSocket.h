#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/StreamConnection.h"

class CommandOwner;

// The SMTP and POP3 socket of the transfer engine. It reads every reply whole, however the server
// splits it, and bounds every wait by the reply limit and the whole transfer by its own: a reply
// that doesn't come whole in time, or a user who asks to stop, ends the dialogue with one line. A
// retrieved favorites list is handed to the engine, which stores it.
class CMailSocket {
 public:
  CMailSocket();
  ~CMailSocket();
  CMailSocket(const CMailSocket&) = delete;
  CMailSocket& operator=(const CMailSocket&) = delete;

  // Drops the previous connection and connects. False, with "connection fail\r\n" (or why it
  // stopped), when there is no connection.
  bool Connect(CommandOwner* owner, const std::string& host, int port);
  // Reads and logs the server's greeting; false when none came.
  bool ReadGreeting();
  // Opens a dialogue over a connection made elsewhere (scripted servers, the fuzzer): takes the
  // connection and reads the greeting.
  bool OpenDialogue(CommandOwner* owner, std::unique_ptr<platform::StreamConnection> connection);
  // Switches the connection to TLS. When that fails the connection is dropped; nothing is logged.
  platform::TlsOutcome StartTls(const std::string& host, const platform::TlsTrust& trust);
  // Sends a line whose reply is neither logged nor judged (the offer of TLS); the reply is in
  // LastReply(). False when the dialogue ended.
  bool Negotiate(std::string_view line, bool multiLine);

  // Sends one command and reads its reply. count <= 2: command is a line ending in "\r\n";
  // count > 2: command is a block of count bytes (the mail message). Returns 0 for a positive or
  // an unjudged reply, -1 for a reply beginning with 5 (or, to the message block, with 4 or 5) or
  // a dialogue that ended, and 1 for a TOP that found the favorites message (after its retrieval
  // or deletion).
  int SendCommand(const char* command, int count);
  void LogStatus(std::string_view text);

  bool IsOpen() const { return m_connection != nullptr; }
  void Close();
  // The reply to the last command, whole. Empty after a failed wait.
  const std::string& LastReply() const { return m_reply; }
  // Messages in the mailbox, from the last non-empty reply to STAT.
  int Messages() const { return m_nMessages; }
  // While set, a recognised favorites message is deleted instead of retrieved.
  void SetDeleteMode(bool deleteMode) { m_bDelete = deleteMode ? 1 : 0; }
  // The favorites list of the last retrieval, handed over once; none when no retrieval found it.
  std::optional<std::string> TakeList();
  // The limits are seams for tests; the defaults suit real servers. total bounds everything from
  // this call on.
  void SetTimeLimits(std::chrono::milliseconds connect, std::chrono::milliseconds reply,
                     std::chrono::milliseconds total = std::chrono::hours(1));

  static constexpr std::size_t kMaxReply = 1 << 20;  // no reply this program needs comes near it
  // A retrieved message carries at most the largest list, in base64 lines.
  static const std::size_t kMaxRetrieval;

 private:
  enum class ReplyKind { kStatus, kMultiLine, kRetrieval };
  // Reads the next whole reply into m_reply. On a failure, logs one line, drops the connection and
  // returns false.
  bool ReadReply(ReplyKind kind);
  // The deadline of the next wait: the reply limit or the end of the whole transfer.
  platform::StreamConnection::Clock::time_point Deadline() const;
  bool Send(std::string_view bytes);
  bool Cancelled();
  void Fail(platform::IoResult why);
  void Fail(std::string_view line);
  // Examines the headers of message N (the reply to TOP); 1 when it is the favorites message.
  int ExamineMessage(const char* command);
  void RetrieveList();
  void RetrieveBase64List(std::size_t field);

  CommandOwner* m_pOwner = nullptr;  // whose status log receives this socket's lines
  int m_nMessages = 0;
  int m_bDelete = 0;
  std::unique_ptr<platform::StreamConnection> m_connection;
  std::string m_pending;  // bytes received beyond the last reply
  std::string m_reply;
  std::size_t m_contentEnd = 0;  // where the terminating "." line of a multi-line reply starts
  std::optional<std::string> m_list;
  std::chrono::milliseconds m_connectLimit{15000};
  std::chrono::milliseconds m_replyLimit{30000};
  std::chrono::milliseconds m_totalLimit{std::chrono::hours(1)};
  platform::StreamConnection::Clock::time_point m_end;  // the whole transfer's deadline
};
