#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/FileTree.h"
#include "tests/support/FolderSnapshot.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::Snapshot;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

struct stat Stat(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

void SetTime(const std::string& path, time_t seconds) {
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

}  // namespace

class FileTree : public ::testing::Test {
 protected:
  TempDir dir_;
  TempDir outside_;
  std::string from_ = dir_ / "from";
  std::string to_ = dir_ / "to";
  void SetUp() override {
    fs::create_directories(from_);
    fs::create_directories(to_);
  }
};

TEST_F(FileTree, CopiesEveryKindOfEntryWithLinksAsLinks) {
  WriteFile(from_ + "/a.url", "[InternetShortcut]\r\nURL=http://a/\r\n");
  WriteFile(from_ + "/.hidden/b.url", std::string("bytes\0\x01\xff", 8));
  WriteFile(from_ + "/News/Deep/er/c.url", "");
  fs::create_directories(from_ + "/Empty");
  WriteFile(outside_ / "secret/s.txt", "outside the tree");
  fs::create_directory_symlink(outside_ / "secret", from_ + "/News/to-outside");
  fs::create_symlink("../a.url", from_ + "/News/relative.url");
  fs::create_symlink("/nonexistent/target", from_ + "/dangling");

  std::string error;
  ASSERT_TRUE(platform::CopyFolderContents(from_, to_, error)) << error;
  EXPECT_EQ(Snapshot(to_), Snapshot(from_));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(to_ + "/News/to-outside")));
  EXPECT_EQ(Snapshot(outside_.path()).size(), 2u);  // nothing was copied out through the link
}

TEST_F(FileTree, KeepsPermissionsAndModificationTimes) {
  WriteFile(from_ + "/ro/script", "#!/bin/sh\n");
  ::chmod((from_ + "/ro/script").c_str(), 0750);
  SetTime(from_ + "/ro/script", 1000000000);
  ::chmod((from_ + "/ro").c_str(), 0555);
  SetTime(from_ + "/ro", 1100000000);
  fs::create_symlink("ro/script", from_ + "/link");
  SetTime(from_ + "/link", 1200000000);

  std::string error;
  ASSERT_TRUE(platform::CopyFolderContents(from_, to_, error)) << error;
  for (const char* name : {"/ro/script", "/ro", "/link"}) {
    const struct stat a = Stat(from_ + name), b = Stat(to_ + name);
    EXPECT_EQ(a.st_mode, b.st_mode) << name;
    EXPECT_EQ(a.st_mtim.tv_sec, b.st_mtim.tv_sec) << name;
  }
  ::chmod((from_ + "/ro").c_str(), 0755);
}

TEST_F(FileTree, SkipsPipesRatherThanBlockOnThem) {
  ASSERT_EQ(::mkfifo((from_ + "/pipe").c_str(), 0600), 0);
  WriteFile(from_ + "/x.url", "x");
  std::string error;
  ASSERT_TRUE(platform::CopyFolderContents(from_, to_, error)) << error;
  EXPECT_EQ(Snapshot(to_), (std::map<std::string, std::string>{{"x.url", "file:x"}}));
}

TEST_F(FileTree, ReportsTheEntryThatCouldNotBeCopied) {
  WriteFile(from_ + "/x.url", "new");
  WriteFile(to_ + "/x.url", "already there");
  std::string error;
  EXPECT_FALSE(platform::CopyFolderContents(from_, to_, error));
  EXPECT_NE(error.find(to_ + "/x.url"), std::string::npos) << error;
  EXPECT_EQ(testsupport::ReadFile(to_ + "/x.url"), "already there");

  EXPECT_FALSE(platform::CopyFolderContents(dir_ / "missing", to_, error));
  EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

TEST_F(FileTree, RemoveTreeRemovesReadOnlyFoldersAndLeavesLinkTargetsAlone) {
  WriteFile(from_ + "/ro/inner/f", "f");
  ::chmod((from_ + "/ro/inner").c_str(), 0500);
  ::chmod((from_ + "/ro").c_str(), 0500);
  WriteFile(outside_ / "keep/k", "k");
  fs::create_directory_symlink(outside_ / "keep", from_ + "/link");
  EXPECT_TRUE(platform::RemoveTree(from_));
  EXPECT_FALSE(fs::exists(fs::symlink_status(from_)));
  EXPECT_EQ(testsupport::ReadFile(outside_ / "keep/k"), "k");
  EXPECT_TRUE(platform::RemoveTree(from_));  // already gone: nothing to do
}
