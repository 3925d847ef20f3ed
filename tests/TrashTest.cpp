#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/Trash.h"
#include "tests/support/FolderSnapshot.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::Names;
using testsupport::ReadFile;
using testsupport::WriteFile;

class Trash : public ::testing::Test {
 protected:
  testsupport::TempHome home_;
  std::string trash_ = home_ / ".local/share/Trash";
};

TEST_F(Trash, ItemsLandInTheHomeTrashWithTheirInfo) {
  WriteFile(home_ / "a/file.url", "file");
  WriteFile(home_ / "b/file.url", "same name");
  WriteFile(home_ / "folder/inner.url", "inner");
  WriteFile(home_ / "target/t", "t");
  fs::create_directory_symlink(home_ / "target", home_ / "link");

  for (const char* item : {"a/file.url", "b/file.url", "folder", "link"}) {
    EXPECT_TRUE(platform::MoveToTrash(home_ / item)) << item;
    EXPECT_FALSE(fs::exists(fs::symlink_status(home_ / item))) << item;
  }
  const std::set<std::string> names = Names(trash_ + "/files");
  EXPECT_EQ(names.size(), 4u);
  for (const std::string& name : names) {
    const std::string info = ReadFile(trash_ + "/info/" + name + ".trashinfo");
    EXPECT_NE(info.find("Path=" + home_.path()), std::string::npos) << name << ": " << info;
  }
  EXPECT_EQ(ReadFile(trash_ + "/files/folder/inner.url"), "inner");
  // The link itself went; what it pointed to stayed.
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(trash_ + "/files/link")));
  EXPECT_EQ(ReadFile(home_ / "target/t"), "t");
}

TEST_F(Trash, MakesTheDataFolderRatherThanTrashIntoTheCurrentOne) {
  fs::remove_all(home_ / ".local");
  WriteFile(home_ / "work/x.url", "x");
  const fs::path previous = fs::current_path();
  fs::current_path(home_ / "work");
  const bool moved = platform::MoveToTrash(home_ / "work/x.url");
  fs::current_path(previous);
  EXPECT_TRUE(moved);
  EXPECT_EQ(ReadFile(trash_ + "/files/x.url"), "x");
  EXPECT_FALSE(fs::exists(home_ / "work/files"));
}

TEST_F(Trash, RefusesWhatItCannotKeepRecoverable) {
  WriteFile(home_ / "x.url", "x");
  fs::create_symlink(home_ / "nowhere", home_ / "dangling");
  EXPECT_FALSE(platform::CanMoveToTrash(home_ / "dangling"));
  EXPECT_FALSE(platform::CanMoveToTrash(home_ / "missing"));
  EXPECT_TRUE(platform::CanMoveToTrash(home_ / "x.url"));

  WriteFile(trash_, "a file where the trash folder belongs");
  EXPECT_FALSE(platform::MoveToTrash(home_ / "x.url"));
  EXPECT_EQ(ReadFile(home_ / "x.url"), "x");
  EXPECT_FALSE(platform::MoveToTrash(home_ / "dangling"));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(home_ / "dangling")));
}
