#include "commands/Commands.h"
#include "platform/CommandOwner.h"

namespace commands {

Outcome Export(Session& session, const std::string& file) {
  std::string target = file;
  if (session.Manager().ExportText(target, true) == 0) return Outcome::kDone;
  session.Owner().Tell("The favorites can't be written to " + file + ".",
                       CommandOwner::Notice::kError);
  return Outcome::kFailed;
}

std::string LocalListText(const Session& session) {
  std::string text;
  session.Manager().ExportText(text, false);
  return text;
}

}  // namespace commands
