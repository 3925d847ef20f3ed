// Synchronisation, the list files and the transfers when the machine or the server lets them
// down: folders that can't be written, a disk that fills up, mail servers that hang up after any
// byte, an FTP server that drops the data connection. Whatever happens, nothing crashes, a list
// file is either the earlier one or a whole new one, and the user is told.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "commands/Commands.h"
#include "commands/Settings.h"
#include "commands/TreePaths.h"
#include "model/FavoritesList.h"
#include "tests/support/FolderSnapshot.h"
#include "tests/support/FtpDataPort.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/RecordingOwner.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TempDir.h"
#include "transfer/FavoritesTransfer.h"

namespace fs = std::filesystem;
using After = testsupport::ScriptedServer::After;
using Script = std::vector<testsupport::ScriptedServer::Step>;
using testsupport::Names;
using testsupport::ReadFile;
using testsupport::Snapshot;
using testsupport::WriteFile;
using testsupport::WriteShortcut;

namespace {

// What a forked child is denied: writing where the permission bits say no (root is otherwise
// exempt), and files beyond a size, as on a full disk.
struct Limits {
  bool obeyPermissions = false;
  rlim_t fileSize = RLIM_INFINITY;
};

struct ChildResult {
  bool exited = false;  // false: killed by a signal or exited non-zero
  std::string report;   // what the child's body returned
};

// Runs body in a forked child under the limits. The child reports through a pipe; gtest's
// checks belong in the parent. A server the body needs is started inside it: threads of the
// parent don't live on in the child.
ChildResult InChild(const Limits& limits, const std::function<std::string()>& body) {
  int channel[2];
  if (::pipe(channel) != 0) return {};
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(channel[0]);
    if (limits.obeyPermissions && ::geteuid() == 0) {
      __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
      __user_cap_data_struct none[2] = {};
      if (::syscall(SYS_capset, &header, none) != 0) ::_exit(3);
    }
    if (limits.fileSize != RLIM_INFINITY) {
      std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
      const rlimit limit{limits.fileSize, limits.fileSize};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
    }
    const std::string report = body();
    for (std::size_t done = 0; done < report.size();) {
      const ssize_t n = ::write(channel[1], report.data() + done, report.size() - done);
      if (n <= 0) ::_exit(4);
      done += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(channel[1]);
  ChildResult result;
  char buffer[4096];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;) {
    result.report.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(channel[0]);
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid) {
    result.exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  return result;
}

// An FTP server on 127.0.0.1 for one session, in a thread: logs in anyone, serves one file over
// an active-mode data connection, and ends the transfer as the test says.
class DroppingFtpServer {
 public:
  enum class Ending {
    kWhole,             // the whole file, "226"
    kAborted,           // half of it, the data connection closed, "426"
    kShortButComplete,  // half of it, the data connection closed, "226" all the same
    kControlLost,       // half of it, then both connections closed without a reply
    kNoSuchFile,        // "550" to RETR
    kForged,       // someone on 127.0.0.2 connects to the announced port first, then the server
    kTrickle,      // two bytes, a pause, two bytes ... until the client gives up
    kHuge,         // the file at hugePath, its size announced
    kHugeUnsized,  // the file at hugePath, its size not announced
  };

  DroppingFtpServer(std::string file, Ending ending, std::string hugePath = {})
      : m_file(std::move(file)), m_ending(ending), m_hugePath(std::move(hugePath)) {}

  int port() const { return m_server.port(); }
  std::vector<std::string> Commands() const {
    std::lock_guard lock(m_mutex);
    return m_commands;
  }

 private:
  static void Send(int fd, const std::string& bytes) {
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }

  void Serve(int fd) {
    Send(fd, "220 test server\r\n");
    std::string buffer;
    for (;;) {
      const std::size_t end = m_server.ReadUntil(fd, buffer, "\r\n");
      if (end == std::string::npos) return;
      const std::string line = buffer.substr(0, end);
      buffer.erase(0, end + 2);
      {
        std::lock_guard lock(m_mutex);
        m_commands.push_back(line);
      }
      const std::string verb = line.substr(0, line.find(' '));
      if (const std::string reply = testsupport::SignInReply(verb); !reply.empty()) {
        Send(fd, reply);
      } else if (verb == "SIZE") {
        if (m_ending == Ending::kHugeUnsized) {
          Send(fd, "502 not implemented\r\n");
        } else {
          std::error_code error;
          const auto size =
              m_ending == Ending::kHuge ? fs::file_size(m_hugePath, error) : m_file.size();
          Send(fd, "213 " + std::to_string(size) + "\r\n");
        }
      } else if (verb == "PORT") {
        Send(fd, testsupport::ParsePortCommand(line, m_dataAddress) ? "200 PORT OK\r\n"
                                                                    : "501 bad address\r\n");
      } else if (verb == "RETR") {
        if (m_ending == Ending::kNoSuchFile) {
          Send(fd, "550 no such file\r\n");
          continue;
        }
        const bool huge = m_ending == Ending::kHuge || m_ending == Ending::kHugeUnsized;
        Send(fd, huge ? std::string("150 Opening BINARY mode data connection\r\n")
                      : "150 Opening BINARY mode data connection (" +
                            std::to_string(m_file.size()) + " bytes)\r\n");
        if (m_ending == Ending::kForged) Forge();
        const int data = testsupport::ConnectData(m_dataAddress);
        if (data < 0) return;
        if (m_ending == Ending::kTrickle || m_ending == Ending::kHuge ||
            m_ending == Ending::kHugeUnsized) {
          Stream(data);
          ::close(data);
          return;
        }
        const bool whole = m_ending == Ending::kWhole || m_ending == Ending::kForged;
        Send(data, whole ? m_file : m_file.substr(0, m_file.size() / 2));
        ::close(data);
        if (m_ending == Ending::kControlLost) return;
        Send(fd, m_ending == Ending::kAborted ? "426 connection closed, transfer aborted\r\n"
                                              : "226 transfer complete\r\n");
      } else if (verb == "QUIT") {
        Send(fd, "221 bye\r\n");
        return;
      } else {
        Send(fd, "502 not implemented\r\n");
      }
    }
  }

  // A list of someone else's, sent from another address to the port the client announced.
  void Forge() const {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7f000002);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) == 0 &&
        ::connect(fd, reinterpret_cast<const sockaddr*>(&m_dataAddress), sizeof m_dataAddress) ==
            0) {
      Send(fd, "Favorites\r\n\tkeep\x01http://evil.example/phish\r\n");
    }
    ::close(fd);
  }

  // Until the client stops reading or the test ends.
  void Stream(int data) const {
    if (m_ending == Ending::kTrickle) {
      for (std::size_t at = 0; !m_server.Stopping(); at = (at + 2) % m_file.size()) {
        if (::send(data, m_file.data() + at, 2, MSG_NOSIGNAL) <= 0) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      return;
    }
    std::FILE* file = std::fopen(m_hugePath.c_str(), "rb");
    if (!file) return;
    static char chunk[1 << 16];
    for (std::size_t n;
         !m_server.Stopping() && (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
      if (::send(data, chunk, n, MSG_NOSIGNAL) <= 0) break;
    }
    std::fclose(file);
  }

  std::string m_file;
  Ending m_ending;
  std::string m_hugePath;
  sockaddr_in m_dataAddress{};
  mutable std::mutex m_mutex;
  std::vector<std::string> m_commands;
  testsupport::LoopbackServer m_server{[this](int fd) { Serve(fd); }};  // last: stops first
};

// The status log of the download of Pop3Dialogue when the copy can't be stored.
constexpr const char* kPop3Log =
    "+OK POP3 ready\r\n+OK\r\n+OK logged in\r\nSubject: hello\r\nDate: Mon, 1 Jan 2024\r\n"
    "Subject: favorites\r\nDate: Tue, 2 Jan 2024\r\nfavorites-server.txt can't be written\r\n"
    "+OK bye\r\n";

const std::string kEarlier = "Favorites\r\n\tthe earlier copy\x01http://earlier/\r\n";

// A list of about a kilobyte, so that a size limit can cut it.
std::string NewList() {
  std::string list = "Favorites\r\n\tNews\r\n";
  for (int i = 0; i < 20; ++i) {
    list += "\t\tPaper " + std::to_string(i) + "\x01http://paper.example/" + std::string(20, 'p') +
            "/" + std::to_string(i) + "\r\n";
  }
  return list;
}

std::string LastLine(const std::string& status) {
  if (status.size() < 2) return status;
  const std::size_t start = status.rfind("\r\n", status.size() - 3);
  return start == std::string::npos ? status : status.substr(start + 2);
}

constexpr const char* kLocalFile = "favorites-local.txt";
constexpr const char* kServerFile = "favorites-server.txt";

// One machine: its own home with a Favorites folder, its own state folder, its own settings.
class FaultInjection : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteShortcut(m_fav + "/a.url", "http://a/");
    WriteShortcut(m_fav + "/A/x.url", "http://x/");
    WriteSetting(keys::kUser, "alice");
    WriteSetting(keys::kPass, "s3cret");
    WriteSetting(keys::kSmtp, "127.0.0.1");
    WriteSetting(keys::kPop3, "127.0.0.1");
    WriteSetting(keys::kFtp, "127.0.0.1");
    m_session.Network().connectLimit = std::chrono::milliseconds(2000);
    m_session.Network().replyLimit = std::chrono::milliseconds(2000);
  }
  void TearDown() override {
    for (const std::string& folder : {m_fav, m_fav + "/A", m_program.path()}) {
      ::chmod(folder.c_str(), 0755);
    }
  }
  // The state folder holds nothing but the named files: no half-written temporary is left.
  void ExpectOnly(const std::set<std::string>& names) { EXPECT_EQ(Names(m_program.path()), names); }
  std::string File(const std::string& name) const { return m_program / name; }
  // The transfer engine of one command by the given way. The settings are not written here: a
  // child that can't write would leave the settings file cut short.
  FavoritesTransfer Engine(int method) {
    TransferSettings settings = ReadTransferSettings();
    settings.method = method;
    return FavoritesTransfer(m_owner, settings, {File(kLocalFile), File(kServerFile)},
                             m_session.Network());
  }
  // Synchronize as the command runs it, the server copy read from its file first.
  std::string Synchronize() {
    commands::RefreshLocal(m_session);
    m_session.Manager().LoadServerCopy(File(kServerFile));
    const commands::Outcome outcome = commands::Synchronize(m_session);
    if (outcome == commands::Outcome::kDone) return "done";
    return "failed:" + (m_owner.told.empty() ? m_owner.status : m_owner.told.back().text);
  }

  testsupport::TempHome m_home;
  std::string m_fav = m_home.favorites();
  testsupport::TempDir m_program;
  testsupport::RecordingOwner m_owner;
  Session m_session{m_owner, Places(m_program.path(), m_fav)};
};

// The POP3 dialogue of a good download: two messages, the second one the favorites message.
Script Pop3Dialogue(const std::string& list) {
  return {
      {"", "+OK POP3 ready\r\n"},
      {"capa\r\n", "+OK\r\nUSER\r\nTOP\r\n.\r\n"},
      {"user alice\r\n", "+OK\r\n"},
      {"pass s3cret\r\n", "+OK logged in\r\n"},
      {"stat\r\n", "+OK 2 900\r\n"},
      {"top 1 0\r\n", "+OK\r\nSubject: hello\r\nDate: Mon, 1 Jan 2024\r\n\r\n.\r\n"},
      {"top 2 0\r\n", "+OK\r\nSubject: favorites\r\nDate: Tue, 2 Jan 2024\r\n\r\n.\r\n"},
      {"retr 2\r\n", "+OK 120 octets\r\n" + FavoritesTransfer::BuildMessage(list)},
      {"quit\r\n", "+OK bye\r\n"},
  };
}

Script SmtpDialogue(const std::string& list) {
  return {
      {"", "220 mail.example ESMTP\r\n"},
      {"ehlo pelgo\r\n", "250-mail.example\r\n250 AUTH LOGIN\r\n"},
      {"helo pelgo\r\n", "250 mail.example\r\n"},
      {"auth login\r\n", "334 VXNlcm5hbWU6\r\n"},
      {"YWxpY2U=\r\n", "334 UGFzc3dvcmQ6\r\n"},
      {"czNjcmV0\r\n", "235 2.7.0 Authentication successful\r\n"},
      {"mail from: <alice@0.0.1>\r\n", "250 OK\r\n"},
      {"rcpt to: <alice@0.0.1>\r\n", "250 OK\r\n"},
      {"data\r\n", "354 End data with <CR><LF>.<CR><LF>\r\n"},
      {FavoritesTransfer::BuildMessage(list), "250 OK queued\r\n"},
      {"quit\r\n", "221 Bye\r\n"},
  };
}

std::size_t ReplyBytes(const Script& script) {
  std::size_t total = 0;
  for (const auto& step : script) total += step.reply.size();
  return total;
}

// The dialogue as a server that hangs up once it has sent `bytes` bytes of its replies (after
// reading the command whose reply it cuts). All of them: the whole dialogue.
Script CutAfter(const Script& whole, std::size_t bytes) {
  Script cut;
  for (const auto& step : whole) {
    cut.push_back(step);
    if (bytes < step.reply.size()) {
      cut.back().reply.resize(bytes);
      cut.back().after = After::kClose;
      return cut;
    }
    bytes -= step.reply.size();
  }
  return cut;
}

}  // namespace

// Folders the program can't write into: the synchronisation and the list files change nothing
// and leave no temporary behind; a download that can't store its copy says so.
TEST_F(FaultInjection, ReadOnlyFolders) {
  const std::string serverList =
      "Server\r\n\tNew\r\n\t\tn\x01http://n/\r\n\tA\r\n\t\ty\x01http://y/\r\n\ta\x01http://changed/"
      "\r\n\tb\x01http://b/\r\n";
  const struct {
    const char* name;
    std::vector<std::string> readOnly;  // relative to the home folder; "." is the program folder
    std::function<std::string()> action;
    const char* report;
    std::string status;
  } cases[] = {
      {"Favorites folder: Synchronise writes nothing and reloads the server copy",
       {"Favorites", "Favorites/A"},
       [this] {
         const std::string outcome = Synchronize();
         const FavoriteNode* root = m_session.Manager().ServerTree().Root();
         return outcome + " " + std::string(root ? root->text : "no server copy");
       },
       "done Server",
       ""},
      {"state folder: Synchronise still writes the Favorites folder",
       {"."},
       [this] { return Synchronize(); },
       "done",
       ""},
      {"state folder: PrepareUpload leaves the earlier local list",
       {"."},
       [this] {
         commands::RefreshLocal(m_session);
         const FavoritesManager& m = m_session.Manager();
         return std::to_string(m.PrepareUpload(File(kLocalFile))) + " " +
                std::to_string(SaveText(m.LocalTree(), File("x.txt")));
       },
       "1 1",
       ""},
      {"state folder: a mail download can't store the copy and says so",
       {"."},
       [this] {
         testsupport::ScriptedServer pop3(Pop3Dialogue(NewList()));
         m_session.Network().pop3Port = pop3.port();
         return std::to_string(Engine(0).Download(DownloadMode::kRetrieve));
       },
       "-1",
       kPop3Log},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(File(kLocalFile), kEarlier);
    WriteFile(File(kServerFile), serverList);
    const auto favoritesBefore = Snapshot(m_fav);
    const auto programBefore = Snapshot(m_program.path());
    for (const std::string& folder : c.readOnly) {
      ::chmod((folder == "." ? m_program.path() : m_home / folder).c_str(), 0555);
    }
    m_owner.status.clear();
    const ChildResult child = InChild({.obeyPermissions = true}, [&] {
      // Proof that the folders really are closed to this process.
      const std::string probe = (c.readOnly[0] == "." ? m_program.path() : m_fav) + "/probe";
      if (::mkdir(probe.c_str(), 0755) == 0) return std::string("still writable");
      return c.action() + "|" + m_owner.status;
    });
    EXPECT_TRUE(child.exited);
    const std::string expected = std::string(c.report) + "|";
    EXPECT_EQ(child.report.substr(0, expected.size()), expected) << child.report;
    if (!c.status.empty()) {
      EXPECT_EQ(child.report.substr(expected.size()), c.status);
    }
    EXPECT_EQ(Snapshot(m_program.path()), programBefore);
    if (c.readOnly[0] != ".") {
      EXPECT_EQ(Snapshot(m_fav), favoritesBefore);
    }
    for (const std::string& folder : c.readOnly) {
      ::chmod((folder == "." ? m_program.path() : m_home / folder).c_str(), 0755);
    }
  }
  // With the program folder read-only the Favorites folder was written as usual.
  EXPECT_EQ(ReadFile(m_fav + "/New/n.url"), "[InternetShortcut]\r\nURL=http://n/\r\n");
}

// What the scan can't read is left out, counted and said in one status line; the rest is read.
TEST_F(FaultInjection, TheScanSaysWhatItCouldNotRead) {
  WriteShortcut(m_fav + "/Locked/x.url", "http://x/");
  WriteShortcut(m_fav + "/secret.url", "http://secret/");
  WriteFile(m_fav + "/huge.url", "[InternetShortcut]\r\nURL=http://huge/\r\n");
  std::filesystem::resize_file(m_fav + "/huge.url", 17 * 1024 * 1024);
  ::chmod((m_fav + "/Locked").c_str(), 0);
  ::chmod((m_fav + "/secret.url").c_str(), 0);
  const ChildResult child = InChild({.obeyPermissions = true}, [&] {
    commands::RefreshLocal(m_session);
    return commands::TreeLines(m_session.Manager().LocalTree()) + "|" + m_owner.status;
  });
  ::chmod((m_fav + "/Locked").c_str(), 0755);
  EXPECT_TRUE(child.exited);
  EXPECT_EQ(
      child.report,
      "A\nA/x\thttp://x/\na\thttp://a/\nLocked\n|Left out of the local favorites: 1 folder "
      "that can't be read, 1 file that can't be read, 1 file too large to be a shortcut. They "
      "stay as they are in the Favorites folder; fix or rename them there to take them "
      "in.\r\n");
}

// A disk that fills up: every file write past 300 bytes fails. No list file is left truncated;
// shortcuts that don't fit are not written, those that do are.
TEST_F(FaultInjection, DiskFull) {
  const std::string list = NewList();
  ASSERT_GT(list.size(), 600u);
  const std::string longUrl = "http://long.example/" + std::string(400, 'u');
  const struct {
    const char* name;
    std::function<std::string()> action;
    std::string report;
  } cases[] = {
      {"a list into a file",
       [this] {
         FavoritesTree tree;
         LoadText(tree, NewList());
         return std::to_string(SaveText(tree, File(kLocalFile)));
       },
       "1"},
      {"PrepareUpload",
       [this] {
         LoadText(m_session.Manager().LocalTree(), NewList());
         return std::to_string(m_session.Manager().PrepareUpload(File(kLocalFile)));
       },
       "1"},
      {"mail download",
       [&] {
         testsupport::ScriptedServer pop3(Pop3Dialogue(list));
         m_session.Network().pop3Port = pop3.port();
         return std::to_string(Engine(0).Download(DownloadMode::kRetrieve)) + " " + m_owner.status;
       },
       "-1 " + std::string(kPop3Log)},
      {"FTP download",
       [&] {
         DroppingFtpServer ftp(list, DroppingFtpServer::Ending::kWhole);
         m_session.Network().ftpPort = ftp.port();
         return std::to_string(Engine(1).Download(DownloadMode::kRetrieve)) + " " + m_owner.status;
       },
       "-1 Download from ftp server failed\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(File(kLocalFile), kEarlier);
    WriteFile(File(kServerFile), kEarlier);
    m_owner.status.clear();
    const ChildResult child = InChild({.fileSize = 300}, [&] { return c.action(); });
    EXPECT_TRUE(child.exited);
    EXPECT_EQ(child.report, c.report);
    EXPECT_EQ(ReadFile(File(kLocalFile)), kEarlier);
    EXPECT_EQ(ReadFile(File(kServerFile)), kEarlier);
    ExpectOnly({kLocalFile, kServerFile});
  }

  // The synchronisation: a changed URL too long to store leaves the user's shortcut whole.
  WriteFile(File(kServerFile), "S\r\n\ta\x01" + longUrl + "\r\n\tNew\r\n\t\tlong\x01" + longUrl +
                                   "\r\n\t\tshort\x01http://s/\r\n");
  const auto before = Snapshot(m_fav);
  const ChildResult child = InChild({.fileSize = 300}, [&] { return Synchronize(); });
  EXPECT_TRUE(child.exited);
  EXPECT_EQ(child.report, "done");
  auto expected = before;
  expected["New"] = "dir";
  expected["New/short.url"] = "file:[InternetShortcut]\r\nURL=http://s/\r\n";
  EXPECT_EQ(Snapshot(m_fav), expected);
}

// A mail server that hangs up after each possible number of bytes of a whole dialogue: the
// transfer fails with "connection lost" (the greeting or EHLO cut: no dialogue at all), the server
// copy is the earlier one until the retrieval came whole and the new one from then on.
TEST_F(FaultInjection, MailServerHangsUpAfterAnyByte) {
  const std::string list = "Favorites\r\n\tNews\r\n\t\tPaper\x01http://paper.example/\r\n";
  const Script pop3 = Pop3Dialogue(list);
  const std::size_t pop3Total = ReplyBytes(pop3);
  const std::size_t retrievalEnd = pop3Total - pop3.back().reply.size();
  for (std::size_t cut = 0; cut <= pop3Total; ++cut) {
    SCOPED_TRACE("POP3 cut after " + std::to_string(cut) + " bytes");
    WriteFile(File(kServerFile), kEarlier);
    testsupport::ScriptedServer server(CutAfter(pop3, cut));
    m_session.Network().pop3Port = server.port();
    const int result = Engine(0).Download(DownloadMode::kRetrieve);
    EXPECT_EQ(result, cut == pop3Total ? 0 : -1);
    EXPECT_EQ(LastLine(m_owner.status), cut == pop3Total ? "+OK bye\r\n" : "connection lost\r\n");
    EXPECT_EQ(ReadFile(File(kServerFile)), cut >= retrievalEnd ? list : kEarlier);
    ExpectOnly({kServerFile});
  }

  WriteFile(File(kLocalFile), list);
  const Script smtp = SmtpDialogue(list);
  const std::size_t smtpTotal = ReplyBytes(smtp);
  for (std::size_t cut = 0; cut <= smtpTotal; ++cut) {
    SCOPED_TRACE("SMTP cut after " + std::to_string(cut) + " bytes");
    testsupport::ScriptedServer server(CutAfter(smtp, cut));
    m_session.Network().smtpPort = server.port();
    const int result = Engine(0).Upload();
    // Until the greeting and the reply to EHLO are in, there is no dialogue yet.
    const std::size_t opened = smtp[0].reply.size() + smtp[1].reply.size();
    EXPECT_EQ(result, cut == smtpTotal ? 0 : cut < opened ? -2 : -1);
    EXPECT_EQ(LastLine(m_owner.status), cut == smtpTotal ? "221 Bye\r\n" : "connection lost\r\n");
  }
  EXPECT_EQ(ReadFile(File(kLocalFile)), list);
}

// An FTP download that doesn't come whole leaves the earlier server copy and says it failed.
TEST_F(FaultInjection, FtpDownloadCutShort) {
  using Ending = DroppingFtpServer::Ending;
  const std::string list = NewList();
  const struct {
    const char* name;
    Ending ending;
    const char* status;
  } cases[] = {
      {"whole", Ending::kWhole, "Download from ftp server successfully\r\n"},
      {"data connection dropped, 426", Ending::kAborted, "Download from ftp server failed\r\n"},
      {"data connection dropped, 226 all the same", Ending::kShortButComplete,
       "Download from ftp server failed\r\n"},
      {"both connections dropped", Ending::kControlLost, "Download from ftp server failed\r\n"},
      {"no such file", Ending::kNoSuchFile, "Download from ftp server failed\r\n"},
      {"a forged data connection from 127.0.0.2", Ending::kForged,
       "a data connection came from another address than the server's and was refused\r\n"
       "Download from ftp server failed\r\n"},
      {"a data connection that trickles", Ending::kTrickle,
       "transfer stopped at its time limit of 2 s\r\nDownload from ftp server failed\r\n"},
      {"a 2 GiB file", Ending::kHuge,
       "server copy larger than 64 MiB: refused\r\nDownload from ftp server failed\r\n"},
      {"a 2 GiB file of no announced size", Ending::kHugeUnsized,
       "server copy larger than 64 MiB: refused\r\nDownload from ftp server failed\r\n"},
  };
  // Sparse: the disk is not filled.
  const std::string huge = m_program / "huge.txt";
  WriteFile(huge, "");
  fs::resize_file(huge, std::uintmax_t{2} << 30);
  m_session.Network().totalLimit = std::chrono::seconds(2);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(File(kServerFile), kEarlier);
    m_owner.status.clear();
    DroppingFtpServer server(list, c.ending, huge);
    m_session.Network().ftpPort = server.port();
    EXPECT_EQ(Engine(1).Download(DownloadMode::kRetrieve), c.ending == Ending::kWhole        ? 0
                                                           : c.ending == Ending::kNoSuchFile ? 1
                                                                                             : -1);
    EXPECT_EQ(m_owner.status, c.status);
    EXPECT_EQ(ReadFile(File(kServerFile)), c.ending == Ending::kWhole ? list : kEarlier);
    ExpectOnly({kServerFile, "huge.txt"});
    const auto commands = server.Commands();
    // A file announced too large is not even asked for.
    EXPECT_EQ(std::find(commands.begin(), commands.end(), "RETR favorites.txt") != commands.end(),
              c.ending != Ending::kHuge);
  }
}
