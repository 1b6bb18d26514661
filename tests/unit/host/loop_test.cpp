// The host loop driven by the scripted window and the test clock.
#include <gtest/gtest.h>

#include "recording_host.h"

namespace {

const double kPeriod = 1.0 / 60;

class LoopTest : public ::testing::Test {
 protected:
  HostFixtureState fixture;
  TestHost& host = fixture.host;
  RecordingDelegate& calls = *fixture.delegate;
  fake_glfw::State& window = fake_glfw::state();

  // Opens the window, starts and renders once, then forgets those calls.
  void Begin(int rate) {
    host.BeginRun();
    host.SetUpdateRate(rate);
    calls.calls.clear();
  }
  int Count(const char* call) { return calls.count(call); }
};

TEST_F(LoopTest, RunOpensTheWindowStartsOnceAndRendersBeforeTheFirstPass) {
  fake_glfw::at_next_event_call([] { fake_glfw::state().window_open = false; });
  host.Run();
  EXPECT_EQ(window.opens, 1);
  EXPECT_EQ(window.width, 640);
  EXPECT_EQ(window.height, 480);
  EXPECT_EQ(window.mode, GLFW_WINDOW);
  EXPECT_EQ(window.title, "Zipkin in Direv");
  // The window closed at the first poll: the loop ended there.
  EXPECT_EQ(window.polls, 1);
  EXPECT_EQ((std::vector<std::string>{"start", "gc", "render", "gc"}), calls.calls);
}

TEST_F(LoopTest, SteadyRateSleepsForTheRemainingTimeThenUpdatesOncePerPeriod) {
  Begin(60);
  EXPECT_DOUBLE_EQ(host.NextUpdate(), kPeriod);
  window.time = 0.004;
  ASSERT_TRUE(host.RunPass());
  EXPECT_EQ(window.sleeps, 1);
  EXPECT_NEAR(window.slept, kPeriod - 0.004, 1e-12);
  EXPECT_EQ(Count("update"), 0);
  EXPECT_EQ(Count("render"), 0);  // sleeping passes do not render

  // From the due time on, passes alternate one update plus render and one exact sleep.
  window.time = host.NextUpdate();
  for (int i = 0; i < 2 * 60 * 2; ++i) ASSERT_TRUE(host.RunPass());
  EXPECT_EQ(Count("update"), 120);
  EXPECT_EQ(Count("render"), 120);
  EXPECT_NEAR(window.time, 121 * kPeriod, 1e-9);
  EXPECT_EQ(window.waits, 0);
}

TEST_F(LoopTest, StallOf100MsGivesFourUpdatesOneRenderAndRestartsFromNow) {
  Begin(60);
  window.time = kPeriod + 0.100;
  ASSERT_TRUE(host.RunPass());
  EXPECT_EQ(Count("update"), 4);
  EXPECT_EQ(Count("render"), 1);
  EXPECT_DOUBLE_EQ(host.NextUpdate(), window.time);
  // The order within the pass: four updates, then the render, each followed by a collector step.
  EXPECT_EQ((std::vector<std::string>{"update", "gc", "update", "gc", "update", "gc", "update",
                                      "gc", "render", "gc"}),
            calls.calls);

  // The next pass updates at once, from the restarted schedule, and then catches up.
  calls.calls.clear();
  ASSERT_TRUE(host.RunPass());
  EXPECT_EQ(Count("update"), 1);
  EXPECT_DOUBLE_EQ(host.NextUpdate(), window.time + kPeriod);
}

TEST_F(LoopTest, SlowUpdatesThatCatchUpStopBeforeTheFourth) {
  Begin(60);
  // 2.5 periods late: two updates leave the schedule still behind, the third catches up.
  window.time = kPeriod * 3.5;
  ASSERT_TRUE(host.RunPass());
  EXPECT_EQ(Count("update"), 3);
  EXPECT_EQ(Count("render"), 1);
  EXPECT_DOUBLE_EQ(host.NextUpdate(), kPeriod * 4);
}

TEST_F(LoopTest, RateSetToZeroDuringAnUpdateStopsUpdatingAndRenders) {
  Begin(60);
  calls.on_update = [this] { host.SetUpdateRate(0); };
  window.time = 1.0;
  ASSERT_TRUE(host.RunPass());
  EXPECT_EQ(Count("update"), 1);
  EXPECT_EQ(Count("render"), 1);
  ASSERT_TRUE(host.RunPass());
  EXPECT_EQ(Count("update"), 1);
  EXPECT_EQ(window.waits, 1);
}

TEST_F(LoopTest, RateZeroNeverUpdatesAndRendersOncePerEvent) {
  Begin(0);
  for (int i = 0; i < 5; ++i) {
    fake_glfw::at_next_event_call([] {});  // the poll
    fake_glfw::at_next_event_call([] { fake_glfw::mouse_move(3, 4); });  // the wait
  }
  window.time = 10;
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(host.RunPass());
  EXPECT_EQ(Count("update"), 0);
  EXPECT_EQ(Count("render"), 5);
  EXPECT_EQ(window.waits, 5);
  EXPECT_EQ(window.sleeps, 0);
}

TEST_F(LoopTest, IconifySuspendsOnceAndStopsRenderingUntilRestored) {
  Begin(60);
  window.iconified = true;
  window.active = false;
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(host.RunPass());
  EXPECT_EQ(Count("suspend"), 1);
  EXPECT_EQ(Count("render"), 0);
  EXPECT_EQ(Count("update"), 0);
  EXPECT_EQ(window.waits, 6);
  EXPECT_TRUE(host.Suspended());

  // Restored and focused: one resume, and the first update is due at once.
  window.iconified = false;
  window.active = true;
  window.time = 50.0;
  calls.calls.clear();
  ASSERT_TRUE(host.RunPass());
  EXPECT_EQ(Count("resume"), 1);
  EXPECT_EQ(Count("update"), 1);
  EXPECT_EQ(window.time, 50.0);  // without sleeping first
  EXPECT_FALSE(host.Suspended());
}

TEST_F(LoopTest, FocusLossSuspendsButStillRendersOncePerEvent) {
  Begin(60);
  window.active = false;
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(host.RunPass());
  EXPECT_EQ(Count("suspend"), 1);
  EXPECT_EQ(Count("render"), 4);
  EXPECT_EQ(Count("update"), 0);
  EXPECT_EQ(window.waits, 4);

  window.active = true;
  ASSERT_TRUE(host.RunPass());
  ASSERT_TRUE(host.RunPass());
  EXPECT_EQ(Count("resume"), 1);
}

TEST_F(LoopTest, MinimisingAfterLosingFocusAlsoStopsRendering) {
  Begin(60);
  window.active = false;
  ASSERT_TRUE(host.RunPass());
  window.iconified = true;
  calls.calls.clear();
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(host.RunPass());
  EXPECT_EQ(Count("render"), 0);
  EXPECT_EQ(Count("suspend"), 0);  // already suspended
  EXPECT_TRUE(host.Iconified());
}

TEST_F(LoopTest, CloseButtonDeliversTheCloseKeyAndKeepsTheWindowOpen) {
  Begin(0);
  fake_glfw::at_next_event_call([] { EXPECT_EQ(fake_glfw::close_request(), 0); });
  ASSERT_TRUE(host.RunPass());
  EXPECT_TRUE(window.window_open);
  std::vector<std::string> keys;
  for (const std::string& c : calls.calls)
    if (c.rfind("key", 0) == 0) keys.push_back(c);
  EXPECT_EQ((std::vector<std::string>{"key 1 432", "key 2 432"}), keys);

  // Only when the library reports the window gone does the loop end.
  fake_glfw::at_next_event_call([] { fake_glfw::state().window_open = false; });
  EXPECT_FALSE(host.RunPass());
}

TEST_F(LoopTest, ReopeningTheWindowReleasesHeldKeysAndCountsTheNewContext) {
  Begin(60);
  int seq = _glfwGraphicsSeq;
  window.keys['A'] = true;
  window.keys[GLFW_KEY_LSHIFT] = true;
  window.keys[GLFW_KEY_RALT] = true;  // translates to nothing, so no release
  window.keys[GLFW_KEY_F1] = true;
  host.SetGlfwWindow(1280, 1024, 8, 8, 8, 0, 0, 0, true);
  EXPECT_EQ((std::vector<std::string>{"key 2 65", "gc", "key 2 112", "gc", "key 2 16", "gc"}),
            calls.calls);
  EXPECT_EQ(_glfwGraphicsSeq, seq + 1);
  EXPECT_EQ(window.closes, 1);
  EXPECT_EQ(window.mode, GLFW_FULLSCREEN);
  EXPECT_EQ(window.title, "");  // fullscreen windows are neither titled nor moved
  EXPECT_EQ(window.pos_x, -1);
}

TEST_F(LoopTest, WindowedModeIsCentredWithRepeatsOnAndNoAutomaticPolling) {
  window.desktop = GLFWvidmode{1921, 1081, 8, 8, 8};
  host.SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
  EXPECT_EQ(window.pos_x, (1921 - 640) / 2);
  EXPECT_EQ(window.pos_y, (1081 - 480) / 2);
  EXPECT_EQ(window.no_resize_hint, 0);
  EXPECT_TRUE(window.key_repeat);
  EXPECT_FALSE(window.auto_poll);
  EXPECT_EQ((std::vector<int>{8, 8, 8, 0, 0, 0}), std::vector<int>(window.bits, window.bits + 6));
  EXPECT_NE(window.key_callback, nullptr);
  EXPECT_NE(window.char_callback, nullptr);
  EXPECT_NE(window.mouse_button_callback, nullptr);
  EXPECT_NE(window.mouse_pos_callback, nullptr);
  EXPECT_NE(window.close_callback, nullptr);
}

TEST_F(LoopTest, ClockAndVideoModes) {
  window.time = 1.2349;
  EXPECT_EQ(host.Millisecs(), 1234);
  // Past the 32-bit range the count wraps instead of overflowing.
  window.time = 4294967.296 + 0.0015;
  EXPECT_EQ(host.Millisecs(), 1);

  window.desktop = GLFWvidmode{1600, 900, 8, 5, 6};  // blue 5 before green 6
  VelGlfwVideoMode* desktop = host.GetGlfwDesktopMode();
  EXPECT_EQ(desktop->width, 1600);
  EXPECT_EQ(desktop->green, 6);
  EXPECT_EQ(desktop->blue, 5);

  EXPECT_EQ(host.GetGlfwVideoModes().Length(), 0);
  for (int i = 0; i < 1500; ++i) window.modes.push_back(GLFWvidmode{i, i + 1, 5, 4, 6});
  Array<VelGlfwVideoMode*> modes = host.GetGlfwVideoModes();
  ASSERT_EQ(modes.Length(), 1024);
  EXPECT_EQ(modes[1023]->width, 1023);
  EXPECT_EQ(modes[1023]->height, 1024);
  EXPECT_EQ(modes[0]->red, 5);
  EXPECT_EQ(modes[0]->green, 6);
  EXPECT_EQ(modes[0]->blue, 4);
}

}  // namespace
