// The soak: random play through every screen, for the sanitizer build; ZIPKIN_SOAK_UPDATES sets
// its length (20,000 updates by default, 1,000,000 under the CTest label `soak`). Once per game
// minute a full collection measures the live bytes and checks the collector's invariants.

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "harness/random_play.h"
#include "runtime/gc.h"

TEST(Soak, RandomPlayVisitsEveryScreenRecordsEveryScoreAndKeepsTheLiveBytesFlat) {
  const char* length = std::getenv("ZIPKIN_SOAK_UPDATES");
  const long total = length ? std::atol(length) : 20000, minute = 3600;
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
  int first = 0, least = 0, most = 0;
  for (long update = 1; update <= total; ++update) {
    player.Step();
    if (update % 600 == 0) {  // a long run keeps none of the fakes' records
      fake_glfw::State& window = fake_glfw::state();
      fake_al::world().calls.clear(), fakegl::state().uploads.clear();
      window.axis_requests.clear(), window.button_requests.clear(), window.presence_queries.clear();
    }
    if (update % minute) continue;
    for (int i = 0; i < 2; ++i) {  // the cycle under way and one more: only the reachable stays
      gc_new_bytes = gc_cycle_bytes + 1;
      game.host()->gc_collect();
    }
    ASSERT_STREQ(gc_check_invariants(), "") << "after update " << update;
    const int bytes = gc_alloced_bytes;
    if (update == minute) first = least = most = bytes;
    least = std::min(least, bytes);
    most = std::max(most, bytes);
  }
  std::printf("soak: %ld updates, live bytes %d first minute, %d..%d after\n", total, first, least, most);
  for (const char* screen : {"menu", "options", "credits", "play", "pause", "game over"})
    EXPECT_GT(player.entries[screen], 0) << screen << " never shown, " << player.updates[screen] << " updates";
  EXPECT_FALSE(player.scores.empty());
  EXPECT_EQ(player.unrecorded, 0);
  // Flat: after the first minute the live bytes stay within a tenth of that minute's.
  EXPECT_GE(least, first - first / 10);
  EXPECT_LE(most, first + first / 10);
}
