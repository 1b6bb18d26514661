// The game's frame: start-up and the loader, screen fitting and the replay of the draw list,
// suspend and resume, the ways out of the program, and missing or broken data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "audio/audio_module.h"
#include "graphics/graphics_module.h"
#include "harness/game_harness.h"

namespace {

// The images each loader step loads, in step order (index 0 is step 1).
const std::vector<std::vector<int>> kStepImages = {
    {97}, {95}, {94}, {93}, {91}, {90}, {}, {}, {}, {}, {99}, {98}, {96}, {80}, {10, 20},
    {11}, {12}, {13}, {14}, {15}, {16}, {17}, {18}, {19}, {1}, {2}, {}, {}, {}, {}, {}, {}};
const std::vector<std::vector<int>> kStepSounds = {
    {96}, {}, {}, {}, {}, {}, {1}, {95}, {98}, {99}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    {}, {}, {}, {}, {}, {}, {2}, {3}, {4}, {5}, {6}, {7}};

bool image_loaded(c_MyApp* app, int n) { return app->m_Images[n] != nullptr; }

}  // namespace

TEST(GameStart, LoaderRunsOneStepPerUpdateInTableOrderThenTheMenu) {
  GameHarness game;
  c_MyApp* app = game.app();
  EXPECT_EQ(app->m_Mode, 1);
  EXPECT_EQ(app->m_LoadStep, 1);
  // p_Reload already brought the logo and the font.
  EXPECT_TRUE(image_loaded(app, 93));
  EXPECT_TRUE(image_loaded(app, 90));

  for (int step = 1; step <= 32; ++step) {
    game.Frame();
    EXPECT_EQ(app->m_LoadStep, step + 1) << "step " << step;
    for (int n : kStepImages[step - 1]) EXPECT_TRUE(image_loaded(app, n)) << "image " << n;
    for (int n : kStepSounds[step - 1]) EXPECT_NE(app->m_Sounds[n], nullptr) << "sound " << n;
    // Nothing of a later step is there yet.
    if (step < 32) {
      for (int n : kStepImages[step]) {
        if (n != 93 && n != 90) {
          EXPECT_FALSE(image_loaded(app, n)) << "image " << n << " early";
        }
      }
      for (int n : kStepSounds[step]) EXPECT_EQ(app->m_Sounds[n], nullptr) << "sound " << n;
    }
    // The loading screen is drawn every time: the clear colour is its own.
    EXPECT_EQ(app->m_ClsB, 80.0f);
  }
  game.Frame();  // step 33 ends loading
  EXPECT_EQ(app->m_LoadStep, 0);
  EXPECT_EQ(app->m_Mode, 1);
  // Every image of the table and every effect is loaded from the generated data.
  for (int n : {1, 2, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 80, 90, 91, 93, 94, 95, 96, 97, 98, 99})
    EXPECT_TRUE(image_loaded(app, n)) << "image " << n;
  for (int n : {1, 2, 3, 4, 5, 6, 7, 95, 96, 98, 99}) EXPECT_NE(app->m_Sounds[n], nullptr) << n;
  // Each holds the pixels of its own "-hd" file, premultiplied, however it was decoded.
  std::vector<std::pair<int, std::string>> files = {
      {97, "common/icons"}, {95, "common/Buttons"}, {94, "common/dpad"}, {93, "common/WoblLogo"},
      {91, "common/Testcard_Circle"}, {90, "fonts/editundo"}, {99, "menu"}, {98, "logo"},
      {96, "parts"}, {80, "BadgesA"}, {20, "planetring"}, {1, "gfx"}, {2, "heart"}};
  for (int k = 0; k <= 9; ++k) files.push_back({10 + k, "planet" + std::to_string(k)});
  for (const auto& [n, name] : files) {
    int w = 0, h = 0, depth = 0;
    unsigned char* want = game.host()->LoadImageData(String(("data/" + name + "-hd.png").c_str()),
                                                     &w, &h, &depth);
    ASSERT_NE(want, nullptr) << name;
    PremultiplyPixels(want, w, h, depth);
    const gxtkSurface* got = app->m_Images[n]->m_surface;
    EXPECT_EQ(std::vector<int>({got->width, got->height}), std::vector<int>({w, h})) << name;
    EXPECT_TRUE(std::equal(want, want + w * h * depth, got->data)) << name;
    std::free(want);
  }
  EXPECT_EQ(app->m_Images[90]->p_Width(), 32);  // glyph cells of the "-hd" font
}

TEST(GameStart, StartJinglePlaysInTheFourthUpdateOnlyNotAfterAReload) {
  GameHarness game;
  std::vector<int> jingle_updates;
  for (int update = 1; update <= 40; ++update) {
    game.Frame();
    for (const GameHarness::Played& p : game.TakePlayed())
      if (p.sound == 96) jingle_updates.push_back(update);
  }
  EXPECT_EQ(jingle_updates, std::vector<int>{4});

  game.Resize(800, 600);  // a new size reloads everything
  game.Frame(40);
  for (const GameHarness::Played& p : game.TakePlayed()) EXPECT_NE(p.sound, 96);
  EXPECT_EQ(game.app()->m_LoadStep, 0);
}

TEST(GameStart, ArtResolutionFollowsTheDeviceSize) {
  struct Case {
    int w, h, factor;
  } cases[] = {{630, 630, 1}, {631, 400, 2}, {400, 631, 2}, {640, 480, 2},
               {1230, 1230, 2}, {1231, 700, 4}, {700, 1231, 4}};
  for (const Case& c : cases) {
    HarnessOptions options;
    options.width = c.w;
    options.height = c.h;
    GameHarness game(options);
    game.FinishLoading();
    c_MyApp* app = game.app();
    EXPECT_EQ(app->m_HdFactor, c.factor) << c.w << "x" << c.h;
    EXPECT_FLOAT_EQ(app->m_ImgScale, 1.0f / c.factor);
    // The frames really come from the file of that resolution.
    ASSERT_NE(app->m_Images[1], nullptr);
    EXPECT_EQ(app->m_Images[1]->p_Width(), 32 * c.factor);
    EXPECT_EQ(app->m_ImgInfo[3 * 1], 32 * c.factor);
    EXPECT_EQ(app->m_ImgInfo[3 * 90], 7);  // the font keeps its advance and line height
    EXPECT_EQ(app->m_ImgInfo[3 * 90 + 1], 10);
  }
}

TEST(GameStart, ASizeChangeMidLoadRestartsTheLoaderAndPlayResumesInTheSameMode) {
  GameHarness game;
  c_MyApp* app = game.app();
  game.Frame(10);
  EXPECT_EQ(app->m_LoadStep, 11);
  game.Resize(1280, 1024);
  game.Render();  // the render notices the new size
  EXPECT_EQ(app->m_LoadStep, 1);
  game.Frame(33);
  EXPECT_EQ(app->m_LoadStep, 0);
  EXPECT_EQ(app->m_HdFactor, 4);
  EXPECT_EQ(app->m_Images[1]->p_Width(), 128);

  // A resize during play freezes the mode logic for the reload, then play goes on in it.
  app->m_Mode = 10;
  game.Resize(640, 480);
  game.Render();
  game.Frame(33);
  EXPECT_EQ(app->m_LoadStep, 0);
  EXPECT_EQ(app->m_Mode, 10);
}

TEST(GameFrame, ScreenFittingKeepsOneUniformScale) {
  GameHarness game;
  c_MyApp* app = game.app();
  struct Case {
    int w, h;
    float scale;
    int mode;
    float vw, vh;
    int landscape;
  } cases[] = {{1280, 720, 2.0f, 1, 640.0f, 360.0f, 1},
               {480, 800, 5.0f / 3.0f, 2, 288.0f, 480.0f, 0},
               {640, 480, 1.0f, 1, 640.0f, 480.0f, 1}};
  for (const Case& c : cases) {
    game.Resize(c.w, c.h);
    game.Render();
    EXPECT_FLOAT_EQ(app->m_ScaleX, c.scale) << c.w << "x" << c.h;
    EXPECT_FLOAT_EQ(app->m_ScaleY, c.scale);
    EXPECT_EQ(app->m_ScaleMode, c.mode);
    EXPECT_FLOAT_EQ(vel_Game_jscrw, c.vw);
    EXPECT_FLOAT_EQ(vel_Game_jscrh, c.vh);
    EXPECT_EQ(app->m_Landscape, c.landscape);
  }
  // A device of no size keeps the last good fit.
  game.Resize(0, 0);
  game.Frame();
  EXPECT_EQ((std::vector<float>{app->m_ScaleX, vel_Game_jscrw, vel_Game_jscrh}),
            (std::vector<float>{1.0f, 640.0f, 480.0f}));
}

namespace {

// Every draw call of the renderer since the last reset, with its vertices.
std::vector<fakegl::Draw> take_draws() {
  std::vector<fakegl::Draw> draws = fakegl::state().draws;
  fakegl::state().draws.clear();
  return draws;
}

bool same_picture(const std::vector<fakegl::Draw>& a, const std::vector<fakegl::Draw>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].mode != b[i].mode || a[i].verts.size() != b[i].verts.size()) return false;
    for (size_t v = 0; v < a[i].verts.size(); ++v) {
      const fakegl::Vertex &p = a[i].verts[v], &q = b[i].verts[v];
      if (p.x != q.x || p.y != q.y || p.u != q.u || p.v != q.v) return false;
      for (int k = 0; k < 4; ++k)
        if (p.rgba[k] != q.rgba[k]) return false;
    }
  }
  return true;
}

int vertex_count(const std::vector<fakegl::Draw>& draws) {
  int n = 0;
  for (const fakegl::Draw& d : draws) n += static_cast<int>(d.verts.size());
  return n;
}

}  // namespace

TEST(GameFrame, RenderReplaysTheListOfTheLastUpdate) {
  GameHarness game;
  game.FinishLoading();
  c_MyApp* app = game.app();
  app->p_CLS2D(0, 0, 0, 1);
  app->p_Rect(10, 10, 100, 50);
  app->p_DrawImg(2, 320, 240, 0);
  take_draws();
  game.Render();
  std::vector<fakegl::Draw> first = take_draws();
  game.Render();
  std::vector<fakegl::Draw> second = take_draws();
  EXPECT_FALSE(first.empty());
  EXPECT_TRUE(same_picture(first, second));

  // Commands queued without a clear come behind the old ones: one more quad.
  app->p_Oval(100, 100, 20, 20);
  game.Render();
  std::vector<fakegl::Draw> third = take_draws();
  EXPECT_GT(vertex_count(third), vertex_count(second));
}

TEST(GameFrame, TheDrawListHolds2499CommandsAndPartialCommandsDrawNothing) {
  GameHarness game;
  game.FinishLoading();
  c_MyApp* app = game.app();
  app->p_CLS2D(0, 0, 0, 1);
  for (int i = 0; i < 2500; ++i) app->p_Rect(static_cast<float>(i % 640), 0, 1, 1);
  EXPECT_EQ(app->m_DrawCount, 2499 * 15);
  EXPECT_EQ(app->m_DrawList[2498 * 15 + 1], static_cast<float>(2498 % 640));

  // A count of 1 to 14 floats replays nothing: only the clearing rectangle is drawn.
  app->m_DrawCount = 0;
  take_draws();
  game.Render();
  const int clear_only = vertex_count(take_draws());
  for (int partial : {1, 7, 14}) {
    app->m_DrawCount = partial;
    game.Render();
    EXPECT_EQ(vertex_count(take_draws()), clear_only) << partial;
  }
  app->m_DrawCount = 15;
  game.Render();
  EXPECT_GT(vertex_count(take_draws()), clear_only);
}

TEST(GameFrame, SuspendInPlayComesBackPausedWithThePanelOpen) {
  GameHarness game;
  game.FinishLoading();
  c_MyApp* app = game.app();
  app->m_Mode = 10;
  app->m_Control[3] = 2;
  game.host()->SuspendGame();
  EXPECT_EQ(vel_app__updateRate, 5);
  EXPECT_EQ(game.host()->UpdateRate(), 5);
  EXPECT_EQ(app->m_Paused, 1);
  EXPECT_EQ(app->m_PauseDir, 1);
  EXPECT_EQ(app->m_PauseSlide, static_cast<int>(vel_Game_jscrh * 0.5f));
  EXPECT_EQ(app->m_Control[3], 0);
  game.host()->ResumeGame();
  EXPECT_EQ(vel_app__updateRate, 60);
  EXPECT_EQ(game.host()->UpdateRate(), 60);
  EXPECT_EQ(app->m_Paused, 1);
  EXPECT_EQ(app->m_PauseDir, 1);
  EXPECT_EQ(app->m_PauseSlide, 240);

  // In the menu the same round trip clears the pause state.
  app->m_Mode = 1;
  game.host()->SuspendGame();
  game.host()->ResumeGame();
  EXPECT_EQ(app->m_Paused, 0);
  EXPECT_EQ(app->m_PauseDir, 0);
  EXPECT_EQ(app->m_PauseSlide, 0);
}

TEST(GameFrame, FunctionKeysToggleTheDebugOverlayAndTheHud) {
  GameHarness game;
  game.FinishLoading();
  c_MyApp* app = game.app();
  app->p_CLS2D(0, 0, 0, 1);
  game.Tap(112);
  game.Update();
  EXPECT_EQ(vel_Game_DebugMode, 1);
  // The overlay's glyphs (font image 90) are queued last, at the bottom left.
  ASSERT_GT(app->m_DrawCount, 0);
  const float* last = &app->m_DrawList[app->m_DrawCount - 15];
  EXPECT_EQ(last[0], 90.0f);
  EXPECT_FLOAT_EQ(last[2], vel_Game_jscrh - 16.0f + 5.0f);
  game.Tap(112);
  game.Tap(113);
  game.Update();
  EXPECT_EQ(vel_Game_DebugMode, 0);
  EXPECT_EQ(app->m_HideHud, 1);
}

// F4 and the close key end the program at once with status 0 (that nothing is saved on the
// way out is checked on the real binary, tests/e2e/game).
TEST(GameExit, F4AndTheCloseKeyEndWithStatusZero) {
  for (int key : {115, 432}) {
    EXPECT_EXIT(
        {
          GameHarness game;
          game.FinishLoading();
          game.Tap(key);
          game.Update();
          std::abort();  // not reached
        },
        testing::ExitedWithCode(0), "")
        << key;
  }
}

TEST(GameData, MissingDataFolderStillLoadsRunsAndDrawsNothingMissing) {
  HarnessOptions options;
  options.with_data = false;
  GameHarness game(options);
  game.FinishLoading();
  c_MyApp* app = game.app();
  EXPECT_EQ(app->m_LoadStep, 0);
  for (int n = 0; n < 100; ++n) {
    EXPECT_EQ(app->m_Images[n], nullptr);
    EXPECT_EQ(app->m_Sounds[n], nullptr);
  }
  // Requested sizes are still known to the layout.
  EXPECT_EQ(app->m_ImgInfo[3 * 1], 64);
  app->p_CLS2D(0, 0, 0, 1);
  app->p_DrawImg(1, 10, 10, 0);
  app->p_Text(10, 10, String("hello"), 0, 0);
  app->p_PlaySFX(5, 1.0f);
  fakegl::state().draws.clear();
  game.Frame(60);
  EXPECT_TRUE(game.TakePlayed().empty());
}

TEST(GameData, BrokenOrEmptyFilesAreSkipped) {
  HarnessOptions options;
  options.edit_data = [](const std::string& data) {
    namespace fs = std::filesystem;
    fs::remove(data + "/gfx-hd.png");
    std::ofstream(data + "/gfx-hd.png") << "not a picture";
    fs::remove(data + "/heart-hd.png");
    std::ofstream(data + "/heart-hd.png");  // empty
    fs::remove(data + "/planet3-hd.png");   // missing
    fs::remove(data + "/sfx/005.wav");
    std::ofstream(data + "/sfx/005.wav") << "RIFF\x10\0\0\0WAVEjunk";
    fs::remove(data + "/sfx/096.wav");
  };
  GameHarness game(options);
  game.FinishLoading();
  c_MyApp* app = game.app();
  EXPECT_EQ(app->m_Images[1], nullptr);
  EXPECT_EQ(app->m_Images[2], nullptr);
  EXPECT_EQ(app->m_Images[13], nullptr);
  EXPECT_NE(app->m_Images[12], nullptr);
  EXPECT_EQ(app->m_Sounds[5], nullptr);
  EXPECT_EQ(app->m_Sounds[96], nullptr);
  EXPECT_NE(app->m_Sounds[4], nullptr);
  app->p_PlaySFX(5, 1.0f);
  game.Frame(10);
}
