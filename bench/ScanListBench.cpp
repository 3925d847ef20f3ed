// Scan of a generated Favorites folder, and writing and reading a large favorites list.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "bench/BenchRatio.h"
#include "model/FavoritesList.h"
#include "model/FavoritesManager.h"
#include "tests/support/TempDir.h"

namespace {

// 10,000 shortcut files in 500 folders (25 top folders of 20 subfolders each, 20 links each).
void MakeFavorites(const std::string& root) {
  for (int top = 0; top < 25; ++top) {
    for (int sub = 0; sub < 20; ++sub) {
      const std::string folder =
          root + "/Folder " + std::to_string(top) + "/Topic." + std::to_string(sub);
      std::filesystem::create_directories(folder);
      for (int link = 0; link < 20; ++link) {
        testsupport::WriteShortcut(folder + "/Link " + std::to_string(link) + ".url",
                                   "https://example.org/" + std::to_string(top) + "/" +
                                       std::to_string(sub) + "/" + std::to_string(link));
      }
    }
  }
}

// The baseline: walk the same folders and read every file whole, nothing else.
size_t ReadAllFiles(const std::string& root) {
  size_t total = 0;
  char buffer[4096];
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const int fd = ::open(entry.path().c_str(), O_RDONLY);
    if (fd < 0) continue;
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) total += static_cast<size_t>(n);
    ::close(fd);
  }
  return total;
}

void BM_ScanLocal(benchmark::State& state) {
  testsupport::TempHome home;
  MakeFavorites(home.favorites());
  FavoritesManager manager;
  benchsupport::MeasureAgainstBaseline(
      state, [&] { manager.ScanLocal(home.favorites()); },
      [&] { benchmark::DoNotOptimize(ReadAllFiles(home.favorites())); });
}
BENCHMARK(BM_ScanLocal)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

// A tree of 100,000 nodes: 1,000 folders of 99 links under the root.
void MakeTree(FavoritesTree& tree) {
  FavoriteNode* root = tree.AddNode(nullptr, "Favorites");
  for (int f = 0; f < 1000; ++f) {
    FavoriteNode* folder = tree.AddNode(root, "Folder number " + std::to_string(f));
    for (int l = 0; l < 99; ++l) {
      tree.AddNode(folder, "Link title " + std::to_string(l) + "\x01https://example.org/path/" +
                               std::to_string(f) + "/" + std::to_string(l));
    }
  }
}

size_t ReadBytes(const std::string& path) {
  std::string bytes;
  char buffer[65536];
  const int fd = ::open(path.c_str(), O_RDONLY);
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
    bytes.append(buffer, static_cast<size_t>(n));
  ::close(fd);
  return bytes.size();
}

void BM_BuildText100k(benchmark::State& state) {
  testsupport::TempDir dir;
  FavoritesTree tree;
  MakeTree(tree);
  const std::string file = dir / "list.txt";
  SaveText(tree, file);
  benchsupport::MeasureAgainstBaseline(
      state, [&] { benchmark::DoNotOptimize(SaveText(tree, file)); },
      [&] { benchmark::DoNotOptimize(ReadBytes(file)); });
}
BENCHMARK(BM_BuildText100k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

void BM_Load100k(benchmark::State& state) {
  testsupport::TempDir dir;
  FavoritesTree source;
  MakeTree(source);
  const std::string file = dir / "list.txt";
  SaveText(source, file);
  FavoritesTree tree;
  benchsupport::MeasureAgainstBaseline(
      state,
      [&] {
        tree.Clear();
        Load(tree, file);
      },
      [&] { benchmark::DoNotOptimize(ReadBytes(file)); });
}
BENCHMARK(BM_Load100k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

}  // namespace

BENCHMARK_MAIN();
