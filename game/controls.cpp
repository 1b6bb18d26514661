// Controls: the game asks for a control (up, button 1, back, ...) on one of four pads, never
// for a key. p_PlayKey answers from the keyboard, the pad's joystick and the injected control
// states together; p_AnalogueControl turns controls, the first stick and a dragged pointer
// into one steering vector; the iCade decoder turns the letters an iCade cabinet types into
// held controls.
#include "game/framework.h"
#include "game/my_app.h"

namespace {

// One row of the control mapping. Lists end at 0 (or -1 for joystick buttons).
struct ControlRow {
  int code;
  int keys[4];            // always
  int plainKeys[3];       // only when the iCade mode is off
  int buttons[4];         // joystick buttons of the pad
  int stick;              // 0 none, else which stick direction counts
  int controls[4];        // m_Control entries
};

enum Stick { kNoStick, kStickUp, kStickLeft, kStickRight, kStickDown };

const ControlRow kRows[] = {
    {0, {38, 0}, {87, 0}, {9, -1}, kStickUp, {0, -1}},
    {3, {37, 0}, {65, 0}, {8, -1}, kStickLeft, {3, -1}},
    {5, {39, 0}, {68, 0}, {10, -1}, kStickRight, {5, -1}},
    {8, {40, 0}, {83, 0}, {11, -1}, kStickDown, {8, -1}},
    {10, {32, 13, 0}, {90, 74, 0}, {0, -1}, kNoStick, {10, -1}},
    {11, {17, 0}, {88, 75, 0}, {1, -1}, kNoStick, {11, -1}},
    {12, {16, 0}, {67, 76, 0}, {2, -1}, kNoStick, {12, -1}},
    {13, {0}, {86, 73, 0}, {3, -1}, kNoStick, {13, -1}},
    {14, {0}, {66, 85, 0}, {4, -1}, kNoStick, {14, -1}},
    {15, {0}, {78, 79, 0}, {5, -1}, kNoStick, {15, -1}},
    {99, {27, 46, 8, 0}, {192, 0}, {6, 7, 14, -1}, kNoStick, {16, 17, 19, -1}},
};

const ControlRow* find_row(int code) {
  for (const ControlRow& row : kRows)
    if (row.code == code) return &row;
  return nullptr;
}

bool stick_active(int stick, int pad) {
  switch (stick) {
    case kStickUp: return vel_input_JoyY(0, pad) > 0.4f;
    case kStickLeft: return vel_input_JoyX(0, pad) < -0.4f;
    case kStickRight: return vel_input_JoyX(0, pad) > 0.4f;
    case kStickDown: return vel_input_JoyY(0, pad) < -0.4f;
  }
  return false;
}

float clamp_unit(float v) { return v < -1.0f ? -1.0f : (v > 1.0f ? 1.0f : v); }

// One direction key (direction -1 for up or left, 1 for down or right): held, it pushes the
// steering 0.15 further that way; released, a push that way falls back by 0.2, not past 0.
void key_push(int held, float direction, float* push, float* steer) {
  if (held) {
    *push += 0.15f * direction;
    *steer = *push;
  } else if (*push * direction > 0.0f) {
    *push -= 0.2f * direction;
    if (*push * direction < 0.0f) *push = 0.0f;
    *steer = *push;
  }
}

}  // namespace

int c_MyApp::p_PlayKey(int code, int analog, int pad) {
  if (pad < -1 || pad > 3) return 0;
  const ControlRow* row = find_row(code);
  if (!row) return 0;
  const bool iCade = vel_Game_iCadeControls == 1;

  for (int i = 0; row->keys[i]; ++i)
    if (vel_input_KeyDown(row->keys[i])) return 1;
  if (!iCade)
    for (int i = 0; row->plainKeys[i]; ++i)
      if (vel_input_KeyDown(row->plainKeys[i])) return 1;
  if (pad >= 0) {
    for (int i = 0; row->buttons[i] >= 0; ++i)
      if (vel_input_KeyDown(256 + 32 * pad + row->buttons[i])) return 1;
    if (analog == 1 && !iCade && stick_active(row->stick, pad)) return 1;
  }
  // In the iCade mode, buttons 4 to 6 report the injected state itself (held is 2).
  if (iCade && pad == -1 && code >= 13 && code <= 15) return m_Control[code];
  for (int i = 0; row->controls[i] >= 0; ++i)
    if (m_Control[row->controls[i]] != 0) return 1;
  return 0;
}

int c_MyApp::p_AnalogueControl() {
  m_SteerX = m_SteerY = 0.0f;

  // Pointer drag: steering is the offset from an anchor that trails the pointer.
  if (m_MouseDown == 0) {
    m_DragX = -1;
  } else if (m_DragX < 0) {
    m_DragX = m_MouseX;
    m_DragY = m_MouseY;
  } else {
    m_SteerX = static_cast<float>(m_MouseX - m_DragX) / 72.0f;
    m_SteerY = static_cast<float>(m_MouseY - m_DragY) / 72.0f;
    if (std::fabs(m_SteerX) < 0.1f && std::fabs(m_SteerY) < 0.1f) m_SteerX = m_SteerY = 0.0f;
    if (m_MouseX < m_DragX - 64) m_DragX -= 4;
    if (m_MouseX > m_DragX + 64) m_DragX += 4;
    if (m_MouseY < m_DragY - 64) m_DragY -= 4;
    if (m_MouseY > m_DragY + 64) m_DragY += 4;
    if (m_DragX < 0) {
      m_DragX = m_MouseX;
      m_DragY = m_MouseY;
    }
  }
  if (m_MouseDown) {
    p_SetCol(0.0f, 100.0f, 250.0f, 0.25f);
    p_Oval(static_cast<float>(m_DragX), static_cast<float>(m_DragY), 12.0f, 12.0f);
    p_Oval(static_cast<float>(m_MouseX), static_cast<float>(m_MouseY), 8.0f, 8.0f);
  }

  // The first joystick's stick; its up is the screen's up.
  const float jx = vel_input_JoyX(0, 0), jy = vel_input_JoyY(0, 0);
  if (std::fabs(jx) > 0.2f || std::fabs(jy) > 0.2f) {
    m_SteerX = jx;
    m_SteerY = -jy;
  }

  // Held directions build up steering by 0.15 per update and let it fall back by 0.2.
  key_push(p_PlayKey(0, 0, 0), -1.0f, &m_KeyPushY, &m_SteerY);
  key_push(p_PlayKey(8, 0, 0), 1.0f, &m_KeyPushY, &m_SteerY);
  key_push(p_PlayKey(3, 0, 0), -1.0f, &m_KeyPushX, &m_SteerX);
  key_push(p_PlayKey(5, 0, 0), 1.0f, &m_KeyPushX, &m_SteerX);
  m_SteerX = clamp_unit(m_SteerX);
  m_SteerY = clamp_unit(m_SteerY);
  m_KeyPushX = clamp_unit(m_KeyPushX);
  m_KeyPushY = clamp_unit(m_KeyPushY);

  if (vel_Game_DebugMode == 1 && (std::fabs(m_SteerX) > 0.05f || std::fabs(m_SteerY) > 0.05f)) {
    const float cx = vel_Game_jscrw - 64.0f, cy = vel_Game_jscrh - 64.0f;
    p_SetCol(0.0f, 180.0f, 250.0f, 0.5f);
    p_Oval(cx, cy, 12.0f, 12.0f);
    p_Oval(cx + 52.0f * m_SteerX, cy + 52.0f * m_SteerY, 8.0f, 8.0f);
  }
  return 0;
}

int c_MyApp::p_iCade(int on) {
  if (on == 1) {
    vel_app__game->SetKeyboardEnabled(true);
    vel_Game_iCadeControls = 1;
    do {
      m_CharCode = vel_input_GetChar();
    } while (m_CharCode != 0);
  } else {
    vel_app__game->SetKeyboardEnabled(false);
    vel_Game_iCadeControls = 0;
    for (m_Loop = 0; m_Loop <= 18; ++m_Loop) m_Control[m_Loop] = 0;
  }
  return 0;
}

void c_MyApp::DecodeICade() {
  // Press letter, release letter, control entry.
  static const struct {
    char press, release;
    int control;
  } kLetters[] = {{'W', 'E', 0},  {'X', 'Z', 8},  {'A', 'Q', 3},  {'D', 'C', 5},
                  {'Y', 'T', 13}, {'U', 'F', 14}, {'I', 'M', 15}, {'O', 'G', 16},
                  {'H', 'R', 10}, {'J', 'N', 11}, {'K', 'P', 12}, {'L', 'V', 17}};
  for (;;) {
    m_CharCode = vel_input_GetChar();
    if (m_CharCode == 0) break;
    if (m_CharCode < 0) continue;
    int c = m_CharCode;
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    for (const auto& letter : kLetters) {
      if (c == letter.press) {
        m_Control[letter.control] = 2;
        break;
      }
      if (c == letter.release) {
        m_Control[letter.control] = 0;
        break;
      }
    }
  }
}
