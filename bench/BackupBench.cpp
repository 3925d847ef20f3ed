// Backup and restore of a large Favorites folder, against a plain recursive copy of the same tree.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench/BenchRatio.h"
#include "model/FavoritesBackup.h"
#include "platform/FileTree.h"
#include "tests/support/RecordingOwner.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;

// 20,000 shortcut files in 1,000 folders: 50 top folders of 20 subfolders, 20 links in each.
void MakeFavorites(const std::string& root) {
  for (int top = 0; top < 50; ++top) {
    for (int sub = 0; sub < 20; ++sub) {
      const std::string folder =
          root + "/Folder " + std::to_string(top) + "/Topic." + std::to_string(sub);
      fs::create_directories(folder);
      for (int link = 0; link < 20; ++link) {
        testsupport::WriteShortcut(folder + "/Link " + std::to_string(link) + ".url",
                                   "https://example.org/" + std::to_string(top) + "/" +
                                       std::to_string(sub) + "/" + std::to_string(link));
      }
    }
  }
}

size_t CountFiles(const std::string& root) {
  size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    files += entry.is_regular_file() ? 1 : 0;
  }
  return files;
}

// A temporary home with the Favorites folder, a backup of it, and the baseline's target.
class Fixture {
 public:
  Fixture() {
    MakeFavorites(home_.favorites());
    backup_.Backup();  // every measured run then replaces an existing backup
  }

  // Outside the timed part: whatever the last run put in the trash and the baseline's copy go.
  void Reset() {
    platform::RemoveTree(home_ / ".local/share/Trash");
    platform::RemoveTree(copy_);
  }
  void CopyBaseline() { fs::copy(home_.favorites(), copy_, fs::copy_options::recursive); }

  // The checks after the runs: no run failed, and all files are where they belong.
  bool Check(benchmark::State& state) {
    for (const char* failed : {"failed", "incomplete"}) {
      if (owner_.status.find(failed) != std::string::npos) {
        state.SkipWithError(owner_.status.c_str());
        return false;
      }
    }
    state.counters["files"] = static_cast<double>(CountFiles(home_.favorites()));
    state.counters["backup_files"] =
        static_cast<double>(CountFiles(FavoritesBackup::BackupPath(home_.favorites())));
    return true;
  }

  testsupport::TempHome home_;
  testsupport::RecordingOwner owner_;
  std::string copy_ = home_ / "Copy";
  FavoritesBackup backup_{home_.favorites(), owner_};
};

void BM_Backup20k(benchmark::State& state) {
  Fixture fixture;
  benchsupport::MeasureWithSetup(
      state, [&] { fixture.Reset(); }, [&] { fixture.backup_.Backup(); },
      [&] { fixture.CopyBaseline(); });
  fixture.Check(state);
  fixture.Reset();
}
BENCHMARK(BM_Backup20k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

void BM_Restore20k(benchmark::State& state) {
  Fixture fixture;
  benchsupport::MeasureWithSetup(
      state, [&] { fixture.Reset(); }, [&] { fixture.backup_.Restore(); },
      [&] { fixture.CopyBaseline(); });
  fixture.Check(state);
  fixture.Reset();
}
BENCHMARK(BM_Restore20k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

}  // namespace

BENCHMARK_MAIN();
