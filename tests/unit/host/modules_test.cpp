// The random, math and async-event modules, the gamepad mapping and process start-up (each
// start-up case in a child process, since it installs the one host).
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "audio/audio_module.h"
#include "fakes/glfw/fake_glfw.h"
#include "graphics/graphics_module.h"
#include "host/app.h"
#include "host/asyncevent.h"
#include "host/program.h"
#include "host/random.h"
#include "host/vel_glfw_game.h"
#include "platform/gamepad.h"
#include "runtime/debug.h"

namespace {

TEST(RandomTest, DrawsFollowTheLinearCongruentialSequenceAndScaleOneDraw) {
  vel_random_Seed = 1234;
  for (uint64_t i = 0, seed = 1234; i < 1000; ++i) {  // the top bit is set on some draws: shifts are unsigned
    seed = (seed * 1664525 + 1013904223) % 4294967296ull;
    ASSERT_EQ(vel_random_Rnd(), static_cast<float>(static_cast<double>(seed >> 8) / 16777216.0)) << i;
  }
  const int seed = vel_random_Seed;
  const float r = vel_random_Rnd();
  vel_random_Seed = seed;
  EXPECT_EQ(vel_random_Rnd2(5, -5), 5 - 10 * r);
}

TEST(MathTest, AbsAndMax) {
  // The smallest int stays itself, without a trap; equal arguments give the first (seen with zeros).
  EXPECT_EQ((std::vector<int>{vel_math_Abs(-5), vel_math_Abs(-2147483647 - 1), vel_math_Max(-3, -9)}),
            (std::vector<int>{5, -2147483647 - 1, -3}));
  EXPECT_EQ(vel_math_Abs2(-2.5f), 2.5f);
  EXPECT_TRUE(!std::signbit(vel_math_Max2(0.0f, -0.0f)) && std::signbit(vel_math_Max2(-0.0f, 0.0f)));
}

TEST(GamepadTest, StandardLayoutBecomesOurNumbering) {
  // Standard order: A B X Y LB RB back start guide lstick rstick up right down left.
  const int kOurs[kPadButtons] = {0, 1, 2, 3, 4, 5, 6, 7, 14, 12, 13, 9, 10, 11, 8};
  const float axes[kPadAxes] = {0.25f, 0.5f, -0.75f, -1.0f, -1.0f, 1.0f};
  unsigned char in[kPadButtons], out[kPadButtons];
  float out_axes[kPadAxes];
  for (int i = 0; i < kPadButtons; ++i) {
    for (int j = 0; j < kPadButtons; ++j) in[j] = j == i;
    MapGamepad(in, axes, out, out_axes);
    for (int j = 0; j < kPadButtons; ++j) EXPECT_EQ(out[j], j == kOurs[i]) << i << " " << j;
  }
  // Sticks with up positive; triggers from 0 released to 1 pressed.
  EXPECT_EQ((std::vector<float>(out_axes, out_axes + kPadAxes)), (std::vector<float>{0.25f, -0.5f, 0, -0.75f, 1, 1}));
}

// Sources that want a call once per update; one removes itself while it is called.
struct Source : Object, c_IAsyncEventSource {
  std::string* log;
  char name;
  Source(std::string* l, char n) : log(l), name(n) {}
  int p_UpdateAsyncEvents() override {
    *log += name;
    if (name == 'b') vel_asyncevent_RemoveAsyncEventSource(this);
    if (name == 'r') vel_asyncevent_UpdateAsyncEvents();  // a pass inside a pass does nothing
    return 0;
  }
};

TEST(LoopTest, AsyncEventSourcesAreCalledOncePerPassAndMayRemoveThemselves) {
  gc_init1();
  vel_asyncevent_InitGlobals();
  std::string log;
  Source* a = new Source(&log, 'a');
  for (Source* s : {a, new Source(&log, 'b'), new Source(&log, 'r')}) vel_asyncevent_AddAsyncEventSource(s);
  for (int pass = 0; pass < 2; ++pass) vel_asyncevent_UpdateAsyncEvents();
  vel_asyncevent_RemoveAsyncEventSource(a);
  vel_asyncevent_UpdateAsyncEvents();
  EXPECT_EQ(log, "abr" "ar" "r");  // r, the next source, was still called after b went
}

// Start-up: velInit and velMain record their order; velMain creates an application that records
// its create and update, none, or throws.
std::string g_trace;
enum { kApp, kNoApp, kThrow } g_main = kApp;

class Thrown : public ThrowableObject {};

class StartupApp : public c_App {
 public:
  int p_OnCreate() override { return g_trace += "create;", vel_app_SetUpdateRate(60); }
  int p_OnUpdate() override { return g_trace += "update;", 0; }
};

}  // namespace

int velInit() {
  g_trace += "init;";
  return vel_app_InitGlobals(), vel_graphics_Init(), vel_audio_InitGlobals(), 0;
}

int velMain() {
  g_trace += "main;";
  if (g_main == kThrow) throw static_cast<ThrowableObject*>(new Thrown);
  if (g_main == kApp) (new StartupApp)->m_new();
  return 0;
}

namespace {

TEST(StartupDeathTest, MainStartsEverythingInOrderRunsTheLoopAndTerminates) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  static const char* kArgs[] = {"zipkin", "--ignored", nullptr};
  fake_glfw::reset();
  fake_glfw::State& window = fake_glfw::state();
  auto main_then_exit = [&](int want) {
    dup2(STDERR_FILENO, STDOUT_FILENO);  // reports go to standard output
    // One pass at 60 Hz runs an update (the clock is moved there), then the window goes.
    fake_glfw::at_next_event_call([] { fake_glfw::state().time = 1.0 / 60; });
    fake_glfw::at_next_event_call([] { fake_glfw::state().window_open = false; });
    VelKestrelGame::Main(2, kArgs);
    struct sigaction segv;
    sigaction(SIGSEGV, nullptr, &segv);
    std::fprintf(stderr, "trace %s opens %d\n", g_trace.c_str(), window.opens);
    std::exit(window.opens == want && window.terminates == 1 && argc == 2 && argv == kArgs &&
                      VelGame::_game && VelGame::_game == VelGlfwGame::_glfwGame && segv.sa_handler == sighandler ? 42 : 1);
  };
  EXPECT_EXIT(main_then_exit(1), ::testing::ExitedWithCode(42), "trace init;main;create;update; opens 1");
  g_main = kNoApp;  // without an application the window never opens and the process ends normally
  EXPECT_EXIT(main_then_exit(0), ::testing::ExitedWithCode(42), "trace init;main; opens 0");
  // Failures end the process with status 255 and a report.
  g_main = kThrow;
  EXPECT_EXIT(main_then_exit(0), ::testing::ExitedWithCode(255), "Uncaught Kestrel Exception");
  window.init_result = false;
  EXPECT_EXIT(main_then_exit(0), ::testing::ExitedWithCode(255), "glfwInit failed");
}

}  // namespace
