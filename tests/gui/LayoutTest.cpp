// Every window of the program laid out at the screen's font resolution (the test runs at 96, 144
// and 192 DPI): no text is cut, no control reaches past its window, and the window grows with
// the font. With QUILLMERE_SCREENSHOTS set to a folder, each window is also saved there.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabWidget>
#include <cstdlib>
#include <string>

#include "app/CAboutDlg.h"
#include "app/CHistoryDlg.h"
#include "app/CQuillmereDlg.h"
#include "app/ModalDialog.h"
#include "commands/Commands.h"
#include "model/TreeViewOps.h"
#include "platform/SettingsStore.h"
#include "print/CPreview.h"
#include "tests/support/MemoryFtpServer.h"
#include "tests/support/TempDir.h"

namespace {

// What a user would see cut: a label or button smaller than its text needs, or any control that
// reaches past the window.
std::vector<std::string> Clipped(QWidget& window) {
  std::vector<std::string> found;
  const QRect inside = window.rect();
  for (QWidget* child : window.findChildren<QWidget*>()) {
    if (!child->isVisibleTo(&window) || child->isWindow()) continue;
    const std::string name =
        child->metaObject()->className() + std::string(" ") + child->objectName().toStdString();
    const QRect where(child->mapTo(&window, QPoint(0, 0)), child->size());
    if (!inside.contains(where)) found.push_back(name + " reaches past the window");
    QString text;
    bool wraps = false;
    if (auto* label = qobject_cast<QLabel*>(child)) {
      text = label->text();
      wraps = label->wordWrap();
    } else if (auto* button = qobject_cast<QAbstractButton*>(child)) {
      text = button->text();
    } else if (qobject_cast<QLineEdit*>(child)) {
      if (child->height() < child->fontMetrics().height()) found.push_back(name + " too low");
      continue;
    } else if (auto* frame = qobject_cast<QFrame*>(child);
               frame && frame->frameShape() == QFrame::HLine) {
      if (frame->height() < 2) found.push_back(name + " line too thin to show");
      continue;
    } else {
      continue;
    }
    if (text.isEmpty()) continue;
    const QSize needed = child->sizeHint();
    if (!wraps && child->width() < needed.width()) {
      found.push_back(name + " \"" + text.toStdString() + "\" too narrow");
    }
    if (child->height() < child->fontMetrics().height()) {
      found.push_back(name + " \"" + text.toStdString() + "\" too low");
    }
  }
  return found;
}

void Save(QWidget& window, const char* name) {
  const char* folder = std::getenv("QUILLMERE_SCREENSHOTS");
  if (!folder) return;
  const qreal scale = window.devicePixelRatioF();
  const QString file = QDir(folder).filePath(
      QString("%1-%2dpi.png").arg(name).arg(qRound(96 * scale * window.logicalDpiY() / 96.0)));
  window.grab().save(file);
}

class Layout : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* link : {"Banking/Savings", "News/Morning Paper", "News/Tech.News/Daily Digest",
                             "Reading/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE6\x9C\xAC",
                             "Travel/Trains", "Work/Projects/Roadmap", "Calendar", "Mail"}) {
      testsupport::WriteShortcut(home_.favorites() + "/" + link + ".url", "http://example.org/");
    }
    SetModalHandler([this](QDialog& dialog) {
      dialog.show();
      if (onModal_) onModal_(dialog);
    });
  }
  void TearDown() override { SetModalHandler({}); }

  testsupport::TempHome home_;
  testsupport::TempDir state_;
  std::function<void(QDialog&)> onModal_;
};

}  // namespace

TEST_F(Layout, TheMainWindowAndItsDialogsCutNothing) {
  CQuillmereDlg window{Places(state_.path())};
  window.OnInitDialog();
  window.show();
  // A server copy downloaded from an FTP server and shown beside the local tree, one of its
  // folders unchecked.
  testsupport::MemoryFtpServer ftp;
  platform::WriteSettingInt("Save method", 1);
  platform::WriteSettingString("ftp", "127.0.0.1:" + std::to_string(ftp.port()));
  platform::WriteSettingString("user", "ann");
  platform::WriteSettingString("pass", "secret");
  ftp.Put("favorites.txt",
          "Favorites\r\n\tCalendar\x01http://example.org/\r\n\tNews\r\n"
          "\t\tMorning Paper\x01http://example.org/\r\n\t\tEvening Post\x01http://example.org/\r\n"
          "\tRecipes\r\n\t\tBread\x01http://example.org/\r\n\t\tSoup\x01http://example.org/\r\n"
          "\tMusic\r\n\t\tRadio\x01http://example.org/\r\n");
  window.OnCommand(136);  // "&Download server"
  window.OnCommand(151);  // "E&xpand tree"
  TreeItem recipes = window.m_treeServer.ChildAt(window.m_treeServer.FirstRoot(), 2);
  window.m_treeServer.setCurrentIndex(window.m_treeServer.IndexOf(recipes));
  ToggleSelectedCheck(window.m_treeServer, kSpaceKey);
  EXPECT_EQ(Clipped(window), std::vector<std::string>{});
  Save(window, "main-window");

  // The window keeps its laid-out proportions at any font size: wider than high, the trees
  // side by side taking most of the height.
  EXPECT_GT(window.width(), window.height() * 9 / 10);
  EXPECT_GT(window.m_treeLocal.height(), window.StatusEdit()->height() * 2);
  window.resize(window.size() * 2);
  EXPECT_GT(window.m_treeLocal.width(), window.width() * 2 / 5) << "the trees grow with it";

  CAboutDlg about(window.m_hIcon, &window);
  about.show();
  EXPECT_EQ(Clipped(about), std::vector<std::string>{});
  Save(about, "about");

  onModal_ = [&](QDialog& dialog) {
    for (int page = 0; page < 3; ++page) {
      window.m_sheet.SetActivePage(page);
      QApplication::processEvents();
      EXPECT_EQ(Clipped(dialog), std::vector<std::string>{}) << "page " << page;
      Save(dialog, page == 0   ? "setting-save-method"
                   : page == 1 ? "setting-delete-link"
                               : "setting-move-folder");
    }
  };
  window.OnCommand(137);  // "&Save method ..."

  CHistoryDlg history({{"", "2026-12-11 14:05:09", "downloaded"},
                       {"", "2026-12-10 09:00:00", "replaced by an upload"}},
                      &window);
  history.show();
  EXPECT_EQ(Clipped(history), std::vector<std::string>{});
  Save(history, "server-history");

  CPreview preview([&] { return commands::LocalListText(window.m_session); }, &window);
  preview.show();
  Save(preview, "preview");
  window.hide();
}
