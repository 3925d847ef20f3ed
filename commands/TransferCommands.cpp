// Upload and Download, and the settings check both begin with.
#include <unordered_set>
#include <vector>

#include "commands/CommandSupport.h"
#include "commands/Settings.h"
#include "model/FavoritesList.h"
#include "model/FavoritesScan.h"
#include "platform/Counted.h"

namespace commands {
namespace {

// Each node's texts from the root's child down to it, joined by NUL (which no text holds).
template <typename Visit>
void ForEachWithKey(const FavoriteNode* root, bool skipExcluded, Visit visit) {
  if (!root) return;
  struct Level {
    const FavoriteNode* next;
    std::size_t keyLength;
  };
  std::string key;
  std::vector<Level> pending{{root->firstChild, 0}};
  while (!pending.empty()) {
    Level& level = pending.back();
    const FavoriteNode* node = level.next;
    if (!node) {
      pending.pop_back();
      continue;
    }
    level.next = node->nextSibling;
    if (skipExcluded && node->excluded) continue;
    key.resize(level.keyLength);
    key += '\0';
    key += node->text;
    visit(node, key);
    if (node->firstChild) pending.push_back({node->firstChild, key.size()});
  }
}

struct Loss {
  int folders = 0;
  int links = 0;
  bool uploadEmpty = true;
};

// What the server copy holds that the upload (the local tree without its unchecked nodes) does
// not: those folders and links would be gone from the server.
Loss WhatTheServerWouldLose(const FavoritesTree& local, const FavoritesTree& server) {
  Loss loss;
  std::unordered_set<std::string> uploaded;
  // An unchecked root uploads nothing at all.
  if (!local.Root() || !local.Root()->excluded) {
    ForEachWithKey(local.Root(), true, [&](const FavoriteNode*, const std::string& key) {
      uploaded.insert(key);
      loss.uploadEmpty = false;
    });
  }
  ForEachWithKey(server.Root(), false, [&](const FavoriteNode* node, const std::string& key) {
    if (uploaded.count(key)) return;
    ++(node->IsLink() ? loss.links : loss.folders);
  });
  return loss;
}

}  // namespace

std::unique_ptr<platform::FileLock> LockStateFolder(Session& session) {
  const Places& places = session.GetPlaces();
  auto lock = std::make_unique<platform::FileLock>(places.WorkingFile(".lock"));
  if (lock->Held()) return lock;
  session.Owner().Tell("Another Quillmere is working with " + places.StateFolder() +
                           " right now. Try again when it has finished.",
                       CommandOwner::Notice::kError);
  return nullptr;
}

FavoritesTransfer MakeTransfer(Session& session, const TransferSettings& settings) {
  const Places& places = session.GetPlaces();
  TransferNetwork network = session.Network();
  network.storeTrustedCertificates = [](const std::string& trusted) {
    WriteSetting(keys::kTrustedCertificates, trusted);
  };
  return FavoritesTransfer(
      session.Owner(), settings,
      {places.WorkingFile(Places::kLocalFile), places.WorkingFile(Places::kServerFile)}, network);
}

bool CheckTransferSettings(Session& session) {
  while (!TransferSettingsComplete(ReadTransferSettings())) {
    if (!session.Owner().FillInSettings()) return false;
  }
  return true;
}

Outcome Upload(Session& session) {
  if (!CheckTransferSettings(session)) return Outcome::kDeclined;
  const std::unique_ptr<platform::FileLock> lock = LockStateFolder(session);
  if (!lock) return Outcome::kFailed;
  const TransferSettings settings = ReadTransferSettings();
  CommandOwner& owner = session.Owner();
  const Places& places = session.GetPlaces();
  FavoritesManager& manager = session.Manager();

  // The check boxes belong to the tree the local view shows: when the Favorites folder changed
  // since, the user sees it anew and checks again before anything is sent.
  if (manager.TakeChangedLocalTree(places.FavoritesFolder())) {
    owner.LogStatus(
        "The Favorites folder has changed since it was shown. Check the local favorites again, "
        "then upload.\r\n");
    return Outcome::kFailed;
  }

  // The list is written first, so a list too large for the mail message or one that can't be
  // written is refused while the server still holds the previous copy.
  if (manager.PrepareUpload(places.WorkingFile(Places::kLocalFile)) != 0) {
    // Uploading the list an earlier upload left would put stale favorites on the server.
    owner.ClearStatus();
    owner.LogStatus("favorites-local.txt can't be written\r\n");
    return Outcome::kFailed;
  }
  return EndingOnFtpError(session, [&] {
    FavoritesTransfer transfer = MakeTransfer(session, settings);
    if (transfer.CheckUploadSize() != 0) return Outcome::kFailed;

    // The copy the upload replaces, fetched first: nothing on the server changes until the user
    // knows what it would lose.
    const std::string serverFile = places.WorkingFile(Places::kServerFile);
    const int fetched = transfer.Download(DownloadMode::kRetrieve);
    if (fetched < 0) {
      owner.LogStatus(
          "The server copy can't be read, so nothing was uploaded: an upload must replace it, "
          "not sit beside it.\r\n");
      return Outcome::kFailed;
    }
    FavoritesTree server;
    if (fetched == 0 && Load(server, serverFile) != 0) {
      owner.LogStatus("favorites-server.txt can't be read; nothing was uploaded.\r\n");
      return Outcome::kFailed;
    }
    const Loss loss = WhatTheServerWouldLose(manager.LocalTree(), server);
    if (loss.uploadEmpty || loss.folders > 0 || loss.links > 0) {
      const std::string holds = platform::Counted(loss.folders, "folder", "folders") + " and " +
                                platform::Counted(loss.links, "link", "links");
      const std::string question =
          (loss.uploadEmpty ? "The upload holds no favorites at all. Uploading replaces the server "
                              "copy, which holds " +
                                  holds + ", with an empty list."
                            : "Uploading replaces the server copy, which holds " + holds +
                                  " that this upload does not.") +
          " Upload anyway? (The replaced copy stays in the history.)";
      if (!owner.Ask(question, false)) {
        owner.LogStatus("Nothing was uploaded; the server copy is as it was.\r\n");
        return Outcome::kDeclined;
      }
    }
    if (fetched == 0) KeepInHistory(places, server.Source(), true);
    // The mail way keeps the copy in a message: the old one goes before the new one is sent.
    if (settings.method == 0 && fetched == 0 && transfer.Download(DownloadMode::kDelete) != 0) {
      owner.LogStatus("The old favorites message can't be deleted; nothing was uploaded.\r\n");
      return Outcome::kFailed;
    }
    return transfer.Upload() == 0 ? Outcome::kDone : Outcome::kFailed;
  });
}

Outcome Download(Session& session, DownloadMode mode) {
  if (!CheckTransferSettings(session)) return Outcome::kDeclined;
  const std::unique_ptr<platform::FileLock> lock = LockStateFolder(session);
  if (!lock) return Outcome::kFailed;
  const TransferSettings settings = ReadTransferSettings();
  return EndingOnFtpError(session, [&] {
    FavoritesTransfer transfer = MakeTransfer(session, settings);
    // A failed download is a failure: the server view keeps what it showed.
    if (transfer.Download(mode) != 0) return Outcome::kFailed;
    if (mode != DownloadMode::kRetrieve) return Outcome::kDone;
    const Places& places = session.GetPlaces();
    const std::string serverFile = places.WorkingFile(Places::kServerFile);
    if (session.Manager().LoadServerCopy(serverFile) != 0) return Outcome::kFailed;
    KeepInHistory(places, session.Manager().ServerTree().Source(), false);
    return Outcome::kDone;
  });
}

}  // namespace commands
