// Importing a browser's bookmarks file into the Favorites folder and exporting the local tree as
// one: the commands with a recording owner, on real folders.
#include <gtest/gtest.h>

#include <filesystem>

#include "commands/Commands.h"
#include "commands/TreePaths.h"
#include "model/FavoritesScan.h"
#include "tests/support/FolderSnapshot.h"
#include "tests/support/RecordingOwner.h"
#include "tests/support/TempDir.h"
#include "tests/support/TreeText.h"

namespace fs = std::filesystem;
using commands::Outcome;
using testsupport::Describe;
using testsupport::ReadFile;
using testsupport::WriteFile;
using testsupport::WriteShortcut;

namespace {

constexpr const char* kBookmarks =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
    "  <DT><A HREF=\"http://alpha/\">Alpha</A>\n"
    "  <DT><H3>News</H3>\n  <DL><p>\n"
    "    <DT><A HREF=\"http://daily-new/\">Daily</A>\n"
    "    <DT><A HREF=\"http://weekly/\">Weekly</A>\n"
    "    <DT><A HREF=\"javascript:void(0)\">Script</A>\n"
    "  </DL><p>\n"
    "  <DT><H3>escape</H3>\n  <DL><p>\n    <DT><A HREF=\"http://x/\">x</A>\n  </DL><p>\n"
    "  <DT><A HREF=\"http://b/\">B/W</A>\n"
    "</DL><p>\n";

class BookmarksCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteShortcut(home_.favorites() + "/Alpha.url", "http://alpha/");
    WriteShortcut(home_.favorites() + "/News/Daily.url", "http://daily/");
    fs::create_directories(home_ / "outside");
    fs::create_directory_symlink(home_ / "outside", home_.favorites() + "/escape");
    WriteFile(file_, kBookmarks);
    commands::RefreshLocal(session_);
  }

  std::string Local() { return Describe(session_.Manager().LocalTree().Root()); }

  testsupport::TempHome home_;
  testsupport::RecordingOwner owner_;
  Places places_{home_ / "state", home_.favorites()};
  Session session_{owner_, places_};
  std::string file_ = home_ / "bookmarks.html";
};

// The bookmarks come in as a server copy does: what is missing is added, a link of an existing
// name takes the file's address, nothing else changes, and nothing is reached through a link
// out of the Favorites folder. The local tree is read again from the disk.
TEST_F(BookmarksCommands, ImportMergesIntoTheFavoritesFolderAsSynchronizeDoes) {
  ASSERT_EQ(commands::ImportBookmarks(session_, file_), Outcome::kDone);
  EXPECT_EQ(owner_.status.substr(0, owner_.status.find("\r\n")),
            "read 2 folders and 5 links from " + file_);
  EXPECT_NE(owner_.status.find("left out 1 script bookmark (javascript:)\r\n"), std::string::npos);
  EXPECT_NE(owner_.status.find("named B-W: a name can't hold \"/\" or \"\\\"\r\n"),
            std::string::npos);
  EXPECT_TRUE(owner_.told.empty());
  EXPECT_EQ(commands::TreeLines(session_.Manager().LocalTree()),
            "Alpha\thttp://alpha/\n"
            "B-W\thttp://b/\n"
            "News\nNews/Daily\thttp://daily-new/\nNews/Weekly\thttp://weekly/\n");
  EXPECT_TRUE(fs::is_empty(home_ / "outside"));

  // Everything is there now: a second import writes nothing.
  const auto before = testsupport::Snapshot(home_.favorites());
  ASSERT_EQ(commands::ImportBookmarks(session_, file_), Outcome::kDone);
  EXPECT_EQ(testsupport::Snapshot(home_.favorites()), before);
}

TEST_F(BookmarksCommands, ADryRunSaysWhatTheImportWouldWrite) {
  const auto before = testsupport::Snapshot(home_.path());
  const std::string local = Local();
  ASSERT_EQ(commands::ImportBookmarks(session_, file_, {.dryRun = true}), Outcome::kDone);
  EXPECT_EQ(owner_.status.substr(owner_.status.find("would")),
            "would replace the address of News/Daily: http://daily/ -> http://daily-new/\r\n"
            "would create link News/Weekly\thttp://weekly/\r\n"
            "would not write escape: something else of that name is there\r\n"
            "would create link B-W\thttp://b/\r\n");
  EXPECT_EQ(testsupport::Snapshot(home_.path()), before);
  EXPECT_EQ(Local(), local);
}

TEST_F(BookmarksCommands, AFileThatGivesNoBookmarksIsRefusedAndChangesNothing) {
  WriteFile(home_ / "notes.txt", "Remember the milk.\n");
  const struct {
    std::string file;
    std::string says;
  } cases[] = {
      {home_ / "missing.html", home_ / "missing.html can't be read."},
      {home_ / "notes.txt", home_ / "notes.txt is not a bookmarks file. Export the bookmarks from "
                                    "the browser as an HTML file and import that file."},
  };
  const auto before = testsupport::Snapshot(home_.favorites());
  for (const auto& c : cases) {
    owner_.told.clear();
    EXPECT_EQ(commands::ImportBookmarks(session_, c.file), Outcome::kFailed) << c.file;
    ASSERT_EQ(owner_.told.size(), 1u) << c.file;
    EXPECT_EQ(owner_.told[0].text, c.says);
    EXPECT_EQ(owner_.told[0].kind, CommandOwner::Notice::kError);
  }
  EXPECT_EQ(owner_.status, "");
  EXPECT_EQ(testsupport::Snapshot(home_.favorites()), before);
}

TEST_F(BookmarksCommands, AnImportStoppedWhileReadingChangesNothing) {
  WriteFile(file_, "<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><!--" + std::string(3 << 20, ' ') +
                       "--><DT><A HREF=\"http://new/\">New</A></DL>");
  owner_.interruptAfter = 0;
  const auto before = testsupport::Snapshot(home_.favorites());
  EXPECT_EQ(commands::ImportBookmarks(session_, file_), Outcome::kFailed);
  EXPECT_EQ(owner_.status, "import stopped: nothing was changed\r\n");
  EXPECT_EQ(owner_.progressCalls, 1);
  EXPECT_EQ(testsupport::Snapshot(home_.favorites()), before);
}

// Export, then import into an empty Favorites folder: the same tree.
TEST_F(BookmarksCommands, ExportedBookmarksImportIntoAnEmptyFavoritesFolderAsTheSameTree) {
  WriteShortcut(home_.favorites() + "/R&D <\"lab\">/Ünïcødé 日本.url", "http://u/?a=1&b=\"2\"");
  WriteShortcut(home_.favorites() + "/News/Deep/Deeper/Bottom.url", "http://bottom/");
  fs::create_directories(home_.favorites() + "/Empty");
  fs::remove(home_.favorites() + "/escape");
  commands::RefreshLocal(session_);
  const std::string exported = home_ / "exported.html";
  ASSERT_EQ(commands::ExportBookmarks(session_, exported), Outcome::kDone);

  const std::string other = home_ / "Other Favorites";
  fs::create_directories(other);
  testsupport::RecordingOwner otherOwner;
  Session otherSession(otherOwner, Places(home_ / "other-state", other));
  ASSERT_EQ(commands::ImportBookmarks(otherSession, exported), Outcome::kDone);
  EXPECT_EQ(otherOwner.status.find("named"), std::string::npos) << otherOwner.status;
  FavoritesTree scanned;
  ScanFavorites(scanned, other);
  EXPECT_EQ(Describe(scanned.Root()), Local());

  // Unchecked nodes stay out of the file.
  ASSERT_TRUE(commands::ExcludePath(session_.Manager().LocalTree(), "News"));
  ASSERT_EQ(commands::ExportBookmarks(session_, exported), Outcome::kDone);
  EXPECT_EQ(ReadFile(exported).find("Daily"), std::string::npos);
}

TEST_F(BookmarksCommands, AnExportThatCantBeWrittenSaysSo) {
  const std::string missing = home_ / "no/such/bookmarks.html";
  EXPECT_EQ(commands::ExportBookmarks(session_, missing), Outcome::kFailed);
  ASSERT_EQ(owner_.told.size(), 1u);
  EXPECT_EQ(owner_.told[0].text, "The favorites can't be written to " + missing + ".");
  EXPECT_EQ(owner_.told[0].kind, CommandOwner::Notice::kError);
  fs::create_directories(home_ / "taken.html");
  EXPECT_EQ(commands::ExportBookmarks(session_, home_ / "taken.html"), Outcome::kFailed);
  EXPECT_TRUE(fs::is_empty(home_ / "taken.html"));
}

}  // namespace
