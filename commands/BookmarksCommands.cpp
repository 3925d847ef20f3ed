#include "commands/Commands.h"
#include "platform/CommandOwner.h"

namespace commands {

Outcome ImportBookmarks(Session& session, const std::string&, SyncOptions) {
  session.Owner().Tell("Bookmarks files can't be read yet.", CommandOwner::Notice::kError);
  return Outcome::kFailed;
}

Outcome ExportBookmarks(Session& session, const std::string&) {
  session.Owner().Tell("Bookmarks files can't be written yet.", CommandOwner::Notice::kError);
  return Outcome::kFailed;
}

}  // namespace commands
