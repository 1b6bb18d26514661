// VelGlfwGame: the window and its callbacks, the clock, this desktop's files and loaders, and the
// fixed-rate host loop.
#include "host/vel_glfw_game.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "audio/audio_decoders.h"
#include "graphics/image_data.h"
#include "platform/files.h"
#include "platform/glfw2.h"
#include "platform/trace.h"
#include "platform/window.h"

namespace {

// Updates run per pass at most; a longer backlog is dropped and the schedule restarts.
const int kMaxUpdatesPerPass = 4;

// For pacing measurements: with ZIPKIN_HOST_TRACE set, every sleep until an update prints
// "wake <due> <woke>" on standard output, both on the loop's clock.
const bool trace_wake_ups = std::getenv("ZIPKIN_HOST_TRACE") != nullptr;

}  // namespace

VelGlfwGame* VelGlfwGame::_glfwGame = nullptr;

void VelGlfwGame::SetUpdateRate(int hertz) {
  VelGame::SetUpdateRate(hertz);
  if (!_updateRate) return;
  _updatePeriod = 1.0 / _updateRate;
  _nextUpdate = glfwGetTime() + _updatePeriod;
}

int VelGlfwGame::Millisecs() {
  // Through 64 bits, so that the count wraps like a 32-bit counter instead of overflowing.
  return static_cast<int>(static_cast<uint32_t>(static_cast<int64_t>(glfwGetTime() * 1000.0)));
}

bool VelGlfwGame::SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha,
                                int depth, int stencil, bool fullscreen) {
  for (int key = 0; key <= GLFW_KEY_LAST; ++key) {
    int code = TransKey(key);
    if (code && glfwGetKey(key) == GLFW_PRESS) KeyEvent(2, code);
  }

  const bool opened_fullscreen =
      OpenGameWindow(width, height, red, green, blue, alpha, depth, stencil, fullscreen);
  glfwSetKeyCallback(OnKey);
  glfwSetCharCallback(OnChar);
  glfwSetMouseButtonCallback(OnMouseButton);
  glfwSetMousePosCallback(OnMousePos);
  glfwSetWindowCloseCallback(OnWindowClose);
  return opened_fullscreen;
}

String VelGlfwGame::PathToFilePath(String path) { return MapKestrelPath(path); }

void VelGlfwGame::OpenUrl(String url) { XdgOpen(url); }

unsigned char* VelGlfwGame::LoadImageData(String path, int* width, int* height, int* depth) {
  return DecodeImageFile(this, path, width, height, depth);
}

unsigned char* VelGlfwGame::LoadAudioData(String path, int* length, int* channels, int* format,
                                          int* hertz) {
  return DecodeAudioFile(this, path, length, channels, format, hertz);
}

VelGlfwVideoMode* VelGlfwGame::GetGlfwDesktopMode() {
  GLFWvidmode mode;
  glfwGetDesktopMode(&mode);
  VelGlfwVideoMode* result = new VelGlfwVideoMode;
  result->width = mode.Width;
  result->height = mode.Height;
  result->red = mode.RedBits;
  result->green = mode.GreenBits;
  result->blue = mode.BlueBits;
  return result;
}

Array<VelGlfwVideoMode*> VelGlfwGame::GetGlfwVideoModes() {
  const int kMaxModes = 1024;
  static GLFWvidmode modes[kMaxModes];
  int n = glfwGetVideoModes(modes, kMaxModes);
  if (n < 0) n = 0;
  if (n > kMaxModes) n = kMaxModes;
  Array<VelGlfwVideoMode*> result(n);
  for (int i = 0; i < n; ++i) {
    VelGlfwVideoMode* mode = new VelGlfwVideoMode;
    mode->width = modes[i].Width;
    mode->height = modes[i].Height;
    mode->red = modes[i].RedBits;
    mode->green = modes[i].GreenBits;
    mode->blue = modes[i].BlueBits;
    result.Set(i, mode);
  }
  return result;
}

int VelGlfwGame::OnWindowClose() {
  if (_glfwGame) {
    _glfwGame->KeyEvent(1, 432);
    _glfwGame->KeyEvent(2, 432);
  }
  return 0;  // the window stays; ending the program is the application's decision
}

bool VelGlfwGame::BeginRun() {
  SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false);
  // The game's start and first render need the window's GL context.
  if (!glfwGetWindowParam(GLFW_OPENED)) return false;
  TraceMoment("window");
  StartGame();
  RenderGame();
  return true;
}

void VelGlfwGame::Run() {
  // Without a window there is no game to run: that is a failure, not a normal end.
  if (!BeginRun()) {
    glfwTerminate();
    std::exit(-1);
  }
  while (RunPass()) {
  }
}

bool VelGlfwGame::RunPass() {
  glfwPollEvents();
  if (!glfwGetWindowParam(GLFW_OPENED)) return false;

  // Activity: minimised or unfocused windows suspend the game; focus resumes it with the
  // first update due at once. `_iconified` follows the window while the game is suspended,
  // so a window minimised after it lost the focus stops rendering as well.
  if (glfwGetWindowParam(GLFW_ICONIFIED)) {
    if (!_suspended) SuspendGame();
    _iconified = true;
  } else if (glfwGetWindowParam(GLFW_ACTIVE)) {
    if (_suspended) {
      _iconified = false;
      ResumeGame();
      _nextUpdate = glfwGetTime();
    }
  } else {
    if (!_suspended) SuspendGame();
    _iconified = false;
  }

  if (!_updateRate || _suspended) {
    if (!_iconified) RenderGame();
    glfwWaitEvents();
    return true;
  }

  double delay = _nextUpdate - glfwGetTime();
  if (delay > 0) {
    glfwSleep(delay);
    if (trace_wake_ups) std::printf("wake %.6f %.6f\n", _nextUpdate, glfwGetTime());
    return true;
  }

  for (int i = 0; i < kMaxUpdatesPerPass; ++i) {
    _nextUpdate += _updatePeriod;
    UpdateGame();
    if (!_updateRate || _nextUpdate - glfwGetTime() > 0) {
      RenderGame();
      return true;
    }
  }
  RenderGame();
  if (_updateRate) _nextUpdate = glfwGetTime();
  return true;
}
