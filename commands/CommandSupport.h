#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "commands/Commands.h"
#include "platform/CommandOwner.h"
#include "platform/FileLock.h"
#include "platform/FtpError.h"
#include "transfer/FavoritesTransfer.h"

// What the transfer commands share.
namespace commands {

// The state folder is one run's at a time: a command that changes working files holds its lock.
// Null, and the owner told, when another run holds it.
std::unique_ptr<platform::FileLock> LockStateFolder(Session& session);

// Keeps the bytes of a server copy in the history (the last 20 stay). False when it can't.
bool KeepInHistory(const Places& places, std::string_view copy, bool replacedByUpload);

// The engine for one command, with the settings as they are now and the session's files and
// network.
FavoritesTransfer MakeTransfer(Session& session, const TransferSettings& settings);

// Runs a command body that may meet an FTP connection that can't be made or a login that is
// refused: the error ends the whole command, and the owner is told its description.
template <typename Body>
Outcome EndingOnFtpError(Session& session, Body body) {
  try {
    return body();
  } catch (const platform::FtpError& error) {
    const std::string what = error.what();
    if (error.HowShown() == platform::FtpError::Shown::kInTheStatusLog) {
      session.Owner().LogStatus(what + "\r\n");
    } else {
      session.Owner().Tell(what.empty() ? "Command failed." : what, CommandOwner::Notice::kError);
    }
    return Outcome::kFailed;
  }
}

}  // namespace commands
