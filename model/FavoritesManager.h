#pragma once

#include <string>

#include "model/FavoritesMerge.h"
#include "model/FavoritesScan.h"
#include "model/FavoritesTree.h"

// The two trees the program shows, and the model operations behind its commands: the scan of the
// Favorites folder into the local tree, the server copy read into the server tree, the
// synchronisation of the one into the other, and the list written for an upload or an export.
// File and folder paths are given by the caller: the model knows no place of its own.
class FavoritesManager {
 public:
  FavoritesTree& LocalTree() { return m_localTree; }
  const FavoritesTree& LocalTree() const { return m_localTree; }
  FavoritesTree& ServerTree() { return m_serverTree; }
  const FavoritesTree& ServerTree() const { return m_serverTree; }
  // Counters that change whenever a tree is replaced, so a view knows when to fill itself again.
  unsigned LocalGeneration() const { return m_localGeneration; }
  unsigned ServerGeneration() const { return m_serverGeneration; }

  // Rebuilds the local tree from the Favorites folder; says what it could not read.
  ScanReport ScanLocal(const std::string& favoritesFolder);
  // Whether the Favorites folder now scans to another tree than the local one (leaving out what
  // the view would not show, and with no regard to check marks). If so, that tree replaces the
  // local one, so the view shows it and the user checks it anew.
  bool TakeChangedLocalTree(const std::string& favoritesFolder);
  // Writes the local tree, without the unchecked nodes, to the upload's list file: 0, or 1 when
  // it can't be written (an earlier file then stays whole).
  int PrepareUpload(const std::string& localFile) const;
  // Reads the server copy into the emptied server tree: 0, or 1 when it can't be read (the tree
  // then stays as it was). The file is remembered with the tree.
  int LoadServerCopy(const std::string& serverFile);
  // Whether the file the server tree was read from now holds another copy (a later download, or
  // the download an upload begins with, stored it again). If so, that copy replaces the server
  // tree, so the view shows it and the user checks it anew: the marks of the old tree belong to
  // the old copy. False when it holds the same, can't be read, or the tree came from no file.
  bool TakeChangedServerCopy();
  // The merge of any tree (the server copy, an imported bookmarks file) into the local tree and
  // the target.
  void MergeIntoLocal(const FavoritesTree& source, SyncTarget& target, SyncReport* report,
                      const SyncProgress& progress = {});
  // What that merge would do, into a target that writes nothing; both trees stay as they are.
  void PlanMerge(const FavoritesTree& source, SyncTarget& target, SyncReport& report) const;
  // The favorites list of the local tree: into the file named by text (toFile; 1 when it can't
  // be written) or into text.
  int ExportText(std::string& text, bool toFile) const;

 private:
  FavoritesTree m_localTree;
  FavoritesTree m_serverTree;
  std::string m_serverFile;  // where the server tree was read from
  unsigned m_localGeneration = 0;
  unsigned m_serverGeneration = 0;
};
