// The main menu's carousel and score lists, the pause panel and the credits roll, driven by
// keys and the pointer through whole updates.
#include <gtest/gtest.h>

#include <unistd.h>

#include "harness/game_harness.h"
#include "platform/state_writer.h"

namespace {

class Menus : public testing::Test {
 protected:
  void SetUp() override {
    game.FinishLoading();
    app = game.app();
    game.Update(60);  // the intro has settled
    game.TakePlayed();
  }
  void Hold(int key, int updates = 1) {
    game.Press(key);
    game.Update(updates);
    game.Release(key);
    game.Update();
  }
  std::vector<int> Heard() {
    std::vector<int> sounds;
    for (const GameHarness::Played& p : game.TakePlayed())
      if (p.channel != 32) sounds.push_back(p.sound);  // effects, not the tune
    return sounds;
  }
  GameHarness game;
  c_MyApp* app = nullptr;
};

using Sounds = std::vector<int>;

// Glyphs queued in one colour: the score lists are told apart by theirs.
int Glyphs(c_MyApp* app, float r, float g, float b) {
  int n = 0;
  for (int i = 0; i + 15 <= app->m_DrawCount; i += 15) {
    const float* c = &app->m_DrawList[i];
    const bool onScreen = c[1] > 0 && c[1] < vel_Game_jscrw && c[2] > 0 && c[2] < vel_Game_jscrh;
    n += c[0] == 90.0f && c[10] == r && c[11] == g && c[12] == b && onScreen;
  }
  return n;
}

}  // namespace

TEST_F(Menus, KeysStepTheCarouselWithOneSoundAndTheSlideStaysQuiet) {
  EXPECT_EQ(app->m_MenuSel, 1);
  Hold(39);  // right
  EXPECT_EQ(app->m_MenuSel, 2);
  EXPECT_EQ(app->m_MenuOffset, -88.0f);
  game.Update(40);  // the carousel slides past the halfway point
  EXPECT_EQ(app->m_MenuSel, 2);
  EXPECT_EQ(app->m_Difficulty, 2);
  EXPECT_EQ(Heard(), Sounds{99});
  Hold(38);  // up
  Hold(38);  // up again: item 1 is the first
  EXPECT_EQ(app->m_MenuSel, 1);
  Hold(40);  // down twice
  Hold(40);
  game.Update(40);
  EXPECT_EQ(Heard(), (Sounds{99, 99, 99}));
  Hold(13);  // enter starts a game at the highlighted difficulty
  EXPECT_EQ(app->m_Mode, 10);
  EXPECT_EQ(app->m_Difficulty, 3);
}

TEST_F(Menus, ADragMovesTheCarouselAndActivatesNothingItPassesOver) {
  const float y = 0.65f * vel_Game_jscrh;
  for (float x = 100; x <= 300; x += 20) {  // a pointer moving with no button drags nothing
    game.MouseMove(x, y);
    game.Update();
  }
  EXPECT_EQ(app->m_MenuOffset, 0.0f);
  game.MouseDown(100, y);
  game.Update();
  float furthest = 0;
  for (float x = 110; x <= 400; x += 10) {
    game.MouseDown(x, y);
    game.Update();
    furthest = std::max(furthest, app->m_MenuOffsetShown);
  }
  EXPECT_EQ(app->m_ClickLatch, 2);
  EXPECT_GT(furthest, 100.0f);
  game.MouseUp(400, y);
  game.Update(60);
  EXPECT_EQ(app->m_Mode, 1);
  EXPECT_EQ(app->m_OptionsOpen, 0);
  for (const GameHarness::Played& p : game.TakePlayed()) EXPECT_NE(p.sound, 98);

  // A press on an item that is not highlighted highlights it; a second one activates it.
  const float cogX = static_cast<float>(static_cast<int>(250 + app->m_MenuOffsetShown)) + 3 * 88;
  game.MouseDown(cogX, y);
  game.Update();
  game.MouseUp(cogX, y);
  game.Update(40);
  EXPECT_EQ(app->m_MenuSel, 4);
  game.MouseDown(250 + app->m_MenuOffsetShown + 3 * 88, y);
  game.Update();
  EXPECT_EQ(app->m_OptionsOpen, 1);
}

TEST(MenuLists, RowsFitTheScreenHeight) {
  const struct {
    int height, best, recent;
  } cases[] = {{480, 5 + 10, 6 + 10}, {240, 4 + 2, 5 + 2}, {220, 9 + 1, 4 + 1}};
  for (const auto& c : cases) {
    HarnessOptions options;
    options.height = c.height;
    GameHarness game(options);
    game.FinishLoading();
    if (c.height == 220) game.app()->MenuSelect(3);  // the lists of every difficulty show
    game.Frame(40);
    // "Top 10" / "Top 2" / "Highscore" and "Last 10" / "Last 2" / "Last", one "0" a row.
    EXPECT_EQ(Glyphs(game.app(), 255, 200, 100), c.best) << c.height;
    EXPECT_EQ(Glyphs(game.app(), 200, 255, 100), c.recent) << c.height;
  }
}

TEST_F(Menus, ThePausePanelRisesAndPlayResumesOnlyOnceItHasGone) {
  Hold(13);
  game.Update(30);
  game.Press(27);
  game.Update();
  game.Release(27);
  EXPECT_EQ(app->m_Paused, 1);
  EXPECT_EQ(app->m_PauseSlide, -40);
  game.Update(11);
  EXPECT_EQ(app->m_PauseSlide, 224);
  game.Update();
  EXPECT_EQ(app->m_PauseSlide, 248);
  game.Update();
  EXPECT_EQ(app->m_PauseSlide, 248);

  game.Press(13);  // resume is selected
  game.Update();
  game.Release(13);
  game.Update(11);
  EXPECT_EQ(app->m_PauseSlide, -16);
  EXPECT_EQ(app->m_Paused, 1);
  game.Update();
  EXPECT_EQ(app->m_PauseSlide, -40);
  EXPECT_EQ(app->m_Paused, 0);

  // Quit: the game ends through the game-over sequence.
  Hold(27);
  game.Update(12);
  Hold(37);  // left selects quit, right resume again, left quit
  EXPECT_EQ(app->m_PauseSel, -1);
  Hold(39);
  EXPECT_EQ(app->m_PauseSel, 0);
  Hold(37);
  app->m_Score = 1234;
  Hold(13);
  EXPECT_EQ(app->m_Paused, 0);
  EXPECT_EQ(app->m_GameOverTimer, 1);
  game.Update(90);
  EXPECT_EQ(app->m_Mode, 1);
  EXPECT_EQ(app->m_HighScores[0], 1234);   // best and recent lists of difficulty 1
  EXPECT_EQ(app->m_HighScores[30], 1234);
}

TEST_F(Menus, TheOptionsBoxCyclesTheSoundAndSavesWhenClosedButNotForTheCredits) {
  auto open = [&] {
    unlink(".kestrelstate");
    if (app->m_MenuSel != 4) app->MenuSelect(4);
    game.Update(40);  // the carousel, or a closing box, settles
    Hold(13);
    ASSERT_EQ(app->m_OptionsOpen, 1);
    game.Update(35);  // risen; the box takes no input while it moves
  };
  auto saved = [&] {
    FinishStateSaves();
    return access(".kestrelstate", F_OK) == 0;
  };
  open();
  Hold(40);  // the sound row
  app->p_PlayTune(String("Universe"), 1);
  for (int expected : {2, 3, 0, 1}) {
    if (expected == 0) app->p_PlayTune(String("Universe"), 1);  // playing again under "Music"
    Hold(13);
    EXPECT_EQ(app->m_Options[5], expected);
    EXPECT_EQ(app->m_TunePlaying, 0) << expected;  // stopped by Off and SFX, not restarted
  }
  // Every change sounds, unless the new mode has no effects (Music, Off).
  EXPECT_EQ(Heard(), (Sounds{99, 98, 99, 99, 99}));
  Hold(27);  // back closes and saves
  EXPECT_EQ(app->m_OptionsOpen, 0);
  EXPECT_TRUE(saved());

  open();
  game.MouseDown(100, 60);  // the back cog
  game.Update();
  game.MouseUp(100, 60);
  EXPECT_EQ(app->m_OptionsOpen, 0);
  EXPECT_TRUE(saved());

  open();
  Hold(32);  // button 1 on the highlighted cog
  EXPECT_EQ(app->m_OptionsOpen, 0);
  EXPECT_TRUE(saved());

  open();
  for (int row = 1; row <= 4; ++row) Hold(40);
  Hold(32);  // the credits row
  EXPECT_EQ(app->m_OptionsOpen, 0);
  EXPECT_EQ(app->m_CreditsOpen, 1);
  EXPECT_FALSE(saved());
}

TEST_F(Menus, CreditLinesRollOnPastTheEndAndHoldingAKeyOnlySpeedsThemUp) {
  Hold(78);  // button 6 opens the credits
  ASSERT_EQ(app->m_CreditsOpen, 1);
  game.Press(40);  // back with an arrow held closes the box; it does not quit
  Hold(27);
  game.Release(40);
  EXPECT_EQ(app->m_CreditsOpen, 0);
  game.Update(40);
  Hold(78);
  app->m_CreditTop = 49;  // "End" in the middle
  app->m_CreditScroll = 0;
  game.Update(60);
  EXPECT_EQ(app->m_CreditTop, 50);
  // The first line follows "End": its first glyph is queued.
  const float first = static_cast<float>(vel_Game_CreditText[0][0] - 32);
  bool found = false;
  for (int i = 0; i + 15 <= app->m_DrawCount; i += 15)
    found |= app->m_DrawList[i] == 90.0f && app->m_DrawList[i + 6] == first;
  EXPECT_TRUE(found);

  int top = app->m_CreditTop;
  game.Update(160);
  const int plain = app->m_CreditTop - top;
  top = app->m_CreditTop;
  game.Press(40);
  for (int i = 0; i < 160; ++i) {
    const int before = app->m_CreditTop;
    game.Update();
    EXPECT_GE(app->m_CreditTop, before);
  }
  EXPECT_EQ(plain, 3);
  EXPECT_EQ(app->m_CreditTop - top, 18);
}

TEST_F(Menus, TheConsoleQuitScreenReturnsToTheMenuOrEndsTheProgram) {
  app->m_Mode = 4;
  Hold(32);  // button 1: back to the menu
  EXPECT_EQ(app->m_Mode, 1);
  EXPECT_EXIT(
      {
        app->m_Mode = 4;
        app->m_KeyLatch = app->m_ClickLatch = 0;
        game.Press(17);  // button 2 ends the program
        game.Update();
        std::abort();
      },
      testing::ExitedWithCode(0), "");
}
