// The game's frame in the headless harness (recording GL and AL fakes, GL recording off so
// only call counters move): one update and one render with a full draw list of 2,499
// commands, the allocations of the steady state, and each step of the loader at the "-hd"
// art (640x480) and the "-hd2" art (1280x1024).
//
// Single calls are timed one by one; the median and the 99th percentile of those times are
// reported as counters (p50_us, p99_us) beside Google Benchmark's mean.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <thread>
#include <vector>

#include "busiest_scene.h"
#include "fakes/gl/fake_gl.h"
#include "game/my_app.h"
#include "harness/game_harness.h"
#include "runtime/gc.h"

// Every heap block the process asks for goes through here, so that a stretch of updates can
// be charged with the blocks it allocated (strings included, which live outside the
// collector).
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void* __libc_realloc(void* p, std::size_t size);
namespace {
long heap_blocks = 0;
}
extern "C" void* malloc(std::size_t size) {
  ++heap_blocks;
  return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t count, std::size_t size) {
  ++heap_blocks;
  return __libc_calloc(count, size);
}
extern "C" void* realloc(void* p, std::size_t size) {
  ++heap_blocks;
  return __libc_realloc(p, size);
}

namespace {

using Clock = std::chrono::steady_clock;

double micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t at = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(at, v.size() - 1)];
}

void report(benchmark::State& state, const std::vector<double>& us) {
  state.counters["p50_us"] = percentile(us, 0.5);
  state.counters["p99_us"] = percentile(us, 0.99);
}

// A busy screen drawn with the game's own producers: the starfield, a full particle pool,
// a line of text, then sprites of the loaded sheets with the pen turned and tinted, and a
// few shapes, until the list holds its 2,499 commands. With `text` off nothing in it makes a
// string.
void DrawBusyScreen(c_MyApp* app, int frame, bool text) {
  app->p_CLS2D(0.0f, 0.0f, 30.0f, 1.0f);
  app->p_DoStars(1.5f, 0.5f);
  // Keep the pool full: every free slot gets a new particle.
  for (int i = 0; i < 20; ++i)
    app->p_ThrowParticle(320.0f, 240.0f, 1 + i % 3, i % 10);
  app->p_DoParticles();
  if (text) {
    app->p_Text(16.0f, 16.0f, String("SCORE ") + app->p_rstr(frame, 8, String("0")), 0.0f, 0.0f);
  }
  static const int kSheets[] = {1, 10, 11, 12, 80, 95, 97};
  for (int i = 0; app->m_DrawCount <= kLastCommandStart; ++i) {
    switch (i % 16) {
      case 7:
        app->p_Rect(static_cast<float>(i % 600), 40.0f, 12.0f, 12.0f);
        break;
      case 11:
        app->p_Oval(static_cast<float>(i % 600), 420.0f, 6.0f, 6.0f);
        break;
      case 15:
        app->p_Line(0.0f, static_cast<float>(i % 480), 640.0f, 0.0f);
        break;
      default:
        app->p_SetRot(static_cast<float>((i * 7 + frame) % 360));
        app->p_SetSize(0.5f + static_cast<float>(i % 5) * 0.25f);
        app->p_SetCol(255.0f, static_cast<float>(i % 256), 128.0f, 0.8f);
        app->p_DrawImg(kSheets[i % 7], static_cast<float>((i * 37) % 640),
                       static_cast<float>((i * 53) % 480), static_cast<float>(i % 16));
        break;
    }
  }
  app->p_ResetDraw();
}

// A game started in a 640x480 window and loaded, with GL recording off.
struct LoadedGame {
  GameHarness game;
  LoadedGame() {
    fakegl::state().record = false;
    game.FinishLoading();
  }
};

// One update (the host's forwarding: input bracket, p_OnUpdate, a collector step) with the
// list holding 2,499 commands that the menu, which draws nothing yet, leaves as they are.
void BM_Update_FullList(benchmark::State& state) {
  LoadedGame g;
  DrawBusyScreen(g.game.app(), 0, true);
  const int commands = g.game.app()->m_DrawCount / kCommandFloats;
  std::vector<double> us;
  us.reserve(state.max_iterations);
  for (auto _ : state) {
    Clock::time_point t = Clock::now();
    g.game.Update();
    Clock::duration d = Clock::now() - t;
    state.SetIterationTime(std::chrono::duration<double>(d).count());
    us.push_back(micros(d));
  }
  report(state, us);
  state.counters["commands"] = commands;
}
BENCHMARK(BM_Update_FullList)->UseManualTime()->Iterations(20000)->Unit(benchmark::kMicrosecond);

// One update that also draws the busy screen: the producers writing all 2,499 commands.
void BM_Update_DrawingFullList(benchmark::State& state) {
  LoadedGame g;
  c_MyApp* app = g.game.app();
  std::vector<double> us;
  us.reserve(state.max_iterations);
  int frame = 0;
  int commands = 0;
  for (auto _ : state) {
    Clock::time_point t = Clock::now();
    g.game.Update();
    DrawBusyScreen(app, ++frame, true);
    Clock::duration d = Clock::now() - t;
    state.SetIterationTime(std::chrono::duration<double>(d).count());
    us.push_back(micros(d));
    commands = app->m_DrawCount / kCommandFloats;
  }
  report(state, us);
  state.counters["commands"] = commands;
}
BENCHMARK(BM_Update_DrawingFullList)->UseManualTime()->Iterations(5000)->Unit(benchmark::kMicrosecond);

// One render: clear, fitting, the replay of 2,499 commands into the renderer, its flush into
// the GL fake and the swap.
void BM_Render_FullList(benchmark::State& state) {
  LoadedGame g;
  c_MyApp* app = g.game.app();
  DrawBusyScreen(app, 0, true);
  std::vector<double> us;
  us.reserve(state.max_iterations);
  const int drawsBefore = fakegl::state().drawCalls;
  for (auto _ : state) {
    Clock::time_point t = Clock::now();
    g.game.Render();
    Clock::duration d = Clock::now() - t;
    state.SetIterationTime(std::chrono::duration<double>(d).count());
    us.push_back(micros(d));
  }
  report(state, us);
  state.counters["commands"] = app->m_DrawCount / kCommandFloats;
  state.counters["gl_draws"] =
      static_cast<double>(fakegl::state().drawCalls - drawsBefore) / state.iterations();
}
BENCHMARK(BM_Render_FullList)->UseManualTime()->Iterations(3000)->Unit(benchmark::kMicrosecond);

// What the steady state allocates: 600 busy frames (update, drawing, render) after 120 to
// settle, with and without the score text. Collector bytes come from gc_new_bytes (which
// only a finished collection cycle resets; none may finish in between, checked by
// `cycle_ended`), heap blocks from the malloc above, charged to the phase that asked. The
// GL fake keeps the enabled capabilities in a std::set, so each glEnable it sees costs it a
// node: `gl_enables` per frame is that share of `heap_render`.
void BM_SteadyStateAllocations(benchmark::State& state) {
  const bool text = state.range(0) != 0;
  LoadedGame g;
  c_MyApp* app = g.game.app();
  const int kSettle = 120, kCounted = 600;
  int frame = 0;
  double collectorBytes = 0, cycles = 0;
  long updateBlocks = 0, drawBlocks = 0, renderBlocks = 0;
  const int enablesBefore = fakegl::count("glEnable");
  for (auto _ : state) {
    for (int i = 0; i < kSettle; ++i) {
      g.game.Update();
      DrawBusyScreen(app, ++frame, text);
      g.game.Render();
    }
    const int bytesBefore = gc_new_bytes;
    for (int i = 0; i < kCounted; ++i) {
      long before = heap_blocks;
      g.game.Update();
      updateBlocks += heap_blocks - before;
      before = heap_blocks;
      DrawBusyScreen(app, ++frame, text);
      drawBlocks += heap_blocks - before;
      before = heap_blocks;
      g.game.Render();
      renderBlocks += heap_blocks - before;
    }
    const int bytes = gc_new_bytes - bytesBefore;
    if (bytes < 0) cycles += 1;
    collectorBytes += bytes < 0 ? 0 : bytes;
  }
  const double frames = static_cast<double>(state.iterations()) * kCounted;
  state.counters["collector_bytes_per_frame"] = collectorBytes / frames;
  state.counters["heap_update"] = static_cast<double>(updateBlocks) / frames;
  state.counters["heap_drawing"] = static_cast<double>(drawBlocks) / frames;
  state.counters["heap_render"] = static_cast<double>(renderBlocks) / frames;
  state.counters["cycle_ended"] = cycles;
  state.counters["gl_enables"] =
      (fakegl::count("glEnable") - enablesBefore) / (frames + state.iterations() * kSettle);
}
BENCHMARK(BM_SteadyStateAllocations)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

// The busiest scene of play (busiest_scene.h), set up again before each timed update
// (untimed). Reported: median and p99 of one update (the host's forwarding: input bracket,
// p_OnUpdate, a collector step) and their share of a 16.7 ms frame, the commands queued,
// heap blocks (strings included) and collector bytes per update.
void BM_Play_BusiestScene(benchmark::State& state) {
  LoadedGame g;
  c_MyApp* app = g.game.app();
  const gamebench::BusiestScene scene(app, [&g](int n) { g.game.Update(n); });

  std::vector<double> us;
  us.reserve(state.max_iterations);
  long blocks = 0;
  long bytes = 0;
  int commands = 0;
  for (auto _ : state) {
    scene.Restore();
    const long blocksBefore = heap_blocks;
    const int bytesBefore = gc_new_bytes;
    Clock::time_point t = Clock::now();
    g.game.Update();
    Clock::duration d = Clock::now() - t;
    blocks += heap_blocks - blocksBefore;
    if (gc_new_bytes >= bytesBefore) bytes += gc_new_bytes - bytesBefore;
    state.SetIterationTime(std::chrono::duration<double>(d).count());
    us.push_back(micros(d));
    commands = app->m_DrawCount / kCommandFloats;
  }
  report(state, us);
  state.counters["frame_share_p50_pct"] = percentile(us, 0.5) / 16667.0 * 100.0;
  state.counters["frame_share_p99_pct"] = percentile(us, 0.99) / 16667.0 * 100.0;
  state.counters["commands"] = commands;
  state.counters["heap_blocks_per_update"] = static_cast<double>(blocks) / state.iterations();
  state.counters["collector_bytes_per_update"] = static_cast<double>(bytes) / state.iterations();
}
BENCHMARK(BM_Play_BusiestScene)->UseManualTime()->Iterations(20000)->Unit(benchmark::kMicrosecond);

double thread_cpu_ms() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

// Every loader step timed on its own, at the art the window size calls for: each iteration
// starts a fresh game (p_Reload's logo and font included in `start_ms`), then times the
// updates while the loader runs, by the wall clock and by the thread's processor time (this
// machine is shared, so the wall clock also holds time spent waiting for a core or for the
// worker that decodes ahead). The third argument paces the updates 1/60 s apart as the host
// loop does, which gives the worker the time it has in the game; without it they run back to
// back. Reported: the longest median step by each clock and its step number, the whole load,
// and the renders between steps; the median of every step goes to standard error.
void BM_LoaderSteps(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const bool paced = state.range(2) != 0;
  const int kSteps = 34;
  std::vector<std::vector<double>> stepMs(kSteps), stepCpuMs(kSteps);
  std::vector<double> startMs, totalMs, renderMs;
  for (auto _ : state) {
    HarnessOptions options;
    options.width = width;
    options.height = height;
    options.start = false;
    GameHarness game(options);
    fakegl::state().record = false;
    Clock::time_point t0 = Clock::now();
    game.Start();
    startMs.push_back(micros(Clock::now() - t0) / 1000.0);
    double total = 0;
    Clock::time_point due = Clock::now();
    while (game.app()->m_LoadStep > 0) {
      due += std::chrono::microseconds(16667);
      const int step = std::min(game.app()->m_LoadStep, kSteps - 1);
      const double cpu = thread_cpu_ms();
      Clock::time_point t = Clock::now();
      game.Update();
      const double ms = micros(Clock::now() - t) / 1000.0;
      stepCpuMs[step].push_back(thread_cpu_ms() - cpu);
      stepMs[step].push_back(ms);
      total += ms;
      t = Clock::now();
      game.Render();
      renderMs.push_back(micros(Clock::now() - t) / 1000.0);
      if (paced) std::this_thread::sleep_until(due);
    }
    totalMs.push_back(total);
    state.SetIterationTime(total / 1000.0);
  }
  double longest = 0, longestCpu = 0;
  int longestStep = 0, longestCpuStep = 0;
  std::fprintf(stderr, "loader steps at %dx%d%s, median wall ms (processor ms):", width, height,
               paced ? " paced" : "");
  for (int step = 1; step < kSteps; ++step) {
    if (stepMs[step].empty()) continue;
    const double m = percentile(stepMs[step], 0.5), c = percentile(stepCpuMs[step], 0.5);
    std::fprintf(stderr, " %d:%.2f(%.2f)", step, m, c);
    if (m > longest) {
      longest = m;
      longestStep = step;
    }
    if (c > longestCpu) {
      longestCpu = c;
      longestCpuStep = step;
    }
  }
  std::fprintf(stderr, "\n");
  state.counters["longest_step_ms"] = longest;
  state.counters["longest_step"] = longestStep;
  state.counters["longest_cpu_ms"] = longestCpu;
  state.counters["longest_cpu_step"] = longestCpuStep;
  state.counters["start_ms"] = percentile(startMs, 0.5);
  state.counters["load_ms"] = percentile(totalMs, 0.5);
  state.counters["render_p50_ms"] = percentile(renderMs, 0.5);
  state.counters["render_max_ms"] = percentile(renderMs, 1.0);
}
BENCHMARK(BM_LoaderSteps)
    ->ArgNames({"w", "h", "paced"})
    ->Args({640, 480, 1})
    ->Args({1280, 1024, 1})
    ->Args({1280, 1024, 0})
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
