#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CommandOwner.h"

namespace testsupport {

// A command owner that records what it is told and answers questions from a queue (the default
// answer once the queue is empty).
class RecordingOwner : public CommandOwner {
 public:
  void LogStatus(std::string_view text) override { status.append(text); }
  void ClearStatus() override { status.clear(); }
  void Tell(std::string_view text, Notice kind) override {
    told.push_back({std::string(text), kind});
  }
  bool Ask(std::string_view question, bool defaultAnswer) override {
    asked.emplace_back(question);
    if (answers.empty()) return defaultAnswer;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool FillInSettings() override {
    ++fillIns;
    return false;
  }
  void Progress(std::string_view, long long done, long long) override {
    ++progressCalls;
    lastProgress = done;
  }
  bool Interrupted() override {
    ++interruptChecks;
    return interruptAfter >= 0 && interruptChecks > interruptAfter;
  }

  struct Told {
    std::string text;
    Notice kind;
  };
  std::string status;
  std::vector<Told> told;
  std::vector<std::string> asked;
  std::deque<bool> answers;
  int fillIns = 0;
  int progressCalls = 0;
  long long lastProgress = 0;
  long long interruptChecks = 0;
  long long interruptAfter = -1;  // Interrupted() turns true after this many checks (-1: never)
};

}  // namespace testsupport
