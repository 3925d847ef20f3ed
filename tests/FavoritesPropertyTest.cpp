// Properties of the favorites list and the synchronisation over a few hundred random trees. Every
// tree comes from a fixed seed, so a failure names the seed that shows it again.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "model/DiskTarget.h"
#include "model/FavoritesList.h"
#include "model/FavoritesManager.h"
#include "tests/support/TempDir.h"

namespace {

// A tree by value: easy to copy, compare and merge by the book in a test.
struct Tree {
  std::string text;
  int excluded = 0;
  std::vector<Tree> kids;
  bool operator==(const Tree&) const = default;
};

// Walks with an explicit stack: the list trees below reach thousands of levels.
Tree FromNode(const FavoriteNode* root) {
  Tree out;
  if (!root) return out;
  std::vector<std::pair<const FavoriteNode*, Tree*>> pending{{root, &out}};
  while (!pending.empty()) {
    auto [node, into] = pending.back();
    pending.pop_back();
    into->text = node->text;
    into->excluded = node->excluded;
    size_t count = 0;
    for (const FavoriteNode* c = node->firstChild; c; c = c->nextSibling) ++count;
    into->kids.resize(count);
    size_t i = 0;
    for (const FavoriteNode* c = node->firstChild; c; c = c->nextSibling) {
      pending.emplace_back(c, &into->kids[i++]);
    }
  }
  return out;
}

// Fills an empty FavoritesTree; with dropExcluded the marked nodes are left out with their
// subtrees, else the marks are copied.
void ToTree(const Tree& from, FavoritesTree& to, bool dropExcluded) {
  if (dropExcluded && from.excluded) return;
  std::vector<std::pair<const Tree*, FavoriteNode*>> pending{{&from, nullptr}};
  while (!pending.empty()) {
    auto [t, parent] = pending.back();
    pending.pop_back();
    FavoriteNode* node = to.AddNode(parent, t->text);
    if (!dropExcluded) node->excluded = t->excluded;
    for (auto kid = t->kids.rbegin(); kid != t->kids.rend(); ++kid) {
      if (!(dropExcluded && kid->excluded)) pending.emplace_back(&*kid, node);
    }
  }
}

// A readable picture of a value tree for failure messages; control and high bytes as \xNN.
std::string Show(const Tree& t, int depth = 0) {
  std::string out(static_cast<size_t>(depth) * 2, ' ');
  if (t.excluded) out += "-";
  for (unsigned char c : t.text) {
    if (c < 0x20 || c >= 0x7F) {
      static const char* hex = "0123456789abcdef";
      out += {'\\', 'x', hex[c >> 4], hex[c & 15]};
    } else {
      out += static_cast<char>(c);
    }
  }
  out += "\n";
  for (const Tree& kid : t.kids) out += Show(kid, depth + 1);
  return out;
}

// The first line where two pictures differ, with its neighbours.
std::string FirstDifference(const Tree& got, const Tree& expected) {
  const std::string a = Show(got), b = Show(expected);
  size_t line = 0, at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) {
    if (a[at++] == '\n') ++line;
  }
  auto around = [at](const std::string& s) {
    const size_t from = s.rfind('\n', at > 0 ? at - 1 : 0);
    return s.substr(from == std::string::npos ? 0 : from + 1, 300);
  };
  return "line " + std::to_string(line) + "\n got: " + around(a) + "\n expected: " + around(b);
}

class Generator {
 public:
  // diskSafe: names that the file system and the folder writer hold.
  Generator(unsigned seed, bool diskSafe) : rng_(seed), diskSafe_(diskSafe) {}

  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
  char Pick(std::string_view from) {
    return from[static_cast<size_t>(Int(0, int(from.size()) - 1))];
  }

  std::string Name() {
    std::string name;
    const int length = Int(diskSafe_ ? 1 : 0, Chance(0.05) ? (diskSafe_ ? 60 : 300) : 12);
    for (int i = 0; i < length; ++i) {
      // The trash takes only names the desktop can spell: on disk, non-ASCII names are UTF-8.
      if (diskSafe_ && Chance(0.1)) name += "\xc3\xa9";
      name += NameByte(i == 0);
    }
    if (diskSafe_ && (name == "." || name == "..")) name += "x";
    return name;
  }

  std::string Url() {
    std::string url = Chance(0.5) ? "http://" : "ftp://";
    const int length = Chance(0.1) ? Int(1000, 5000) : Int(0, 40);
    for (int i = 0; i < length; ++i) {
      const int pick = Int(0, 19);
      if (pick == 0) {
        url += '\x01';  // the URL is everything after the first 0x01
      } else if (pick == 1) {
        url += static_cast<char>(Int(0x80, 0xFF));
      } else if (pick == 2) {
        url += ' ';
      } else {
        url += Pick("abcdefghijklmnopqrstuvwxyz0123456789/?&=%#.");
      }
    }
    url += 'z';  // the shortcut reader trims blanks at the ends
    return url;
  }

  std::string Link() { return Name() + '\x01' + Url(); }

  // Shapes: bushy, a deep chain with branches, or one wide folder.
  Tree Make(int maxNodes) {
    Tree root{"Favorites", 0, {}};
    const int kind = Int(0, 9);
    // A deep chain on disk stays well inside the longest path the platform takes.
    const int nodes = kind == 0 ? (diskSafe_ ? 40 : maxNodes * 20) : Int(0, maxNodes);
    // Nodes are added breadth by breadth through indexes, as vectors move their elements.
    std::vector<std::vector<size_t>> paths{{}};
    for (int i = 0; i < nodes; ++i) {
      size_t pick;
      if (kind == 0 || kind == 1) {
        pick = kind == 0 ? paths.size() - 1 : 0;  // deep: below the newest folder; wide: root
      } else {
        pick = static_cast<size_t>(Int(0, static_cast<int>(paths.size()) - 1));
      }
      Tree& parent = At(root, paths[pick]);
      const bool folder = kind == 0 ? Chance(0.9) : Chance(0.3);
      std::string text = folder ? Name() : Link();
      if (diskSafe_ && !Unique(parent, text)) continue;
      parent.kids.push_back(Tree{std::move(text), 0, {}});
      if (folder) {
        std::vector<size_t> path = paths[pick];
        path.push_back(parent.kids.size() - 1);
        paths.push_back(std::move(path));
      }
    }
    return root;
  }

  void Exclude(Tree& tree, double p) {
    std::vector<Tree*> pending{&tree};
    while (!pending.empty()) {
      Tree* t = pending.back();
      pending.pop_back();
      if (Chance(p)) t->excluded = 1;
      for (Tree& kid : t->kids) pending.push_back(&kid);
    }
  }

  // A server copy of the base: some nodes dropped, some added, some URLs changed under the same
  // name, some folder names changed in case, some nodes repeated.
  Tree Mutate(const Tree& base) {
    Tree out{base.text, 0, {}};
    for (const Tree& kid : base.kids) {
      if (Chance(0.15)) continue;
      Tree copy = kid.kids.empty() ? kid : Mutate(kid);
      copy.text = kid.text;
      const size_t sep = copy.text.find('\x01');
      if (sep != std::string::npos && Chance(0.15))
        copy.text = copy.text.substr(0, sep + 1) + Url();
      if (sep == std::string::npos && Chance(0.1)) {
        std::string upper = copy.text;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (Unique(out, upper) && Unique(base, upper)) copy.text = upper;
      }
      if (Unique(out, copy.text)) out.kids.push_back(copy);
      if (Chance(0.05)) out.kids.push_back(copy);  // equal texts twice in one folder
    }
    for (int i = Int(0, 2); i > 0; --i) {
      Tree added = Chance(0.3) ? Make(6) : Tree{Link(), 0, {}};
      if (!added.kids.empty() || Chance(0.5)) added.text = Name();
      if (Unique(out, added.text) && Unique(base, added.text)) out.kids.push_back(added);
    }
    return out;
  }

 private:
  static Tree& At(Tree& root, const std::vector<size_t>& path) {
    Tree* t = &root;
    for (size_t i : path) t = &t->kids[i];
    return *t;
  }

  // No two entries of one folder may share a file name on disk: "name" for a folder, "name.url"
  // for a link.
  bool Unique(const Tree& parent, const std::string& text) {
    if (!diskSafe_) return true;
    const std::string file = FileName(text);
    for (const Tree& kid : parent.kids) {
      if (FileName(kid.text) == file) return false;
    }
    return true;
  }

  static std::string FileName(const std::string& text) {
    const size_t sep = text.find('\x01');
    return sep == std::string::npos ? text : text.substr(0, sep) + ".url";
  }

  char NameByte(bool first) {
    for (;;) {
      const int pick = Int(0, 19);
      char c;
      if (pick == 0) {
        c = static_cast<char>(Int(0x02, 0x08));
      } else if (pick <= 2) {
        c = static_cast<char>(Int(0x80, 0xFF));
      } else if (pick == 3) {
        c = '.';
      } else if (pick == 4) {
        c = ' ';
      } else if (pick == 5) {
        c = Pick("\t\r\n/\\");  // the format holds them; a file name holds some
      } else {
        c = Pick("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_()");
      }
      if ((c == '/' || c == '\\' || c == '\r' || c == '\n' ||
           static_cast<unsigned char>(c) >= 0x80) &&
          diskSafe_) {
        continue;
      }
      if (c == '\t' && first) continue;  // a leading TAB would read back deeper
      if (c == '\n' && !pending_.empty() && pending_.back() == '\r') continue;
      pending_ = std::string(1, c);
      return c;
    }
  }

  std::mt19937 rng_;
  bool diskSafe_;
  std::string pending_;  // the byte last given, so that no CR LF pair forms inside a name
};

Tree WithoutExcluded(const Tree& t) {
  Tree out{t.text, 0, {}};
  for (const Tree& kid : t.kids) {
    if (!kid.excluded) out.kids.push_back(WithoutExcluded(kid));
  }
  return out;
}

// The merge as the synchronisation defines it, on value trees: unchecked nodes are left out
// wherever they lie.
void ReferenceMerge(Tree& local, const Tree& server) {
  for (const Tree& q : server.kids) {
    if (q.excluded) continue;
    auto match = std::find_if(local.kids.begin(), local.kids.end(),
                              [&q](const Tree& r) { return r.text == q.text; });
    if (match != local.kids.end()) {
      ReferenceMerge(*match, q);
    } else {
      local.kids.push_back(WithoutExcluded(q));
    }
  }
}

// After the merge, every checked server node is in the local folder exactly once, unless the
// local folder held it more than once before.
void ExpectEachServerNodeOnce(const Tree& before, const Tree& server, const Tree& after,
                              const std::string& where) {
  for (const Tree& q : server.kids) {
    if (q.excluded) continue;
    auto count = [&q](const Tree& t) {
      return std::count_if(t.kids.begin(), t.kids.end(),
                           [&q](const Tree& r) { return r.text == q.text; });
    };
    EXPECT_EQ(count(after), std::max<std::ptrdiff_t>(count(before), 1)) << where << q.text;
    auto firstIn = [&q](const Tree& t) {
      return std::find_if(t.kids.begin(), t.kids.end(),
                          [&q](const Tree& r) { return r.text == q.text; });
    };
    const auto inAfter = firstIn(after);
    const auto inBefore = firstIn(before);
    // A folder the local tree lacked is copied with its checked nodes, duplicates included; the
    // comparison with the reference merge covers it.
    if (inAfter == after.kids.end() || inBefore == before.kids.end()) continue;
    ExpectEachServerNodeOnce(*inBefore, q, *inAfter, where + q.text + "/");
  }
}

// What a scan of the written folder must give: texts only, in a fixed order; of several links
// with one name only the one written last (they share one file), and of several folders with one
// name a single folder holding all their children (they share one folder).
Tree AsOnDisk(const Tree& t) {
  Tree grouped{t.text, 0, {}};
  std::map<std::string, size_t> at;  // a link by its name, a folder by its text
  for (const Tree& kid : t.kids) {
    const size_t sep = kid.text.find('\x01');
    const bool link = sep != std::string::npos;
    const std::string key = link ? "L" + kid.text.substr(0, sep) : "F" + kid.text;
    const auto found = at.find(key);
    if (found == at.end()) {
      at[key] = grouped.kids.size();
      grouped.kids.push_back(kid);
    } else if (link) {
      grouped.kids[found->second] = kid;
    } else {
      std::vector<Tree>& into = grouped.kids[found->second].kids;
      into.insert(into.end(), kid.kids.begin(), kid.kids.end());
    }
  }
  Tree out{t.text, 0, {}};
  for (const Tree& kid : grouped.kids) out.kids.push_back(AsOnDisk(kid));
  std::sort(out.kids.begin(), out.kids.end(),
            [](const Tree& a, const Tree& b) { return a.text < b.text; });
  return out;
}

// Everything below a folder: path -> inode, change time and contents, to see that nothing was
// written.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> out;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    struct stat st {};
    ::lstat(entry.path().c_str(), &st);
    std::string state = std::to_string(st.st_ino) + ":" + std::to_string(st.st_ctim.tv_sec) + "." +
                        std::to_string(st.st_ctim.tv_nsec) + ":" + std::to_string(st.st_mode);
    if (entry.is_regular_file()) state += ":" + testsupport::ReadFile(entry.path());
    out[entry.path().string()] = state;
  }
  return out;
}

// Marks the nodes of a tree whose pre-order positions are listed.
void MarkByPosition(FavoriteNode* root, const std::set<size_t>& positions) {
  size_t position = 0;
  std::vector<FavoriteNode*> pending{root};
  while (!pending.empty()) {
    FavoriteNode* n = pending.back();
    pending.pop_back();
    if (!n) continue;
    if (positions.count(position++)) n->excluded = 1;
    pending.push_back(n->nextSibling);
    pending.push_back(n->firstChild);
  }
}

// The merge of the server copy into the Favorites folder.
void Synchronise(FavoritesManager& manager, const std::string& favorites) {
  DiskTarget target(favorites);
  manager.MergeIntoLocal(manager.ServerTree(), target, nullptr);
}

}  // namespace

TEST(FavoritesListProperty, WritingThenReadingGivesTheTreeLessTheExcludedNodes) {
  for (unsigned seed = 1; seed <= 300; ++seed) {
    Generator gen(seed, false);
    Tree tree = gen.Make(60);
    gen.Exclude(tree, seed % 3 == 0 ? 0.0 : 0.05);
    FavoritesTree written;
    ToTree(tree, written, false);
    const std::string text = BuildText(written);

    FavoritesTree read;
    if (seed % 10 == 0) {
      testsupport::TempDir dir;
      ASSERT_EQ(SaveText(written, dir / "list.txt"), 0);
      ASSERT_EQ(Load(read, dir / "list.txt"), 0);
    } else {
      LoadText(read, text);
    }
    Tree expected{"", 0, {}};
    if (!tree.excluded) {
      FavoritesTree pruned;
      ToTree(tree, pruned, true);
      expected = FromNode(pruned.Root());
    }
    Tree got = FromNode(read.Root());
    ASSERT_TRUE(got == expected) << "seed " << seed << ": " << FirstDifference(got, expected);
    // An excluded root writes an empty list, which reads as one root with an empty text.
    EXPECT_EQ(BuildText(read), tree.excluded ? "\r\n" : text) << "seed " << seed;
  }
}

// The synchronisation writes a server copy into an empty Favorites folder, a scan reads it back;
// then a changed server copy with unchecked nodes is synchronised into it, twice.
TEST(FavoritesSyncProperty, ScanMergeAndSecondSynchronisationAgree) {
  for (unsigned seed = 1; seed <= 120; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Generator gen(seed, true);
    testsupport::TempHome home;
    std::filesystem::create_directories(home.favorites());
    const std::string fav = home.favorites();
    const std::string serverFile = home / "favorites-server.txt";
    FavoritesManager manager;
    manager.ScanLocal(fav);

    const Tree base = gen.Make(25);
    FavoritesTree baseTree;
    ToTree(base, baseTree, false);
    SaveText(baseTree, serverFile);
    ASSERT_EQ(manager.LoadServerCopy(serverFile), 0);
    Synchronise(manager, fav);
    manager.ScanLocal(fav);
    Tree scanned = FromNode(manager.LocalTree().Root());
    ASSERT_TRUE(AsOnDisk(scanned).kids == AsOnDisk(base).kids) << "the scan of a written tree";

    const Tree server = gen.Mutate(base);
    FavoritesTree serverTree;
    ToTree(server, serverTree, false);
    SaveText(serverTree, serverFile);
    ASSERT_EQ(manager.LoadServerCopy(serverFile), 0);
    std::set<size_t> unchecked;
    for (size_t i = 1; i < 200; ++i) {
      if (gen.Chance(0.08)) unchecked.insert(i);
    }
    MarkByPosition(manager.ServerTree().Root(), unchecked);
    const Tree serverMarked = FromNode(manager.ServerTree().Root());
    const Tree before = FromNode(manager.LocalTree().Root());
    Tree expected = before;
    ReferenceMerge(expected, serverMarked);

    Synchronise(manager, fav);
    const Tree after = FromNode(manager.LocalTree().Root());
    ASSERT_TRUE(after == expected) << "the merge";
    ExpectEachServerNodeOnce(before, serverMarked, after, "/");
    manager.ScanLocal(fav);
    const Tree scannedAfter = AsOnDisk(FromNode(manager.LocalTree().Root()));
    ASSERT_TRUE(scannedAfter.kids == AsOnDisk(after).kids)
        << "the scan after the merge: " << FirstDifference(scannedAfter, AsOnDisk(after));

    // The second synchronisation finds everything in place: nothing on disk changes.
    const auto disk = Snapshot(home.favorites());
    const Tree rescanned = FromNode(manager.LocalTree().Root());
    MarkByPosition(manager.ServerTree().Root(), unchecked);
    Synchronise(manager, fav);
    EXPECT_EQ(Snapshot(home.favorites()), disk);
    EXPECT_TRUE(FromNode(manager.LocalTree().Root()) == rescanned) << "nothing added";
  }
}
