#include <gtest/gtest.h>

#include <set>

#include "model/FavoritesList.h"
#include "model/FavoritesTree.h"
#include "tests/support/TempDir.h"
#include "tests/support/TreeText.h"

using testsupport::Describe;

namespace {

std::string Read(const std::string& bytes) {
  FavoritesTree tree;
  LoadText(tree, bytes);
  return Describe(tree.Root());
}

// A tree of folders and links in which every name and URL byte matters.
void BuildSample(FavoritesTree& tree) {
  FavoriteNode* root = tree.AddNode(nullptr, "Favorites");
  FavoriteNode* a = tree.AddNode(root, "A folder.with dots");
  tree.AddNode(a, "B\x01http://b.example/path?q=1&r=\xff");
  FavoriteNode* empty = tree.AddNode(a, "empty");
  (void)empty;
  tree.AddNode(root,
               "C\x01"
               "ftp://c/");
  FavoriteNode* d = tree.AddNode(root, "\xe4\xf6\xfc");
  tree.AddNode(tree.AddNode(d, "deeper"), "x\x01y");
}

}  // namespace

TEST(FavoritesListWriter, WritesDepthFirstWithTabsAndCrLf) {
  FavoritesTree tree;
  BuildSample(tree);
  EXPECT_EQ(BuildText(tree), std::string("Favorites\r\n"
                                         "\tA folder.with dots\r\n"
                                         "\t\tB\x01http://b.example/path?q=1&r=\xff\r\n"
                                         "\t\tempty\r\n"
                                         "\tC\x01"
                                         "ftp://c/\r\n"
                                         "\t\xe4\xf6\xfc\r\n"
                                         "\t\tdeeper\r\n"
                                         "\t\t\tx\x01y\r\n"));
}

TEST(FavoritesListWriter, LeavesOutExcludedNodesWithTheirDescendants) {
  FavoritesTree tree;
  BuildSample(tree);
  tree.Root()->firstChild->excluded = 1;
  EXPECT_EQ(BuildText(tree), std::string("Favorites\r\n\tC\x01"
                                         "ftp://c/\r\n\t\xe4\xf6\xfc\r\n"
                                         "\t\tdeeper\r\n\t\t\tx\x01y\r\n"));
  tree.Root()->excluded = 1;
  EXPECT_EQ(BuildText(tree), "");
  FavoritesTree empty;
  EXPECT_EQ(BuildText(empty), "");
}

TEST(FavoritesListWriter, StoresTheListInAFileAndReplacesIt) {
  testsupport::TempDir dir;
  FavoritesTree tree;
  BuildSample(tree);
  testsupport::WriteFile(dir / "out.txt", std::string(100000, 'x'));
  EXPECT_EQ(SaveText(tree, dir / "out.txt"), 0);
  const std::string text = BuildText(tree);
  EXPECT_EQ(testsupport::ReadFile(dir / "out.txt"), text);
  // The longest name the folder takes, beside a file of the user's that a temporary name could
  // have clashed with: both written or kept whole, nothing else left.
  const std::string longest = std::string(251, 'n') + ".txt";
  testsupport::WriteFile(dir / "out.txt.part", "the user's own");
  EXPECT_EQ(SaveText(tree, dir / longest), 0);
  EXPECT_EQ(SaveText(tree, dir / "out.txt"), 0);
  EXPECT_EQ(testsupport::ReadFile(dir / longest), text);
  EXPECT_EQ(testsupport::ReadFile(dir / "out.txt.part"), "the user's own");
  EXPECT_EQ(SaveText(tree, dir / "no/such/folder.txt"), 1);
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.insert(entry.path().filename().string());
  }
  EXPECT_EQ(names, (std::set<std::string>{longest, "out.txt", "out.txt.part"}));
}

TEST(FavoritesListReader, RoundTripGivesTheSameTree) {
  testsupport::TempDir dir;
  FavoritesTree tree;
  BuildSample(tree);
  SaveText(tree, dir / "list.txt");
  FavoritesTree back;
  ASSERT_EQ(Load(back, dir / "list.txt"), 0);
  EXPECT_EQ(Describe(back.Root()), Describe(tree.Root()));
  FavoritesTree missing;
  EXPECT_EQ(Load(missing, dir / "missing.txt"), 1);
  EXPECT_EQ(missing.Root(), nullptr);
}

TEST(FavoritesListReader, ReadsWhatTheWriterNeverProducesByTheFormatsRules) {
  struct Case {
    const char* name;
    std::string bytes;
    std::string tree;
  } cases[] = {
      {"empty file", "", "\n"},
      {"one unterminated line", "Favorites", "Favorites\n"},
      {"last unterminated line dropped", "R\r\n\tA\r\n\tB", "R\n  A\n"},
      {"first line's TABs dropped", "\t\tR\r\n\tA\r\n", "R\n  A\n"},
      {"lines without TABs are root children", "R\r\nA\r\n\tA1\r\nB\r\n", "R\n  A\n    A1\n  B\n"},
      {"jump of three levels nests once per line", "R\r\n\t\t\tX\r\n\t\t\tY\r\n\tZ\r\n",
       "R\n  X\n    Y\n  Z\n"},
      {"back up several levels", "R\r\n\tA\r\n\t\tB\r\n\t\t\tC\r\n\tD\r\n",
       "R\n  A\n    B\n      C\n  D\n"},
      {"lone LF and lone CR are data", "R\r\n\ta\nb\rc\r\n", "R\n  a\nb\rc\n"},
      {"LF-only file is one line", "R\n\tA\n\tB\n", "R\n\tA\n\tB\n\n"},
      {"0xFF is ordinary data", "R\r\n\t\xff name\r\n\tafter\r\n", "R\n  \xff name\n  after\n"},
      {"trailing CR of an unterminated first line stays", "R\r", "R\r\n"},
      {"empty lines are nodes with empty text", "R\r\n\r\n\t\r\n", "R\n  \n    \n"},
      {"NUL ends a node text", std::string("R\r\n\tab\0cd\r\n\tnext\r\n", 18), "R\n  ab\n  next\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.bytes), c.tree) << c.name;
}

// The reader looks at many bytes at a time: a NUL, a lone LF or a line's end may fall anywhere
// in such a run, or in the last few bytes of the file.
TEST(FavoritesListReader, FindsLineEndsAndNulsAtEveryPlace) {
  for (size_t at = 0; at < 48; ++at) {
    for (const bool more : {true, false}) {
      SCOPED_TRACE(testing::Message() << "at " << at << (more ? ", lines after" : ", last line"));
      const std::string tail = more ? "\tafter\r\n" : "";
      const std::string line(48, 'x');
      std::string withNul = line, withLineFeed = line, nulThenLineFeed = line + 'x';
      withNul[at] = '\0';
      withLineFeed[at] = '\n';
      nulThenLineFeed[at] = '\0';
      nulThenLineFeed[at + 1] = '\n';
      const std::string after = more ? "  after\n" : "";
      EXPECT_EQ(Read("R\r\n\t" + withNul + "\r\n" + tail),
                "R\n  " + line.substr(0, at) + "\n" + after);
      EXPECT_EQ(Read("R\r\n\t" + withLineFeed + "\r\n" + tail),
                "R\n  " + withLineFeed + "\n" + after);
      EXPECT_EQ(Read("R\r\n\t" + nulThenLineFeed + "\r\n" + tail),
                "R\n  " + line.substr(0, at) + "\n" + after);
      // A short line ends in the run that holds the next line's NUL.
      EXPECT_EQ(Read("R\r\n\t" + line.substr(0, at % 8) + "\r\n\t" + withNul + "\r\n" + tail),
                "R\n  " + line.substr(0, at % 8) + "\n  " + line.substr(0, at) + "\n" + after);
    }
  }
}

TEST(FavoritesListReader, KeepsLongLinesWhole) {
  for (size_t length : {1022u, 1023u, 10u * 1024 * 1024}) {
    const std::string text = "L\x01http://" + std::string(length - 9, 'u');
    FavoritesTree tree;
    LoadText(tree, "R\r\n\t" + text + "\r\n\tafter\r\n");
    ASSERT_NE(tree.Root()->firstChild, nullptr);
    EXPECT_EQ(tree.Root()->firstChild->text, text) << length;
    EXPECT_EQ(tree.Root()->firstChild->nextSibling->text, "after");
  }
}

TEST(FavoritesListReader, SurvivesDeepAndWideLists) {
  // 5,000 lines each one TAB deeper than the last: a chain 5,000 nodes deep (12 MB).
  std::string deep = "R\r\n";
  const int depth = 5000;
  for (int i = 1; i <= depth; ++i) deep += std::string(static_cast<size_t>(i), '\t') + "n\r\n";
  FavoritesTree tree;
  LoadText(tree, deep);
  int levels = 0;
  for (const FavoriteNode* n = tree.Root(); n; n = n->firstChild) ++levels;
  EXPECT_EQ(levels, depth + 1);
  EXPECT_EQ(BuildText(tree), deep);

  std::string wide = "R\r\n";
  for (int i = 0; i < 100000; ++i) wide += "\tn" + std::to_string(i) + "\r\n";
  tree.Clear();
  LoadText(tree, wide);
  EXPECT_EQ(BuildText(tree), wide);
}

// A loaded list costs its own bytes and one node record per line: no copy of a line, no
// allocation of its own per node.
TEST(FavoritesListReader, ALoadedListCostsItsBytesAndANodePerLine) {
  testsupport::TempDir dir;
  std::string list = "Favorites\r\n";
  for (int f = 0; f < 1000; ++f) {
    list += "\tFolder " + std::to_string(f) + "\r\n";
    for (int l = 0; l < 99; ++l) {
      list += "\t\tLink " + std::to_string(l) + "\x01https://example.org/" + std::to_string(f) +
              "/" + std::to_string(l) + "\r\n";
    }
  }
  testsupport::WriteFile(dir / "list.txt", list);
  FavoritesTree tree;
  ASSERT_EQ(Load(tree, dir / "list.txt"), 0);
  ASSERT_EQ(tree.NodeCount(), 100001u);
  // A node record of 64 bytes, in blocks that grow by doubling.
  EXPECT_LE(tree.MemoryBytes(), list.size() + tree.NodeCount() * 96);
  EXPECT_EQ(BuildText(tree), list);
}

TEST(FavoritesTree, ClearingAMillionDeepChainDoesNotRecurse) {
  FavoritesTree tree;
  FavoriteNode* node = tree.AddNode(nullptr, "R");
  for (int i = 0; i < 1000000; ++i) node = tree.AddNode(node, "n");
  tree.Clear();
  EXPECT_EQ(tree.Root(), nullptr);
}
