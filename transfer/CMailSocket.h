#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/StreamConnection.h"

class CommandOwner;

// The SMTP and POP3 socket of the transfer engine. It reads every reply whole, however the server
// splits it, and bounds every wait: a reply that doesn't come whole in time ends the dialogue. A
// retrieved favorites list is handed to the engine, which stores it.
class CMailSocket {
 public:
  CMailSocket();
  ~CMailSocket();
  CMailSocket(const CMailSocket&) = delete;
  CMailSocket& operator=(const CMailSocket&) = delete;

  // Opens a dialogue: drops the previous connection, connects and logs the server's greeting.
  // False when there is no connection ("connection fail\r\n") or no greeting in time.
  bool OpenDialogue(CommandOwner* owner, const std::string& host, int port);
  // The same over a connection made elsewhere (scripted servers, the fuzzer).
  bool OpenDialogue(CommandOwner* owner, std::unique_ptr<platform::StreamConnection> connection);

  // Sends one command and reads its reply. count <= 2: command is a line ending in "\r\n";
  // count > 2: command is a block of count bytes (the mail message). Returns 0 for a positive or
  // an unjudged reply, -1 for a reply beginning with 5 or a dialogue that ended, and 1 for a TOP
  // that found the favorites message (after its retrieval or deletion).
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
  // The limits are seams for tests; the defaults suit real servers.
  void SetTimeLimits(std::chrono::milliseconds connect, std::chrono::milliseconds reply);

  static constexpr std::size_t kMaxReply = 1 << 20;  // no reply this program needs comes near it

 private:
  enum class ReplyKind { kStatus, kMultiLine };
  // Reads the next whole reply into m_reply. On a failure, logs one line, drops the connection and
  // returns false.
  bool ReadReply(ReplyKind kind);
  void Fail(platform::IoResult why);
  void Fail(std::string_view line);
  // Examines the headers of message N (the reply to TOP); 1 when it is the favorites message.
  int ExamineMessage(const char* command);
  void RetrieveList();

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
};
