#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "model/FavoritesManager.h"
#include "platform/RegistryStore.h"
#include "platform/ShellFolders.h"
#include "tests/support/TempDir.h"
#include "tests/support/TreeText.h"

using testsupport::Describe;
using testsupport::WriteFile;
using testsupport::WriteShortcut;

class FavoritesScan : public ::testing::Test {
 protected:
  std::string Scan() {
    report_ = manager_.ScanLocal(platform::FavoritesFolder());
    return Describe(manager_.LocalTree().Root());
  }
  ScanReport report_;
  testsupport::TempHome home_;
  std::string fav_ = home_.favorites();
  FavoritesManager manager_;
};

TEST_F(FavoritesScan, MissingOrEmptyFolderGivesTheRootAlone) {
  EXPECT_EQ(Scan(), "Favorites\n");
  std::filesystem::create_directories(fav_);
  EXPECT_EQ(Scan(), "Favorites\n");
}

TEST_F(FavoritesScan, FoldersKeepTheirWholeNamesAndLinksDropTheExtension) {
  WriteShortcut(fav_ + "/zeta.url", "http://z/");
  WriteShortcut(fav_ + "/Alpha.url", "http://a/");
  WriteShortcut(fav_ + "/Tech.News/Daily.News.url", "http://daily/");
  WriteShortcut(fav_ + "/Tech.News/deep/x.url", "http://x/");
  WriteShortcut(fav_ + "/beta/.cache", "http://cache/");
  WriteShortcut(fav_ + "/beta/other.lnk", "http://not-url-extension/");
  WriteFile(fav_ + "/beta/desktop.ini", "[.ShellClassInfo]\r\nLocalizedResourceName=x\r\n");
  WriteFile(fav_ + "/beta/no-url.url", "[InternetShortcut]\r\nIDList=\r\n");
  WriteShortcut(fav_ + "/.hidden folder/h.url", "http://h/");
  WriteShortcut(fav_ + "/v1.0/a.url", "http://v10/");
  WriteShortcut(fav_ + "/v1.5/a.url", "http://v15/");
  std::filesystem::create_directories(fav_ + "/empty");
  EXPECT_EQ(Scan(),
            "Favorites\n"
            "  .hidden folder\n"
            "    h | http://h/\n"
            "  Alpha | http://a/\n"
            "  beta\n"
            "     | http://cache/\n"  // ".cache": everything before the last dot, which is nothing
            "    other | http://not-url-extension/\n"
            "  empty\n"
            "  Tech.News\n"
            "    Daily.News | http://daily/\n"
            "    deep\n"
            "      x | http://x/\n"
            "  v1.0\n"
            "    a | http://v10/\n"
            "  v1.5\n"
            "    a | http://v15/\n"
            "  zeta | http://z/\n");
}

TEST_F(FavoritesScan, OrdersWithoutRegardToCaseAndSkipsNamesTheListCantCarry) {
  WriteShortcut(fav_ + "/_Archive.url", "http://archive/");
  WriteShortcut(fav_ + "/zoo.url", "http://zoo/");
  WriteShortcut(fav_ + "/Apps.url", "http://apps/");
  // A mail server turns a lone CR or LF into CR LF: no name may hold one.
  WriteShortcut(fav_ + "/cr\ronly.url", "http://cr/");
  WriteShortcut(fav_ + "/lf\nonly/inside.url", "http://lf/");
  WriteShortcut(fav_ + "/\ttab.url", "http://tab/");
  WriteShortcut(fav_ + "/one\x01two.url", "http://split/");
  WriteShortcut(fav_ + "/line\r\nbreak/inside.url", "http://inside/");
  EXPECT_EQ(Scan(),
            "Favorites\n"
            "  Apps | http://apps/\n"
            "  zoo | http://zoo/\n"
            "  _Archive | http://archive/\n");
  EXPECT_EQ(report_.unlistableNames, 5u);
}

TEST_F(FavoritesScan, ScanningTwiceGivesTheSameTree) {
  WriteShortcut(fav_ + "/a/b.url", "http://b/");
  WriteShortcut(fav_ + "/c.url", "http://c/");
  const std::string first = Scan();
  EXPECT_EQ(Scan(), first);
}

TEST_F(FavoritesScan, UnreadableFolderAndSymbolicLinksDoNotStopTheScan) {
  WriteShortcut(fav_ + "/a.url", "http://a/");
  WriteShortcut(fav_ + "/locked/x.url", "http://x/");
  WriteShortcut(fav_ + "/z.url", "http://z/");
  // A link back to the top would make the scan endless if it were followed.
  ASSERT_EQ(::symlink(fav_.c_str(), (fav_ + "/loop").c_str()), 0);
  ::chmod((fav_ + "/locked").c_str(), 0);
  const std::string tree = Scan();
  ::chmod((fav_ + "/locked").c_str(), 0755);
  if (::geteuid() == 0) {
    EXPECT_EQ(tree, "Favorites\n  a | http://a/\n  locked\n    x | http://x/\n  z | http://z/\n");
  } else {
    EXPECT_EQ(tree, "Favorites\n  a | http://a/\n  locked\n  z | http://z/\n");
  }
}

// Deeper than any path by name can reach (2,100 levels of "/d" are 4,200 bytes): the scan goes
// relative to the open folder, so it reads the chain whole and finds the link at its end.
TEST_F(FavoritesScan, AFolder2100LevelsDeepIsScannedWhole) {
  constexpr int kDepth = 2100;
  std::filesystem::create_directories(fav_);
  int fd = ::open(fav_.c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; i < kDepth; ++i) {
    ASSERT_EQ(::mkdirat(fd, "d", 0755), 0) << i;
    const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
    ::close(fd);
    ASSERT_GE(next, 0) << i;
    fd = next;
  }
  const std::string shortcut = "[InternetShortcut]\r\nURL=http://bottom/\r\n";
  const int file = ::openat(fd, "bottom.url", O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(::write(file, shortcut.data(), shortcut.size()), static_cast<ssize_t>(shortcut.size()));
  ::close(file);
  ::close(fd);

  EXPECT_TRUE(manager_.ScanLocal(fav_).Complete());
  EXPECT_EQ(manager_.LocalTree().NodeCount(), static_cast<size_t>(kDepth) + 2);
  const FavoriteNode* node = manager_.LocalTree().Root();
  for (int i = 0; i < kDepth; ++i) node = node->firstChild;
  ASSERT_NE(node->firstChild, nullptr);
  EXPECT_EQ(node->firstChild->text, "bottom\x01http://bottom/");
  // A tree this deep can't be removed by path: take it down from the top, level by level.
  for (std::string top = fav_ + "/d"; std::filesystem::exists(top);) {
    std::string deepest = top;
    for (int i = 0; i < 500 && std::filesystem::exists(deepest + "/d"); ++i) deepest += "/d";
    if (deepest == top) {
      std::filesystem::remove_all(top);
      break;
    }
    std::filesystem::rename(deepest, fav_ + "/rest");
    std::filesystem::remove_all(top);
    std::filesystem::rename(fav_ + "/rest", top);
  }
}

TEST_F(FavoritesScan, LongUrlIsKeptWhole) {
  const std::string url = "http://long/" + std::string(5000, 'u');
  WriteShortcut(fav_ + "/l.url", url);
  Scan();
  EXPECT_EQ(manager_.LocalTree().Root()->firstChild->Url(), url);
}

TEST_F(FavoritesScan, FollowsTheRelocatedFavoritesFolder) {
  WriteShortcut(home_ / "Moved/m.url", "http://m/");
  platform::RegSetString(platform::kUserShellFoldersKey, "Favorites", home_ / "Moved");
  EXPECT_EQ(Scan(), "Favorites\n  m | http://m/\n");
}
