// Any bytes as a server favorites list, synchronised into a small fixed Favorites folder on disk.
// Nothing may crash or leak; nothing outside the Favorites folder appears, changes or goes (not
// beside it, not above it, not through the links inside it that point out of it); inside it
// only folders and shortcut files that read back are added; and a second synchronisation of the
// same list makes nothing new.
//
// The first byte chooses the way in: bits 0-1 the path (0: LoadText and a merge; 1: Load from a
// file and a merge; 2: LoadText and a dry run, which writes nothing; 3: the server copy file, read
// as the Download command reads it, checked again as the Synchronize command checks it, and
// merged), bits 2-3 which server nodes the user unchecked (none, or every 2nd, 3rd or 4th). The
// rest is the list.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "model/DiskTarget.h"
#include "model/DryRunTarget.h"
#include "model/FavoritesList.h"
#include "model/FavoritesManager.h"
#include "platform/ShortcutFile.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzTree.h"

using fuzzcheck::Require;
namespace fs = std::filesystem;

namespace {

// sandbox/home is HOME, with the Favorites folder and a canary folder beside it; sandbox/work is
// the current directory, as the state folder.
struct Sandbox {
  std::string root, home, favorites, canary, work;
  std::set<std::string> rootNames, homeNames;
};
Sandbox g_box;
std::unique_ptr<FavoritesManager> g_manager;
constexpr const char* kServerFile = "favorites-server.txt";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    names.insert(it->path().filename().string());
  }
  return names;
}

// Every entry below the folder by relative path: "dir", "link:<target>", "file:<bytes>" or
// "other". Links are not followed.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string path = it->path().string();
    const std::string rel = path.substr(folder.size() + 1);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
      out[rel] = "gone";
    } else if (S_ISLNK(st.st_mode)) {
      out[rel] = "link:" + fs::read_symlink(it->path(), ec).string();
    } else if (S_ISDIR(st.st_mode)) {
      out[rel] = "dir";
    } else if (S_ISREG(st.st_mode)) {
      out[rel] = "file:" + ReadFile(path);
    } else {
      out[rel] = "other";
    }
  }
  return out;
}

std::map<std::string, std::string> g_canary;

// The links that the fixed Favorites folder holds, all pointing out of it.
const std::map<std::string, std::string> kLinksOut = {
    {"escape", "../canary"},
    {"evil.url", "../canary/victim.url"},
    {"A/out", "../../canary"},
};

void MakeFavorites() {
  std::error_code ec;
  fs::remove_all(g_box.favorites, ec);
  Require(!fs::exists(fs::symlink_status(g_box.favorites)), "the last run's folder is gone");
  fs::create_directories(g_box.favorites + "/A/Sub");
  fs::create_directories(g_box.favorites + "/Tech.News");
  WriteFile(g_box.favorites + "/A/a.url", "[InternetShortcut]\r\nURL=http://a/\r\n");
  WriteFile(g_box.favorites + "/b.url", "[InternetShortcut]\r\nURL=http://b/\r\n");
  for (const auto& [name, target] : kLinksOut) {
    fs::create_symlink(target, g_box.favorites + "/" + name);
  }
}

void RemoveTheSandbox() {
  std::error_code ec;
  fs::current_path(fs::temp_directory_path(), ec);
  if (!g_box.root.empty()) fs::remove_all(g_box.root, ec);
}

// Unchecks every nth node of the server tree below its root (n = 0: none), in walk order.
void Uncheck(FavoritesTree& tree, int every) {
  if (every == 0 || !tree.Root()) return;
  int seen = 0;
  std::vector<FavoriteNode*> pending{tree.Root()->firstChild};
  while (!pending.empty()) {
    FavoriteNode* node = pending.back();
    pending.pop_back();
    if (!node) continue;
    if (++seen % every == 0) node->excluded = 1;
    pending.push_back(node->nextSibling);
    pending.push_back(node->firstChild);
  }
}

// Way 0: the list from memory; 1: from the server copy's file; 2: a dry run, which must write
// nothing; 3: the server tree as loaded, after the check that its file still holds it.
void Synchronise(int way, int every, std::string_view list) {
  FavoritesManager& manager = *g_manager;
  DiskTarget disk(g_box.favorites);
  if (way == 3) {
    Require(!manager.TakeChangedServerCopy(), "the server copy file is the one shown");
    manager.MergeIntoLocal(manager.ServerTree(), disk, nullptr);
    return;
  }
  manager.ServerTree().Clear();
  if (way == 1) {
    Require(Load(manager.ServerTree(), kServerFile) == 0, "the copy can be read");
  } else {
    LoadText(manager.ServerTree(), std::string(list));
  }
  Uncheck(manager.ServerTree(), every);
  if (way == 2) {
    DryRunTarget dry(g_box.favorites);
    SyncReport report;
    manager.PlanMerge(manager.ServerTree(), dry, report);
    return;
  }
  MergeFavorites(manager.LocalTree(), manager.ServerTree().Root(), disk);
}

// What the Favorites folder may hold after a merge, given what it held before.
void CheckFavorites(const std::map<std::string, std::string>& before,
                    const std::map<std::string, std::string>& after) {
  for (const auto& [path, what] : before) {
    const auto now = after.find(path);
    Require(now != after.end(), "nothing in the Favorites folder goes");
    if (what == "dir") Require(now->second == "dir", "a folder stays a folder");
  }
  for (const auto& [path, what] : after) {
    if (what == "dir") continue;
    if (what.rfind("link:", 0) == 0) {
      const auto old = before.find(path);
      Require(old != before.end() && old->second == what, "no link is made or changed");
      continue;
    }
    Require(what.rfind("file:", 0) == 0, "only folders and files are made");
    Require(path.size() > 4 && path.compare(path.size() - 4, 4, ".url") == 0,
            "every file made is a shortcut file");
    std::string url;
    Require(platform::ParseShortcutUrl(std::string_view(what).substr(5), url),
            "every shortcut file has a URL");
    Require(url.find_first_of("\r\n") == std::string::npos, "a URL holds no line break");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Each run makes and removes a folder tree: in memory where the system has a folder for that.
  std::error_code ec;
  const fs::path base = fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
                            ? fs::path("/dev/shm")
                            : fs::temp_directory_path();
  std::string root = (base / "quillmere-fuzz-merge-XXXXXX").string();
  if (!::mkdtemp(root.data())) std::abort();
  g_box.root = root;
  g_box.home = root + "/home";
  g_box.favorites = g_box.home + "/Favorites";
  g_box.canary = g_box.home + "/canary";
  g_box.work = root + "/work";
  fs::create_directories(g_box.canary + "/inner");
  fs::create_directories(g_box.work);
  // Replaced shortcuts go to the trash there.
  fs::create_directories(g_box.home + "/.local/share");
  WriteFile(g_box.canary + "/victim.url", "[InternetShortcut]\r\nURL=http://victim/\r\n");
  WriteFile(g_box.canary + "/inner/keep", "keep");
  ::setenv("HOME", g_box.home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (g_box.home + "/.config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (g_box.home + "/.local/share").c_str(), 1);
  if (::chdir(g_box.work.c_str()) != 0) std::abort();
  std::atexit(RemoveTheSandbox);

  MakeFavorites();
  g_manager = std::make_unique<FavoritesManager>();
  g_canary = Snapshot(g_box.canary);
  g_box.rootNames = Names(g_box.root);
  g_box.homeNames = Names(g_box.home);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int way = data[0] & 3;
  const int every = (data[0] >> 2) & 3 ? ((data[0] >> 2) & 3) + 1 : 0;
  const std::string_view list(reinterpret_cast<const char*>(data + 1), size - 1);

  MakeFavorites();
  for (const std::string& name : Names(g_box.work)) fs::remove_all(g_box.work + "/" + name);
  fs::remove_all(g_box.home + "/.local/share/Trash");
  if (way == 1 || way == 3) WriteFile(kServerFile, list);
  FavoritesManager& manager = *g_manager;
  manager.ScanLocal(g_box.favorites);
  if (way == 3) {
    Require(manager.LoadServerCopy(kServerFile) == 0, "the copy can be read");
    Uncheck(manager.ServerTree(), every);
  }

  const auto before = Snapshot(g_box.favorites);
  Synchronise(way, every, list);
  const auto once = Snapshot(g_box.favorites);
  CheckFavorites(before, once);
  if (way == 2) Require(once == before, "a dry run writes nothing");

  // The same list again, checked the same way: everything is there now. Only where the list
  // names one shortcut twice in folders of the same name (which all land in one folder on disk)
  // may that file take another of its URLs.
  if (way == 3) Uncheck(manager.ServerTree(), every);
  Synchronise(way, every, list);
  const auto twice = Snapshot(g_box.favorites);
  Require(twice.size() == once.size(), "a second synchronisation makes nothing new");
  for (const auto& [path, what] : twice) {
    const auto old = once.find(path);
    Require(old != once.end(), "a second synchronisation makes nothing new");
    if (old->second == what) continue;
    Require(what.rfind("file:", 0) == 0 && old->second.rfind("file:", 0) == 0,
            "a second synchronisation changes no folder or link");
  }

  Require(Names(g_box.root) == g_box.rootNames, "nothing appears beside the home folder");
  Require(Names(g_box.home) == g_box.homeNames, "nothing appears beside the Favorites folder");
  Require(Snapshot(g_box.canary) == g_canary, "the canary folder is untouched");
  const std::set<std::string> work = Names(g_box.work);
  if (way == 1 || way == 3) {
    Require(work == std::set<std::string>{kServerFile},
            "the state folder holds the server copy alone");
    Require(ReadFile(kServerFile) == list, "the server copy is untouched");
  } else {
    Require(work.empty(), "nothing appears in the program folder");
  }
  return 0;
}
