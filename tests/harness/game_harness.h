// The headless game: the real runtime, collector, host, input device, renderer, audio device
// and c_MyApp, over the scripted window and test clock (fakes/glfw), the recording OpenGL
// (fakes/gl) and the recording OpenAL (fakes/al). A test starts the game on a window of its
// chosen size in a working directory of its own, then drives updates and renders, presses
// keys and reads what was drawn and played.
//
// One harness at a time per process: the game's globals are the program's globals.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "fakes/al/fake_al.h"
#include "fakes/gl/fake_gl.h"
#include "fakes/glfw/fake_glfw.h"
#include "game/my_app.h"
#include "host/vel_glfw_game.h"

struct HarnessOptions {
  int width = 640;
  int height = 480;
  // The data folder the game reads: the generated one, or none at all.
  bool with_data = true;
  // Runs on a private copy of the data folder (every file a symbolic link to the generated
  // one) before the game starts, to remove or replace files.
  std::function<void(const std::string& data_dir)> edit_data;
  // Start the game (window, StartGame, first render). Off to inspect the state before it.
  bool start = true;
};

class GameHarness {
 public:
  explicit GameHarness(HarnessOptions options = HarnessOptions());
  ~GameHarness();
  GameHarness(const GameHarness&) = delete;
  GameHarness& operator=(const GameHarness&) = delete;

  // The window, StartGame and the first render, as the host loop begins.
  void Start();
  // One fixed-rate update (the clock moves one sixtieth of a second first).
  void Update(int count = 1);
  void Render();
  // Update then render, count times.
  void Frame(int count = 1);
  // Runs updates until the loader has finished (at most `limit`).
  void FinishLoading(int limit = 100);

  // Key codes of the input device (38 cursor up, 256 + 32 * pad + button, ...).
  void Press(int code);
  void Release(int code);
  // A press and release before the next update: one hit, not held.
  void Tap(int code);
  void Type(int character);
  // Left button at a device pixel position.
  void MouseDown(float x, float y);
  void MouseUp(float x, float y);
  // The pointer moved, no button pressed.
  void MouseMove(float x, float y);
  // A new device size, as a window resize would give.
  void Resize(int width, int height);

  c_MyApp* app() const { return app_; }
  VelGlfwGame* host() const { return host_.get(); }
  const std::string& dir() const { return dir_; }

  // Channel (0..32) of the source this OpenAL source name belongs to, or -1.
  static int ChannelOfSource(unsigned source);
  // Sound numbers (of c_MyApp::m_Sounds) started on sources since the last call, in order,
  // each with its channel.
  struct Played {
    int sound;
    int channel;
  };
  std::vector<Played> TakePlayed();

 private:
  HarnessOptions options_;
  std::unique_ptr<VelKestrelGame> host_;
  c_MyApp* app_ = nullptr;
  std::string dir_;
  std::string previous_cwd_;
  size_t calls_seen_ = 0;
};
