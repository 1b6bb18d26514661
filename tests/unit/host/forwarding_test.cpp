// Guarded forwarding: what reaches the delegate in which lifecycle state, the collector step
// after each forwarded event, and runtime exceptions that escape the application.
#include <unistd.h>

#include <gtest/gtest.h>

#include "recording_host.h"

namespace {

class ForwardingTest : public ::testing::Test {
 protected:
  HostFixtureState fixture;
  TestHost& host = fixture.host;
  RecordingDelegate& calls = *fixture.delegate;

  void SendEverything() {
    host.SuspendGame();
    host.ResumeGame();
    host.UpdateGame();
    host.RenderGame();
    host.KeyEvent(1, 65);
    host.MouseEvent(4, 0, 1, 2);
    host.TouchEvent(7, 3, 1, 2);
    host.MotionEvent(10, 0, 1, 2, 3);
    host.DiscardGraphics();
  }
};

TEST_F(ForwardingTest, NothingReachesTheDelegateBeforeStart) {
  SendEverything();
  EXPECT_TRUE(calls.calls.empty());
  EXPECT_EQ(host.collector_steps, 0);
  EXPECT_FALSE(host.Suspended());
}

TEST_F(ForwardingTest, StartsOnceAndEveryForwardedEventIsFollowedByOneCollectorStep) {
  host.StartGame();
  host.StartGame();
  SendEverything();
  EXPECT_EQ((std::vector<std::string>{"start", "gc", "suspend", "gc", "resume", "gc", "update",
                                      "gc", "render", "gc", "key 1 65", "gc", "mouse 4 0 1 2",
                                      "gc", "touch 7 3", "gc", "motion 10", "gc", "discard", "gc"}),
            calls.calls);
}

TEST_F(ForwardingTest, SuspendedGamesRenderAndTakeInputButNeverUpdate) {
  host.StartGame();
  host.SuspendGame();
  host.SuspendGame();  // already suspended: not forwarded again
  calls.calls.clear();
  host.UpdateGame();
  host.RenderGame();
  host.KeyEvent(2, 65);
  host.ResumeGame();
  host.ResumeGame();  // already running
  host.UpdateGame();
  EXPECT_EQ((std::vector<std::string>{"render", "gc", "key 2 65", "gc", "resume", "gc", "update",
                                      "gc"}),
            calls.calls);
}

TEST_F(ForwardingTest, NoDelegateMeansNoStart) {
  host.SetDelegate(nullptr);
  host.StartGame();
  EXPECT_FALSE(host.Started());
  host.KeyEvent(1, 65);
  EXPECT_EQ(host.collector_steps, 0);
}

class Thrown : public ThrowableObject {};

class ThrowingDelegate : public RecordingDelegate {
 public:
  void UpdateGame() override { throw static_cast<ThrowableObject*>(new Thrown); }
};

using ForwardingDeathTest = ForwardingTest;

TEST_F(ForwardingDeathTest, RuntimeExceptionEscapingTheApplicationIsReportedAndEndsWith255) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
      {
        dup2(STDERR_FILENO, STDOUT_FILENO);  // the report goes to standard output
        ThrowingDelegate* thrower = new ThrowingDelegate;
        host.SetDelegate(thrower);
        host.StartGame();
        host.UpdateGame();
        std::fprintf(stderr, "survived\n");
      },
      ::testing::ExitedWithCode(255), "Kestrel Runtime Error : Uncaught Kestrel Exception");
}

TEST(HostDateTest, FillsAsManyFieldsAsTheArrayHolds) {
  static bool lists_ready = (gc_init1(), true);
  (void)lists_ready;
  VelGame game;
  Array<int> date(9);
  for (int i = 0; i < 9; ++i) date[i] = -7;
  game.GetDate(date);
  EXPECT_GE(date[0], 2024);
  EXPECT_GE(date[1], 1);
  EXPECT_LE(date[1], 12);
  EXPECT_GE(date[2], 1);
  EXPECT_LE(date[2], 31);
  EXPECT_LE(date[3], 23);
  EXPECT_LE(date[5], 60);
  EXPECT_EQ(date[6], 0);
  EXPECT_EQ(date[7], -7);
  EXPECT_EQ(date[8], -7);

  Array<int> year(1);
  game.GetDate(year);
  EXPECT_EQ(year[0], date[0]);
  game.GetDate(Array<int>());  // nothing to fill, nothing written
}

}  // namespace
