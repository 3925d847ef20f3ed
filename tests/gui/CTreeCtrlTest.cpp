// The Qt tree view over the favorites tree, behind the TreeView interface: the drawn check boxes,
// keys and mouse, the state kept across a command, and trees far larger and deeper than anyone's
// favorites.
#include <gtest/gtest.h>

#include <QImage>
#include <QScrollBar>
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
    root_ = tree_.AddNode(nullptr, "Favorites");
    folder_ = tree_.AddNode(root_, "News");
    link_ = tree_.AddNode(folder_, "Daily\x01http://daily.example/");
    other_ = tree_.AddNode(root_, "Other");
    tree_.AddNode(other_, "Inside\x01http://inside.example/");
    view_.SetStateImageList(&images_);
    view_.resize(300, 300);
    ShowTree(view_, root_, nullptr);
    view_.Expand(root_);
    view_.Expand(folder_);
    view_.show();
  }
  QModelIndex Index(const FavoriteNode* node) const { return view_.IndexOf(node); }

  CTreeCtrl::StateImages images_ = ShippedImages();
  FavoritesTree tree_;
  CTreeCtrl view_;
  FavoriteNode *root_ = nullptr, *folder_ = nullptr, *link_ = nullptr, *other_ = nullptr;
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

TEST_F(TreeCtrl, ShowsTheNodesThemselvesEveryOneCheckedAtEachFill) {
  EXPECT_EQ(view_.Count(), 5);
  EXPECT_EQ(view_.FirstRoot(), root_);
  EXPECT_EQ(view_.ChildAt(root_, 1), other_);
  EXPECT_EQ(view_.Parent(link_), folder_);
  EXPECT_EQ(view_.Parent(root_), nullptr);
  EXPECT_EQ(Index(link_).data().toString(), "Daily") << "a link shows its name only";
  view_.SetCheck(link_, kUnchecked);
  EXPECT_EQ(link_->check, kUnchecked) << "the check state is the node's";
  view_.DeleteAllItems();
  EXPECT_EQ(view_.Count(), 0);
  EXPECT_EQ(view_.FirstRoot(), nullptr);
  EXPECT_EQ(view_.model()->rowCount(), 0);
  ShowTree(view_, root_, nullptr);
  EXPECT_EQ(view_.GetCheck(link_), kChecked) << "a refill discards the marks";
}

TEST_F(TreeCtrl, EachItemIsDrawnWithTheImageOfItsState) {
  for (int state : {kUnchecked, kChecked, kPartial, kChecked}) {
    view_.SetCheck(link_, state);
    EXPECT_EQ(view_.GetCheck(link_), state);
    const QIcon shown = Index(link_).data(Qt::DecorationRole).value<QIcon>();
    EXPECT_EQ(Picture(shown), Picture(images_[static_cast<size_t>(state)])) << state;
  }
  // Qt's own check box is not there to be clicked.
  EXPECT_FALSE(Index(link_).data(Qt::CheckStateRole).isValid());
  EXPECT_FALSE(view_.model()->flags(Index(link_)) & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(view_.grab().isNull());
}

TEST_F(TreeCtrl, AMouseClickSelectsButChangesNoBox) {
  view_.SetCheck(link_, kUnchecked);
  const QRect rect = view_.visualRect(Index(link_));
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
  view_.setCurrentIndex(Index(folder_));
  QTest::keyClick(&view_, Qt::Key_Space);
  EXPECT_EQ(view_.GetCheck(folder_), kUnchecked);
  EXPECT_EQ(view_.GetCheck(link_), kUnchecked);
  EXPECT_EQ(view_.GetCheck(root_), kPartial);
  QTest::keyClick(&view_, Qt::Key_Down);
  EXPECT_EQ(view_.Selected(), link_) << "the view still moves the selection";
  QTest::keyClick(&view_, Qt::Key_D);  // typed search: stays on "Daily"
  EXPECT_EQ(view_.GetCheck(link_), kUnchecked);
  ASSERT_EQ(spy.count(), 3);
  EXPECT_EQ(spy[0][0].toInt(), kSpaceKey);
}

TEST_F(TreeCtrl, AFrozenViewLooksAtNoNodeAndThawsAsTheUserLeftIt) {
  view_.SetCheck(other_, kUnchecked);
  view_.setCurrentIndex(Index(other_));
  const CTreeCtrl::State before = view_.SaveState();
  view_.Freeze();
  EXPECT_FALSE(view_.isEnabled());
  // What a command may do meanwhile: read the same copy again into new nodes.
  const std::string list = BuildText(tree_);
  FavoritesTree reread;
  LoadText(reread, list);
  tree_.Clear();
  EXPECT_EQ(view_.model()->rowCount(), 0);
  EXPECT_FALSE(view_.model()->index(0, 0).isValid());
  view_.Thaw(reread.Root(), before);
  EXPECT_TRUE(view_.isEnabled());
  const FavoriteNode* news = reread.Root()->firstChild;
  const FavoriteNode* other = news->nextSibling;
  EXPECT_EQ(view_.GetCheck(other), kUnchecked);
  EXPECT_EQ(view_.GetCheck(news), kChecked);
  EXPECT_TRUE(view_.isExpanded(view_.IndexOf(news)));
  EXPECT_FALSE(view_.isExpanded(view_.IndexOf(other)));
  EXPECT_EQ(view_.Selected(), other);

  // Another copy, of another size: shown afresh.
  FavoritesTree changed;
  LoadText(changed, "Favorites\r\n\tOne\r\n");
  view_.Freeze();
  view_.Thaw(changed.Root(), view_.SaveState());
  EXPECT_EQ(view_.GetCheck(changed.Root()->firstChild), kChecked);
  EXPECT_EQ(view_.Count(), 2);
  view_.DeleteAllItems();
}

TEST(TreeCtrlLarge, AMegabyteNameIsShownCutAndKeptWhole) {
  FavoritesTree tree;
  FavoriteNode* root = tree.AddNode(nullptr, "Favorites");
  const std::string name(8 << 20, 'n');
  FavoriteNode* link = tree.AddNode(root, name + "\x01http://long.example/");
  CTreeCtrl view;
  ShowTree(view, root, nullptr);
  ExpandAll(view, root);
  view.show();
  const QString shown = view.IndexOf(link).data().toString();
  EXPECT_LE(shown.size(), FavoritesModel::kMaxShownBytes + 1);
  EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
  EXPECT_EQ(link->Name().size(), name.size());
  EXPECT_FALSE(view.grab().isNull());
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
  EXPECT_EQ(view.ChildAt(view.ChildAt(top, 0), 99999), wide->lastChild);
  ExpandAll(view, top);
  view.show();
  view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
  EXPECT_FALSE(view.grab().isNull()) << "laid out and painted";
  TreeItem item = view.ChildAt(top, 1);
  for (int level = 2; level <= CTreeCtrl::kMaxExpandedDepth; ++level) item = view.ChildAt(item, 0);
  EXPECT_TRUE(view.isExpanded(view.IndexOf(view.Parent(item))));
  EXPECT_FALSE(view.isExpanded(view.IndexOf(item))) << "deeper levels stay closed";
  view.setCurrentIndex(view.IndexOf(top));
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
