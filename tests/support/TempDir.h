#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace testsupport {

// A fresh directory under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillmere-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Points HOME and XDG_CONFIG_HOME at a temporary directory for the life of the object, so the
// settings store and the Favorites folder of a test are its own.
class TempHome {
 public:
  TempHome()
      : oldHome_(Get("HOME")), oldConfig_(Get("XDG_CONFIG_HOME")), oldData_(Get("XDG_DATA_HOME")) {
    ::setenv("HOME", dir_.path().c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir_ / ".config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir_ / ".local/share").c_str(), 1);
    std::filesystem::create_directories(dir_ / ".local/share");
  }
  ~TempHome() {
    Restore("HOME", oldHome_);
    Restore("XDG_CONFIG_HOME", oldConfig_);
    Restore("XDG_DATA_HOME", oldData_);
  }

  const std::string& path() const { return dir_.path(); }
  std::string operator/(const std::string& name) const { return dir_ / name; }
  std::string favorites() const { return dir_ / "Favorites"; }

 private:
  struct Saved {
    bool set;
    std::string value;
  };
  static Saved Get(const char* name) {
    const char* v = std::getenv(name);
    return v ? Saved{true, v} : Saved{false, {}};
  }
  static void Restore(const char* name, const Saved& saved) {
    if (saved.set) {
      ::setenv(name, saved.value.c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  TempDir dir_;
  Saved oldHome_, oldConfig_, oldData_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A shortcut file as browsers write it.
inline void WriteShortcut(const std::string& path, const std::string& url) {
  WriteFile(path, "[DEFAULT]\r\nBASEURL=" + url + "\r\n[InternetShortcut]\r\nURL=" + url +
                      "\r\nIDList=\r\nHotKey=0\r\n");
}

}  // namespace testsupport
