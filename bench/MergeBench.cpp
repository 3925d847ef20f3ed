// Synchronisation of a large server copy into a large local tree: the merge alone, in memory, and
// the whole Synchronise with the shortcut files it writes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchRatio.h"
#include "model/DiskTarget.h"
#include "model/FavoritesList.h"
#include "model/FavoritesManager.h"
#include "model/FavoritesMerge.h"
#include "tests/support/TempDir.h"

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
  for (int i = 0; i < kRuns; ++i) {
    locals.push_back(std::make_unique<FavoritesTree>());
    servers.push_back(std::make_unique<FavoritesTree>());
    MakeLocal(*locals.back());
    MakeServer(*servers.back());
  }
  int run = 0;
  size_t files = 0;
  benchsupport::MeasureAgainstBaseline(
      state,
      [&] {
        NoDisk disk;
        MergeFavorites(*locals[run], servers[run]->Root(), disk);
        files = disk.files;
        ++run;
      },
      [&] {
        benchmark::DoNotOptimize(TouchAll(locals[run]->Root()) + TouchAll(servers[run]->Root()));
      });
  state.counters["files"] = static_cast<double>(files);
}
BENCHMARK(BM_MergeInMemory)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

// The baseline of the whole synchronisation: the same 25,000 files with the same bytes, created
// in a folder tree of the same shape, and nothing else.
void WriteFilesDirectly(const std::string& base) {
  auto write = [&](int folder, int link) {
    const std::string text = LinkText(folder, link);
    const size_t sep = text.find('\x01');
    const std::string path = base + "/" + FolderName(folder) + "/" + text.substr(0, sep) + ".url";
    const std::string bytes = "[InternetShortcut]\r\nURL=" + text.substr(sep + 1) + "\r\n";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
    ::close(fd);
  };
  for (int l = kFlat + kFlat / 2 - 1; l >= kFlat; --l) write(-1, l);
  for (int f = kFolders - 1; f >= 0; --f) {
    for (int l = kPerFolder + kPerFolder / 2 - 1; l >= kPerFolder; --l) write(f, l);
  }
}

void MakeFolders(const std::string& base) {
  fs::remove_all(base);
  for (int f = -1; f < kFolders; ++f) fs::create_directories(base + "/" + FolderName(f));
}

void BM_SynchroniseWritingFiles(benchmark::State& state) {
  testsupport::TempHome home;
  testsupport::TempDir stateFolder;
  const std::string serverFile = stateFolder / "favorites-server.txt";
  {
    FavoritesTree server;
    MakeServer(server);
    SaveText(server, serverFile);
  }
  const std::string baselineFolder = home / "Baseline";
  FavoritesManager manager;
  size_t written = 0;
  benchsupport::MeasureWithSetup(
      state,
      [&] {
        MakeFolders(home.favorites());
        MakeFolders(baselineFolder);
        manager.LocalTree().Clear();
        MakeLocal(manager.LocalTree());
        manager.LoadServerCopy(serverFile);
      },
      [&] {
        DiskTarget target(home.favorites());
        manager.Synchronise(target, serverFile);
      },
      [&] { WriteFilesDirectly(baselineFolder); });
  for (const auto& entry : fs::recursive_directory_iterator(home.favorites())) {
    written += entry.is_regular_file() ? 1 : 0;
  }
  state.counters["files"] = static_cast<double>(written);
}
BENCHMARK(BM_SynchroniseWritingFiles)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(9);

}  // namespace

BENCHMARK_MAIN();
