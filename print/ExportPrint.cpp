#include "print/ExportPrint.h"

#include <QFile>
#include <QFileDialog>
#include <QStringList>

#include "platform/Desktop.h"
#include "commands/Commands.h"

namespace {

std::optional<std::string> AskForExportFile(QWidget* owner) {
  const std::unique_ptr<QFileDialog> dialog = MakeExportDialog(owner);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog->selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  return QFile::encodeName(files.front()).toStdString();
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
  dialog->selectFile(QString::fromLatin1(Places::kPrintFile));
  return dialog;
}

void SetSaveFileChooser(SaveFileChooser chooser) {
  Chooser() = std::move(chooser);
}

void ExportTextWithDialog(QWidget* owner, Session& session) {
  const std::optional<std::string> path = Chooser() ? Chooser()(owner) : AskForExportFile(owner);
  if (!path) return;
  commands::Export(session, *path);
}

void PrintExported(Session& session) {
  const Places& places = session.GetPlaces();
  places.EnsureStateFolder();
  const std::string file = places.WorkingFile(Places::kPrintFile);
  if (commands::Export(session, file) != commands::Outcome::kDone) return;
  // Either program may be missing on this desktop; the file is there all the same.
  platform::OpenInTextEditor(file);
  platform::PrintTextFile(file);
}
