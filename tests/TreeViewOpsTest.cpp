#include <gtest/gtest.h>

#include "model/FavoritesList.h"
#include "model/FavoritesTree.h"
#include "model/TreeViewOps.h"
#include "tests/support/FakeTreeView.h"
#include "tests/support/TreeText.h"

using testsupport::FakeTreeView;

namespace {

// Root
//   A: a1, a2, B: b1
//   c (link)
struct Fixture {
  FavoritesTree tree;
  FakeTreeView view;
  Fixture() {
    LoadText(
        tree,
        "Root\r\n\tA\r\n\t\ta1\x01u1\r\n\t\ta2\x01u2\r\n\t\tB\r\n\t\t\tb1\x01u3\r\n\tc\x01u4\r\n");
    ShowTree(view, tree.Root(), nullptr);
  }
  TreeItem Item(const std::string& path) const {  // "0/2/0": child indexes from the root item
    TreeItem item = view.FirstRoot();
    for (size_t pos = 0; pos < path.size(); pos += 2) item = view.ChildAt(item, path[pos] - '0');
    return item;
  }
  void Press(const std::string& path, int key = kSpaceKey) {
    view.selected = Item(path);
    ToggleSelectedCheck(view, key);
  }
  // Checks of Root, A, a1, a2, B, b1, c in that order.
  std::string Checks() const {
    std::string out;
    for (const char* p : {"", "0", "0/0", "0/1", "0/2", "0/2/0", "1"}) {
      out += static_cast<char>('0' + view.GetCheck(Item(p)));
    }
    return out;
  }
};

}  // namespace

TEST(ShowTree, ShowsNamesOnlyAndEveryItemChecked) {
  Fixture f;
  EXPECT_EQ(f.view.Count(), 7);
  EXPECT_EQ(f.view.ChildCount(nullptr), 1);
  EXPECT_EQ(FakeTreeView::AsItem(f.Item("0/0"))->text, "a1");
  EXPECT_EQ(FakeTreeView::AsItem(f.Item("0/2"))->text, "B");
  EXPECT_EQ(f.Checks(), "2222222");
  EXPECT_EQ(ShowTree(f.view, nullptr, nullptr), 1);
  EXPECT_EQ(f.view.Count(), 7);
}

TEST(ToggleSelectedCheck, FollowsTheAncestorRule) {
  struct Step {
    const char* item;
    int key;
    const char* checks;  // Root A a1 a2 B b1 c
  } steps[] = {
      {"0/0", 'A', "2222222"},        // other keys change nothing
      {"0/0", kSpaceKey, "3312222"},  // a1 off: A and Root partial
      {"0/2", kSpaceKey, "3312112"},  // B off with b1; A still partial (a2 on)
      {"0/1", kSpaceKey, "3111112"},  // a2 off: all of A's children off; Root partial (c on)
      {"", kSpaceKey, "2222222"},     // Root partial -> checked, everything below it too
      {"", kSpaceKey, "1111111"},     // Root checked -> unchecked, everything below it too
  };
  Fixture f;
  for (const Step& s : steps) {
    f.Press(s.item, s.key);
    EXPECT_EQ(f.Checks(), s.checks) << s.item;
  }
}

TEST(ToggleSelectedCheck, AncestorsCompareWithTheToggledStateNotTheLevelBelow) {
  Fixture f;
  f.Press("0/2/0");  // b1 off: B off (its only child), A partial, Root partial
  EXPECT_EQ(f.Checks(), "3322112");
  f.Press("0/2/0");  // b1 on: B on; A's children all on -> on; Root on
  EXPECT_EQ(f.Checks(), "2222222");
  f.Press("0/0");  // a1 off
  f.Press("1");    // c off: Root has A partial, c off -> partial (A differs from "off")
  EXPECT_EQ(f.Checks(), "3312221");
  f.Press("0/0");  // a1 back on: A all on -> on; Root: A on, c off -> partial
  EXPECT_EQ(f.Checks(), "3222221");
  f.Press("1");  // c on: every child of Root on -> on
  EXPECT_EQ(f.Checks(), "2222222");
}

TEST(ToggleSelectedCheck, NothingSelectedChangesNothing) {
  Fixture f;
  f.view.selected = nullptr;
  EXPECT_EQ(ToggleSelectedCheck(f.view, kSpaceKey), 0);
  EXPECT_EQ(f.Checks(), "2222222");
}

TEST(ReadChecks, MarksUncheckedNodesAndKeepsPartialOnes) {
  Fixture f;
  f.Press("0/2");  // B and b1 off, A and Root partial
  ReadChecks(f.view, f.view.FirstRoot(), f.tree.Root());
  EXPECT_EQ(testsupport::Describe(f.tree.Root()),
            "Root\n  A\n    a1 | u1\n    a2 | u2\n    -B\n      -b1 | u3\n  c | u4\n");
  EXPECT_EQ(BuildText(f.tree), "Root\r\n\tA\r\n\t\ta1\x01u1\r\n\t\ta2\x01u2\r\n\tc\x01u4\r\n");
  f.Press("0/2");  // checked again: takes part in the next read
  ReadChecks(f.view, f.view.FirstRoot(), f.tree.Root());
  EXPECT_EQ(f.tree.Root()->firstChild->firstChild->nextSibling->nextSibling->excluded, 0);
}

TEST(ReadChecks, PairsByPositionAndStopsAtTheShorterList) {
  Fixture f;
  f.Press("1");  // c off
  FavoritesTree other;
  LoadText(other, "X\r\n\tfirst\r\n\tsecond\r\n\tthird\r\n");
  ReadChecks(f.view, f.view.FirstRoot(), other.Root());
  EXPECT_EQ(testsupport::Describe(other.Root()), "X\n  first\n  -second\n  third\n");
  EXPECT_EQ(ReadChecks(f.view, nullptr, other.Root()), 0);
}

TEST(ExpandAll, OpensEveryItemWithChildren) {
  Fixture f;
  ExpandAll(f.view, f.view.FirstRoot());
  EXPECT_TRUE(FakeTreeView::AsItem(f.Item(""))->expanded);
  EXPECT_TRUE(FakeTreeView::AsItem(f.Item("0"))->expanded);
  EXPECT_TRUE(FakeTreeView::AsItem(f.Item("0/2"))->expanded);
  FakeTreeView empty;
  EXPECT_EQ(ExpandAll(empty, empty.FirstRoot()), 0);
  EXPECT_EQ(empty.Count(), 0);
}
