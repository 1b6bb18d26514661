// The real game on real OpenGL (run it under xvfb-run, with ALSOFT_DRIVERS=null):
// - the game's own frame, its draw list replayed through p_OnRender by the host's render,
//   against the floor: the same primitives, captured once from the game's renderer, drawn
//   from prebuilt arrays with one glDrawElements per 256 quads (texture and blend changed only
//   where the frame changes them). Both frames end with a swap and glFinish and alternate
//   within each iteration, so the load of a shared machine falls on both alike. Two lists:
//   the busiest play scene (busiest_scene.h) and a full list of 2,499 sprites from one sheet,
//   each at the game's scale and at a quarter of it;
// - the same two frames drawn by the game's renderer and by one that flushes at every blend
//   change, read back and compared pixel by pixel;
// - each loader step with real texture uploads, at the "-hd" art (640x480) and at the "-hd2"
//   art (1280x1024).
// GL draw calls are counted by wrapping glDrawElements and glDrawArrays in this program.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/graphics/sprites.h"
#include "busiest_scene.h"
#include "graphics/gl.h"
#include "host/program.h"
#include "host/vel_glfw_game.h"
#include "platform/glfw2.h"
#include "runtime/gc.h"

namespace {
long draw_calls = 0;
}

extern "C" {
void glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices) {
  using Fn = void (*)(GLenum, GLsizei, GLenum, const GLvoid*);
  static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "glDrawElements"));
  ++draw_calls;
  real(mode, count, type, indices);
}
void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
  using Fn = void (*)(GLenum, GLint, GLsizei);
  static Fn real = reinterpret_cast<Fn>(dlsym(RTLD_NEXT, "glDrawArrays"));
  ++draw_calls;
  real(mode, first, count);
}
}

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

double thread_cpu_ms() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The renderer as it was before a blend change of the same mode kept the batch.
class FlushAtEveryBlend : public gxtkGraphics {
 public:
  int SetBlend(int blend) override {
    Flush();
    return gxtkGraphics::SetBlend(blend);
  }
};

// Records every primitive the frame adds, with its texture and blend mode, in runs that
// share all three; each draw operation adds exactly one primitive of primType vertices.
class CapturingGraphics : public gxtkGraphics {
 public:
  struct Run {
    int type;
    gxtkSurface* surface;
    int blend;
    std::vector<Vertex> vertices;
  };
  std::vector<Run> runs;

  int SetBlend(int blend) override {
    blend_ = blend == 1 ? 1 : 0;
    return gxtkGraphics::SetBlend(blend);
  }
  int DrawPoint(float x, float y) override { return Note(gxtkGraphics::DrawPoint(x, y)); }
  int DrawRect(float x, float y, float w, float h) override {
    return Note(gxtkGraphics::DrawRect(x, y, w, h));
  }
  int DrawLine(float x1, float y1, float x2, float y2) override {
    return Note(gxtkGraphics::DrawLine(x1, y1, x2, y2));
  }
  int DrawOval(float x, float y, float w, float h) override {
    return Note(gxtkGraphics::DrawOval(x, y, w, h));
  }
  int DrawSurface(gxtkSurface* s, float x, float y) override {
    return Note(gxtkGraphics::DrawSurface(s, x, y));
  }
  int DrawSurface2(gxtkSurface* s, float x, float y, int sx, int sy, int sw, int sh) override {
    return Note(gxtkGraphics::DrawSurface2(s, x, y, sx, sy, sw, sh));
  }

 private:
  int Note(int result) {
    if (runs.empty() || runs.back().type != primType || runs.back().surface != primSurf ||
        runs.back().blend != blend_)
      runs.push_back(Run{primType, primSurf, blend_, {}});
    runs.back().vertices.insert(runs.back().vertices.end(), vertices + vertCount - primType,
                                vertices + vertCount);
    return result;
  }
  int blend_ = 0;
};

gxtkGraphics* flush_at_every_blend = nullptr;
CapturingGraphics* capturing = nullptr;

// The real game in a working folder of its own (data linked in), started as the host's entry
// does, without its loop: benchmarks drive updates and renders themselves.
struct RealGame {
  VelKestrelGame* host = nullptr;
  c_MyApp* app = nullptr;

  RealGame() {
    char pattern[] = "/tmp/zipkin-gl-bench-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir || symlink(ZIPKIN_DATA_DIR, (std::string(dir) + "/data").c_str()) != 0 ||
        chdir(dir) != 0 || !glfwInit()) {
      std::fprintf(stderr, "no working folder or no window library\n");
      std::exit(1);
    }
    host = new VelKestrelGame;
    VelGame::_game = host;
    VelGlfwGame::_glfwGame = host;
    gc_init1();
    velInit();
    gc_mark();
    velMain();
    app = static_cast<c_MyApp*>(vel_app__app);
    host->BeginRun();
    if (!glfwGetWindowParam(GLFW_OPENED)) {
      std::fprintf(stderr, "no window: run under xvfb-run\n");
      std::exit(1);
    }
    gc_register_root(&flush_at_every_blend);
    gc_register_root(&capturing);
    gc_assign(flush_at_every_blend, new FlushAtEveryBlend());
    Load();
  }

  void Load() {
    for (int i = 0; i < 200 && app->m_LoadStep > 0; ++i) {
      host->UpdateGame();
      host->RenderGame();
    }
  }

  // A window of this size with its art loaded.
  void Window(int width, int height) {
    int w = 0, h = 0;
    glfwGetWindowSize(&w, &h);
    if (w == width && h == height) return;
    host->SetGlfwWindow(width, height, 8, 8, 8, 0, 0, 0, false);
    host->RenderGame();  // notices the new size and starts the reload
    Load();
  }

  // The frame as the host renders it (the list replayed through p_OnRender, a collector step),
  // finished.
  void Frame() {
    host->RenderGame();
    glFinish();
  }

  // The frame drawn by `gfx` instead of the game's renderer, flushed but not swapped.
  void FrameWith(gxtkGraphics* gfx) {
    gxtkGraphics* device = vel_graphics_device;
    vel_graphics_SetGraphicsDevice(gfx);
    gfx->BeginRender();
    vel_graphics_BeginRender();
    app->p_OnRender();
    vel_graphics_EndRender();
    gfx->Flush();
    vel_graphics_SetGraphicsDevice(device);
  }
};

RealGame& game() {
  static RealGame g;
  return g;
}

// The draw lists: 0 the busiest play scene, 1 a full list of 2,499 sprites of one sheet
// (the gfx sheet, each with its own turn, size and tint) as the sprite benchmark draws them.
// `percent` scales every image, rectangle and ellipse command.
int MakeList(int list, int percent) {
  RealGame& g = game();
  g.Window(640, 480);
  c_MyApp* app = g.app;
  app->m_Mode = 1;
  g.host->UpdateGame();
  if (list == 0) {
    const gamebench::BusiestScene scene(app, [&g](int n) {
      for (int i = 0; i < n; ++i) g.host->UpdateGame();
    });
    scene.Restore();
    g.host->UpdateGame();
  } else {
    static gfxbench::Sprite sprites[gfxbench::kSprites];
    gfxbench::MakeScene(sprites);
    app->p_CLS2D(0.0f, 0.0f, 0.0f, 1.0f);
    for (const gfxbench::Sprite& s : sprites) {
      if (app->m_DrawCount > kLastCommandStart) break;
      app->p_SetRot(s.rotation);
      app->p_SetSize(s.scale);
      app->p_SetCol(255.0f, 200.0f, 160.0f, 0.9f);
      app->p_DrawImg(1, s.x, s.y, static_cast<float>(s.frame));
    }
  }
  float* c = &app->m_DrawList[0];
  for (int i = 0; i + kCommandFloats <= app->m_DrawCount; i += kCommandFloats) {
    if (c[i] != kDrawLine) {
      c[i + 4] *= percent / 100.0f;
      c[i + 5] *= percent / 100.0f;
    }
  }
  return app->m_DrawCount / kCommandFloats;
}

// The captured primitives drawn with the least GL work: the game renderer's frame set-up,
// then per run its blend and texture, and one draw call per 256 quads (per polygon for
// polygons, per run for points, lines and triangles).
void FloorFrame(const std::vector<CapturingGraphics::Run>& runs,
                const unsigned short* quadIndices) {
  gxtkGraphics* gfx = vel_graphics_device;
  gfx->BeginRender();
  int blend = 0;
  const int stride = sizeof(gxtkGraphics::Vertex);
  for (const CapturingGraphics::Run& run : runs) {
    if (run.blend != blend) {
      glBlendFunc(GL_ONE, run.blend == 1 ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);
      blend = run.blend;
    }
    if (run.surface) {
      glEnable(GL_TEXTURE_2D);
      run.surface->Bind();
    }
    const int n = static_cast<int>(run.vertices.size());
    const int chunk = run.type == 4 ? 1024 : n;
    for (int first = 0; first < n; first += chunk) {
      const gxtkGraphics::Vertex* v = &run.vertices[first];
      glVertexPointer(2, GL_FLOAT, stride, &v->x);
      glTexCoordPointer(2, GL_FLOAT, stride, &v->u);
      glColorPointer(4, GL_UNSIGNED_BYTE, stride, &v->color);
      const int count = std::min(chunk, n - first);
      if (run.type == 4) {
        glDrawElements(GL_TRIANGLES, count / 4 * 6, GL_UNSIGNED_SHORT, quadIndices);
      } else if (run.type <= 3) {
        glDrawArrays(run.type == 1 ? GL_POINTS : run.type == 2 ? GL_LINES : GL_TRIANGLES, 0,
                     count);
      } else {
        for (int p = 0; p < count; p += run.type) glDrawArrays(GL_TRIANGLE_FAN, p, run.type);
      }
    }
    if (run.surface) glDisable(GL_TEXTURE_2D);
  }
  glfwSwapBuffers();
  glFinish();
}

// The game's frame against the floor; arguments: the list (0 play, 1 one sheet) and the scale
// in percent.
void BM_GameFrame_VersusFloor(benchmark::State& state) {
  RealGame& g = game();
  const int commands = MakeList(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  capturing = nullptr;
  gc_assign(capturing, new CapturingGraphics());
  g.FrameWith(capturing);
  const std::vector<CapturingGraphics::Run> runs = capturing->runs;
  const unsigned short* quadIndices = static_cast<gxtkGraphics*>(vel_graphics_device)->quadIndices;
  for (int i = 0; i < 5; ++i) {  // the rasteriser builds its code for each state on first use
    g.Frame();
    FloorFrame(runs, quadIndices);
  }
  std::vector<double> ours, floor;
  long ourCalls = 0, floorCalls = 0;
  for (auto _ : state) {
    long calls = draw_calls;
    Clock::time_point t = Clock::now();
    g.Frame();
    ours.push_back(ms_since(t));
    ourCalls += draw_calls - calls;
    calls = draw_calls;
    t = Clock::now();
    FloorFrame(runs, quadIndices);
    floor.push_back(ms_since(t));
    floorCalls += draw_calls - calls;
  }
  const double o = median(ours), f = median(floor);
  const double n = static_cast<double>(state.iterations());
  state.counters["ours_ms"] = o;
  state.counters["floor_ms"] = f;
  state.counters["ratio"] = o / f;
  state.counters["ours_fps"] = 1000.0 / o;
  state.counters["commands"] = commands;
  state.counters["draws_ours"] = static_cast<double>(ourCalls) / n;
  state.counters["draws_floor"] = static_cast<double>(floorCalls) / n;
}
BENCHMARK(BM_GameFrame_VersusFloor)
    ->ArgNames({"list", "percent"})
    ->Args({0, 100})
    ->Args({0, 25})
    ->Args({1, 100})
    ->Args({1, 25})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3.0);

// The frame of each list read back from the game's renderer and from one that flushes at every
// blend change: the pixels that differ (0 when keeping the batch changes nothing on screen),
// the pixels the frame covers with anything but the clear colour, and the draw calls of each.
void BM_BlendKeepsPixels(benchmark::State& state) {
  RealGame& g = game();
  const int commands = MakeList(static_cast<int>(state.range(0)), 100);
  const int w = vel_graphics_DeviceWidth(), h = vel_graphics_DeviceHeight();
  std::vector<unsigned> batched(static_cast<size_t>(w) * h), flushed(batched.size());
  long differing = 0, painted = 0, batchedCalls = 0, flushedCalls = 0;
  for (auto _ : state) {
    long calls = draw_calls;
    g.FrameWith(vel_graphics_device);
    batchedCalls = draw_calls - calls;
    glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, batched.data());
    calls = draw_calls;
    g.FrameWith(flush_at_every_blend);
    flushedCalls = draw_calls - calls;
    glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, flushed.data());
    glfwSwapBuffers();
    differing = painted = 0;
    for (size_t i = 0; i < batched.size(); ++i) {
      differing += batched[i] != flushed[i];
      painted += batched[i] != batched[0];
    }
  }
  state.counters["commands"] = commands;
  state.counters["differing_pixels"] = static_cast<double>(differing);
  state.counters["painted_pixels"] = static_cast<double>(painted);
  state.counters["draws_batched"] = static_cast<double>(batchedCalls);
  state.counters["draws_flushing"] = static_cast<double>(flushedCalls);
}
BENCHMARK(BM_BlendKeepsPixels)->ArgName("list")->Arg(0)->Arg(1)->Iterations(3);

// Every loader step with real texture uploads: each iteration reloads the art (as a new window
// size does) and times each update (the host's forwarding, a collector step included) by the
// wall clock and by the thread's processor time, and the renders between them. The third
// argument paces the updates 1/60 s apart as the host loop does, which gives the worker that
// decodes ahead the time it has in the game; without it they run back to back. The median of
// every step goes to standard error.
void BM_LoaderSteps(benchmark::State& state) {
  RealGame& g = game();
  g.Window(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const bool paced = state.range(2) != 0;
  const int kSteps = 34;
  std::vector<std::vector<double>> stepMs(kSteps), stepCpuMs(kSteps);
  std::vector<double> totalMs, renderMs;
  for (auto _ : state) {
    g.app->m_LoadStep = 1;
    double total = 0;
    Clock::time_point due = Clock::now();
    while (g.app->m_LoadStep > 0) {
      due += std::chrono::microseconds(16667);
      const int step = std::min(g.app->m_LoadStep, kSteps - 1);
      const double cpu = thread_cpu_ms();
      Clock::time_point t = Clock::now();
      g.host->UpdateGame();
      const double ms = ms_since(t);
      stepCpuMs[step].push_back(thread_cpu_ms() - cpu);
      stepMs[step].push_back(ms);
      total += ms;
      t = Clock::now();
      g.Frame();
      renderMs.push_back(ms_since(t));
      if (paced) std::this_thread::sleep_until(due);
    }
    totalMs.push_back(total);
    state.SetIterationTime(total / 1000.0);
  }
  double longest = 0, longestCpu = 0;
  int longestStep = 0;
  std::fprintf(stderr, "loader steps at %dx%d%s on GL, median wall ms (processor ms):",
               static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
               paced ? " paced" : "");
  for (int step = 1; step < kSteps; ++step) {
    if (stepMs[step].empty()) continue;
    const double m = median(stepMs[step]), c = median(stepCpuMs[step]);
    std::fprintf(stderr, " %d:%.2f(%.2f)", step, m, c);
    if (m > longest) {
      longest = m;
      longestStep = step;
    }
    longestCpu = std::max(longestCpu, c);
  }
  std::fprintf(stderr, "\n");
  state.counters["longest_step_ms"] = longest;
  state.counters["longest_step"] = longestStep;
  state.counters["longest_cpu_ms"] = longestCpu;
  state.counters["load_ms"] = median(totalMs);
  state.counters["render_p50_ms"] = median(renderMs);
  state.counters["render_max_ms"] = *std::max_element(renderMs.begin(), renderMs.end());
}
BENCHMARK(BM_LoaderSteps)
    ->ArgNames({"w", "h", "paced"})
    ->Args({640, 480, 1})
    ->Args({1280, 1024, 1})
    ->Args({1280, 1024, 0})
    ->UseManualTime()
    ->Iterations(7)
    ->Unit(benchmark::kMillisecond);

}  // namespace
