// Loading: the art resolution, the numbered image table, the 33-step loader that spreads
// loading over consecutive updates (so the loading screen keeps moving), the loading screen
// itself, and the fullscreen switch.
#include <vector>

#include "game/framework.h"
#include "game/my_app.h"
#include "graphics/decode_ahead.h"

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

bool c_MyApp::Loaded(const void* loaded, const String& file) {
  if (!loaded) velPrint(String("Data Not Loaded : ") + file);
  return loaded != nullptr;
}

int c_MyApp::p_LoadImg(int n, String name, int w, int h, int frames, int flags) {
  String file = art_file(name, m_HdFactor);
  m_Images.Set(n, static_cast<c_Image*>(nullptr));
  m_Images.Set(n, vel_graphics_LoadImage2(file, w * m_HdFactor, h * m_HdFactor, frames, flags));
  Loaded(m_Images[n], file);
  m_ImgInfo[3 * n] = w * m_HdFactor;
  m_ImgInfo[3 * n + 1] = h * m_HdFactor;
  m_ImgInfo[3 * n + 2] = frames;
  return 0;
}

int c_MyApp::p_LoadFont(int n, String name, int advance, int height) {
  String file = art_file(name, m_HdFactor);
  m_Images.Set(n, vel_graphics_LoadImage2(file, 16 * m_HdFactor, 16 * m_HdFactor, 128, 1));
  Loaded(m_Images[n], file);
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

namespace {

// The pictures the loader loads, by step: image number, file name (before the suffix), frame
// size at plain resolution and frame count; for the font, its glyph advance and line height
// instead of the frame size. The sounds and the start jingle are in p_Loader.
struct StepImage {
  int step, image;
  const char* name;
  int w, h, frames;
  bool font;
};
const StepImage kStepImages[] = {
    {1, 97, "common/icons", 32, 32, 16, false},
    {2, 95, "common/Buttons", 64, 64, 16, false},
    {3, 94, "common/dpad", 32, 32, 16, false},
    {4, 93, "common/WoblLogo", 256, 256, 1, false},
    {5, 91, "common/Testcard_Circle", 256, 256, 1, false},
    {6, 90, "fonts/editundo", 7, 10, 128, true},
    {11, 99, "menu", 256, 256, 4, false},
    {12, 98, "logo", 256, 128, 1, false},
    {13, 96, "parts", 8, 8, 256, false},
    {14, 80, "BadgesA", 64, 64, 64, false},
    {15, 10, "planet0", 128, 128, 1, false},
    {15, 20, "planetring", 128, 128, 1, false},
    {16, 11, "planet1", 128, 128, 1, false},
    {17, 12, "planet2", 128, 128, 1, false},
    {18, 13, "planet3", 128, 128, 1, false},
    {19, 14, "planet4", 128, 128, 1, false},
    {20, 15, "planet5", 128, 128, 1, false},
    {21, 16, "planet6", 128, 128, 1, false},
    {22, 17, "planet7", 128, 128, 1, false},
    {23, 18, "planet8", 128, 128, 1, false},
    {24, 19, "planet9", 128, 128, 1, false},
    {25, 1, "gfx", 32, 32, 64, false},
    {26, 2, "heart", 32, 32, 1, false}};

}  // namespace

int c_MyApp::p_Loader() {
  ChooseResolution();
  const int step = m_LoadStep;
  if (step == 1) {
    // Every picture of this load is decoded on the worker thread meanwhile, in the order of
    // the steps, so that a step only makes textures.
    std::vector<String> files;
    for (const StepImage& i : kStepImages) files.push_back(art_file(String(i.name), m_HdFactor));
    DecodeImagesAhead(files);
  }
  for (const StepImage& i : kStepImages) {
    if (i.step != step) continue;
    if (i.font) {
      p_LoadFont(i.image, String(i.name), i.w, i.h);
    } else {
      p_LoadImg(i.image, String(i.name), i.w, i.h, i.frames, 1);
    }
  }
  switch (step) {
    case 1: p_LoadSFX(96); break;
    case 4:
      if (m_Loaded == 0) {
        p_PlaySFX(96, 1.0f);  // the start jingle plays on the first load only
        m_Loaded = 1;
      }
      break;
    case 7: p_LoadSFX(1); break;
    case 8: p_LoadSFX(95); break;
    case 9: p_LoadSFX(98); break;
    case 10: p_LoadSFX(99); break;
    default:
      if (step >= 27 && step <= 32) {
        p_LoadSFX(step - 25);
      } else if (step > 32) {
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
  // The flag follows the window that opened: a refused fullscreen mode leaves a window, and
  // the next switch asks for fullscreen again.
  if (m_Fullscreen == 1) {
    m_Fullscreen = host->SetGlfwWindow(mode->width, mode->height, mode->red, mode->green,
                                       mode->blue, 0, 0, 0, true) ? 1 : 0;
  } else {
    host->SetGlfwWindow(640, 480, mode->red, mode->green, mode->blue, 0, 0, 0, false);
  }
  return 0;
}
