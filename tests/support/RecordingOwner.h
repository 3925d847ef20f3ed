#pragma once

#include <string>
#include <string_view>

#include "TransferOwner.h"

namespace testsupport {

// A transfer owner that records the status log and counts the wait cursor and repaints.
class RecordingOwner : public TransferOwner {
 public:
  void LogStatus(std::string_view text) override { status.append(text); }
  void ClearStatus() override { status.clear(); }
  void BeginWaitCursor() override { ++waitDepth; }
  void EndWaitCursor() override { --waitDepth; }
  void KeepPainting() override { ++paints; }

  std::string status;
  int waitDepth = 0;
  int paints = 0;
};

}  // namespace testsupport
