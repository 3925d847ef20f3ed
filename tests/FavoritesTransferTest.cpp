#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>

#include "platform/FtpError.h"
#include "tests/support/LoopbackPort.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RecordingOwner.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TempDir.h"
#include "transfer/FavoritesTransfer.h"

namespace {

using After = testsupport::ScriptedServer::After;
using Script = std::vector<testsupport::ScriptedServer::Step>;
using testsupport::ReadFile;
using testsupport::WriteFile;

// The engine of one machine: its settings, and its files in a folder of its own. Each call makes
// an engine afresh, as each command does.
class TransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    network.connectLimit = std::chrono::milliseconds(2000);
    network.replyLimit = std::chrono::milliseconds(2000);
    settings.user = "alice";
    settings.pass = "s3cret";
    settings.smtp = "127.0.0.1";
    settings.pop3 = "127.0.0.1";
  }
  std::string File(const std::string& name) const { return m_dir / name; }
  FavoritesTransfer Engine() {
    return FavoritesTransfer(owner, settings,
                             {File("favorites-local.txt"), File("favorites-server.txt")}, network);
  }
  int Download(DownloadMode mode = DownloadMode::kRetrieve) { return Engine().Download(mode); }

  testsupport::TempDir m_dir;
  testsupport::RecordingOwner owner;
  TransferSettings settings;
  TransferNetwork network;
};

// ---- Upload by mail ----

const std::string kList = "Favorites\r\n\tNews\r\n\t\tPaper\x01http://paper.example/\r\n";

// The SMTP dialogue of a good upload; the message step is given the whole message.
Script SmtpScript(const std::string& message, const std::string& address = "alice@0.0.1",
                  const std::string& user64 = "YWxpY2U=") {
  return {
      {"", "220 mail.example ESMTP\r\n"},
      {"ehlo pelgo\r\n", "250-mail.example\r\n250 AUTH LOGIN PLAIN\r\n"},
      {"helo pelgo\r\n", "250 mail.example\r\n"},
      {"auth login\r\n", "334 VXNlcm5hbWU6\r\n"},
      {user64 + "\r\n", "334 UGFzc3dvcmQ6\r\n"},
      {"czNjcmV0\r\n", "235 2.7.0 Authentication successful\r\n"},
      {"mail from: <" + address + ">\r\n", "250 OK\r\n"},
      {"rcpt to: <" + address + ">\r\n", "250 OK\r\n"},
      {"data\r\n", "354 End data with <CR><LF>.<CR><LF>\r\n"},
      {message, "250 OK queued\r\n"},
      {"quit\r\n", "221 Bye\r\n"},
  };
}

const char* const kSmtpLog =
    "220 mail.example ESMTP\r\n250 mail.example\r\n334 VXNlcm5hbWU6\r\n334 UGFzc3dvcmQ6\r\n"
    "235 2.7.0 Authentication successful\r\n250 OK\r\n250 OK\r\n"
    "354 End data with <CR><LF>.<CR><LF>\r\n221 Bye\r\n";

TEST_F(TransferTest, MailUploadRunsTheSmtpDialogue) {
  WriteFile(File("favorites-local.txt"), kList);
  const std::string message = "Subject: favorites\r\n\r\n!@#$0036" + kList + "\r\n.\r\n";
  testsupport::ScriptedServer server(SmtpScript(message));
  network.smtpPort = server.port();
  owner.status = "left from before\r\n";
  EXPECT_EQ(Engine().Upload(), 0);
  EXPECT_EQ(server.Received(), server.Expected());
  EXPECT_EQ(owner.status, kSmtpLog);
}

TEST_F(TransferTest, FavoritesMessageLayout) {
  EXPECT_EQ(FavoritesTransfer::BuildMessage(""), "Subject: favorites\r\n\r\n!@#$0005\r\n.\r\n");
  EXPECT_EQ(FavoritesTransfer::BuildMessage("").size(), 35u);
  const std::string largest(FavoritesTransfer::kMaxMailList, '\t');
  const std::string message = FavoritesTransfer::BuildMessage(largest);
  EXPECT_EQ(message.substr(22, 8), "!@#$ffff");
  EXPECT_EQ(message.size(), 65530u + 35u);
  EXPECT_EQ(FavoritesTransfer::BuildMessage(std::string(15, 'x')).substr(26, 4), "0014");

  // One byte more goes in base64 lines after a marker that a reader of the first form passes
  // over: it looks for "!@#$", which base64 can't hold.
  const std::string longer = FavoritesTransfer::BuildMessage(largest + "\t");
  EXPECT_EQ(longer.substr(0, 36), "Subject: favorites\r\n\r\n!@#&0000fffb\r\n");
  EXPECT_EQ(longer.find("!@#$"), std::string::npos);
  EXPECT_EQ(longer.substr(longer.size() - 5), "\r\n.\r\n");
  for (std::size_t at = 0; at < longer.size();) {
    const std::size_t end = longer.find("\r\n", at);
    ASSERT_LE(end - at, 76u);
    ASSERT_NE(longer[at], '.') << "no line needs a dot stuffed before it";
    at = end + 2;
    if (at == longer.size() - 3) break;  // the closing "."
  }
}

TEST_F(TransferTest, MailDomainIsTheSmtpHostAfterItsFirstDot) {
  const struct {
    const char* smtp;
    const char* domain;
  } cases[] = {
      {"smtp.example.org", "example.org"},
      {"localhost", "localhost"},
      {"192.168.1.20", "168.1.20"},
      {"mail.", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FavoritesTransfer::MailDomain(c.smtp), c.domain) << c.smtp;
}

TEST_F(TransferTest, UserWithAtSignStillGetsTheMailDomain) {
  settings.user = "bob@home";
  WriteFile(File("favorites-local.txt"), "");
  testsupport::ScriptedServer server(
      SmtpScript(FavoritesTransfer::BuildMessage(""), "bob@home@0.0.1", "Ym9iQGhvbWU="));
  network.smtpPort = server.port();
  EXPECT_EQ(Engine().Upload(), 0);
  EXPECT_EQ(server.Received(), server.Expected());
}

TEST_F(TransferTest, NegativeSmtpReplyEndsTheDialogueWithoutQuit) {
  WriteFile(File("favorites-local.txt"), kList);
  const struct {
    std::size_t step;  // the step of SmtpScript whose reply is replaced
    const char* reply;
    int result;
    std::size_t linesSent;
  } cases[] = {
      {3, "535 5.7.8 Authentication failed\r\n", -1, 3},  // auth login refused: no user, no pass
      {5, "535 5.7.8 Authentication failed\r\n", -1, 5},
      {7, "554 5.7.1 Relay access denied\r\n", -1, 7},
      {9, "554 5.3.4 Message too big\r\n", -1, 9},              // the message itself refused
      {9, "452 4.3.1 Insufficient system storage\r\n", -1, 9},  // and a temporary refusal too
      {3, "450 4.3.2 Try again later\r\n", 0, 10},  // elsewhere a 4xx doesn't stop the dialogue
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    Script script = SmtpScript(FavoritesTransfer::BuildMessage(kList));
    script[c.step].reply = c.reply;
    testsupport::ScriptedServer server(script);
    network.smtpPort = server.port();
    EXPECT_EQ(Engine().Upload(), c.result);
    const std::vector<std::string> sent = server.Received();
    const std::vector<std::string> expected = server.Expected();
    EXPECT_EQ(sent, std::vector<std::string>(expected.begin(), expected.begin() + c.linesSent));
    EXPECT_NE(owner.status.find(c.reply), std::string::npos);
  }
}

TEST_F(TransferTest, MailUploadFailuresBeforeTheDialogue) {
  // No list: the log is cleared and nothing else shown.
  owner.status = "before\r\n";
  EXPECT_EQ(Engine().Upload(), -1);
  EXPECT_EQ(owner.status, "");

  // No server.
  WriteFile(File("favorites-local.txt"), kList);
  network.smtpPort = testsupport::UnusedLoopbackPort();
  EXPECT_EQ(Engine().Upload(), -2);
  EXPECT_EQ(owner.status, "connection fail\r\n");
}

TEST_F(TransferTest, ListTooLargeIsRefusedBeforeAnythingIsSentOrDeleted) {
  testsupport::ScriptedServer server(Script{{"", "220 ready\r\n"}});
  network.smtpPort = server.port();
  network.pop3Port = server.port();
  settings.ftp = "127.0.0.1";
  network.ftpPort = server.port();

  // Sparse: the size counts, not the bytes.
  WriteFile(File("favorites-local.txt"), "");
  std::filesystem::resize_file(File("favorites-local.txt"), kMaxListBytes);
  EXPECT_EQ(Engine().CheckUploadSize(), 0);
  std::filesystem::resize_file(File("favorites-local.txt"), kMaxListBytes + 1);
  for (int method : {0, 1, 2}) {
    settings.method = method;
    owner.status = "before\r\n";
    EXPECT_EQ(Engine().CheckUploadSize(), -1);
    EXPECT_EQ(owner.status, "favorites list larger than 64 MiB: not sent\r\n");
  }
  settings.method = 0;
  EXPECT_EQ(Engine().Upload(), -1);
  EXPECT_EQ(owner.status, "favorites list larger than 64 MiB: not sent\r\n");
  EXPECT_EQ(server.Connections(), 0);
}

TEST_F(TransferTest, SilentSmtpServerEndsTheUploadInTime) {
  WriteFile(File("favorites-local.txt"), kList);
  network.replyLimit = std::chrono::milliseconds(300);
  const struct {
    Script script;
    int result;
  } cases[] = {
      {{{"", "", After::kHang}}, -2},  // no greeting
      {{{"", "220 hi\r\n"},
        {"ehlo pelgo\r\n", "250 hi\r\n"},
        {"helo pelgo\r\n", "25", After::kHang}},
       -1},  // stops mid-reply
  };
  for (const auto& c : cases) {
    testsupport::ScriptedServer server(c.script);
    network.smtpPort = server.port();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Engine().Upload(), c.result);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    const std::string line = "server did not answer in time\r\n";
    ASSERT_GE(owner.status.size(), line.size());
    EXPECT_EQ(owner.status.substr(owner.status.size() - line.size()), line);
    EXPECT_EQ(owner.status.find(line), owner.status.size() - line.size()) << "one line only";
    EXPECT_GT(owner.interruptChecks, 0) << "the window repaints while the dialogue waits";
  }
}

// ---- Download by POP3 ----

std::string Top(const std::string& subject, const std::string& date = "Date: Mon, 1 Jan 2024\r\n") {
  return "+OK\r\nReturn-Path: <alice@0.0.1>\r\n" + date + subject + ".\r\n";
}

std::string Retr(const std::string& list) {
  char field[8];
  std::snprintf(field, sizeof field, "%04zx", list.size() + 5);
  return "+OK 120 octets\r\nX-Peer: 127.0.0.1\r\nSubject: favorites\r\n\r\n!@#$" +
         std::string(field) + list + "\r\n.\r\n";
}

Script Pop3Login(const std::string& stat) {
  return {
      {"", "+OK Dovecot ready.\r\n"},
      {"capa\r\n", "+OK\r\nTOP\r\nUSER\r\n.\r\n"},
      {"user alice\r\n", "+OK\r\n"},
      {"pass s3cret\r\n", "+OK Logged in.\r\n"},
      {"stat\r\n", stat},
  };
}

Script Concat(Script a, const Script& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const char* const kLoginLog = "+OK Dovecot ready.\r\n+OK\r\n+OK Logged in.\r\n";
const char* const kDate = "Date: Mon, 1 Jan 2024\r\n";

TEST_F(TransferTest, DownloadTakesTheFirstFavoritesMessage) {
  const struct {
    const char* name;
    Script scan;
  } cases[] = {
      {"third of five",
       {{"top 1 0\r\n", Top("Subject: hello\r\n")},
        {"top 2 0\r\n", Top("", "")},
        {"top 3 0\r\n", Top("Subject: favorites\r\n")},
        {"retr 3\r\n", Retr(kList), After::kGoOn, 5}}},
      {"second and fourth",
       {{"top 1 0\r\n", Top("Subject: hello\r\n")},
        {"top 2 0\r\n", Top("Subject: favorites\r\n")},
        {"retr 2\r\n", Retr(kList)}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(File("favorites-server.txt"));
    Script script = Concat(Pop3Login("+OK 5 4711\r\n"), c.scan);
    script.push_back({"quit\r\n", "+OK Logging out.\r\n"});
    testsupport::ScriptedServer server(script);
    network.pop3Port = server.port();
    EXPECT_EQ(Download(), 0);
    EXPECT_EQ(server.Received(), server.Expected());
    EXPECT_EQ(ReadFile(File("favorites-server.txt")), kList);
  }
}

TEST_F(TransferTest, DownloadStatusLogShowsLoginSubjectsDatesAndQuit) {
  Script script =
      Concat(Pop3Login("+OK 5 4711\r\n"), {{"top 1 0\r\n", Top("Subject: hello\r\n")},
                                           {"top 2 0\r\n", Top("", "")},
                                           {"top 3 0\r\n", Top("Subject: favorites\r\n")},
                                           {"retr 3\r\n", Retr(kList)},
                                           {"quit\r\n", "+OK Logging out.\r\n"}});
  testsupport::ScriptedServer server(script);
  network.pop3Port = server.port();
  owner.status = "from the last command\r\n";
  EXPECT_EQ(Download(), 0);
  EXPECT_EQ(owner.status, std::string(kLoginLog) + "Subject: hello\r\n" + kDate +
                              "no subject\r\nno date\r\nSubject: favorites\r\n" + kDate +
                              "+OK Logging out.\r\n");
}

TEST_F(TransferTest, DeleteModeDeletesInsteadOfRetrieving) {
  WriteFile(File("favorites-server.txt"), "earlier\r\n");
  Script script =
      Concat(Pop3Login("+OK 2 900\r\n"), {{"top 1 0\r\n", Top("Subject: favorites\r\n")},
                                          {"dele 1\r\n", "+OK Marked to be deleted.\r\n"},
                                          {"quit\r\n", "+OK Logging out, messages deleted.\r\n"}});
  testsupport::ScriptedServer server(script);
  network.pop3Port = server.port();
  EXPECT_EQ(Download(DownloadMode::kDelete), 0);
  EXPECT_EQ(server.Received(), server.Expected());
  EXPECT_EQ(owner.status,
            std::string(kLoginLog) + "Subject: favorites\r\n" + kDate +
                "+OK Marked to be deleted.\r\n+OK Logging out, messages deleted.\r\n");
  EXPECT_EQ(ReadFile(File("favorites-server.txt")), "earlier\r\n");
}

TEST_F(TransferTest, DownloadResultsWithoutAFavoritesMessage) {
  const struct {
    const char* name;
    Script script;
    bool listOnly;
    int result;
    std::string log;
  } cases[] = {
      {"list mode with a full mailbox",
       Concat(Pop3Login("+OK 9 10000\r\n"), {{"quit\r\n", "+OK Bye\r\n"}}), true, 0,
       std::string(kLoginLog) + "+OK Bye\r\n"},
      {"empty mailbox", Concat(Pop3Login("+OK 0 0\r\n"), {{"quit\r\n", "+OK Bye\r\n"}}), false, 1,
       std::string(kLoginLog) + "+OK Bye\r\n"},
      {"no favorites message",
       Concat(Pop3Login("+OK 1 10\r\n"),
              {{"top 1 0\r\n", Top("Subject: hi\r\n")}, {"quit\r\n", "+OK Bye\r\n"}}),
       false, 1, std::string(kLoginLog) + "Subject: hi\r\n" + kDate + "+OK Bye\r\n"},
      {"wrong password",
       {{"", "+OK ready\r\n"},
        {"capa\r\n", "-ERR unknown command\r\n"},
        {"user alice\r\n", "+OK\r\n"},
        {"pass s3cret\r\n", "-ERR [AUTH] Authentication failed.\r\n"},
        {"stat\r\n", "-ERR Unknown command.\r\n"},
        {"quit\r\n", "+OK Logging out\r\n"}},
       false,
       1,
       "+OK ready\r\n+OK\r\n-ERR [AUTH] Authentication failed.\r\n+OK Logging out\r\n"},
      {"5xx to the user line",
       {{"", "+OK ready\r\n"}, {"capa\r\n", "-ERR what?\r\n"}, {"user alice\r\n", "500 what?\r\n"}},
       false,
       -1,
       "+OK ready\r\n500 what?\r\n"},
      {"negative quit", Concat(Pop3Login("+OK 0 0\r\n"), {{"quit\r\n", "554 no\r\n"}}), false, -1,
       std::string(kLoginLog) + "554 no\r\n"},
      {"a count of 2^31 and a server that has none of them",
       Concat(Pop3Login("+OK 2147483648 0\r\n"),
              {{"top 1 0\r\n", "-ERR No such message\r\n"}, {"quit\r\n", "+OK Bye\r\n"}}),
       false, 1, std::string(kLoginLog) + "no subject\r\nno date\r\n+OK Bye\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::ScriptedServer server(c.script);
    network.pop3Port = server.port();
    EXPECT_EQ(Download(c.listOnly ? DownloadMode::kList : DownloadMode::kRetrieve), c.result);
    EXPECT_EQ(server.Received(), server.Expected());
    EXPECT_EQ(owner.status, c.log);
    EXPECT_FALSE(std::filesystem::exists(File("favorites-server.txt")));
  }
}

TEST_F(TransferTest, DownloadFailuresLeaveTheEarlierServerCopy) {
  network.replyLimit = std::chrono::milliseconds(300);
  const std::string retr = Retr(kList);
  const struct {
    const char* name;
    Script script;
    const char* lastLine;
  } cases[] = {
      {"no server", {}, "connection fail\r\n"},
      {"silent server", {{"", "", After::kHang}}, "server did not answer in time\r\n"},
      {"retrieval stops half-way",
       Concat(Pop3Login("+OK 1 10\r\n"),
              {{"top 1 0\r\n", Top("Subject: favorites\r\n")},
               {"retr 1\r\n", retr.substr(0, retr.size() / 2), After::kHang}}),
       "server did not answer in time\r\n"},
      {"connection closed during the retrieval",
       Concat(Pop3Login("+OK 1 10\r\n"),
              {{"top 1 0\r\n", Top("Subject: favorites\r\n")},
               {"retr 1\r\n", retr.substr(0, retr.size() - 4), After::kClose}}),
       "connection lost\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(File("favorites-server.txt"), "earlier\r\n");
    std::unique_ptr<testsupport::ScriptedServer> server;
    if (c.script.empty()) {
      network.pop3Port = testsupport::UnusedLoopbackPort();
    } else {
      server = std::make_unique<testsupport::ScriptedServer>(c.script);
      network.pop3Port = server->port();
    }
    EXPECT_EQ(Download(), -1);
    EXPECT_EQ(ReadFile(File("favorites-server.txt")), "earlier\r\n");
    const std::string line = c.lastLine;
    ASSERT_GE(owner.status.size(), line.size());
    EXPECT_EQ(owner.status.substr(owner.status.size() - line.size()), line);
  }
}

// ---- Other ways ----

TEST_F(TransferTest, UnknownSaveMethodDoesNothing) {
  settings.method = 3;
  owner.status = "untouched\r\n";
  EXPECT_EQ(Engine().Upload(), 0);
  EXPECT_EQ(Download(), 0);
  EXPECT_EQ(owner.status, "untouched\r\n");
  EXPECT_FALSE(std::filesystem::exists(File("favorites-server.txt")));
}

TEST_F(TransferTest, UnreachableFtpServerRaisesAndLogsNothing) {
  WriteFile(File("favorites-local.txt"), kList);
  settings.ftp = "127.0.0.1";
  network.ftpPort = testsupport::UnusedLoopbackPort();
  for (int method : {1, 2}) {
    settings.method = method;
    owner.status = "before\r\n";
    EXPECT_THROW(Engine().Upload(), platform::FtpError);
    EXPECT_THROW(Download(), platform::FtpError);
    EXPECT_EQ(owner.status, "before\r\n");
  }
  try {
    Download();
  } catch (const platform::FtpError& error) {
    EXPECT_STRNE(error.what(), "");
  }
}

TEST_F(TransferTest, SilentFtpServerRaisesInTime) {
  settings.method = 1;
  settings.ftp = "127.0.0.1";
  network.replyLimit = std::chrono::milliseconds(1000);
  testsupport::ScriptedServer server(Script{{"", "", After::kHang}});
  network.ftpPort = server.port();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(Download(), platform::FtpError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace

namespace {

// ---- AUTH as real servers want it ----

TEST_F(TransferTest, AuthFallsBackAsTheServerAsks) {
  WriteFile(File("favorites-local.txt"), kList);
  const std::string message = FavoritesTransfer::BuildMessage(kList);
  const Script loginDone = {{"czNjcmV0\r\n", "235 2.7.0 Authentication successful\r\n"}};
  const struct {
    const char* name;
    Script auth;  // replaces the steps from "auth login" to the password
  } cases[] = {
      {"503: AUTH only after EHLO",
       {{"auth login\r\n", "503 5.5.1 AUTH command used when not advertised\r\n"},
        {"ehlo pelgo\r\n", "250-mail.example\r\n250 AUTH LOGIN\r\n"},
        {"auth login\r\n", "334 VXNlcm5hbWU6\r\n"},
        {"YWxpY2U=\r\n", "334 UGFzc3dvcmQ6\r\n"},
        {"czNjcmV0\r\n", "235 2.7.0 Authentication successful\r\n"}}},
      {"504: no LOGIN",
       {{"auth login\r\n", "504 5.5.4 Unrecognized authentication type\r\n"},
        {"AUTH PLAIN AGFsaWNlAHMzY3JldA==\r\n", "235 2.7.0 Authentication successful\r\n"}}},
      {"535 naming the mechanism",
       {{"auth login\r\n",
         "535 5.7.8 Error: authentication failed: Invalid authentication mechanism\r\n"},
        {"AUTH PLAIN AGFsaWNlAHMzY3JldA==\r\n", "235 2.7.0 Authentication successful\r\n"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Script script = SmtpScript(message);
    script.erase(script.begin() + 3, script.begin() + 6);
    script.insert(script.begin() + 3, c.auth.begin(), c.auth.end());
    testsupport::ScriptedServer server(script);
    network.smtpPort = server.port();
    EXPECT_EQ(Engine().Upload(), 0) << owner.status;
    EXPECT_EQ(server.Received(), server.Expected());
  }
}

// ---- TLS required but not offered ----

TEST_F(TransferTest, SubmissionPortWithoutStartTlsSendsNothing) {
  WriteFile(File("favorites-local.txt"), kList);
  testsupport::ScriptedServer server(
      Script{{"", "220 mail.example ESMTP\r\n"},
             {"ehlo pelgo\r\n", "250-mail.example\r\n250 AUTH LOGIN\r\n"}});
  network.smtpPort = server.port();
  network.submissionPort = server.port();
  EXPECT_EQ(Engine().Upload(), -2);
  EXPECT_EQ(server.Received(), std::vector<std::string>{"ehlo pelgo\r\n"});
  EXPECT_EQ(owner.status, "220 mail.example ESMTP\r\nthe server offers no STARTTLS, which port " +
                              std::to_string(server.port()) + " requires: nothing was sent\r\n");
}

// ---- Names from the settings ----

TEST_F(TransferTest, NamesThatCantBeSentAreRefusedBeforeAnyConnection) {
  testsupport::ScriptedServer server(Script{{"", "220 ready\r\n"}});
  network.smtpPort = network.pop3Port = network.ftpPort = server.port();
  settings.ftp = "127.0.0.1";
  WriteFile(File("favorites-local.txt"), kList);
  const std::string lineBreak =
      "the user name or the password holds a line break or a NUL byte, which no server may be "
      "sent: correct it in the settings\r\n";
  const std::string testAccount =
      "the user name and the password name your file on the test account and may not hold \"/\", "
      "\"\\\", \"..\", line breaks or NUL bytes: correct them in the settings\r\n";
  const struct {
    int method;
    std::string user, pass;
    const std::string& line;
  } cases[] = {
      {0, "alice", "s3cret\r\ndele 1", lineBreak},
      {0, "al\nice", "s3cret", lineBreak},
      {1, "alice", std::string("s3\0cret", 7), lineBreak},
      {2, "/../../../home/victim/", "s3cret", testAccount},
      {2, "alice", "a\\b", testAccount},
      {2, "..", "s3cret", testAccount},
      {2, "alice", "s3cret\r\nDELE favorites.txt", testAccount},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.user + " " + c.pass);
    settings.method = c.method;
    settings.user = c.user;
    settings.pass = c.pass;
    owner.status.clear();
    EXPECT_EQ(Engine().Upload(), -1);
    EXPECT_EQ(owner.status, c.line);
    owner.status.clear();
    EXPECT_EQ(Download(), -1);
    EXPECT_EQ(owner.status, c.line);
  }
  EXPECT_EQ(server.Connections(), 0);
  // A user name with a slash is fine on the user's own server: it names no file there.
  settings.method = 1;
  settings.user = "alice/home";
  settings.pass = "s3cret";
  EXPECT_THROW(Download(), platform::FtpError);  // the scripted server is no FTP server
}

// ---- An endless mailbox, and the user who stops it ----

// A POP3 server whose mailbox claims 2^31 - 1 messages and answers every TOP at once.
class EndlessMailbox {
 public:
  int port() const { return m_server.port(); }
  int Tops() const { return m_tops; }

 private:
  void Serve(int fd) {
    const auto send = [fd](const std::string& text) {
      ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    };
    send("+OK ready\r\n");
    std::string buffer;
    for (std::size_t end; (end = m_server.ReadUntil(fd, buffer, "\r\n")) != std::string::npos;) {
      const std::string line = buffer.substr(0, end);
      buffer.erase(0, end + 2);
      if (line.rfind("top ", 0) == 0) {
        ++m_tops;
        send("+OK\r\nSubject: hello\r\nDate: Mon, 1 Jan 2024\r\n.\r\n");
      } else if (line == "stat") {
        send("+OK 2147483647 0\r\n");
      } else if (line == "capa") {
        send("-ERR no\r\n");
      } else {
        send("+OK\r\n");
        if (line == "quit") return;
      }
    }
  }

  std::atomic<int> m_tops{0};
  testsupport::LoopbackServer m_server{[this](int fd) { Serve(fd); }};
};

TEST_F(TransferTest, EndlessMailboxIsScannedToACapAndCanBeCancelled) {
  {
    EndlessMailbox server;
    network.pop3Port = server.port();
    EXPECT_EQ(Download(), 1);
    EXPECT_EQ(server.Tops(), FavoritesTransfer::kMaxMessagesExamined);
    const std::string end =
        "no favorites message among the first 10000 messages: the rest are not examined\r\n+OK\r\n";
    EXPECT_EQ(owner.status.substr(owner.status.size() - end.size()), end);
    EXPECT_GE(owner.interruptChecks, FavoritesTransfer::kMaxMessagesExamined)
        << "the window is heard between replies that come at once";
  }
  {
    EndlessMailbox server;
    network.pop3Port = server.port();
    owner.interruptChecks = 0;
    owner.interruptAfter = 100;
    EXPECT_EQ(Download(), -1);
    EXPECT_LT(server.Tops(), 100);
    const std::string end = "transfer cancelled\r\n";
    EXPECT_EQ(owner.status.substr(owner.status.size() - end.size()), end);
    EXPECT_EQ(owner.status.find(end), owner.status.size() - end.size()) << "one line";
  }
}

TEST_F(TransferTest, CancelWhileWaitingEndsTheTransfer) {
  network.replyLimit = std::chrono::seconds(30);
  testsupport::ScriptedServer server(Script{{"", "", After::kHang}});
  network.pop3Port = server.port();
  owner.interruptAfter = 3;
  WriteFile(File("favorites-server.txt"), "earlier\r\n");
  EXPECT_EQ(Download(), -1);
  EXPECT_EQ(owner.status, "transfer cancelled\r\n");
  EXPECT_EQ(ReadFile(File("favorites-server.txt")), "earlier\r\n");
}

TEST_F(TransferTest, WholeTransferHasATimeLimit) {
  // Every reply comes within the reply limit, but the whole never ends in time.
  network.totalLimit = std::chrono::milliseconds(300);
  Script script = Pop3Login("+OK 1 10\r\n");
  script.push_back({"top 1 0\r\n", Top("Subject: favorites\r\n")});
  script.push_back({"retr 1\r\n", Retr(std::string(5000, 'x')), After::kGoOn, 2000});
  testsupport::ScriptedServer server(script);
  network.pop3Port = server.port();
  EXPECT_EQ(Download(), -1);
  const std::string end = "transfer stopped at its time limit of 1 s\r\n";
  EXPECT_EQ(owner.status.substr(owner.status.size() - end.size()), end);
}

}  // namespace
