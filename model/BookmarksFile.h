#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/FavoritesTree.h"

class CommandOwner;

// Browsers' bookmarks files ("bookmarks.html", the Netscape bookmark file format that browsers
// export and import): <DL> lists of <DT><H3> folders and <DT><A HREF=...> links.
//
// Reading gives a tree as the scan makes one: a root "Favorites", folders by name, links as name,
// 0x01 and address. Names become names a shortcut file can have, and each link in a folder gets
// a name of its own: a synchronisation gives a link the address of another link of the same
// name, so two bookmarks "Home" would otherwise leave one shortcut. The reader walks the file
// once with a stack of open lists, so any depth of nesting is read without recursion.

struct BookmarksRead {
  enum class Status {
    kRead,
    kCantRead,      // the file can't be opened or read to its end
    kTooLarge,      // larger than kMaxBookmarksFile
    kTooMany,       // more than kMaxBookmarks folders and links
    kNotBookmarks,  // neither the format's DOCTYPE nor a <DL> list in it
    kInterrupted,   // the owner asked to stop
  };
  // A name the reader made up or changed, by the path of the node as it is now.
  struct Renamed {
    std::string path;  // "News/AC-DC"
    std::string why;
  };

  Status status = Status::kRead;
  std::size_t folders = 0;
  std::size_t links = 0;
  // Bookmarks left out: without an address, bookmarklets ("javascript:"), queries that only the
  // browser that made them can run ("place:"), and addresses too long to be web addresses.
  std::size_t withoutAddress = 0;
  std::size_t scripts = 0;
  std::size_t queries = 0;
  std::size_t tooLong = 0;
  std::vector<Renamed> renamed;
};

// Favicons are written into the file inline, a kilobyte or more per bookmark, so real exports
// of a few ten thousand bookmarks pass 64 MiB.
inline constexpr std::size_t kMaxBookmarksFile = 256 * 1024 * 1024;
inline constexpr std::size_t kMaxBookmarks = 1000000;
// Names are cut to this many bytes, so that a name, a number to keep it apart and ".url" fit in
// a file name.
inline constexpr std::size_t kMaxBookmarkName = 200;
inline constexpr std::size_t kMaxBookmarkUrl = 64 * 1024;

// Replaces the tree with the bookmarks in the bytes. Unless the status is kRead the tree is left
// empty. An owner is told the progress (in bytes) and asked whether to stop at every mebibyte.
BookmarksRead ReadBookmarks(std::string_view bytes, FavoritesTree& tree,
                            CommandOwner* owner = nullptr);
// The same from a file.
BookmarksRead LoadBookmarks(const std::string& fileName, FavoritesTree& tree,
                            CommandOwner* owner = nullptr);

// The tree as a bookmarks file that browsers import with the same folders in the same order;
// excluded nodes are left out with everything below them. Every folder and link gets the date
// addDate (seconds since 1970): the tree keeps none of its own.
std::string BookmarksText(const FavoritesTree& tree, std::int64_t addDate);
// Stores it in the file, whole or not at all: 0, or 1 when it can't be written (an earlier file
// of that name then stays as it was).
int SaveBookmarks(const FavoritesTree& tree, const std::string& fileName, std::int64_t addDate);
