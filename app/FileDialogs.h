#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QFileDialog;
class QWidget;

// The file dialogs of the File menu, set up but not shown: choosing a text export, a bookmarks
// file to import and a bookmarks file to export to.
std::unique_ptr<QFileDialog> MakeExportDialog(QWidget* owner);
std::unique_ptr<QFileDialog> MakeImportBookmarksDialog(QWidget* owner);
std::unique_ptr<QFileDialog> MakeExportBookmarksDialog(QWidget* owner);

// Shows the dialog modally: the full path of the chosen file (in the file system's encoding), or
// nothing when the user cancelled.
std::optional<std::string> ChooseFile(QFileDialog& dialog);

// Tests answer the file dialogs through this instead of a window: the handler sees the dialog as
// set up and returns the answer. An empty handler brings the real dialogs back.
using FileChooser = std::function<std::optional<std::string>(QFileDialog& dialog)>;
void SetFileChooser(FileChooser chooser);
