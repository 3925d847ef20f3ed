#include "ExportPrint.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

#include "Desktop.h"
#include "FavoritesManager.h"
#include "MessageBox.h"

namespace {

std::optional<std::string> AskForExportFile(QWidget* owner) {
  const std::unique_ptr<QFileDialog> dialog = MakeExportDialog(owner);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog->selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return QFile::encodeName(files.front()).toStdString();
}

// Writes the list into the file; says so in a box when it can't.
bool ExportToFile(QWidget* owner, FavoritesManager& manager, const std::string& path) {
  std::string text = path;
  if (manager.ExportText(text, true) == 0) return true;
  ShowMessageBox(owner, "The favorites can't be written to " + path + ".", MB_OK | MB_ICONSTOP);
  return false;
}

SaveFileChooser& Chooser() {
  static SaveFileChooser chooser;
  return chooser;
}

}  // namespace

std::unique_ptr<QFileDialog> MakeExportDialog(QWidget* owner) {
  auto dialog = std::make_unique<QFileDialog>(owner);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setDefaultSuffix(QStringLiteral("txt"));
  dialog->setNameFilters({QStringLiteral("text file(*.txt)"), QStringLiteral("all files(*.*)")});
  dialog->selectFile(QString::fromLatin1(kPrintFile));
  return dialog;
}

void SetSaveFileChooser(SaveFileChooser chooser) {
  Chooser() = std::move(chooser);
}

void ExportTextWithDialog(QWidget* owner, FavoritesManager& manager) {
  const std::optional<std::string> path = Chooser() ? Chooser()(owner) : AskForExportFile(owner);
  if (!path) return;
  ExportToFile(owner, manager, *path);
}

void PrintExported(QWidget* owner, FavoritesManager& manager) {
  if (!ExportToFile(owner, manager, kPrintFile)) return;
  // Either program may be missing on this desktop; the file is there all the same.
  platform::OpenInTextEditor(kPrintFile);
  platform::PrintTextFile(kPrintFile);
}
