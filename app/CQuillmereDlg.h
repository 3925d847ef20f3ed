#pragma once

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <map>
#include <string>
#include <string_view>

#include "CHelpWindow.h"
#include "CPageDeleteLink.h"
#include "CPageMoveFavoritesFolder.h"
#include "CPageSaveMethod.h"
#include "CPropertySheet.h"
#include "CTreeCtrl.h"
#include "FavoritesManager.h"
#include "FavoritesOwner.h"

class QAction;
class QMenuBar;
class QPlainTextEdit;

// The main window: the local and the server favorites tree, the status log and the menu from
// which every command starts. Commands run to their end on the one user-interface thread.
class CQuillmereDlg : public QDialog, public FavoritesOwner {
  Q_OBJECT
 public:
  explicit CQuillmereDlg(QWidget* parent = nullptr);
  ~CQuillmereDlg() override;

  // Initialises the dialog (scan, fill of the local view, menu, sheet) and runs it until the
  // user confirms the exit question.
  int DoModal();
  bool OnInitDialog();

  // Routes a command id (model/CommandIds.h) to its handler; false for an unknown id. An FTP
  // error that ends the command is shown in a message box.
  bool OnCommand(int commandId);

  // The status log: appends the text, shows its last line and repaints at once. Whatever the
  // user typed into the log stays. A null C string appends nothing.
  void LogStatus(std::string_view text) override;
  void LogStatus(const char* text);
  void ClearStatus() override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  void KeepPainting() override;
  TreeView& LocalTreeView() override { return m_treeLocal; }
  TreeView& ServerTreeView() override { return m_treeServer; }
  void EnableMenuCommand(int commandId, bool enabled) override;

  // 1 when the settings of the chosen transfer method are present, perhaps after the user filled
  // them in on the settings sheet; 0 when the user cancelled it.
  int CheckTransferSettings();

  void OnUploadLocal();
  void OnDownloadServer();
  void OnSynchronize();
  void OnDeleteServer();
  void OnListServer();
  void OnAbout();
  void OnSysCommand(int commandId);
  void OnSaveMethod();
  void OnDeleteLinkFolder();
  void OnMoveFavoritesFolder();
  void OnBackup();
  void OnRestore();
  void OnExportText();
  void OnPrintExported();
  void OnPrintPreview();
  void OnHelpContents();
  void OnManageFavoritesFolder();
  void OnExpandTree();
  void OnCancel();
  void OnOK();
  void OnKeydownLocalTree(int keyCode);
  void OnKeydownServerTree(int keyCode);

  // For tests and the other dialogs.
  QMenuBar* MenuBar() const { return m_menuBar; }
  QAction* MenuCommand(int commandId) const;
  QPlainTextEdit* StatusEdit() const { return m_editStatus; }
  CHelpWindow* HelpWindow() const { return m_help; }
  const std::string& StatusText() const { return m_strStatus; }

  FavoritesManager m_manager;
  CTreeCtrl m_treeLocal;
  CTreeCtrl m_treeServer;
  std::string m_strStatus;
  CPropertySheet m_sheet;
  CPageSaveMethod m_pageSaveMethod;
  CPageDeleteLink m_pageDeleteLink;
  CPageMoveFavoritesFolder m_pageMoveFolder;
  CTreeCtrl::StateImages m_imageList;
  QIcon m_hIcon;

 public slots:
  void accept() override;  // Enter: OnOK
  void reject() override;  // Esc and the close box: OnCancel

 private:
  void BuildControls();
  void BuildMenu();
  void Dispatch(int commandId);
  void ShowLocalTree();

  QMenuBar* m_menuBar = nullptr;
  QPlainTextEdit* m_editStatus = nullptr;
  QPointer<CHelpWindow> m_help;
  std::map<int, QAction*> m_commands;  // every menu command, the removed ones included
  int m_waitDepth = 0;
};
