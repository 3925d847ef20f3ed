// The favorites travel from machine A through real servers on loopback to machine B, by each of
// the three ways and through each server's secure and plain doors: Postfix (TLS offered, STARTTLS
// required, TLS from the first byte) with Dovecot's SASL, Dovecot's POP3 with Debian's defaults
// (STLS and TLS, seen from another host, where a plain-text login is refused), vsftpd (TLS
// offered, TLS required, active mode refused) and pyftpdlib for the test account. The servers are
// started and stopped by scripts/test-servers.sh, once per test program; their self-signed
// certificate is trusted through the engine's seam, not through the system's store.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <optional>

#include "commands/CommandSupport.h"
#include "commands/Commands.h"
#include "commands/Settings.h"
#include "commands/TreePaths.h"
#include "model/FavoritesList.h"
#include "tests/support/LoopbackPort.h"
#include "tests/support/RecordingOwner.h"
#include "tests/support/TempDir.h"
#include "transfer/FavoritesTransfer.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::WriteFile;

const std::string kScript = std::string(QUILLMERE_SCRIPTS) + "/test-servers.sh";
const char* const kUser = "alice";
const char* const kPass = "s3cret";

const char* const kFtpUser = "quillmere-ftp";  // the system account vsftpd serves

// The servers, for the life of the test program.
struct Servers {
  testsupport::TempDir dir;
  int testFtp = testsupport::UnusedLoopbackPort(), ftpTls = testsupport::UnusedLoopbackPort(),
      ftpTlsOnly = testsupport::UnusedLoopbackPort(), ftpNoPort = testsupport::UnusedLoopbackPort(),
      smtp = testsupport::UnusedLoopbackPort(), submission = testsupport::UnusedLoopbackPort(),
      smtps = testsupport::UnusedLoopbackPort(), pop3 = testsupport::UnusedLoopbackPort(),
      pop3s = testsupport::UnusedLoopbackPort();
  int status = -1;

  Servers() {
    ::setenv("QUILLMERE_SERVERS_OWNER", std::to_string(::getpid()).c_str(), 1);
    std::string command = "bash '" + kScript + "' start '" + dir.path() + "' " + kUser + " " +
                          kPass + " " + QUILLMERE_TEST_USER + " " + QUILLMERE_TEST_PASS;
    for (int port :
         {testFtp, ftpTls, ftpTlsOnly, ftpNoPort, smtp, submission, smtps, pop3, pop3s}) {
      command += " " + std::to_string(port);
    }
    const int raw = std::system(command.c_str());
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  ~Servers() { std::system(("bash '" + kScript + "' stop '" + dir.path() + "'").c_str()); }
  std::string Log(const std::string& name) const { return ReadFile(dir / ("log/" + name)); }
  std::string Certificate() const { return dir / "tls/cert.pem"; }
};

// Where one machine's mail or FTP goes.
struct Route {
  const char* name;
  int method;
  std::string smtp, pop3, ftp;
};

Servers* g_servers = nullptr;

// One machine: its own home (settings, Favorites folder) and state folder. Its commands run
// through the command layer, as the window runs them; the settings store is the process's, so
// each machine writes its settings again before a command (Use).
class Machine {
 public:
  explicit Machine(int saveMethod) : m_method(saveMethod) {
    fs::create_directories(Favorites(""));
    // By name: the mail domain is the host's, and Postfix takes mail for "localhost".
    m_smtp = "localhost:" + std::to_string(g_servers->submission);
    m_pop3 = "127.0.0.2:" + std::to_string(g_servers->pop3);
    m_ftp = "127.0.0.1:" + std::to_string(g_servers->ftpTls);
    if (saveMethod == 1) m_user = kFtpUser;
    Use();
    TransferNetwork& network = session.Network();
    network.ftpPort = g_servers->testFtp;  // the test account's host names no port
    network.smtpTlsPort = g_servers->smtps;
    network.submissionPort = g_servers->submission;
    network.pop3TlsPort = g_servers->pop3s;
    network.tlsCaFile = g_servers->Certificate();
    network.replyLimit = std::chrono::seconds(20);
  }
  explicit Machine(const Route& route) : Machine(route.method) {
    if (!route.smtp.empty()) m_smtp = route.smtp;
    if (!route.pop3.empty()) m_pop3 = route.pop3;
    if (!route.ftp.empty()) m_ftp = route.ftp;
    Use();
  }

  // Points the process's settings store and home at this machine.
  void Use() {
    ::setenv("HOME", m_home.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (m_home / ".config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (m_home / ".local/share").c_str(), 1);
    WriteSetting(keys::kSaveMethod, m_method);
    WriteSetting(keys::kUser, m_user);
    WriteSetting(keys::kPass, m_pass);
    WriteSetting(keys::kSmtp, m_smtp);
    WriteSetting(keys::kPop3, m_pop3);
    WriteSetting(keys::kFtp, m_ftp);
  }
  void SetAccount(const std::string& user, const std::string& pass) {
    m_user = user;
    m_pass = pass;
    Use();
  }

  // The window's Upload command with every local item checked. A copy an earlier upload of the
  // test left on the server may be replaced: the user says Yes unless told otherwise.
  commands::Outcome UploadCommand(bool replaceAnyway = true) {
    Use();
    commands::RefreshLocal(session);
    owner.answers.clear();
    if (replaceAnyway) owner.answers.push_back(true);
    return commands::Upload(session);
  }
  // A list larger than a test could lay out as files, sent by the transfer engine alone; the old
  // message goes first, as the Upload command has it go.
  int UploadList(const std::string& list) {
    Use();
    WriteFile(session.GetPlaces().WorkingFile("favorites-local.txt"), list);
    FavoritesTransfer transfer = commands::MakeTransfer(session, ReadTransferSettings());
    if (ReadSetting(keys::kSaveMethod) == 0 && transfer.Download(DownloadMode::kDelete) < 0) {
      return -1;
    }
    return transfer.Upload();
  }
  // Download, then Synchronize with every server item checked.
  void DownloadAndSynchronise() {
    Use();
    ASSERT_EQ(commands::Download(session), commands::Outcome::kDone) << owner.status;
    commands::RefreshLocal(session);
    ASSERT_EQ(commands::Synchronize(session), commands::Outcome::kDone) << owner.status;
  }
  // Runs the real quillmere in this machine's home; its exit status, and what it printed.
  int RunCli(const std::string& arguments, std::string* output = nullptr) {
    Use();
    const std::string out = m_home / "cli.out";
    const std::string command = "env HOME='" + m_home.path() + "' XDG_CONFIG_HOME='" +
                                (m_home / ".config") + "' XDG_STATE_HOME='" +
                                (m_home / ".local/state") + "' '" QUILLMERE_CLI "' " + arguments +
                                " </dev/null >'" + out + "' 2>&1";
    const int raw = std::system(command.c_str());
    if (output) *output = ReadFile(out);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  std::string StateFile(const std::string& name) const {
    return ReadFile(session.GetPlaces().WorkingFile(name));
  }
  std::string Favorites(const std::string& relative) const {
    return m_home / ("Favorites/" + relative);
  }
  // The favorites list of what is on disk now.
  std::string ScanText() {
    FavoritesManager manager;
    manager.ScanLocal(Favorites(""));
    return BuildText(manager.LocalTree());
  }

  testsupport::RecordingOwner owner;

 private:
  testsupport::TempDir m_home;
  int m_method;
  std::string m_user = kUser, m_pass = kPass;
  std::string m_smtp, m_pop3, m_ftp;

 public:
  Session session{owner, Places(m_home / ".local/state/Quillmere", m_home / "Favorites")};
};

class TransferEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { g_servers = new Servers; }
  static void TearDownTestSuite() {
    delete g_servers;
    g_servers = nullptr;
  }
  void SetUp() override {
    if (g_servers->status == 77) GTEST_SKIP() << "a server program is not installed";
    ASSERT_EQ(g_servers->status, 0) << "the test servers did not start";
  }

  // Machine A's Favorites: a few hundred links in folders, a name with bytes above 0x7f.
  static void FillFavorites(const Machine& a) {
    for (int i = 0; i < 300; ++i) {
      testsupport::WriteShortcut(
          a.Favorites("Group " + std::to_string(i % 7) + "/Link " + std::to_string(i) + ".url"),
          "http://site" + std::to_string(i) + ".example/page?id=" + std::to_string(i * 31));
    }
    testsupport::WriteShortcut(a.Favorites("Search.url"), "https://search.example/?q=a&b=c");
    testsupport::WriteShortcut(a.Favorites("News/Paper.url"), "http://paper.example/today");
    testsupport::WriteShortcut(a.Favorites("News/Caf\xe9 \xff.url"), "http://caf\xe9.example/\xff");
    testsupport::WriteShortcut(a.Favorites("News/Deep/Deeper/Old.url"), "ftp://old.example/");
    fs::create_directories(a.Favorites("Empty folder"));
  }

  // A valid favorites list of the given size, in lines short enough for any mail server.
  static std::string ListOfSize(std::size_t size) {
    std::string list = "Favorites\r\n";
    for (int i = 0; list.size() < size; ++i) {
      std::string line = "\tLink " + std::to_string(i) + "\x01http://example.org/" +
                         std::string(60, static_cast<char>('a' + i % 26)) + "\xff\r\n";
      const std::size_t left = size - list.size();
      if (left < line.size() + 30)
        line = "\tLast\x01http://x/" + std::string(left - 17, 'z') + "\r\n";
      list += line;
    }
    return list;
  }
};

// The SHA-256 fingerprint of a certificate as openssl shows it ("AB:CD:...").
std::string Fingerprint(const std::string& certificate) {
  const std::string command = "openssl x509 -noout -fingerprint -sha256 -in '" + certificate + "'";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return {};
  char line[256] = {};
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  ::pclose(pipe);
  std::string text = read ? line : "";
  text = text.substr(text.find('=') + 1);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// Trusts the servers' certificate in the machines' settings, as a user trusts one: quillmere
// knows no test seam.
void TrustServersCertificate(std::initializer_list<Machine*> machines) {
  const std::string fingerprint = Fingerprint(g_servers->Certificate());
  for (Machine* m : machines) {
    m->Use();
    WriteSetting(keys::kTrustedCertificates,
                 "localhost=" + fingerprint + ";127.0.0.1=" + fingerprint);
  }
}

void ExpectSameFavorites(Machine& a, Machine& b) {
  const std::string sent = a.StateFile("favorites-local.txt");
  ASSERT_FALSE(sent.empty());
  EXPECT_NE(sent.find('\x01'), std::string::npos);
  EXPECT_NE(sent.find('\xff'), std::string::npos);
  EXPECT_EQ(b.StateFile("favorites-server.txt"), sent) << "byte for byte";
  // B now holds A's folders and links on disk.
  EXPECT_NE(
      ReadFile(b.Favorites("News/Caf\xe9 \xff.url")).find("URL=http://caf\xe9.example/\xff\r\n"),
      std::string::npos);
  EXPECT_TRUE(fs::is_directory(b.Favorites("News/Deep/Deeper")));
  EXPECT_TRUE(fs::is_directory(b.Favorites("Empty folder")));
  EXPECT_EQ(b.ScanText(), a.ScanText());
}

std::string Port(int port) {
  return std::to_string(port);
}

// Every server, by its secure door and its plain one: machine A uploads, machine B downloads and
// synchronises, and the list arrives byte for byte.
TEST_F(TransferEndToEnd, EveryServerCarriesTheFavorites) {
  const Servers& s = *g_servers;
  const Route routes[] = {
      {"Postfix 587 STARTTLS, Dovecot STLS seen from another host", 0,
       "localhost:" + Port(s.submission), "127.0.0.2:" + Port(s.pop3), ""},
      {"Postfix 465 TLS, Dovecot 995 TLS seen from another host", 0, "localhost:" + Port(s.smtps),
       "127.0.0.2:" + Port(s.pop3s), ""},
      {"Postfix 25 offering TLS, Dovecot on its own address", 0, "localhost:" + Port(s.smtp),
       "127.0.0.1:" + Port(s.pop3), ""},
      {"vsftpd offering TLS", 1, "", "", "127.0.0.1:" + Port(s.ftpTls)},
      {"vsftpd requiring TLS", 1, "", "", "127.0.0.1:" + Port(s.ftpTlsOnly)},
      {"vsftpd refusing active mode", 1, "", "", "127.0.0.1:" + Port(s.ftpNoPort)},
      {"the test account", 2, "", "", ""},
  };
  for (const Route& route : routes) {
    SCOPED_TRACE(route.name);
    Machine a(route);
    FillFavorites(a);
    ASSERT_EQ(a.UploadCommand(), commands::Outcome::kDone) << a.owner.status;
    Machine b(route);
    b.DownloadAndSynchronise();
    ExpectSameFavorites(a, b);
    if (route.method == 0) {
      // Dovecot offers only PLAIN: LOGIN is refused as a mechanism, and PLAIN goes through.
      EXPECT_NE(a.owner.status.find("Invalid authentication mechanism"), std::string::npos)
          << a.owner.status;
      EXPECT_NE(a.owner.status.find("\r\n235 "), std::string::npos) << a.owner.status;
      EXPECT_NE(a.owner.status.find("\r\n221 "), std::string::npos) << a.owner.status;
      EXPECT_EQ(b.owner.status.find("no subject"), std::string::npos)
          << "one favorites message and nothing else in the mailbox: " << b.owner.status;
    }
    if (route.method == 1 && route.ftp.find(Port(s.ftpNoPort)) != std::string::npos) {
      EXPECT_NE(a.owner.status.find("): trying passive mode\r\n"), std::string::npos)
          << a.owner.status;
      EXPECT_NE(a.owner.status.find("550 Permission denied."), std::string::npos) << a.owner.status;
    }
    if (route.method == 2) {
      EXPECT_EQ(ReadFile(g_servers->dir /
                         ("ftp/" QUILLMERE_TEST_USER "/Quillmere/favoritesalices3cret.txt")),
                a.StateFile("favorites-local.txt"));
      // pyftpdlib offers no TLS: active mode, as the test account always used.
      EXPECT_NE(g_servers->Log("ftp.log").find("PORT "), std::string::npos);
    }
  }
  // With TLS on, the data went in passive mode, encrypted; vsftpd says so in its log.
  EXPECT_EQ(g_servers->Log("vsftpd-tls.log").find("PORT"), std::string::npos);
  EXPECT_NE(g_servers->Log("vsftpd-tls-only.log").find("PROT P"), std::string::npos);
}

// The control that the remote view means something: a plain-text login from "another host" is
// refused by Dovecot's defaults, so the download above got through by STLS.
TEST_F(TransferEndToEnd, DovecotRefusesPlainLoginFromAnotherHost) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(g_servers->pop3));
  ::inet_pton(AF_INET, "127.0.0.2", &address.sin_addr);
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::string login = std::string("user ") + kUser + "\r\n";
  ::send(fd, login.data(), login.size(), MSG_NOSIGNAL);
  std::string replies;
  char buffer[512];
  while (replies.find("\r\n", replies.find("\r\n") + 2) == std::string::npos) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    replies.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  EXPECT_NE(replies.find("-ERR [AUTH] Plaintext authentication disallowed"), std::string::npos)
      << replies;
}

TEST_F(TransferEndToEnd, WrongPop3PasswordIsShown) {
  Machine c(0);
  c.SetAccount(kUser, "wrong");
  EXPECT_EQ(commands::Download(c.session), commands::Outcome::kFailed);
  EXPECT_NE(c.owner.status.find("-ERR [AUTH] Authentication failed."), std::string::npos)
      << c.owner.status;
}

// A certificate that no authority vouches for stops the transfer before the password goes out,
// unless the user, shown its fingerprint, trusts it; then it is trusted for that host from then on.
TEST_F(TransferEndToEnd, SelfSignedCertificateIsTrustedOnlyWhenTheUserSaysSo) {
  const Route route{"mail", 0, "localhost:" + Port(g_servers->submission),
                    "localhost:" + Port(g_servers->pop3), ""};
  Machine a(route);
  a.session.Network().tlsCaFile = "";  // the system's store, which doesn't know the servers
  FillFavorites(a);
  // Asked when the upload first reads the server copy (POP3); No: nothing is sent anywhere.
  EXPECT_EQ(a.UploadCommand(false), commands::Outcome::kFailed);
  ASSERT_EQ(a.owner.asked.size(), 1u);
  const std::string fingerprint = Fingerprint(g_servers->Certificate());
  ASSERT_EQ(fingerprint.size(), 95u);
  EXPECT_NE(a.owner.asked[0].find(fingerprint), std::string::npos) << a.owner.asked[0];
  EXPECT_NE(
      a.owner.status.find("certificate not trusted for localhost: self-signed certificate\r\n"),
      std::string::npos)
      << a.owner.status;
  EXPECT_NE(a.owner.status.find("nothing was uploaded"), std::string::npos) << a.owner.status;
  EXPECT_EQ(ReadSetting(keys::kTrustedCertificates), "");

  EXPECT_EQ(a.UploadCommand(), commands::Outcome::kDone) << a.owner.status;
  EXPECT_EQ(ReadSetting(keys::kTrustedCertificates), "localhost=" + fingerprint);
  EXPECT_EQ(a.owner.asked.size(), 2u) << "once for the host, for POP3 and SMTP alike";
  EXPECT_EQ(a.UploadCommand(), commands::Outcome::kDone) << a.owner.status;
  EXPECT_EQ(a.owner.asked.size(), 2u);

  // The same rules for FTP.
  Machine f(1);
  f.session.Network().tlsCaFile = "";
  FillFavorites(f);
  EXPECT_EQ(f.UploadCommand(false), commands::Outcome::kFailed);
  EXPECT_NE(
      f.owner.status.find("certificate not trusted for 127.0.0.1: self-signed certificate\r\n"),
      std::string::npos)
      << f.owner.status;
  EXPECT_TRUE(f.owner.told.empty());
  EXPECT_EQ(f.UploadCommand(), commands::Outcome::kDone) << f.owner.status;
}

// More than 65,530 bytes go in the new form, through Postfix and Dovecot, and come back whole.
TEST_F(TransferEndToEnd, HundredThousandFavoritesByMail) {
  std::string list = "Favorites\r\n";
  for (int i = 0; i < 100000; ++i) {
    if (i % 1000 == 0) list += "\tFolder " + std::to_string(i / 1000) + "\r\n";
    list += "\t\tLink " + std::to_string(i) + "\x01http://site" + std::to_string(i) +
            ".example/\xe9\r\n";
  }
  Machine a(0);
  ASSERT_EQ(a.UploadList(list), 0) << a.owner.status;
  Machine b(0);
  ASSERT_EQ(commands::Download(b.session), commands::Outcome::kDone) << b.owner.status;
  EXPECT_TRUE(b.StateFile("favorites-server.txt") == list) << "byte for byte";
  EXPECT_GT(b.owner.progressCalls, 0);
}

TEST_F(TransferEndToEnd, LargestListOfTheFirstFormByMail) {
  const std::string list = ListOfSize(FavoritesTransfer::kMaxMailList);
  ASSERT_EQ(list.size(), 65530u);
  Machine a(0);
  ASSERT_EQ(a.UploadList(list), 0) << a.owner.status;
  Machine b(0);
  ASSERT_EQ(commands::Download(b.session), commands::Outcome::kDone) << b.owner.status;
  EXPECT_EQ(b.StateFile("favorites-server.txt"), list);
}

TEST_F(TransferEndToEnd, TenMegabytesByFtps) {
  const std::string list = ListOfSize(10 << 20);
  Machine a(1);
  ASSERT_EQ(a.UploadList(list), 0) << a.owner.status;
  EXPECT_NE(a.owner.status.find("Upload to ftp server successfully\r\n"), std::string::npos);
  Machine b(1);
  ASSERT_EQ(commands::Download(b.session), commands::Outcome::kDone) << b.owner.status;
  EXPECT_EQ(b.owner.status, "Download from ftp server successfully\r\n");
  EXPECT_TRUE(b.StateFile("favorites-server.txt") == list);
  EXPECT_EQ(b.owner.lastProgress, static_cast<long long>(list.size()));
}

TEST_F(TransferEndToEnd, TestAccountUsersHaveFilesOfTheirOwn) {
  // None yet for bob. A failed download is a failure: the server view keeps what it showed.
  Machine c(2);
  c.SetAccount("bob", kPass);
  const std::string serverFile = c.session.GetPlaces().WorkingFile("favorites-server.txt");
  WriteFile(serverFile, "Favorites\r\n\tearlier\r\n");
  ASSERT_EQ(c.session.Manager().LoadServerCopy(serverFile), 0);
  const unsigned shown = c.session.Manager().ServerGeneration();
  EXPECT_EQ(commands::Download(c.session), commands::Outcome::kFailed);
  EXPECT_EQ(c.owner.status, "Download from ftp server failed\r\n");
  EXPECT_EQ(c.session.Manager().ServerGeneration(), shown);
  EXPECT_EQ(ReadFile(serverFile), "Favorites\r\n\tearlier\r\n");
}

TEST_F(TransferEndToEnd, WrongFtpPasswordShowsTheServersReply) {
  Machine a(1);
  a.SetAccount(kFtpUser, "wrong");
  EXPECT_EQ(commands::Download(a.session), commands::Outcome::kFailed);
  ASSERT_EQ(a.owner.told.size(), 1u);
  EXPECT_EQ(a.owner.told[0].kind, CommandOwner::Notice::kError);
  EXPECT_NE(a.owner.told[0].text.find("530 Login incorrect."), std::string::npos)
      << a.owner.told[0].text;
  EXPECT_EQ(a.owner.status, "");
}

// Two machines, by the test account and by mail: dotted folder names, an unchecked folder inside
// one the other machine lacks, and an address edited on one machine. Nothing is lost, cut or
// changed without a word, and the next upload sends what is on disk.
TEST_F(TransferEndToEnd, TwoMachinesKeepEveryNameAndAddress) {
  for (int method : {2, 0}) {
    SCOPED_TRACE(method == 0 ? "mail" : "test account");
    Machine a(method);
    testsupport::WriteShortcut(a.Favorites("Tech.News/Daily.News.url"), "http://daily.example/");
    testsupport::WriteShortcut(a.Favorites("v1.0/Notes.url"), "http://v10.example/");
    testsupport::WriteShortcut(a.Favorites("v1.5/Notes.url"), "http://v15.example/");
    testsupport::WriteShortcut(a.Favorites("Group 5/Folder 105/x.url"), "http://x.example/");
    testsupport::WriteShortcut(a.Favorites("Group 5/y.url"), "http://y.example/");
    testsupport::WriteShortcut(a.Favorites("Bank.url"), "https://new.bank.example/");
    ASSERT_EQ(a.UploadCommand(), commands::Outcome::kDone) << a.owner.status;

    Machine b(method);
    testsupport::WriteShortcut(b.Favorites("Bank.url"), "https://old.bank.example/");
    ASSERT_EQ(commands::Download(b.session), commands::Outcome::kDone) << b.owner.status;
    commands::RefreshLocal(b.session);
    ASSERT_TRUE(commands::ExcludePath(b.session.Manager().ServerTree(), "Group 5/Folder 105"));
    b.owner.status.clear();
    ASSERT_EQ(commands::Synchronize(b.session), commands::Outcome::kDone) << b.owner.status;
    EXPECT_EQ(b.owner.status,
              "Address of Bank replaced: https://old.bank.example/ -> https://new.bank.example/ "
              "(the old shortcut is in the trash)\r\n"
              "Favorites folder: 4 folders and 4 links added, 1 address replaced.\r\n");
    EXPECT_NE(ReadFile(b.Favorites("Tech.News/Daily.News.url")).find("URL=http://daily.example/"),
              std::string::npos);
    EXPECT_NE(ReadFile(b.Favorites("v1.5/Notes.url")).find("URL=http://v15.example/"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(b.Favorites("Group 5/Folder 105")));
    EXPECT_NE(ReadFile(b.Favorites("../.local/share/Trash/files/Bank.url")).find("old.bank"),
              std::string::npos);

    // B's upload sends its disk as it is: every link once, with the address it holds now.
    ASSERT_EQ(b.UploadCommand(), commands::Outcome::kDone) << b.owner.status;
    Machine c(method);
    ASSERT_EQ(commands::Download(c.session), commands::Outcome::kDone) << c.owner.status;
    const std::string copy = c.StateFile("favorites-server.txt");
    EXPECT_EQ(copy, b.ScanText());
    EXPECT_NE(copy.find("\tBank\x01https://new.bank.example/\r\n"), std::string::npos) << copy;
    EXPECT_EQ(copy.find("old.bank"), std::string::npos) << copy;
    EXPECT_NE(copy.find("\tTech.News\r\n\t\tDaily.News\x01"), std::string::npos) << copy;
  }
}

// The command line runs the same sequences: machine A uploads with quillmere, B downloads and
// synchronises with it, by mail and by FTP. It knows no test seam: the servers' certificate is
// trusted as a user trusts one, in the settings.
TEST_F(TransferEndToEnd, ThroughTheCommandLine) {
  const Servers& s = *g_servers;
  const Route routes[] = {
      {"mail", 0, "localhost:" + Port(s.smtp), "127.0.0.1:" + Port(s.pop3), ""},
      {"ftp", 1, "", "", "127.0.0.1:" + Port(s.ftpTls)},
  };
  for (const Route& route : routes) {
    SCOPED_TRACE(route.name);
    Machine a(route);
    Machine b(route);
    TrustServersCertificate({&a, &b});
    FillFavorites(a);
    std::string out;
    ASSERT_EQ(a.RunCli("upload --yes", &out), 0) << out;
    ASSERT_EQ(b.RunCli("download", &out), 0) << out;
    ASSERT_EQ(b.RunCli("synchronize --dry-run", &out), 0) << out;
    EXPECT_NE(out.find("would create link News/Paper\thttp://paper.example/today\n"),
              std::string::npos)
        << out;
    EXPECT_FALSE(fs::exists(b.Favorites("News")));
    ASSERT_EQ(b.RunCli("synchronize --exclude News", &out), 0) << out;
    EXPECT_TRUE(fs::exists(b.Favorites("Search.url")));
    EXPECT_FALSE(fs::exists(b.Favorites("News")));
    ASSERT_EQ(b.RunCli("show local", &out), 0) << out;
    EXPECT_NE(out.find("Search\thttps://search.example/?q=a&b=c\n"), std::string::npos) << out;
  }
}

// The first upload from a new, empty machine would replace the server copy with nothing: it asks
// first (No by default), and the machine downloads and synchronises instead. Then its uploads lose
// nothing and ask nothing, and every copy an upload replaced or a download fetched is kept.
TEST_F(TransferEndToEnd, AnUploadThatWouldLoseFavoritesAsksFirst) {
  for (int method : {2, 0}) {
    SCOPED_TRACE(method == 0 ? "mail" : "test account");
    Machine a(method);
    FillFavorites(a);
    ASSERT_EQ(a.UploadCommand(), commands::Outcome::kDone) << a.owner.status;
    const std::string onServer = a.StateFile("favorites-local.txt");

    Machine b(method);
    EXPECT_EQ(b.UploadCommand(false), commands::Outcome::kDeclined);
    ASSERT_EQ(b.owner.asked.size(), 1u);
    EXPECT_NE(b.owner.asked[0].find("no favorites at all. Uploading replaces the server copy, "
                                    "which holds 11 folders and 304 links, with an empty list."),
              std::string::npos)
        << b.owner.asked[0];

    // The server copy is A's, whole: B takes it and synchronises.
    b.DownloadAndSynchronise();
    EXPECT_EQ(b.StateFile("favorites-server.txt"), onServer);
    testsupport::WriteShortcut(b.Favorites("From B.url"), "http://b.example/");
    b.owner.asked.clear();
    ASSERT_EQ(b.UploadCommand(false), commands::Outcome::kDone) << b.owner.status;
    EXPECT_TRUE(b.owner.asked.empty()) << "nothing is lost: nothing to ask";

    // A's copy that B's upload replaced, and B's download, are in B's history.
    const std::vector<commands::HistoryEntry> history = commands::History(b.session);
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].origin, "replaced by an upload");
    EXPECT_EQ(history[1].origin, "downloaded");
    EXPECT_EQ(ReadFile(history[0].file), onServer);

    // A's edited address: the old one would be gone from the server, so A is asked too.
    testsupport::WriteShortcut(a.Favorites("Search.url"), "https://search.example/new");
    a.owner.asked.clear();
    ASSERT_EQ(a.UploadCommand(), commands::Outcome::kDone) << a.owner.status;
    ASSERT_EQ(a.owner.asked.size(), 1u);
    EXPECT_NE(a.owner.asked[0].find("holds 0 folders and 2 links that this upload does not"),
              std::string::npos)
        << a.owner.asked[0];
  }
}

// The command line takes the same care: without a terminal the question takes its default, No;
// history lists the copies and --restore makes one the server copy again.
TEST_F(TransferEndToEnd, TheCommandLineAsksAndKeepsTheHistory) {
  const Servers& s = *g_servers;
  const Route mail{"mail", 0, "localhost:" + Port(s.smtp), "127.0.0.1:" + Port(s.pop3), ""};
  Machine a(mail);
  Machine b(mail);
  TrustServersCertificate({&a, &b});
  FillFavorites(a);
  std::string out;
  ASSERT_EQ(a.RunCli("upload --yes", &out), 0) << out;
  const std::string onServer = a.StateFile("favorites-local.txt");
  EXPECT_EQ(b.RunCli("upload", &out), 1) << "no terminal: the default, No";
  EXPECT_NE(out.find("Upload anyway? (The replaced copy stays in the history.) no (the default"),
            std::string::npos)
      << out;
  ASSERT_EQ(b.RunCli("download", &out), 0) << out;
  ASSERT_EQ(b.RunCli("history", &out), 0) << out;
  EXPECT_NE(out.find("1\t"), std::string::npos) << out;
  EXPECT_NE(out.find("\tdownloaded\n"), std::string::npos) << out;
  WriteFile(b.session.GetPlaces().WorkingFile("favorites-server.txt"), "Favorites\r\n");
  ASSERT_EQ(b.RunCli("history --restore 1", &out), 0) << out;
  EXPECT_EQ(b.StateFile("favorites-server.txt"), onServer);
  EXPECT_EQ(b.RunCli("history --restore 9", &out), 1) << out;
}

}  // namespace
