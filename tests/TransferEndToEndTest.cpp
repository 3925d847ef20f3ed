// The favorites travel from machine A through real servers on 127.0.0.1 to machine B, by each of
// the three ways. The servers (pyftpdlib, aiosmtpd into a Maildir, Dovecot's POP3) are started and
// stopped by scripts/test-servers.sh, once per test program.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

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

// The three servers, for the life of the test program.
struct Servers {
  testsupport::TempDir dir;
  int ftp = testsupport::UnusedLoopbackPort(), smtp = testsupport::UnusedLoopbackPort(),
      pop3 = testsupport::UnusedLoopbackPort();
  int status = -1;

  Servers() {
    ::setenv("QUILLMERE_SERVERS_OWNER", std::to_string(::getpid()).c_str(), 1);
    const std::string command = "bash '" + kScript + "' start '" + dir.path() + "' " +
                                std::to_string(ftp) + " " + std::to_string(smtp) + " " +
                                std::to_string(pop3) + " " + kUser + " " + kPass + " " +
                                QUILLMERE_TEST_USER + " " + QUILLMERE_TEST_PASS;
    const int raw = std::system(command.c_str());
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  ~Servers() { std::system(("bash '" + kScript + "' stop '" + dir.path() + "'").c_str()); }
  std::string Log(const std::string& name) const { return ReadFile(dir / ("log/" + name)); }
};

Servers* g_servers = nullptr;

// One machine: its own home (settings, Favorites folder) and state folder. Its commands run
// through the command layer, as the window runs them; the settings store is the process's, so
// each machine writes its settings again before a command (Use).
class Machine {
 public:
  explicit Machine(int saveMethod) : m_method(saveMethod) {
    fs::create_directories(Favorites(""));
    Use();
    session.Network().ftpPort = g_servers->ftp;  // the test account's host names no port
    session.Network().replyLimit = std::chrono::seconds(20);
  }

  // Points the process's settings store and home at this machine.
  void Use() {
    ::setenv("HOME", m_home.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (m_home / ".config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (m_home / ".local/share").c_str(), 1);
    WriteSetting(keys::kSaveMethod, m_method);
    WriteSetting(keys::kUser, m_user);
    WriteSetting(keys::kPass, m_pass);
    WriteSetting(keys::kSmtp, "127.0.0.1:" + std::to_string(g_servers->smtp));
    WriteSetting(keys::kPop3, "127.0.0.1:" + std::to_string(g_servers->pop3));
    WriteSetting(keys::kFtp, "127.0.0.1:" + std::to_string(g_servers->ftp));
  }
  void SetAccount(const std::string& user, const std::string& pass) {
    m_user = user;
    m_pass = pass;
    Use();
  }

  // The window's Upload command with every local item checked.
  commands::Outcome UploadCommand() {
    Use();
    commands::RefreshLocal(session);
    return commands::Upload(session);
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

  // Machine A's Favorites: folders, links, a name with bytes above 0x7f.
  static void FillFavorites(const Machine& a) {
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

TEST_F(TransferEndToEnd, ByMail) {
  {
    Machine a(0);
    FillFavorites(a);
    EXPECT_EQ(a.UploadCommand(), commands::Outcome::kDone) << a.owner.status;
    EXPECT_EQ(a.owner.status.substr(0, 4), "220 ");
    EXPECT_NE(a.owner.status.find("235 "), std::string::npos) << a.owner.status;
    EXPECT_NE(a.owner.status.find("\r\n221 "), std::string::npos) << a.owner.status;

    // A second upload replaces the message: the delete step finds and removes the first one.
    FillFavorites(a);
    testsupport::WriteShortcut(a.Favorites("Added later.url"), "http://later.example/");
    EXPECT_EQ(a.UploadCommand(), commands::Outcome::kDone);
    Machine b(0);
    b.DownloadAndSynchronise();
    ExpectSameFavorites(a, b);
    EXPECT_TRUE(fs::exists(b.Favorites("Added later.url")));
    EXPECT_EQ(b.owner.status.find("no subject"), std::string::npos)
        << "one favorites message and nothing else in the mailbox: " << b.owner.status;
  }
  {
    // A wrong password: Dovecot's refusal is shown, the dialogue goes on, nothing is found.
    Machine c(0);
    c.SetAccount(kUser, "wrong");
    EXPECT_EQ(commands::Download(c.session), commands::Outcome::kFailed);
    EXPECT_NE(c.owner.status.find("-ERR [AUTH] Authentication failed."), std::string::npos)
        << c.owner.status;
  }
}

TEST_F(TransferEndToEnd, LargestListByMail) {
  const std::string list = ListOfSize(FavoritesTransfer::kMaxMailList);
  ASSERT_EQ(list.size(), 65530u);
  Machine a(0);
  // A Favorites folder whose list is exactly that long.
  FavoritesTree tree;
  LoadText(tree, list);
  commands::RefreshLocal(a.session);
  for (const FavoriteNode* n = tree.Root()->firstChild; n; n = n->nextSibling) {
    testsupport::WriteShortcut(a.Favorites(std::string(n->Name()) + ".url"), std::string(n->Url()));
  }
  ASSERT_EQ(a.ScanText().size(), list.size());
  ASSERT_EQ(a.UploadCommand(), commands::Outcome::kDone) << a.owner.status;
  Machine b(0);
  ASSERT_EQ(commands::Download(b.session), commands::Outcome::kDone) << b.owner.status;
  EXPECT_EQ(b.StateFile("favorites-server.txt"), a.ScanText());
}

TEST_F(TransferEndToEnd, ByTheUsersFtpServer) {
  Machine a(1);
  FillFavorites(a);
  EXPECT_EQ(a.UploadCommand(), commands::Outcome::kDone);
  EXPECT_NE(a.owner.status.find("Upload to ftp server successfully\r\n"), std::string::npos)
      << a.owner.status;
  EXPECT_EQ(ReadFile(g_servers->dir / "ftp/alice/favorites.txt"),
            a.StateFile("favorites-local.txt"));
  Machine b(1);
  b.DownloadAndSynchronise();
  EXPECT_NE(b.owner.status.find("Download from ftp server successfully\r\n"), std::string::npos);
  ExpectSameFavorites(a, b);
  EXPECT_NE(g_servers->Log("ftp.log").find("PORT "), std::string::npos) << "active mode";
  EXPECT_EQ(g_servers->Log("ftp.log").find("PASV"), std::string::npos);
}

TEST_F(TransferEndToEnd, TenMegabytesByFtp) {
  const std::string list = ListOfSize(10 << 20);
  Machine a(1);
  LoadText(a.session.Manager().LocalTree(), list);
  ASSERT_EQ(commands::Upload(a.session), commands::Outcome::kDone);
  EXPECT_NE(a.owner.status.find("Upload to ftp server successfully\r\n"), std::string::npos);
  Machine b(1);
  ASSERT_EQ(commands::Download(b.session), commands::Outcome::kDone);
  EXPECT_EQ(b.owner.status, "Download from ftp server successfully\r\n");
  EXPECT_TRUE(b.StateFile("favorites-server.txt") == list);
}

TEST_F(TransferEndToEnd, ByTheTestAccount) {
  Machine a(2);
  FillFavorites(a);
  EXPECT_EQ(a.UploadCommand(), commands::Outcome::kDone);
  EXPECT_EQ(
      ReadFile(g_servers->dir / ("ftp/" QUILLMERE_TEST_USER "/Quillmere/favoritesalices3cret.txt")),
      a.StateFile("favorites-local.txt"));
  Machine b(2);
  b.DownloadAndSynchronise();
  ExpectSameFavorites(a, b);

  // Another user of the test account has a file of their own, and none yet.
  Machine c(2);
  c.SetAccount("bob", kPass);
  commands::Download(c.session);
  EXPECT_EQ(c.owner.status, "Download from ftp server failed\r\n");
  EXPECT_EQ(c.StateFile("favorites-server.txt"), "");
}

TEST_F(TransferEndToEnd, WrongFtpPasswordRaises) {
  Machine a(1);
  a.SetAccount(kUser, "wrong");
  EXPECT_EQ(commands::Download(a.session), commands::Outcome::kFailed);
  ASSERT_EQ(a.owner.told.size(), 1u);
  EXPECT_EQ(a.owner.told[0].kind, CommandOwner::Notice::kError);
  EXPECT_NE(a.owner.told[0].text, "");
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
// synchronises with it, by mail and by FTP.
TEST_F(TransferEndToEnd, ThroughTheCommandLine) {
  for (int method : {0, 1}) {
    SCOPED_TRACE(method == 0 ? "mail" : "ftp");
    Machine a(method);
    FillFavorites(a);
    std::string out;
    ASSERT_EQ(a.RunCli("upload", &out), 0) << out;
    Machine b(method);
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

}  // namespace
