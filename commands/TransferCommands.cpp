// Upload and Download, and the settings check both begin with.
#include "commands/CommandSupport.h"
#include "commands/Settings.h"

namespace commands {

FavoritesTransfer MakeTransfer(Session& session, const TransferSettings& settings) {
  const Places& places = session.GetPlaces();
  places.EnsureStateFolder();
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
  const TransferSettings settings = ReadTransferSettings();
  CommandOwner& owner = session.Owner();
  const Places& places = session.GetPlaces();
  places.EnsureStateFolder();
  // The list is written before the old server copy is deleted, so that a list too large for the
  // mail message is refused while the server still holds the previous one.
  if (session.Manager().PrepareUpload(places.WorkingFile(Places::kLocalFile)) != 0) {
    // Uploading the list an earlier upload left would put stale favorites on the server.
    owner.ClearStatus();
    owner.LogStatus("favorites-local.txt can't be written\r\n");
    return Outcome::kFailed;
  }
  return EndingOnFtpError(session, [&] {
    FavoritesTransfer transfer = MakeTransfer(session, settings);
    if (transfer.CheckUploadSize() != 0) return Outcome::kFailed;
    transfer.Download(DownloadMode::kDelete);
    return transfer.Upload() == 0 ? Outcome::kDone : Outcome::kFailed;
  });
}

Outcome Download(Session& session, DownloadMode mode) {
  if (!CheckTransferSettings(session)) return Outcome::kDeclined;
  const TransferSettings settings = ReadTransferSettings();
  return EndingOnFtpError(session, [&] {
    FavoritesTransfer transfer = MakeTransfer(session, settings);
    if (transfer.Download(mode) != 0) return Outcome::kFailed;
    if (mode != DownloadMode::kRetrieve) return Outcome::kDone;
    const std::string serverFile = session.GetPlaces().WorkingFile(Places::kServerFile);
    return session.Manager().LoadServerCopy(serverFile) == 0 ? Outcome::kDone : Outcome::kFailed;
  });
}

}  // namespace commands
