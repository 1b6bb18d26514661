// The GLFW 2 interface of platform/glfw2.h over GLFW 3. The only file that includes GLFW 3.
//
// GLFW 2 had one implicit window; here it is `window`. Callbacks are kept in GLFW 2 form and
// reached through fixed GLFW 3 callbacks that translate the arguments. GLFW 3 key numbers
// become GLFW 2's, key repeats arrive as presses, a close request keeps the window open unless
// the close callback agrees, and joysticks that GLFW 3 knows as gamepads are reported in our
// gamepad numbering (platform/gamepad.h).
#define GLFW2_OMIT_SHARED_NAMES
#include "platform/glfw2.h"

#include <linux/sched.h>
#include <linux/sched/types.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>

// GLFW 3 lives in its own namespace: several of its functions share a name and a parameter
// list with the GLFW 2 functions defined here.
#include <stddef.h>
#include <stdint.h>
#define GLFW_INCLUDE_NONE
namespace g3 {
#include <GLFW/glfw3.h>
}

#include "platform/gamepad.h"

namespace {

g3::GLFWwindow* window = nullptr;
bool initialised = false;

GLFWkeyfun key_callback = nullptr;
GLFWcharfun char_callback = nullptr;
GLFWmousebuttonfun mouse_button_callback = nullptr;
GLFWmouseposfun mouse_pos_callback = nullptr;
GLFWwindowclosefun close_callback = nullptr;

// Focus and minimisation as the window's events last reported them. Asking the library instead
// costs a round trip to the X server each time, and the host loop asks on every pass, between
// waking up for an update and running it.
bool focused = false;
bool iconified = false;

bool key_repeat = false;
bool auto_poll = true;
bool cursor_visible = true;
int no_resize_hint = 0;

// GLFW 3 key for each GLFW 2 special key from escape (257) to menu (325).
const int kSpecialBase = 257;
const int kSpecialKeys[] = {
    GLFW_KEY_ESCAPE,
    GLFW_KEY_F1, GLFW_KEY_F2, GLFW_KEY_F3, GLFW_KEY_F4, GLFW_KEY_F5, GLFW_KEY_F6, GLFW_KEY_F7,
    GLFW_KEY_F8, GLFW_KEY_F9, GLFW_KEY_F10, GLFW_KEY_F11, GLFW_KEY_F12, GLFW_KEY_F13,
    GLFW_KEY_F14, GLFW_KEY_F15, GLFW_KEY_F16, GLFW_KEY_F17, GLFW_KEY_F18, GLFW_KEY_F19,
    GLFW_KEY_F20, GLFW_KEY_F21, GLFW_KEY_F22, GLFW_KEY_F23, GLFW_KEY_F24, GLFW_KEY_F25,
    GLFW_KEY_UP, GLFW_KEY_DOWN, GLFW_KEY_LEFT, GLFW_KEY_RIGHT,
    GLFW_KEY_LEFT_SHIFT, GLFW_KEY_RIGHT_SHIFT, GLFW_KEY_LEFT_CONTROL, GLFW_KEY_RIGHT_CONTROL,
    GLFW_KEY_LEFT_ALT, GLFW_KEY_RIGHT_ALT,
    GLFW_KEY_TAB, GLFW_KEY_ENTER, GLFW_KEY_BACKSPACE, GLFW_KEY_INSERT, GLFW_KEY_DELETE,
    GLFW_KEY_PAGE_UP, GLFW_KEY_PAGE_DOWN, GLFW_KEY_HOME, GLFW_KEY_END,
    GLFW_KEY_KP_0, GLFW_KEY_KP_1, GLFW_KEY_KP_2, GLFW_KEY_KP_3, GLFW_KEY_KP_4, GLFW_KEY_KP_5,
    GLFW_KEY_KP_6, GLFW_KEY_KP_7, GLFW_KEY_KP_8, GLFW_KEY_KP_9,
    GLFW_KEY_KP_DIVIDE, GLFW_KEY_KP_MULTIPLY, GLFW_KEY_KP_SUBTRACT, GLFW_KEY_KP_ADD,
    GLFW_KEY_KP_DECIMAL, GLFW_KEY_KP_EQUAL, GLFW_KEY_KP_ENTER,
    GLFW_KEY_NUM_LOCK, GLFW_KEY_CAPS_LOCK, GLFW_KEY_SCROLL_LOCK, GLFW_KEY_PAUSE,
    GLFW_KEY_LEFT_SUPER, GLFW_KEY_RIGHT_SUPER, GLFW_KEY_MENU,
};
const int kSpecialCount = sizeof kSpecialKeys / sizeof kSpecialKeys[0];
static_assert(kSpecialBase + kSpecialCount - 1 == 325, "GLFW 2 special keys end at menu (325)");

// Printable keys (space to grave accent) share their number in both versions.
bool is_printable3(int key) { return key >= GLFW_KEY_SPACE && key <= GLFW_KEY_GRAVE_ACCENT; }

int key2_from_key3(int key) {
  if (is_printable3(key)) return key;
  for (int i = 0; i < kSpecialCount; ++i)
    if (kSpecialKeys[i] == key) return kSpecialBase + i;
  return -1;
}

int key3_from_key2(int key) {
  if (is_printable3(key)) return key;
  if (key >= kSpecialBase && key < kSpecialBase + kSpecialCount) return kSpecialKeys[key - kSpecialBase];
  return GLFW_KEY_UNKNOWN;
}

// Cursor positions come in screen units; the host works in framebuffer pixels.
void to_framebuffer(double x, double y, int* out_x, int* out_y) {
  int ww = 0, wh = 0, fw = 0, fh = 0;
  g3::glfwGetWindowSize(window, &ww, &wh);
  g3::glfwGetFramebufferSize(window, &fw, &fh);
  if (ww > 0 && wh > 0) {
    x = x * fw / ww;
    y = y * fh / wh;
  }
  *out_x = static_cast<int>(std::floor(x));
  *out_y = static_cast<int>(std::floor(y));
}

void on_key3(g3::GLFWwindow*, int key, int, int action, int) {
  if (action == GLFW_REPEAT) {
    if (!key_repeat) return;
    action = GLFW_PRESS;
  }
  int key2 = key2_from_key3(key);
  if (key2 >= 0 && key_callback) key_callback(key2, action == GLFW_PRESS ? 1 : 0);
}

void on_char3(g3::GLFWwindow*, unsigned int codepoint) {
  if (char_callback) char_callback(static_cast<int>(codepoint), 1);
}

void on_mouse_button3(g3::GLFWwindow*, int button, int action, int) {
  if (mouse_button_callback) mouse_button_callback(button, action == GLFW_PRESS ? 1 : 0);
}

void on_cursor_pos3(g3::GLFWwindow*, double x, double y) {
  if (!mouse_pos_callback) return;
  int ix, iy;
  to_framebuffer(x, y, &ix, &iy);
  mouse_pos_callback(ix, iy);
}

// GLFW 2 keeps the window when the close callback returns 0.
void on_close3(g3::GLFWwindow* w) {
  if (close_callback && !close_callback()) g3::glfwSetWindowShouldClose(w, GLFW_FALSE);
}

void on_focus3(g3::GLFWwindow*, int focus) { focused = focus == GLFW_TRUE; }

void on_iconify3(g3::GLFWwindow*, int iconify) { iconified = iconify == GLFW_TRUE; }

void on_error3(int code, const char* text) { std::fprintf(stderr, "GLFW error %d: %s\n", code, text); }

bool valid_joystick(int joy) { return initialised && joy >= 0 && joy < GLFW2_JOYSTICK_COUNT && joy <= GLFW_JOYSTICK_LAST; }

// A recognised gamepad's state in our numbering; false for other joysticks.
bool gamepad_state(int joy, unsigned char buttons[kPadButtons], float axes[kPadAxes]) {
  static_assert(GLFW_GAMEPAD_BUTTON_LAST + 1 == kPadButtons && GLFW_GAMEPAD_AXIS_LAST + 1 == kPadAxes,
                "the standard layout of platform/gamepad.h");
  static_assert(GLFW_GAMEPAD_BUTTON_GUIDE == 8 && GLFW_GAMEPAD_BUTTON_DPAD_LEFT == 14 &&
                    GLFW_GAMEPAD_AXIS_RIGHT_X == 2 && GLFW_GAMEPAD_AXIS_LEFT_TRIGGER == 4,
                "the standard layout of platform/gamepad.h");
  g3::GLFWgamepadstate state;
  if (!g3::glfwJoystickIsGamepad(joy) || !g3::glfwGetGamepadState(joy, &state)) return false;
  MapGamepad(state.buttons, state.axes, buttons, axes);
  return true;
}

void fill_mode(const g3::GLFWvidmode* in, ::GLFWvidmode* out) {
  out->Width = in->width;
  out->Height = in->height;
  out->RedBits = in->redBits;
  out->GreenBits = in->greenBits;
  out->BlueBits = in->blueBits;
}

}  // namespace

int glfwInit() {
  g3::glfwSetErrorCallback(on_error3);
  initialised = g3::glfwInit() == GLFW_TRUE;
  return initialised ? 1 : 0;
}

void glfwTerminate() {
  g3::glfwTerminate();
  window = nullptr;
  initialised = false;
}

int glfwOpenWindow(int width, int height, int redbits, int greenbits, int bluebits, int alphabits,
                   int depthbits, int stencilbits, int mode) {
  if (!initialised || window) return 0;
  g3::glfwDefaultWindowHints();
  g3::glfwWindowHint(GLFW_RED_BITS, redbits > 0 ? redbits : GLFW_DONT_CARE);
  g3::glfwWindowHint(GLFW_GREEN_BITS, greenbits > 0 ? greenbits : GLFW_DONT_CARE);
  g3::glfwWindowHint(GLFW_BLUE_BITS, bluebits > 0 ? bluebits : GLFW_DONT_CARE);
  g3::glfwWindowHint(GLFW_ALPHA_BITS, alphabits);
  g3::glfwWindowHint(GLFW_DEPTH_BITS, depthbits);
  g3::glfwWindowHint(GLFW_STENCIL_BITS, stencilbits);
  g3::glfwWindowHint(GLFW_RESIZABLE, no_resize_hint ? GLFW_FALSE : GLFW_TRUE);
  no_resize_hint = 0;  // hints hold for one window, as in GLFW 2
  // The X11 window class names the game, so that a desktop ties its windows to the menu entry
  // (StartupWMClass) instead of to every other GLFW program.
  g3::glfwWindowHintString(GLFW_X11_CLASS_NAME, "zipkin-in-direv");
  g3::glfwWindowHintString(GLFW_X11_INSTANCE_NAME, "zipkin-in-direv");

  g3::GLFWmonitor* monitor = mode == GLFW_FULLSCREEN ? g3::glfwGetPrimaryMonitor() : nullptr;
  window = g3::glfwCreateWindow(width, height, "", monitor, nullptr);
  if (!window) return 0;
  // The library focuses new windowed windows itself but not fullscreen ones; the player who
  // just asked for fullscreen expects the keyboard to follow.
  if (monitor) g3::glfwFocusWindow(window);
  g3::glfwMakeContextCurrent(window);
  g3::glfwSetKeyCallback(window, on_key3);
  g3::glfwSetCharCallback(window, on_char3);
  g3::glfwSetMouseButtonCallback(window, on_mouse_button3);
  g3::glfwSetCursorPosCallback(window, on_cursor_pos3);
  g3::glfwSetWindowCloseCallback(window, on_close3);
  g3::glfwSetWindowFocusCallback(window, on_focus3);
  g3::glfwSetWindowIconifyCallback(window, on_iconify3);
  focused = g3::glfwGetWindowAttrib(window, GLFW_FOCUSED) == GLFW_TRUE;
  iconified = g3::glfwGetWindowAttrib(window, GLFW_ICONIFIED) == GLFW_TRUE;
  g3::glfwSetInputMode(window, GLFW_CURSOR, cursor_visible ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_HIDDEN);
  return 1;
}

void glfwOpenWindowHint(int target, int hint) {
  if (target == GLFW_WINDOW_NO_RESIZE) no_resize_hint = hint;
}

void glfwCloseWindow() {
  if (!window) return;
  g3::glfwDestroyWindow(window);
  window = nullptr;
}

void glfwSetWindowTitle(const char* title) {
  if (window) g3::glfwSetWindowTitle(window, title);
}

void glfwSetWindowPos(int x, int y) {
  if (window) g3::glfwSetWindowPos(window, x, y);
}

void glfwGetWindowSize(int* width, int* height) {
  int w = 0, h = 0;
  if (window) g3::glfwGetFramebufferSize(window, &w, &h);
  if (width) *width = w;
  if (height) *height = h;
}

int glfwGetWindowParam(int param) {
  if (!window) return 0;
  switch (param) {
    case GLFW_OPENED:
      return g3::glfwWindowShouldClose(window) ? 0 : 1;
    case GLFW_ACTIVE:
      return focused ? 1 : 0;
    case 0x00020003:  // GLFW 2's GLFW_ICONIFIED
      return iconified ? 1 : 0;
  }
  return 0;
}

void glfwSwapBuffers() {
  if (!window) return;
  g3::glfwSwapBuffers(window);
  if (auto_poll) g3::glfwPollEvents();
}

void glfwGetDesktopMode(::GLFWvidmode* mode) {
  *mode = ::GLFWvidmode{0, 0, 0, 0, 0};
  g3::GLFWmonitor* monitor = initialised ? g3::glfwGetPrimaryMonitor() : nullptr;
  const g3::GLFWvidmode* current = monitor ? g3::glfwGetVideoMode(monitor) : nullptr;
  if (current) fill_mode(current, mode);
}

int glfwGetVideoModes(::GLFWvidmode* list, int maxcount) {
  g3::GLFWmonitor* monitor = initialised ? g3::glfwGetPrimaryMonitor() : nullptr;
  if (!monitor || !list || maxcount <= 0) return 0;
  int count = 0;
  const g3::GLFWvidmode* modes = g3::glfwGetVideoModes(monitor, &count);
  // GLFW 3 lists a mode once per refresh rate; GLFW 2 knows no refresh rates.
  int filled = 0;
  for (int i = 0; i < count && filled < maxcount; ++i) {
    ::GLFWvidmode m;
    fill_mode(&modes[i], &m);
    if (filled > 0) {
      const ::GLFWvidmode& last = list[filled - 1];
      if (last.Width == m.Width && last.Height == m.Height && last.RedBits == m.RedBits &&
          last.GreenBits == m.GreenBits && last.BlueBits == m.BlueBits)
        continue;
    }
    list[filled++] = m;
  }
  return filled;
}

void glfwPollEvents() {
  if (initialised) g3::glfwPollEvents();
}

void glfwWaitEvents() {
  if (initialised) g3::glfwWaitEvents();
}

static void set_option(int token, bool on) {
  switch (token) {
    case GLFW_MOUSE_CURSOR:
      cursor_visible = on;
      if (window) g3::glfwSetInputMode(window, GLFW_CURSOR, on ? GLFW_CURSOR_NORMAL : GLFW_CURSOR_HIDDEN);
      break;
    case GLFW_KEY_REPEAT:
      key_repeat = on;
      break;
    case GLFW_AUTO_POLL_EVENTS:
      auto_poll = on;
      break;
  }
}

void glfwEnable(int token) { set_option(token, true); }
void glfwDisable(int token) { set_option(token, false); }

int glfwGetKey(int key) {
  int key3 = key3_from_key2(key);
  if (!window || key3 == GLFW_KEY_UNKNOWN) return 0;
  return g3::glfwGetKey(window, key3) == GLFW_PRESS ? 1 : 0;
}

void glfwGetMousePos(int* x, int* y) {
  int ix = 0, iy = 0;
  if (window) {
    double dx, dy;
    g3::glfwGetCursorPos(window, &dx, &dy);
    to_framebuffer(dx, dy, &ix, &iy);
  }
  if (x) *x = ix;
  if (y) *y = iy;
}

void glfwSetKeyCallback(GLFWkeyfun callback) { key_callback = callback; }
void glfwSetCharCallback(GLFWcharfun callback) { char_callback = callback; }
void glfwSetMouseButtonCallback(GLFWmousebuttonfun callback) { mouse_button_callback = callback; }
void glfwSetMousePosCallback(GLFWmouseposfun callback) { mouse_pos_callback = callback; }
void glfwSetWindowCloseCallback(GLFWwindowclosefun callback) { close_callback = callback; }

int glfwGetJoystickParam(int joy, int param) {
  if (!valid_joystick(joy) || !g3::glfwJoystickPresent(joy)) return 0;
  bool pad = g3::glfwJoystickIsGamepad(joy);
  int count = 0;
  switch (param) {
    case GLFW_PRESENT:
      return 1;
    case GLFW_AXES:
      if (pad) return kPadAxes;
      g3::glfwGetJoystickAxes(joy, &count);
      return count;
    case GLFW_BUTTONS:
      if (pad) return kPadButtons;
      g3::glfwGetJoystickButtons(joy, &count);
      return count;
  }
  return 0;
}

int glfwGetJoystickPos(int joy, float* pos, int count) {
  if (!valid_joystick(joy) || !pos || count <= 0) return 0;
  unsigned char buttons[kPadButtons];
  float axes[kPadAxes];
  if (gamepad_state(joy, buttons, axes)) {
    int n = count < kPadAxes ? count : kPadAxes;
    for (int i = 0; i < n; ++i) pos[i] = axes[i];
    return n;
  }
  int available = 0;
  const float* raw = g3::glfwGetJoystickAxes(joy, &available);
  if (!raw) return 0;
  int n = count < available ? count : available;
  // GLFW 2 reports vertical axes (the odd ones) with up positive.
  for (int i = 0; i < n; ++i) pos[i] = (i & 1) ? -raw[i] : raw[i];
  return n;
}

int glfwGetJoystickButtons(int joy, unsigned char* out, int count) {
  if (!valid_joystick(joy) || !out || count <= 0) return 0;
  unsigned char buttons[kPadButtons];
  float axes[kPadAxes];
  if (gamepad_state(joy, buttons, axes)) {
    int n = count < kPadButtons ? count : kPadButtons;
    for (int i = 0; i < n; ++i) out[i] = buttons[i] == GLFW_PRESS ? 1 : 0;
    return n;
  }
  int available = 0;
  const unsigned char* raw = g3::glfwGetJoystickButtons(joy, &available);
  if (!raw) return 0;
  int n = count < available ? count : available;
  for (int i = 0; i < n; ++i) out[i] = raw[i] == GLFW_PRESS ? 1 : 0;
  return n;
}

double glfwGetTime() { return initialised ? g3::glfwGetTime() : 0.0; }

namespace {

// Makes the calling thread's timed wake-ups punctual. The kernel's default timer slack lets it
// end a sleep up to 50 µs late, to group wake-ups. And a thread woken while another task runs
// on every core waits until that task's time slice ends (milliseconds) unless its own slice is
// shorter: the shortest slice the kernel grants, 0.1 ms, lets it run at once (Linux 6.12 and
// later; older kernels ignore the request). The nice value and the policy stay as they are.
void make_wake_ups_punctual() {
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  sched_attr attr = {};
  attr.size = sizeof attr;
  attr.sched_flags = SCHED_FLAG_KEEP_POLICY;
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, 0);
  if (errno) return;
  attr.sched_nice = nice;
  attr.sched_runtime = 100000;  // nanoseconds
  syscall(SYS_sched_setattr, 0, &attr, 0U);
}

}  // namespace

void glfwSleep(double seconds) {
  if (!(seconds > 0.0)) return;  // also refuses NaN
  static const bool punctual = (make_wake_ups_punctual(), true);
  (void)punctual;
  if (seconds > 86400.0) seconds = 86400.0;
  timespec left;
  left.tv_sec = static_cast<time_t>(seconds);
  left.tv_nsec = static_cast<long>((seconds - static_cast<double>(left.tv_sec)) * 1e9);
  if (left.tv_nsec >= 1000000000L) left.tv_nsec = 999999999L;
  timespec rest;
  while (nanosleep(&left, &rest) == -1 && errno == EINTR) left = rest;
}
