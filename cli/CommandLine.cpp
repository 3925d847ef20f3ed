#include "cli/CommandLine.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string_view>

#include "cli/ConsoleOwner.h"
#include "commands/Commands.h"
#include "commands/Settings.h"
#include "commands/TreePaths.h"
#include "model/FavoritesList.h"

namespace {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

const char kUsageText[] =
    "Usage: quillmere COMMAND [OPTIONS]\n"
    "\n"
    "Keeps your browser favorites in step between machines, as the Quillmere window does: for\n"
    "scripts, machines without a display, and synchronisation on a schedule. It uses the same\n"
    "settings, Favorites folder and working files as the window.\n"
    "\n"
    "Commands:\n"
    "  upload [--yes]          replace the server copy with the local favorites\n"
    "  download                fetch the server copy (kept for synchronize and show server)\n"
    "  synchronize [--dry-run] [--exclude PATH]...\n"
    "                          create the server copy's folders and links that are missing in\n"
    "                          the Favorites folder; --dry-run says what it would create and\n"
    "                          replace and writes nothing; --exclude leaves a folder or link out\n"
    "  list-server             sign in to the mailbox and sign off (a login test)\n"
    "  delete-server           delete the favorites message from the mailbox\n"
    "  backup                  copy the Favorites folder to the backup folder beside it\n"
    "  restore [--yes]         replace the Favorites folder's contents with the backup\n"
    "  export [--bookmarks] FILE\n"
    "                          write the local favorites list to FILE; --bookmarks writes a\n"
    "                          bookmarks file (bookmarks.html) that browsers import\n"
    "  import [--dry-run] FILE create the folders and links of a browser's bookmarks file\n"
    "                          (bookmarks.html) that are missing in the Favorites folder, as\n"
    "                          synchronize does; --dry-run says what it would create\n"
    "  history [--restore N]   list the server copies kept (the last 20: each download, and\n"
    "                          each copy an upload replaced), newest first; --restore N makes\n"
    "                          copy N the server copy to synchronise from\n"
    "  show local|server       one line per folder and link: its path (names joined by \"/\"),\n"
    "                          and for a link a TAB and its address\n"
    "  get KEY                 print a setting\n"
    "  set KEY VALUE           change a setting\n"
    "  --help                  show this text\n"
    "\n"
    "Keys: \"Save Method\" (0 mail, 1 your FTP server, 2 the test account), pop3, smtp, ftp,\n"
    "user, pass, \"delete link\", folder.\n"
    "\n"
    "Status lines go to standard output, errors to standard error. A question takes its default\n"
    "answer when standard input is not a terminal; --yes answers Yes.\n"
    "Exit status: 0 success, 1 the command failed or was declined, 2 bad usage.\n";

int ExitStatus(commands::Outcome outcome) {
  return outcome == commands::Outcome::kDone ? kSuccess : kFailure;
}

int Usage(std::FILE* err, std::string_view problem) {
  std::fprintf(err, "quillmere: %.*s\nTry 'quillmere --help'.\n", static_cast<int>(problem.size()),
               problem.data());
  return kUsage;
}

// The arguments after the command, with the flags it allows taken out.
struct Arguments {
  bool yes = false;
  bool dryRun = false;
  bool bookmarks = false;
  std::optional<std::string> restore;
  std::vector<std::string> excludes;
  std::vector<std::string> operands;
};

std::optional<Arguments> Parse(const std::vector<std::string>& args, std::string_view allowed,
                               std::FILE* err) {
  Arguments parsed;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto allows = [&](std::string_view flag) {
      return allowed.find(flag) != std::string_view::npos && arg == flag;
    };
    if (allows("--yes")) {
      parsed.yes = true;
    } else if (allows("--dry-run")) {
      parsed.dryRun = true;
    } else if (allows("--bookmarks")) {
      parsed.bookmarks = true;
    } else if (allows("--restore")) {
      if (++i == args.size()) {
        Usage(err, "--restore needs a number");
        return std::nullopt;
      }
      parsed.restore = args[i];
    } else if (allows("--exclude")) {
      if (++i == args.size()) {
        Usage(err, "--exclude needs a PATH");
        return std::nullopt;
      }
      parsed.excludes.push_back(args[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      Usage(err, "unknown option " + arg + " for " + args[0]);
      return std::nullopt;
    } else {
      parsed.operands.push_back(arg);
    }
  }
  return parsed;
}

int GetSetting(const std::vector<std::string>& operands, std::FILE* out, std::FILE* err) {
  if (operands.size() != 1) return Usage(err, "get takes one KEY");
  const AnySetting* key = FindSetting(operands[0]);
  if (!key) return Usage(err, "no such key: " + operands[0]);
  if (key->integer) {
    std::fprintf(out, "%d\n", ReadSetting(*key->integer));
  } else {
    const std::string value = ReadSetting(*key->text);
    std::fprintf(out, "%s\n", value.c_str());
  }
  return kSuccess;
}

int SetSetting(const std::vector<std::string>& operands, std::FILE* err) {
  if (operands.size() != 2) return Usage(err, "set takes a KEY and a VALUE");
  const AnySetting* key = FindSetting(operands[0]);
  if (!key) return Usage(err, "no such key: " + operands[0]);
  const std::string& value = operands[1];
  if (key->integer) {
    char* end = nullptr;
    const long number = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || number < -2147483647L - 1 || number > 2147483647L) {
      return Usage(err, std::string(key->Name()) + " takes a whole number");
    }
    WriteSetting(*key->integer, static_cast<int>(number));
  } else {
    WriteSetting(*key->text, value);
  }
  return kSuccess;
}

int History(Session& session, const std::optional<std::string>& restore, std::FILE* out,
            std::FILE* err) {
  if (restore) {
    char* end = nullptr;
    const long number = std::strtol(restore->c_str(), &end, 10);
    if (restore->empty() || *end != '\0' || number < 1) {
      return Usage(err, "--restore takes the number history prints");
    }
    return ExitStatus(commands::RestoreHistory(session, static_cast<std::size_t>(number - 1)));
  }
  const std::vector<commands::HistoryEntry> entries = commands::History(session);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    std::fprintf(out, "%zu\t%s\t%s\n", i + 1, entries[i].time.c_str(), entries[i].origin.c_str());
  }
  return kSuccess;
}

}  // namespace

const char* UsageText() {
  return kUsageText;
}

int RunCommandLine(const std::vector<std::string>& args, const Places& places, std::FILE* in,
                   std::FILE* out, std::FILE* err, bool canAsk) {
  if (args.empty()) return Usage(err, "no command given");
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsageText, out);
    return kSuccess;
  }
  const struct {
    const char* name;
    const char* flags;
    std::size_t operands;
  } table[] = {
      {"upload", "--yes", 0},
      {"download", "", 0},
      {"synchronize", "--dry-run --exclude", 0},
      {"list-server", "", 0},
      {"delete-server", "", 0},
      {"backup", "", 0},
      {"restore", "--yes", 0},
      {"export", "--bookmarks", 1},
      {"import", "--dry-run", 1},
      {"history", "--restore", 0},
      {"show", "", 1},
      {"get", "", 1},
      {"set", "", 2},
  };
  const auto* entry = std::find_if(std::begin(table), std::end(table),
                                   [&](const auto& e) { return command == e.name; });
  if (entry == std::end(table)) return Usage(err, "unknown command " + command);
  const std::optional<Arguments> parsed = Parse(args, entry->flags, err);
  if (!parsed) return kUsage;
  if (command == "get") return GetSetting(parsed->operands, out, err);
  if (command == "set") return SetSetting(parsed->operands, err);
  if (parsed->operands.size() != entry->operands) {
    return Usage(err, command + (entry->operands ? " takes one operand" : " takes no operand"));
  }

  ConsoleOwner owner(in, out, err, canAsk, parsed->yes);
  Session session(owner, places);
  FavoritesManager& manager = session.Manager();
  const std::string serverFile = places.WorkingFile(Places::kServerFile);

  if (command == "upload") {
    commands::RefreshLocal(session);
    return ExitStatus(commands::Upload(session));
  }
  if (command == "download") return ExitStatus(commands::Download(session));
  if (command == "list-server") return ExitStatus(commands::Download(session, DownloadMode::kList));
  if (command == "delete-server") {
    return ExitStatus(commands::Download(session, DownloadMode::kDelete));
  }
  if (command == "synchronize") {
    manager.LoadServerCopy(serverFile);
    for (const std::string& path : parsed->excludes) {
      if (!commands::ExcludePath(manager.ServerTree(), path)) {
        owner.Tell("the server copy has no folder or link " + path, CommandOwner::Notice::kError);
        return kFailure;
      }
    }
    commands::RefreshLocal(session);
    return ExitStatus(commands::Synchronize(session, {parsed->dryRun}));
  }
  if (command == "backup") return ExitStatus(commands::Backup(session));
  if (command == "restore") return ExitStatus(commands::Restore(session));
  if (command == "history") return History(session, parsed->restore, out, err);
  if (command == "export") {
    commands::RefreshLocal(session);
    if (parsed->bookmarks) {
      return ExitStatus(commands::ExportBookmarks(session, parsed->operands[0]));
    }
    return ExitStatus(commands::Export(session, parsed->operands[0]));
  }
  if (command == "import") {
    commands::RefreshLocal(session);
    return ExitStatus(commands::ImportBookmarks(session, parsed->operands[0], {parsed->dryRun}));
  }
  // show
  const std::string& which = parsed->operands[0];
  if (which == "local") {
    commands::RefreshLocal(session);
    std::fputs(commands::TreeLines(manager.LocalTree()).c_str(), out);
    return kSuccess;
  }
  if (which == "server") {
    if (manager.LoadServerCopy(serverFile) != 0) {
      owner.Tell("there is no server copy yet; run quillmere download first",
                 CommandOwner::Notice::kError);
      return kFailure;
    }
    std::fputs(commands::TreeLines(manager.ServerTree()).c_str(), out);
    return kSuccess;
  }
  return Usage(err, "show takes local or server");
}
