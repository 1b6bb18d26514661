// The headless game: the real runtime, host, renderer, audio device and c_MyApp over the
// scripted window and clock (fakes/glfw), the recording OpenGL and OpenAL, in a working
// directory of its own. One harness at a time per process: the game's globals are global.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fakes/al/fake_al.h"
#include "fakes/gl/fake_gl.h"
#include "fakes/glfw/fake_glfw.h"
#include "game/my_app.h"
#include "host/vel_glfw_game.h"

struct HarnessOptions {
  int width = 640, height = 480;
  bool with_data = true;  // the generated data folder, or none
  bool start = true;      // window, StartGame and the first render
};

class GameHarness {
 public:
  explicit GameHarness(HarnessOptions options = HarnessOptions());
  ~GameHarness();
  GameHarness(const GameHarness&) = delete;
  GameHarness& operator=(const GameHarness&) = delete;

  void Start(), Render();
  void Update(int count = 1);  // each a sixtieth of a second later
  void Frame(int count = 1);  // update and render
  void FinishLoading(int limit = 100);

  // Key codes of the input device (38 cursor up, 256 + 32 * pad + button, ...).
  void Press(int code), Release(int code);
  void Tap(int code);  // pressed and released before the next update
  void Hold(int code, int updates = 1);  // pressed for `updates`, then released for one
  void Type(int character);
  // The left button or the bare pointer at a device pixel position.
  void MouseDown(float x, float y), MouseUp(float x, float y), MouseMove(float x, float y);
  void Resize(int width, int height);

  c_MyApp* app() const { return app_; }
  VelGlfwGame* host() const { return host_.get(); }

  // Sounds (numbers of c_MyApp::m_Sounds) started since the last call, with their channels.
  struct Played { int sound, channel; };
  std::vector<Played> TakePlayed();
  std::vector<int> TakeEffects();  // the sound numbers of TakePlayed but the tune channel's

  // Commands of the draw list (15 floats each) for which `match` holds.
  int CountCommands(const std::function<bool(const float*)>& match) const;

 private:
  HarnessOptions options_;
  std::unique_ptr<VelKestrelGame> host_;
  c_MyApp* app_ = nullptr;
  std::string dir_, previous_cwd_;
  size_t calls_seen_ = 0;
};

// A test over a game that has finished loading.
struct LoadedGame : testing::Test {
  GameHarness game;
  c_MyApp* app = (game.FinishLoading(), game.app());
};
