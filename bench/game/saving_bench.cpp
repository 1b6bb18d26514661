// The saved state in the headless harness, on the disk of the harness's working folder: one
// p_Save as the game thread pays for it (building the line, handing it to the writer thread),
// one p_Save until its durable write is done (temporary file, fsync, rename, fsync of the
// folder), one p_Load of a full state file, and one p_Load of a 10 MB file of "1|". Median
// and 99th percentile of single calls (p50_us, p99_us) and the median's share of a 16.7 ms
// frame.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <vector>

#include "game/my_app.h"
#include "harness/game_harness.h"
#include "platform/state_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

HarnessOptions Unstarted() {
  HarnessOptions options;
  options.with_data = options.start = false;
  return options;
}

// Every option, badge and score in use, so the line has its full length.
c_MyApp* Fill(c_MyApp* app) {
  for (int i = 0; i < 25; ++i) app->m_Options[i] = 1000 + i;
  for (int n = 0; n < 256; ++n) app->m_BadgeFlags[n] = n % 2 == 0;
  for (int i = 0; i < 60; ++i) app->m_HighScores[i] = 123456789 - 1000 * i;
  return app;
}

template <class Call, class After = void (*)()>
void Time(benchmark::State& state, Call call, After after = [] {}) {
  std::vector<double> us;
  for (auto _ : state) {
    const Clock::time_point t = Clock::now();
    call();
    const Clock::duration d = Clock::now() - t;
    after();
    state.SetIterationTime(std::chrono::duration<double>(d).count());
    us.push_back(std::chrono::duration<double, std::micro>(d).count());
  }
  std::sort(us.begin(), us.end());
  state.counters["p50_us"] = us[us.size() / 2];
  state.counters["p99_us"] = us[us.size() * 99 / 100];
  state.counters["frame_share_p50_pct"] = us[us.size() / 2] / 16667.0 * 100.0;
}

void Quiet(benchmark::State& state, c_MyApp* app) {
  // p_Load prints a status line per section; keep them out of the report.
  const int out = dup(1);
  if (!freopen("/dev/null", "w", stdout)) return;
  Time(state, [app] { app->p_Load(); });
  fflush(stdout);
  dup2(out, 1);
  close(out);
}

// Each timed save starts with the writer idle, as after a game, then waits (untimed) for it.
void BM_Save_GameThread(benchmark::State& state) {
  GameHarness game(Unstarted());
  c_MyApp* app = Fill(game.app());
  Time(state, [app] {
    app->p_Save();
  }, [] { FinishStateSaves(); });
}
BENCHMARK(BM_Save_GameThread)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);

void BM_Save_Durable(benchmark::State& state) {
  GameHarness game(Unstarted());
  c_MyApp* app = Fill(game.app());
  Time(state, [app] {
    app->p_Save();
    FinishStateSaves();
  });
}
BENCHMARK(BM_Save_Durable)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);

void BM_Load(benchmark::State& state) {
  GameHarness game(Unstarted());
  Fill(game.app())->p_Save();
  Quiet(state, game.app());
}
BENCHMARK(BM_Load)->UseManualTime()->Iterations(3000)->Unit(benchmark::kMicrosecond);

void BM_Load_10MB(benchmark::State& state) {
  GameHarness game(Unstarted());
  std::ofstream file(".kestrelstate", std::ios::binary);
  for (int i = 0; i < 5000000; ++i) file << "1|";
  file.close();
  Quiet(state, game.app());
}
BENCHMARK(BM_Load_10MB)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
