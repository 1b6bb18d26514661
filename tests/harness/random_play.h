// A random player for the headless game: keyboard, mouse and gamepad input drawn from a
// source of numbers (a generator for the soak, the fuzzer's bytes for the input fuzzer),
// biased by the screen on show so that every screen is reached: menu, options, credits,
// play, pause and game over. Now and then it also switches fullscreen, resizes the device,
// or takes the focus away and gives it back.
//
// It never asks the game to end: no F4, close or back-key code, and no back control where
// back ends the program (the menu without the options box, loading, a game ending); back
// inputs still held there are released first.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "harness/game_harness.h"

class RandomPlayer {
 public:
  // `draw` gives the next random number; the player stops once `exhausted` says so.
  RandomPlayer(GameHarness& game, std::function<uint32_t()> draw,
               std::function<bool()> exhausted = [] { return false; });

  // Input for one update, then the update and a render. False once the source is exhausted.
  bool Step();

  // The screen on show: "menu", "options", "credits", "play", "pause", "game over" or
  // "loading".
  std::string Screen() const;
  // Updates spent on each screen and times each was entered.
  std::map<std::string, long> updates, entries;
  // Every finished game's score, and whether its difficulty's recent list took it.
  std::vector<int> scores;
  int unrecorded = 0;

 private:
  bool BackAllowed() const;
  void ReleaseBack();
  void Key(int code, bool down);
  void Rare();

  GameHarness& game_;
  std::function<uint32_t()> draw_;
  std::function<bool()> exhausted_;
  std::vector<int> held_;
  float mouse_x_ = 0, mouse_y_ = 0;
  std::string screen_;
};
