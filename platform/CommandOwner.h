#pragma once

#include <string_view>

// Whoever runs a command: the main window or the command line. It is all a command needs of
// them: a status log, messages that want the user's attention, questions with a default answer,
// progress, the settings a transfer lacks, and a way to be interrupted. The model and the
// transfer engine report through it too; tests give them a recording one.
class CommandOwner {
 public:
  enum class Notice { kInformation, kError };

  virtual ~CommandOwner() = default;

  // Appends the text to the status log; the text brings its own line ends.
  virtual void LogStatus(std::string_view text) = 0;
  virtual void ClearStatus() = 0;
  // A message that needs the user's attention: a box in the window, standard error on the
  // command line.
  virtual void Tell(std::string_view text, Notice kind) = 0;
  // A question answered Yes (true) or No. Where nobody can answer, the default answer.
  virtual bool Ask(std::string_view question, bool defaultAnswer) = 0;
  // The settings a transfer needs are missing: the window lets the user fill them in; true when
  // the user confirmed (the command then looks again), false to abandon the command.
  virtual bool FillInSettings() = 0;
  // Progress of long work: done of total units (total 0 when unknown).
  virtual void Progress(std::string_view unit, long long done, long long total) = 0;
  // Called often while a command waits on the network or works through many items; the window
  // answers its events here. True once the user asked to stop.
  virtual bool Interrupted() = 0;
};
