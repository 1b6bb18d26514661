// Arbitrary bytes as a stream of keyboard, mouse and gamepad input played into the headless
// game (tests/harness), two bytes per random choice of the player of the soak: a fresh game
// without data files each time, run until the input is used up.
#include <cstdint>
#include <cstdio>

#include "harness/random_play.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;  // game output
  (void)quiet;
  HarnessOptions options;
  options.with_data = false;  // loading the pictures every run would bury the input's effect
  GameHarness game(options);
  game.FinishLoading();
  size_t at = 0;
  RandomPlayer player(
      game,
      [&]() -> uint32_t {
        uint32_t v = 0;
        for (int i = 0; i < 2; ++i) v = v << 8 | (at < size ? data[at++] : 0);
        return v;
      },
      [&] { return at >= size; });
  while (player.Step()) {
  }
  return 0;
}
