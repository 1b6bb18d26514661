#include "harness/game_harness.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "audio/audio_module.h"
#include "audio/gxtk_audio.h"
#include "host/program.h"
#include "platform/state_writer.h"
#include "runtime/gc.h"

namespace fs = std::filesystem;

GameHarness::GameHarness(HarnessOptions options) : options_(std::move(options)) {
  static const bool collector_ready = (gc_init1(), true);
  (void)collector_ready;
  fake_glfw::reset();
  fakegl::reset();
  fake_al::reset();

  previous_cwd_ = fs::current_path();
  char pattern[] = "/tmp/zipkin-harness-XXXXXX";
  dir_ = mkdtemp(pattern);
  if (options_.with_data) fs::create_directory_symlink(ZIPKIN_DATA_DIR, fs::path(dir_) / "data");
  if (chdir(dir_.c_str()) != 0) std::abort();

  // The process entry's start-up, without its loop.
  glfwInit();
  host_.reset(new VelKestrelGame);
  VelGame::_game = host_.get();
  VelGlfwGame::_glfwGame = host_.get();
  velInit();
  gc_mark();
  velMain();
  app_ = static_cast<c_MyApp*>(vel_app__app);
  if (options_.start) Start();
}

GameHarness::~GameHarness() {
  FinishStateSaves();  // the writer thread writes into the working folder it finds
  if (chdir(previous_cwd_.c_str()) != 0) std::abort();
  std::error_code ignored;
  fs::remove_all(dir_, ignored);
  VelGame::_game = nullptr;  // the game's objects stay with the collector, unreachable
  VelGlfwGame::_glfwGame = nullptr;
}

void GameHarness::Start() {
  host_->SetGlfwWindow(options_.width, options_.height, 8, 8, 8, 0, 0, 0, false);
  host_->StartGame();
  host_->RenderGame();
}

void GameHarness::Update(int count) {
  for (int i = 0; i < count; ++i) {
    fake_glfw::state().time += 1.0 / 60.0;
    host_->UpdateGame();
  }
}

void GameHarness::Render() { host_->RenderGame(); }
void GameHarness::Frame(int count) {
  for (int i = 0; i < count; ++i) Update(), Render();
}
void GameHarness::FinishLoading(int limit) {
  for (int i = 0; i < limit && app_->m_LoadStep > 0; ++i) Frame();
}

void GameHarness::Press(int code) { host_->KeyEvent(1, code); }
void GameHarness::Release(int code) { host_->KeyEvent(2, code); }
void GameHarness::Tap(int code) { Press(code), Release(code); }
void GameHarness::Hold(int code, int updates) { Press(code), Update(updates), Release(code), Update(); }
void GameHarness::Type(int character) { host_->KeyEvent(3, character); }

void GameHarness::MouseDown(float x, float y) {
  host_->MouseEvent(6, 0, x, y);
  host_->MouseEvent(4, 0, x, y);
}
void GameHarness::MouseUp(float x, float y) { host_->MouseEvent(5, 0, x, y); }
void GameHarness::MouseMove(float x, float y) { host_->MouseEvent(6, 0, x, y); }
void GameHarness::Resize(int width, int height) {
  fake_glfw::state().width = width, fake_glfw::state().height = height;
}

std::vector<GameHarness::Played> GameHarness::TakePlayed() {
  std::vector<Played> played;
  const std::vector<fake_al::Call>& calls = fake_al::world().calls;
  for (; calls_seen_ < calls.size(); ++calls_seen_) {
    const fake_al::Call& call = calls[calls_seen_];
    if (call.name != "alSourcePlay") continue;
    const ALuint buffer = fake_al::world().sources[call.id].buffer;
    int sound = -1;
    for (int n = 0; n < app_->m_Sounds.Length(); ++n) {
      c_Sound* s = app_->m_Sounds[n];
      if (s && s->m_sample && s->m_sample->buffer == buffer) sound = n;
    }
    int channel = -1;
    for (int i = 0; i < gxtkAudio::kChannels; ++i)
      if (vel_audio_device->channels[i].source == call.id) channel = i;
    played.push_back(Played{sound, channel});
  }
  return played;
}

std::vector<int> GameHarness::TakeEffects() {
  std::vector<int> sounds;
  for (const Played& p : TakePlayed())
    if (p.channel != 32) sounds.push_back(p.sound);
  return sounds;
}

int GameHarness::CountCommands(const std::function<bool(const float*)>& match) const {
  int n = 0;
  for (int i = 0; i + 15 <= app_->m_DrawCount; i += 15) n += match(&app_->m_DrawList[i]);
  return n;
}
