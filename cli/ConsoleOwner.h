#pragma once

#include <cstdio>

#include "platform/CommandOwner.h"

// The command line as a command's owner: status lines on standard output, messages on standard
// error, questions asked on the terminal, or answered by default when there is none (or Yes for
// --yes). Ctrl-C asks the running command to stop.
class ConsoleOwner : public CommandOwner {
 public:
  // canAsk: whether the input is a terminal someone can answer on.
  ConsoleOwner(std::FILE* in, std::FILE* out, std::FILE* err, bool canAsk, bool assumeYes);

  void LogStatus(std::string_view text) override;
  void ClearStatus() override {}
  void Tell(std::string_view text, Notice kind) override;
  bool Ask(std::string_view question, bool defaultAnswer) override;
  bool FillInSettings() override;
  void Progress(std::string_view unit, long long done, long long total) override;
  bool Interrupted() override;

  // Makes Ctrl-C (SIGINT) and SIGTERM ask the command to stop instead of ending the process.
  static void CatchInterrupts();

 private:
  std::FILE* m_in;
  std::FILE* m_out;
  std::FILE* m_err;
  bool m_canAsk;
  bool m_assumeYes;
};
