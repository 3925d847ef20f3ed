#include <gtest/gtest.h>

#include <filesystem>

#include "model/FavoritesBackup.h"
#include "tests/support/FolderSnapshot.h"
#include "tests/support/RecordingOwner.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::Names;
using testsupport::ReadFile;
using testsupport::Snapshot;
using testsupport::WriteFile;
using testsupport::WriteShortcut;

class FavoritesBackupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteShortcut(fav_ + "/Alpha.url", "http://a/");
    WriteShortcut(fav_ + "/News/Daily.url", "http://daily/");
    WriteShortcut(fav_ + "/News/Deep/x.url", "http://x/");
    fs::create_directories(fav_ + "/Empty");
  }
  // Home holds nothing but the two folders and the data and config folders: no copy was left
  // behind under a temporary name.
  void ExpectNoLeftovers() {
    for (const std::string& name : Names(home_.path())) {
      EXPECT_TRUE(name == "Favorites" || name == "Favorites2" || name == ".local" ||
                  name == ".config")
          << name;
    }
  }
  void BreakTrash() { WriteFile(trash_, "a file where the trash folder belongs"); }

  testsupport::TempHome home_;
  std::string fav_ = home_.favorites();
  std::string bak_ = fav_ + "2";
  std::string trash_ = home_ / ".local/share/Trash";
  testsupport::RecordingOwner owner_;
  FavoritesBackup backup_{fav_, owner_};
};

TEST_F(FavoritesBackupTest, BackupCopiesTheFolderAndEnablesRestore) {
  EXPECT_FALSE(backup_.Exists());
  EXPECT_TRUE(backup_.Backup());
  EXPECT_TRUE(backup_.Exists());
  EXPECT_EQ(Snapshot(bak_), Snapshot(fav_));
  EXPECT_EQ(owner_.status, "Backup: 3 files and 3 folders copied to " + bak_ + ".\r\n");
  ExpectNoLeftovers();
}

TEST_F(FavoritesBackupTest, SecondBackupTrashesTheFirstAndCopiesAfresh) {
  backup_.Backup();
  const auto first = Snapshot(bak_);
  WriteShortcut(fav_ + "/Later.url", "http://later/");
  fs::remove(fav_ + "/Alpha.url");
  owner_.status.clear();
  backup_.Backup();
  EXPECT_EQ(owner_.status, "Backup: 3 files and 3 folders copied to " + bak_ +
                               ". The previous backup is in the trash.\r\n");
  EXPECT_EQ(Snapshot(bak_), Snapshot(fav_));
  EXPECT_EQ(Snapshot(trash_ + "/files/Favorites2"), first);
  EXPECT_TRUE(fs::exists(trash_ + "/info/Favorites2.trashinfo"));
  EXPECT_TRUE(backup_.Exists());
  ExpectNoLeftovers();
}

TEST_F(FavoritesBackupTest, RestoreBringsBackTheBackupAndTrashesWhatChanged) {
  backup_.Backup();
  const auto saved = Snapshot(fav_);
  WriteShortcut(fav_ + "/Added.url", "http://added/");
  WriteShortcut(fav_ + "/News/Deep/x.url", "http://edited/");
  fs::remove(fav_ + "/News/Daily.url");
  fs::create_directories(fav_ + "/New folder");
  const std::string edited = ReadFile(fav_ + "/News/Deep/x.url");

  owner_.status.clear();
  backup_.Restore();
  EXPECT_EQ(Snapshot(fav_), saved);
  EXPECT_EQ(Snapshot(bak_), saved);
  // What was there before went to the trash, whole, and can be had back.
  EXPECT_EQ(ReadFile(trash_ + "/files/News/Deep/x.url"), edited);
  EXPECT_TRUE(fs::exists(trash_ + "/files/Added.url"));
  EXPECT_TRUE(fs::exists(trash_ + "/info/Added.url.trashinfo"));
  EXPECT_EQ(owner_.status, "Restore: 3 files and 3 folders copied from " + bak_ +
                               ". What the Favorites folder held before is in the trash.\r\n");
  ExpectNoLeftovers();
}

TEST_F(FavoritesBackupTest, RestoreIntoAMissingFavoritesFolderMakesIt) {
  backup_.Backup();
  const auto saved = Snapshot(fav_);
  fs::remove_all(fav_);
  backup_.Restore();
  EXPECT_EQ(Snapshot(fav_), saved);
}

TEST_F(FavoritesBackupTest, SymbolicLinksAreCopiedAsLinks) {
  testsupport::TempDir outside;
  WriteFile(outside / "big/file", "not part of the favorites");
  fs::create_directory_symlink(outside / "big", fav_ + "/Outside");
  fs::create_symlink("Alpha.url", fav_ + "/Same as alpha.url");
  backup_.Backup();
  EXPECT_EQ(Snapshot(bak_), Snapshot(fav_));
  EXPECT_EQ(fs::read_symlink(bak_ + "/Outside"), outside / "big");
  fs::remove(fav_ + "/Outside");
  backup_.Restore();
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(fav_ + "/Outside")));
  EXPECT_EQ(Snapshot(fav_), Snapshot(bak_));
}

// "&Restore" is enabled by anything of the backup's name, but only a folder is restored from.
TEST_F(FavoritesBackupTest, RestoreWithoutABackupFolderChangesNothing) {
  struct Case {
    const char* what;
    void (*make)(const std::string& backupPath);
    bool enabledAtStart;
  };
  const Case cases[] = {
      {"a file of that name", [](const std::string& b) { WriteFile(b, "my notes"); }, true},
      {"a link to nothing", [](const std::string& b) { fs::create_symlink(b + "-nowhere", b); },
       true},
      {"nothing", [](const std::string&) {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(bak_);
    c.make(bak_);
    const auto before = Snapshot(home_.path());
    owner_.status.clear();
    EXPECT_EQ(backup_.Exists(), c.enabledAtStart);
    EXPECT_FALSE(backup_.CanRestore());
    EXPECT_FALSE(backup_.Restore());
    EXPECT_EQ(Snapshot(home_.path()), before);
    EXPECT_EQ(owner_.status, "Restore failed: there is no backup folder " + bak_ + ".\r\n");
  }
}

TEST_F(FavoritesBackupTest, WithoutATrashNothingIsDeleted) {
  backup_.Backup();
  const auto saved = Snapshot(bak_);
  WriteShortcut(fav_ + "/Added.url", "http://added/");
  const auto current = Snapshot(fav_);
  BreakTrash();

  owner_.status.clear();
  backup_.Backup();
  EXPECT_EQ(Snapshot(bak_), saved);
  EXPECT_EQ(owner_.status,
            "Backup failed, the previous backup is kept: it can't be moved to the trash: " + bak_ +
                "\r\n");
  EXPECT_TRUE(backup_.Exists());

  owner_.status.clear();
  backup_.Restore();
  EXPECT_EQ(Snapshot(fav_), current);
  EXPECT_EQ(owner_.status,
            "Restore failed, the Favorites folder is unchanged: the trash can't take " + fav_ +
                "/Added.url\r\n");
  ExpectNoLeftovers();
}

TEST_F(FavoritesBackupTest, AFailedCopyKeepsWhatWasThere) {
  backup_.Backup();
  const auto saved = Snapshot(bak_);

  // Backup of a Favorites folder that has gone: the previous backup stays.
  fs::rename(fav_, home_ / "Favorites.moved");
  backup_.Backup();
  EXPECT_EQ(Snapshot(bak_), saved);
  EXPECT_NE(owner_.status.find("Backup failed, the previous backup is kept: " + fav_),
            std::string::npos)
      << owner_.status;
  fs::rename(home_ / "Favorites.moved", fav_);

  // Restore of a backup that can't be copied whole (here a path that grows too long in the
  // copy): the Favorites folder stays as it is.
  std::string deep = bak_;
  while (deep.size() < 4000) deep += "/" + std::string(100, 'd');
  WriteFile(deep.substr(0, 4090 - 8) + "/x.url", "x");
  WriteShortcut(fav_ + "/Added.url", "http://added/");
  const auto current = Snapshot(fav_);
  owner_.status.clear();
  backup_.Restore();
  EXPECT_EQ(Snapshot(fav_), current);
  EXPECT_NE(owner_.status.find("Restore failed, the Favorites folder is unchanged: "),
            std::string::npos)
      << owner_.status;
  EXPECT_FALSE(fs::exists(trash_ + "/files"));
  ExpectNoLeftovers();
}

TEST_F(FavoritesBackupTest, ADanglingLinkInFavoritesStopsRestoreBeforeAnyChange) {
  backup_.Backup();
  fs::create_symlink(home_ / "nowhere", fav_ + "/Broken");
  const auto current = Snapshot(fav_);
  owner_.status.clear();
  backup_.Restore();
  EXPECT_EQ(Snapshot(fav_), current);
  EXPECT_EQ(owner_.status,
            "Restore failed, the Favorites folder is unchanged: this can't be moved to the "
            "trash: " +
                fav_ + "/Broken\r\n");
}

TEST_F(FavoritesBackupTest, TheBackupStaysBesideAFavoritesPathWithATrailingSlash) {
  FavoritesBackup slashed(fav_ + "/", owner_);
  slashed.Backup();
  EXPECT_EQ(Snapshot(bak_), Snapshot(fav_));
  EXPECT_FALSE(fs::exists(fav_ + "/2"));
  EXPECT_TRUE(slashed.Exists());
}
