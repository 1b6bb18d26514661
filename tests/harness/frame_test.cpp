// The frame: the loader, screen fitting, the draw list's replay, each mode's screen, the ways out.

#include <algorithm>
#include <set>

#include "graphics/gl.h"
#include "graphics/graphics_module.h"
#include "harness/game_harness.h"

namespace {

int loaded(c_MyApp* app) {
  int n = 0;
  for (int i = 0; i < 100; ++i) n += (app->m_Images[i] != nullptr) + (app->m_Sounds[i] != nullptr);
  return n;
}

std::set<int> images(GameHarness& game) {
  std::set<int> drawn;
  game.CountCommands([&](const float* c) { return drawn.insert(static_cast<int>(c[0])).second; });
  return drawn;
}

using GameFrame = LoadedGame;

}  // namespace

TEST(GameStart, TheLoaderTakesOneStepAnUpdateTheJingleOnceAndEveryImageItsWholeFile) {
  GameHarness game;
  c_MyApp* app = game.app();
  EXPECT_EQ(loaded(app), 2);  // the logo and the font come before the first update
  std::vector<int> counts, jingles;
  for (int update = 1; app->m_LoadStep > 0 && update < 40; ++update) {
    EXPECT_EQ(app->m_LoadStep, update);
    game.Frame();
    EXPECT_EQ(app->m_ClsB, 80.0f);  // the loading screen's own clear colour
    counts.push_back(loaded(app));
    for (const GameHarness::Played& p : game.TakePlayed())
      if (p.sound == 96) jingles.push_back(update);
  }
  EXPECT_EQ(counts.size(), 33u);
  EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
  EXPECT_EQ(counts.back(), 34);  // 23 images and 11 sounds
  EXPECT_EQ(jingles, std::vector<int>{4});
  // The frames of each image tile its file exactly; the font has glyph cells of 32.
  for (int n = 1; n < 100; ++n) {
    const int* info = &app->m_ImgInfo[3 * n];
    const gxtkSurface* file = app->m_Images[n] ? app->m_Images[n]->m_surface : nullptr;
    if (file && n != 90) { EXPECT_EQ(info[0] * info[1] * info[2], file->width * file->height) << n; }
  }
  EXPECT_EQ(app->m_Images[90]->p_Width(), 32);

  // A new size mid-game reloads everything, without the jingle, and play goes on.
  app->m_Mode = 10;
  game.Resize(1280, 1024);
  game.Frame(40);
  EXPECT_EQ((std::vector<int>{app->m_LoadStep, app->m_Mode, app->m_Images[1]->p_Width()}),
            (std::vector<int>{0, 10, 128}));
  for (const GameHarness::Played& p : game.TakePlayed()) EXPECT_NE(p.sound, 96);
}

TEST_F(GameFrame, ScreenFittingKeepsOneUniformScale) {
  // Device size, then scale, the axis that decides (1 width, 2 height) and the virtual size;
  // a device of no size keeps the last good fit.
  for (const auto& c : {std::vector<float>{1280, 720, 2, 1, 640, 360}, {480, 800, 5.0f / 3, 2, 288, 480},
                        {640, 480, 1, 1, 640, 480}, {0, 0, 1, 1, 640, 480}}) {
    game.Resize(static_cast<int>(c[0]), static_cast<int>(c[1]));
    game.Frame();
    EXPECT_EQ((std::vector<float>{c[0], c[1], app->m_ScaleX, float(app->m_ScaleMode), vel_Game_jscrw,
                                  vel_Game_jscrh, float(app->m_Landscape), app->m_ScaleY}),
              (std::vector<float>{c[0], c[1], c[2], c[3], c[4], c[5], float(c[4] >= c[5]), c[2]}));
  }
}

TEST_F(GameFrame, RenderReplaysTheLastListWholeCommandsOnly) {
  auto draws = [&](int floats) {  // per draw: primitive, blend, vertices and the box round them
    app->m_DrawCount = floats, fakegl::state().draws.clear(), game.Render();
    std::vector<std::vector<float>> out;
    for (const fakegl::Draw& d : fakegl::state().draws) {
      float b[4] = {1e9f, 1e9f, -1e9f, -1e9f};
      for (const fakegl::Vertex& v : d.verts)
        b[0] = std::min(b[0], v.x), b[1] = std::min(b[1], v.y),
        b[2] = std::max(b[2], v.x), b[3] = std::max(b[3], v.y);
      out.push_back({float(d.mode), float(d.blendDst), float(d.verts.size()), b[0], b[1], b[2], b[3]});
    }
    return out;
  };
  app->p_CLS2D(0, 0, 0, 1);
  app->m_Blend = 3, app->p_Rect(10, 10, 100, 50), app->m_Blend = 0;  // an additive rectangle
  app->p_Oval(100, 100, 20, 20), app->p_DrawImg(2, 320, 240, 0);
  using Draws = std::vector<std::vector<float>>;
  const std::vector<float> clear = {GL_TRIANGLES, GL_ONE_MINUS_SRC_ALPHA, 6, -1, -1, 641, 481};
  EXPECT_EQ(draws(14), Draws{clear});  // a partial command is not drawn
  EXPECT_EQ(draws(45), (Draws{clear, {GL_TRIANGLES, GL_ONE, 6, 10, 10, 110, 60},
                              {GL_TRIANGLE_FAN, GL_ONE_MINUS_SRC_ALPHA, 40, 80, 80, 120, 120},
                              {GL_TRIANGLES, GL_ONE_MINUS_SRC_ALPHA, 6, 304, 224, 336, 256}}));
  game.Resize(1280, 960);  // twice the scale, overscan 0: every coordinate doubles
  EXPECT_EQ(draws(15).at(1), (std::vector<float>{GL_TRIANGLES, GL_ONE, 6, 20, 20, 220, 120}));
  // The list holds 2499 commands.
  app->p_CLS2D(0, 0, 0, 1);
  for (int i = 0; i < 2500; ++i) app->p_Rect(static_cast<float>(i % 640), 0, 1, 1);
  EXPECT_EQ(app->m_DrawCount, 2499 * 15);
  EXPECT_EQ(app->m_DrawList[2498 * 15 + 1], static_cast<float>(2498 % 640));
}

TEST_F(GameFrame, EachModeRunsItsOwnScreenTheBoxesOnlyOverTheMenuAndAGameComesBackPaused) {
  game.Update();
  std::set<int> drawn = images(game);
  EXPECT_TRUE(drawn.count(98) && drawn.count(10) && !drawn.count(1) && !drawn.count(91));
  app->m_CreditsOpen = 1;  // the credits box, with the test card
  game.Update(30);
  EXPECT_TRUE(images(game).count(91));
  app->m_CreditsOpen = 0;

  app->m_Mode = 11;  // a new game, then play: the hero's sheet and the pause icon
  game.Update();
  EXPECT_EQ(app->m_Mode, 10);
  app->m_CreditsOpen = 1;
  game.Update(30);
  drawn = images(game);
  EXPECT_TRUE(drawn.count(1) && drawn.count(97) && !drawn.count(98) && !drawn.count(91));
  app->m_CreditsOpen = 0;
  // Away from a game in play, the game slows to 5 updates and comes back paused, panel open.
  app->m_Control[3] = 2;
  game.host()->SuspendGame();
  EXPECT_EQ((std::vector<int>{game.host()->UpdateRate(), app->m_Control[3]}), (std::vector<int>{5, 0}));
  game.host()->ResumeGame();
  EXPECT_EQ((std::vector<int>{game.host()->UpdateRate(), app->m_Paused, app->m_PauseDir, app->m_PauseSlide}),
            (std::vector<int>{60, 1, 1, 240}));

  app->m_Mode = 4;  // the console's quit screen
  game.Update();
  EXPECT_EQ(images(game), (std::set<int>{90, 91}));
  app->m_Mode = 2;  // back from a game: the menu's jingle, and the menu next
  game.TakePlayed();
  game.Update();
  EXPECT_EQ(app->m_Mode, 1);
  EXPECT_EQ(game.TakeEffects(), std::vector<int>{96});
  game.Update();
  EXPECT_TRUE(images(game).count(98));
  game.host()->SuspendGame();  // in the menu the same round trip clears the pause state
  game.host()->ResumeGame();
  EXPECT_EQ((std::vector<int>{app->m_Paused, app->m_PauseDir, app->m_PauseSlide}), (std::vector<int>{0, 0, 0}));

  // F1 the debug overlay, whose glyphs come last at the bottom left; F2 hides the HUD.
  game.Tap(112), game.Tap(113);
  game.Update();
  const float* last = &app->m_DrawList[app->m_DrawCount - 15];
  EXPECT_EQ((std::vector<float>{float(vel_Game_DebugMode), float(app->m_HideHud), last[0], last[2]}),
            (std::vector<float>{1, 1, 90, vel_Game_jscrh - 11}));
}

TEST(GameExit, F4AndTheCloseKeyEndWithStatusZero) {
  const auto quit = [](int key) { GameHarness game; game.FinishLoading(); game.Tap(key); game.Update(); };
  for (int key : {115, 432}) EXPECT_EXIT((quit(key), std::abort()), testing::ExitedWithCode(0), "") << key;
}

TEST(GameData, WithoutADataFolderTheGameLoadsAndPlaysSilentlyAndDrawsNoMissingImage) {
  GameHarness game(HarnessOptions{640, 480, false});
  game.FinishLoading();
  c_MyApp* app = game.app();
  EXPECT_EQ((std::vector<int>{app->m_LoadStep, loaded(app), app->m_ImgInfo[3]}), (std::vector<int>{0, 0, 64}));
  app->m_Mode = 11;
  game.Frame(60);
  EXPECT_TRUE(images(game).count(1));  // the hero's sheet is asked for, but nothing textured drawn
  for (const fakegl::Draw& d : fakegl::state().draws) EXPECT_FALSE(d.textured);
  app->p_PlaySFX(5, 1.0f);
  app->p_PlaySFX(100, 1.0f);  // no such effect either
  EXPECT_TRUE(game.TakeEffects().empty());
}
