#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/CommandIds.h"
#include "app/DialogUnits.h"
#include "commands/Commands.h"
#include "print/CPreview.h"
#include "print/ExportPrint.h"
#include "tests/support/FolderSnapshot.h"
#include "tests/support/RecordingOwner.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// Programs of the given names that write what they were asked into log files beside them.
class FakePrograms {
 public:
  explicit FakePrograms(std::initializer_list<const char*> names) : oldPath_(std::getenv("PATH")) {
    for (const char* name : names) {
      const std::string script = dir_ / name;
      WriteFile(script, "#!/bin/sh\necho \"$PWD $*\" > " + dir_ / name + ".log\n");
      ::chmod(script.c_str(), 0755);
    }
    ::setenv("PATH", dir_.path().c_str(), 1);
  }
  ~FakePrograms() { ::setenv("PATH", oldPath_.c_str(), 1); }

  std::string LogPath(const char* name) const { return dir_ / (std::string(name) + ".log"); }
  // What the program was started with, waited for a while as it runs on its own.
  std::string Log(const char* name) const {
    const std::string log = dir_ / (std::string(name) + ".log");
    for (int i = 0; i < 500 && !fs::exists(log); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return ReadFile(log);
  }

 private:
  testsupport::TempDir dir_;
  std::string oldPath_;
};

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
  void TearDown() override { SetSaveFileChooser({}); }

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
  SetSaveFileChooser([&](QWidget* o) -> std::optional<std::string> {
    askedBy = o;
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
  SetSaveFileChooser([&](QWidget*) -> std::optional<std::string> { return missing; });
  ExportTextWithDialog(nullptr, session_);
  // Print: the fixed file can't be made either (a folder has its name).
  WriteFile(program_ / "f-structure.txt/kept", "mine\r\n");
  FakePrograms programs{"xdg-open", "lp"};
  PrintExported(session_);
  ASSERT_EQ(owner_.told.size(), 2u);
  EXPECT_EQ(owner_.told[0].text, "The favorites can't be written to " + missing + ".");
  EXPECT_EQ(owner_.told[1].text,
            "The favorites can't be written to " + program_ / "f-structure.txt" + ".");
  for (const auto& told : owner_.told) EXPECT_EQ(told.kind, CommandOwner::Notice::kError);
  EXPECT_EQ(ReadFile(program_ / "f-structure.txt/kept"), "mine\r\n");
  EXPECT_EQ(testsupport::Names(program_.path()), std::set<std::string>{"f-structure.txt"});
  EXPECT_FALSE(fs::exists(programs.LogPath("lp"))) << "nothing is printed";
}

TEST_F(ExportPrint, CancelledExportWritesNothing) {
  SetSaveFileChooser([](QWidget*) { return std::optional<std::string>(); });
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

TEST_F(ExportPrint, PrintWritesTheFixedFileAndHandsItToEditorAndSpooler) {
  {
    FakePrograms programs{"xdg-open", "lp"};
    PrintExported(session_);
    EXPECT_EQ(ReadFile(program_ / "f-structure.txt"), kList);
    const std::string file = program_ / "f-structure.txt";
    EXPECT_EQ(programs.Log("xdg-open"), fs::current_path().string() + " " + file + "\n");
    EXPECT_EQ(programs.Log("lp"), fs::current_path().string() + " -- " + file + "\n");
  }
  // Neither program on this desktop: the file is written all the same, and nothing is shown.
  fs::remove(program_ / "f-structure.txt");
  FakePrograms none{};
  PrintExported(session_);
  EXPECT_EQ(ReadFile(program_ / "f-structure.txt"), kList);
  EXPECT_EQ(testsupport::Names(program_.path()), std::set<std::string>{"f-structure.txt"});
}

TEST_F(ExportPrint, PreviewPaintsTheListOfTheTreeAsItIsAtEachPaint) {
  CPreview preview = Preview();
  EXPECT_EQ(preview.windowTitle(), "Preview");
  EXPECT_EQ(preview.size(), DialogUnits(preview.font()).Size(347, 329));
  EXPECT_TRUE(preview.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(preview.findChildren<QWidget*>().isEmpty());

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
