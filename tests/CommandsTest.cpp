// The command layer on its own: places, typed settings, and the sequences that need no server.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "commands/CommandSupport.h"
#include "commands/Commands.h"
#include "commands/Settings.h"
#include "commands/TreePaths.h"
#include "model/FavoritesList.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "platform/ShellFolders.h"
#include "tests/support/FolderSnapshot.h"
#include "tests/support/RecordingOwner.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::WriteFile;
using testsupport::WriteShortcut;

namespace {

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteSetting(keys::kSaveMethod, 2);
    WriteSetting(keys::kUser, "alice");
    WriteSetting(keys::kPass, "s3cret");
    WriteShortcut(home_.favorites() + "/Alpha.url", "http://alpha/");
  }
  // A server copy as the last download left it, loaded as the server view shows it.
  void Downloaded(const std::string& list) {
    places_.EnsureStateFolder();
    WriteFile(places_.WorkingFile(Places::kServerFile), list);
    ASSERT_EQ(session_.Manager().LoadServerCopy(places_.WorkingFile(Places::kServerFile)), 0);
  }

  testsupport::TempHome home_;
  testsupport::RecordingOwner owner_;
  Places places_ = Places::ForUser();
  Session session_{owner_, places_};
};

TEST_F(Commands, WorkingFilesLiveInThePrivateStateFolder) {
  EXPECT_EQ(places_.StateFolder(), home_ / ".local/state/Quillmere");
  ::setenv("XDG_STATE_HOME", (home_ / "state").c_str(), 1);
  const Places moved = Places::ForUser();
  ::unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(moved.StateFolder(), home_ / "state/Quillmere");
  EXPECT_EQ(moved.WorkingFile("favorites-local.txt"),
            home_ / "state/Quillmere/favorites-local.txt");

  commands::RefreshLocal(session_);
  ASSERT_EQ(commands::Export(session_, places_.WorkingFile(Places::kPrintFile)),
            commands::Outcome::kDone);
  EXPECT_EQ(ReadFile(places_.WorkingFile(Places::kPrintFile)),
            "Favorites\r\n\tAlpha\x01http://alpha/\r\n");
  struct stat st {};
  ASSERT_EQ(::stat(places_.StateFolder().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u) << "the state folder is the user's own";
}

TEST_F(Commands, SettingsAreTypedAndFoldCase) {
  // What an older installation wrote under the other spelling is the same value.
  platform::WriteSettingInt("Save method", 1);
  EXPECT_EQ(ReadSetting(keys::kSaveMethod), 1);
  EXPECT_EQ(ReadSetting(keys::kDeleteLink), 0);
  EXPECT_EQ(ReadSetting(keys::kFolder), "");
  for (const char* name : {"save method", "SAVE METHOD", "Save Method"}) {
    ASSERT_NE(FindSetting(name), nullptr) << name;
    EXPECT_EQ(FindSetting(name)->integer, &keys::kSaveMethod);
  }
  EXPECT_EQ(FindSetting("delete LINK")->integer, &keys::kDeleteLink);
  EXPECT_EQ(FindSetting("pass")->text, &keys::kPass);
  EXPECT_EQ(FindSetting("password"), nullptr);
  EXPECT_EQ(AllSettings().size(), 8u);

  struct Case {
    int method;
    std::string pop3, smtp, ftp, user, pass;
    bool complete;
  };
  const Case cases[] = {
      {0, "p", "s", "", "u", "w", true},  {0, "p", "", "", "u", "w", false},
      {0, "", "s", "", "u", "w", false},  {1, "", "", "f", "u", "w", true},
      {1, "p", "s", "", "u", "w", false}, {2, "", "", "", "u", "w", true},
      {2, "", "", "", "", "w", false},    {2, "", "", "", "u", "", false},
      {7, "", "", "", "u", "w", false},   {-1, "", "", "", "u", "w", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TransferSettingsComplete({c.method, c.pop3, c.smtp, c.ftp, c.user, c.pass, ""}),
              c.complete)
        << c.method << " " << c.pop3 << " " << c.smtp << " " << c.ftp;
  }
}

TEST_F(Commands, MissingSettingsAskTheOwnerAndDeclineWhenLeftUnfilled) {
  WriteSetting(keys::kSaveMethod, 0);
  EXPECT_EQ(commands::Download(session_), commands::Outcome::kDeclined);
  EXPECT_EQ(commands::Upload(session_), commands::Outcome::kDeclined);
  EXPECT_EQ(owner_.fillIns, 2);
  EXPECT_EQ(owner_.status, "");
  EXPECT_FALSE(fs::exists(places_.WorkingFile(Places::kLocalFile))) << "nothing was prepared";
}

// The Favorites folder is asked for at every command: after the settings sheet moves it, the
// scan and the synchronisation use the new one at once.
TEST_F(Commands, SynchronizeWritesIntoTheFavoritesFolderAsItIsNow) {
  commands::RefreshLocal(session_);
  Downloaded("Favorites\r\n\tNew\x01http://new/\r\n");
  const std::string moved = home_ / "Moved";
  fs::create_directories(moved);
  platform::RegSetString(platform::kUserShellFoldersKey, "Favorites", moved);
  commands::RefreshLocal(session_);
  ASSERT_EQ(commands::Synchronize(session_), commands::Outcome::kDone);
  EXPECT_TRUE(fs::exists(moved + "/New.url"));
  EXPECT_FALSE(fs::exists(home_.favorites() + "/New.url"));
}

TEST_F(Commands, SynchronizeWithoutAServerCopyTellsTheUser) {
  EXPECT_EQ(commands::Synchronize(session_), commands::Outcome::kFailed);
  ASSERT_EQ(owner_.told.size(), 1u);
  EXPECT_EQ(owner_.told[0].text, "Please download favorites from server first.");
  EXPECT_EQ(owner_.told[0].kind, CommandOwner::Notice::kInformation);
}

TEST_F(Commands, ADryRunSaysWhatWouldBeWrittenAndWritesNothing) {
  WriteShortcut(home_.favorites() + "/News/Daily.url", "http://old-daily/");
  commands::RefreshLocal(session_);
  Downloaded(
      "Favorites\r\n\tAlpha\x01http://alpha/\r\n\tNews\r\n\t\tDaily\x01http://daily/\r\n"
      "\tMusic\r\n\t\tRadio\x01http://radio/\r\n\t..\x01http://escape/\r\n");
  const auto before = testsupport::Snapshot(home_.path());
  const std::string localBefore = BuildText(session_.Manager().LocalTree());
  ASSERT_EQ(commands::Synchronize(session_, {.dryRun = true}), commands::Outcome::kDone);
  EXPECT_EQ(owner_.status,
            "would replace the address of News/Daily: http://old-daily/ -> http://daily/\r\n"
            "would create folder Music\r\n"
            "would create link Music/Radio\thttp://radio/\r\n"
            "would not write ..: the name can't be a file name here\r\n");
  EXPECT_EQ(testsupport::Snapshot(home_.path()), before);
  EXPECT_EQ(BuildText(session_.Manager().LocalTree()), localBefore);
}

// A second machine with its own edits: a changed address, files that only share a name with a
// server link, and a missing folder with an unchecked subfolder.
TEST_F(Commands, SynchronizeReplacesOnlyReadableShortcutsAndSaysWhatItDid) {
  const std::string fav = home_.favorites();
  WriteShortcut(fav + "/News/Daily.url", "http://old-daily/");
  WriteFile(fav + "/picture.url", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  WriteFile(fav + "/big.url", "[InternetShortcut]\r\nURL=http://big/\r\n");
  fs::resize_file(fav + "/big.url", 17 * 1024 * 1024);  // sparse: the disk stays free
  fs::create_directories(fav + "/folder.url");
  const std::string dailyBefore = ReadFile(fav + "/News/Daily.url");
  commands::RefreshLocal(session_);
  Downloaded(
      "Favorites\r\n\tAlpha\x01http://alpha/\r\n\tNews\r\n\t\tDaily\x01http://daily/\r\n"
      "\tpicture\x01http://p/\r\n\tbig\x01http://b/\r\n\tfolder\x01http://f/\r\n"
      "\tGroup 5\r\n\t\tFolder 105\r\n\t\t\tx\x01http://x/\r\n\t\ty\x01http://y/\r\n");
  ASSERT_TRUE(commands::ExcludePath(session_.Manager().ServerTree(), "Group 5/Folder 105"));
  const unsigned local = session_.Manager().LocalGeneration();
  const std::string tooLarge =
      "Left out of the local favorites: 1 file too large to be a shortcut. They stay as they are "
      "in the Favorites folder; fix or rename them there to take them in.\r\n";
  EXPECT_EQ(owner_.status, tooLarge);
  owner_.status.clear();

  ASSERT_EQ(commands::Synchronize(session_), commands::Outcome::kDone);
  EXPECT_EQ(owner_.status,
            "Address of News/Daily replaced: http://old-daily/ -> http://daily/ (the old shortcut "
            "is in the trash)\r\n"
            "Left picture.url alone: it is not a shortcut this program can read\r\n"
            "Left big.url alone: it is too large to be a shortcut\r\n"
            "Left folder.url alone: it is not a shortcut file\r\n"
            "Favorites folder: 1 folder and 1 link added, 1 address replaced, 3 files left "
            "alone.\r\n" +
                tooLarge);
  EXPECT_EQ(ReadFile(home_ / ".local/share/Trash/files/Daily.url"), dailyBefore);
  EXPECT_EQ(ReadFile(fav + "/News/Daily.url"),
            "[DEFAULT]\r\nBASEURL=http://old-daily/\r\n[InternetShortcut]\r\nURL=http://daily/"
            "\r\nIDList=\r\nHotKey=0\r\n");
  EXPECT_EQ(ReadFile(fav + "/picture.url").size(), 16u);
  EXPECT_EQ(fs::file_size(fav + "/big.url"), 17u * 1024 * 1024);
  EXPECT_FALSE(fs::exists(fav + "/Group 5/Folder 105")) << "unchecked inside a missing folder";
  EXPECT_TRUE(fs::exists(fav + "/Group 5/y.url"));
  // The local tree is the folder as it is now: one Daily, with the new address.
  EXPECT_NE(session_.Manager().LocalGeneration(), local);
  EXPECT_EQ(commands::TreeLines(session_.Manager().LocalTree()),
            "Alpha\thttp://alpha/\nfolder.url\nGroup 5\nGroup 5/y\thttp://y/\n"
            "News\nNews/Daily\thttp://daily/\n");
}

// The upload's first step stores the server copy again; checks made on the copy shown are never
// paired with another one.
TEST_F(Commands, SynchronizeShowsAServerCopyThatChangedInsteadOfMerging) {
  commands::RefreshLocal(session_);
  Downloaded("Favorites\r\n\tKeep\x01http://keep/\r\n\tSkip\x01http://skip/\r\n");
  ASSERT_TRUE(commands::ExcludePath(session_.Manager().ServerTree(), "Skip"));
  WriteFile(places_.WorkingFile(Places::kServerFile),
            "Favorites\r\n\tSkip\x01http://skip/\r\n\tKeep\x01http://keep/\r\n");
  const unsigned shown = session_.Manager().ServerGeneration();
  const auto before = testsupport::Snapshot(home_.favorites());

  EXPECT_EQ(commands::Synchronize(session_), commands::Outcome::kFailed);
  EXPECT_EQ(owner_.status,
            "The server copy has changed since it was shown, so nothing was synchronized. The "
            "server view now shows the new copy: check its boxes again, then synchronize.\r\n");
  EXPECT_EQ(testsupport::Snapshot(home_.favorites()), before);
  EXPECT_NE(session_.Manager().ServerGeneration(), shown);
  EXPECT_EQ(commands::TreeLines(session_.Manager().ServerTree()),
            "Skip\thttp://skip/\nKeep\thttp://keep/\n");

  ASSERT_TRUE(commands::ExcludePath(session_.Manager().ServerTree(), "Skip"));
  EXPECT_EQ(commands::Synchronize(session_), commands::Outcome::kDone);
  EXPECT_TRUE(fs::exists(home_.favorites() + "/Keep.url"));
  EXPECT_FALSE(fs::exists(home_.favorites() + "/Skip.url"));
}

TEST_F(Commands, RestoreAsksFirstAndSaysWhatItCopied) {
  const std::string fav = home_.favorites();
  ASSERT_EQ(commands::Backup(session_), commands::Outcome::kDone);
  EXPECT_EQ(owner_.status, "Backup: 1 file and 0 folders copied to " + fav + "2.\r\n");
  WriteShortcut(fav + "/Later.url", "http://later/");
  commands::RefreshLocal(session_);
  const auto later = testsupport::Snapshot(fav);

  owner_.status.clear();
  owner_.answers = {false};
  EXPECT_EQ(commands::Restore(session_), commands::Outcome::kDeclined);
  ASSERT_EQ(owner_.asked.size(), 1u);
  EXPECT_EQ(owner_.asked[0], "Restore the Favorites folder " + fav + " from its backup " + fav +
                                 "2? Everything the Favorites folder holds now goes to the trash.");
  EXPECT_EQ(owner_.status, "Restore cancelled: the Favorites folder is unchanged.\r\n");
  EXPECT_EQ(testsupport::Snapshot(fav), later);

  owner_.status.clear();
  owner_.answers = {true};
  EXPECT_EQ(commands::Restore(session_), commands::Outcome::kDone);
  EXPECT_EQ(owner_.status, "Restore: 1 file and 0 folders copied from " + fav +
                               "2. What the Favorites folder held before is in the trash.\r\n");
  EXPECT_TRUE(fs::exists(home_ / ".local/share/Trash/files/Later.url"));
  EXPECT_EQ(commands::TreeLines(session_.Manager().LocalTree()), "Alpha\thttp://alpha/\n");
}

TEST_F(Commands, PathsNameNodesForShowAndExclude) {
  FavoritesTree tree;
  LoadText(tree,
           "Favorites\r\n\tNews\r\n\t\tDaily\x01http://d/\r\n\t\tSport\r\n\tA\x01http://a/\r\n");
  EXPECT_EQ(commands::TreeLines(tree), "News\nNews/Daily\thttp://d/\nNews/Sport\nA\thttp://a/\n");
  EXPECT_TRUE(commands::ExcludePath(tree, "News/Sport"));
  EXPECT_FALSE(commands::ExcludePath(tree, "News/Weekly"));
  EXPECT_FALSE(commands::ExcludePath(tree, "Sport"));
  EXPECT_EQ(BuildText(tree),
            "Favorites\r\n\tNews\r\n\t\tDaily\x01http://d/\r\n\tA\x01http://a/\r\n");
}

// The history keeps the last 20 copies, newest first; a download of the same copy again adds none.
TEST_F(Commands, TheHistoryKeepsTheLastTwentyCopies) {
  const std::string serverFile = places_.WorkingFile(Places::kServerFile);
  for (int i = 1; i <= 23; ++i) {
    const std::string copy = "Favorites\r\n\tcopy " + std::to_string(i) + "\r\n";
    ASSERT_TRUE(commands::KeepInHistory(places_, copy, i % 2 == 0));
    if (i == 23) {
      ASSERT_TRUE(commands::KeepInHistory(places_, copy, false));
    }
  }
  const std::vector<commands::HistoryEntry> history = commands::History(session_);
  ASSERT_EQ(history.size(), 20u);
  EXPECT_EQ(ReadFile(history.front().file), "Favorites\r\n\tcopy 23\r\n");
  EXPECT_EQ(history.front().origin, "downloaded");
  EXPECT_EQ(history[1].origin, "replaced by an upload");
  EXPECT_EQ(ReadFile(history.back().file), "Favorites\r\n\tcopy 4\r\n");
  EXPECT_EQ(history.front().time.size(), 19u);

  ASSERT_EQ(commands::RestoreHistory(session_, 19), commands::Outcome::kDone);
  EXPECT_EQ(ReadFile(serverFile), "Favorites\r\n\tcopy 4\r\n");
  EXPECT_EQ(BuildText(session_.Manager().ServerTree()), "Favorites\r\n\tcopy 4\r\n");
  EXPECT_EQ(commands::RestoreHistory(session_, 20), commands::Outcome::kFailed);
  EXPECT_EQ(owner_.told.back().text, "There is no server copy number 21 in the history.");
}

// Two runs in one state folder take turns: while one holds it, the other's command fails and says
// why, touching nothing.
TEST_F(Commands, ASecondRunWaitsItsTurnForTheStateFolder) {
  const platform::FileLock other(places_.WorkingFile(".lock"));
  ASSERT_TRUE(other.Held());
  EXPECT_EQ(commands::Download(session_), commands::Outcome::kFailed);
  EXPECT_EQ(commands::Upload(session_), commands::Outcome::kFailed);
  ASSERT_EQ(owner_.told.size(), 2u);
  EXPECT_NE(owner_.told[0].text.find("Another Quillmere is working with"), std::string::npos);
  EXPECT_FALSE(fs::exists(places_.WorkingFile(Places::kLocalFile)));
}

// The upload's check boxes belong to the tree the view shows: a Favorites folder changed since is
// shown again, and nothing is sent.
TEST_F(Commands, AnUploadOfAStaleLocalViewShowsTheFolderAgain) {
  commands::RefreshLocal(session_);
  const unsigned shown = session_.Manager().LocalGeneration();
  WriteShortcut(home_.favorites() + "/Added meanwhile.url", "http://added/");
  EXPECT_EQ(commands::Upload(session_), commands::Outcome::kFailed);
  EXPECT_NE(owner_.status.find("The Favorites folder has changed since it was shown"),
            std::string::npos);
  EXPECT_NE(session_.Manager().LocalGeneration(), shown) << "the window fills the view again";
  EXPECT_NE(BuildText(session_.Manager().LocalTree()).find("Added meanwhile"), std::string::npos);
  EXPECT_FALSE(fs::exists(places_.WorkingFile(Places::kLocalFile)));
}

}  // namespace
