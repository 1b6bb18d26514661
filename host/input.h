// The input module: one table of key codes 1..511 with, per code, whether it is held and how
// often it was pressed since the last update, plus pointer, touch, joystick and accelerometer
// positions. Keys, mouse buttons (1..3), joystick buttons (256 + 32 * pad + button), touches
// (384 + index), the back key (416) and the close request (432) are all key codes.
#pragma once

#include "runtime/array.h"
#include "runtime/object.h"

// One joystick: entry 0 of each axis array is the first stick, entry 1 the second.
class c_JoyState : public Object {
 public:
  Array<float> m_JoyX;
  Array<float> m_JoyY;
  Array<float> m_JoyZ;
  Array<bool> m_Buttons;

  c_JoyState* m_new();
  void mark() override;
};

class c_InputDevice : public Object {
 public:
  static constexpr int kCodes = 512;
  static constexpr int kHitQueueSize = 33;
  static constexpr int kCharQueueSize = 32;
  static constexpr int kTouches = 32;
  static constexpr int kJoysticks = 4;
  static constexpr int kJoyButtons = 32;

  Array<c_JoyState*> m_JoyStates;
  Array<bool> m_KeyDown;
  int m_HitQueueLen = 0;
  Array<int> m_HitQueue;
  Array<int> m_KeyHits;
  int m_CharGet = 0;
  int m_CharPut = 0;
  Array<int> m_CharQueue;
  float m_PointerX = 0;
  float m_PointerY = 0;
  Array<float> m_TouchPosX;
  Array<float> m_TouchPosY;
  float m_MotionX = 0;
  float m_MotionY = 0;
  float m_MotionZ = 0;

  c_InputDevice* m_new();
  void mark() override;

  // Events: key down 1, key up 2, character 3; mouse down 4, up 5, move 6 (button in data);
  // touch down 7, up 8, move 9 (index in data); motion 10.
  int p_KeyEvent(int event, int data);
  int p_MouseEvent(int event, int data, float x, float y);
  int p_TouchEvent(int event, int data, float x, float y);
  int p_MotionEvent(int event, int data, float x, float y, float z);
  // Counts one press of `code` while the hit queue has room.
  int p_PutKeyHit(int code);
  // Polls joysticks 0..3 (stopping at the first absent one) into held states and hits.
  int p_BeginUpdate();
  // Forgets this update's hits and characters.
  int p_EndUpdate();
  int p_SetKeyboardEnabled(bool enabled);
  // The next character of this update, or 0.
  int p_GetChar();
  // Codes outside 1..511 are never hit nor held.
  int p_KeyHit(int code);
  bool p_KeyDown(int code);
  float p_MouseX();
  float p_MouseY();
  // Touch positions; 0 for indexes outside 0..31.
  float p_TouchX(int index);
  float p_TouchY(int index);
  // Stick `index` (0 or 1) of joystick `unit` (0..3); 0 for anything else.
  float p_JoyX(int index, int unit);
  float p_JoyY(int index, int unit);
  float p_AccelX();
  float p_AccelY();

 private:
  void KeyDown(int code);
  void KeyUp(int code);
  void SetTouch(int index, float x, float y);
};

extern c_InputDevice* vel_input_device;

// Sets the module's globals and registers them with the collector.
void vel_input_InitGlobals();
int vel_input_SetInputDevice(c_InputDevice* device);
int vel_input_KeyDown(int code);
int vel_input_KeyHit(int code);
int vel_input_MouseDown(int button);
int vel_input_MouseHit(int button);
float vel_input_MouseX();
float vel_input_MouseY();
int vel_input_TouchDown(int index);
float vel_input_TouchX(int index);
float vel_input_TouchY(int index);
int vel_input_JoyDown(int button, int unit);
int vel_input_JoyHit(int button, int unit);
float vel_input_JoyX(int index, int unit);
float vel_input_JoyY(int index, int unit);
float vel_input_AccelX();
float vel_input_AccelY();
int vel_input_GetChar();
int vel_input_EnableKeyboard();
int vel_input_DisableKeyboard();
