// Synchronisation of a large server copy into a large local tree: the merge alone, in memory, and
// the merge with the shortcut files it writes, on tmpfs and on disk.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchRatio.h"
#include "model/DiskTarget.h"
#include "model/FavoritesManager.h"
#include "model/FavoritesMerge.h"

namespace {

namespace fs = std::filesystem;

// Local: 1,000 folders of 40 links and one flat folder of 10,000 links (50,000 links).
// Server: the same folders in reverse order; in each the local links 20..39 and 20 new ones, in
// the flat folder local links 5,000..9,999 and 5,000 new ones, each list reversed (50,000 links,
// 25,000 of them missing locally).
constexpr int kFolders = 1000;
constexpr int kPerFolder = 40;
constexpr int kFlat = 10000;

std::string LinkText(int folder, int link) {
  return "Link title " + std::to_string(link) + "\x01https://example.org/path/" +
         std::to_string(folder) + "/" + std::to_string(link);
}

std::string FolderName(int folder) {
  return folder < 0 ? "Flat" : "Folder number " + std::to_string(folder);
}

void MakeLocal(FavoritesTree& tree) {
  FavoriteNode* root = tree.AddNode(nullptr, "Favorites");
  for (int f = 0; f < kFolders; ++f) {
    FavoriteNode* folder = tree.AddNode(root, FolderName(f));
    for (int l = 0; l < kPerFolder; ++l) tree.AddNode(folder, LinkText(f, l));
  }
  FavoriteNode* flat = tree.AddNode(root, FolderName(-1));
  for (int l = 0; l < kFlat; ++l) tree.AddNode(flat, LinkText(-1, l));
}

void MakeServer(FavoritesTree& tree) {
  FavoriteNode* root = tree.AddNode(nullptr, "Server");
  FavoriteNode* flat = tree.AddNode(root, FolderName(-1));
  for (int l = kFlat + kFlat / 2 - 1; l >= kFlat / 2; --l) tree.AddNode(flat, LinkText(-1, l));
  for (int f = kFolders - 1; f >= 0; --f) {
    FavoriteNode* folder = tree.AddNode(root, FolderName(f));
    for (int l = kPerFolder + kPerFolder / 2 - 1; l >= kPerFolder / 2; --l) {
      tree.AddNode(folder, LinkText(f, l));
    }
  }
}

// The disk left out: folders are "entered" and links counted, nothing is written.
class NoDisk : public SyncTarget {
 public:
  Result EnterFolder(std::string_view, bool, std::string&) override { return Result::kExisted; }
  void LeaveFolder() override {}
  Result SaveLink(std::string_view, std::string_view, std::string&, std::string&) override {
    ++files;
    return Result::kCreated;
  }
  size_t files = 0;
};

// The baseline of the in-memory merge: one look at every text of both trees.
size_t TouchAll(const FavoriteNode* root) {
  size_t total = 0;
  std::vector<const FavoriteNode*> pending{root};
  while (!pending.empty()) {
    const FavoriteNode* node = pending.back();
    pending.pop_back();
    for (; node; node = node->nextSibling) {
      total += node->text.size() + static_cast<unsigned char>(node->text.back());
      if (node->firstChild) pending.push_back(node->firstChild);
    }
  }
  return total;
}

void BM_MergeInMemory(benchmark::State& state) {
  constexpr int kRuns = 15;
  // Every run changes its local tree, so all pairs are built beforehand.
  std::vector<std::unique_ptr<FavoritesTree>> locals, servers;
  for (int i = 0; i <= kRuns; ++i) {  // one more for the untimed first round
    locals.push_back(std::make_unique<FavoritesTree>());
    servers.push_back(std::make_unique<FavoritesTree>());
    MakeLocal(*locals.back());
    MakeServer(*servers.back());
  }
  int run = -1;
  size_t files = 0;
  benchsupport::MeasureWithSetup(
      state, [&] { ++run; },
      [&] {
        NoDisk disk;
        MergeFavorites(*locals[run], servers[run]->Root(), disk);
        files = disk.files;
      },
      [&] {
        benchmark::DoNotOptimize(TouchAll(locals[run]->Root()) + TouchAll(servers[run]->Root()));
      });
  state.counters["files"] = static_cast<double>(files);
}
BENCHMARK(BM_MergeInMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

// Synchronize writing what is missing into a Favorites folder whose folders exist: kNewPerFolder
// new links in each of `folders` folders, on the file system under `base` (tmpfs or disk).
constexpr int kNewPerFolder = 25;

std::string NewLinkText(int folder, int link) {
  return LinkText(folder, kPerFolder + link);
}

void MakeSyncLocal(FavoritesTree& tree, int folders) {
  tree.Clear();
  FavoriteNode* root = tree.AddNode(nullptr, "Favorites");
  for (int f = 0; f < folders; ++f) {
    FavoriteNode* folder = tree.AddNode(root, FolderName(f));
    for (int l = 0; l < 4; ++l) tree.AddNode(folder, LinkText(f, l));
  }
}

void MakeSyncServer(FavoritesTree& tree, int folders) {
  FavoriteNode* root = tree.AddNode(nullptr, "Server");
  for (int f = 0; f < folders; ++f) {
    FavoriteNode* folder = tree.AddNode(root, FolderName(f));
    for (int l = 0; l < 4; ++l) tree.AddNode(folder, LinkText(f, l));
    for (int l = 0; l < kNewPerFolder; ++l) tree.AddNode(folder, NewLinkText(f, l));
  }
}

// A fresh, empty copy of the local folders, made outside the timed part and never removed
// before the end: each run writes into a folder tree in the same state.
std::string FreshFolders(const std::string& base, int& serial, int folders) {
  const std::string top = base + "/run" + std::to_string(serial++);
  ::mkdir(top.c_str(), 0755);
  for (int f = 0; f < folders; ++f) ::mkdir((top + "/" + FolderName(f)).c_str(), 0755);
  return top;
}

// The least a program must do to create the same files: per folder an open, per file an openat
// that makes it new (O_EXCL: nothing is overwritten), one write of the same bytes, a close, and
// the file removed again when the write fails.
void CreateFilesDirectly(const std::string& top, int folders) {
  for (int f = 0; f < folders; ++f) {
    const int dir = ::open((top + "/" + FolderName(f)).c_str(), O_RDONLY | O_DIRECTORY);
    for (int l = 0; l < kNewPerFolder; ++l) {
      const std::string text = NewLinkText(f, l);
      const size_t sep = text.find('\x01');
      const std::string name = text.substr(0, sep) + ".url";
      const std::string bytes = "[InternetShortcut]\r\nURL=" + text.substr(sep + 1) + "\r\n";
      const int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0) continue;
      if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        ::unlinkat(dir, name.c_str(), 0);
      }
      ::close(fd);
    }
    ::close(dir);
  }
}

void Synchronize(benchmark::State& state, const char* base) {
  const int folders = static_cast<int>(state.range(0)) / kNewPerFolder;
  std::string pattern = std::string(base) + "/quillmere-bench-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    state.SkipWithError("no folder for the runs");
    return;
  }
  FavoritesTree server;
  MakeSyncServer(server, folders);
  FavoritesManager manager;
  int serial = 0;
  std::string programTop, baselineTop;
  size_t written = 0;
  benchsupport::MeasureWithSetup(
      state,
      [&] {
        MakeSyncLocal(manager.LocalTree(), folders);
        programTop = FreshFolders(pattern, serial, folders);
        baselineTop = FreshFolders(pattern, serial, folders);
      },
      [&] {
        DiskTarget target(programTop);
        SyncReport report;
        manager.MergeIntoLocal(server, target, &report);
        written = static_cast<size_t>(report.Count(SyncChange::Kind::kLinkAdded));
      },
      [&] { CreateFilesDirectly(baselineTop, folders); });
  state.counters["files"] = static_cast<double>(written);
  std::filesystem::remove_all(pattern);
}

void BM_SynchronizeTmpfs(benchmark::State& state) {
  Synchronize(state, "/dev/shm");
}
void BM_SynchronizeDisk(benchmark::State& state) {
  Synchronize(state, "/var/tmp");
}
BENCHMARK(BM_SynchronizeTmpfs)
    ->Arg(10000)
    ->Arg(50000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);
BENCHMARK(BM_SynchronizeDisk)
    ->Arg(10000)
    ->Arg(50000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);

}  // namespace

QUILLMERE_BENCH_MAIN()
