#include "cli/ConsoleOwner.h"

#include <csignal>
#include <string>

#include "commands/Settings.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
  g_interrupted = 1;
}

void Write(std::FILE* file, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), file);
}

}  // namespace

ConsoleOwner::ConsoleOwner(std::FILE* in, std::FILE* out, std::FILE* err, bool canAsk,
                           bool assumeYes)
    : m_in(in), m_out(out), m_err(err), m_canAsk(canAsk), m_assumeYes(assumeYes) {}

void ConsoleOwner::CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

void ConsoleOwner::LogStatus(std::string_view text) {
  // The log's lines end in CR LF; a terminal and a script want LF.
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    lines += text[i];
  }
  Write(m_out, lines);
  std::fflush(m_out);
}

void ConsoleOwner::Tell(std::string_view text, Notice) {
  Write(m_err, "quillmere: ");
  Write(m_err, text);
  Write(m_err, "\n");
  std::fflush(m_err);
}

bool ConsoleOwner::Ask(std::string_view question, bool defaultAnswer) {
  Write(m_err, question);
  if (m_assumeYes) {
    Write(m_err, " yes (--yes)\n");
    return true;
  }
  if (!m_canAsk) {
    Write(m_err, defaultAnswer ? " yes" : " no");
    Write(m_err, " (the default: nobody can answer here; --yes answers yes)\n");
    return defaultAnswer;
  }
  Write(m_err, defaultAnswer ? " [Y/n] " : " [y/N] ");
  std::fflush(m_err);
  char line[64];
  if (!std::fgets(line, sizeof line, m_in)) return defaultAnswer;
  if (line[0] == 'y' || line[0] == 'Y') return true;
  if (line[0] == 'n' || line[0] == 'N') return false;
  return defaultAnswer;
}

bool ConsoleOwner::FillInSettings() {
  const TransferSettings settings = ReadTransferSettings();
  std::string missing;
  const auto need = [&missing](const char* key, const std::string& value) {
    if (!value.empty()) return;
    if (!missing.empty()) missing += ", ";
    missing += key;
  };
  if (settings.method < 0 || settings.method > 2) need("Save Method (0, 1 or 2)", "");
  need(keys::kUser.name, settings.user);
  need(keys::kPass.name, settings.pass);
  if (settings.method == 0) {
    need(keys::kPop3.name, settings.pop3);
    need(keys::kSmtp.name, settings.smtp);
  } else if (settings.method == 1) {
    need(keys::kFtp.name, settings.ftp);
  }
  Tell("the transfer settings are incomplete (missing: " + missing +
           "); set them with: quillmere set KEY VALUE",
       Notice::kError);
  return false;
}

void ConsoleOwner::Progress(std::string_view, long long, long long) {
  // Scripts read the status lines; a count ticking on the terminal would only garble them.
}

bool ConsoleOwner::Interrupted() {
  return g_interrupted != 0;
}
