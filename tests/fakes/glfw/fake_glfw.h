// A scripted window and a test clock behind the GLFW 2 interface of platform/glfw2.h. The clock
// only moves when a test moves it or when the host sleeps (by exactly the time asked for). Each
// poll or wait runs the next scripted batch of events, if any, inside the call, as the library does.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/glfw2.h"

namespace fake_glfw {

struct Joystick {
  bool present = false;
  std::vector<float> axes;
  std::vector<unsigned char> buttons;
};

struct State {
  double time = 0;

  // The window. Opening fails for the modes listed here (GLFW_WINDOW, GLFW_FULLSCREEN).
  std::vector<int> refused_modes;
  bool window_open = false;
  int opens = 0, closes = 0, width = 0, height = 0, mode = 0, pos_x = -1, pos_y = -1;
  std::string title;
  bool active = true, iconified = false, key_repeat = false, auto_poll = true;
  GLFWvidmode desktop = {1280, 1024, 8, 8, 8};

  // Input.
  bool keys[GLFW_KEY_LAST + 1] = {};
  int mouse_x = 0, mouse_y = 0;
  Joystick joysticks[GLFW2_JOYSTICK_COUNT];
  // The axis and button counts asked for, per call; the joysticks asked for GLFW_PRESENT.
  std::vector<int> axis_requests, button_requests, presence_queries;

  GLFWkeyfun key_callback = nullptr;
  GLFWcharfun char_callback = nullptr;
  GLFWmousebuttonfun mouse_button_callback = nullptr;
  GLFWmouseposfun mouse_pos_callback = nullptr;
  GLFWwindowclosefun close_callback = nullptr;

  std::deque<std::function<void()>> batches;
  int waits = 0, sleeps = 0, swaps = 0;
  double slept = 0;
};

State& state();
// A fresh window library: no window, clock at 0, no script.
void reset();

// Scripts one batch of events, run by a later poll or wait (in order).
void at_next_event_call(std::function<void()> batch);

// Deliver events through the registered callbacks now, as the real library does during
// polling. Key presses and releases also update glfwGetKey.
void key(int key, int action);
void character(int c);
void mouse_button(int button, int action);
void mouse_move(int x, int y);
// A close request: returns what the close callback answered (1 without a callback); a non-zero
// answer closes the window.
int close_request();

}  // namespace fake_glfw
