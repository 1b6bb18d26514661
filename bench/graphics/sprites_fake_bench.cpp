// The processor's share of sprite submission: the busiest frame against the recording GL fake
// (which only counts calls here), so the time is the graphics module, the matrix work and the
// batching alone.
#include <benchmark/benchmark.h>

#include "fakes/gl/fake_gl.h"
#include "fakes/glfw/fake_glfw.h"
#include "platform/window.h"
#include "runtime/gc.h"
#include "sprites.h"

namespace {

void BM_SpriteFrame_FakeGL(benchmark::State& state) {
  gc_init1();
  fake_glfw::reset();
  fake_glfw::state().window_open = true;
  fake_glfw::state().width = 640;
  fake_glfw::state().height = 480;
  fakegl::reset();
  fakegl::state().record = false;
  _glfwGraphicsSeq = 1;
  vel_graphics_Init();
  gxtkGraphics* gfx = new gxtkGraphics();
  vel_graphics_SetGraphicsDevice(gfx);
  c_Image* sheet = gfxbench::MakeSheet();
  static gfxbench::Sprite scene[gfxbench::kSprites];
  gfxbench::MakeScene(scene);

  const int drawsBefore = fakegl::state().drawCalls;
  for (auto _ : state) gfxbench::DrawFrame(gfx, sheet, scene);
  state.SetItemsProcessed(state.iterations() * gfxbench::kSprites);
  state.counters["draws_per_frame"] =
      static_cast<double>(fakegl::state().drawCalls - drawsBefore) / state.iterations();
  state.counters["ns_per_sprite"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * gfxbench::kSprites,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SpriteFrame_FakeGL)->Unit(benchmark::kMicrosecond);

}  // namespace
