#include "model/DiskTarget.h"

#include "platform/FileTree.h"
#include "platform/ShortcutFile.h"

DiskTarget::DiskTarget(const std::string& favoritesFolder) : m_writer(favoritesFolder) {}

SyncTarget::Result DiskTarget::EnterFolder(std::string_view name, bool create, std::string& why) {
  bool made = false;
  if (!m_writer.Enter(name, create, &made)) {
    why = "the folder can't be made or opened";
    return Result::kFailed;
  }
  return made ? Result::kCreated : Result::kExisted;
}

void DiskTarget::LeaveFolder() {
  m_writer.Leave();
}

SyncTarget::Result DiskTarget::SaveLink(std::string_view name, std::string_view url,
                                        std::string& oldUrl, std::string& why) {
  if (!platform::FolderWriter::IsSingleName(name)) {
    why = "the name can't be a file name here";
    return Result::kFailed;
  }
  std::string fileName(name);
  fileName += ".url";
  const std::string file = m_writer.EntryPath(fileName);
  if (file.empty()) {
    why = "the path is too long";
    return Result::kFailed;
  }
  const bool existed = platform::PathExists(file);
  if (existed && platform::LoadShortcutUrl(file, oldUrl) && oldUrl == url) return Result::kExisted;
  const int error = platform::SaveShortcutUrl(file, std::string(url));
  if (error != 0) {
    why = "the shortcut can't be saved";
    return Result::kFailed;
  }
  return existed ? Result::kReplaced : Result::kCreated;
}
