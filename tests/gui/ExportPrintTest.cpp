#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <optional>
#include <vector>

#include "app/CommandIds.h"
#include "app/DialogUnits.h"
#include "app/FileDialogs.h"
#include "app/ModalDialog.h"
#include "commands/Commands.h"
#include "print/CPreview.h"
#include "print/ExportPrint.h"
#include "tests/support/CommandOutput.h"
#include "tests/support/FolderSnapshot.h"
#include "tests/support/RecordingOwner.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

using testsupport::CommandOutput;

// Answers the print dialog: to a PDF file, or Cancel.
void AnswerPrintDialog(const std::optional<std::string>& pdf) {
  SetModalHandler([pdf](QDialog& dialog) {
    auto* print = qobject_cast<QPrintDialog*>(&dialog);
    ASSERT_NE(print, nullptr) << dialog.windowTitle().toStdString();
    if (!pdf) return dialog.reject();
    print->printer()->setOutputFormat(QPrinter::PdfFormat);
    print->printer()->setOutputFileName(QString::fromStdString(*pdf));
    dialog.done(QDialog::Accepted);
  });
}

}  // namespace

class ExportPrint : public ::testing::Test {
 protected:
  void SetUp() override {
    FavoritesTree& tree = session_.Manager().LocalTree();
    root_ = tree.AddNode(nullptr, "Favorites");
    tree.AddNode(root_, "Alpha\x01http://a/");
    news_ = tree.AddNode(root_, "News");
    tree.AddNode(news_, "Daily\x01http://daily/?q=1&x=\t");
    hidden_ = tree.AddNode(news_, "Hidden");
    tree.AddNode(hidden_, "Secret\x01http://secret/");
    tree.AddNode(root_, "Zeta\x01http://z/");
    hidden_->excluded = 1;
  }
  void TearDown() override {
    SetFileChooser({});
    SetModalHandler({});
  }

  // The list of the tree above with "Hidden" left out, byte for byte.
  const std::string kList =
      "Favorites\r\n"
      "\tAlpha\x01http://a/\r\n"
      "\tNews\r\n"
      "\t\tDaily\x01http://daily/?q=1&x=\t\r\n"
      "\tZeta\x01http://z/\r\n";

  CPreview Preview() {
    return CPreview([this] { return commands::LocalListText(session_); }, nullptr);
  }

  testsupport::TempHome home_;
  testsupport::TempDir program_;
  testsupport::TempDir elsewhere_;
  testsupport::RecordingOwner owner_;
  Session session_{owner_, Places(program_.path())};
  FavoriteNode* root_ = nullptr;
  FavoriteNode* news_ = nullptr;
  FavoriteNode* hidden_ = nullptr;
};

TEST_F(ExportPrint, ExportWritesTheListOfTheCheckedNodesToTheChosenFile) {
  QWidget owner;
  QWidget* askedBy = nullptr;
  const std::string target = elsewhere_ / "mine.txt";
  WriteFile(target, "an older export that is longer than the new one, to be replaced whole");
  SetFileChooser([&](QFileDialog& dialog) -> std::optional<std::string> {
    askedBy = dialog.parentWidget();
    return target;
  });
  ExportTextWithDialog(&owner, session_);
  EXPECT_EQ(askedBy, &owner);
  EXPECT_EQ(ReadFile(target), kList);
  EXPECT_EQ(testsupport::Names(elsewhere_.path()), std::set<std::string>{"mine.txt"});
  EXPECT_TRUE(testsupport::Names(program_.path()).empty());

  root_->excluded = 1;
  ExportTextWithDialog(&owner, session_);
  EXPECT_TRUE(fs::exists(target));
  EXPECT_EQ(ReadFile(target), "");
}

TEST_F(ExportPrint, AnExportThatCantBeWrittenSaysSoAndKeepsTheOldFile) {
  const std::string missing = elsewhere_ / "no such folder/mine.txt";
  SetFileChooser([&](QFileDialog&) -> std::optional<std::string> { return missing; });
  ExportTextWithDialog(nullptr, session_);
  // Print: the fixed file can't be made either (a folder has its name).
  WriteFile(program_ / "f-structure.txt/kept", "mine\r\n");
  bool asked = false;
  SetModalHandler([&](QDialog&) { asked = true; });
  PrintExported(nullptr, session_);
  ASSERT_EQ(owner_.told.size(), 2u);
  EXPECT_EQ(owner_.told[0].text, "The favorites can't be written to " + missing + ".");
  EXPECT_EQ(owner_.told[1].text,
            "The favorites can't be written to " + program_ / "f-structure.txt" + ".");
  for (const auto& told : owner_.told) EXPECT_EQ(told.kind, CommandOwner::Notice::kError);
  EXPECT_EQ(ReadFile(program_ / "f-structure.txt/kept"), "mine\r\n");
  EXPECT_EQ(testsupport::Names(program_.path()), std::set<std::string>{"f-structure.txt"});
  EXPECT_FALSE(asked) << "nothing is printed";
}

TEST_F(ExportPrint, CancelledExportWritesNothing) {
  SetFileChooser([](QFileDialog&) { return std::optional<std::string>(); });
  ExportTextWithDialog(nullptr, session_);
  EXPECT_TRUE(testsupport::Names(program_.path()).empty());
  EXPECT_TRUE(testsupport::Names(elsewhere_.path()).empty());
}

TEST_F(ExportPrint, TheSaveDialogOffersTextFilesAndAsksBeforeReplacing) {
  const std::unique_ptr<QFileDialog> dialog = MakeExportDialog(nullptr);
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
  EXPECT_EQ(dialog->defaultSuffix(), "txt");
  EXPECT_EQ(dialog->nameFilters(), (QStringList{"text file(*.txt)", "all files(*.*)"}));
  EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
  ASSERT_EQ(dialog->selectedFiles().size(), 1);
  EXPECT_EQ(QFileInfo(dialog->selectedFiles().front()).fileName(), "f-structure.txt");
}

TEST_F(ExportPrint, PrintWritesTheFixedFileAndPrintsItToPdfThroughThePrintDialog) {
  const std::string pdf = elsewhere_ / "favorites.pdf";
  AnswerPrintDialog(pdf);
  PrintExported(nullptr, session_);
  EXPECT_EQ(ReadFile(program_ / "f-structure.txt"), kList);
  ASSERT_TRUE(fs::exists(pdf));
  // The text as it reads on paper: monospaced, so tabs keep their columns.
  const std::string text = CommandOutput("pdftotext -layout '" + pdf + "' -");
  const std::string arrow = " \u2192 ";
  for (const std::string& line : std::vector<std::string>{
           "Favorites\n", "        Alpha" + arrow + "http://a/\n", "        News\n",
           "                Daily" + arrow + "http://daily/?q=1&x=\n",
           "        Zeta" + arrow + "http://z/\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "in\n" << text;
  }
  EXPECT_EQ(text.find("Secret"), std::string::npos) << "unchecked nodes are left out";
  EXPECT_TRUE(owner_.told.empty());

  // Cancel prints nothing; the file is written all the same.
  fs::remove(pdf);
  fs::remove(program_ / "f-structure.txt");
  AnswerPrintDialog(std::nullopt);
  PrintExported(nullptr, session_);
  EXPECT_FALSE(fs::exists(pdf));
  EXPECT_EQ(ReadFile(program_ / "f-structure.txt"), kList);
}

TEST_F(ExportPrint, ALongListPrintsOnEveryPageItNeeds) {
  FavoritesTree& tree = session_.Manager().LocalTree();
  for (int i = 0; i < 300; ++i) tree.AddNode(root_, "Link " + std::to_string(i) + "\x01http://l/");
  const std::string pdf = elsewhere_ / "long.pdf";
  AnswerPrintDialog(pdf);
  PrintExported(nullptr, session_);
  const std::string info = CommandOutput("pdfinfo '" + pdf + "'");
  const size_t pages = info.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info;
  EXPECT_GT(std::stoi(info.substr(pages + 6)), 2);
  const std::string text = CommandOutput("pdftotext '" + pdf + "' -");
  EXPECT_NE(text.find("Link 0 "), std::string::npos);
  EXPECT_NE(text.find("Link 299 "), std::string::npos);
}

TEST_F(ExportPrint, PreviewPaintsTheListOfTheTreeAsItIsAtEachPaint) {
  CPreview preview = Preview();
  EXPECT_EQ(preview.windowTitle(), "Preview");
  EXPECT_EQ(preview.size(), DialogUnits(preview.font()).Size(347, 329));
  EXPECT_TRUE(preview.windowFlags() & Qt::WindowMaximizeButtonHint);

  const QString sep = kPreviewSeparator;
  const QStringList expected{
      "Favorites",
      "\tAlpha" + sep + "http://a/",
      "\tNews",
      "\t\tDaily" + sep + "http://daily/?q=1&x=\t",
      "\tZeta" + sep + "http://z/",
  };
  EXPECT_EQ(preview.PaintedLines(), expected);
  EXPECT_FALSE(preview.grab().isNull());

  hidden_->excluded = 0;
  session_.Manager().LocalTree().AddNode(root_, "Added");
  EXPECT_EQ(preview.PaintedLines(),
            (QStringList{expected[0], expected[1], expected[2], expected[3], "\t\tHidden",
                         "\t\t\tSecret" + sep + "http://secret/", expected[4], "\tAdded"}));

  root_->excluded = 1;
  EXPECT_TRUE(preview.PaintedLines().isEmpty());
  EXPECT_FALSE(preview.grab().isNull());
}

TEST_F(ExportPrint, PreviewLinesFollowEveryKindOfLineEnd) {
  EXPECT_EQ(PreviewLines(""), QStringList());
  EXPECT_EQ(PreviewLines("a\r\nb\nc\rd\r\n"), (QStringList{"a", "b", "c", "d"}));
  EXPECT_EQ(PreviewLines("a\r\n\r\nlast"), (QStringList{"a", "", "last"}));
  EXPECT_EQ(PreviewLines("x\x01y\x01z\r\n"),
            QStringList{"x" + kPreviewSeparator + "y" + kPreviewSeparator + "z"});
}

TEST_F(ExportPrint, PreviewClosesOnEnterAndEscape) {
  for (const int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    CPreview preview([this] { return commands::LocalListText(session_); }, nullptr);
    preview.show();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&preview, &press);
    EXPECT_FALSE(preview.isVisible()) << key;
    EXPECT_EQ(preview.result(), key == Qt::Key_Escape ? QDialog::Rejected : QDialog::Accepted);
  }
}

TEST_F(ExportPrint, PreviewScrollsAndZoomsThroughAWholeLongList) {
  FavoritesTree& tree = session_.Manager().LocalTree();
  for (int i = 0; i < 3000; ++i) tree.AddNode(root_, "Link " + std::to_string(i) + "\x01http://l/");
  CPreview preview = Preview();
  preview.show();
  CPreviewPage& page = *preview.Page();
  QScrollBar& bar = *page.verticalScrollBar();
  EXPECT_GE(page.PointSize(), 9) << "starts at a size people read";
  const int lines = static_cast<int>(preview.PaintedLines().size());
  ASSERT_EQ(lines, 3005);
  const int lineHeight = page.Layout().LineHeight();
  EXPECT_EQ(bar.maximum() + bar.pageStep(), lines * lineHeight) << "the scroll bar spans it all";

  QTest::keyClick(&page, Qt::Key_PageDown);
  EXPECT_EQ(bar.value(), bar.pageStep());
  QTest::keyClick(&page, Qt::Key_PageUp);
  EXPECT_EQ(bar.value(), 0);
  QTest::keyClick(&page, Qt::Key_End);
  EXPECT_EQ(bar.value(), bar.maximum());
  EXPECT_GE(page.FirstShownLine() + page.viewport()->height() / lineHeight, lines - 1)
      << "the last line shows";
  EXPECT_FALSE(preview.grab().isNull());
  QTest::keyClick(&page, Qt::Key_Home);
  EXPECT_EQ(bar.value(), 0);
  QWheelEvent wheel(QPointF(10, 10), page.mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(page.viewport(), &wheel);
  EXPECT_GT(bar.value(), 0) << "the wheel scrolls";

  const qreal start = page.PointSize();
  QTest::keyClick(&page, Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_GT(page.PointSize(), start);
  EXPECT_GT(page.Layout().LineHeight(), lineHeight);
  EXPECT_EQ(bar.maximum() + bar.pageStep(), lines * page.Layout().LineHeight());
  QTest::keyClick(&page, Qt::Key_Minus, Qt::ControlModifier);
  QTest::keyClick(&page, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_LT(page.PointSize(), start);
  QTest::keyClick(&page, Qt::Key_0, Qt::ControlModifier);
  EXPECT_EQ(page.PointSize(), start);
}

TEST_F(ExportPrint, PreviewDrawsTabsAtEightColumnsAndCutsHugeLines) {
  const ListLayout layout(ListLayout::Font(10));
  const int column = layout.TabWidth() / 8;
  EXPECT_EQ(layout.Width("\tab"), 10 * column);
  EXPECT_EQ(layout.Width("abc\td"), 9 * column);
  EXPECT_EQ(layout.Width("abcdefgh\t"), 16 * column);
  EXPECT_EQ(layout.Width(QString(1 << 20, 'x')),
            layout.Width(QString(ListLayout::kMaxShownChars, 'x')));
}
