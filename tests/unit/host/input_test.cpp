// Input from the window library's callbacks through the host and the application delegate
// into the input device, read through the input module during an update.
#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

#include "audio/audio_module.h"
#include "graphics/graphics_module.h"
#include "host/app.h"
#include "host/asyncevent.h"
#include "host/game_delegate.h"
#include "host/input.h"
#include "recording_host.h"

namespace {

class ProbeApp : public c_App {
 public:
  std::function<void()> on_update;
  int creates = 0;
  int p_OnCreate() override {
    ++creates;
    return 0;
  }
  int p_OnUpdate() override {
    if (on_update) on_update();
    return 0;
  }
};

class InputTest : public ::testing::Test {
 protected:
  HostFixtureState fixture;
  TestHost& host = fixture.host;
  ProbeApp* app = nullptr;

  void SetUp() override {
    vel_app_InitGlobals();
    vel_graphics_Init();
    vel_audio_InitGlobals();
    vel_input_InitGlobals();
    vel_asyncevent_InitGlobals();
    app = new ProbeApp;
    app->m_new();
    host.BeginRun();  // opens the scripted window, registers the callbacks, starts the game
  }

  // One update; `probe` runs inside it, where this update's hits and characters are visible.
  void Update(std::function<void()> probe = nullptr) {
    app->on_update = std::move(probe);
    host.UpdateGame();
    app->on_update = nullptr;
  }
  std::vector<int> Chars() {
    std::vector<int> chars;
    Update([&] {
      while (int c = vel_input_GetChar()) chars.push_back(c);
    });
    return chars;
  }
};

TEST_F(InputTest, StartCreatesTheInputDeviceBeforeTheApplicationsCreate) {
  EXPECT_EQ(app->creates, 1);
  ASSERT_NE(vel_input_device, nullptr);
  EXPECT_EQ(static_cast<c_GameDelegate*>(host.Delegate())->m__input, vel_input_device);
  EXPECT_EQ(vel_input_device->m_JoyStates.Length(), 4);
}

TEST_F(InputTest, PressAndReleaseBetweenUpdatesIsOneHitAndNotHeld) {
  fake_glfw::key('A', GLFW_PRESS);
  fake_glfw::key('A', GLFW_RELEASE);
  int hits = -1, down = -1;
  Update([&] {
    hits = vel_input_KeyHit(65);
    down = vel_input_KeyDown(65);
  });
  EXPECT_EQ(hits, 1);
  EXPECT_EQ(down, 0);
  Update([&] { hits = vel_input_KeyHit(65); });
  EXPECT_EQ(hits, 0);

  // A held key (also repeated by the library) counts once and stays held.
  fake_glfw::key(GLFW_KEY_SPACE, GLFW_PRESS);
  fake_glfw::key(GLFW_KEY_SPACE, GLFW_PRESS);
  Update([&] { hits = vel_input_KeyHit(32); });
  EXPECT_EQ(hits, 1);
  Update([&] {
    hits = vel_input_KeyHit(32);
    down = vel_input_KeyDown(32);
  });
  EXPECT_EQ(hits, 0);
  EXPECT_EQ(down, 1);
}

TEST_F(InputTest, MouseButtonOneAndTouchZeroAreOnePointer) {
  fake_glfw::state().mouse_x = 100;
  fake_glfw::state().mouse_y = 50;
  fake_glfw::mouse_button(0, GLFW_PRESS);
  int mouse_hits = 0, touch_hits = 0, mouse_down = 0, touch_down = 0;
  Update([&] {
    mouse_hits = vel_input_MouseHit(0);
    touch_hits = vel_input_KeyHit(384);
    mouse_down = vel_input_MouseDown(0);
    touch_down = vel_input_TouchDown(0);
  });
  EXPECT_EQ(mouse_hits, 1);
  EXPECT_EQ(touch_hits, 1);
  EXPECT_EQ(mouse_down, 1);
  EXPECT_EQ(touch_down, 1);
  EXPECT_EQ(vel_input_TouchX(0), 100);
  EXPECT_EQ(vel_input_MouseY(), 50);

  fake_glfw::mouse_move(7, 9);
  EXPECT_EQ(vel_input_TouchX(0), 7);
  EXPECT_EQ(vel_input_TouchY(0), 9);
  EXPECT_EQ(vel_input_MouseX(), 7);

  // A touch press counts on the mouse button too; its release lets both go.
  fake_glfw::mouse_button(0, GLFW_RELEASE);
  host.TouchEvent(7, 0, 30, 40);
  Update([&] { mouse_hits = vel_input_MouseHit(0); });
  EXPECT_EQ(mouse_hits, 1);
  EXPECT_EQ(vel_input_MouseX(), 30);
  host.TouchEvent(8, 0, 0, 0);
  EXPECT_EQ(vel_input_MouseDown(0), 0);
  EXPECT_EQ(vel_input_TouchDown(0), 0);

  // Buttons above the middle one are ignored; the right button is code 2.
  fake_glfw::mouse_button(5, GLFW_PRESS);
  fake_glfw::mouse_button(1, GLFW_PRESS);
  EXPECT_EQ(vel_input_KeyDown(2), 1);
  EXPECT_EQ(vel_input_KeyDown(6), 0);
}

TEST_F(InputTest, HitQueueAndCharacterQueueAreBounded) {
  // 34 distinct keys: all held, the 34th not counted.
  const int kKeys[] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'A', 'B',
                       'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N',
                       'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X'};
  for (int key : kKeys) fake_glfw::key(key, GLFW_PRESS);
  int counted = 0, held = 0, last_hit = -1;
  Update([&] {
    for (int key : kKeys) {
      counted += vel_input_KeyHit(key);
      held += vel_input_KeyDown(key);
    }
    last_hit = vel_input_KeyHit('X');
  });
  EXPECT_EQ(counted, 33);
  EXPECT_EQ(held, 34);
  EXPECT_EQ(last_hit, 0);

  for (int c = 0; c < 40; ++c) fake_glfw::character('a' + c);
  std::vector<int> chars = Chars();
  ASSERT_EQ(chars.size(), 32u);
  EXPECT_EQ(chars.front(), 'a');
  EXPECT_EQ(chars.back(), 'a' + 31);
  EXPECT_TRUE(Chars().empty());  // emptied by the end of the update
}

TEST_F(InputTest, SpecialKeysGiveKeyCodesAndCharacters) {
  fake_glfw::key(GLFW_KEY_ESC, GLFW_PRESS);
  int escape = 0;
  std::vector<int> chars;
  Update([&] {
    escape = vel_input_KeyHit(27);
    while (int c = vel_input_GetChar()) chars.push_back(c);
  });
  EXPECT_EQ(escape, 1);
  EXPECT_EQ(chars, std::vector<int>{27});

  fake_glfw::key(GLFW_KEY_UP, GLFW_PRESS);
  fake_glfw::key(GLFW_KEY_DEL, GLFW_PRESS);
  fake_glfw::key(GLFW_KEY_UP, GLFW_RELEASE);  // releases give no character
  EXPECT_EQ(Chars(), (std::vector<int>{65536 + 38, 127}));

  // Right Alt and keys outside the library's numbering produce nothing at all.
  fake_glfw::key(GLFW_KEY_RALT, GLFW_PRESS);
  VelGlfwGame::OnKey(-40, GLFW_PRESS);
  VelGlfwGame::OnKey(1 << 30, GLFW_PRESS);
  VelGlfwGame::OnChar('x', GLFW_RELEASE);
  int any = 0;
  Update([&] {
    for (int code = 1; code < 512; ++code) any += vel_input_KeyHit(code);
    any += vel_input_GetChar();
  });
  EXPECT_EQ(any, 0);
}

TEST_F(InputTest, KeyTranslationTable) {
  struct {
    int glfw, code;
  } const kCases[] = {
      {'0', 48},  {'9', 57},  {'A', 65},  {'Z', 90},  {32, 32},   {34, 222},  {39, 222},
      {44, 188},  {47, 191},  {59, 186},  {61, 187},  {91, 219},  {93, 221},  {96, 192},
      {126, 192}, {257, 27},  {258, 112}, {269, 123}, {270, 0},   {282, 0},   {283, 38},
      {284, 40},  {285, 37},  {286, 39},  {288, 16},  {290, 17},  {291, 0},   {292, 0},
      {293, 9},   {294, 13},  {295, 8},   {296, 45},  {297, 46},  {298, 33},  {299, 34},
      {300, 36},  {301, 35},  {302, 96},  {311, 105}, {312, 111}, {313, 106}, {314, 109},
      {315, 107}, {316, 110}, {317, 0},   {318, 0},   {'a', 0},   {31, 0},    {-1, 0},
      {100000, 0},
  };
  for (const auto& c : kCases) EXPECT_EQ(VelGlfwGame::TransKey(c.glfw), c.code) << c.glfw;
  EXPECT_EQ(VelGlfwGame::KeyToChar(13), 13);
  EXPECT_EQ(VelGlfwGame::KeyToChar(33), 65536 + 33);
  EXPECT_EQ(VelGlfwGame::KeyToChar(45), 65536 + 45);
  EXPECT_EQ(VelGlfwGame::KeyToChar(41), 0);
  EXPECT_EQ(VelGlfwGame::KeyToChar(65), 0);
}

TEST_F(InputTest, OutOfRangeCodesTouchesAndJoysticksReadAsZero) {
  fake_glfw::key('A', GLFW_PRESS);
  for (int code : {0, -1, 512, 1 << 20}) {
    EXPECT_EQ(vel_input_KeyDown(code), 0) << code;
    EXPECT_EQ(vel_input_KeyHit(code), 0) << code;
  }
  EXPECT_EQ(vel_input_MouseDown(-1), 0);
  EXPECT_EQ(vel_input_MouseHit(511), 0);
  host.TouchEvent(7, 31, 5, 6);
  EXPECT_EQ(vel_input_TouchX(31), 5);
  EXPECT_EQ(vel_input_TouchX(32), 0);
  EXPECT_EQ(vel_input_TouchY(-1), 0);
  EXPECT_EQ(vel_input_JoyX(2, 0), 0);
  EXPECT_EQ(vel_input_JoyY(0, 4), 0);
  EXPECT_EQ(vel_input_JoyDown(-1, 0), 0);

  // A touch index past 31 would be the back key (384 + 32 = 416); it is ignored.
  host.TouchEvent(7, 32, 1, 1);
  host.TouchEvent(7, -5, 1, 1);
  EXPECT_EQ(vel_input_KeyDown(416), 0);
  EXPECT_EQ(vel_input_KeyDown(379), 0);
  // A joystick button past 31 would be the next joystick's button 0.
  host.KeyEvent(1, 256 + 32);
  EXPECT_EQ(vel_input_JoyDown(0, 1), 1);
  EXPECT_EQ(vel_input_JoyDown(32, 0), 0);
}

TEST_F(InputTest, FloodOfEventsStaysWithinTheTables) {
  unsigned seed = 7;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int i = 0; i < 20000; ++i) {
    int r = static_cast<int>(next() >> 8);
    switch (r % 6) {
      case 0: VelGlfwGame::OnKey(r % 700 - 100, r & 1); break;
      case 1: VelGlfwGame::OnChar(r, GLFW_PRESS); break;
      case 2: VelGlfwGame::OnMouseButton(r % 9 - 3, r & 1); break;
      case 3: host.TouchEvent(7 + r % 3, r % 80 - 20, 1, 2); break;
      case 4: host.MouseEvent(4 + r % 3, r % 600 - 50, 3, 4); break;
      case 5: host.KeyEvent(1 + r % 3, r % 1200 - 300); break;
    }
  }
  c_InputDevice* input = vel_input_device;
  EXPECT_LE(input->m_HitQueueLen, c_InputDevice::kHitQueueSize);
  EXPECT_LE(input->m_CharPut, c_InputDevice::kCharQueueSize);
  Update();
  EXPECT_EQ(input->m_HitQueueLen, 0);
  for (int code = 0; code < 512; ++code) EXPECT_EQ(input->m_KeyHits[code], 0) << code;
}

TEST_F(InputTest, JoysticksArePolledUpToTheFirstAbsentOne) {
  fake_glfw::State& window = fake_glfw::state();
  window.joysticks[0] = {true, {0.5f, -0.5f}, {1, 0, 1}};
  window.joysticks[2] = {true, {0.25f}, {1}};
  int down0 = 0, down2 = 0, hit0 = 0;
  Update([&] {
    down0 = vel_input_JoyDown(0, 0) + vel_input_JoyDown(2, 0) + vel_input_JoyDown(1, 0);
    hit0 = vel_input_JoyHit(0, 0);
    down2 = vel_input_JoyDown(0, 2);
  });
  EXPECT_EQ(window.presence_queries, (std::vector<int>{0, 1}));
  EXPECT_EQ(down0, 2);
  EXPECT_EQ(hit0, 1);
  EXPECT_EQ(down2, 0);
  EXPECT_EQ(vel_input_JoyX(0, 0), 0.5f);
  EXPECT_EQ(vel_input_JoyY(0, 0), -0.5f);
  EXPECT_EQ(vel_input_JoyX(0, 2), 0.0f);

  // Held buttons count once; a pad that disappears leaves its buttons as they were.
  Update([&] { hit0 = vel_input_JoyHit(0, 0); });
  EXPECT_EQ(hit0, 0);
  window.joysticks[0].present = false;
  Update([&] { down0 = vel_input_JoyDown(0, 0); });
  EXPECT_EQ(down0, 1);
  window.joysticks[0].present = true;
  window.joysticks[0].buttons = {0, 0, 0};
  Update([&] { down0 = vel_input_JoyDown(0, 0); });
  EXPECT_EQ(down0, 0);
}

TEST_F(InputTest, AxisLayoutsAndOversizedJoysticks) {
  fake_glfw::State& window = fake_glfw::state();
  Array<float> x(2), y(2), z(2);
  Array<bool> buttons(32);

  // Four axes: the third is the second stick's vertical, the first stick's z is 0.
  window.joysticks[1] = {true, {1, 2, 3, 4}, {}};
  ASSERT_TRUE(host.PollJoystick(1, x, y, z, buttons));
  EXPECT_EQ((std::vector<float>{x[0], x[1], y[0], y[1], z[0], z[1]}),
            (std::vector<float>{1, 4, 2, 3, 0, 0}));

  // Five axes: the fourth and fifth trade places.
  window.joysticks[1].axes = {1, 2, 3, 4, 5};
  ASSERT_TRUE(host.PollJoystick(1, x, y, z, buttons));
  EXPECT_EQ((std::vector<float>{x[0], x[1], y[0], y[1], z[0], z[1]}),
            (std::vector<float>{1, 5, 2, 4, 3, 0}));

  // More axes and buttons than the buffers hold: only 6 and 32 are asked for.
  window.joysticks[1].axes = std::vector<float>(40, 0.5f);
  window.joysticks[1].buttons = std::vector<unsigned char>(100, 1);
  window.axis_requests.clear();
  window.button_requests.clear();
  ASSERT_TRUE(host.PollJoystick(1, x, y, z, buttons));
  EXPECT_EQ(window.axis_requests, std::vector<int>{6});
  EXPECT_EQ(window.button_requests, std::vector<int>{32});
  EXPECT_TRUE(buttons[31]);
  EXPECT_EQ(z[1], 0.5f);

  EXPECT_FALSE(host.PollJoystick(3, x, y, z, buttons));
  EXPECT_FALSE(host.PollJoystick(-1, x, y, z, buttons));
  EXPECT_FALSE(host.PollJoystick(99, x, y, z, buttons));
}

TEST_F(InputTest, KeyboardSwitchCursorAndAccelerometer) {
  EXPECT_EQ(vel_input_EnableKeyboard(), 1);
  EXPECT_TRUE(host.KeyboardEnabled());
  EXPECT_EQ(vel_input_DisableKeyboard(), 1);
  EXPECT_FALSE(host.KeyboardEnabled());

  host.SetMouseVisible(false);
  EXPECT_FALSE(fake_glfw::state().cursor_enabled);
  host.SetMouseVisible(true);
  EXPECT_TRUE(fake_glfw::state().cursor_enabled);

  host.MotionEvent(10, 0, 0.5f, -0.25f, 1);
  host.MotionEvent(11, 0, 9, 9, 9);  // not a motion reading
  EXPECT_EQ(vel_input_AccelX(), 0.5f);
  EXPECT_EQ(vel_input_AccelY(), -0.25f);
  EXPECT_EQ(vel_input_device->m_MotionZ, 1.0f);
}

using InputDeathTest = InputTest;

TEST_F(InputDeathTest, CloseAndBackKeysEndTheProgramWithStatusZero) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(fake_glfw::close_request(), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(host.KeyEvent(1, 416), ::testing::ExitedWithCode(0), "");
  // Releases of those keys do not end it.
  EXPECT_EXIT(
      {
        host.KeyEvent(2, 432);
        host.KeyEvent(2, 416);
        std::exit(7);
      },
      ::testing::ExitedWithCode(7), "");
}

}  // namespace
