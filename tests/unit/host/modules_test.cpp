// The random, math, application and async-event modules, the gamepad mapping and process
// start-up (each start-up case in a child process, since it installs the one host).
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "audio/audio_module.h"
#include "fakes/glfw/fake_glfw.h"
#include "graphics/graphics_module.h"
#include "host/app.h"
#include "host/asyncevent.h"
#include "host/gamepad.h"
#include "host/program.h"
#include "host/random.h"
#include "host/vel_glfw_game.h"
#include "runtime/debug.h"
#include "runtime/gc.h"

namespace {

void InitLists() {
  static bool ready = (gc_init1(), true);
  (void)ready;
}

TEST(RandomTest, DrawsFollowTheLinearCongruentialSequenceFromSeed1234) {
  vel_random_Seed = 1234;
  uint64_t seed = 1234;
  for (int i = 0; i < 1000; ++i) {
    seed = (seed * 1664525 + 1013904223) % 4294967296ull;
    float r = vel_random_Rnd();
    ASSERT_EQ(static_cast<uint32_t>(vel_random_Seed), seed) << "draw " << i;
    ASSERT_EQ(r, static_cast<float>(static_cast<double>(seed >> 8) / 16777216.0)) << "draw " << i;
    ASSERT_GE(r, 0.0f);
    ASSERT_LT(r, 1.0f);
  }
  vel_random_Seed = 1234;
  EXPECT_EQ(vel_random_Rnd(), static_cast<float>(((1234ull * 1664525 + 1013904223) >> 8) / 16777216.0));

  // The other draws use the same sequence.
  vel_random_Seed = 99;
  float r = vel_random_Rnd();
  vel_random_Seed = 99;
  EXPECT_EQ(vel_random_Rnd2(10, 20), 10 + 10 * r);
  vel_random_Seed = 99;
  EXPECT_EQ(vel_random_Rnd3(8), r * 8);
  vel_random_Seed = 99;
  EXPECT_EQ(vel_random_Rnd2(5, -5), 5 - 10 * r);

  // A seed whose top bit is set: the shift is unsigned.
  vel_random_Seed = -1;
  EXPECT_LT(vel_random_Rnd(), 1.0f);
}

TEST(MathTest, AbsAndMax) {
  EXPECT_EQ(vel_math_Abs(-5), 5);
  EXPECT_EQ(vel_math_Abs(7), 7);
  EXPECT_EQ(vel_math_Abs(-2147483647 - 1), -2147483647 - 1);  // no overflow trap
  EXPECT_EQ(vel_math_Abs2(-2.5f), 2.5f);
  EXPECT_EQ(vel_math_Max(3, 9), 9);
  EXPECT_EQ(vel_math_Max(-3, -9), -3);
  EXPECT_EQ(vel_math_Max2(1.5f, -1.5f), 1.5f);
  // Equal arguments give the first: visible with the two zeros.
  EXPECT_FALSE(std::signbit(vel_math_Max2(0.0f, -0.0f)));
  EXPECT_TRUE(std::signbit(vel_math_Max2(-0.0f, 0.0f)));
}

TEST(GamepadTest, StandardLayoutBecomesOurNumbering) {
  // Standard order: A B X Y LB RB back start guide lstick rstick up right down left.
  unsigned char in[kPadButtons] = {};
  float axes[kPadAxes] = {0.25f, 0.5f, -0.75f, -1.0f, -1.0f, 1.0f};
  unsigned char out[kPadButtons];
  float out_axes[kPadAxes];
  const int kOurs[kPadButtons] = {0, 1, 2, 3, 4, 5, 6, 7, 14, 12, 13, 9, 10, 11, 8};
  for (int i = 0; i < kPadButtons; ++i) {
    for (int j = 0; j < kPadButtons; ++j) in[j] = j == i;
    MapGamepad(in, axes, out, out_axes);
    for (int j = 0; j < kPadButtons; ++j) EXPECT_EQ(out[j], j == kOurs[i]) << i << " " << j;
  }
  // Sticks with up positive; triggers from 0 released to 1 pressed.
  EXPECT_EQ((std::vector<float>(out_axes, out_axes + kPadAxes)),
            (std::vector<float>{0.25f, -0.5f, 0.0f, -0.75f, 1.0f, 1.0f}));
}

class AppTest : public ::testing::Test {
 protected:
  VelGlfwGame host;
  void SetUp() override {
    InitLists();
    fake_glfw::reset();
    VelGame::_game = &host;
    vel_app_InitGlobals();
  }
  void TearDown() override { VelGame::_game = nullptr; }
};

TEST_F(AppTest, ApplicationRegistersItselfAndItsDelegateWithTheHost) {
  c_App* app = (new c_App)->m_new();
  EXPECT_EQ(vel_app__app, app);
  ASSERT_NE(vel_app__delegate, nullptr);
  EXPECT_EQ(host.Delegate(), reinterpret_cast<VelGameDelegate*>(vel_app__delegate));

  fake_glfw::state().time = 2.0;
  vel_app_SetUpdateRate(30);
  EXPECT_EQ(vel_app__updateRate, 30);
  EXPECT_EQ(host.UpdateRate(), 30);
  EXPECT_EQ(vel_app_Millisecs(), 2000);
}

using AppDeathTest = AppTest;

TEST_F(AppDeathTest, SecondApplicationAndEndApp) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  (new c_App)->m_new();
  EXPECT_EXIT(
      {
        dup2(STDERR_FILENO, STDOUT_FILENO);
        (new c_App)->m_new();
      },
      ::testing::ExitedWithCode(255), "Kestrel Runtime Error : App has already been created");
  EXPECT_EXIT(vel_app_EndApp(), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(vel_app__app->p_OnBack(), ::testing::ExitedWithCode(0), "");
}

// A source that counts its calls and can remove itself (or another) while called.
class Source : public Object, public c_IAsyncEventSource {
 public:
  int calls = 0;
  Source* remove = nullptr;
  int p_UpdateAsyncEvents() override {
    ++calls;
    if (remove) vel_asyncevent_RemoveAsyncEventSource(remove);
    return 0;
  }
};

TEST(AsyncEventTest, EachSourceOncePerPassAndSelfRemovalSkipsNobody) {
  InitLists();
  vel_asyncevent_InitGlobals();
  EXPECT_EQ(vel_asyncevent__sources->p_Length(), 0);
  EXPECT_EQ(vel_asyncevent_UpdateAsyncEvents(), 0);

  Source* a = new Source;
  Source* b = new Source;
  Source* c = new Source;
  for (Source* s : {a, b, c}) vel_asyncevent_AddAsyncEventSource(s);
  b->remove = b;
  vel_asyncevent_UpdateAsyncEvents();
  EXPECT_EQ(a->calls, 1);
  EXPECT_EQ(b->calls, 1);
  EXPECT_EQ(c->calls, 1);  // took b's index and was still called
  EXPECT_EQ(vel_asyncevent__sources->p_Length(), 2);
  EXPECT_EQ(vel_asyncevent__current, nullptr);

  // A pass already running is not entered again.
  vel_asyncevent__current = a;
  vel_asyncevent_UpdateAsyncEvents();
  EXPECT_EQ(a->calls, 1);
  vel_asyncevent__current = nullptr;
  for (Source* s : {a, c}) vel_asyncevent_RemoveAsyncEventSource(s);
}

// Start-up. velInit and velMain here record their order and create a probing application.

std::string g_trace;
bool g_make_app = true;
bool g_throw_in_main = false;

class Thrown : public ThrowableObject {};

class StartupApp : public c_App {
 public:
  int p_OnCreate() override {
    g_trace += "create;";
    vel_app_SetUpdateRate(60);
    return 0;
  }
  int p_OnUpdate() override {
    g_trace += "update;";
    return 0;
  }
};

}  // namespace

int velInit() {
  g_trace += "init;";
  vel_app_InitGlobals();
  vel_graphics_Init();
  vel_audio_InitGlobals();
  vel_asyncevent_InitGlobals();
  return 0;
}

int velMain() {
  g_trace += "main;";
  if (g_throw_in_main) throw static_cast<ThrowableObject*>(new Thrown);
  if (g_make_app) (new StartupApp)->m_new();
  return 0;
}

namespace {

const char* kArgs[] = {"zipkin", "--ignored", nullptr};

class StartupDeathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    fake_glfw::reset();
  }
};

TEST_F(StartupDeathTest, MainStartsEverythingInOrderRunsTheLoopAndTerminates) {
  EXPECT_EXIT(
      {
        fake_glfw::State& window = fake_glfw::state();
        // One pass at 60 Hz runs an update (the clock is moved there), then the window goes.
        fake_glfw::at_next_event_call([] { fake_glfw::state().time = 1.0 / 60; });
        fake_glfw::at_next_event_call([] { fake_glfw::state().window_open = false; });
        VelKestrelGame::Main(2, kArgs);
        struct sigaction segv;
        sigaction(SIGSEGV, nullptr, &segv);
        bool ok = g_trace == "init;main;create;update;" && window.terminates == 1 &&
                  window.opens == 1 && argc == 2 && argv == kArgs &&
                  VelGame::_game == VelGlfwGame::_glfwGame && VelGame::_game &&
                  segv.sa_handler == sighandler;
        std::fprintf(stderr, "trace %s terminates %d opens %d argc %d game %p\n", g_trace.c_str(), window.terminates, window.opens, argc, (void*)VelGame::_game);
        std::exit(ok ? 42 : 1);
      },
      ::testing::ExitedWithCode(42), "trace");
}

TEST_F(StartupDeathTest, WithoutAnApplicationTheLoopIsNeverEntered) {
  EXPECT_EXIT(
      {
        g_make_app = false;
        VelKestrelGame::Main(1, kArgs);
        std::exit(fake_glfw::state().opens == 0 && fake_glfw::state().terminates == 1 ? 42 : 1);
      },
      ::testing::ExitedWithCode(42), "");
}

TEST_F(StartupDeathTest, FailuresEndTheProcessWithStatus255) {
  EXPECT_EXIT(
      {
        dup2(STDERR_FILENO, STDOUT_FILENO);
        fake_glfw::state().init_result = false;
        VelKestrelGame::Main(1, kArgs);
      },
      ::testing::ExitedWithCode(255), "glfwInit failed");
  EXPECT_EXIT(
      {
        dup2(STDERR_FILENO, STDOUT_FILENO);
        g_throw_in_main = true;
        VelKestrelGame::Main(1, kArgs);
      },
      ::testing::ExitedWithCode(255), "Uncaught Kestrel Exception");
}

}  // namespace
