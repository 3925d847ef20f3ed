// One window per user: a second start finds the first by the lock and the socket in the state
// folder and hands its request over.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <filesystem>

#include "app/SingleInstance.h"
#include "tests/support/TempDir.h"

TEST(SingleInstance, ALaterStartHandsItsRequestToTheFirst) {
  testsupport::TempDir state;
  const std::string folder = state / "deep/Quillmere";
  SingleInstance first(folder);
  ASSERT_TRUE(first.IsFirst());
  struct stat st {};
  ASSERT_EQ(::stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u) << "the state folder is the user's own";
  QSignalSpy requests(&first, &SingleInstance::requested);
  {
    SingleInstance second(folder);
    EXPECT_FALSE(second.IsFirst());
    EXPECT_TRUE(second.Forward(SingleInstance::kShowHelp));
    EXPECT_TRUE(second.Forward("rm -rf"));  // delivered, but not a request the first knows
    EXPECT_TRUE(second.Forward(SingleInstance::kShow));
  }
  for (int i = 0; i < 200 && requests.count() < 2; ++i) requests.wait(10);
  ASSERT_EQ(requests.count(), 2);
  EXPECT_EQ(requests[0][0].toByteArray(), SingleInstance::kShowHelp);
  EXPECT_EQ(requests[1][0].toByteArray(), SingleInstance::kShow);
}

TEST(SingleInstance, ALockLeftByAProgramThatEndedIsTakenOver) {
  testsupport::TempDir state;
  {
    SingleInstance earlier(state.path());
    ASSERT_TRUE(earlier.IsFirst());
  }
  // A socket file left behind (a program that was killed) does not stand in the way.
  SingleInstance next(state.path());
  EXPECT_TRUE(next.IsFirst());
  EXPECT_TRUE(std::filesystem::exists(state / "instance.socket"));
  SingleInstance another(state.path());
  EXPECT_FALSE(another.IsFirst());
  EXPECT_TRUE(another.Forward(SingleInstance::kShow));
}
