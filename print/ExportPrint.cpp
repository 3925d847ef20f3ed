#include "ExportPrint.h"

#include "FavoritesManager.h"

void ExportTextWithDialog(QWidget*, FavoritesManager&) {}

void PrintExported(FavoritesManager&) {}
