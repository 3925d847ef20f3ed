#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "platform/ShellFolders.h"
#include "tests/support/TempDir.h"

using namespace platform;

TEST(SettingsStore, AbsentValuesReadAsDefaults) {
  testsupport::TempHome home;
  EXPECT_EQ(GetSettingInt("Save method"), 0);
  for (const char* key : {"pop3", "smtp", "ftp", "user", "pass", "folder"}) {
    EXPECT_EQ(GetSettingString(key), "") << key;
  }
  EXPECT_EQ(GetSettingInt("delete link"), 0);
}

TEST(SettingsStore, ValueNamesIgnoreCaseAndWritesFindTheStoredSpelling) {
  testsupport::TempHome home;
  WriteSettingInt("Save Method", 2);
  EXPECT_EQ(GetSettingInt("Save method"), 2);
  WriteSettingInt("SAVE METHOD", 1);
  EXPECT_EQ(GetSettingInt("save method"), 1);
  const std::string ini = testsupport::ReadFile(RegistryStoreFile());
  EXPECT_NE(ini.find("Save%20Method=1"), std::string::npos) << ini;
  EXPECT_EQ(ini.find("SAVE"), std::string::npos) << "one value, not two: " << ini;
}

TEST(SettingsStore, StringsComeBackByteForByte) {
  testsupport::TempHome home;
  const std::string values[] = {"p a$$ w0rd!\"'=;#[]\\", "caf\xc3\xa9",
                                std::string("\xff\xfe\x01z", 4), "", "  leading and trailing  "};
  for (const std::string& value : values) {
    WriteSettingString("pass", value);
    EXPECT_EQ(GetSettingString("pass"), value);
  }
}

TEST(SettingsStore, NoCacheAndPersistsAcrossReaders) {
  testsupport::TempHome home;
  WriteSettingString("user", "alice");
  // Another writer changes the file behind this process's back; the next read sees it.
  RegSetString(kSettingsKey, "USER", "bob");
  EXPECT_EQ(GetSettingString("user"), "bob");
}

TEST(SettingsStore, FileIsReadableByItsOwnerOnly) {
  testsupport::TempHome home;
  WriteSettingString("pass", "secret");
  struct stat st {};
  ASSERT_EQ(::stat(RegistryStoreFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(ShellFolders, FavoritesFolderComesFromTheShellValueElseHome) {
  testsupport::TempHome home;
  EXPECT_EQ(FavoritesFolder(), home.favorites());
  RegSetString(kUserShellFoldersKey, "Favorites", "/elsewhere/My Favs");
  EXPECT_EQ(FavoritesFolder(), "/elsewhere/My Favs");
}
