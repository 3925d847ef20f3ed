#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <vector>

#include "model/DiskTarget.h"
#include "model/FavoritesList.h"
#include "model/FavoritesManager.h"
#include "model/FavoritesMerge.h"
#include "model/TreeViewOps.h"
#include "platform/FolderWriter.h"
#include "platform/ShortcutFile.h"
#include "tests/support/FakeTreeView.h"
#include "tests/support/TempDir.h"
#include "tests/support/TreeText.h"

namespace fs = std::filesystem;
using testsupport::Describe;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// A favorites list written the way Describe() prints a tree: two spaces per level, " | " between
// name and URL, a leading "-" for a node the user unchecked; <CR> and <LF> stand for a lone CR
// or LF inside a line.
std::string ListText(const std::string& picture) {
  std::string out;
  size_t pos = 0;
  while (pos < picture.size()) {
    size_t end = picture.find('\n', pos);
    if (end == std::string::npos) end = picture.size();
    std::string line = picture.substr(pos, end - pos);
    pos = end + 1;
    size_t indent = 0;
    while (indent + 1 < line.size() && line.compare(indent, 2, "  ") == 0) indent += 2;
    out.append(indent / 2, '\t');
    std::string text = line.substr(indent);
    for (size_t bar; (bar = text.find(" | ")) != std::string::npos;) text.replace(bar, 3, "\x01");
    for (size_t cr; (cr = text.find("<CR>")) != std::string::npos;) text.replace(cr, 4, "\r");
    for (size_t lf; (lf = text.find("<LF>")) != std::string::npos;) text.replace(lf, 4, "\n");
    out += text + "\r\n";
  }
  return out;
}

// Loads a picture into the tree and turns the "-" prefixes into exclusion marks.
void LoadPicture(FavoritesTree& tree, const std::string& picture) {
  LoadText(tree, ListText(picture));
  std::vector<FavoriteNode*> pending{tree.Root()};
  while (!pending.empty()) {
    FavoriteNode* node = pending.back();
    pending.pop_back();
    if (!node) continue;
    if (!node->text.empty() && node->text[0] == '-') {
      node->text.remove_prefix(1);
      node->excluded = 1;
    }
    pending.push_back(node->firstChild);
    pending.push_back(node->nextSibling);
  }
}

// What lies in a folder: relative path -> a description ("dir", "link -> target", the URL of a
// shortcut, or the bytes of another file) and the inode, which tells a rewritten file.
struct Entry {
  std::string what;
  ino_t inode;
  bool operator==(const Entry&) const = default;
};
using Snapshot = std::map<std::string, Entry>;

Snapshot Take(const std::string& dir) {
  Snapshot snap;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(dir, ec), end; it != end; it.increment(ec)) {
    const std::string path = it->path().string();
    struct stat st {};
    ::lstat(path.c_str(), &st);
    std::string what;
    if (S_ISLNK(st.st_mode)) {
      what = "link -> " + fs::read_symlink(it->path()).string();
    } else if (S_ISDIR(st.st_mode)) {
      what = "dir";
    } else if (std::string url; platform::LoadShortcutUrl(path, url)) {
      what = url;
    } else {
      what = ReadFile(path);
    }
    snap[path.substr(dir.size() + 1)] = {what, st.st_ino};
  }
  return snap;
}

// Entries added or changed since `before`, as "path what" lines; removed entries as "-path".
std::string Changes(const Snapshot& before, const Snapshot& after) {
  std::string out;
  for (const auto& [path, entry] : after) {
    const auto old = before.find(path);
    if (old == before.end()) {
      out += path + " " + entry.what + "\n";
    } else if (!(old->second == entry)) {
      out += path + " changed " + entry.what + "\n";
    }
  }
  for (const auto& [path, entry] : before) {
    if (!after.count(path)) out += "-" + path + "\n";
  }
  return out;
}

class FavoritesMerge : public ::testing::Test {
 protected:
  // Favorites folder entries: "Dir/" makes a folder, "name.url=URL" a shortcut.
  void MakeDisk(const std::vector<std::string>& entries) {
    fs::create_directories(fav_);
    for (const std::string& entry : entries) {
      const size_t eq = entry.find('=');
      if (eq == std::string::npos) {
        fs::create_directories(fav_ + "/" + entry);
      } else {
        testsupport::WriteShortcut(fav_ + "/" + entry.substr(0, eq), entry.substr(eq + 1));
      }
    }
  }
  // Scans the Favorites folder, merges the server picture into it and returns the changes on
  // disk; everything outside the Favorites folder must stay as it was.
  std::string Merge(const std::string& serverPicture) {
    manager_.ScanLocal(fav_);
    manager_.ServerTree().Clear();
    LoadPicture(manager_.ServerTree(), serverPicture);
    const std::string serverBefore = BuildText(manager_.ServerTree());
    const Snapshot outside = Take(home_.path() + "/outside");
    const Snapshot before = Take(fav_);
    DiskTarget target(fav_);
    MergeFavorites(manager_.LocalTree(), manager_.ServerTree().Root(), target);
    EXPECT_EQ(Changes(outside, Take(home_.path() + "/outside")), "");
    EXPECT_EQ(BuildText(manager_.ServerTree()), serverBefore) << "the server tree is left alone";
    return Changes(before, Take(fav_));
  }
  std::string Local() const { return Describe(manager_.LocalTree().Root()); }

  testsupport::TempHome home_;
  std::string fav_ = home_.favorites();
  FavoritesManager manager_;
};

}  // namespace

TEST_F(FavoritesMerge, EdgeCases) {
  struct Case {
    const char* name;
    std::vector<std::string> disk;
    const char* server;
    const char* tree;     // the local tree afterwards, below its root
    const char* written;  // the changes on disk
  } cases[] = {
      {"same name and URL: nothing written",
       {"a.url=http://a/"},
       "S\n  a | http://a/",
       "  a | http://a/\n",
       ""},
      {"same name, other URL: the file takes the server's URL, the tree holds both",
       {"a.url=http://old/"},
       "S\n  a | http://new/",
       "  a | http://old/\n  a | http://new/\n",
       "a.url changed http://new/\n"},
      {"missing folder written without its unchecked descendants",
       {"keep.url=http://k/"},
       "S\n  New\n    -x | http://x/\n    Sub\n      y | http://y/\n      -z | http://z/\n    "
       "-Off\n"
       "      o | http://o/",
       "  keep | http://k/\n  New\n    Sub\n      y | http://y/\n",
       "New dir\nNew/Sub dir\nNew/Sub/y.url http://y/\n"},
      {"unchecked nodes inside an existing folder are passed over",
       {"A/"},
       "S\n  A\n    -x | http://x/\n    -Sub\n      y | http://y/\n    z | http://z/",
       "  A\n    z | http://z/\n",
       "A/z.url http://z/\n"},
      {"an unchecked server root's children still count: roots are not compared",
       {},
       "-S\n  a | http://a/",
       "  a | http://a/\n",
       "a.url http://a/\n"},
      {"folder names compare with case",
       {"news/"},
       "S\n  News\n    x | http://x/",
       "  news\n  News\n    x | http://x/\n",
       "News dir\nNews/x.url http://x/\n"},
      {"a dotted folder is matched by its whole name and written into",
       {"Tech.News/", "v1.0/", "v1.5/"},
       "S\n  Tech.News\n    x | http://x/\n  v1.5\n    y | http://y/",
       "  Tech.News\n    x | http://x/\n  v1.0\n  v1.5\n    y | http://y/\n",
       "Tech.News/x.url http://x/\nv1.5/y.url http://y/\n"},
      {"a cut name from an older installation's list is a folder of that name",
       {"Tech.News/"},
       "S\n  Tech\n    x | http://x/",
       "  Tech.News\n  Tech\n    x | http://x/\n",
       "Tech dir\nTech/x.url http://x/\n"},
      {"names with a lone CR or LF are never written",
       {},
       "S\n  a<LF>b | http://x/\n  c<CR>d\n    e | http://e/\n  fine | http://f/",
       "  a\nb | http://x/\n  c\rd\n    e | http://e/\n  fine | http://f/\n",
       "fine.url http://f/\n"},
      {"two equal server links: the second matches the first",
       {},
       "S\n  a | http://a/\n  a | http://a/",
       "  a | http://a/\n",
       "a.url http://a/\n"},
      {"two equal server folders: the second merges into the copy of the first",
       {},
       "S\n  F\n    x | http://x/\n  F\n    x | http://x/\n    y | http://y/",
       "  F\n    x | http://x/\n    y | http://y/\n",
       "F dir\nF/x.url http://x/\nF/y.url http://y/\n"},
      {"nodes under a link stay in the tree but never reach the disk",
       {"l.url=http://l/"},
       "S\n  l | http://l/\n    kid | http://k/\n  m | http://m/\n    sub\n",
       "  l | http://l/\n    kid | http://k/\n  m | http://m/\n    sub\n",
       "m.url http://m/\n"},
      {"an empty server tree merges nothing", {"a.url=http://a/"}, "S", "  a | http://a/\n", ""},
      {"a server link without a URL leaves the file of that name alone",
       {"a.url=http://a/"},
       "S\n  a | \n  b |  \t",
       "  a | http://a/\n  a | \n  b |  \t\n",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(fav_);
    MakeDisk(c.disk);
    EXPECT_EQ(Merge(c.server), c.written);
    EXPECT_EQ(Local(), std::string("Favorites\n") + c.tree);
  }
}

TEST_F(FavoritesMerge, ReplacingAUrlKeepsTheFilesOtherLines) {
  MakeDisk({"a.url=http://old/"});
  Merge("S\n  a | http://new/");
  EXPECT_EQ(ReadFile(fav_ + "/a.url"),
            "[DEFAULT]\r\nBASEURL=http://old/\r\n[InternetShortcut]\r\nURL=http://new/\r\n"
            "IDList=\r\nHotKey=0\r\n");
}

TEST_F(FavoritesMerge, NewShortcutFileIsAPlainInternetShortcut) {
  MakeDisk({});
  Merge("S\n  Caf\xc3\xa9 & co | http://x/?a=1&b=%20");
  EXPECT_EQ(ReadFile(fav_ + "/Caf\xc3\xa9 & co.url"),
            "[InternetShortcut]\r\nURL=http://x/?a=1&b=%20\r\n");
}

// Server copies are input from outside: whatever they hold, nothing is created or changed
// outside the Favorites folder, and nothing inside it that the list does not name.
TEST_F(FavoritesMerge, HostileServerCopiesStayInsideTheFolder) {
  const std::string outside = home_.path() + "/outside";
  const std::string longName(256, 'n');
  struct Case {
    const char* name;
    std::string server;
    const char* written;
  } cases[] = {
      {"folder ..", "S\n  ..\n    x | http://x/\n    ..\n      y | http://y/", ""},
      {"folder .", "S\n  .\n    x | http://x/", ""},
      {"empty folder name", "S\n  \n    x | http://x/", ""},
      {"folder with a slash", "S\n  a/b\n    x | http://x/", ""},
      {"folder climbing out", "S\n  ../outside\n    x | http://x/", ""},
      {"folder with a backslash", "S\n  ..\\outside\n    x | http://x/", ""},
      {"link name climbing out", "S\n  ../outside/x | http://x/", ""},
      {"link named ..", "S\n  .. | http://x/", ""},
      {"link without a name", "S\n   | http://x/", ""},
      {"link name with a backslash", "S\n  a\\b | http://x/", ""},
      {"URL with a line feed", "S\n  lf | http://x/<LF>IconFile=/etc/passwd", ""},
      {"URL with a carriage return", "S\n  cr | http://x/<CR>[Other]", ""},
      {"a folder that is a link out", "S\n  escape\n    x | http://x/", ""},
      {"a folder that is a link out, deeper", "S\n  A\n    B\n      x | http://x/", ""},
      {"a shortcut that is a link out is left alone, not written through",
       "S\n  evil | http://new/", ""},
      {"a folder name too long", "S\n  " + longName + "\n    x | http://x/", ""},
      {"a link name too long with .url", "S\n  " + longName.substr(0, 252) + " | http://x/", ""},
      {"the rest of the list is still written", "S\n  ..\n    x | http://x/\n  fine | http://fine/",
       "fine.url http://fine/\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(fav_);
    fs::remove_all(outside);
    WriteFile(outside + "/victim.url", "[InternetShortcut]\r\nURL=http://victim/\r\n");
    MakeDisk({"A/"});
    fs::create_directory_symlink(outside, fav_ + "/escape");
    fs::create_directory_symlink(outside, fav_ + "/A/B");
    fs::create_symlink(outside + "/victim.url", fav_ + "/evil.url");
    EXPECT_EQ(Merge(c.server), c.written);
  }
}

// The length limits skip what does not fit; they never shorten a name into another one.
TEST_F(FavoritesMerge, PathsLongerThanTheSystemAllowsAreSkipped) {
  MakeDisk({});
  const std::string segment(200, 'd');
  std::string picture = "S";
  for (int depth = 1; depth <= 25; ++depth) {
    picture += "\n" + std::string(static_cast<size_t>(depth) * 2, ' ') + segment;
    picture += "\n" + std::string(static_cast<size_t>(depth) * 2 + 2, ' ') + "x | http://x/";
  }
  const std::string changes = Merge(picture);
  size_t folders = 0, links = 0;
  for (const auto& [path, entry] : Take(fav_)) {
    EXPECT_LE(fav_.size() + 1 + path.size(), platform::FolderWriter::kMaxPath);
    const std::string last = fs::path(path).filename().string();
    EXPECT_TRUE(last == segment || last == "x.url") << last;
    (entry.what == "dir" ? folders : links) += 1;
  }
  const size_t fitting = (platform::FolderWriter::kMaxPath - fav_.size()) / (segment.size() + 1);
  EXPECT_EQ(folders, fitting);
  EXPECT_GE(links + 1, fitting);
}

// Server lists may be arbitrarily deep: the merge and the writer must not recurse, and a written
// chain deeper than the open-folder window has to find its way back up for the later links.
TEST_F(FavoritesMerge, DeepListsAreMergedAndWrittenWithoutRecursion) {
  MakeDisk({});
  std::string list = "S\r\n";
  for (int depth = 1; depth <= 40; ++depth) list += std::string(depth, '\t') + "d\r\n";
  for (int depth = 40; depth >= 1; --depth) {
    list += std::string(depth + 1, '\t') + "x" + std::to_string(depth) + "\x01http://x/\r\n";
  }
  manager_.ScanLocal(fav_);
  LoadText(manager_.ServerTree(), list);
  DiskTarget target(fav_);
  MergeFavorites(manager_.LocalTree(), manager_.ServerTree().Root(), target);
  std::string folder = fav_;
  for (int depth = 1; depth <= 40; ++depth) {
    folder += "/d";
    std::string url;
    EXPECT_TRUE(platform::LoadShortcutUrl(folder + "/x" + std::to_string(depth) + ".url", url))
        << depth;
  }

  // 100,000 levels (built directly: as a list the TABs alone would take gigabytes), first as a
  // missing tree, then matched level by level with a new link at the bottom.
  for (int round = 0; round < 2; ++round) {
    manager_.ServerTree().Clear();
    FavoriteNode* node = manager_.ServerTree().AddNode(nullptr, "S");
    for (int depth = 1; depth <= 100000; ++depth) node = manager_.ServerTree().AddNode(node, "e");
    manager_.ServerTree().AddNode(node, "last\x01http://l/");
    DiskTarget again(fav_);
    MergeFavorites(manager_.LocalTree(), manager_.ServerTree().Root(), again);
  }
  EXPECT_TRUE(fs::is_directory(fav_ + "/e/e/e"));
  EXPECT_FALSE(fs::exists(fav_ + "/outside"));
}

TEST_F(FavoritesMerge, NodePathNamesTheNodeBelowTheRoot) {
  FavoritesTree tree;
  LoadPicture(tree, "Favorites\n  A\n    B\n      x | http://x/\n  y | http://y/");
  const FavoriteNode* a = tree.Root()->firstChild;
  EXPECT_EQ(NodePath(tree.Root()), "");
  EXPECT_EQ(NodePath(a), "A");
  EXPECT_EQ(NodePath(a->firstChild->firstChild), "A/B/x");
  EXPECT_EQ(NodePath(a->nextSibling), "y");
}

// The model's side of the Upload, Download and Synchronize commands, with the views faked.
class FavoritesManagerSync : public FavoritesMerge {
 protected:
  void ShowLocal() {
    local_.DeleteAllItems();
    ShowTree(local_, manager_.LocalTree().Root(), nullptr);
  }
  void ShowServer() {
    server_.DeleteAllItems();
    ShowTree(server_, manager_.ServerTree().Root(), nullptr);
  }
  // The model's part of Synchronize: the view's checks into the tree, the merge.
  void Synchronise() {
    ReadChecks(server_, server_.FirstRoot(), manager_.ServerTree().Root());
    DiskTarget target(fav_);
    manager_.MergeIntoLocal(manager_.ServerTree(), target, nullptr);
  }
  static TreeItem Item(const TreeView& view, std::initializer_list<int> path) {
    TreeItem item = view.FirstRoot();
    for (int index : path) item = view.ChildAt(item, index);
    return item;
  }

  testsupport::TempDir programFolder_;
  const std::string serverFile_ = programFolder_ / "favorites-server.txt";
  testsupport::FakeTreeView local_, server_;
};

TEST_F(FavoritesManagerSync, PrepareUploadLeavesOutUncheckedNodes) {
  MakeDisk({"A/a.url=http://a/", "A/Sub/s.url=http://s/", "b.url=http://b/"});
  manager_.ScanLocal(fav_);
  ShowLocal();
  local_.SetCheck(Item(local_, {0, 1}), kUnchecked);  // A/Sub
  ReadChecks(local_, local_.FirstRoot(), manager_.LocalTree().Root());
  EXPECT_EQ(manager_.PrepareUpload(programFolder_ / "favorites-local.txt"), 0);
  EXPECT_EQ(ReadFile(programFolder_ / "favorites-local.txt"),
            "Favorites\r\n\tA\r\n\t\ta\x01http://a/\r\n\tb\x01http://b/\r\n");
}

TEST_F(FavoritesManagerSync, LoadServerCopyReadsTheFileOrKeepsTheTreeShown) {
  WriteFile(serverFile_, ListText("Server\n  F\n    x | http://x/"));
  EXPECT_EQ(manager_.LoadServerCopy(serverFile_), 0);
  EXPECT_EQ(Describe(manager_.ServerTree().Root()), "Server\n  F\n    x | http://x/\n");
  EXPECT_EQ(manager_.LoadServerCopy(serverFile_), 0);  // read again, not appended
  EXPECT_EQ(Describe(manager_.ServerTree().Root()), "Server\n  F\n    x | http://x/\n");
  const unsigned shown = manager_.ServerGeneration();
  fs::remove(serverFile_);
  EXPECT_EQ(manager_.LoadServerCopy(serverFile_), 1);
  EXPECT_EQ(Describe(manager_.ServerTree().Root()), "Server\n  F\n    x | http://x/\n");
  EXPECT_EQ(manager_.ServerGeneration(), shown) << "the view is not told of a failed read";
}

TEST_F(FavoritesManagerSync, SynchroniseTakesTheCheckedServerNodesOnce) {
  MakeDisk({"A/a.url=http://a/"});
  manager_.ScanLocal(fav_);
  const std::string serverList = ListText(
      "Server\n  A\n    a | http://a/\n    n | http://n/\n  Off\n    o | http://o/\n"
      "  top | http://top/");
  WriteFile(serverFile_, serverList);
  ASSERT_EQ(manager_.LoadServerCopy(serverFile_), 0);
  ShowServer();
  server_.SetCheck(Item(server_, {1}), kUnchecked);  // Off
  server_.SetCheck(Item(server_, {1, 0}), kUnchecked);

  const Snapshot before = Take(fav_);
  const unsigned shown = manager_.ServerGeneration();
  Synchronise();
  EXPECT_EQ(Changes(before, Take(fav_)), "A/n.url http://n/\ntop.url http://top/\n");
  EXPECT_EQ(Describe(manager_.LocalTree().Root()),
            "Favorites\n  A\n    a | http://a/\n    n | http://n/\n  top | http://top/\n");
  // The server tree is still the one the view shows, with the view's checks; the file is
  // untouched.
  EXPECT_EQ(manager_.ServerGeneration(), shown);
  EXPECT_FALSE(manager_.TakeChangedServerCopy());
  EXPECT_EQ(Describe(manager_.ServerTree().Root()),
            "Server\n  A\n    a | http://a/\n    n | http://n/\n  -Off\n    -o | http://o/\n"
            "  top | http://top/\n");
  EXPECT_EQ(ReadFile(serverFile_), serverList);

  // A second run, the view still showing the same checks, writes nothing.
  const Snapshot once = Take(fav_);
  Synchronise();
  EXPECT_EQ(Changes(once, Take(fav_)), "");
  EXPECT_EQ(Describe(manager_.LocalTree().Root()),
            "Favorites\n  A\n    a | http://a/\n    n | http://n/\n  top | http://top/\n");
}

TEST_F(FavoritesManagerSync, AServerCopyStoredAgainReplacesTheTreeShown) {
  WriteFile(serverFile_, ListText("Server\n  a | http://a/\n  b | http://b/"));
  ASSERT_EQ(manager_.LoadServerCopy(serverFile_), 0);
  const unsigned shown = manager_.ServerGeneration();
  EXPECT_FALSE(manager_.TakeChangedServerCopy()) << "the same bytes stored again";
  WriteFile(serverFile_, ListText("Server\n  b | http://b/\n  a | http://a/"));
  EXPECT_TRUE(manager_.TakeChangedServerCopy());
  EXPECT_EQ(Describe(manager_.ServerTree().Root()), "Server\n  b | http://b/\n  a | http://a/\n");
  EXPECT_NE(manager_.ServerGeneration(), shown) << "the view fills itself again";
  EXPECT_FALSE(manager_.TakeChangedServerCopy());
  fs::remove(serverFile_);
  EXPECT_FALSE(manager_.TakeChangedServerCopy()) << "a copy that can't be read changes nothing";
  EXPECT_EQ(Describe(manager_.ServerTree().Root()), "Server\n  b | http://b/\n  a | http://a/\n");
}
