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

#include "FakeTreeView.h"
#include "FavoritesManager.h"
#include "FtpError.h"
#include "LoopbackPort.h"
#include "SettingsStore.h"
#include "TempDir.h"
#include "TreeViewOps.h"

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

// One machine: its own home (settings, Favorites folder) and program folder, entered for the
// life of the object.
class Machine {
 public:
  explicit Machine(int saveMethod) {
    m_oldDir = fs::current_path();
    fs::create_directories(m_home.favorites());
    fs::current_path(m_work.path());
    platform::WriteSettingInt("Save method", saveMethod);
    platform::WriteSettingString("user", kUser);
    platform::WriteSettingString("pass", kPass);
    for (const char* host : {"smtp", "pop3", "ftp"})
      platform::WriteSettingString(host, "127.0.0.1");
    manager.emplace();
    manager->SetOwner(&owner);
    manager->transfer.SetOwner(&owner);
    auto& network = manager->transfer.network;
    network.smtpPort = g_servers->smtp;
    network.pop3Port = g_servers->pop3;
    network.ftpPort = g_servers->ftp;
    network.replyLimit = std::chrono::seconds(20);
  }
  ~Machine() {
    manager.reset();
    fs::current_path(m_oldDir);
  }

  // The Upload command: the old message is deleted first, then the checked tree is sent.
  int UploadCommand() {
    manager->ScanLocal();
    ShowTree(owner.local, manager->localTree.Root(), nullptr);
    if (manager->transfer.CheckUploadSize() != 0) return -1;
    manager->transfer.socket.m_bDelete = 1;
    manager->transfer.Download();
    manager->transfer.socket.m_bDelete = 0;
    manager->PrepareUpload();
    return manager->transfer.Upload();
  }
  // Download, then Synchronize with every server item checked.
  void DownloadAndSynchronise() {
    ASSERT_EQ(manager->transfer.Download(), 0) << owner.status;
    ASSERT_EQ(manager->LoadServerCopy(), 0);
    ShowTree(owner.server, manager->serverTree.Root(), nullptr);
    manager->ScanLocal();
    manager->Synchronise();
  }
  std::string ProgramFile(const std::string& name) const { return ReadFile(m_work / name); }
  std::string Favorites(const std::string& relative) const {
    return m_home.favorites() + "/" + relative;
  }
  // The favorites list of what is on disk now.
  std::string ScanText() {
    manager->ScanLocal();
    return manager->localTree.BuildText();
  }

  testsupport::FakeOwner owner;
  std::optional<FavoritesManager> manager;

 private:
  testsupport::TempHome m_home;
  testsupport::TempDir m_work;
  fs::path m_oldDir;
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
  const std::string sent = a.ProgramFile("favorites-local.txt");
  ASSERT_FALSE(sent.empty());
  EXPECT_NE(sent.find('\x01'), std::string::npos);
  EXPECT_NE(sent.find('\xff'), std::string::npos);
  EXPECT_EQ(b.ProgramFile("favorites-server.txt"), sent) << "byte for byte";
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
    EXPECT_EQ(a.UploadCommand(), 0) << a.owner.status;
    EXPECT_EQ(a.owner.status.substr(0, 4), "220 ");
    EXPECT_NE(a.owner.status.find("235 "), std::string::npos) << a.owner.status;
    EXPECT_NE(a.owner.status.find("\r\n221 "), std::string::npos) << a.owner.status;

    // A second upload replaces the message: the delete step finds and removes the first one.
    FillFavorites(a);
    testsupport::WriteShortcut(a.Favorites("Added later.url"), "http://later.example/");
    EXPECT_EQ(a.UploadCommand(), 0);
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
    platform::WriteSettingString("pass", "wrong");
    EXPECT_EQ(c.manager->transfer.Download(), 1);
    EXPECT_NE(c.owner.status.find("-ERR [AUTH] Authentication failed."), std::string::npos)
        << c.owner.status;
  }
}

TEST_F(TransferEndToEnd, LargestListByMail) {
  const std::string list = ListOfSize(FavoritesTransfer::kMaxMailList);
  ASSERT_EQ(list.size(), 65530u);
  Machine a(0);
  a.manager->transfer.socket.m_bDelete = 1;
  a.manager->transfer.Download();
  a.manager->transfer.socket.m_bDelete = 0;
  WriteFile("favorites-local.txt", list);
  ASSERT_EQ(a.manager->transfer.Upload(), 0) << a.owner.status;
  Machine b(0);
  ASSERT_EQ(b.manager->transfer.Download(), 0) << b.owner.status;
  EXPECT_EQ(b.ProgramFile("favorites-server.txt"), list);
}

TEST_F(TransferEndToEnd, ByTheUsersFtpServer) {
  Machine a(1);
  FillFavorites(a);
  EXPECT_EQ(a.UploadCommand(), 0);
  EXPECT_NE(a.owner.status.find("Upload to ftp server successfully\r\n"), std::string::npos)
      << a.owner.status;
  EXPECT_EQ(ReadFile(g_servers->dir / "ftp/alice/favorites.txt"),
            a.ProgramFile("favorites-local.txt"));
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
  WriteFile("favorites-local.txt", list);
  ASSERT_EQ(a.manager->transfer.Upload(), 0);
  EXPECT_EQ(a.owner.status, "Upload to ftp server successfully\r\n");
  Machine b(1);
  ASSERT_EQ(b.manager->transfer.Download(), 0);
  EXPECT_EQ(b.owner.status, "Download from ftp server successfully\r\n");
  EXPECT_TRUE(b.ProgramFile("favorites-server.txt") == list);
}

TEST_F(TransferEndToEnd, ByTheTestAccount) {
  Machine a(2);
  FillFavorites(a);
  EXPECT_EQ(a.UploadCommand(), 0);
  EXPECT_EQ(
      ReadFile(g_servers->dir / ("ftp/" QUILLMERE_TEST_USER "/Quillmere/favoritesalices3cret.txt")),
      a.ProgramFile("favorites-local.txt"));
  Machine b(2);
  b.DownloadAndSynchronise();
  ExpectSameFavorites(a, b);

  // Another user of the test account has a file of their own, and none yet.
  Machine c(2);
  platform::WriteSettingString("user", "bob");
  WriteFile("favorites-server.txt", "earlier\r\n");
  EXPECT_EQ(c.manager->transfer.Download(), 0);
  EXPECT_EQ(c.owner.status, "Download from ftp server failed\r\n");
  EXPECT_EQ(c.ProgramFile("favorites-server.txt"), "earlier\r\n");
}

TEST_F(TransferEndToEnd, WrongFtpPasswordRaises) {
  Machine a(1);
  platform::WriteSettingString("pass", "wrong");
  try {
    a.manager->transfer.Download();
    ADD_FAILURE() << "no error raised";
  } catch (const platform::FtpError& error) {
    EXPECT_STRNE(error.what(), "");
  }
  EXPECT_EQ(a.owner.status, "");
}

}  // namespace
