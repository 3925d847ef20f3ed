#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Walks a folder tree of any depth and hands over each folder's entries in a stable order (by
// name without regard to ASCII case, then byte for byte), and with each file its content. Each
// folder is listed once and each file read once, both relative to the open folder, so no path is
// ever built and no depth is too deep; a few dozen folders stay open along the current path and
// the ones above are opened again from their names when the walk comes back to them. Symbolic
// links are never walked into (a link to a file is read like the file).
class DirectoryWalker {
 public:
  // What the walk could not read, for the caller to say.
  struct Trouble {
    std::size_t folders = 0;   // folders that can't be opened or listed
    std::size_t files = 0;     // files that can't be opened or read
    std::size_t tooLarge = 0;  // files larger than the size limit, not read
  };

  // The caller's side. A folder handle is whatever the caller uses to know a folder by (the
  // walk's top folder gets the one given to Walk).
  class Visitor {
   public:
    virtual ~Visitor() = default;
    // A folder inside the folder `parent`: the handle for it, or null to leave it out unwalked.
    virtual void* Folder(void* parent, std::string_view name) = 0;
    // Whether a file's content is wanted at all.
    virtual bool WantsFile(void* parent, std::string_view name) = 0;
    // A regular file's whole content (valid during the call only).
    virtual void File(void* parent, std::string_view name, std::string_view content) = 0;
  };

  // maxFileSize: larger files are counted as too large and not read.
  explicit DirectoryWalker(std::size_t maxFileSize);
  ~DirectoryWalker();
  DirectoryWalker(const DirectoryWalker&) = delete;
  DirectoryWalker& operator=(const DirectoryWalker&) = delete;

  // Walks the folder (a symbolic link to a folder is followed here, at the top only). False when
  // it can't be opened: a missing folder counts as no trouble, an unreadable one as one folder.
  bool Walk(const std::string& folder, void* top, Visitor& visitor);
  const Trouble& Troubles() const { return m_trouble; }

 private:
  struct Level;
  bool List(Level& level);
  int FdAt(std::size_t depth);
  bool ReadFile(int folderFd, const char* name, std::string_view& content);

  std::size_t m_maxFileSize;
  Trouble m_trouble;
  std::vector<Level> m_levels;  // kept between folders, so their buffers are reused
  std::size_t m_depth = 0;      // levels in use
  std::vector<char> m_listBuffer;
  std::vector<char> m_fileBuffer;
  std::string m_largeFile;
};

}  // namespace platform
