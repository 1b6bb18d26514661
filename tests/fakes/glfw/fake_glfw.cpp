#include "fake_glfw.h"

namespace fake_glfw {

State& state() {
  static State s;
  return s;
}

void reset() { state() = State(); }

void at_next_event_call(std::function<void()> batch) { state().batches.push_back(std::move(batch)); }

void key(int key, int action) {
  State& s = state();
  if (key >= 0 && key <= GLFW_KEY_LAST) s.keys[key] = action == GLFW_PRESS;
  if (s.key_callback) s.key_callback(key, action);
}

void character(int c) { if (state().char_callback) state().char_callback(c, GLFW_PRESS); }

void mouse_button(int button, int action) {
  if (state().mouse_button_callback) state().mouse_button_callback(button, action);
}

void mouse_move(int x, int y) {
  State& s = state();
  s.mouse_x = x, s.mouse_y = y;
  if (s.mouse_pos_callback) s.mouse_pos_callback(x, y);
}

int close_request() {
  State& s = state();
  int answer = s.close_callback ? s.close_callback() : 1;
  if (answer) s.window_open = false;
  return answer;
}

namespace {

void run_next_batch() {
  State& s = state();
  if (s.batches.empty()) return;
  std::function<void()> batch = std::move(s.batches.front());
  s.batches.pop_front(), batch();
}

bool joystick_present(int joy) {
  return joy >= 0 && joy < GLFW2_JOYSTICK_COUNT && state().joysticks[joy].present;
}

}  // namespace

}  // namespace fake_glfw

using fake_glfw::state;

int glfwInit() { return 1; }

void glfwTerminate() { state().window_open = false; }

int glfwOpenWindow(int width, int height, int, int, int, int, int, int, int mode) {
  fake_glfw::State& s = state();
  ++s.opens;
  if (s.window_open) return 0;
  for (int refused : s.refused_modes)
    if (refused == mode) return 0;
  s.window_open = true, s.width = width, s.height = height, s.mode = mode, s.pos_x = s.pos_y = -1;
  s.title.clear();
  return 1;
}

void glfwOpenWindowHint(int, int) {}

void glfwCloseWindow() { if (state().window_open) ++state().closes, state().window_open = false; }
void glfwSetWindowTitle(const char* title) { if (state().window_open) state().title = title; }
void glfwSetWindowPos(int x, int y) { if (state().window_open) state().pos_x = x, state().pos_y = y; }

void glfwGetWindowSize(int* width, int* height) {
  const bool open = state().window_open;
  if (width) *width = open ? state().width : 0;
  if (height) *height = open ? state().height : 0;
}

int glfwGetWindowParam(int param) {
  const fake_glfw::State& s = state();
  if (!s.window_open) return 0;
  return param == GLFW_OPENED || (param == GLFW_ACTIVE && s.active) || (param == GLFW_ICONIFIED && s.iconified);
}

void glfwSwapBuffers() { ++state().swaps; }

void glfwGetDesktopMode(GLFWvidmode* mode) { *mode = state().desktop; }

int glfwGetVideoModes(GLFWvidmode*, int) { return 0; }  // nothing reads the mode list

void glfwPollEvents() { fake_glfw::run_next_batch(); }

void glfwWaitEvents() { ++state().waits, fake_glfw::run_next_batch(); }

static void set_option(int token, bool on) {
  if (token == GLFW_KEY_REPEAT) state().key_repeat = on;
  if (token == GLFW_AUTO_POLL_EVENTS) state().auto_poll = on;
}
void glfwEnable(int token) { set_option(token, true); }
void glfwDisable(int token) { set_option(token, false); }

int glfwGetKey(int key) {
  return key >= 0 && key <= GLFW_KEY_LAST && state().keys[key] ? GLFW_PRESS : GLFW_RELEASE;
}

void glfwGetMousePos(int* x, int* y) { *x = state().mouse_x, *y = state().mouse_y; }

void glfwSetKeyCallback(GLFWkeyfun callback) { state().key_callback = callback; }
void glfwSetCharCallback(GLFWcharfun callback) { state().char_callback = callback; }
void glfwSetMouseButtonCallback(GLFWmousebuttonfun callback) { state().mouse_button_callback = callback; }
void glfwSetMousePosCallback(GLFWmouseposfun callback) { state().mouse_pos_callback = callback; }
void glfwSetWindowCloseCallback(GLFWwindowclosefun callback) { state().close_callback = callback; }

int glfwGetJoystickParam(int joy, int param) {
  fake_glfw::State& s = state();
  if (param == GLFW_PRESENT) s.presence_queries.push_back(joy);
  if (!fake_glfw::joystick_present(joy)) return 0;
  const fake_glfw::Joystick& j = s.joysticks[joy];
  return static_cast<int>(param == GLFW_PRESENT ? 1 : param == GLFW_AXES ? j.axes.size()
                                                 : param == GLFW_BUTTONS ? j.buttons.size() : 0);
}

// Copies up to `count` of a present joystick's values.
template <class T>
static int copy_joystick(int joy, const std::vector<T> fake_glfw::Joystick::*values, T* out, int count) {
  if (!fake_glfw::joystick_present(joy)) return 0;
  const std::vector<T>& all = state().joysticks[joy].*values;
  int n = 0;
  for (; n < count && n < static_cast<int>(all.size()); ++n) out[n] = all[n];
  return n;
}

int glfwGetJoystickPos(int joy, float* pos, int count) {
  state().axis_requests.push_back(count);
  return copy_joystick(joy, &fake_glfw::Joystick::axes, pos, count);
}

int glfwGetJoystickButtons(int joy, unsigned char* buttons, int count) {
  state().button_requests.push_back(count);
  return copy_joystick(joy, &fake_glfw::Joystick::buttons, buttons, count);
}

double glfwGetTime() { return state().time; }

void glfwSleep(double seconds) {
  ++state().sleeps;
  if (seconds > 0) state().slept += seconds, state().time += seconds;
}
