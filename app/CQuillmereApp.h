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
  // With another window of the same user already open, brings that one to the front instead.
  // "--show-help" opens the help as the window starts.
  bool InitInstance();

  // The executable's file name without its extension: the caption of every message box.
  static const char* AppName() { return "Quillmere"; }
  // The name of its desktop entry (and of its AppStream component).
  static constexpr const char* kDesktopId = "net.orlesk.Quillmere";

 private:
  struct Platform;
  std::unique_ptr<Platform> platform_;
};
