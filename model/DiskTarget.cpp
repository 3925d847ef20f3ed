#include "model/DiskTarget.h"

#include <cerrno>

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

SyncTarget::Result JudgeExisting(platform::ReadAt read, const std::string& content,
                                 std::string_view url, std::string& oldUrl, std::string& why) {
  switch (read) {
    case platform::ReadAt::kRead:
      break;
    case platform::ReadAt::kTooLarge:
      why = "it is too large to be a shortcut";
      return SyncTarget::Result::kLeftAlone;
    case platform::ReadAt::kNotRegular:
      why = "it is not a shortcut file";
      return SyncTarget::Result::kLeftAlone;
    case platform::ReadAt::kMissing:
    case platform::ReadAt::kFailed:
      why = "the file of its name can't be read";
      return SyncTarget::Result::kFailed;
  }
  if (!platform::ParseShortcutUrl(content, oldUrl)) {
    oldUrl.clear();
    why = "it is not a shortcut this program can read";
    return SyncTarget::Result::kLeftAlone;
  }
  return oldUrl == url ? SyncTarget::Result::kExisted : SyncTarget::Result::kReplaced;
}

SyncTarget::Result DiskTarget::SaveLink(std::string_view name, std::string_view url,
                                        std::string& oldUrl, std::string& why) {
  std::string fileName(name);
  fileName += ".url";
  if (!platform::FolderWriter::IsSingleName(name) ||
      !platform::FolderWriter::IsSingleName(fileName)) {
    why = "the name can't be a file name here";
    return Result::kFailed;
  }
  if (!m_writer.CanName(fileName)) {
    why = "the path is too long";
    return Result::kFailed;
  }
  if (!platform::WithShortcutUrl({}, url, m_content)) {
    why = "the shortcut can't be saved";
    return Result::kFailed;
  }
  // The common case is a new file: made in place, never over anything.
  const int created = m_writer.CreateFile(fileName, m_content);
  if (created == 0) return Result::kCreated;
  if (created != EEXIST) {
    why = "the shortcut can't be saved";
    return Result::kFailed;
  }

  const platform::ReadAt read = m_writer.ReadFile(fileName, m_existing, platform::kMaxShortcutSize);
  const Result judged = JudgeExisting(read, m_existing, url, oldUrl, why);
  if (judged != Result::kReplaced) return judged;
  if (!platform::WithShortcutUrl(m_existing, url, m_content)) {
    why = "the new address can't be written in its encoding";
    return Result::kLeftAlone;
  }
  // The old shortcut goes to the trash only once its successor is complete beside it.
  bool trashed = true;
  const int replaced = m_writer.ReplaceFile(fileName, m_content, [&] {
    trashed = m_writer.MoveToTrash(fileName);
    return trashed;
  });
  if (replaced != 0) {
    why = trashed ? "the shortcut can't be saved; the old one is in the trash"
                  : "its old content can't be moved to the trash";
    return trashed ? Result::kFailed : Result::kLeftAlone;
  }
  return Result::kReplaced;
}
