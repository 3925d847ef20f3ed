#include "model/DryRunTarget.h"

#include "model/DiskTarget.h"
#include "platform/FileTree.h"
#include "platform/FolderWriter.h"
#include "platform/ShortcutFile.h"
#include "platform/WholeFile.h"

DryRunTarget::DryRunTarget(std::string favoritesFolder) {
  const bool exists = platform::IsFolder(favoritesFolder);
  m_levels.push_back({std::move(favoritesFolder), exists});
}

SyncTarget::Result DryRunTarget::EnterFolder(std::string_view name, bool create, std::string& why) {
  if (!platform::FolderWriter::IsSingleName(name)) {
    why = "the name can't be a folder name here";
    return Result::kFailed;
  }
  const Level& here = m_levels.back();
  std::string path = here.path + "/" + std::string(name);
  const bool exists = here.exists && platform::IsFolder(path) && !platform::IsSymbolicLink(path);
  if (!exists && (!create || (here.exists && platform::PathExists(path)))) {
    why = "something else of that name is there";
    return Result::kFailed;
  }
  m_levels.push_back({std::move(path), exists});
  return exists ? Result::kExisted : Result::kCreated;
}

void DryRunTarget::LeaveFolder() {
  if (m_levels.size() > 1) m_levels.pop_back();
}

SyncTarget::Result DryRunTarget::SaveLink(std::string_view name, std::string_view url,
                                          std::string& oldUrl, std::string& why) {
  const std::string fileName = std::string(name) + ".url";
  if (!platform::FolderWriter::IsSingleName(name) ||
      !platform::FolderWriter::IsSingleName(fileName)) {
    why = "the name can't be a file name here";
    return Result::kFailed;
  }
  if (!platform::IsSavableUrl(url)) {
    why = "the shortcut can't be saved";
    return Result::kFailed;
  }
  const Level& here = m_levels.back();
  if (!here.exists) return Result::kCreated;
  std::string content;
  const platform::ReadAt read =
      platform::ReadRegularFile(here.path + "/" + fileName, content, platform::kMaxShortcutSize);
  if (read == platform::ReadAt::kMissing) return Result::kCreated;
  return JudgeExisting(read, content, url, oldUrl, why);
}
