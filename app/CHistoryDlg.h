#pragma once

#include <QDialog>
#include <vector>

#include "commands/Commands.h"

class QPushButton;
class QTreeWidget;

// "Server &history ...": the copies of the server's list kept on this machine, the newest first;
// one of them can be shown as the server copy, to synchronise from as usual.
class CHistoryDlg : public QDialog {
  Q_OBJECT
 public:
  CHistoryDlg(const std::vector<commands::HistoryEntry>& entries, QWidget* parent);

  // The place in the history of the copy to show; -1 when none was chosen.
  int Chosen() const { return m_chosen; }
  QTreeWidget* List() const { return m_list; }
  QPushButton* ShowButton() const { return m_show; }

 private:
  void OnShow();

  QTreeWidget* m_list;
  QPushButton* m_show;
  int m_chosen = -1;
};
