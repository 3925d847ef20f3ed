// The Qt tree view with a large favorites tree: filling it, expanding everything, and the space
// bar on the root, each until the view has laid itself out and painted.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QIcon>
#include <QKeyEvent>
#include <QScrollBar>
#include <cstdlib>
#include <string>

#include "bench/BenchRatio.h"
#include "app/CTreeCtrl.h"
#include "model/FavoritesList.h"
#include "model/FavoritesTree.h"
#include "model/TreeViewOps.h"

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
  if (QTreeWidgetItem* last = view.topLevelItem(view.topLevelItemCount() - 1)) {
    while (last->childCount() > 0 && last->isExpanded()) last = last->child(last->childCount() - 1);
    benchmark::DoNotOptimize(view.visualItemRect(last));
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
  window.view.setCurrentItem(window.view.topLevelItem(0));
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
