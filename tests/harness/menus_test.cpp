// The menu's carousel and score lists, the pause panel, the options box and the credits.

#include <unistd.h>

#include "harness/game_harness.h"
#include "platform/state_writer.h"

namespace {

using Sounds = std::vector<int>;

struct Menus : LoadedGame {
  void SetUp() override {
    game.Update(60);  // the intro has settled
    game.TakePlayed();
  }
};

}  // namespace

TEST_F(Menus, KeysStepTheCarouselWithOneSoundEachAndADragActivatesNothing) {
  game.Hold(39);  // right, from item 1
  EXPECT_EQ((std::vector<float>{float(app->m_MenuSel), app->m_MenuOffset}), (std::vector<float>{2, -88}));
  game.Update(40);  // the carousel slides past the halfway point, keeping the item
  EXPECT_EQ((std::vector<int>{app->m_MenuSel, app->m_Difficulty}), (std::vector<int>{2, 2}));
  game.Hold(38);
  game.Hold(38);  // up again: item 1 is the first
  EXPECT_EQ(app->m_MenuSel, 1);
  EXPECT_EQ(game.TakeEffects(), (Sounds{99, 99}));

  // A pointer moving with no button drags nothing; a drag past the first item pulls back,
  // quietly, and its release activates nothing.
  const float y = 0.65f * vel_Game_jscrh;
  for (float x = 100; x <= 300; x += 20) game.MouseMove(x, y), game.Update();  // no button: no drag
  EXPECT_EQ(app->m_MenuOffset, 0.0f);
  float furthest = 0;
  for (float x = 100; x <= 400; x += 10, furthest = std::max(furthest, app->m_MenuOffsetShown))
    game.MouseDown(x, y), game.Update();
  EXPECT_TRUE(app->m_ClickLatch == 2 && furthest > 100.0f) << furthest;
  game.MouseUp(400, y);
  game.Update(60);
  EXPECT_EQ((std::vector<int>{app->m_Mode, app->m_MenuSel, app->m_OptionsOpen}),
            (std::vector<int>{1, 1, 0}));
  EXPECT_EQ(game.TakeEffects(), Sounds{});
  // A press on an item not highlighted highlights it; a second one activates it.
  const float cogX = static_cast<float>(static_cast<int>(250 + app->m_MenuOffsetShown)) + 3 * 88;
  game.MouseDown(cogX, y);
  game.Update();
  game.MouseUp(cogX, y);
  game.Update(40);
  game.MouseDown(250 + app->m_MenuOffsetShown + 3 * 88, y);
  game.Update();
  EXPECT_EQ((std::vector<int>{app->m_MenuSel, app->m_OptionsOpen}), (std::vector<int>{4, 1}));
  EXPECT_EQ(game.TakeEffects(), (Sounds{99, 98}));
}

TEST(MenuLists, RowsFitTheScreenHeight) {
  const int cases[][3] = {{480, 5 + 10, 6 + 10}, {240, 4 + 2, 5 + 2}, {220, 9 + 1, 4 + 1}};
  for (const auto& c : cases) {
    HarnessOptions options;
    options.height = c[0];
    GameHarness game(options);
    game.FinishLoading();
    if (c[0] == 220) game.app()->MenuSelect(3);
    game.Frame(40);
    // "Top 10" / "Top 2" / "Highscore" and "Last 10" / "Last 2" / "Last", one "0" a row, in
    // the colours of the two lists.
    for (int list = 0; list < 2; ++list) {
      EXPECT_EQ(game.CountCommands([&](const float* g) {
        return g[0] == 90 && g[10] == (list ? 200 : 255) && g[11] == (list ? 255 : 200) && g[12] == 100 &&
               g[1] > 0 && g[1] < vel_Game_jscrw && g[2] > 0 && g[2] < vel_Game_jscrh;
      }), c[1 + list]) << c[0] << " list " << list;
    }
  }
}

TEST_F(Menus, ThePausePanelRisesBackOrResumeLowersItAndQuitEndsTheGame) {
  game.Hold(13);  // enter starts a game at the highlighted difficulty
  EXPECT_EQ((std::vector<int>{app->m_Mode, app->m_Difficulty}), (std::vector<int>{10, 1}));
  game.Update(30);
  game.TakePlayed();
  std::vector<int> slides;
  for (int round = 0; round < 2; ++round) {
    game.Hold(27);  // back pauses
    EXPECT_EQ(app->m_Paused, 1);
    const float spin = app->m_CogSpin, turn = app->m_World[155], at = app->m_World[12];
    for (int i = 0; i < 12; ++i, game.Update()) slides.push_back(app->m_PauseSlide);
    EXPECT_NEAR(app->m_CogSpin - spin, 12 * 0.2f, 1e-3);  // the panel's cog turns, the world not
    EXPECT_EQ((std::vector<float>{app->m_World[155], app->m_World[12]}),
              (std::vector<float>{turn, at}));  // planet 5's spin, the hero's angle
    game.Hold(round == 0 ? 13 : 27);  // resume is selected; back resumes too
    for (int i = 0; i < 12; ++i, game.Update()) slides.push_back(app->m_PauseSlide);
    EXPECT_TRUE(app->m_Paused == 0 && app->m_World[4] == 0.0f);  // resumed by keys that start no jump
  }
  // Up by 24 an update to half the screen and no further, and down the same way to -40,
  // whether resume or back lowers it.
  EXPECT_EQ((std::vector<int>{slides[0], slides[11], slides[23], slides[34], slides[35]}),
            (std::vector<int>{-16, 248, -40, 248, 248}));
  EXPECT_TRUE(std::equal(slides.begin() + 12, slides.begin() + 24, slides.begin() + 36));
  EXPECT_EQ(game.TakeEffects(), (Sounds{98, 98, 98, 98}));

  game.Hold(27, 13);
  std::vector<int> selected;  // left selects quit, right resume again, left quit
  for (int key : {37, 39, 37}) game.Hold(key), selected.push_back(app->m_PauseSel);
  EXPECT_EQ(selected, (std::vector<int>{-1, 0, -1}));
  app->m_Score = 1234;
  game.Hold(13);  // quit: the game ends, recorded in both lists of difficulty 1
  EXPECT_EQ((std::vector<int>{app->m_Paused, app->m_GameOverTimer}), (std::vector<int>{0, 1}));
  game.Update(90);
  EXPECT_EQ((std::vector<int>{app->m_Mode, app->m_HighScores[0], app->m_HighScores[30]}),
            (std::vector<int>{1, 1234, 1234}));
}

TEST_F(Menus, TheOptionsBoxCyclesTheSoundTogglesTheICadeAndSavesWhenClosed) {
  auto open = [&] {
    unlink(".kestrelstate");
    if (app->m_MenuSel != 4) app->MenuSelect(4);
    game.Update(40);  // the carousel, or a closing box, settles
    game.Hold(13);
    ASSERT_EQ(app->m_OptionsOpen, 1);
    game.Update(35);  // risen; the box takes no input while it moves
    game.TakePlayed();
  };
  auto saved = [&] { return FinishStateSaves(), access(".kestrelstate", F_OK) == 0; };
  open();
  game.Hold(40);  // the sound row
  app->p_PlayTune(String("Universe"), 1);
  for (int expected : {2, 3, 0, 1}) {
    if (expected == 0) app->p_PlayTune(String("Universe"), 1);  // playing again under "Music"
    game.Hold(13);  // the tune stopped by Off and SFX, not restarted
    EXPECT_EQ((std::vector<int>{app->m_Options[5], app->m_TunePlaying}), (std::vector<int>{expected, 0}));
  }
  // Every change sounds, unless the new mode has no effects (Music, Off).
  EXPECT_EQ(game.TakeEffects(), (Sounds{99, 99, 99}));
  game.Hold(40);  // the iCade row: on, and no control pressed by it
  game.Hold(13);
  EXPECT_EQ((std::vector<int>{vel_Game_iCadeControls, app->m_OptionsOpen, app->m_OptionSel}),
            (std::vector<int>{1, 1, 2}));
  game.Hold(13);
  game.Hold(27);  // back closes and saves
  EXPECT_TRUE(app->m_OptionsOpen == 0 && saved());

  open();
  for (int row = 1; row <= 4; ++row) game.Hold(40);
  game.Hold(32);  // the credits row: the credits, without a save
  EXPECT_EQ((std::vector<int>{app->m_OptionsOpen, app->m_CreditsOpen}), (std::vector<int>{0, 1}));
  EXPECT_FALSE(saved());
}

TEST_F(Menus, TheCreditsBoxFramesItsTilesAndRollsItsLinesFasterWhileAKeyIsHeld) {
  game.Hold(78);  // button 6 opens the credits
  ASSERT_EQ(app->m_CreditsOpen, 1);
  game.Update(30);
  // A 13 by 10 grid: black tiles round the edge, white ones inside.
  auto tiles = [&](float grey) {
    return game.CountCommands([&](const float* c) {
      return c[0] == -3717.0f && c[4] > 50 && c[7] == 1.0f && c[10] == grey && c[11] == grey && c[12] == grey;
    });
  };
  EXPECT_EQ(tiles(255), 11 * 8);
  EXPECT_EQ(tiles(0), 13 * 10 - 11 * 8);
  game.Press(40);  // back with an arrow held closes the box; it does not quit
  game.Hold(27);
  game.Release(40);
  EXPECT_EQ(app->m_CreditsOpen, 0);
  // The lines roll on past "End" to the first; holding down rolls them faster.
  game.Update(40);
  game.Hold(78);
  app->m_CreditTop = 49;
  app->m_CreditScroll = 0;
  game.Update(160);
  const int top = app->m_CreditTop;
  game.Press(40);
  game.Update(160);
  EXPECT_EQ((std::vector<int>{top, app->m_CreditTop - top}), (std::vector<int>{52, 18}));
}
