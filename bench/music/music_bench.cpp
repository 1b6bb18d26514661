// The procedural player on real OpenGL and OpenAL; run it under xvfb-run (ALSOFT_DRIVERS=null
// keeps OpenAL Soft off the sound card). Counters are medians in microseconds and the share of
// a 16.7 ms frame at 60 Hz:
// - the render hook while a tune loads, render by render (three loader steps each: a sample
//   decoded and uploaded, a tune frame drawn and read back), split into the first render
//   (which also decodes the tune image) and the read-back renders;
// - the update hook while the tune plays, with a row due and without.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "graphics/gl.h"
#include "host/app.h"
#include "host/program.h"
#include "host/vel_glfw_game.h"
#include "music/tono_player.h"
#include "platform/glfw2.h"
#include "platform/window.h"
#include "runtime/gc.h"

namespace {

using Clock = std::chrono::steady_clock;
const double kFrameUs = 1e6 / 60.0;

struct World {
  VelGlfwGame host;
  gxtkGraphics* gfx = nullptr;
  c_TonoPlayer* player = nullptr;

  World() {
    gc_init1();
    VelGlfwGame::_glfwGame = &host;
    VelGame::_game = &host;
    if (!glfwInit() || !glfwOpenWindow(640, 480, 8, 8, 8, 0, 0, 0, GLFW_WINDOW) ||
        chdir(ZIPKIN_GAME_DIR) != 0) {
      std::fprintf(stderr, "no window or no game folder: build the game, run under xvfb-run\n");
      std::exit(1);
    }
    ++_glfwGraphicsSeq;
    vel_InitFrameworkGlobals();
    gfx = new gxtkGraphics();
    vel_graphics_SetGraphicsDevice(gfx);
    vel_audio_SetAudioDevice(new gxtkAudio());
    player = (new c_TonoPlayer())->m_new();
    gc_register_root(&player);
    gc_mark();  // the roots, as the host's start-up does
    player->p_Tono_Init(32, 4, 3, 3, 4);
  }
};

World& world() {
  static World w;
  return w;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

void Share(benchmark::State& state, const char* name, double us) {
  state.counters[std::string(name) + "_us"] = us;
  state.counters[std::string(name) + "_frame_pct"] = 100.0 * us / kFrameUs;
}

// Whole loads, alternating two tunes so that every start loads again.
void BM_LoadingRenders(benchmark::State& state) {
  World& w = world();
  const char* tunes[2] = {"Retro/Cave Digger", "Retro/Jumpalong"};
  std::vector<double> first, readBack;
  int load = 0;
  for (auto _ : state) {
    w.player->p_Tono_StartTune(String(tunes[load++ % 2]), 37171650, 100);
    while (w.player->m_LoadStep > 0) {
      w.gfx->BeginRender();
      vel_graphics_BeginRender();
      const int step = w.player->m_LoadStep;
      const Clock::time_point t0 = Clock::now();
      w.player->p_Tono_Alive_R();
      glFinish();
      const double us = micros(Clock::now() - t0);
      if (step == 1) first.push_back(us);
      if (step >= 5 && step + 2 <= 67) readBack.push_back(us);
      vel_graphics_EndRender();
      w.gfx->EndRender();
    }
    gc_collect();  // the samples of the load before
  }
  Share(state, "first_render", median(first));
  Share(state, "readback_render", median(readBack));
  std::sort(readBack.begin(), readBack.end());
  Share(state, "readback_render_max", readBack.empty() ? 0 : readBack.back());
}
BENCHMARK(BM_LoadingRenders)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The update hook while playing: every other call has a row due.
void BM_PlayingUpdates(benchmark::State& state) {
  World& w = world();
  w.player->p_Tono_StartTune(String("Retro/Cave Digger"), 37171650, 100);
  while (w.player->m_LoadStep > 0) {
    w.gfx->BeginRender();
    vel_graphics_BeginRender();
    w.player->p_Tono_Alive_R();
    vel_graphics_EndRender();
    w.gfx->EndRender();
  }
  std::vector<double> row, idle;
  bool due = false;
  for (auto _ : state) {
    due = !due;
    w.player->m_NextTick = vel_app_Millisecs() + (due ? -1 : 1000);
    const Clock::time_point t0 = Clock::now();
    w.player->p_Tono_Alive_U(0, 1);
    (due ? row : idle).push_back(micros(Clock::now() - t0));
  }
  Share(state, "row_update", median(row));
  Share(state, "idle_update", median(idle));
}
BENCHMARK(BM_PlayingUpdates)->UseRealTime()->MinTime(2.0);

}  // namespace
