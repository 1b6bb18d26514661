// Random bytes as an image file, through the host's decoder and the surface loader: every
// input must give either a null image or a surface of consistent size, never a crash, a leak
// or a read past the decoded block.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "graphics/renderer.h"
#include "host/vel_glfw_game.h"
#include "runtime/gc.h"

namespace {

struct Setup {
  VelGlfwGame game;
  gxtkGraphics* gfx;
  std::string path;
  Setup() {
    gc_init1();
    VelGlfwGame::_glfwGame = &game;
    VelGame::_game = &game;
    gfx = new gxtkGraphics();  // no window: size 0 by 0, and no GL work while loading
    char tmpl[] = "/tmp/zipkin-image-fuzz-XXXXXX";
    path = std::string(mkdtemp(tmpl)) + "/input.png";
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Setup s;
  FILE* f = std::fopen(s.path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  const String path(s.path.c_str());
  int w = 0, h = 0, depth = 0;
  unsigned char* pixels = s.game.LoadImageData(path, &w, &h, &depth);
  if (pixels) {
    if (w <= 0 || h <= 0 || depth < 1 || depth > 4) std::abort();
    // Touch the last byte: the block must really hold w * h * depth bytes.
    volatile unsigned char last = pixels[static_cast<size_t>(w) * h * depth - 1];
    (void)last;
    std::free(pixels);
  }

  gxtkSurface* surface = s.gfx->LoadSurface__UNSAFE__(new gxtkSurface(), path);
  if (surface) {
    if (surface->width != w || surface->height != h || surface->depth != depth) std::abort();
    surface->Discard();
  }
  gc_collect();
  return 0;
}
