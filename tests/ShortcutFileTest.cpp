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

namespace {

// A text as a UTF-16LE file with its byte-order mark, as Windows saves Unicode INI files.
std::string Utf16Le(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

}  // namespace

// Shortcut files as the Windows shell, the browsers and hand edits leave them.
TEST(ShortcutFile, ReadsShortcutsAsWindowsReadsThem) {
  struct Case {
    const char* what;
    std::string content;
    const char* url;  // null: no URL
  } cases[] = {
      {"the shell's favorite",
       "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,11\r\n[InternetShortcut]\r\n"
       "IDList=\r\nURL=https://www.example.com/\r\nIconIndex=13\r\nHotKey=0\r\n"
       "IconFile=C:\\Users\\me\\favicon.ico\r\n",
       "https://www.example.com/"},
      {"the Unicode address wins over the ANSI line's question marks",
       "[InternetShortcut]\r\nURL=https://de.wikipedia.org/wiki/M?nchen\r\n"
       "[InternetShortcut.W]\r\nURL=https://de.wikipedia.org/wiki/M+APw-nchen\r\n",
       "https://de.wikipedia.org/wiki/M\xc3\xbcnchen"},
      {"UTF-7 with a surrogate pair, '+-' and an unclosed run",
       "[InternetShortcut.W]\r\nURL=https://x.example/+2D3eAA-?a=+-1&b=+APw\r\n",
       "https://x.example/\xf0\x9f\x98\x80?a=+1&b=\xc3\xbc"},
      {"a broken Unicode line leaves the ANSI one",
       "[InternetShortcut]\r\nURL=http://ansi/\r\n[InternetShortcut.W]\r\nURL=+2D3-\r\n",
       "http://ansi/"},
      {"quotes removed", "[InternetShortcut]\r\nURL=\"http://quoted/\"\r\n", "http://quoted/"},
      {"single quotes removed", "[InternetShortcut]\r\nURL='http://single/'\r\n", "http://single/"},
      {"blanks around names and values", " [ InternetShortcut ] \r\n\t url \t=  http://blank/ \r\n",
       "http://blank/"},
      {"CR-only line ends", "[InternetShortcut]\rIDList=\rURL=http://cr/\rHotKey=0\r",
       "http://cr/"},
      {"UTF-16LE with its byte-order mark",
       Utf16Le(u"[InternetShortcut]\r\nURL=http://utf16.example/\u00fc\r\nIconIndex=0\r\n"),
       "http://utf16.example/\xc3\xbc"},
      {"UTF-8 with its byte-order mark", "\xEF\xBB\xBF[InternetShortcut]\nURL=http://bom/\n",
       "http://bom/"},
      {"the first URL line counts",
       "[InternetShortcut]\r\nURL=http://first/\r\nURL=http://second/\r\n", "http://first/"},
      {"quotes around nothing", "[InternetShortcut]\r\nURL=\"\"\r\n", nullptr},
      {"a UTF-16 file without a URL", Utf16Le(u"[InternetShortcut]\r\nIDList=\r\n"), nullptr},
  };
  for (const Case& c : cases) {
    std::string url;
    const bool found = ParseShortcutUrl(c.content, url);
    EXPECT_EQ(found, c.url != nullptr) << c.what;
    if (found && c.url) {
      EXPECT_EQ(url, c.url) << c.what;
    }
  }
}

TEST(ShortcutFile, SavingKeepsTheEncodingTheLineEndsAndTheUnicodeLine) {
  struct Case {
    const char* what;
    std::string before;
    std::string url;
    std::string after;
  } cases[] = {
      {"CR-only lines get CR-only lines", "[X]\ra=b\r", "http://new/",
       "[X]\ra=b\r[InternetShortcut]\rURL=http://new/\r"},
      {"a quoted value is replaced", "[InternetShortcut]\r\nURL=\"http://old/\"\r\n", "http://new/",
       "[InternetShortcut]\r\nURL=http://new/\r\n"},
      {"a non-ASCII address gets the Unicode line", "[InternetShortcut]\r\nURL=http://old/\r\n",
       "https://de.wikipedia.org/wiki/M\xc3\xbcnchen",
       "[InternetShortcut]\r\nURL=https://de.wikipedia.org/wiki/M\xc3\xbcnchen\r\n"
       "[InternetShortcut.W]\r\nURL=https://de.wikipedia.org/wiki/M+APw-nchen\r\n"},
      {"an existing Unicode line follows an ASCII address",
       "[InternetShortcut]\r\nURL=http://M?nchen/\r\n[InternetShortcut.W]\r\nURL=http://"
       "M+APw-nchen/\r\n",
       "http://x/~a+b",
       "[InternetShortcut]\r\nURL=http://x/~a+b\r\n[InternetShortcut.W]\r\nURL=http://x/"
       "+AH4-a+-b\r\n"},
      {"bytes that are no UTF-8 drop the Unicode line",
       "[InternetShortcut]\nURL=http://a/\n[InternetShortcut.W]\nURL=http://a/\nX=1\n",
       "http://caf\xe9/", "[InternetShortcut]\nURL=http://caf\xe9/\n[InternetShortcut.W]\nX=1\n"},
      {"a UTF-16 file stays UTF-16 with its line ends",
       Utf16Le(u"[InternetShortcut]\nURL=http://old/\nIconIndex=0\n"), "http://new/\xc3\xbc",
       Utf16Le(u"[InternetShortcut]\nURL=http://new/\u00fc\nIconIndex=0\n"
               u"[InternetShortcut.W]\nURL=http://new/+APw-\n")},
      {"blanks at the ends are kept by quotes", "", " http://blank/ ",
       "[InternetShortcut]\r\nURL=\" http://blank/ \"\r\n"},
  };
  for (const Case& c : cases) {
    std::string saved, back;
    ASSERT_TRUE(WithShortcutUrl(c.before, c.url, saved)) << c.what;
    EXPECT_EQ(saved, c.after) << c.what;
    ASSERT_TRUE(ParseShortcutUrl(saved, back)) << c.what;
    EXPECT_EQ(back, c.url) << c.what;
  }
  // A UTF-16 file can't take bytes that are no Unicode text: it is not changed.
  std::string saved;
  EXPECT_FALSE(
      WithShortcutUrl(Utf16Le(u"[InternetShortcut]\r\nURL=http://a/\r\n"), "http://\xe9/", saved));
}

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
