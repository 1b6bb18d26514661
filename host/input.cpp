#include "host/input.h"

#include "platform/vel_game.h"
#include "runtime/gc.h"

namespace {

bool valid_code(int code) { return code >= 1 && code < c_InputDevice::kCodes; }

const int kMouseLeft = 1;
const int kTouch0 = 384;

}  // namespace

c_JoyState* c_JoyState::m_new() {
  m_JoyX = Array<float>(2);
  m_JoyY = Array<float>(2);
  m_JoyZ = Array<float>(2);
  m_Buttons = Array<bool>(c_InputDevice::kJoyButtons);
  return this;
}

void c_JoyState::mark() {
  gc_grey(m_JoyX);
  gc_grey(m_JoyY);
  gc_grey(m_JoyZ);
  gc_grey(m_Buttons);
}

c_InputDevice* c_InputDevice::m_new() {
  m_JoyStates = Array<c_JoyState*>(kJoysticks);
  for (int i = 0; i < kJoysticks; ++i) m_JoyStates.Set(i, (new c_JoyState)->m_new());
  m_KeyDown = Array<bool>(kCodes);
  m_HitQueue = Array<int>(kHitQueueSize);
  m_KeyHits = Array<int>(kCodes);
  m_CharQueue = Array<int>(kCharQueueSize);
  m_TouchPosX = Array<float>(kTouches);
  m_TouchPosY = Array<float>(kTouches);
  return this;
}

void c_InputDevice::mark() {
  gc_grey(m_JoyStates);
  gc_grey(m_KeyDown);
  gc_grey(m_HitQueue);
  gc_grey(m_KeyHits);
  gc_grey(m_CharQueue);
  gc_grey(m_TouchPosX);
  gc_grey(m_TouchPosY);
}

int c_InputDevice::p_PutKeyHit(int code) {
  if (m_HitQueueLen == kHitQueueSize || !valid_code(code)) return 0;
  m_KeyHits[code] += 1;
  m_HitQueue[m_HitQueueLen++] = code;
  return 0;
}

// Held keys are counted once. Mouse button 1 and touch 0 are one pointer, so each mirrors
// the other.
void c_InputDevice::KeyDown(int code) {
  if (!valid_code(code) || m_KeyDown[code]) return;
  m_KeyDown[code] = true;
  p_PutKeyHit(code);
  int twin = code == kMouseLeft ? kTouch0 : code == kTouch0 ? kMouseLeft : 0;
  if (twin) {
    m_KeyDown[twin] = true;
    p_PutKeyHit(twin);
  }
}

void c_InputDevice::KeyUp(int code) {
  if (!valid_code(code) || !m_KeyDown[code]) return;
  m_KeyDown[code] = false;
  if (code == kMouseLeft) m_KeyDown[kTouch0] = false;
  if (code == kTouch0) m_KeyDown[kMouseLeft] = false;
}

void c_InputDevice::SetTouch(int index, float x, float y) {
  m_TouchPosX[index] = x;
  m_TouchPosY[index] = y;
  if (index == 0) {
    m_PointerX = x;
    m_PointerY = y;
  }
}

int c_InputDevice::p_KeyEvent(int event, int data) {
  switch (event) {
    case 1:
      KeyDown(data);
      break;
    case 2:
      KeyUp(data);
      break;
    case 3:
      if (m_CharPut < kCharQueueSize) m_CharQueue[m_CharPut++] = data;
      break;
  }
  return 0;
}

int c_InputDevice::p_MouseEvent(int event, int data, float x, float y) {
  switch (event) {
    case 4:
      KeyDown(data + 1);
      SetTouch(0, x, y);
      break;
    case 5:
      KeyUp(data + 1);
      break;
    case 6:
      SetTouch(0, x, y);
      break;
  }
  return 0;
}

int c_InputDevice::p_TouchEvent(int event, int data, float x, float y) {
  // Only touches 0..31 exist; 384 + 32 would already be the back key.
  if (data < 0 || data >= kTouches) return 0;
  switch (event) {
    case 7:
      KeyDown(kTouch0 + data);
      SetTouch(data, x, y);
      break;
    case 8:
      KeyUp(kTouch0 + data);
      break;
    case 9:
      SetTouch(data, x, y);
      break;
  }
  return 0;
}

int c_InputDevice::p_MotionEvent(int event, int, float x, float y, float z) {
  if (event != 10) return 0;
  m_MotionX = x;
  m_MotionY = y;
  m_MotionZ = z;
  return 0;
}

int c_InputDevice::p_BeginUpdate() {
  VelGame* host = VelGame::_game;
  if (!host) return 0;
  for (int unit = 0; unit < kJoysticks; ++unit) {
    c_JoyState* state = m_JoyStates[unit];
    if (!host->PollJoystick(unit, state->m_JoyX, state->m_JoyY, state->m_JoyZ, state->m_Buttons))
      break;
    for (int button = 0; button < kJoyButtons; ++button) {
      int code = 256 + 32 * unit + button;
      if (state->m_Buttons[button]) {
        if (!m_KeyDown[code]) {
          m_KeyDown[code] = true;
          p_PutKeyHit(code);
        }
      } else {
        m_KeyDown[code] = false;
      }
    }
  }
  return 0;
}

int c_InputDevice::p_EndUpdate() {
  for (int i = 0; i < m_HitQueueLen; ++i) m_KeyHits[m_HitQueue[i]] = 0;
  m_HitQueueLen = 0;
  m_CharGet = 0;
  m_CharPut = 0;
  return 0;
}

int c_InputDevice::p_SetKeyboardEnabled(bool enabled) {
  if (VelGame::_game) VelGame::_game->SetKeyboardEnabled(enabled);
  return 1;
}

int c_InputDevice::p_GetChar() {
  if (m_CharGet == m_CharPut) return 0;
  return m_CharQueue[m_CharGet++];
}

int c_InputDevice::p_KeyHit(int code) { return valid_code(code) ? m_KeyHits[code] : 0; }
bool c_InputDevice::p_KeyDown(int code) { return valid_code(code) && m_KeyDown[code]; }
float c_InputDevice::p_MouseX() { return m_PointerX; }
float c_InputDevice::p_MouseY() { return m_PointerY; }
float c_InputDevice::p_TouchX(int index) {
  return index >= 0 && index < kTouches ? m_TouchPosX[index] : 0;
}
float c_InputDevice::p_TouchY(int index) {
  return index >= 0 && index < kTouches ? m_TouchPosY[index] : 0;
}
float c_InputDevice::p_JoyX(int index, int unit) {
  if (unit < 0 || unit >= kJoysticks || index < 0 || index > 1) return 0;
  return m_JoyStates[unit]->m_JoyX[index];
}
float c_InputDevice::p_JoyY(int index, int unit) {
  if (unit < 0 || unit >= kJoysticks || index < 0 || index > 1) return 0;
  return m_JoyStates[unit]->m_JoyY[index];
}
float c_InputDevice::p_AccelX() { return m_MotionX; }
float c_InputDevice::p_AccelY() { return m_MotionY; }

// The module.

c_InputDevice* vel_input_device = nullptr;

void vel_input_InitGlobals() {
  vel_input_device = nullptr;
  gc_register_root(&vel_input_device);
}

int vel_input_SetInputDevice(c_InputDevice* device) {
  gc_assign(vel_input_device, device);
  return 0;
}

// Before a device is installed every reading is 0.
int vel_input_KeyDown(int code) { return vel_input_device && vel_input_device->p_KeyDown(code) ? 1 : 0; }
int vel_input_KeyHit(int code) { return vel_input_device ? vel_input_device->p_KeyHit(code) : 0; }
int vel_input_MouseDown(int button) {
  return button >= 0 && button <= 510 ? vel_input_KeyDown(button + 1) : 0;
}
int vel_input_MouseHit(int button) {
  return button >= 0 && button <= 510 ? vel_input_KeyHit(button + 1) : 0;
}
float vel_input_MouseX() { return vel_input_device ? vel_input_device->p_MouseX() : 0; }
float vel_input_MouseY() { return vel_input_device ? vel_input_device->p_MouseY() : 0; }
int vel_input_TouchDown(int index) {
  return index >= 0 && index <= 511 - kTouch0 ? vel_input_KeyDown(kTouch0 + index) : 0;
}
float vel_input_TouchX(int index) { return vel_input_device ? vel_input_device->p_TouchX(index) : 0; }
float vel_input_TouchY(int index) { return vel_input_device ? vel_input_device->p_TouchY(index) : 0; }
// Buttons outside 0..31 or units outside 0..3 would name another joystick's or no code.
int vel_input_JoyDown(int button, int unit) {
  if (button < 0 || button > 31 || unit < 0 || unit > 3) return 0;
  return vel_input_KeyDown(256 | unit << 5 | button);
}
int vel_input_JoyHit(int button, int unit) {
  if (button < 0 || button > 31 || unit < 0 || unit > 3) return 0;
  return vel_input_KeyHit(256 | unit << 5 | button);
}
float vel_input_JoyX(int index, int unit) { return vel_input_device ? vel_input_device->p_JoyX(index, unit) : 0; }
float vel_input_JoyY(int index, int unit) { return vel_input_device ? vel_input_device->p_JoyY(index, unit) : 0; }
float vel_input_AccelX() { return vel_input_device ? vel_input_device->p_AccelX() : 0; }
float vel_input_AccelY() { return vel_input_device ? vel_input_device->p_AccelY() : 0; }
int vel_input_GetChar() { return vel_input_device ? vel_input_device->p_GetChar() : 0; }
int vel_input_EnableKeyboard() { return vel_input_device ? vel_input_device->p_SetKeyboardEnabled(true) : 1; }
int vel_input_DisableKeyboard() { return vel_input_device ? vel_input_device->p_SetKeyboardEnabled(false) : 1; }
