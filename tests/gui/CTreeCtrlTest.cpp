// The Qt tree view behind the TreeView interface: the drawn check boxes, keys and mouse, and
// trees far larger and deeper than anyone's favorites.
#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include "app/CTreeCtrl.h"
#include "model/FavoritesList.h"
#include "model/FavoritesTree.h"
#include "model/TreeViewOps.h"

namespace {

CTreeCtrl::StateImages ShippedImages() {
  return {QIcon(), QIcon(":/res/checkbox-empty.png"), QIcon(":/res/checkbox-checked.png"),
          QIcon(":/res/checkbox-partial.png")};
}

QImage Picture(const QIcon& icon) {
  return icon.pixmap(16, 16).toImage();
}

class TreeCtrl : public ::testing::Test {
 protected:
  void SetUp() override {
    view_.SetStateImageList(&images_);
    view_.resize(300, 300);
    root_ = view_.InsertItem(nullptr, "Favorites", kChecked);
    folder_ = view_.InsertItem(root_, "News", kChecked);
    link_ = view_.InsertItem(folder_, "Daily", kChecked);
    view_.Expand(root_);
    view_.Expand(folder_);
    view_.show();
  }

  CTreeCtrl::StateImages images_ = ShippedImages();
  CTreeCtrl view_;
  TreeItem root_ = nullptr, folder_ = nullptr, link_ = nullptr;
};

}  // namespace

TEST(CheckBoxImages, ShipThreeDistinctReadableBoxes) {
  const CTreeCtrl::StateImages images = ShippedImages();
  for (int state : {kUnchecked, kChecked, kPartial}) {
    const QImage image = Picture(images[static_cast<size_t>(state)]);
    ASSERT_FALSE(image.isNull()) << state;
    EXPECT_EQ(image.size(), QSize(16, 16));
  }
  EXPECT_NE(Picture(images[kUnchecked]), Picture(images[kChecked]));
  EXPECT_NE(Picture(images[kChecked]), Picture(images[kPartial]));
  EXPECT_NE(Picture(images[kUnchecked]), Picture(images[kPartial]));
}

TEST_F(TreeCtrl, EachItemIsDrawnWithTheImageOfItsState) {
  auto* item = CTreeCtrl::AsItem(link_);
  for (int state : {kUnchecked, kChecked, kPartial, kChecked}) {
    view_.SetCheck(link_, state);
    EXPECT_EQ(view_.GetCheck(link_), state);
    const QIcon shown = item->data(0, Qt::DecorationRole).value<QIcon>();
    EXPECT_EQ(Picture(shown), Picture(images_[static_cast<size_t>(state)])) << state;
  }
  // Qt's own check box is not there to be clicked.
  EXPECT_FALSE(item->data(0, Qt::CheckStateRole).isValid());
  EXPECT_FALSE(view_.grab().isNull());
}

TEST_F(TreeCtrl, AMouseClickSelectsButChangesNoBox) {
  view_.SetCheck(link_, kUnchecked);
  auto* item = CTreeCtrl::AsItem(link_);
  const QRect rect = view_.visualItemRect(item);
  ASSERT_TRUE(rect.isValid());
  const QPoint onTheBox(rect.left() + 8, rect.center().y());
  QTest::mouseClick(view_.viewport(), Qt::LeftButton, Qt::NoModifier, onTheBox);
  QTest::mouseDClick(view_.viewport(), Qt::LeftButton, Qt::NoModifier, onTheBox);
  EXPECT_EQ(view_.Selected(), link_);
  EXPECT_EQ(view_.GetCheck(link_), kUnchecked);
  EXPECT_EQ(view_.GetCheck(folder_), kChecked);
}

TEST_F(TreeCtrl, KeysAreReportedBeforeTheViewsOwnHandling) {
  QSignalSpy spy(&view_, &CTreeCtrl::keyDown);
  QObject::connect(&view_, &CTreeCtrl::keyDown,
                   [this](int key) { ToggleSelectedCheck(view_, key); });
  view_.setCurrentItem(CTreeCtrl::AsItem(folder_));
  QTest::keyClick(&view_, Qt::Key_Space);
  EXPECT_EQ(view_.GetCheck(folder_), kUnchecked);
  EXPECT_EQ(view_.GetCheck(link_), kUnchecked);
  EXPECT_EQ(view_.GetCheck(root_), kUnchecked);
  QTest::keyClick(&view_, Qt::Key_Down);
  EXPECT_EQ(view_.Selected(), link_) << "the view still moves the selection";
  QTest::keyClick(&view_, Qt::Key_D);  // typed search: stays on "Daily"
  EXPECT_EQ(view_.GetCheck(link_), kUnchecked);
  ASSERT_EQ(spy.count(), 3);
  EXPECT_EQ(spy[0][0].toInt(), kSpaceKey);
}

TEST(TreeCtrlLarge, FillsWalksAndEmptiesDeepAndWideTrees) {
  // A chain 100,000 levels deep beside a folder of 100,000 links: nothing may recurse on depth.
  FavoritesTree tree;
  FavoriteNode* node = tree.AddNode(nullptr, "Favorites");
  FavoriteNode* wide = tree.AddNode(node, "Wide");
  for (int i = 0; i < 100000; ++i) tree.AddNode(wide, "L" + std::to_string(i) + "\x01http://x/");
  for (int i = 0; i < 100000; ++i) node = tree.AddNode(node, "D" + std::to_string(i));

  CTreeCtrl view;
  ASSERT_EQ(ShowTree(view, tree.Root(), nullptr), 0);
  EXPECT_EQ(view.Count(), 200002);
  ASSERT_EQ(view.ChildCount(nullptr), 1);
  const TreeItem top = view.FirstRoot();
  EXPECT_EQ(view.ChildCount(view.ChildAt(top, 0)), 100000);
  ExpandAll(view, top);
  view.show();
  EXPECT_FALSE(view.grab().isNull()) << "laid out and painted";
  TreeItem item = view.ChildAt(top, 1);
  for (int level = 2; level <= CTreeCtrl::kMaxExpandedDepth; ++level) item = view.ChildAt(item, 0);
  EXPECT_TRUE(CTreeCtrl::AsItem(view.Parent(item))->isExpanded());
  EXPECT_FALSE(CTreeCtrl::AsItem(item)->isExpanded()) << "deeper levels stay closed";
  view.setCurrentItem(CTreeCtrl::AsItem(top));
  ToggleSelectedCheck(view, kSpaceKey);
  TreeItem deepest = view.ChildAt(top, 1);
  while (view.ChildCount(deepest) > 0) deepest = view.ChildAt(deepest, 0);
  EXPECT_EQ(view.GetCheck(deepest), kUnchecked);
  EXPECT_EQ(ReadChecks(view, top, tree.Root()), 0);
  view.DeleteAllItems();
  EXPECT_EQ(view.Count(), 0);
  EXPECT_EQ(view.FirstRoot(), nullptr);
  EXPECT_EQ(ShowTree(view, nullptr, nullptr), 1);
  EXPECT_EQ(view.Count(), 0);
  // The view is destroyed with a filled deep tree too.
  ShowTree(view, tree.Root(), nullptr);
}
