#pragma once

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <map>
#include <string>
#include <string_view>

#include "app/CHelpWindow.h"
#include "app/CTreeCtrl.h"
#include "commands/Session.h"
#include "platform/CommandOwner.h"
#include "settings/CPageDeleteLink.h"
#include "settings/CPageMoveFavoritesFolder.h"
#include "settings/CPageSaveMethod.h"
#include "settings/CPropertySheet.h"

class QAction;
class QLabel;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;

// The main window: the local and the server favorites tree, the status log and the menu from
// which every command starts. The commands themselves are in commands/; the window routes its
// menu to them, shows what they report and refills a view when its tree was replaced. Commands
// run on the one user-interface thread; while one runs the window keeps answering (painting,
// Cancel, the close box) from Interrupted, and takes no other command.
class CQuillmereDlg : public QDialog, public CommandOwner {
  Q_OBJECT
 public:
  explicit CQuillmereDlg(Places places = Places::ForUser(), QWidget* parent = nullptr);
  ~CQuillmereDlg() override;

  // Initialises the dialog (scan, fill of the local view, menu, sheet) and runs it until the
  // user confirms the exit question.
  int DoModal();
  bool OnInitDialog();

  // Routes a command id (app/CommandIds.h) to its handler; false for an unknown id. While a
  // command runs only the exit question is taken.
  bool OnCommand(int commandId);

  // The status log: appends the text, shows its last line and repaints at once. Whatever the
  // user typed into the log stays. A null C string appends nothing.
  void LogStatus(std::string_view text) override;
  void LogStatus(const char* text);
  void ClearStatus() override;
  // A message box captioned with the program's name: the information or the stop icon.
  void Tell(std::string_view text, Notice kind) override;
  // A Yes/No box; the default answer is the default button.
  bool Ask(std::string_view question, bool defaultAnswer) override;
  // The settings sheet on its Save method page: true when the user pressed OK.
  bool FillInSettings() override;
  // Shown beside the Cancel button until the command ends.
  void Progress(std::string_view unit, long long done, long long total) override;
  // Answers the window's events (painting, Cancel, the close box); true once the user pressed
  // Cancel or confirmed the exit question.
  bool Interrupted() override;
  void EnableMenuCommand(int commandId, bool enabled);

  void OnUploadLocal();
  void OnDownloadServer();
  void OnSynchronize();
  void OnDeleteServer();
  void OnListServer();
  void OnRefreshLocal();
  void OnServerHistory();
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
  void OnImportBookmarks();
  void OnExportBookmarks();
  void OnHelpContents();
  void OnManageFavoritesFolder();
  void OnExpandTree();
  void OnCancel();
  void OnOK();
  void OnKeydownLocalTree(int keyCode);
  void OnKeydownServerTree(int keyCode);
  // The Cancel button: the running command ends at its next look at Interrupted.
  void OnStop();

  // For tests and the other dialogs.
  QMenuBar* MenuBar() const { return m_menuBar; }
  QAction* MenuCommand(int commandId) const;
  QPlainTextEdit* StatusEdit() const { return m_editStatus; }
  QPushButton* StopButton() const { return m_stop; }
  QLabel* ProgressLabel() const { return m_progress; }
  CHelpWindow* HelpWindow() const { return m_help; }
  const std::string& StatusText() const { return m_strStatus; }
  bool Busy() const { return m_busy; }

  Session m_session;
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
  // Runs a command under the wait cursor with the menus greyed and the views frozen, then
  // refills each view whose tree it replaced and shows the others as they were.
  template <typename Command>
  void Run(Command command);
  void OpenSheet(int page);
  void ShowLocalTree();
  void ShowServerTree();
  void UpdateRestoreItem();

  QMenuBar* m_menuBar = nullptr;
  QPlainTextEdit* m_editStatus = nullptr;
  QPushButton* m_stop = nullptr;
  QLabel* m_progress = nullptr;
  QPointer<CHelpWindow> m_help;
  std::map<int, QAction*> m_commands;  // every menu command, the removed ones included
  unsigned m_shownLocal = 0;           // the generation of the local tree the local view shows
  unsigned m_shownServer = 0;          // the same for the server view
  bool m_busy = false;                 // a command runs
  bool m_stopAsked = false;            // Cancel, or Yes to the exit question, during it
  bool m_exitAsked = false;            // Yes to the exit question during a command: close after it
};
