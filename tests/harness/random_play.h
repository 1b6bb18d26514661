// A random player: keyboard, mouse and gamepad input from a source of numbers (a generator, the
// fuzzer's bytes), biased by the screen on show so that every screen is reached, and now and then
// fullscreen, a resize or a lost focus. It never asks the game to end: no F4, close or back-key
// code, no back where back ends the program (the menu without the options box, loading, an end).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "harness/game_harness.h"

class RandomPlayer {
 public:
  RandomPlayer(GameHarness& game, std::function<uint32_t()> draw,
               std::function<bool()> exhausted = [] { return false; });
  // Input for one update, the update and a render; false once the source is exhausted.
  bool Step();
  // "menu", "options", "credits", "play", "pause", "game over" or "loading".
  std::string Screen() const;
  std::map<std::string, long> updates, entries;  // per screen: updates spent, times entered
  std::vector<int> scores;  // every finished game's score
  int unrecorded = 0;       // games the recent list of their difficulty did not take

 private:
  bool BackAllowed() const;
  void Key(int code, bool down);
  void Rare();

  GameHarness& game_;
  std::function<uint32_t()> draw_;
  std::function<bool()> exhausted_;
  std::vector<int> held_;
  float mouse_x_ = 0, mouse_y_ = 0;
  std::string screen_;
};
