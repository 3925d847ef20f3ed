#include "commands/Commands.h"

namespace commands {

std::vector<HistoryEntry> History(const Session&) {
  return {};
}

Outcome RestoreHistory(Session&, std::size_t) {
  return Outcome::kFailed;
}

}  // namespace commands
