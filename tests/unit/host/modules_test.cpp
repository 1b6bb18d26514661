// The random and math modules, the gamepad mapping and process start-up (each start-up case
// in a child process, since it installs the one host).
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

using Ints = std::vector<int>;

TEST(RandomTest, DrawsFollowTheLinearCongruentialSequenceFromSeed1234) {
  vel_random_Seed = 1234;
  uint64_t seed = 1234;
  for (int i = 0; i < 1000; ++i) {  // the seed's top bit is set on some draws: shifts are unsigned
    seed = (seed * 1664525 + 1013904223) % 4294967296ull;
    const float r = vel_random_Rnd();
    ASSERT_EQ(static_cast<uint32_t>(vel_random_Seed), seed) << "draw " << i;
    ASSERT_EQ(r, static_cast<float>(static_cast<double>(seed >> 8) / 16777216.0)) << "draw " << i;
  }
  // The other draws scale one draw of the same sequence.
  vel_random_Seed = 99;
  const float r = vel_random_Rnd();
  vel_random_Seed = 99;
  EXPECT_EQ(vel_random_Rnd2(5, -5), 5 - 10 * r);
  vel_random_Seed = 99;
  EXPECT_EQ(vel_random_Rnd3(8), r * 8);
}

TEST(MathTest, AbsAndMax) {
  EXPECT_EQ((Ints{vel_math_Abs(-5), vel_math_Abs(-2147483647 - 1), vel_math_Max(-3, -9)}),
            (Ints{5, -2147483647 - 1, -3}));  // the smallest int stays itself, without a trap
  EXPECT_EQ(vel_math_Abs2(-2.5f), 2.5f);
  // Equal arguments give the first: visible with the two zeros.
  EXPECT_FALSE(std::signbit(vel_math_Max2(0.0f, -0.0f)));
  EXPECT_TRUE(std::signbit(vel_math_Max2(-0.0f, 0.0f)));
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
  EXPECT_EQ((std::vector<float>(out_axes, out_axes + kPadAxes)),
            (std::vector<float>{0.25f, -0.5f, 0.0f, -0.75f, 1.0f, 1.0f}));
}

// Sources that want a call once per update; one may remove itself (or another) while called.
struct Source : Object, c_IAsyncEventSource {
  std::string* log;
  char name;
  Source* removes = nullptr;
  Source(std::string* l, char n) : log(l), name(n) {}
  int p_UpdateAsyncEvents() override {
    *log += name;
    if (removes) vel_asyncevent_RemoveAsyncEventSource(removes);
    if (name == 'r') vel_asyncevent_UpdateAsyncEvents();  // a pass inside a pass does nothing
    return 0;
  }
};

TEST(LoopTest, AsyncEventSourcesAreCalledOncePerPassAndMayRemoveThemselves) {
  gc_init1();
  vel_asyncevent_InitGlobals();
  std::string log;
  Source *a = new Source(&log, 'a'), *b = new Source(&log, 'b'), *r = new Source(&log, 'r');
  for (Source* s : {a, b, r}) vel_asyncevent_AddAsyncEventSource(s);
  b->removes = b;
  vel_asyncevent_UpdateAsyncEvents();
  vel_asyncevent_UpdateAsyncEvents();
  EXPECT_EQ(log, "abrar");  // b went during its own call, and r was still called after it
  vel_asyncevent_RemoveAsyncEventSource(a);
  vel_asyncevent_UpdateAsyncEvents();
  EXPECT_EQ(log, "abrarr");
}

// Start-up. velInit and velMain here record their order; velMain creates an application that
// records its create and update, none, or throws.

std::string g_trace;
enum { kApp, kNoApp, kThrow } g_main = kApp;

class Thrown : public ThrowableObject {};

class StartupApp : public c_App {
 public:
  int p_OnCreate() override { g_trace += "create;"; return vel_app_SetUpdateRate(60); }
  int p_OnUpdate() override { g_trace += "update;"; return 0; }
};

}  // namespace

int velInit() {
  g_trace += "init;";
  vel_app_InitGlobals();
  vel_graphics_Init();
  vel_audio_InitGlobals();
  return 0;
}

int velMain() {
  g_trace += "main;";
  if (g_main == kThrow) throw static_cast<ThrowableObject*>(new Thrown);
  if (g_main == kApp) (new StartupApp)->m_new();
  return 0;
}

namespace {

const char* kArgs[] = {"zipkin", "--ignored", nullptr};

TEST(StartupDeathTest, MainStartsEverythingInOrderRunsTheLoopAndTerminates) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  fake_glfw::reset();
  fake_glfw::State& window = fake_glfw::state();
  EXPECT_EXIT(
      {
        // One pass at 60 Hz runs an update (the clock is moved there), then the window goes.
        fake_glfw::at_next_event_call([] { fake_glfw::state().time = 1.0 / 60; });
        fake_glfw::at_next_event_call([] { fake_glfw::state().window_open = false; });
        VelKestrelGame::Main(2, kArgs);
        struct sigaction segv;
        sigaction(SIGSEGV, nullptr, &segv);
        std::fprintf(stderr, "trace %s terminates %d opens %d\n", g_trace.c_str(),
                     window.terminates, window.opens);
        bool ok = g_trace == "init;main;create;update;" && window.terminates == 1 &&
                  window.opens == 1 && argc == 2 && argv == kArgs && VelGame::_game &&
                  VelGame::_game == VelGlfwGame::_glfwGame && segv.sa_handler == sighandler;
        std::exit(ok ? 42 : 1);
      },
      ::testing::ExitedWithCode(42), "trace");

  // Without an application the window never opens and the process ends normally.
  g_main = kNoApp;
  auto main_then_exit = [&] {
    dup2(STDERR_FILENO, STDOUT_FILENO);  // reports go to standard output
    VelKestrelGame::Main(1, kArgs);
    std::exit(window.opens == 0 && window.terminates == 1 ? 42 : 1);
  };
  EXPECT_EXIT(main_then_exit(), ::testing::ExitedWithCode(42), "");

  // Failures end the process with status 255 and a report.
  g_main = kThrow;
  EXPECT_EXIT(main_then_exit(), ::testing::ExitedWithCode(255), "Uncaught Kestrel Exception");
  window.init_result = false;
  EXPECT_EXIT(main_then_exit(), ::testing::ExitedWithCode(255), "glfwInit failed");
}

}  // namespace
