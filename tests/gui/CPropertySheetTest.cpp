// The settings sheet as the main dialog sets it up, driven as a user drives it: its three pages,
// what each loads when first shown, what OK and Apply write, and that Cancel writes nothing.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandIds.h"
#include "app/MessageBox.h"
#include "app/ModalDialog.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "platform/ShellFolders.h"
#include "settings/CPageDeleteLink.h"
#include "settings/CPageMoveFavoritesFolder.h"
#include "settings/CPageSaveMethod.h"
#include "settings/CPropertySheet.h"
#include "settings/FolderBrowser.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

using Store = std::map<std::string, std::string>;

constexpr const char* kLinksFolderName =
    "Software\\Microsoft\\Internet Explorer\\Toolbar\\LinksFolderName";
constexpr const char* kShellFavorites =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders\\Favorites";

// Everything in the emulated registry: the program's own settings under their bare names, other
// values under their full registry paths.
Store StoreContents() {
  QSettings file(QString::fromStdString(platform::RegistryStoreFile()), QSettings::IniFormat);
  const QString settings = QString(platform::kSettingsKey).replace('\\', '/') + '/';
  Store values;
  for (QString key : file.allKeys()) {
    const std::string value = file.value(key).toString().toStdString();
    if (key.startsWith(settings)) {
      key.remove(0, settings.size());
    } else {
      key.replace('/', '\\');
    }
    values[key.toStdString()] = value;
  }
  return values;
}

void Seed(const Store& values) {
  for (const auto& [key, value] : values) platform::WriteSettingString(key, value);
}

// Replaces the edit's text by typing, as the user would.
void Retype(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  for (const QChar ch : text) {
    // Letters beyond ASCII come as text without a key of their own, as from an input method.
    if (ch.unicode() < 0x80) {
      QTest::keyClick(edit, ch.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
  }
}

class SettingsSheet : public ::testing::Test {
 protected:
  SettingsSheet() {
    // As the main dialog's initialisation adds them.
    sheet_.AddPage(&saveMethod_);
    sheet_.AddPage(&deleteLink_);
    sheet_.AddPage(&moveFolder_);
    sheet_.SetTitle("Setting");
    SetModalHandler([this](QDialog& dialog) {
      ASSERT_EQ(&dialog, &sheet_);
      dialog.show();  // so that the close box acts as on a shown window
      if (user_) user_();
    });
    SetMessageBoxHandler([this](const std::string&, const std::string& text, int style) {
      boxes_.push_back(text);
      EXPECT_EQ(style, MB_OK | MB_ICONSTOP);
      return IDOK;
    });
    SetFolderBrowserHandler([this](const std::string& title, std::string& path) {
      browserTitles_.push_back(title);
      if (!browserAnswer_) return false;
      path = *browserAnswer_;
      return true;
    });
  }
  ~SettingsSheet() override {
    SetModalHandler({});
    SetMessageBoxHandler({});
    SetFolderBrowserHandler({});
  }

  // Opens the sheet on a page; `user` acts on it while it is open.
  int Open(int page, std::function<void()> user) {
    user_ = std::move(user);
    sheet_.SetActivePage(page);
    const int result = sheet_.DoModal();
    user_ = nullptr;
    return result;
  }

  QLineEdit* Edit(QWidget& page, const char* id) {
    auto* edit = page.findChild<QLineEdit*>(id);
    EXPECT_NE(edit, nullptr) << id;
    return edit;
  }
  QRadioButton* Radio(int method) {
    auto* radio = saveMethod_.findChild<QRadioButton*>(QString::number(1010 + method));
    EXPECT_NE(radio, nullptr) << method;
    return radio;
  }
  QCheckBox* DeleteBox() { return deleteLink_.findChild<QCheckBox*>("1011"); }
  QLineEdit* FolderEdit() { return Edit(moveFolder_, "1005"); }
  QPushButton* BrowseButton() { return moveFolder_.findChild<QPushButton*>("1012"); }
  bool ApplyEnabled() const { return sheet_.ApplyButton()->isEnabled(); }

  // The Save method page as shown: the chosen method (-1 for none, -2 for more than one), then
  // pop3, smtp, ftp, user name and password.
  int ShownMethod() {
    int shown = -1;
    for (int method = 0; method < 3; ++method) {
      if (Radio(method)->isChecked()) shown = shown == -1 ? method : -2;
    }
    return shown;
  }
  std::vector<std::string> ShownFields() {
    std::vector<std::string> texts;
    for (const char* id : {"1005", "1006", "1009", "1007", "1008"}) {
      texts.push_back(Edit(saveMethod_, id)->text().toStdString());
    }
    return texts;
  }

  testsupport::TempHome home_;
  QWidget owner_;
  CPropertySheet sheet_{&owner_};
  CPageSaveMethod saveMethod_;
  CPageDeleteLink deleteLink_;
  CPageMoveFavoritesFolder moveFolder_;
  std::function<void()> user_;
  std::vector<std::string> browserTitles_;
  std::vector<std::string> boxes_;            // the texts of the message boxes shown
  std::optional<std::string> browserAnswer_;  // none: the user cancels the browser
};

TEST_F(SettingsSheet, IsOneSheetOfThreePagesWithOkCancelAndApply) {
  EXPECT_EQ(sheet_.windowTitle(), "Setting");
  ASSERT_EQ(sheet_.GetPageCount(), 3);
  std::vector<std::string> tabs;
  for (int i = 0; i < sheet_.Tabs()->count(); ++i) {
    tabs.push_back(sheet_.Tabs()->tabText(i).toStdString());
  }
  EXPECT_EQ(tabs,
            (std::vector<std::string>{"Save method", "Delete link", "Move favorites folder"}));
  EXPECT_EQ(sheet_.Tabs()->widget(0), &saveMethod_);
  EXPECT_EQ(sheet_.Tabs()->widget(2), &moveFolder_);

  // The sheet's own buttons; no Help button and no context-help button in the title bar.
  std::vector<std::string> buttons;
  for (auto* button : sheet_.findChildren<QPushButton*>(Qt::FindDirectChildrenOnly)) {
    buttons.push_back(button->text().toStdString());
  }
  EXPECT_EQ(buttons, (std::vector<std::string>{"OK", "Cancel", "&Apply"}));
  EXPECT_FALSE(sheet_.windowFlags() & Qt::WindowContextHelpButtonHint);
  for (auto* button : sheet_.findChildren<QPushButton*>()) {
    EXPECT_FALSE(button->text().contains("Help", Qt::CaseInsensitive));
  }
  EXPECT_FALSE(ApplyEnabled());
}

TEST_F(SettingsSheet, PagesCarryTheirControlsInLayoutOrder) {
  const struct {
    QWidget* page;
    const char* id;
    const char* text;
  } controls[] = {
      {&saveMethod_, "1010", "Through &email"},
      {&saveMethod_, "1011", "Through &ftp"},
      {&saveMethod_, "1012", "&Get a temporary test account"},
      {&deleteLink_, "1011", "&Delete link"},
      {&moveFolder_, "1012", "..."},
  };
  for (const auto& c : controls) {
    auto* button = c.page->findChild<QAbstractButton*>(c.id);
    ASSERT_NE(button, nullptr) << c.id;
    EXPECT_EQ(button->text(), c.text);
    EXPECT_TRUE(button->isEnabled()) << c.id;
  }
  const std::map<std::string, std::string> labels = {
      {"1005", "&pop3 address:"}, {"1006", "&smtp address:"}, {"1009", "ftp &address:"},
      {"1007", "&User name:"},    {"1008", "Pass&word:"},
  };
  for (auto* label : saveMethod_.findChildren<QLabel*>()) {
    ASSERT_NE(label->buddy(), nullptr) << label->text().toStdString();
    EXPECT_EQ(labels.at(label->buddy()->objectName().toStdString()), label->text().toStdString());
  }
  EXPECT_EQ(saveMethod_.findChildren<QLabel*>().size(), labels.size());
  EXPECT_EQ(Edit(saveMethod_, "1008")->echoMode(), QLineEdit::Password);
  EXPECT_EQ(Edit(saveMethod_, "1007")->echoMode(), QLineEdit::Normal);
  ASSERT_EQ(moveFolder_.findChildren<QLabel*>().size(), 1);
  EXPECT_EQ(moveFolder_.findChild<QLabel*>()->text(), "Move current favorites folder to:");

  // Tab order: the radio group, then the fields as the page lays them out.
  std::vector<std::string> order;
  int steps = 0;
  for (QWidget* w = Radio(2)->nextInFocusChain(); w != Radio(0) && ++steps < 100;
       w = w->nextInFocusChain()) {
    if (qobject_cast<QLineEdit*>(w) && w->parent() == &saveMethod_) {
      order.push_back(w->objectName().toStdString());
    }
  }
  EXPECT_EQ(order, (std::vector<std::string>{"1005", "1006", "1009", "1007", "1008"}));
}

TEST_F(SettingsSheet, SaveMethodPageLoadsTheAddressesOfTheStoredMethodOnly) {
  const struct {
    const char* method;  // nullptr: never stored
    int shown;
    std::vector<std::string> fields;
  } cases[] = {
      {nullptr, 0, {"pop.test", "smtp.test", "", "ann", "pw"}},
      {"0", 0, {"pop.test", "smtp.test", "", "ann", "pw"}},
      {"1", 1, {"", "", "ftp.test", "ann", "pw"}},
      {"2", 2, {"", "", "", "ann", "pw"}},
      {"3", -1, {"", "", "", "ann", "pw"}},
      {"-1", -1, {"", "", "", "ann", "pw"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.method ? c.method : "absent");
    testsupport::TempHome fresh;
    Seed({{"pop3", "pop.test"},
          {"smtp", "smtp.test"},
          {"ftp", "ftp.test"},
          {"user", "ann"},
          {"pass", "pw"}});
    if (c.method) Seed({{"Save Method", c.method}});
    Open(0, [&] {
      EXPECT_EQ(ShownMethod(), c.shown);
      EXPECT_EQ(ShownFields(), c.fields);
    });
  }
}

TEST_F(SettingsSheet, SaveMethodPageWritesTheAddressesOfTheChosenMethodOnly) {
  const Store old = {{"pop3", "old-pop"},
                     {"smtp", "old-smtp"},
                     {"ftp", "old-ftp"},
                     {"user", "old-user"},
                     {"pass", "old-pass"}};
  const QString password = QString::fromUtf8("p&ss w\xC3\xB6rd");
  const struct {
    int click;  // -1: no method chosen
    Store written;
  } cases[] = {
      {0, {{"pop3", "new-pop"}, {"smtp", "new-smtp"}, {"ftp", "old-ftp"}}},
      {1, {{"pop3", "old-pop"}, {"smtp", "old-smtp"}, {"ftp", "new-ftp"}}},
      {2, {{"pop3", "old-pop"}, {"smtp", "old-smtp"}, {"ftp", "old-ftp"}}},
      {-1, {{"pop3", "old-pop"}, {"smtp", "old-smtp"}, {"ftp", "old-ftp"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.click);
    testsupport::TempHome fresh;
    Seed(old);
    // Stored as the transfers spell it; a method outside 0..2 selects no button.
    Seed({{"Save method", "7"}});
    const int result = Open(0, [&] {
      if (c.click >= 0) Radio(c.click)->click();
      Retype(Edit(saveMethod_, "1005"), "new-pop");
      Retype(Edit(saveMethod_, "1006"), "new-smtp");
      Retype(Edit(saveMethod_, "1009"), "new-ftp");
      Retype(Edit(saveMethod_, "1007"), "new-user");
      QLineEdit* pass = Edit(saveMethod_, "1008");
      Retype(pass, password);
      EXPECT_EQ(pass->text(), password);
      EXPECT_NE(pass->displayText(), password);
      EXPECT_EQ(pass->displayText().size(), password.size());
      sheet_.OkButton()->click();
    });
    EXPECT_EQ(result, IDOK);
    Store expected = c.written;
    // One method value, written over the stored one whatever its spelling.
    expected["Save method"] = std::to_string(c.click);
    expected["user"] = "new-user";
    expected["pass"] = "p&ss w\xC3\xB6rd";
    EXPECT_EQ(StoreContents(), expected);
  }
}

TEST_F(SettingsSheet, ChoosingAMethodRefillsItsAddressesFromTheStore) {
  Seed({{"Save Method", "1"},
        {"pop3", "pop.test"},
        {"smtp", "smtp.test"},
        {"ftp", "ftp.test"},
        {"user", "ann"},
        {"pass", "pw"}});
  const int result = Open(0, [&] {
    EXPECT_EQ(ShownMethod(), 1);
    EXPECT_EQ(ShownFields(), (std::vector<std::string>{"", "", "ftp.test", "ann", "pw"}));
    // Unapplied typing: the account stays, the FTP address is replaced by the stored one later.
    Retype(Edit(saveMethod_, "1007"), "bob");
    Retype(Edit(saveMethod_, "1009"), "typed-ftp");

    Radio(0)->click();
    EXPECT_EQ(ShownMethod(), 0);
    EXPECT_EQ(ShownFields(), (std::vector<std::string>{"pop.test", "smtp.test", "", "bob", "pw"}));
    Retype(Edit(saveMethod_, "1005"), "typed-pop");
    Radio(0)->click();  // choosing it again drops the typing
    EXPECT_EQ(ShownFields()[0], "pop.test");

    Radio(1)->click();
    EXPECT_EQ(ShownFields(), (std::vector<std::string>{"", "", "ftp.test", "bob", "pw"}));
    Radio(2)->click();
    EXPECT_EQ(ShownFields(), (std::vector<std::string>{"", "", "", "bob", "pw"}));
    for (auto* edit : saveMethod_.findChildren<QLineEdit*>()) EXPECT_TRUE(edit->isEnabled());

    Radio(0)->click();
    sheet_.OkButton()->click();
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(StoreContents(), (Store{{"Save Method", "0"},
                                    {"pop3", "pop.test"},
                                    {"smtp", "smtp.test"},
                                    {"ftp", "ftp.test"},
                                    {"user", "bob"},
                                    {"pass", "pw"}}));
}

TEST_F(SettingsSheet, ApplyIsEnabledByAChangeOrByLoadingStoredText) {
  // Loading text that is not empty into an edit counts as a change; loading a method or the
  // check box does not.
  const struct {
    int page;
    Store stored;
    bool enabled;
  } loads[] = {
      {0, {}, false},
      {0, {{"Save Method", "1"}}, false},
      {0, {{"Save Method", "2"}, {"pop3", "x"}, {"ftp", "x"}}, false},  // not loaded
      {0, {{"pop3", "x"}}, true},
      {0, {{"Save Method", "1"}, {"ftp", "x"}}, true},
      {0, {{"Save Method", "5"}, {"pass", "x"}}, true},
      {1, {{"delete link", "1"}}, false},
      {2, {{"folder", "/f"}}, true},
  };
  for (const auto& c : loads) {
    SCOPED_TRACE(testing::Message() << c.page << " " << c.stored.size());
    testsupport::TempHome fresh;
    Seed(c.stored);
    Open(c.page, [&] { EXPECT_EQ(ApplyEnabled(), c.enabled); });
  }

  // From an unchanged sheet, every control the user can change enables it.
  const struct {
    const char* what;
    int page;
    std::function<void()> act;
  } changes[] = {
      {"email", 0, [&] { Radio(0)->click(); }},
      {"ftp", 0, [&] { Radio(1)->click(); }},
      {"test account", 0, [&] { Radio(2)->click(); }},
      {"pop3", 0, [&] { QTest::keyClicks(Edit(saveMethod_, "1005"), "p"); }},
      {"smtp", 0, [&] { QTest::keyClicks(Edit(saveMethod_, "1006"), "s"); }},
      {"ftp address", 0, [&] { QTest::keyClicks(Edit(saveMethod_, "1009"), "f"); }},
      {"user", 0, [&] { QTest::keyClicks(Edit(saveMethod_, "1007"), "u"); }},
      {"pass", 0, [&] { QTest::keyClicks(Edit(saveMethod_, "1008"), "w"); }},
      {"delete link", 1, [&] { DeleteBox()->click(); }},
      {"folder", 2, [&] { QTest::keyClicks(FolderEdit(), "/"); }},
  };
  for (const auto& c : changes) {
    SCOPED_TRACE(c.what);
    Open(c.page, [&] {
      ASSERT_FALSE(ApplyEnabled());
      c.act();
      EXPECT_TRUE(ApplyEnabled());
    });
  }
  EXPECT_TRUE(StoreContents().empty()) << "every opening above was cancelled";
}

TEST_F(SettingsSheet, ApplyWritesTheShownPagesAndKeepsTheSheetOpen) {
  const int result = Open(0, [&] {
    Retype(Edit(saveMethod_, "1007"), "ann");
    sheet_.Tabs()->setCurrentIndex(1);
    sheet_.ApplyButton()->click();
    EXPECT_EQ(sheet_.result(), QDialog::Rejected) << "Apply does not end the sheet";
    EXPECT_FALSE(ApplyEnabled());
    EXPECT_EQ(StoreContents(), (Store{{"Save Method", "0"},
                                      {"pop3", ""},
                                      {"smtp", ""},
                                      {"user", "ann"},
                                      {"pass", ""},
                                      {"delete link", "0"}}));
    // Changes after Apply are dropped by Cancel; what was applied stays.
    DeleteBox()->click();
    sheet_.Tabs()->setCurrentIndex(0);
    Retype(Edit(saveMethod_, "1008"), "pw");
    EXPECT_TRUE(ApplyEnabled());
    sheet_.CancelButton()->click();
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(StoreContents().at("user"), "ann");
  EXPECT_EQ(StoreContents().at("pass"), "");
  EXPECT_EQ(StoreContents().at("delete link"), "0");
}

TEST_F(SettingsSheet, PagesLoadWhenFirstShownAndKeepTheirValuesAcrossTabs) {
  Seed({{"user", "ann"}});
  Open(1, [&] {
    // The Save method page is not loaded until its tab is first shown.
    Seed({{"user", "late"}});
    sheet_.Tabs()->setCurrentIndex(0);
    EXPECT_EQ(ShownFields()[3], "late");

    Retype(Edit(saveMethod_, "1007"), "typed");
    Radio(2)->click();
    sheet_.Tabs()->setCurrentIndex(2);
    Seed({{"user", "later"}});
    sheet_.Tabs()->setCurrentIndex(0);
    EXPECT_EQ(ShownMethod(), 2);
    EXPECT_EQ(ShownFields()[3], "typed");
    sheet_.CancelButton()->click();
  });
  // A new opening starts from the store again.
  Open(0, [&] {
    EXPECT_EQ(ShownMethod(), 0);
    EXPECT_EQ(ShownFields()[3], "later");
  });
}

TEST_F(SettingsSheet, OkAppliesEveryPageShownInThisOpeningAndNoOther) {
  platform::RegSetString(platform::kUserShellFoldersKey, "Favorites", "/seeded");
  Seed({{"user", "ann"}, {"folder", home_.path()}});
  // Only the page the sheet opened on.
  EXPECT_EQ(Open(1, [&] { sheet_.OkButton()->click(); }), IDOK);
  EXPECT_EQ(StoreContents(), (Store{{"user", "ann"},
                                    {"delete link", "0"},
                                    {"folder", home_.path()},
                                    {kShellFavorites, "/seeded"}}));

  // Pages only looked at are applied too, unchanged.
  EXPECT_EQ(Open(2,
                 [&] {
                   sheet_.Tabs()->setCurrentIndex(0);
                   sheet_.OkButton()->click();
                 }),
            IDOK);
  EXPECT_EQ(StoreContents(), (Store{{"Save Method", "0"},
                                    {"pop3", ""},
                                    {"smtp", ""},
                                    {"user", "ann"},
                                    {"pass", ""},
                                    {"delete link", "0"},
                                    {"folder", home_.path()},
                                    {kShellFavorites, home_.path()}}));
}

TEST_F(SettingsSheet, CancelEscapeAndTheCloseBoxWriteNothing) {
  Seed({{"Save Method", "1"}, {"ftp", "ftp.test"}, {"user", "ann"}, {"folder", "/f"}});
  platform::RegSetString(platform::kBrowserToolbarKey, "LinksFolderName", "Links");
  const std::string before = testsupport::ReadFile(platform::RegistryStoreFile());
  const struct {
    const char* how;
    std::function<void()> end;
  } ways[] = {
      {"Cancel", [&] { sheet_.CancelButton()->click(); }},
      {"Escape", [&] { QTest::keyClick(&sheet_, Qt::Key_Escape); }},
      {"close box", [&] { sheet_.close(); }},
  };
  for (const auto& w : ways) {
    SCOPED_TRACE(w.how);
    browserAnswer_ = home_ / "chosen";
    const int result = Open(2, [&] {
      testing::internal::CaptureStdout();
      BrowseButton()->click();
      testing::internal::GetCapturedStdout();
      sheet_.Tabs()->setCurrentIndex(1);
      DeleteBox()->click();
      sheet_.Tabs()->setCurrentIndex(0);
      Radio(0)->click();
      Retype(Edit(saveMethod_, "1007"), "bob");
      w.end();
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(testsupport::ReadFile(platform::RegistryStoreFile()), before);
  }
}

// The sheet's own rules, seen through pages that record what is asked of them.
class RecordingPage : public CPropertyPage {
 public:
  RecordingPage(const char* caption, std::vector<std::string>& log)
      : CPropertyPage(caption), log_(log) {}
  void DoDataExchange(bool) override {}
  bool OnInitDialog() override {
    log_.push_back(std::string("load ") + Caption());
    return true;
  }
  bool OnApply() override {
    log_.push_back(std::string("apply ") + Caption());
    return true;
  }

 protected:
  void ResetControls() override {}

 private:
  std::vector<std::string>& log_;
};

TEST(SettingsSheetRules, LoadsPagesOnFirstShowingAndAppliesTheShownOnesInPageOrder) {
  std::vector<std::string> log;
  QWidget owner;
  CPropertySheet sheet(&owner);
  RecordingPage a("A", log), b("B", log), c("C", log);
  sheet.AddPage(&a);
  sheet.AddPage(&b);
  sheet.AddPage(&c);
  sheet.AddPage(&a);  // already there
  EXPECT_EQ(sheet.GetPageCount(), 3);

  std::function<void()> user;
  SetModalHandler([&](QDialog&) { user(); });
  const auto open = [&](int page, std::function<void()> act) {
    user = std::move(act);
    log.clear();
    sheet.SetActivePage(page);
    return sheet.DoModal();
  };

  EXPECT_EQ(open(2,
                 [&] {
                   sheet.Tabs()->setCurrentIndex(0);
                   sheet.Tabs()->setCurrentIndex(2);
                   EXPECT_FALSE(sheet.ApplyButton()->isEnabled());
                   b.SetModified();  // an unshown page's mark enables Apply, yet is not applied
                   sheet.ApplyButton()->click();
                   EXPECT_FALSE(sheet.ApplyButton()->isEnabled());
                   sheet.OkButton()->click();
                 }),
            IDOK);
  EXPECT_EQ(log, (std::vector<std::string>{"load C", "load A", "apply A", "apply C", "apply A",
                                           "apply C"}));

  EXPECT_EQ(open(1, [&] { sheet.CancelButton()->click(); }), IDCANCEL);
  EXPECT_EQ(log, (std::vector<std::string>{"load B"}));

  // Nothing pressed: the sheet ends as cancelled.
  EXPECT_EQ(open(0, [] {}), IDCANCEL);
  EXPECT_EQ(log, (std::vector<std::string>{"load A"}));
  SetModalHandler({});
}

TEST_F(SettingsSheet, DeleteLinkClearsTheLinksFolderNameOnlyWhenChecked) {
  const struct {
    const char* stored;  // "delete link"; nullptr: never stored
    bool click;
    const char* written;
    const char* links;  // "LinksFolderName" afterwards
  } cases[] = {
      {nullptr, true, "1", ""},   {"1", false, "1", ""},          {"1", true, "0", "Links"},
      {"0", false, "0", "Links"}, {nullptr, false, "0", "Links"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.stored ? c.stored : "absent") << " " << c.click);
    testsupport::TempHome fresh;
    if (c.stored) Seed({{"delete link", c.stored}});
    platform::RegSetString(platform::kBrowserToolbarKey, "LinksFolderName", "Links");
    Open(1, [&] {
      EXPECT_EQ(DeleteBox()->isChecked(), c.stored && *c.stored == '1');
      EXPECT_FALSE(ApplyEnabled());
      if (c.click) DeleteBox()->click();
      sheet_.OkButton()->click();
    });
    EXPECT_EQ(StoreContents(), (Store{{"delete link", c.written}, {kLinksFolderName, c.links}}));
  }
}

TEST_F(SettingsSheet, MoveFavoritesFolderPointsTheShellAtTheTextAsTyped) {
  testsupport::WriteShortcut(home_.favorites() + "/News.url", "http://news.example/");
  const std::string shortcut = testsupport::ReadFile(home_.favorites() + "/News.url");
  const std::string typed = home_ / " other/Fav\xC3\xB6rites ";
  fs::create_directories(typed);

  EXPECT_EQ(Open(2,
                 [&] {
                   EXPECT_EQ(FolderEdit()->text(), "");
                   EXPECT_FALSE(ApplyEnabled());
                   Retype(FolderEdit(), QString::fromStdString(typed));
                   sheet_.OkButton()->click();
                 }),
            IDOK);
  EXPECT_EQ(StoreContents(), (Store{{"folder", typed}, {kShellFavorites, typed}}));
  EXPECT_EQ(platform::FavoritesFolder(), typed) << "as typed, blanks and all";
  // Nothing is moved.
  EXPECT_TRUE(fs::is_empty(typed));
  EXPECT_EQ(testsupport::ReadFile(home_.favorites() + "/News.url"), shortcut);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(SettingsSheet, MoveFavoritesFolderRefusesATextThatNamesNoFolder) {
  testsupport::WriteFile(home_ / "a file", "not a folder");
  Seed({{"folder", home_.path()}});
  const struct {
    std::string typed;
    std::string told;
  } cases[] = {
      {"", "Type the folder to keep the favorites in, or pick one with the \"...\" button."},
      {home_ / "missing", "\"" + home_ / "missing" +
                              "\" is not a folder. Type the path of an existing folder, or pick "
                              "one with the \"...\" button."},
      {home_ / "a file", "\"" + home_ / "a file" +
                             "\" is not a folder. Type the path of an existing folder, or pick "
                             "one with the \"...\" button."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    boxes_.clear();
    const int result = Open(2, [&] {
      Retype(Edit(saveMethod_, "1007"), "typed user");  // another page's change is held too
      Retype(FolderEdit(), QString::fromStdString(c.typed));
      sheet_.Tabs()->setCurrentIndex(0);
      sheet_.ApplyButton()->click();
      sheet_.OkButton()->click();
      EXPECT_TRUE(sheet_.isVisible()) << "the sheet stays open";
      EXPECT_EQ(sheet_.GetActiveIndex(), 2) << "on the page to correct";
      sheet_.CancelButton()->click();
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(boxes_, (std::vector<std::string>{c.told, c.told}));
    EXPECT_EQ(StoreContents(), (Store{{"folder", home_.path()}})) << "nothing is stored";
  }
}

TEST_F(SettingsSheet, FolderBrowserFillsTheFolderOrLeavesItOnCancel) {
  const struct {
    const char* stored;                 // "folder" before
    std::optional<std::string> answer;  // none: cancelled
    const char* shown;                  // the edit afterwards
    bool enabled;                       // Apply afterwards
    std::string trace;                  // standard output
  } cases[] = {
      {"/", std::nullopt, "/", true, ""},
      {"/", "/tmp", "/tmp", true, "Selected Folder: /tmp\n"},
      {"", "/", "/", true, "Selected Folder: /\n"},
      // A chosen item without a file-system path empties the edit and traces nothing.
      {"/", "", "", true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer.value_or("cancelled"));
    testsupport::TempHome fresh;
    Seed({{"folder", c.stored}});
    browserAnswer_ = c.answer;
    browserTitles_.clear();
    std::string trace;
    Open(2, [&] {
      testing::internal::CaptureStdout();
      BrowseButton()->click();
      trace = testing::internal::GetCapturedStdout();
      EXPECT_EQ(FolderEdit()->text(), c.shown);
      EXPECT_EQ(ApplyEnabled(), c.enabled);
      sheet_.OkButton()->click();
      sheet_.CancelButton()->click();  // when an empty text kept the sheet open
    });
    EXPECT_EQ(browserTitles_, std::vector<std::string>{"Pick a Directory"});
    EXPECT_EQ(trace, c.trace);
    const std::string shown = c.shown;
    const Store stored = shown.empty() ? Store{{"folder", c.stored}}
                                       : Store{{"folder", shown}, {kShellFavorites, shown}};
    EXPECT_EQ(StoreContents(), stored);
  }
}

}  // namespace
