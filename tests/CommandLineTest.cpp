// quillmere's argument handling and console behaviour, in process and through the real binary.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "commands/Places.h"
#include "commands/Settings.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::WriteShortcut;

namespace {

// What one run printed, and how it ended.
struct Result {
  int status;
  std::string out, err;
};

class CommandLine : public ::testing::Test {
 protected:
  // In process, with the given standard input; canAsk tells whether it counts as a terminal.
  Result Quillmere(const std::vector<std::string>& args, const std::string& input = "",
                   bool canAsk = false) {
    std::FILE* in = ::fmemopen(const_cast<char*>(input.data()), input.size() + 1, "r");
    char* outBytes = nullptr;
    char* errBytes = nullptr;
    size_t outSize = 0, errSize = 0;
    std::FILE* out = ::open_memstream(&outBytes, &outSize);
    std::FILE* err = ::open_memstream(&errBytes, &errSize);
    const int status = RunCommandLine(args, Places::ForUser(), in, out, err, canAsk);
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    Result run{status, std::string(outBytes, outSize), std::string(errBytes, errSize)};
    std::free(outBytes);
    std::free(errBytes);
    return run;
  }
  // The real program in this home, standard input not a terminal.
  Result Binary(const std::string& arguments) {
    const std::string out = home_ / "out", err = home_ / "err";
    const int raw = std::system(
        ("'" QUILLMERE_CLI "' " + arguments + " </dev/null >'" + out + "' 2>'" + err + "'")
            .c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(out), ReadFile(err)};
  }

  testsupport::TempHome home_;
};

TEST_F(CommandLine, BadUsageExitsWithTwoAndSaysWhy) {
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{}, "no command given"},
      {{"frobnicate"}, "unknown command frobnicate"},
      {{"download", "--yes"}, "unknown option --yes for download"},
      {{"synchronize", "--exclude"}, "--exclude needs a PATH"},
      {{"export"}, "export takes one operand"},
      {{"import"}, "import takes one operand"},
      {{"import", "--bookmarks", "b.html"}, "unknown option --bookmarks for import"},
      {{"backup", "extra"}, "backup takes no operand"},
      {{"show", "both"}, "show takes local or server"},
      {{"get", "colour"}, "no such key: colour"},
      {{"set", "Save Method", "mail"}, "Save Method takes a whole number"},
      {{"set", "user"}, "set takes a KEY and a VALUE"},
  };
  for (const auto& c : cases) {
    const Result run = Quillmere(c.args);
    EXPECT_EQ(run.status, 2) << c.says;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

TEST_F(CommandLine, HelpNamesEveryCommand) {
  const Result run = Quillmere({"--help"});
  EXPECT_EQ(run.status, 0);
  for (const char* command : {"upload", "download", "synchronize", "--dry-run", "--exclude",
                              "list-server", "delete-server", "backup", "restore", "export",
                              "--bookmarks", "import", "show", "get", "set"}) {
    EXPECT_NE(run.out.find(command), std::string::npos) << command;
  }
}

TEST_F(CommandLine, GetAndSetTheSheetsKeysWithoutRegardToCase) {
  EXPECT_EQ(Quillmere({"set", "save method", "1"}).status, 0);
  EXPECT_EQ(Quillmere({"set", "ftp", "ftp.example.org:2121"}).status, 0);
  EXPECT_EQ(ReadSetting(keys::kSaveMethod), 1);
  EXPECT_EQ(Quillmere({"get", "Save Method"}).out, "1\n");
  EXPECT_EQ(Quillmere({"get", "FTP"}).out, "ftp.example.org:2121\n");
  EXPECT_EQ(Quillmere({"get", "delete link"}).out, "0\n");
}

TEST_F(CommandLine, ShowPrintsOnePathPerNode) {
  WriteShortcut(home_.favorites() + "/News/Daily.url", "http://daily/");
  WriteShortcut(home_.favorites() + "/Alpha.url", "http://alpha/");
  const Result local = Quillmere({"show", "local"});
  EXPECT_EQ(local.status, 0);
  EXPECT_EQ(local.out, "Alpha\thttp://alpha/\nNews\nNews/Daily\thttp://daily/\n");
  const Result server = Quillmere({"show", "server"});
  EXPECT_EQ(server.status, 1);
  EXPECT_NE(server.err.find("run quillmere download first"), std::string::npos);
}

// A transfer that lacks its settings says which and fails; it never waits for anyone.
TEST_F(CommandLine, IncompleteSettingsFailWithTheMissingKeys) {
  EXPECT_EQ(Quillmere({"set", "user", "alice"}).status, 0);
  const Result run = Quillmere({"download"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("missing: pass, pop3, smtp"), std::string::npos) << run.err;
}

TEST_F(CommandLine, ImportsAndExportsBookmarksFiles) {
  WriteShortcut(home_.favorites() + "/Alpha.url", "http://alpha/");
  testsupport::WriteFile(
      home_ / "bookmarks.html",
      "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n<DT><H3>News</H3>\n<DL><p>\n"
      "<DT><A HREF=\"http://daily/\">Daily</A>\n</DL><p>\n</DL><p>\n");
  const Result dry = Quillmere({"import", "--dry-run", home_ / "bookmarks.html"});
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(dry.out,
            "read 1 folder and 1 link from " + home_ / "bookmarks.html" +
                "\nwould create folder News\nwould create link News/Daily\thttp://daily/\n");
  EXPECT_FALSE(fs::exists(home_.favorites() + "/News"));
  EXPECT_EQ(Quillmere({"import", home_ / "bookmarks.html"}).status, 0);
  EXPECT_EQ(Quillmere({"show", "local"}).out,
            "Alpha\thttp://alpha/\nNews\nNews/Daily\thttp://daily/\n");

  const Result exported = Binary("export --bookmarks '" + home_ / "out.html" + "'");
  EXPECT_EQ(exported.status, 0) << exported.err;
  const std::string html = ReadFile(home_ / "out.html");
  EXPECT_NE(html.find("<DT><H3 ADD_DATE="), std::string::npos) << html;
  EXPECT_NE(html.find("<DT><A HREF=\"http://daily/\""), std::string::npos) << html;
  const Result missing = Binary("import '" + home_ / "none.html" + "'");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("none.html can't be read."), std::string::npos) << missing.err;
}

TEST_F(CommandLine, TheRealProgramKeepsStatusAndErrorsApart) {
  WriteShortcut(home_.favorites() + "/Alpha.url", "http://alpha/");
  const Result show = Binary("show local");
  EXPECT_EQ(show.status, 0);
  EXPECT_EQ(show.out, "Alpha\thttp://alpha/\n");
  EXPECT_EQ(show.err, "");
  const Result exported = Binary("export '" + home_ / "list.txt" + "'");
  EXPECT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(ReadFile(home_ / "list.txt"), "Favorites\r\n\tAlpha\x01http://alpha/\r\n");
  const Result cannot = Binary("export '" + home_ / "no/such/list.txt" + "'");
  EXPECT_EQ(cannot.status, 1);
  EXPECT_EQ(cannot.out, "");
  EXPECT_NE(cannot.err.find("can't be written"), std::string::npos);
  EXPECT_EQ(Binary("nonsense").status, 2);
}

}  // namespace
