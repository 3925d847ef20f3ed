// The scan of a generated Favorites folder and the favorites list's writer and reader, each
// against the least a correct program must do for the same work, at 10,000 to 1,000,000
// favorites.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bench/BenchRatio.h"
#include "model/FavoritesList.h"
#include "model/FavoritesManager.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int kPerFolder = 100;

std::string Url(long n) {
  return "https://www.example.org/articles/" + std::to_string(n % 977) + "/page-" +
         std::to_string(n) + ".html";
}

// n favorites as a browser leaves them: folders of 100 shortcut files, 100 folders to a top
// folder. Written with plain calls: a million files take long enough as it is.
void MakeFavorites(const std::string& root, long n) {
  ::mkdir(root.c_str(), 0755);
  const int rootFd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
  int topFd = -1;
  for (long folder = 0; folder * kPerFolder < n; ++folder) {
    if (folder % 100 == 0) {
      if (topFd >= 0) ::close(topFd);
      const std::string top = "Group " + std::to_string(folder / 100);
      ::mkdirat(rootFd, top.c_str(), 0755);
      topFd = ::openat(rootFd, top.c_str(), O_RDONLY | O_DIRECTORY);
    }
    const std::string name = "Topic." + std::to_string(folder);
    ::mkdirat(topFd, name.c_str(), 0755);
    const int fd = ::openat(topFd, name.c_str(), O_RDONLY | O_DIRECTORY);
    for (long link = folder * kPerFolder; link < n && link < (folder + 1) * kPerFolder; ++link) {
      const std::string url = Url(link);
      const std::string bytes = "[DEFAULT]\r\nBASEURL=" + url +
                                "\r\n[InternetShortcut]\r\nURL=" + url +
                                "\r\nIDList=\r\nHotKey=0\r\n";
      const std::string file = "Link number " + std::to_string(link) + ".url";
      const int out = ::openat(fd, file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      benchmark::DoNotOptimize(::write(out, bytes.data(), bytes.size()));
      ::close(out);
    }
    ::close(fd);
  }
  if (topFd >= 0) ::close(topFd);
  ::close(rootFd);
}

// The physical limit of a scan: one getdents walk per folder, and per file an openat, one read
// into a fixed buffer and a close, all relative to the open folder. Nothing is kept.
size_t WalkAndRead(int folderFd) {
  size_t total = 0;
  std::vector<char> listing(32 * 1024);
  static char buffer[64 * 1024];
  std::vector<std::string> folders;
  for (ssize_t n; (n = ::getdents64(folderFd, listing.data(), listing.size())) > 0;) {
    for (ssize_t at = 0; at < n;) {
      const auto* entry = reinterpret_cast<const struct dirent64*>(listing.data() + at);
      at += entry->d_reclen;
      if (entry->d_name[0] == '.') continue;
      if (entry->d_type == DT_DIR) {
        folders.emplace_back(entry->d_name);
        continue;
      }
      const int fd = ::openat(folderFd, entry->d_name, O_RDONLY | O_CLOEXEC);
      total += static_cast<size_t>(::read(fd, buffer, sizeof buffer));
      ::close(fd);
    }
  }
  for (const std::string& name : folders) {
    const int fd = ::openat(folderFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    total += WalkAndRead(fd);
    ::close(fd);
  }
  return total;
}

void BM_Scan(benchmark::State& state) {
  testsupport::TempHome home;
  MakeFavorites(home.favorites(), state.range(0));
  FavoritesManager manager;
  manager.ScanLocal(home.favorites());  // the folder in the page cache for both
  benchsupport::MeasureWithSetup(
      state, [&] { manager.LocalTree().Clear(); },
      [&] { benchmark::DoNotOptimize(manager.ScanLocal(home.favorites())); },
      [&] {
        const int fd = ::open(home.favorites().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        benchmark::DoNotOptimize(WalkAndRead(fd));
        ::close(fd);
      });
  state.counters["nodes"] = static_cast<double>(manager.LocalTree().NodeCount());
}
BENCHMARK(BM_Scan)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);
// A million files take minutes to make and each scan seconds: fewer rounds.
BENCHMARK(BM_Scan)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);

void ListSizes(benchmark::internal::Benchmark* b) {
  b->Arg(10000)->Arg(100000)->Arg(1000000);
  b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
}

// n favorites in memory: folders of 100 links, 100 folders to a top folder.
void MakeTree(FavoritesTree& tree, long n) {
  FavoriteNode* root = tree.AddNode(nullptr, "Favorites");
  FavoriteNode* top = nullptr;
  FavoriteNode* folder = nullptr;
  for (long link = 0; link < n; ++link) {
    if (link % (100 * kPerFolder) == 0) {
      top = tree.AddNode(root, "Group " + std::to_string(link / (100 * kPerFolder)));
    }
    if (link % kPerFolder == 0) {
      folder = tree.AddNode(top, "Topic." + std::to_string(link / kPerFolder));
    }
    tree.AddLink(folder, "Link number " + std::to_string(link), Url(link));
  }
}

// The list of n favorites as a file in the folder; its path.
std::string SaveList(const testsupport::TempDir& dir, long n) {
  const std::string file = dir / "favorites-server.txt";
  FavoritesTree source;
  MakeTree(source, n);
  SaveText(source, file);
  return file;
}

// The bytes written whole or not at all, as the least a correct program does: a new file beside
// name (open with O_EXCL, one write, close), renamed over it.
void ReplaceWhole(const std::string& bytes, const std::string& temporary, const std::string& name) {
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
  ::close(fd);
  benchmark::DoNotOptimize(::rename(temporary.c_str(), name.c_str()));
}

void BM_BuildText(benchmark::State& state) {
  FavoritesTree tree;
  MakeTree(tree, state.range(0));
  const std::string text = BuildText(tree);
  benchsupport::MeasureAgainstBaseline(
      state, [&] { benchmark::DoNotOptimize(BuildText(tree)); },
      [&] {
        // The same bytes copied into a new string.
        std::string copy(text);
        benchmark::DoNotOptimize(copy.data());
      });
  state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_BuildText)->Apply(ListSizes);

// SaveText replaces the file whole or not at all: a full disk leaves the earlier list as it was.
// Its baseline is the same replacement with the bytes ready.
void BM_SaveText(benchmark::State& state) {
  testsupport::TempDir dir;
  FavoritesTree tree;
  MakeTree(tree, state.range(0));
  const std::string text = BuildText(tree);
  const std::string file = dir / "favorites-local.txt";
  const std::string plain = dir / "plain.txt";
  const std::string temporary = dir / "plain.txt.new";
  benchsupport::MeasureAgainstBaseline(
      state, [&] { benchmark::DoNotOptimize(SaveText(tree, file)); },
      [&] { ReplaceWhole(text, temporary, plain); });
}
BENCHMARK(BM_SaveText)->Apply(ListSizes);

// What the replacement costs: the same ready bytes written over the file in place (open with
// O_TRUNC, one write, close), which a full disk would leave cut short.
void BM_ReplaceAgainstOverwrite(benchmark::State& state) {
  testsupport::TempDir dir;
  const std::string text(static_cast<std::size_t>(state.range(0)) * 76, 'x');
  const std::string replaced = dir / "replaced.txt";
  const std::string temporary = dir / "replaced.txt.new";
  const std::string overwritten = dir / "overwritten.txt";
  benchsupport::MeasureAgainstBaseline(
      state, [&] { ReplaceWhole(text, temporary, replaced); },
      [&] {
        const int fd = ::open(overwritten.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        benchmark::DoNotOptimize(::write(fd, text.data(), text.size()));
        ::close(fd);
      });
}
BENCHMARK(BM_ReplaceAgainstOverwrite)->Apply(ListSizes);

// The least parse that keeps a tree: each line's text where it lies in the bytes and its parent.
struct PlainNode {
  std::string_view text;
  unsigned parent;
};

size_t ReadAndParse(const std::string& path, std::unique_ptr<char[]>& bytes,
                    std::vector<PlainNode>& nodes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  ::fstat(fd, &st);
  const size_t size = static_cast<size_t>(st.st_size);
  bytes = std::make_unique_for_overwrite<char[]>(size);
  benchmark::DoNotOptimize(::read(fd, bytes.get(), size));
  ::close(fd);
  nodes.clear();
  std::vector<unsigned> lastAtDepth;
  for (const char *at = bytes.get(), *end = at + size; at < end;) {
    const char* lf = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(end - at)));
    if (!lf) break;
    size_t tabs = 0;
    while (at[tabs] == '\t') ++tabs;
    if (tabs > lastAtDepth.size()) tabs = lastAtDepth.size();
    lastAtDepth.resize(tabs);
    const unsigned parent = tabs == 0 ? 0 : lastAtDepth.back();
    lastAtDepth.push_back(static_cast<unsigned>(nodes.size()));
    nodes.push_back({{at + tabs, static_cast<size_t>(lf - 1 - at) - tabs}, parent});
    at = lf + 1;
  }
  return nodes.size();
}

void BM_Load(benchmark::State& state) {
  testsupport::TempDir dir;
  const std::string file = SaveList(dir, state.range(0));
  FavoritesTree tree;
  std::unique_ptr<char[]> bytes;
  std::vector<PlainNode> nodes;
  benchsupport::MeasureWithSetup(
      state,
      [&] {
        tree.Clear();
        bytes.reset();
        nodes = {};
      },
      [&] { benchmark::DoNotOptimize(Load(tree, file)); },
      [&] { benchmark::DoNotOptimize(ReadAndParse(file, bytes, nodes)); });
  state.counters["nodes"] = static_cast<double>(tree.NodeCount());
}
BENCHMARK(BM_Load)->Apply(ListSizes);

// The memory a loaded list costs: how much the resident size of a fresh child grows while it
// loads a list of about 100 MiB.
long ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * ::sysconf(_SC_PAGESIZE);
}

void BM_LoadMemory(benchmark::State& state) {
  testsupport::TempDir dir;
  const std::string file = SaveList(dir, state.range(0));
  struct stat st {};
  ::stat(file.c_str(), &st);
  long grown = 0;
  for (auto _ : state) {
    int channel[2];
    if (::pipe(channel) != 0) break;
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::malloc_trim(0);  // what the parent freed is not there to be reused
      const long before = ResidentBytes();
      FavoritesTree tree;
      Load(tree, file);
      const long growth = ResidentBytes() - before;
      benchmark::DoNotOptimize(::write(channel[1], &growth, sizeof growth));
      ::_exit(0);
    }
    ::close(channel[1]);
    if (::read(channel[0], &grown, sizeof grown) != sizeof grown) grown = 0;
    ::close(channel[0]);
    ::waitpid(pid, nullptr, 0);
  }
  state.counters["list_MiB"] = static_cast<double>(st.st_size) / (1024 * 1024);
  state.counters["loaded_MiB"] = static_cast<double>(grown) / (1024 * 1024);
  state.counters["per_list_byte"] = static_cast<double>(grown) / static_cast<double>(st.st_size);
}
BENCHMARK(BM_LoadMemory)->Arg(1500000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

QUILLMERE_BENCH_MAIN()
