#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <iterator>

#include "platform/ShortcutFile.h"
#include "tests/support/TempDir.h"

using namespace platform;
using testsupport::ReadFile;
using testsupport::WriteFile;

TEST(ShortcutFile, ReadsTheUrlOfRealShortcutFiles) {
  struct Case {
    const char* content;
    const char* url;  // null: not a shortcut
  } cases[] = {
      {"[InternetShortcut]\r\nURL=http://a.example/\r\n", "http://a.example/"},
      {"[InternetShortcut]\nURL=http://lf.example/\n", "http://lf.example/"},
      {"[DEFAULT]\r\nBASEURL=http://base/\r\n[InternetShortcut]\r\nURL=http://b/\r\nIconIndex=0\r\n"
       "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,2\r\n",
       "http://b/"},
      {"[internetshortcut]\r\nurl=http://case/", "http://case/"},
      {"[InternetShortcut]\r\nIDList=\r\n", nullptr},
      {"[Other]\r\nURL=http://wrong-section/\r\n", nullptr},
      {"[InternetShortcut]\r\n[Other]\r\nURL=http://later-section/\r\n", nullptr},
      {"[InternetShortcut]\r\nURL=\r\n", nullptr},
      {"[.ShellClassInfo]\r\nIconResource=x\r\n", nullptr},
      {"", nullptr},
  };
  testsupport::TempDir dir;
  for (const Case& c : cases) {
    WriteFile(dir / "x.url", c.content);
    std::string url;
    const bool found = LoadShortcutUrl(dir / "x.url", url);
    EXPECT_EQ(found, c.url != nullptr) << c.content;
    if (c.url) {
      EXPECT_EQ(url, c.url) << c.content;
    }
  }
  std::string url;
  EXPECT_FALSE(LoadShortcutUrl(dir / "missing.url", url));
  EXPECT_FALSE(LoadShortcutUrl(dir.path(), url));
}

TEST(ShortcutFile, KeepsAUrlOfAnyLengthWhole) {
  testsupport::TempDir dir;
  const std::string longUrl = "http://x/" + std::string(100000, 'q');
  ASSERT_EQ(SaveShortcutUrl(dir / "long.url", longUrl), 0);
  std::string url;
  ASSERT_TRUE(LoadShortcutUrl(dir / "long.url", url));
  EXPECT_EQ(url, longUrl);
}

TEST(ShortcutFile, SavingWritesANewShortcutWithCrLf) {
  testsupport::TempDir dir;
  ASSERT_EQ(SaveShortcutUrl(dir / "n.url", "http://new/"), 0);
  EXPECT_EQ(ReadFile(dir / "n.url"), "[InternetShortcut]\r\nURL=http://new/\r\n");
  // The longest name a folder takes is saved too, and nothing is left beside it.
  const std::string longest = std::string(251, 'n') + ".url";
  ASSERT_EQ(SaveShortcutUrl(dir / longest, "http://long/"), 0);
  EXPECT_EQ(ReadFile(dir / longest), "[InternetShortcut]\r\nURL=http://long/\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            2);
}

TEST(ShortcutFile, SavingOverAnExistingFileReplacesOnlyTheUrl) {
  struct Case {
    const char* before;
    const char* after;
  } cases[] = {
      {"[DEFAULT]\r\nBASEURL=http://old/\r\n[InternetShortcut]\r\nURL=http://old/"
       "\r\nIconIndex=1\r\n",
       "[DEFAULT]\r\nBASEURL=http://old/\r\n[InternetShortcut]\r\nURL=http://new/"
       "\r\nIconIndex=1\r\n"},
      {"[InternetShortcut]\r\nIconIndex=1\r\n[X]\r\na=b\r\n",
       "[InternetShortcut]\r\nIconIndex=1\r\nURL=http://new/\r\n[X]\r\na=b\r\n"},
      {"[InternetShortcut]", "[InternetShortcut]\r\nURL=http://new/\r\n"},
      {"[X]\na=b\n", "[X]\na=b\n[InternetShortcut]\nURL=http://new/\n"},
      {"[X]\na=b", "[X]\na=b\n[InternetShortcut]\nURL=http://new/\n"},
  };
  testsupport::TempDir dir;
  for (const Case& c : cases) {
    WriteFile(dir / "e.url", c.before);
    ASSERT_EQ(SaveShortcutUrl(dir / "e.url", "http://new/"), 0);
    EXPECT_EQ(ReadFile(dir / "e.url"), c.after) << c.before;
  }
}

TEST(ShortcutFile, RefusesUrlsThatWouldInjectLines) {
  testsupport::TempDir dir;
  for (const std::string& bad : {std::string("http://a/\r\nIconFile=evil"),
                                 std::string("http://a/\nx"), std::string("http://a/\0x", 10)}) {
    EXPECT_NE(SaveShortcutUrl(dir / "bad.url", bad), 0);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "bad.url"));
}

// A server list may name a link without a URL: saving it would wipe the URL of the user's file.
TEST(ShortcutFile, RefusesBlankUrlsAndKeepsTheFile) {
  testsupport::TempDir dir;
  const std::string before = "[InternetShortcut]\r\nURL=http://mine/\r\n";
  WriteFile(dir / "e.url", before);
  for (const char* blank : {"", " ", "\t ", "   "}) {
    EXPECT_EQ(SaveShortcutUrl(dir / "e.url", blank), EINVAL) << '"' << blank << '"';
    EXPECT_EQ(SaveShortcutUrl(dir / "new.url", blank), EINVAL) << '"' << blank << '"';
  }
  EXPECT_EQ(ReadFile(dir / "e.url"), before);
  EXPECT_FALSE(std::filesystem::exists(dir / "new.url"));
}

TEST(ShortcutFile, ReplacesASymbolicLinkInsteadOfWritingThroughIt) {
  testsupport::TempDir dir;
  WriteFile(dir / "outside.txt", "keep me");
  ASSERT_EQ(::symlink((dir / "outside.txt").c_str(), (dir / "link.url").c_str()), 0);
  ASSERT_EQ(SaveShortcutUrl(dir / "link.url", "http://new/"), 0);
  EXPECT_EQ(ReadFile(dir / "outside.txt"), "keep me");
  struct stat st {};
  ASSERT_EQ(::lstat((dir / "link.url").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
}
