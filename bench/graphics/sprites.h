// The sprite scene shared by the graphics benchmarks: the game's busiest frame issues 2,499
// vel_graphics_DrawImage2 calls, all frames of one 64 x 64 sheet of four 32 x 32 frames.
#pragma once

#include <cstdlib>

#include "graphics/graphics_module.h"

namespace gfxbench {

constexpr int kSprites = 2499;

struct Sprite {
  float x, y, rotation, scale;
  int frame;
};

// Positions spread over a 640 x 480 window, every rotation, a few scales; fixed values so
// every run draws the same scene.
inline void MakeScene(Sprite* out) {
  unsigned seed = 1234;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<float>((seed >> 8) & 0xFFFF) / 65536.0f;
  };
  for (int i = 0; i < kSprites; ++i)
    out[i] = {next() * 640, next() * 480, next() * 360, 0.5f + next(), i % 4};
}

inline c_Image* MakeSheet() {
  gxtkSurface* s = new gxtkSurface();
  unsigned char* px = static_cast<unsigned char*>(std::malloc(64 * 64 * 4));
  for (int i = 0; i < 64 * 64; ++i) {
    px[i * 4 + 0] = static_cast<unsigned char>(i * 7);
    px[i * 4 + 1] = static_cast<unsigned char>(i * 3);
    px[i * 4 + 2] = 200;
    px[i * 4 + 3] = static_cast<unsigned char>(i % 64 < 48 ? 255 : 96);
  }
  s->SetData(px, 64, 64, 4);
  s->Bind();
  return (new c_Image())
      ->p_Init2(s, 0, 0, 32, 32, 4, c_Image::kMidHandle, nullptr, 0, 0, 64, 64);
}

// One frame of the game's shape: set-up, 2,499 sprites, flush and swap.
inline void DrawFrame(gxtkGraphics* gfx, c_Image* sheet, const Sprite* scene) {
  gfx->BeginRender();
  vel_graphics_BeginRender();
  vel_graphics_Cls(0, 0, 0);
  for (int i = 0; i < kSprites; ++i) {
    const Sprite& s = scene[i];
    vel_graphics_DrawImage2(sheet, s.x, s.y, s.rotation, s.scale, s.scale, s.frame);
  }
  vel_graphics_EndRender();
  gfx->EndRender();
}

}  // namespace gfxbench
