#pragma once

#include <memory>

// The application object: brings up the platform, runs the main dialog modally and ends.
class CQuillmereApp {
 public:
  CQuillmereApp(int& argc, char** argv);
  ~CQuillmereApp();
  CQuillmereApp(const CQuillmereApp&) = delete;
  CQuillmereApp& operator=(const CQuillmereApp&) = delete;

  // Runs the start-up sequence and the main dialog; false when it returns (the process ends).
  bool InitInstance();

  // The executable's file name without its extension: the caption of every message box.
  static const char* AppName() { return "Quillmere"; }

 private:
  struct Platform;
  std::unique_ptr<Platform> platform_;
};
