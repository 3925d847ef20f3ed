#pragma once

#include <memory>
#include <string>

// The application object: brings up the platform, runs the main dialog modally and ends.
class CQuillmereApp {
 public:
  CQuillmereApp(int& argc, char** argv);
  ~CQuillmereApp();
  CQuillmereApp(const CQuillmereApp&) = delete;
  CQuillmereApp& operator=(const CQuillmereApp&) = delete;

  // Runs the start-up sequence and the main dialog; false when it returns (the process ends).
  bool InitInstance();

  // The settings store, section "Settings". No cache: each call asks the store.
  static int GetSettingInt(const std::string& key);
  static std::string GetSettingString(const std::string& key);
  static void WriteSettingInt(const std::string& key, int value);
  static void WriteSettingString(const std::string& key, const std::string& value);

  // The executable's file name without its extension: the caption of every message box.
  static const char* AppName() { return "Quillmere"; }

 private:
  struct Platform;
  std::unique_ptr<Platform> platform_;
};

// Makes the folder that holds the executable the current directory: 1, or 0 when the path holds
// no separator (the current directory then stays).
int ChangeToProgramFolder();
// The same rule for a given executable path (the testable part).
int ChangeToFolderOf(const std::string& executablePath);
