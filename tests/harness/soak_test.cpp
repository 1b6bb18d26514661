// The soak: a long game of random keyboard, mouse and gamepad input (tests/harness/random_play.h)
// through every screen, meant for the sanitizer build. ZIPKIN_SOAK_UPDATES sets its length:
// 20,000 updates by default (./test.sh), 1,000,000 (4.6 hours of game time) under the CTest
// label `soak`. Once per game-minute a full collection measures the collector's live bytes
// and walks every list for the collector's invariants.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "harness/random_play.h"
#include "runtime/gc.h"

namespace {

const long kMinute = 60 * 60, kHour = 60 * kMinute;  // in updates

// Finishes the cycle under way and one more, so that only what is reachable remains.
int LiveBytes(GameHarness& game) {
  for (int i = 0; i < 2; ++i) {
    gc_new_bytes = gc_cycle_bytes + 1;
    game.host()->gc_collect();
  }
  return gc_alloced_bytes;
}

// The fakes record calls for tests to read; a long run keeps only what it needs.
void ForgetRecords() {
  fake_al::world().calls.clear();
  fake_glfw::State& window = fake_glfw::state();
  window.axis_requests.clear();
  window.button_requests.clear();
  window.presence_queries.clear();
  fakegl::state().uploads.clear();
}

}  // namespace

TEST(Soak, RandomPlayVisitsEveryScreenRecordsEveryScoreAndKeepsTheLiveBytesFlat) {
  const char* length = std::getenv("ZIPKIN_SOAK_UPDATES");
  const long total = length ? std::atol(length) : 20000;
  GameHarness game;
  game.FinishLoading();
  fakegl::state().record = false;
  uint64_t state = 0x2545F4914F6CDD1DULL;  // xorshift64
  RandomPlayer player(game, [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<uint32_t>(state >> 32);
  });

  std::vector<std::vector<int>> live((total + kHour - 1) / kHour);
  int first_minute = 0, least = 0, most = 0;
  for (long update = 1; update <= total; ++update) {
    player.Step();
    if (update % 600 == 0) ForgetRecords();
    if (update % kMinute) continue;
    const int bytes = LiveBytes(game);
    ASSERT_STREQ(gc_check_invariants(), "") << "after update " << update;
    live[(update - 1) / kHour].push_back(bytes);
    if (update == kMinute) first_minute = least = most = bytes;
    least = std::min(least, bytes);
    most = std::max(most, bytes);
  }

  std::printf("soak: %ld updates (%.2f game-hours)\n", total, static_cast<double>(total) / kHour);
  for (size_t hour = 0; hour < live.size(); ++hour) {
    std::vector<int> v = live[hour];
    if (v.empty()) continue;
    std::sort(v.begin(), v.end());
    std::printf("live bytes, hour %zu: min %d, median %d, max %d (%zu minutes)\n", hour + 1,
                v.front(), v[v.size() / 2], v.back(), v.size());
  }
  for (const auto& s : player.updates)
    std::printf("screen %-9s: %8ld updates, entered %ld times\n", s.first.c_str(), s.second,
                player.entries[s.first]);
  std::printf("games: %zu, scores recorded: %zu\n", player.scores.size(),
              player.scores.size() - player.unrecorded);

  for (const char* screen : {"menu", "options", "credits", "play", "pause", "game over"})
    EXPECT_GT(player.entries[screen], 0) << screen << " never shown";
  EXPECT_FALSE(player.scores.empty());
  EXPECT_EQ(player.unrecorded, 0);
  // Flat: after the first minute the live bytes stay within a tenth of that minute's.
  EXPECT_GE(least, first_minute - first_minute / 10);
  EXPECT_LE(most, first_minute + first_minute / 10);
}
