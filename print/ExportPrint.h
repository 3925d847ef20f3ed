#pragma once

#include <string>

class QPrinter;
class QWidget;
class Session;

// "&Export as text file ...": asks for a file and writes the local tree's favorites list there.
void ExportTextWithDialog(QWidget* owner, Session& session);
// "&Print exported favorites ...": writes "f-structure.txt" in the state folder, then prints the
// list through the system print dialog (a printer or a PDF file). Cancel prints nothing.
void PrintExported(QWidget* owner, Session& session);
// Prints the list on the printer as the preview shows it, page after page: false when the
// printer can't be written to.
bool PrintList(QPrinter& printer, const std::string& list);
