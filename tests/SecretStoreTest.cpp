// The password in the desktop's secret store: a real gnome-keyring-daemon on a D-Bus session bus
// of the test's own (scripts/secret-service.sh), through the settings the window and quillmere
// read, and through the real quillmere.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "commands/Settings.h"
#include "platform/SecretStore.h"
#include "platform/SettingsStore.h"
#include "tests/support/CommandOutput.h"
#include "tests/support/TempDir.h"

namespace {

const std::string kScript = std::string(QUILLMERE_SCRIPTS) + "/secret-service.sh";

using testsupport::CommandOutput;

// The service for the life of the test program; the process talks to it from the first call on.
class SecretService : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("QUILLMERE_SERVERS_OWNER", std::to_string(::getpid()).c_str(), 1);
    std::string address = CommandOutput("bash '" + kScript + "' start '" + m_dir.path() + "'");
    while (!address.empty() && address.back() == '\n') address.pop_back();
    if (address.empty()) {
      // A failed set-up would only skip the tests: this is a failure.
      std::fprintf(stderr, "the secret service did not start (logs in %s)\n", m_dir.path().c_str());
      std::exit(1);
    }
    ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  }
  void TearDown() override {
    std::system(("bash '" + kScript + "' stop '" + m_dir.path() + "'").c_str());
  }

 private:
  testsupport::TempDir m_dir;
};

// What the settings file itself holds for the password.
std::string InFile() {
  return platform::GetSettingString(keys::kPass.name);
}

}  // namespace

TEST(SecretStore, KeepsEachSecretWholeAndApartPerSettingsFile) {
  testsupport::TempHome home;
  const std::string odd = "p\xC3\xA4ss w\xC3\xB6rd \"';\\ \t!";
  ASSERT_TRUE(platform::StoreSecret("pass", odd));
  platform::SecretLookup found = platform::LookupSecret("pass");
  EXPECT_TRUE(found.available);
  EXPECT_TRUE(found.found);
  EXPECT_EQ(found.value, odd);
  ASSERT_TRUE(platform::StoreSecret("pass", "second"));
  EXPECT_EQ(platform::LookupSecret("pass").value, "second") << "replaced, not added";
  {
    testsupport::TempHome other;  // another settings file: a secret of its own
    found = platform::LookupSecret("pass");
    EXPECT_TRUE(found.available);
    EXPECT_FALSE(found.found);
  }
  EXPECT_TRUE(platform::ClearSecret("pass"));
  EXPECT_FALSE(platform::LookupSecret("pass").found);
}

TEST(SecretStore, ThePasswordGoesToTheStoreAndOneLeftInTheFileMovesThereAtTheNextWrite) {
  testsupport::TempHome home;
  WriteSetting(keys::kPass, "s3cret");
  EXPECT_EQ(InFile(), "");
  EXPECT_EQ(platform::LookupSecret("pass").value, "s3cret");
  EXPECT_EQ(ReadSetting(keys::kPass), "s3cret");
  EXPECT_EQ(ReadTransferSettings().pass, "s3cret");

  // A file from before (or from a machine without a store) holds the password: it is read from
  // there, and the next write (the settings sheet's OK writes it always) moves it.
  platform::WriteSettingString("pass", "from the file");
  EXPECT_EQ(ReadSetting(keys::kPass), "from the file");
  WriteSetting(keys::kPass, ReadSetting(keys::kPass));
  EXPECT_EQ(InFile(), "");
  EXPECT_EQ(ReadSetting(keys::kPass), "from the file");
  EXPECT_EQ(platform::LookupSecret("pass").value, "from the file");
  // Other settings stay in the file.
  WriteSetting(keys::kUser, "ann");
  EXPECT_EQ(platform::GetSettingString("user"), "ann");
  EXPECT_FALSE(platform::LookupSecret("user").found);
}

TEST(SecretStore, TheCommandLineReadsAndWritesTheSamePassword) {
  testsupport::TempHome home;
  const std::string cli = "'" QUILLMERE_CLI "' ";
  EXPECT_EQ(std::system((cli + "set pass 'typed there' </dev/null").c_str()), 0);
  EXPECT_EQ(InFile(), "");
  EXPECT_EQ(ReadSetting(keys::kPass), "typed there");
  WriteSetting(keys::kPass, "typed here");
  EXPECT_EQ(CommandOutput(cli + "get pass </dev/null 2>&1"), "typed here\n");
  // Without a session bus the file keeps it, as before.
  EXPECT_EQ(std::system(("DBUS_SESSION_BUS_ADDRESS= " + cli + "set pass plain </dev/null").c_str()),
            0);
  EXPECT_EQ(InFile(), "plain");
}

// Locks the collection for the rest of the program (ctest runs each test in a process of its own).
TEST(SecretStore, ALockedCollectionLeavesThePasswordInTheFile) {
  testsupport::TempHome home;
  WriteSetting(keys::kPass, "before");
  ASSERT_EQ(InFile(), "");
  ASSERT_EQ(std::system("dbus-send --session --print-reply --dest=org.freedesktop.secrets "
                        "/org/freedesktop/secrets org.freedesktop.Secret.Service.Lock "
                        "array:objpath:/org/freedesktop/secrets/collection/login >/dev/null"),
            0);
  EXPECT_FALSE(platform::LookupSecret("pass").available);
  WriteSetting(keys::kPass, "after");
  EXPECT_EQ(InFile(), "after");
  EXPECT_EQ(ReadSetting(keys::kPass), "after");
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new SecretService);  // gtest owns and frees it
  return RUN_ALL_TESTS();
}
