// The input side of VelGlfwGame: window library callbacks become framework events (key down 1,
// key up 2, character 3, mouse down 4, mouse up 5, mouse move 6), joysticks are polled into
// the input device's arrays.
#include "host/vel_glfw_game.h"
#include "platform/glfw2.h"

namespace {

// Key codes of GLFW key numbers 32..316, other than digits and letters; 0 = ignored.
const int kFirstMapped = 32;
const int kLastMapped = 316;

struct KeyTable {
  int code[kLastMapped - kFirstMapped + 1] = {};

  void set(int key, int value) { code[key - kFirstMapped] = value; }

  KeyTable() {
    set(32, 32);
    set(34, 222);
    set(39, 222);
    set(44, 188);
    set(45, 189);
    set(46, 190);
    set(47, 191);
    set(59, 186);
    set(61, 187);
    set(91, 219);
    set(92, 220);
    set(93, 221);
    set(96, 192);
    set(126, 192);
    set(GLFW_KEY_ESC, 27);
    for (int f = 0; f < 12; ++f) set(GLFW_KEY_F1 + f, 112 + f);
    set(GLFW_KEY_UP, 38);
    set(GLFW_KEY_DOWN, 40);
    set(GLFW_KEY_LEFT, 37);
    set(GLFW_KEY_RIGHT, 39);
    set(GLFW_KEY_LSHIFT, 16);
    set(GLFW_KEY_RSHIFT, 16);
    set(GLFW_KEY_LCTRL, 17);
    set(GLFW_KEY_RCTRL, 17);
    set(GLFW_KEY_TAB, 9);
    set(GLFW_KEY_ENTER, 13);
    set(GLFW_KEY_BACKSPACE, 8);
    set(GLFW_KEY_INSERT, 45);
    set(GLFW_KEY_DEL, 46);
    set(GLFW_KEY_PAGEUP, 33);
    set(GLFW_KEY_PAGEDOWN, 34);
    set(GLFW_KEY_HOME, 36);
    set(GLFW_KEY_END, 35);
    for (int k = 0; k < 10; ++k) set(GLFW_KEY_KP_0 + k, 96 + k);
    set(GLFW_KEY_KP_DIVIDE, 111);
    set(GLFW_KEY_KP_MULTIPLY, 106);
    set(GLFW_KEY_KP_SUBTRACT, 109);
    set(GLFW_KEY_KP_ADD, 107);
    set(GLFW_KEY_KP_DECIMAL, 110);
  }
};

const KeyTable kKeyTable;

}  // namespace

int VelGlfwGame::TransKey(int key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return key;
  if (key < kFirstMapped || key > kLastMapped) return 0;
  return kKeyTable.code[key - kFirstMapped];
}

int VelGlfwGame::KeyToChar(int key) {
  switch (key) {
    case 8:
    case 9:
    case 13:
    case 27:
      return key;
    case 46:
      return 127;
  }
  if ((key >= 33 && key <= 40) || key == 45) return 0x10000 + key;
  return 0;
}

void VelGlfwGame::OnKey(int key, int action) {
  int code = TransKey(key);
  if (!code || !_glfwGame) return;
  if (action == GLFW_PRESS) {
    _glfwGame->KeyEvent(1, code);
    if (int chr = KeyToChar(code)) _glfwGame->KeyEvent(3, chr);
  } else if (action == GLFW_RELEASE) {
    _glfwGame->KeyEvent(2, code);
  }
}

void VelGlfwGame::OnChar(int character, int action) {
  if (action == GLFW_PRESS && _glfwGame) _glfwGame->KeyEvent(3, character);
}

void VelGlfwGame::OnMouseButton(int button, int action) {
  if (button < 0 || button > 2 || !_glfwGame) return;
  if (action != GLFW_PRESS && action != GLFW_RELEASE) return;
  int x = 0, y = 0;
  glfwGetMousePos(&x, &y);
  _glfwGame->MouseEvent(action == GLFW_PRESS ? 4 : 5, button, static_cast<float>(x),
                        static_cast<float>(y));
}

void VelGlfwGame::OnMousePos(int x, int y) {
  if (_glfwGame) _glfwGame->MouseEvent(6, -1, static_cast<float>(x), static_cast<float>(y));
}

bool VelGlfwGame::PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                               Array<bool> buttons) {
  if (!glfwGetJoystickParam(port, GLFW_PRESENT)) return false;
  int axes = glfwGetJoystickParam(port, GLFW_AXES);
  int count = glfwGetJoystickParam(port, GLFW_BUTTONS);

  float a[6] = {};
  glfwGetJoystickPos(port, a, axes < 0 ? 0 : axes > 6 ? 6 : axes);
  if (axes == 4) {
    // Two sticks on four axes: the third axis is the second stick's vertical.
    a[4] = a[2];
    a[2] = 0;
  } else if (axes == 5) {
    float t = a[3];
    a[3] = a[4];
    a[4] = t;
  }
  const float* sticks[3][2] = {{&a[0], &a[3]}, {&a[1], &a[4]}, {&a[2], &a[5]}};
  Array<float>* out[3] = {&joyx, &joyy, &joyz};
  for (int axis = 0; axis < 3; ++axis)
    for (int stick = 0; stick < 2 && stick < out[axis]->Length(); ++stick)
      (*out[axis])[stick] = *sticks[axis][stick];

  const int kButtons = 32;
  unsigned char pressed[kButtons] = {};
  glfwGetJoystickButtons(port, pressed, count < 0 ? 0 : count > kButtons ? kButtons : count);
  for (int i = 0; i < kButtons && i < buttons.Length(); ++i) buttons[i] = pressed[i] == GLFW_PRESS;
  return true;
}

void VelGlfwGame::SetMouseVisible(bool visible) {
  if (visible)
    glfwEnable(GLFW_MOUSE_CURSOR);
  else
    glfwDisable(GLFW_MOUSE_CURSOR);
}
