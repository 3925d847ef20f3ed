#pragma once

#include <string>

#include "commands/Commands.h"
#include "platform/CommandOwner.h"
#include "platform/FtpError.h"
#include "transfer/FavoritesTransfer.h"

// What the transfer commands share.
namespace commands {

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
