// The main window driven as a user drives it, on the offscreen platform: menus, the exit
// question, the status log, the settings check, and the Upload, Download and Synchronize
// sequences against a Favorites folder and a program folder of the test's own.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/CHelpWindow.h"
#include "app/CHistoryDlg.h"
#include "app/CQuillmereApp.h"
#include "app/CQuillmereDlg.h"
#include "app/CommandIds.h"
#include "app/FileDialogs.h"
#include "app/MessageBox.h"
#include "app/ModalDialog.h"
#include "commands/Commands.h"
#include "model/TreeViewOps.h"
#include "platform/SettingsStore.h"
#include "print/ExportPrint.h"
#include "tests/support/FolderSnapshot.h"
#include "tests/support/LoopbackPort.h"
#include "tests/support/MemoryFtpServer.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::WriteFile;
using testsupport::WriteShortcut;

namespace {

struct ShownBox {
  std::string caption, text;
  int style;
};

// The texts of a view's items, depth-first, indented by level; "+" marks an expanded item and
// the check state follows in brackets.
std::string ViewText(const CTreeCtrl& view) {
  const QAbstractItemModel& model = *view.model();
  std::string out;
  std::vector<std::pair<QModelIndex, int>> pending;
  for (int i = model.rowCount() - 1; i >= 0; --i) pending.emplace_back(model.index(i, 0), 0);
  while (!pending.empty()) {
    auto [index, depth] = pending.back();
    pending.pop_back();
    out += std::string(static_cast<size_t>(depth), '\t') + (view.isExpanded(index) ? "+" : "") +
           index.data().toString().toStdString() + "[" +
           std::to_string(index.data(CTreeCtrl::kCheckRole).toInt()) + "]\n";
    for (int i = model.rowCount(index) - 1; i >= 0; --i)
      pending.emplace_back(model.index(i, 0, index), depth + 1);
  }
  return out;
}

QModelIndex Find(CTreeCtrl& view, const char* text) {
  const QModelIndexList found =
      view.model()->match(view.model()->index(0, 0), Qt::DisplayRole, QString(text), 1,
                          Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? QModelIndex() : found.front();
}

void PressSpaceOn(CTreeCtrl& view, const char* text) {
  const QModelIndex item = Find(view, text);
  ASSERT_TRUE(item.isValid()) << text;
  view.setCurrentIndex(item);
  QTest::keyClick(&view, Qt::Key_Space);
}

}  // namespace

class MainDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteShortcut(home_.favorites() + "/Alpha.url", "http://alpha.example/");
    WriteShortcut(home_.favorites() + "/News/Daily.url", "http://daily.example/");
    WriteShortcut(home_.favorites() + "/News/Sport/Scores.url", "http://scores.example/");
    SetMessageBoxHandler([this](const std::string& caption, const std::string& text, int style) {
      boxes_.push_back({caption, text, style});
      return nextAnswer_;
    });
    SetModalHandler([this](QDialog& dialog) {
      modals_.push_back(dialog.windowTitle().toStdString());
      if (onModal_) onModal_(dialog);
    });
    // The working files live in a state folder of the test's own.
    dialog_ = std::make_unique<CQuillmereDlg>(Places(program_.path()));
    dialog_->OnInitDialog();
  }
  void TearDown() override {
    dialog_.reset();
    SetMessageBoxHandler({});
    SetModalHandler({});
  }

  void Settings(int method, const char* user = "user", const char* pass = "pass") {
    platform::WriteSettingInt("Save method", method);
    platform::WriteSettingString("user", user);
    platform::WriteSettingString("pass", pass);
  }
  // The user's FTP server, the given one.
  void FtpSettingsFor(const testsupport::MemoryFtpServer& server) {
    Settings(1);
    platform::WriteSettingString("ftp", "127.0.0.1:" + std::to_string(server.port()));
  }
  // The mail way, both of its servers the given one.
  void MailSettingsFor(const testsupport::ScriptedServer& server) {
    Settings(0);
    platform::WriteSettingString("pop3", "127.0.0.1");
    platform::WriteSettingString("smtp", "127.0.0.1");
    dialog_->m_session.Network().pop3Port = server.port();
    dialog_->m_session.Network().smtpPort = server.port();
  }
  std::vector<std::string> Menu(int popup) const {
    std::vector<std::string> items;
    for (QAction* a : dialog_->MenuBar()->actions().at(popup)->menu()->actions()) {
      items.push_back(a->isSeparator()
                          ? "-"
                          : a->text().toStdString() + "=" + std::to_string(a->data().toInt()));
    }
    return items;
  }

  testsupport::TempHome home_;
  testsupport::TempDir program_;
  std::vector<ShownBox> boxes_;
  int nextAnswer_ = IDNO;
  std::vector<std::string> modals_;
  std::function<void(QDialog&)> onModal_;
  std::unique_ptr<CQuillmereDlg> dialog_;
};

TEST_F(MainDialog, OpensWithTheLocalTreeTheMenuAndNothingElse) {
  CQuillmereDlg& d = *dialog_;
  EXPECT_EQ(d.windowTitle(), "Quillmere");
  EXPECT_FALSE(d.windowIcon().isNull());
  d.show();
  EXPECT_TRUE(d.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_LT(d.minimumSize().width(), d.width()) << "the window can be made smaller";
  EXPECT_GT(d.maximumSize().width(), 4 * d.width()) << "and larger";

  std::vector<std::string> popups;
  for (QAction* a : d.MenuBar()->actions()) popups.push_back(a->text().toStdString());
  EXPECT_EQ(popups, (std::vector<std::string>{"&File", "&Action", "&Setting", "&Help"}));
  EXPECT_EQ(Menu(1),
            (std::vector<std::string>{
                "&Upload local=135", "&Download server=136", "&Snychronize=134", "-",
                "E&xpand tree=151", "&Refresh local=152", "-", "Server &history ...=153", "-",
                "&Backup=139", "&Restore=140", "-", "&Manage favorites folder ...=150"}));
  EXPECT_EQ(d.MenuCommand(ID_ACTION_REFRESH_LOCAL)->shortcut(), QKeySequence(Qt::Key_F5));
  EXPECT_EQ(Menu(0), (std::vector<std::string>{
                         "&Export as text file ...=141", "&Print exported favorites ...=142",
                         "P&rint preview ...=143", "-", "&Import bookmarks file ...=154",
                         "Export as &bookmarks file ...=155", "-", "E&xit=2"}));
  // The two removed items keep their commands.
  for (int id : {ID_ACTION_DELETE_SERVER, ID_ACTION_LIST_SERVER}) {
    ASSERT_NE(d.MenuCommand(id), nullptr) << id;
  }
  EXPECT_EQ(d.MenuCommand(ID_ACTION_DELETE_SERVER)->text(), "D&elte server");
  EXPECT_EQ(d.MenuCommand(ID_ACTION_LIST_SERVER)->text(), "&List server");
  const std::pair<int, const char*> others[] = {{141, "&Export as text file ..."},
                                                {142, "&Print exported favorites ..."},
                                                {143, "P&rint preview ..."},
                                                {2, "E&xit"},
                                                {137, "&Save method ..."},
                                                {145, "&Delete link folder ..."},
                                                {148, "&Move favorites folder ..."},
                                                {131, "&Contents..."},
                                                {133, "&About"}};
  for (const auto& [id, text] : others) {
    ASSERT_NE(d.MenuCommand(id), nullptr) << id;
    EXPECT_EQ(d.MenuCommand(id)->text(), text);
  }
  EXPECT_FALSE(d.OnCommand(9999)) << "an unknown command is not routed";

  // The local tree with its first level open; a link shows its name only.
  EXPECT_EQ(ViewText(d.m_treeLocal),
            "+Favorites[2]\n\tAlpha[2]\n\tNews[2]\n\t\tDaily[2]\n\t\tSport[2]\n\t\t\tScores[2]\n");
  EXPECT_EQ(d.m_treeServer.Count(), 0);
  EXPECT_EQ(d.StatusText(), "");
  EXPECT_FALSE(d.MenuCommand(ID_ACTION_RESTORE)->isEnabled()) << "no backup yet";
  EXPECT_TRUE(boxes_.empty());
  EXPECT_TRUE(modals_.empty());
}

TEST_F(MainDialog, ExitAsksFirstByEveryRouteAndEnterDoesNothing) {
  CQuillmereDlg& d = *dialog_;
  d.show();
  const std::function<void()> routes[] = {
      [&] { d.MenuCommand(IDCANCEL)->trigger(); },
      [&] { QTest::keyClick(&d, Qt::Key_Escape); },
      [&] { d.close(); },
  };
  for (const auto& route : routes) {
    boxes_.clear();
    nextAnswer_ = IDNO;
    route();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, "Quillmere");
    EXPECT_EQ(boxes_[0].text, "Are you sure want to exit?");
    EXPECT_EQ(boxes_[0].style, MB_YESNO | MB_ICONQUESTION);
    EXPECT_TRUE(d.isVisible()) << "No keeps the window open";
  }
  boxes_.clear();
  QTest::keyClick(&d, Qt::Key_Return);
  QTest::keyClick(d.StatusEdit(), Qt::Key_Enter);
  d.OnCommand(IDOK);
  EXPECT_TRUE(boxes_.empty());
  EXPECT_TRUE(d.isVisible());

  nextAnswer_ = IDYES;
  d.MenuCommand(IDCANCEL)->trigger();
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST_F(MainDialog, StatusLogAppendsKeepsWhatTheUserTypedAndShowsTheLastLine) {
  CQuillmereDlg& d = *dialog_;
  d.show();
  d.LogStatus("first\r\n");
  QPlainTextEdit* edit = d.StatusEdit();
  edit->moveCursor(QTextCursor::End);
  QTest::keyClicks(edit, "typed");
  d.LogStatus(std::string_view("\r\nsecond\r\n"));
  d.LogStatus(static_cast<const char*>(nullptr));
  EXPECT_EQ(d.StatusText(), "first\r\ntyped\r\nsecond\r\n");
  EXPECT_EQ(edit->toPlainText(), "first\ntyped\nsecond\n");
  for (int i = 0; i < 40; ++i) d.LogStatus("line " + std::to_string(i) + "\r\n");
  EXPECT_EQ(edit->verticalScrollBar()->value(), edit->verticalScrollBar()->maximum());
  EXPECT_GT(edit->verticalScrollBar()->maximum(), 0);
}

TEST_F(MainDialog, MissingSettingsOpenTheSheetUntilCompleteOrCancelled) {
  CQuillmereDlg& d = *dialog_;
  // First run, nothing stored: the sheet opens on its first page; Cancel drops the upload.
  d.m_sheet.SetActivePage(2);
  d.OnCommand(ID_ACTION_UPLOAD_LOCAL);
  EXPECT_EQ(modals_, std::vector<std::string>{"Setting"});
  EXPECT_FALSE(fs::exists(program_ / "favorites-local.txt"));
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(d.StatusText(), "");

  // OK with the fields still empty opens the sheet again, on its first page each time.
  int openings = 0;
  onModal_ = [&](QDialog&) {
    EXPECT_EQ(d.m_sheet.GetActiveIndex(), 0);
    if (++openings < 3) d.m_sheet.OkButton()->click();
  };
  modals_.clear();
  d.OnCommand(ID_ACTION_DOWNLOAD_SERVER);
  EXPECT_EQ(openings, 3);
  EXPECT_FALSE(fs::exists(program_ / "favorites-server.txt"));

  // Which settings each method needs.
  struct Case {
    int method;
    std::vector<const char*> keys;  // filled in, besides user and pass
    bool passes;
  };
  const Case cases[] = {
      {0, {"pop3", "smtp"}, true},  {0, {"pop3"}, false}, {0, {"smtp"}, false}, {1, {"ftp"}, true},
      {1, {"pop3", "smtp"}, false}, {2, {}, true},        {7, {}, false},
  };
  onModal_ = nullptr;
  for (const Case& c : cases) {
    testsupport::TempHome fresh;
    Settings(c.method);
    for (const char* key : c.keys) platform::WriteSettingString(key, "127.0.0.1");
    modals_.clear();
    EXPECT_EQ(commands::CheckTransferSettings(d.m_session), c.passes)
        << c.method << " " << c.keys.size();
    EXPECT_EQ(modals_.size(), c.passes ? 0u : 1u);
  }
  // User or password missing: the sheet, whatever the method.
  for (const char* missing : {"user", "pass"}) {
    testsupport::TempHome fresh;
    Settings(2);
    platform::WriteSettingString(missing, "");
    EXPECT_FALSE(commands::CheckTransferSettings(d.m_session)) << missing;
  }
}

TEST_F(MainDialog, SynchronizeBeforeAnyDownloadOnlyTellsTheUser) {
  Settings(2);
  const std::string before = ViewText(dialog_->m_treeLocal);
  dialog_->OnCommand(ID_ACTION_SYNCHRONIZE);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "Please download favorites from server first.");
  EXPECT_EQ(boxes_[0].style, MB_OK | MB_ICONINFORMATION);
  EXPECT_EQ(boxes_[0].caption, "Quillmere");
  EXPECT_TRUE(modals_.empty()) << "no settings check either";
  EXPECT_EQ(ViewText(dialog_->m_treeLocal), before);
}

// The user's FTP server, one that keeps its files in memory: the sequences run as they run
// against any server.
TEST_F(MainDialog, UploadDownloadAndSynchronizeThroughTheMenu) {
  CQuillmereDlg& d = *dialog_;
  testsupport::MemoryFtpServer ftp;
  FtpSettingsFor(ftp);

  // Upload: what the user unchecked stays out of the list.
  PressSpaceOn(d.m_treeLocal, "Sport");
  d.OnCommand(ID_ACTION_UPLOAD_LOCAL);
  EXPECT_EQ(ReadFile(program_ / "favorites-local.txt"),
            "Favorites\r\n\tAlpha\x01http://alpha.example/\r\n\tNews\r\n"
            "\t\tDaily\x01http://daily.example/\r\n");
  EXPECT_EQ(ViewText(d.m_treeLocal).find("Sport[1]") != std::string::npos, true)
      << "an upload leaves the views as they are";

  EXPECT_EQ(ftp.Get("favorites.txt"), ReadFile(program_ / "favorites-local.txt"));

  // Download of another machine's copy: shown with its first level open, and a second download
  // replaces it.
  ftp.Put("favorites.txt",
          "Favorites\r\n\tAlpha\x01http://alpha.example/\r\n\tNews\r\n"
          "\t\tWeekly\x01http://weekly.example/\r\n\t\tMonthly\x01http://monthly.example/\r\n"
          "\tMusic\r\n\t\tRadio\x01http://radio.example/\r\n");
  d.OnCommand(ID_ACTION_DOWNLOAD_SERVER);
  d.OnCommand(ID_ACTION_DOWNLOAD_SERVER);
  const std::string server =
      "+Favorites[2]\n\tAlpha[2]\n\tNews[2]\n\t\tWeekly[2]\n\t\tMonthly[2]\n\tMusic[2]\n"
      "\t\tRadio[2]\n";
  EXPECT_EQ(ViewText(d.m_treeServer), server);
  EXPECT_EQ(d.m_treeServer.Count(), 7);

  // Synchronize takes the checked server nodes the local folder lacks.
  PressSpaceOn(d.m_treeServer, "Monthly");
  d.OnCommand(ID_ACTION_SYNCHRONIZE);
  const std::string favorites = home_.favorites();
  EXPECT_NE(ReadFile(favorites + "/News/Weekly.url").find("URL=http://weekly.example/\r\n"),
            std::string::npos);
  EXPECT_NE(ReadFile(favorites + "/Music/Radio.url").find("URL=http://radio.example/\r\n"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(favorites + "/News/Monthly.url"));
  EXPECT_TRUE(fs::exists(favorites + "/News/Sport/Scores.url")) << "nothing is removed";
  // The local view is the folder read again: in the folder's order.
  EXPECT_EQ(ViewText(d.m_treeLocal),
            "+Favorites[2]\n\tAlpha[2]\n\tMusic[2]\n\t\tRadio[2]\n\tNews[2]\n\t\tDaily[2]\n"
            "\t\tSport[2]\n\t\t\tScores[2]\n\t\tWeekly[2]\n");
  EXPECT_NE(ViewText(d.m_treeServer).find("Monthly[1]"), std::string::npos)
      << "the server view is left as it was";
  EXPECT_TRUE(boxes_.empty());

  // A download that finds no file ends the command and keeps what the view showed.
  ftp.Remove("favorites.txt");
  d.OnCommand(ID_ACTION_DOWNLOAD_SERVER);
  EXPECT_EQ(d.m_treeServer.Count(), 7);
}

TEST_F(MainDialog, AnFtpErrorEndsTheCommandWithAStopBox) {
  CQuillmereDlg& d = *dialog_;
  Settings(1);
  platform::WriteSettingString("ftp", "127.0.0.1");
  d.m_session.Network().ftpPort = testsupport::UnusedLoopbackPort();
  d.OnCommand(ID_ACTION_UPLOAD_LOCAL);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_FALSE(boxes_[0].text.empty());
  EXPECT_EQ(boxes_[0].style, MB_OK | MB_ICONSTOP);
  EXPECT_EQ(d.StatusText(), "");
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(MainDialog, ExpandTreeOpensEveryLevelOfBothViews) {
  CQuillmereDlg& d = *dialog_;
  d.OnCommand(ID_ACTION_EXPAND_TREE);
  EXPECT_EQ(
      ViewText(d.m_treeLocal),
      "+Favorites[2]\n\tAlpha[2]\n\t+News[2]\n\t\tDaily[2]\n\t\t+Sport[2]\n\t\t\tScores[2]\n");
  EXPECT_EQ(d.m_treeServer.Count(), 0);
}

TEST_F(MainDialog, SpaceTogglesChecksAndOtherKeysOnlyMove) {
  CQuillmereDlg& d = *dialog_;
  PressSpaceOn(d.m_treeLocal, "Scores");
  EXPECT_EQ(ViewText(d.m_treeLocal),
            "+Favorites[3]\n\tAlpha[2]\n\tNews[3]\n\t\tDaily[2]\n\t\tSport[1]\n\t\t\tScores[1]\n");
  PressSpaceOn(d.m_treeLocal, "Favorites");
  EXPECT_EQ(ViewText(d.m_treeLocal),
            "+Favorites[2]\n\tAlpha[2]\n\tNews[2]\n\t\tDaily[2]\n\t\tSport[2]\n\t\t\tScores[2]\n");
  // Down moves the selection as ever and changes no box.
  d.m_treeLocal.setCurrentIndex(Find(d.m_treeLocal, "Favorites"));
  QTest::keyClick(&d.m_treeLocal, Qt::Key_Down);
  EXPECT_EQ(d.m_treeLocal.currentIndex(), Find(d.m_treeLocal, "Alpha"));
  EXPECT_EQ(ViewText(d.m_treeLocal).find("[1]"), std::string::npos);
  EXPECT_EQ(ViewText(d.m_treeLocal).find("[3]"), std::string::npos);
}

TEST_F(MainDialog, AboutAndHelp) {
  CQuillmereDlg& d = *dialog_;
  d.OnCommand(ID_HELP_ABOUT);
  d.OnSysCommand(IDM_ABOUTBOX | 0x3);
  d.OnSysCommand(0xF060);  // another system command opens nothing
  EXPECT_EQ(modals_, (std::vector<std::string>{"About Quillmere", "About Quillmere"}));
  d.OnCommand(ID_HELP_CONTENTS);
  ASSERT_NE(d.HelpWindow(), nullptr);
  EXPECT_TRUE(d.HelpWindow()->isVisible());
  d.OnCommand(ID_HELP_CONTENTS);
  EXPECT_EQ(d.findChildren<CHelpWindow*>().size(), 1) << "one help window, shown again";
}

TEST_F(MainDialog, BackupEnablesRestoreAndRestoreShowsTheTreeOnce) {
  CQuillmereDlg& d = *dialog_;
  d.OnCommand(ID_ACTION_BACKUP);
  EXPECT_TRUE(d.MenuCommand(ID_ACTION_RESTORE)->isEnabled());
  fs::remove_all(home_.favorites() + "/News");
  WriteShortcut(home_.favorites() + "/Later.url", "http://later.example/");
  nextAnswer_ = IDYES;  // Restore asks first
  d.OnCommand(ID_ACTION_RESTORE);
  EXPECT_EQ(ViewText(d.m_treeLocal),
            "+Favorites[2]\n\tAlpha[2]\n\tNews[2]\n\t\tDaily[2]\n\t\tSport[2]\n\t\t\tScores[2]\n");
  EXPECT_FALSE(fs::exists(home_.favorites() + "/Later.url"));
  EXPECT_TRUE(fs::exists(home_.favorites() + "2/News/Daily.url")) << "the backup stays";
}

TEST_F(MainDialog, ExportWritesTheChosenFileOnlyWhenConfirmed) {
  testsupport::TempDir elsewhere;
  for (const bool confirm : {false, true}) {
    SetFileChooser([&](QFileDialog&) -> std::optional<std::string> {
      if (!confirm) return std::nullopt;
      return elsewhere / "export.txt";
    });
    dialog_->OnCommand(ID_FILE_EXPORT_TEXT);
    EXPECT_EQ(fs::exists(elsewhere / "export.txt"), confirm);
  }
  SetFileChooser({});
  EXPECT_NE(ReadFile(elsewhere / "export.txt").find("\tAlpha\x01http://alpha.example/\r\n"),
            std::string::npos);
  EXPECT_TRUE(testsupport::Names(program_.path()).empty());
}

TEST_F(MainDialog, AHostileServerCopyNestedDeepIsShownAndExpandedSafely) {
  testsupport::MemoryFtpServer ftp;
  FtpSettingsFor(ftp);
  // Each line one TAB deeper than the last: the file grows with the square of the depth, so the
  // depth stays modest here; the view's own test goes 100,000 levels deep.
  std::string list = "Favorites\r\n";
  for (int depth = 1; depth <= 3000; ++depth) {
    list += std::string(static_cast<size_t>(depth), '\t') + "d\r\n";
  }
  ftp.Put("favorites.txt", list);
  dialog_->OnCommand(ID_ACTION_DOWNLOAD_SERVER);
  EXPECT_EQ(dialog_->m_treeServer.Count(), 3001);
  dialog_->show();
  dialog_->OnCommand(ID_ACTION_EXPAND_TREE);
  EXPECT_FALSE(dialog_->grab().isNull());
  dialog_->OnCommand(ID_ACTION_DOWNLOAD_SERVER);
  EXPECT_EQ(dialog_->m_treeServer.Count(), 3001);
}

TEST_F(MainDialog, AListThatCantBeWrittenIsNotUploaded) {
  CQuillmereDlg& d = *dialog_;
  testsupport::ScriptedServer server(
      std::vector<testsupport::ScriptedServer::Step>{{"", "+OK ready\r\n"}});
  MailSettingsFor(server);
  // A folder of the list's name: the list can't be stored.
  WriteFile(program_ / "favorites-local.txt/kept", "mine\r\n");
  d.OnCommand(ID_ACTION_UPLOAD_LOCAL);
  EXPECT_EQ(d.StatusText(), "favorites-local.txt can't be written\r\n");
  EXPECT_EQ(server.Connections(), 0) << "neither deleted nor sent";
  EXPECT_EQ(ReadFile(program_ / "favorites-local.txt/kept"), "mine\r\n");
  EXPECT_EQ(testsupport::Names(program_.path()),
            (std::set<std::string>{".lock", "favorites-local.txt"}));
}

// A POP3 server that greets, reads the user name and then says nothing more: the command waits,
// and the window answers while it does.
TEST_F(MainDialog, CancelAndTheCloseBoxAnswerDuringASlowTransfer) {
  CQuillmereDlg& d = *dialog_;
  using Step = testsupport::ScriptedServer::Step;
  testsupport::ScriptedServer server(std::vector<Step>{
      {"", "+OK ready\r\n"}, {"user x\r\n", "", testsupport::ScriptedServer::After::kHang}});
  MailSettingsFor(server);
  d.m_session.Network().replyLimit = std::chrono::seconds(2);
  d.show();

  struct Seen {
    bool busy = false, menusGrey = false, stopEnabled = false, interrupted = false;
    std::string progress;
  } seen;
  // Runs at the command's first look at the window's events.
  QTimer::singleShot(0, &d, [&] {
    seen.busy = d.Busy();
    seen.menusGrey = !d.MenuBar()->actions().at(1)->isEnabled();
    seen.stopEnabled = d.StopButton()->isEnabled();
    d.Progress("bytes", 512, 2048);
    seen.progress = d.ProgressLabel()->text().toStdString();
    // No other command starts meanwhile, by the menu or by its key.
    d.MenuCommand(ID_ACTION_SYNCHRONIZE)->trigger();
    d.MenuCommand(ID_ACTION_REFRESH_LOCAL)->trigger();
    QTest::mouseClick(d.StopButton(), Qt::LeftButton);
    seen.interrupted = d.Interrupted();
  });
  d.OnCommand(ID_ACTION_DOWNLOAD_SERVER);
  EXPECT_TRUE(seen.busy);
  EXPECT_TRUE(seen.menusGrey);
  EXPECT_TRUE(seen.stopEnabled);
  EXPECT_EQ(seen.progress, "512 of 2,048 bytes");
  EXPECT_TRUE(seen.interrupted) << "Cancel stops the command";
  EXPECT_TRUE(boxes_.empty()) << "Synchronize did not run";
  EXPECT_EQ(server.Connections(), 1);
  // Afterwards the window takes commands again.
  EXPECT_FALSE(d.Busy());
  EXPECT_TRUE(d.MenuBar()->actions().at(1)->isEnabled());
  EXPECT_FALSE(d.StopButton()->isEnabled());
  EXPECT_EQ(d.ProgressLabel()->text(), "");
  EXPECT_TRUE(d.m_treeLocal.isEnabled());
  EXPECT_EQ(d.m_treeServer.Count(), 0);
  EXPECT_FALSE(d.Interrupted());

  // The close box during a command asks; Yes ends the command, then the window.
  testsupport::ScriptedServer slow(std::vector<Step>{
      {"", "+OK ready\r\n"}, {"user x\r\n", "", testsupport::ScriptedServer::After::kHang}});
  MailSettingsFor(slow);
  d.m_session.Network().replyLimit = std::chrono::seconds(2);
  bool askedWhileBusy = false;
  SetMessageBoxHandler([&](const std::string&, const std::string& text, int) {
    askedWhileBusy = d.Busy() && text == "Are you sure want to exit?";
    return IDYES;
  });
  QTimer::singleShot(0, &d, [&] {
    d.close();
    seen.interrupted = d.Interrupted();
    seen.busy = d.isVisible();
  });
  d.OnCommand(ID_ACTION_DOWNLOAD_SERVER);
  EXPECT_TRUE(askedWhileBusy);
  EXPECT_TRUE(seen.interrupted);
  EXPECT_TRUE(seen.busy) << "the window stays until the command ended";
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST_F(MainDialog, RefreshLocalAndAMovedFavoritesFolderAreReadAtOnce) {
  CQuillmereDlg& d = *dialog_;
  PressSpaceOn(d.m_treeLocal, "Alpha");
  WriteShortcut(home_.favorites() + "/Added.url", "http://added.example/");
  d.MenuCommand(ID_ACTION_REFRESH_LOCAL)->trigger();
  EXPECT_EQ(ViewText(d.m_treeLocal),
            "+Favorites[2]\n\tAdded[2]\n\tAlpha[2]\n\tNews[2]\n\t\tDaily[2]\n\t\tSport[2]\n"
            "\t\t\tScores[2]\n");

  // The folder moves on the settings sheet: the local view shows the new one when it closes.
  const std::string other = home_ / "Elsewhere";
  WriteShortcut(other + "/There.url", "http://there.example/");
  onModal_ = [&](QDialog&) {
    auto* edit = d.m_pageMoveFolder.findChild<QLineEdit*>("1005");
    edit->setText(QString::fromStdString(other));
    d.m_sheet.OkButton()->click();
  };
  d.OnCommand(ID_SETTING_MOVE_FAVORITES_FOLDER);
  EXPECT_EQ(ViewText(d.m_treeLocal), "+Favorites[2]\n\tThere[2]\n");
  // Opening the sheet without a change keeps the view as the user left it.
  PressSpaceOn(d.m_treeLocal, "There");
  onModal_ = [&](QDialog&) { d.m_sheet.CancelButton()->click(); };
  d.OnCommand(ID_SETTING_SAVE_METHOD);
  EXPECT_EQ(ViewText(d.m_treeLocal), "+Favorites[1]\n\tThere[1]\n");
}

TEST_F(MainDialog, ServerHistoryListsTheKeptCopies) {
  CQuillmereDlg& d = *dialog_;
  std::vector<std::string> shown;
  onModal_ = [&](QDialog& dialog) {
    auto* history = qobject_cast<CHistoryDlg*>(&dialog);
    ASSERT_NE(history, nullptr);
    shown.push_back(std::to_string(history->List()->topLevelItemCount()) +
                    (history->ShowButton()->isEnabled() ? " show" : " none"));
  };
  d.OnCommand(ID_ACTION_SERVER_HISTORY);
  EXPECT_EQ(modals_, std::vector<std::string>{"Server history"});

  // The dialog itself: the copies newest first; Show names the chosen one.
  CHistoryDlg history({{"/s/2", "2026-12-11 14:05:09", "downloaded"},
                       {"/s/1", "2026-12-10 09:00:00", "replaced by an upload"}},
                      nullptr);
  ASSERT_EQ(history.List()->topLevelItemCount(), 2);
  EXPECT_EQ(history.List()->topLevelItem(0)->text(0), "2026-12-11 14:05:09");
  EXPECT_EQ(history.List()->topLevelItem(1)->text(1), "replaced by an upload");
  history.List()->setCurrentItem(history.List()->topLevelItem(1));
  history.ShowButton()->click();
  EXPECT_EQ(history.result(), QDialog::Accepted);
  EXPECT_EQ(history.Chosen(), 1);
}

TEST_F(MainDialog, BookmarksFilesGoThroughTheirFileDialogs) {
  CQuillmereDlg& d = *dialog_;
  std::vector<std::string> asked;
  std::optional<std::string> answer;
  SetFileChooser([&](QFileDialog& dialog) {
    asked.push_back(dialog.windowTitle().toStdString() + " " +
                    (dialog.acceptMode() == QFileDialog::AcceptSave ? "save" : "open") + " " +
                    dialog.nameFilters().join(";").toStdString());
    return answer;
  });
  d.OnCommand(ID_FILE_IMPORT_BOOKMARKS);
  d.OnCommand(ID_FILE_EXPORT_BOOKMARKS);
  EXPECT_TRUE(boxes_.empty()) << "cancelled: nothing done";
  answer = home_ / "bookmarks.html";
  WriteFile(*answer, "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n");
  d.OnCommand(ID_FILE_IMPORT_BOOKMARKS);
  d.OnCommand(ID_FILE_EXPORT_BOOKMARKS);
  SetFileChooser({});
  const std::string filters = "bookmarks file(*.html *.htm);all files(*)";
  EXPECT_EQ(asked, (std::vector<std::string>{"Import bookmarks file open " + filters,
                                             "Export as bookmarks file save " + filters,
                                             "Import bookmarks file open " + filters,
                                             "Export as bookmarks file save " + filters}));
  EXPECT_FALSE(d.Busy());
}
