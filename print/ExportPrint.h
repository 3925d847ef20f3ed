#pragma once

class QWidget;
class FavoritesManager;

// "&Export as text file ...": asks for a file and writes the local tree's favorites list there.
// The caller makes the program's folder the current directory again afterwards.
void ExportTextWithDialog(QWidget* owner, FavoritesManager& manager);
// "&Print exported favorites ...": writes "f-structure.txt", opens it in the text editor and hands
// it to the print spooler.
void PrintExported(FavoritesManager& manager);
