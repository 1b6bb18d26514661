// The GLFW 2 interface the program speaks: one window with a GL context, a clock, events pushed
// through callbacks during polling, and joysticks read by number.
//
// platform/glfw2.cpp implements it over GLFW 3 and is the only file that includes GLFW 3's
// header. Unit tests link tests/fakes/glfw (a scripted window and a test clock) instead, so
// every call the program makes to the window library goes through the functions below.
//
// Key numbers are GLFW 2's: printable keys keep their character code (letters 65..90, digits
// 48..57, punctuation as ASCII); special keys count up from 256.
#pragma once

// Names GLFW 3 also defines, with other values; the adapter, which sees both headers, uses
// GLFW 3's and asks for these to be left out.
#ifndef GLFW2_OMIT_SHARED_NAMES
#define GLFW_RELEASE 0
#define GLFW_PRESS 1

#define GLFW_KEY_UNKNOWN -1
#define GLFW_KEY_SPACE 32
#define GLFW_KEY_SPECIAL 256
#define GLFW_KEY_ESC 257
#define GLFW_KEY_F1 258  // F1..F25 are 258..282
#define GLFW_KEY_F12 269
#define GLFW_KEY_F25 282
#define GLFW_KEY_UP 283
#define GLFW_KEY_DOWN 284
#define GLFW_KEY_LEFT 285
#define GLFW_KEY_RIGHT 286
#define GLFW_KEY_LSHIFT 287
#define GLFW_KEY_RSHIFT 288
#define GLFW_KEY_LCTRL 289
#define GLFW_KEY_RCTRL 290
#define GLFW_KEY_LALT 291
#define GLFW_KEY_RALT 292
#define GLFW_KEY_TAB 293
#define GLFW_KEY_ENTER 294
#define GLFW_KEY_BACKSPACE 295
#define GLFW_KEY_INSERT 296
#define GLFW_KEY_DEL 297
#define GLFW_KEY_PAGEUP 298
#define GLFW_KEY_PAGEDOWN 299
#define GLFW_KEY_HOME 300
#define GLFW_KEY_END 301
#define GLFW_KEY_KP_0 302  // keypad 0..9 are 302..311
#define GLFW_KEY_KP_9 311
#define GLFW_KEY_KP_DIVIDE 312
#define GLFW_KEY_KP_MULTIPLY 313
#define GLFW_KEY_KP_SUBTRACT 314
#define GLFW_KEY_KP_ADD 315
#define GLFW_KEY_KP_DECIMAL 316
#define GLFW_KEY_KP_EQUAL 317
#define GLFW_KEY_KP_ENTER 318
#define GLFW_KEY_KP_NUM_LOCK 319
#define GLFW_KEY_CAPS_LOCK 320
#define GLFW_KEY_SCROLL_LOCK 321
#define GLFW_KEY_PAUSE 322
#define GLFW_KEY_LSUPER 323
#define GLFW_KEY_RSUPER 324
#define GLFW_KEY_MENU 325
#define GLFW_KEY_LAST GLFW_KEY_MENU

#define GLFW_ICONIFIED 0x00020003
#endif

// glfwOpenWindow modes.
#define GLFW_WINDOW 0x00010001
#define GLFW_FULLSCREEN 0x00010002

// glfwGetWindowParam: the window exists and no close was accepted / it has the focus / it is
// minimised (GLFW_ICONIFIED above). glfwOpenWindowHint: whether the user may resize it.
#define GLFW_OPENED 0x00020001
#define GLFW_ACTIVE 0x00020002
#define GLFW_WINDOW_NO_RESIZE 0x00020012

// glfwEnable / glfwDisable.
#define GLFW_MOUSE_CURSOR 0x00030001
#define GLFW_KEY_REPEAT 0x00030005
#define GLFW_AUTO_POLL_EVENTS 0x00030006

// glfwGetJoystickParam.
#define GLFW_PRESENT 0x00050001
#define GLFW_AXES 0x00050002
#define GLFW_BUTTONS 0x00050003
// Joysticks are numbered 0..GLFW2_JOYSTICK_COUNT-1; other numbers are never present.
#define GLFW2_JOYSTICK_COUNT 16

// A display mode; GLFW 2 lists blue before green.
struct GLFWvidmode {
  int Width, Height;
  int RedBits, BlueBits, GreenBits;
};

typedef void (*GLFWkeyfun)(int key, int action);
typedef void (*GLFWcharfun)(int character, int action);
typedef void (*GLFWmousebuttonfun)(int button, int action);
typedef void (*GLFWmouseposfun)(int x, int y);
// Returns non-zero to let the window close, 0 to keep it open.
typedef int (*GLFWwindowclosefun)();

int glfwInit();
void glfwTerminate();

// Opens the one window with a GL context; any earlier window must be closed first. Returns
// non-zero on success. Sizes are framebuffer pixels.
int glfwOpenWindow(int width, int height, int redbits, int greenbits, int bluebits, int alphabits,
                   int depthbits, int stencilbits, int mode);
void glfwOpenWindowHint(int target, int hint);
void glfwCloseWindow();
void glfwSetWindowTitle(const char* title);
void glfwSetWindowPos(int x, int y);
// Framebuffer size of the window; 0 by 0 when there is none.
void glfwGetWindowSize(int* width, int* height);
int glfwGetWindowParam(int param);
void glfwSwapBuffers();

void glfwGetDesktopMode(GLFWvidmode* mode);
// Fills at most maxcount modes and returns how many it filled.
int glfwGetVideoModes(GLFWvidmode* list, int maxcount);

// Events: callbacks run inside these two calls only.
void glfwPollEvents();
void glfwWaitEvents();
void glfwEnable(int token);
void glfwDisable(int token);

// GLFW_PRESS while the key (a GLFW 2 key number) is held, else GLFW_RELEASE.
int glfwGetKey(int key);
void glfwGetMousePos(int* x, int* y);

void glfwSetKeyCallback(GLFWkeyfun callback);
void glfwSetCharCallback(GLFWcharfun callback);
void glfwSetMouseButtonCallback(GLFWmousebuttonfun callback);
void glfwSetMousePosCallback(GLFWmouseposfun callback);
void glfwSetWindowCloseCallback(GLFWwindowclosefun callback);

// GLFW_PRESENT, GLFW_AXES or GLFW_BUTTONS of a joystick; 0 for a joystick that is absent.
int glfwGetJoystickParam(int joy, int param);
// Write at most `count` values and return how many were written.
int glfwGetJoystickPos(int joy, float* pos, int count);
int glfwGetJoystickButtons(int joy, unsigned char* buttons, int count);

// Seconds since glfwInit.
double glfwGetTime();
// Sleeps for the given seconds without spinning.
void glfwSleep(double seconds);
