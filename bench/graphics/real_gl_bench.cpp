// Real OpenGL (run under xvfb-run): the busiest sprite frame through the graphics module and
// the renderer, against the floor: the same quads, prebuilt once, drawn by one glDrawElements
// per 256 quads. Both frames clear, swap and finish the same way, so the ratio of their times
// is what the batching renderer costs over the least GL work the scene needs. Also texture
// upload and the rebuilding of textures after the window is re-created.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "graphics/gl.h"
#include "platform/glfw2.h"
#include "platform/window.h"
#include "runtime/gc.h"
#include "sprites.h"

namespace {

struct World {
  gxtkGraphics* gfx = nullptr;
  c_Image* sheet = nullptr;
  gfxbench::Sprite scene[gfxbench::kSprites];

  World() {
    gc_init1();
    if (!glfwInit() || !OpenWindow()) {
      std::fprintf(stderr, "no window: run under xvfb-run\n");
      std::exit(1);
    }
    vel_graphics_Init();
    gfx = new gxtkGraphics();
    vel_graphics_SetGraphicsDevice(gfx);
    sheet = gfxbench::MakeSheet();
    gfxbench::MakeScene(scene);
  }
  static bool OpenWindow() {
    if (!glfwOpenWindow(640, 480, 8, 8, 8, 0, 0, 0, GLFW_WINDOW)) return false;
    ++_glfwGraphicsSeq;
    return true;
  }
};

World& world() {
  static World w;
  return w;
}

// Our frame and the floor's frame, alternated within each iteration and timed separately, so
// that the load of a shared machine falls on both alike. The argument is the sprite size in
// percent: 100 is the game's scale; at 25 the software rasteriser's fill work shrinks and the
// submission cost shows more.
void BM_SpriteFrame_VersusFloor(benchmark::State& state) {
  World& w = world();
  const float size = static_cast<float>(state.range(0)) / 100.0f;
  gfxbench::Sprite scene[gfxbench::kSprites];
  for (int i = 0; i < gfxbench::kSprites; ++i) {
    scene[i] = w.scene[i];
    scene[i].scale *= size;
  }
  // The scene's quads, transformed once the way the renderer does it.
  std::vector<gxtkGraphics::Vertex> quads(static_cast<size_t>(gfxbench::kSprites) * 4);
  w.gfx->BeginRender();
  vel_graphics_BeginRender();
  for (int i = 0; i < gfxbench::kSprites; ++i) {
    const gfxbench::Sprite& s = scene[i];
    vel_graphics_DrawImage2(w.sheet, s.x, s.y, s.rotation, s.scale, s.scale, s.frame);
    const int at = w.gfx->vertCount - 4;
    for (int k = 0; k < 4; ++k) quads[i * 4 + k] = w.gfx->vertices[at + k];
  }
  w.gfx->vertCount = 0;
  vel_graphics_EndRender();
  unsigned short indices[256 * 6];
  for (int q = 0; q < 256; ++q) {
    const unsigned short v = static_cast<unsigned short>(q * 4);
    const unsigned short six[6] = {v, static_cast<unsigned short>(v + 1),
                                   static_cast<unsigned short>(v + 2), v,
                                   static_cast<unsigned short>(v + 2),
                                   static_cast<unsigned short>(v + 3)};
    for (int k = 0; k < 6; ++k) indices[q * 6 + k] = six[k];
  }
  const int stride = sizeof(gxtkGraphics::Vertex);
  auto floor_frame = [&] {
    w.gfx->BeginRender();  // the same GL frame set-up
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    w.sheet->m_surface->Bind();
    for (int first = 0; first < gfxbench::kSprites; first += 256) {
      const gxtkGraphics::Vertex* v = &quads[static_cast<size_t>(first) * 4];
      glVertexPointer(2, GL_FLOAT, stride, &v->x);
      glTexCoordPointer(2, GL_FLOAT, stride, &v->u);
      glColorPointer(4, GL_UNSIGNED_BYTE, stride, &v->color);
      const int n = std::min(256, gfxbench::kSprites - first);
      glDrawElements(GL_TRIANGLES, n * 6, GL_UNSIGNED_SHORT, indices);
    }
    glDisable(GL_TEXTURE_2D);
    glfwSwapBuffers();
    glFinish();
  };

  using clock = std::chrono::steady_clock;
  std::vector<double> ours, floor;
  for (auto _ : state) {
    auto t0 = clock::now();
    gfxbench::DrawFrame(w.gfx, w.sheet, scene);
    glFinish();
    auto t1 = clock::now();
    floor_frame();
    auto t2 = clock::now();
    ours.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    floor.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const double o = median(ours), f = median(floor);
  state.counters["ours_ms"] = o;
  state.counters["floor_ms"] = f;
  state.counters["ratio"] = o / f;
  state.counters["ours_fps"] = 1000.0 / o;
}
BENCHMARK(BM_SpriteFrame_VersusFloor)->Arg(100)->Arg(25)->Unit(benchmark::kMillisecond)
    ->UseRealTime()->MinTime(3.0);

// Creating and filling the texture of a 1024 x 1024 RGBA surface.
void BM_TextureUpload1024(benchmark::State& state) {
  world();
  gxtkSurface* s = new gxtkSurface();
  unsigned char* px = static_cast<unsigned char*>(std::malloc(1024 * 1024 * 4));
  for (int i = 0; i < 1024 * 1024 * 4; ++i) px[i] = static_cast<unsigned char>(i * 31);
  s->SetData(px, 1024, 1024, 4);
  for (auto _ : state) {
    s->seq = -1;  // as after a window change: the next Bind makes the texture anew
    s->Bind();
    glFinish();
    state.PauseTiming();
    GLuint name = s->texture;
    glDeleteTextures(1, &name);
    state.ResumeTiming();
  }
  s->seq = -1;
  s->Discard();
  state.SetBytesProcessed(state.iterations() * 1024 * 1024 * 4);
}
BENCHMARK(BM_TextureUpload1024)->Unit(benchmark::kMillisecond)->UseRealTime();

// After the window is re-created, the first frame that draws 40 images rebuilds their 40
// textures (256 x 256 each) from the kept pixels.
void BM_Recreate40Textures(benchmark::State& state) {
  World& w = world();
  std::vector<gxtkSurface*> surfaces;
  for (int i = 0; i < 40; ++i) {
    gxtkSurface* s = new gxtkSurface();
    unsigned char* px = static_cast<unsigned char*>(std::malloc(256 * 256 * 4));
    for (int k = 0; k < 256 * 256 * 4; ++k) px[k] = static_cast<unsigned char>(k + i);
    s->SetData(px, 256, 256, 4);
    s->Bind();
    surfaces.push_back(s);
  }
  for (auto _ : state) {
    state.PauseTiming();
    glfwCloseWindow();
    World::OpenWindow();
    w.gfx->BeginRender();
    glFinish();
    state.ResumeTiming();
    for (gxtkSurface* s : surfaces) w.gfx->DrawSurface(s, 0, 0);
    w.gfx->EndRender();
    glFinish();
  }
  for (gxtkSurface* s : surfaces) s->Discard();
}
BENCHMARK(BM_Recreate40Textures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace
