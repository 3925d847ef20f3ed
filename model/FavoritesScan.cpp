#include "model/FavoritesScan.h"

#include <string_view>

#include "platform/DirectoryWalker.h"
#include "platform/ShortcutFile.h"

namespace {

// A file's name without its last extension: "Daily.News.url" -> "Daily.News", ".cache" -> "".
std::string_view Title(std::string_view name) {
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? name : name.substr(0, dot);
}

// Names that only this file system allows and the favorites list can't carry: a CR or LF would
// end or split the line (a mail server turns a lone LF into CR LF), a leading TAB would deepen
// it, a 0x01 would split a name into name and URL. Such an entry would arrive on the other
// machine as other folders and links than it is.
bool ListCanCarry(std::string_view name) {
  return name.find_first_of("\r\n\x01") == std::string_view::npos && name.front() != '\t';
}

class TreeBuilder : public platform::DirectoryWalker::Visitor {
 public:
  TreeBuilder(FavoritesTree& tree, ScanReport& report) : m_tree(tree), m_report(report) {}

  void* Folder(void* parent, std::string_view name) override {
    if (!ListCanCarry(name)) {
      ++m_report.unlistableNames;
      return nullptr;
    }
    return m_tree.AddNode(static_cast<FavoriteNode*>(parent), name);
  }
  bool WantsFile(void*, std::string_view name) override {
    if (ListCanCarry(name)) return true;
    ++m_report.unlistableNames;
    return false;
  }
  void File(void* parent, std::string_view name, std::string_view content) override {
    // Any file that names a URL is a link, whatever its extension (a desktop.ini names none).
    if (platform::ParseShortcutUrl(content, m_url)) {
      m_tree.AddLink(static_cast<FavoriteNode*>(parent), Title(name), m_url);
    }
  }

 private:
  FavoritesTree& m_tree;
  ScanReport& m_report;
  std::string m_url;  // reused: its room stays from file to file
};

}  // namespace

ScanReport ScanFavorites(FavoritesTree& tree, const std::string& favoritesFolder) {
  tree.Clear();
  FavoriteNode* root = tree.AddNode(nullptr, "Favorites");
  ScanReport report;
  if (favoritesFolder.empty()) return report;
  TreeBuilder builder(tree, report);
  platform::DirectoryWalker walker(platform::kMaxShortcutSize);
  walker.Walk(favoritesFolder, root, builder);
  const platform::DirectoryWalker::Trouble& trouble = walker.Troubles();
  report.unreadableFolders = trouble.folders;
  report.unreadableFiles = trouble.files;
  report.tooLarge = trouble.tooLarge;
  return report;
}
