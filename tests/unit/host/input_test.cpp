// Input from the window library's callbacks through the host and the application delegate into
// the input device, read through the input module; and the async-event module.
#include <numeric>
#include <string>

#include <gtest/gtest.h>

#include "audio/audio_module.h"
#include "fakes/glfw/fake_glfw.h"
#include "graphics/graphics_module.h"
#include "host/app.h"
#include "host/asyncevent.h"
#include "host/input.h"
#include "host/vel_glfw_game.h"
#include "runtime/gc.h"

namespace {

using V = std::vector<int>;
using F = std::vector<float>;

// Keeps what each update saw: hits and characters only exist until the update ends.
class ProbeApp : public c_App {
 public:
  V hits, chars;
  int p_OnUpdate() override {
    hits.clear();
    for (int code = 0; code < 512; ++code) hits.push_back(vel_input_KeyHit(code));
    chars.clear();
    while (int c = vel_input_GetChar()) chars.push_back(c);
    return 0;
  }
  int total_hits() const { return std::accumulate(hits.begin(), hits.end(), 0); }
};

class Input : public ::testing::Test {
 protected:
  VelGlfwGame host;
  fake_glfw::State& window = fake_glfw::state();
  ProbeApp* app = nullptr;

  void SetUp() override {
    static bool lists_ready = (gc_init1(), true);
    (void)lists_ready;
    fake_glfw::reset();
    VelGame::_game = VelGlfwGame::_glfwGame = &host;
    vel_app_InitGlobals(), vel_graphics_Init(), vel_audio_InitGlobals(), vel_input_InitGlobals();
    (app = new ProbeApp)->m_new();
    host.BeginRun();  // opens the scripted window, registers the callbacks, starts the game
  }
  void TearDown() override { VelGame::_game = VelGlfwGame::_glfwGame = nullptr; }
  ProbeApp& Update() { host.UpdateGame(); return *app; }
};

TEST_F(Input, KeysAreHitOncePerPressAndHeldUntilReleased) {
  fake_glfw::key('A', GLFW_PRESS);
  fake_glfw::key('A', GLFW_RELEASE);
  EXPECT_EQ((V{Update().hits['A'], vel_input_KeyDown('A')}), (V{1, 0}));
  fake_glfw::key(GLFW_KEY_SPACE, GLFW_PRESS);
  fake_glfw::key(GLFW_KEY_SPACE, GLFW_PRESS);  // repeated by the library: counted once
  EXPECT_EQ((V{Update().hits[32], vel_input_KeyDown(32), app->total_hits()}), (V{1, 1, 1}));

  // 34 distinct keys: all held, the 34th not counted; 40 characters: the first 32 kept.
  for (int key = '0'; key <= '9'; ++key) fake_glfw::key(key, GLFW_PRESS);
  for (int key = 'A'; key <= 'X'; ++key) fake_glfw::key(key, GLFW_PRESS);
  V sent;
  for (int c = 'a'; c < 'a' + 40; ++c) fake_glfw::character(c), sent.push_back(c);
  EXPECT_EQ((V{Update().total_hits(), app->hits['W'], app->hits['X'], vel_input_KeyDown('X')}),
            (V{33, 1, 0, 1}));
  EXPECT_EQ(app->chars, V(sent.begin(), sent.begin() + 32));
  EXPECT_EQ(Update().chars, V());  // emptied by the end of the update
}

TEST_F(Input, MouseButtonOneAndTouchZeroAreOnePointer) {
  window.mouse_x = 100, window.mouse_y = 50;
  fake_glfw::mouse_button(0, GLFW_PRESS);
  EXPECT_EQ((V{Update().hits[1], app->hits[384], app->total_hits(), vel_input_MouseDown(0),
               vel_input_TouchDown(0)}),
            (V{1, 1, 2, 1, 1}));
  EXPECT_EQ((F{vel_input_TouchX(0), vel_input_MouseY()}), (F{100, 50}));
  fake_glfw::mouse_move(7, 9);
  EXPECT_EQ((F{vel_input_TouchX(0), vel_input_TouchY(0), vel_input_MouseX()}), (F{7, 9, 7}));

  // A touch press counts on the mouse button too; its release lets both go.
  fake_glfw::mouse_button(0, GLFW_RELEASE);
  host.TouchEvent(7, 0, 30, 40);
  EXPECT_EQ((V{Update().hits[1], app->hits[384], vel_input_MouseDown(0)}), (V{1, 1, 1}));
  host.TouchEvent(9, 0, 31, 41), host.TouchEvent(9, 3, 5, 6);  // touches moving
  EXPECT_EQ((F{vel_input_MouseX(), vel_input_TouchY(0), vel_input_TouchX(3), vel_input_TouchY(3)}),
            (F{31, 41, 5, 6}));
  host.TouchEvent(8, 0, 0, 0);
  EXPECT_EQ((V{vel_input_MouseDown(0), vel_input_TouchDown(0)}), (V{0, 0}));

  fake_glfw::mouse_button(5, GLFW_PRESS);  // buttons past the middle one are ignored
  fake_glfw::mouse_button(1, GLFW_PRESS);  // the right one is code 2
  EXPECT_EQ((V{vel_input_KeyDown(2), vel_input_KeyDown(6)}), (V{1, 0}));
}

TEST_F(Input, KeysTranslateToCodesAndCharacters) {
  fake_glfw::key(GLFW_KEY_ESC, GLFW_PRESS);
  EXPECT_EQ((V{Update().chars[0], app->hits[27]}), (V{27, 1}));
  for (int key : {GLFW_KEY_UP, GLFW_KEY_DEL}) fake_glfw::key(key, GLFW_PRESS);
  fake_glfw::key(GLFW_KEY_UP, GLFW_RELEASE);  // releases give no character
  EXPECT_EQ(Update().chars, (V{65536 + 38, 127}));
  // Right Alt and keys outside the library's numbering produce nothing at all.
  for (int key : {GLFW_KEY_RALT, -40, 1 << 30}) VelGlfwGame::OnKey(key, GLFW_PRESS);
  VelGlfwGame::OnChar('x', GLFW_RELEASE);
  EXPECT_EQ((V{Update().total_hits(), static_cast<int>(app->chars.size())}), (V{0, 0}));

  const int kKeys[][3] = {
      {'0', 48, 0},  {'Z', 90, 0},  {'a', 0, 0},   {31, 0, 0},
      {34, 222, 0},  {92, 220, 0},  {93, 221, 0},  {126, 192, 0},
      {258, 112, 0}, {269, 123, 0}, {270, 0, 0},   {286, 39, 65536 + 39},
      {290, 17, 0},  {291, 0, 0},   {294, 13, 13}, {301, 35, 65536 + 35},
      {302, 96, 0},  {316, 110, 0}, {317, 0, 0},   {-1, 0, 0}};  // GLFW key, code, character
  for (const auto& k : kKeys)
    EXPECT_EQ((V{VelGlfwGame::TransKey(k[0]), VelGlfwGame::KeyToChar(k[1])}), (V{k[1], k[2]})) << k[0];
}

TEST_F(Input, JoysticksArePolledUpToTheFirstAbsentOneAndKeepTheirStateWhenGone) {
  window.joysticks[0] = {true, {0.5f, -0.5f}, {1, 0, 1}};
  window.joysticks[2] = {true, {0.25f}, {1}};
  EXPECT_EQ((V{Update().hits[256], app->hits[258], app->total_hits()}), (V{1, 1, 2}));
  EXPECT_EQ(window.presence_queries, (V{0, 1}));
  EXPECT_EQ((V{vel_input_JoyDown(0, 0), vel_input_JoyDown(1, 0), vel_input_JoyDown(0, 2)}), (V{1, 0, 0}));
  EXPECT_EQ((F{vel_input_JoyX(0, 0), vel_input_JoyY(0, 0), vel_input_JoyX(0, 2)}), (F{0.5f, -0.5f, 0}));

  // Held buttons count once; a pad that disappears leaves its buttons as they were.
  EXPECT_EQ(Update().total_hits(), 0);
  window.joysticks[0].present = false;
  EXPECT_EQ((Update(), vel_input_JoyDown(0, 0)), 1);
  window.joysticks[0] = {true, {}, {0, 0, 0}};
  EXPECT_EQ((Update(), vel_input_JoyDown(0, 0)), 0);
}

TEST_F(Input, AxisLayoutsAndOversizedJoysticks) {
  Array<float> x(2), y(2), z(2);
  Array<bool> buttons(32);
  auto poll = [&] {
    EXPECT_TRUE(host.PollJoystick(1, x, y, z, buttons));
    return F{x[0], x[1], y[0], y[1], z[0], z[1]};
  };
  // Four axes: the third is the second stick's vertical; five axes: the fourth and fifth trade.
  window.joysticks[1] = {true, {1, 2, 3, 4}, {}};
  EXPECT_EQ(poll(), (F{1, 4, 2, 3, 0, 0}));
  window.joysticks[1].axes = {1, 2, 3, 4, 5};
  EXPECT_EQ(poll(), (F{1, 5, 2, 4, 3, 0}));

  // More axes and buttons than the buffers hold: only 6 and 32 are asked for.
  window.joysticks[1] = {true, F(40, 0.5f), std::vector<unsigned char>(100, 1)};
  window.axis_requests.clear(), window.button_requests.clear();
  EXPECT_EQ(poll(), F(6, 0.5f));
  EXPECT_EQ((V{window.axis_requests.at(0), window.button_requests.at(0), buttons[31]}), (V{6, 32, 1}));
  for (int port : {3, -1, 99}) EXPECT_FALSE(host.PollJoystick(port, x, y, z, buttons)) << port;
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

}  // namespace
