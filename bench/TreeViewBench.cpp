// The Qt tree view with a large favorites tree: filling it, expanding everything, and the space
// bar on the root, each until the view has laid itself out and painted; the memory the view
// costs per favorite; and the start-up with a million favorites against a minimal Qt program
// that shows the same tree through an item model.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QIcon>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTreeView>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CTreeCtrl.h"
#include "bench/BenchRatio.h"
#include "model/FavoritesList.h"
#include "model/FavoritesTree.h"
#include "model/TreeViewOps.h"
#include "tests/support/TempDir.h"

namespace {

// 50,000 links: 10 top folders of 10 topics of 5 subtopics (500 folders of the third level), 100
// links in each subtopic; 610 folders in all, four levels below the root.
constexpr int kTop = 10;
constexpr int kTopics = 10;
constexpr int kSubtopics = 5;
constexpr int kLinks = 100;

void MakeTree(FavoritesTree& tree) {
  FavoriteNode* root = tree.AddNode(nullptr, "Favorites");
  for (int t = 0; t < kTop; ++t) {
    FavoriteNode* top = tree.AddNode(root, "Folder " + std::to_string(t));
    for (int p = 0; p < kTopics; ++p) {
      FavoriteNode* topic = tree.AddNode(top, "Topic " + std::to_string(p));
      for (int s = 0; s < kSubtopics; ++s) {
        FavoriteNode* sub = tree.AddNode(topic, "Subtopic " + std::to_string(s));
        const std::string path =
            std::to_string(t) + "/" + std::to_string(p) + "/" + std::to_string(s) + "/";
        for (int l = 0; l < kLinks; ++l) {
          tree.AddNode(sub, "Link title " + std::to_string(l) + "\x01https://example.org/" + path +
                                std::to_string(l));
        }
      }
    }
  }
}

// The baseline of all three: building the favorites tree that the view shows.
void BuildTree() {
  FavoritesTree tree;
  MakeTree(tree);
  benchmark::DoNotOptimize(tree.Root());
}

// Lets the view do what it left for the event loop (attaching the filled items, the delayed
// layout, painting) and makes sure the layout is done.
void Settle(CTreeCtrl& view) {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  if (TreeItem last = view.FirstRoot()) {
    while (view.ChildCount(last) > 0 && view.isExpanded(view.IndexOf(last))) {
      last = view.ChildAt(last, view.ChildCount(last) - 1);
    }
    benchmark::DoNotOptimize(view.visualRect(view.IndexOf(last)));
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Rows the view has laid out (the view scrolls by whole items).
double Rows(CTreeCtrl& view) {
  return view.verticalScrollBar()->maximum() + view.verticalScrollBar()->pageStep();
}

struct Window {
  Window() {
    view.SetStateImageList(&images);
    view.resize(300, 420);
    view.show();
    MakeTree(tree);
  }
  // What the main dialog does to show a tree: only the root opened.
  void Fill() {
    view.DeleteAllItems();
    ShowTree(view, tree.Root(), nullptr);
    view.Expand(view.FirstRoot());
  }
  void Clear() {
    view.DeleteAllItems();
    Settle(view);
  }

  CTreeCtrl::StateImages images{QIcon(), QIcon(":/res/checkbox-empty.png"),
                                QIcon(":/res/checkbox-checked.png"),
                                QIcon(":/res/checkbox-partial.png")};
  CTreeCtrl view;
  FavoritesTree tree;
};

void BM_ShowTree50k(benchmark::State& state) {
  Window window;
  benchsupport::MeasureWithSetup(
      state, [&] { window.Clear(); },
      [&] {
        window.Fill();
        Settle(window.view);
      },
      BuildTree);
  state.counters["items"] = window.view.Count();
}
BENCHMARK(BM_ShowTree50k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

void BM_ExpandAll50k(benchmark::State& state) {
  Window window;
  benchsupport::MeasureWithSetup(
      state,
      [&] {
        window.Clear();
        window.Fill();
        Settle(window.view);
      },
      [&] {
        ExpandAll(window.view, window.view.FirstRoot());
        Settle(window.view);
      },
      BuildTree);
  state.counters["rows"] = Rows(window.view);
}
BENCHMARK(BM_ExpandAll50k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

// The space bar on the selected root of the fully expanded tree, through the key event as the
// user gives it: the view reports the key, the main dialog toggles the subtree.
void BM_SpaceOnRoot50k(benchmark::State& state) {
  Window window;
  QObject::connect(&window.view, &CTreeCtrl::keyDown,
                   [&](int keyCode) { ToggleSelectedCheck(window.view, keyCode); });
  window.Fill();
  ExpandAll(window.view, window.view.FirstRoot());
  Settle(window.view);
  window.view.setFocus();
  window.view.setCurrentIndex(window.view.IndexOf(window.view.FirstRoot()));
  Settle(window.view);
  int last = 0;
  benchsupport::MeasureWithSetup(
      state, [] {},
      [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(&window.view, &press);
        Settle(window.view);
        last = window.view.GetCheck(window.view.FirstRoot());
      },
      BuildTree);
  state.counters["root_state"] = last;
  state.counters["rows"] = Rows(window.view);
}
BENCHMARK(BM_SpaceOnRoot50k)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

// A tree of about n favorites in the shape above: folders of 100 links, 5 to a topic, 10 topics to
// a top folder.
void MakeTreeOf(FavoritesTree& tree, int favorites) {
  FavoriteNode* root = tree.AddNode(nullptr, "Favorites");
  int made = 0;
  for (int t = 0; made < favorites; ++t) {
    FavoriteNode* top = tree.AddNode(root, "Folder " + std::to_string(t));
    for (int p = 0; p < kTopics && made < favorites; ++p) {
      FavoriteNode* topic = tree.AddNode(top, "Topic " + std::to_string(p));
      for (int s = 0; s < kSubtopics && made < favorites; ++s) {
        FavoriteNode* sub = tree.AddNode(topic, "Subtopic " + std::to_string(s));
        for (int l = 0; l < kLinks && made < favorites; ++l, ++made) {
          tree.AddNode(sub, "Link title " + std::to_string(l) + "\x01https://example.org/" +
                                std::to_string(t) + "/" + std::to_string(p) + "/" +
                                std::to_string(s) + "/" + std::to_string(l));
        }
      }
    }
  }
}

size_t HeapInUse() {
  malloc_trim(0);
  return mallinfo2().uordblks;
}

// Bytes per favorite the view adds to the favorites tree: shown with its root opened and painted,
// then with every folder opened.
void BM_ViewMemoryPerFavorite(benchmark::State& state) {
  const int favorites = static_cast<int>(state.range(0));
  double shown = 0, expanded = 0;
  for (auto _ : state) {
    FavoritesTree tree;
    MakeTreeOf(tree, favorites);
    CTreeCtrl::StateImages images{QIcon(), QIcon(":/res/checkbox-empty.png"),
                                  QIcon(":/res/checkbox-checked.png"),
                                  QIcon(":/res/checkbox-partial.png")};
    auto view = std::make_unique<CTreeCtrl>();
    view->SetStateImageList(&images);
    view->resize(300, 420);
    view->show();
    Settle(*view);
    const size_t before = HeapInUse();
    ShowTree(*view, tree.Root(), nullptr);
    view->Expand(view->FirstRoot());
    Settle(*view);
    shown = static_cast<double>(HeapInUse() - before) / favorites;
    ExpandAll(*view, view->FirstRoot());
    Settle(*view);
    expanded = static_cast<double>(HeapInUse() - before) / favorites;
    view.reset();
  }
  state.counters["bytes_per_favorite"] = shown;
  state.counters["expanded_bytes_per_favorite"] = expanded;
}
BENCHMARK(BM_ViewMemoryPerFavorite)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The least a Qt program needs to show a favorites tree: an item model whose indexes point at the
// nodes, children found by walking the sibling list, and a plain QTreeView.
class MinimalModel : public QAbstractItemModel {
 public:
  explicit MinimalModel(FavoriteNode* root) : m_root(root) {}
  QModelIndex index(int row, int, const QModelIndex& parent) const override {
    if (!parent.isValid()) return row == 0 ? createIndex(0, 0, m_root) : QModelIndex();
    FavoriteNode* child = static_cast<FavoriteNode*>(parent.internalPointer())->firstChild;
    for (int i = 0; i < row && child; ++i) child = child->nextSibling;
    return child ? createIndex(row, 0, child) : QModelIndex();
  }
  QModelIndex parent(const QModelIndex& index) const override {
    const auto* node = static_cast<FavoriteNode*>(index.internalPointer());
    if (!node || node == m_root) return {};
    return createIndex(node->parent == m_root ? 0 : static_cast<int>(node->parent->row), 0,
                       node->parent);
  }
  int rowCount(const QModelIndex& parent) const override {
    if (!parent.isValid()) return 1;
    return static_cast<int>(static_cast<FavoriteNode*>(parent.internalPointer())->childCount);
  }
  int columnCount(const QModelIndex&) const override { return 1; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole) return {};
    const std::string_view name = static_cast<FavoriteNode*>(index.internalPointer())->Name();
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  }

 private:
  FavoriteNode* m_root;
};

// Start-up with the favorites list of n favorites on disk: read it into the tree, show it in the
// window's view with the root opened, painted. The baseline reads the same file the same way and
// shows it through the minimal model.
void BM_StartUp(benchmark::State& state) {
  const int favorites = static_cast<int>(state.range(0));
  testsupport::TempDir dir;
  const std::string list = dir / "favorites.txt";
  {
    FavoritesTree tree;
    MakeTreeOf(tree, favorites);
    if (SaveText(tree, list) != 0) return state.SkipWithError("the list can't be written");
  }
  size_t loaded = 0;
  const CTreeCtrl::StateImages images{QIcon(), QIcon(":/res/checkbox-empty.png"),
                                      QIcon(":/res/checkbox-checked.png"),
                                      QIcon(":/res/checkbox-partial.png")};
  benchsupport::MeasureWithSetup(
      state, [] {},
      [&] {
        FavoritesTree tree;
        Load(tree, list);
        loaded = tree.NodeCount();
        CTreeCtrl view;
        view.SetStateImageList(&images);
        view.resize(300, 420);
        ShowTree(view, tree.Root(), nullptr);
        view.Expand(view.FirstRoot());
        view.show();
        benchmark::DoNotOptimize(view.grab());
        view.DeleteAllItems();
      },
      [&] {
        FavoritesTree tree;
        Load(tree, list);
        MinimalModel model(tree.Root());
        QTreeView view;
        view.setUniformRowHeights(true);
        view.setHeaderHidden(true);
        view.setModel(&model);
        view.resize(300, 420);
        view.expand(model.index(0, 0, {}));
        view.show();
        benchmark::DoNotOptimize(view.grab());
        view.setModel(nullptr);
      });
  state.counters["nodes"] = static_cast<double>(loaded);
}
BENCHMARK(BM_StartUp)
    ->Arg(100000)
    ->Arg(1000000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
