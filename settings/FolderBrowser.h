#pragma once

#include <functional>
#include <string>

class QWidget;

// Asks the user for a folder: true with its path, false when the user cancels.
bool BrowseForFolder(QWidget* parent, const std::string& title, std::string& path);

// Tests answer the folder browser through this instead of a window. Empty: the real browser.
using FolderBrowserHandler = std::function<bool(const std::string& title, std::string& path)>;
void SetFolderBrowserHandler(FolderBrowserHandler handler);
