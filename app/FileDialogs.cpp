#include "app/FileDialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

#include "commands/Places.h"

namespace {

FileChooser& Chooser() {
  static FileChooser chooser;
  return chooser;
}

std::unique_ptr<QFileDialog> SaveDialog(QWidget* owner, const char* suffix, QStringList filters,
                                        const char* name) {
  auto dialog = std::make_unique<QFileDialog>(owner);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setDefaultSuffix(QString::fromLatin1(suffix));
  dialog->setNameFilters(filters);
  dialog->selectFile(QString::fromLatin1(name));
  return dialog;
}

const QStringList kBookmarksFilters{QStringLiteral("bookmarks file(*.html *.htm)"),
                                    QStringLiteral("all files(*)")};

}  // namespace

std::unique_ptr<QFileDialog> MakeExportDialog(QWidget* owner) {
  return SaveDialog(owner, "txt",
                    {QStringLiteral("text file(*.txt)"), QStringLiteral("all files(*.*)")},
                    Places::kPrintFile);
}

std::unique_ptr<QFileDialog> MakeImportBookmarksDialog(QWidget* owner) {
  auto dialog = std::make_unique<QFileDialog>(owner);
  dialog->setWindowTitle(QStringLiteral("Import bookmarks file"));
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setNameFilters(kBookmarksFilters);
  return dialog;
}

std::unique_ptr<QFileDialog> MakeExportBookmarksDialog(QWidget* owner) {
  auto dialog = SaveDialog(owner, "html", kBookmarksFilters, "bookmarks.html");
  dialog->setWindowTitle(QStringLiteral("Export as bookmarks file"));
  return dialog;
}

void SetFileChooser(FileChooser chooser) {
  Chooser() = std::move(chooser);
}

std::optional<std::string> ChooseFile(QFileDialog& dialog) {
  if (Chooser()) return Chooser()(dialog);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return QFile::encodeName(files.front()).toStdString();
}
