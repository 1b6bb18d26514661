// c_MyApp: construction, start, the fixed order of one update, the render that replays the
// draw list, and suspend / resume.
#include "game/my_app.h"

#include "game/framework.h"
#include "platform/trace.h"

c_MyApp::c_MyApp()
    : m_TouchDown(10),
      m_TouchX(10),
      m_TouchY(10),
      m_Control(20),
      m_DrawList(kDrawListFloats),
      m_Images(100),
      m_ImgInfo(300),
      m_Sounds(100),
      m_Options(25),
      m_HighScores(150),
      m_BadgeFlags(256),
      m_BadgePopup(15),
      m_BadgePopupTime(15),
      m_Order(33),
      m_Stars(5100),
      m_Particles(5100),
      m_World(512),
      m_Bads(1024) {
  m_StarCount = 100;
  m_ParticleMax = 250;
  gc_assign(m_Music, (new c_TonoPlayer())->m_new());
}

c_MyApp* c_MyApp::m_new() {
  c_App::m_new();
  return this;
}

void c_MyApp::mark() {
  c_App::mark();
  gc_grey(m_TouchDown);
  gc_grey(m_TouchX);
  gc_grey(m_TouchY);
  gc_grey(m_Control);
  gc_grey(m_DrawList);
  gc_grey(m_Images);
  gc_grey(m_ImgInfo);
  gc_grey(m_Sounds);
  gc_grey(m_Music);
  gc_grey(m_Options);
  gc_grey(m_HighScores);
  gc_grey(m_BadgeFlags);
  gc_grey(m_BadgePopup);
  gc_grey(m_BadgePopupTime);
  gc_grey(m_Order);
  gc_grey(m_Stars);
  gc_grey(m_Particles);
  gc_grey(m_World);
  gc_grey(m_Bads);
}

int c_MyApp::p_ResetDraw() {
  m_SizeX = 1.0f;
  m_SizeY = 1.0f;
  m_Rot = 0.0f;
  m_ColR = m_ColG = m_ColB = 255.0f;
  m_Alpha = 1.0f;
  m_Blend = 1;
  return 0;
}

int c_MyApp::p_OnCreate() {
  m_Fullscreen = 0;
  m_Loaded = 0;
  p_ResetStars(100);
  m_Mode = 1;
  vel_app_SetUpdateRate(60);
  m_DeviceW = vel_graphics_DeviceWidth();
  m_DeviceH = vel_graphics_DeviceHeight();
  // The procedural player: tracks on channels 31..27, and how many drum kits, leads,
  // accompaniments and basses the data holds.
  if (vel_Game_HasMusic == 1) m_Music->p_Tono_Init(32, 4, 3, 3, 4);
  p_Reload();
  m_Difficulty = 2;
  m_MenuTimer = -32;
  m_Paused = 0;
  m_PauseDir = -1;
  m_PauseSlide = -64;
  for (m_Loop = 0; m_Loop <= 14; ++m_Loop) {
    m_BadgePopup[m_Loop] = 0;
    m_BadgePopupTime[m_Loop] = 0;
  }
  for (m_Loop = 0; m_Loop <= 127; ++m_Loop) m_BadgeFlags[m_Loop] = false;
  for (m_Loop = 0; m_Loop <= 18; ++m_Loop) m_Control[m_Loop] = 0;
  for (m_Loop = 0; m_Loop <= 24; ++m_Loop) m_Options[m_Loop] = 0;
  m_Options[5] = 1;
  for (m_Loop = 0; m_Loop <= 30; ++m_Loop) m_HighScores[m_Loop] = 0;
  p_Load();
  for (m_Loop = 0; m_Loop <= 32; ++m_Loop) m_Order[m_Loop] = m_Loop;
  return 0;
}

namespace {

// Instantaneous and smoothed rate from the clock; the instantaneous value stays when the
// clock has not advanced.
void measure_rate(int* lastMs, int* fps, int* fpsAvg) {
  int t = vel_app_Millisecs();
  if (t > *lastMs) *fps = 1000 / (t - *lastMs);
  *fpsAvg = (*fpsAvg * 9 + *fps) / 10;
  *lastMs = vel_app_Millisecs();
}

// Device pixels to whole virtual units. Before the first render there is no scale yet; the
// pointer then reads 0 instead of dividing by zero.
int to_virtual(float pixels, float scale) {
  if (!(scale > 0.0f)) return 0;
  return trunc_to_int(pixels / scale);
}

}  // namespace

int c_MyApp::p_OnUpdate() {
  // 1-2. Back key count and function keys.
  m_Control[19] = vel_input_KeyHit(416);
  if (vel_input_KeyHit(112)) vel_Game_DebugMode = 1 - vel_Game_DebugMode;
  if (vel_input_KeyHit(113)) m_HideHud = 1 - m_HideHud;
  if (vel_input_KeyHit(122)) p_FullscreenFlip();
  if (vel_input_KeyHit(115) || vel_input_KeyHit(432)) velError(String());

  // 3-4. Async events; the streamed tune follows the pause state.
  vel_asyncevent_UpdateAsyncEvents();
  if (vel_Game_HasMusicStream == 1 && m_TunePlaying == 1) {
    if (m_Paused) {
      vel_audio_PauseMusic();
    } else {
      vel_audio_ResumeMusic();
    }
  }

  // 5. Update rate.
  measure_rate(&m_UpdateLastMs, &m_UpdateFps, &m_UpdateFpsAvg);

  // 6. The procedural player plays when the sound option includes music (1 or 3).
  if (vel_Game_HasMusic == 1) {
    const int option = m_Options[5];
    m_Music->p_Tono_Alive_U(m_Paused, option == 1 || option == 3 ? 1 : 0);
  }

  // 7. Pointer, in virtual units.
  const float ox = vel_Game_overscan;
  const float oy = ox * static_cast<float>(vel_graphics_DeviceHeight()) /
                   static_cast<float>(vel_graphics_DeviceWidth());
  m_PrevMouseX = m_MouseX;
  m_PrevMouseY = m_MouseY;
  m_MouseX = to_virtual(vel_input_MouseX() - ox, m_ScaleX);
  m_MouseY = to_virtual(vel_input_MouseY() - oy, m_ScaleY);
  const int leftDown = vel_input_KeyDown(1);
  if (m_MouseWasDown == 0 && leftDown) {
    m_PrevMouseX = m_MouseX;  // a fresh press never shows movement
    m_PrevMouseY = m_MouseY;
  }
  m_MouseDown = leftDown;

  // 8. Touches.
  for (m_Loop = 0; m_Loop <= 9; ++m_Loop) {
    m_TouchDown[m_Loop] = 0;
    m_TouchX[m_Loop] = static_cast<int>(kUnset);
    m_TouchY[m_Loop] = static_cast<int>(kUnset);
    if (vel_input_KeyDown(384 + m_Loop)) {
      m_TouchDown[m_Loop] = 1;
      m_TouchX[m_Loop] = to_virtual(vel_input_TouchX(m_Loop) - ox, m_ScaleX);
      m_TouchY[m_Loop] = to_virtual(vel_input_TouchY(m_Loop) - oy, m_ScaleY);
      m_MouseDown = 1;
    }
  }
  m_MouseWasDown = leftDown;

  // 9-10. Latches.
  if (m_MouseDown == 0) m_ClickLatch = 0;
  static const int kLatchControls[] = {0, 3, 5, 8, 10, 11, 12, 13, 14, 15, 16, 17, 99};
  int held = -1;
  for (int code : kLatchControls) {
    for (int pad = 0; pad <= 3 && held < 0; ++pad)
      if (p_PlayKey(code, 1, pad)) held = code;
    if (held >= 0) break;
  }
  if (held < 0) m_KeyLatch = 0;
  // Back closes a box even while another control is held too (the search above stops at the
  // first held control); otherwise the menu underneath would take that back as quitting.
  if (m_KeyLatch == 0 && m_ClickLatch == 0 && m_Mode == 1 &&
      (m_CreditsOpen || m_OptionsOpen || m_BadgesOpen) && Held(99)) {
    m_CreditsOpen = 0;
    m_BadgesOpen = 0;
    m_KeyLatch = 1;
    m_ClickLatch = 1;
  }
  if (m_OptionsOpen == 1) {
    m_KeyLatch = 1;
    m_ClickLatch = 1;
  }

  // 11. The screen of the current mode, then the boxes over it.
  if (m_LoadStep == 0) {
    bool backFromGame = false;
    switch (m_Mode) {
      case 1:
        p_Menu();
        break;
      case 2:
        p_LoadMenu();
        p_PlaySFX(96, 1.0f);
        m_Mode = 1;
        p_GameOver();
        backFromGame = true;
        break;
      case 4:
        p_OuyaQuit();
        break;
      case 10:
        p_Game();
        p_InGame();
        break;
      case 11:
        p_LoadGame();
        break;
    }
    if (!backFromGame) {
      if (m_Mode == 10 && m_GameOverTimer > 0) p_GameOver();
      if (m_Mode == 1 || m_Mode == 2) p_GameOver();
    }
    if (m_Mode == 1 && (m_CreditsOpen == 1 || m_CreditsSlide > 0)) p_CreditBox();
    if (m_CreditsOpen == 1 && m_CreditsSlide < 30) ++m_CreditsSlide;
    if (m_CreditsOpen == 0 && m_CreditsSlide > 0) --m_CreditsSlide;
    if (m_Mode == 1 && m_BadgesOpen == 1) p_BadgesBox();
    if (m_OptionsOpen == 1 || m_OptionsSlide > 0) {
      p_OptionBox();
      if (m_OptionsOpen == 1 && m_OptionsSlide < 30) ++m_OptionsSlide;
      if (m_OptionsOpen == 0 && m_OptionsSlide > 0) --m_OptionsSlide;
    }
  }

  // 12-14. Loader, iCade, expiry of one-update presses.
  if (m_LoadStep > 0) {
    p_Loader();
    if (m_LoadStep == 0) TraceMoment("loaded");
  }
  if (vel_Game_iCadeControls == 1) DecodeICade();
  for (m_Loop = 0; m_Loop <= 18; ++m_Loop)
    if (m_Control[m_Loop] == 1) m_Control[m_Loop] = 0;

  // 15-16. Debug overlay, then badge notices on top of everything.
  if (vel_Game_DebugMode == 1) {
    p_ResetDraw();
    p_Text(16.0f, vel_Game_jscrh - 16.0f,
           String(m_RenderFpsAvg) + String(":") + String(m_ScaleX) + String(",") + String(m_ScaleY),
           0.0f, 0.0f);
  }
  p_ShowBadges();
  return 0;
}

void c_MyApp::FitScreen(int deviceW, int deviceH) {
  const float W = static_cast<float>(deviceW), H = static_cast<float>(deviceH);
  const float o = vel_Game_overscan;
  m_ScaleX = (W - 2.0f * o) / vel_Game_rawscrw;
  m_ScaleY = (H - 2.0f * o) / vel_Game_rawscrh;
  // The deciding axis gets its design size exactly (W / (W / 640) may round to 639.99994,
  // which would cost a row of the score lists); the other axis follows at the same scale.
  if (m_ScaleY > m_ScaleX) {
    m_ScaleMode = 2;
    m_ScaleX = m_ScaleY;
    vel_Game_jscrh = vel_Game_rawscrh;
    vel_Game_jscrw = W * vel_Game_rawscrh / H;
  } else {
    m_ScaleMode = 1;
    m_ScaleY = m_ScaleX;
    vel_Game_jscrw = vel_Game_rawscrw;
    vel_Game_jscrh = H * vel_Game_rawscrw / W;
  }
}

void c_MyApp::ReplayDrawList() {
  const float ox = vel_Game_overscan;
  const float oy = ox * static_cast<float>(vel_graphics_DeviceHeight()) /
                   static_cast<float>(vel_graphics_DeviceWidth());
  const float* c = &m_DrawList[0];
  for (int i = 0; i < m_DrawCount - 14; i += kCommandFloats, c += kCommandFloats) {
    vel_graphics_SetAlpha(c[7]);
    vel_graphics_SetColor(c[10], c[11], c[12]);
    vel_graphics_SetBlend(c[13] == 3.0f ? 1 : 0);
    const float X = ox + m_ScaleX * c[1];
    const float Y = oy + m_ScaleY * c[2];
    const float kind = c[0];
    if (kind == kDrawRect) {
      vel_graphics_DrawRect(X, Y, c[4] * m_ScaleX, c[5] * m_ScaleY);
    } else if (kind == kDrawOval) {
      vel_graphics_DrawEllipse(X, Y, c[4] * m_ScaleX, c[5] * m_ScaleY);
    } else if (kind == kDrawLine) {
      vel_graphics_DrawLine(X, Y, ox + m_ScaleX * c[4], oy + m_ScaleY * c[5]);
    } else if (kind > -1.0f) {
      const int n = static_cast<int>(kind);
      c_Image* image = n < m_Images.Length() ? m_Images[n] : nullptr;
      if (image) {
        vel_graphics_DrawImage2(image, X, Y, c[3], c[4] * m_ScaleX * m_ImgScale,
                                c[5] * m_ScaleY * m_ImgScale, static_cast<int>(c[6]));
      }
    }
  }
}

int c_MyApp::p_OnRender() {
  // The player's loader draws and reads back in this frame before anything else is drawn.
  if (vel_Game_HasMusic == 1) m_Music->p_Tono_Alive_R();
  measure_rate(&m_RenderLastMs, &m_RenderFps, &m_RenderFpsAvg);

  const int W = vel_graphics_DeviceWidth(), H = vel_graphics_DeviceHeight();
  vel_graphics_SetColor(m_ClsR, m_ClsG, m_ClsB);
  vel_graphics_SetAlpha(m_ClsA);
  vel_graphics_DrawRect(-1.0f, -1.0f, static_cast<float>(W + 2), static_cast<float>(H + 2));
  vel_graphics_SetColor(255.0f, 255.0f, 255.0f);
  vel_graphics_SetAlpha(1.0f);

  // A device of no size (a window being minimised or re-created) has no scale: the last
  // good size stays, instead of a virtual screen of NaN that positions would never leave.
  if (W > 0 && H > 0) {
    if (W != m_DeviceW || H != m_DeviceH) {
      m_LoadStep = 1;  // a new size may call for other art: reload everything
      m_DeviceW = W;
      m_DeviceH = H;
    }
    FitScreen(W, H);
  }
  m_Landscape = vel_Game_jscrh <= vel_Game_jscrw ? 1 : 0;
  ReplayDrawList();
  if (m_LoadStep > 0 && m_DrawCount > 0) TraceFrame("loading-frame");
  // The menu's first frame: its timer has taken its first step from -32.
  if (m_LoadStep == 0 && m_Mode == 1 && m_MenuTimer == -31) TraceFrame("menu-frame");

  vel_graphics_SetAlpha(0.5f);
  vel_graphics_SetColor(255.0f, 255.0f, 255.0f);
  return 0;
}

int c_MyApp::p_InGame() {
  p_ResetDraw();
  m_MenuTimer = -32;
  bool back = false;
  for (int pad = 0; pad <= 3; ++pad)
    if (p_PlayKey(99, 1, pad)) back = true;
  if (back && m_Paused == 0 && m_KeyLatch == 0) {
    m_KeyLatch = 1;
    m_Paused = 1;
    m_PauseDir = 1;
    m_PauseSel = 0;
    p_PlaySFX(98, 0.5f);
  }
  if (m_HideHud == 0) {
    p_DrawImg(97, 16.0f, 16.0f, 0.0f);
    const float hw = static_cast<float>(m_ImgInfo[3 * 97]) * 0.5f * m_ImgScale * m_SizeX;
    const float hh = static_cast<float>(m_ImgInfo[3 * 97 + 1]) * 0.5f * m_ImgScale * m_SizeY;
    bool pressed = false;
    for (m_Loop = 0; m_Loop <= 9; ++m_Loop) {
      const float dx = static_cast<float>(m_TouchX[m_Loop]) - 16.0f;
      const float dy = static_cast<float>(m_TouchY[m_Loop]) - 16.0f;
      if ((dx < 0 ? -dx : dx) < hw && (dy < 0 ? -dy : dy) < hh && m_MouseDown > 0) pressed = true;
    }
    if (pressed && m_Paused == 0) {
      m_Paused = 1;
      m_PauseDir = 1;
      m_ClickLatch = 1;
      m_PauseSel = 0;
      p_PlaySFX(98, 0.5f);
    }
  }
  if (m_Paused == 1) p_PauseMenu();
  return 0;
}

namespace {

void pause_on_focus_change(c_MyApp* app) {
  if (app->m_Mode < 10) {
    app->m_Paused = app->m_PauseDir = app->m_PauseSlide = 0;
  } else {
    // A game in progress always comes back paused, with the panel fully open.
    app->m_Paused = 1;
    app->m_PauseDir = 1;
    app->m_PauseSlide = static_cast<int>(vel_Game_jscrh * 0.5f);
  }
}

void release_controls(c_MyApp* app) {
  vel_app__game->SetKeyboardEnabled(false);
  vel_Game_iCadeControls = 0;
  for (app->m_Loop = 0; app->m_Loop <= 18; ++app->m_Loop) app->m_Control[app->m_Loop] = 0;
}

}  // namespace

int c_MyApp::p_OnSuspend() {
  release_controls(this);
  pause_on_focus_change(this);
  vel_app_SetUpdateRate(5);
  p_Save();
  return 0;
}

int c_MyApp::p_OnResume() {
  pause_on_focus_change(this);
  vel_app_SetUpdateRate(60);
  release_controls(this);
  return 0;
}
