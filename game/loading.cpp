// Loading: the art resolution, the numbered image table, the 33-step loader that spreads
// loading over consecutive updates (so the loading screen keeps moving), the loading screen
// itself, and the fullscreen switch.
#include "game/framework.h"
#include "game/my_app.h"

void c_MyApp::ChooseResolution() {
  const int W = vel_graphics_DeviceWidth(), H = vel_graphics_DeviceHeight();
  m_HdFactor = 1;
  m_ImgScale = 1.0f;
  if (W > 630 || H > 630) {
    m_HdFactor = 2;
    m_ImgScale = 0.5f;
  }
  if (W > 1230 || H > 1230) {
    m_HdFactor = 4;
    m_ImgScale = 0.25f;
  }
}

namespace {

String art_file(const String& name, int hdFactor) {
  if (hdFactor == 2) return name + String("-hd.png");
  if (hdFactor == 4) return name + String("-hd2.png");
  return name + String(".png");
}

}  // namespace

int c_MyApp::p_LoadImg(int n, String name, int w, int h, int frames, int flags) {
  String file = art_file(name, m_HdFactor);
  m_Images.Set(n, static_cast<c_Image*>(nullptr));
  m_Images.Set(n, vel_graphics_LoadImage2(file, w * m_HdFactor, h * m_HdFactor, frames, flags));
  m_ImgInfo[3 * n] = w * m_HdFactor;
  m_ImgInfo[3 * n + 1] = h * m_HdFactor;
  m_ImgInfo[3 * n + 2] = frames;
  return 0;
}

int c_MyApp::p_LoadFont(int n, String name, int advance, int height) {
  String file = art_file(name, m_HdFactor);
  m_Images.Set(n, vel_graphics_LoadImage2(file, 16 * m_HdFactor, 16 * m_HdFactor, 128, 1));
  m_ImgInfo[3 * n] = advance;
  m_ImgInfo[3 * n + 1] = height;
  m_ImgInfo[3 * n + 2] = 128;
  m_FontImg = n;
  return 0;
}

int c_MyApp::p_Reload() {
  m_ClsR = m_ClsG = m_ClsB = 0.0f;
  m_ClsA = 1.0f;
  ChooseResolution();
  p_LoadImg(93, String("common/WoblLogo"), 256, 256, 1, 1);
  p_LoadFont(90, String("fonts/editundo"), 7, 10);
  m_LoadStep = 1;
  return 0;
}

int c_MyApp::p_Loader() {
  ChooseResolution();
  const int step = m_LoadStep;
  switch (step) {
    case 1:
      p_LoadImg(97, String("common/icons"), 32, 32, 16, 1);
      p_LoadSFX(96);
      break;
    case 2: p_LoadImg(95, String("common/Buttons"), 64, 64, 16, 1); break;
    case 3: p_LoadImg(94, String("common/dpad"), 32, 32, 16, 1); break;
    case 4:
      p_LoadImg(93, String("common/WoblLogo"), 256, 256, 1, 1);
      if (m_Loaded == 0) {
        p_PlaySFX(96, 1.0f);  // the start jingle plays on the first load only
        m_Loaded = 1;
      }
      break;
    case 5: p_LoadImg(91, String("common/Testcard_Circle"), 256, 256, 1, 1); break;
    case 6: p_LoadFont(90, String("fonts/editundo"), 7, 10); break;
    case 7: p_LoadSFX(1); break;
    case 8: p_LoadSFX(95); break;
    case 9: p_LoadSFX(98); break;
    case 10: p_LoadSFX(99); break;
    case 11: p_LoadImg(99, String("menu"), 256, 256, 4, 1); break;
    case 12: p_LoadImg(98, String("logo"), 256, 128, 1, 1); break;
    case 13: p_LoadImg(96, String("parts"), 8, 8, 256, 1); break;
    case 14: p_LoadImg(80, String("BadgesA"), 64, 64, 64, 1); break;
    case 15:
      p_LoadImg(10, String("planet0"), 128, 128, 1, 1);
      p_LoadImg(20, String("planetring"), 128, 128, 1, 1);
      break;
    case 25: p_LoadImg(1, String("gfx"), 32, 32, 64, 1); break;
    case 26: p_LoadImg(2, String("heart"), 32, 32, 1, 1); break;
    default:
      if (step >= 16 && step <= 24) {
        const int k = step - 15;
        p_LoadImg(10 + k, String("planet") + String(k), 128, 128, 1, 1);
      } else if (step >= 27 && step <= 32) {
        p_LoadSFX(step - 25);
      } else {
        m_LoadStep = 0;  // loading is finished
      }
      break;
  }
  if (m_LoadStep > 0) ++m_LoadStep;
  p_WaitStart(1);
  return 0;
}

int c_MyApp::p_WaitStart(int) {
  const float w = vel_Game_jscrw, h = vel_Game_jscrh;
  p_CLS2D(40.0f, 40.0f, 80.0f, 1.0f);
  const float r = static_cast<float>(trunc_to_int(w < h ? w : h));
  const int t = m_StartTimer;
  m_StartTimer = t + 16;

  // Two rings of dots, half a turn apart, each fading in around the circle.
  auto ring = [&](float grey, int offset) {
    for (int i = 0; i <= 10; ++i) {
      p_SetCol(grey, grey, grey, static_cast<float>(i) / 10.0f);
      const float a = static_cast<float>(t + offset + 16 * i);
      p_Oval(w / 2.0f + deg_sin(a) * r / 4.0f, h / 2.0f - deg_cos(a) * r / 4.0f, 8.0f, 8.0f);
    }
  };
  ring(250.0f, 196);
  p_SetCol(255.0f, 255.0f, 0.0f, 0.8f);
  p_Oval(w / 2.0f, h / 2.0f, r * 0.3f, r * 0.3f);
  p_SetCol(250.0f, 160.0f, 60.0f, 0.7f);
  p_Rect(0.0f, h * 0.4f, w, h * 0.2f);
  p_ResetDraw();
  p_DrawImg(93, w / 2.0f, h * 0.48f, 0.0f);
  ring(50.0f, 16);
  return 0;
}

int c_MyApp::p_FullscreenFlip() {
  VelGlfwGame* host = VelGlfwGame::_glfwGame;
  VelGlfwVideoMode* mode = host->GetGlfwDesktopMode();
  m_Fullscreen = 1 - m_Fullscreen;
  if (m_Fullscreen == 1) {
    host->SetGlfwWindow(mode->width, mode->height, mode->red, mode->green, mode->blue,
                        0, 0, 0, true);
  } else {
    host->SetGlfwWindow(640, 480, mode->red, mode->green, mode->blue, 0, 0, 0, false);
  }
  return 0;
}
