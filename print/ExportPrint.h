#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QFileDialog;
class QWidget;
class Session;

// "&Export as text file ...": asks for a file and writes the local tree's favorites list there.
void ExportTextWithDialog(QWidget* owner, Session& session);
// "&Print exported favorites ...": writes "f-structure.txt" in the state folder, opens it in the
// text editor and hands it to the print spooler.
void PrintExported(Session& session);

// The Save As dialog of the export, set up but not yet shown.
std::unique_ptr<QFileDialog> MakeExportDialog(QWidget* owner);

// Asks the user for the export file: its full path, or nothing when cancelled. Tests put their
// own answer here; an empty function brings back the real dialog.
using SaveFileChooser = std::function<std::optional<std::string>(QWidget* owner)>;
void SetSaveFileChooser(SaveFileChooser chooser);

