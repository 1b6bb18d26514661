// Play through whole updates: the new world, walking, jumps, launches, stomps, gems and hits,
// hazards coming and going, the game's end, the pause and the rank word.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "harness/game_harness.h"

namespace {

using Sounds = std::vector<int>;

class Play : public testing::Test {
 protected:
  void SetUp() override {
    game.FinishLoading();
    app = game.app();
  }
  void Start(int difficulty) {
    app->m_Difficulty = difficulty;
    app->m_Mode = 11;
    game.Update();
    game.TakePlayed();
  }
  // A world with no objects and no new hazards, the hero standing still.
  void StartEmpty() {
    Start(2);
    for (int b = 0; b <= 100; ++b) obj(b)[0] = 0;
    app->m_BadCount = 0;
    game.Update();
  }
  float& w(int i) { return app->m_World[i]; }
  float* planet(int p) { return &app->m_World[100 + 10 * p]; }
  float* obj(int b) { return &app->m_Bads[10 * b]; }
  // A risen object in record 0 at an angle of the hero's planet.
  void Put(int kind, float angle) {
    std::fill(obj(0), obj(0) + 10, 0.0f);
    obj(0)[0] = static_cast<float>(kind);
    obj(0)[1] = w(11);
    obj(0)[2] = angle;
  }
  // The hero's sprite in this update's draw list (sheet 1, frames 0..4), or null.
  const float* HeroSprite() {
    for (int i = 0; i + 15 <= app->m_DrawCount; i += 15) {
      const float* c = &app->m_DrawList[i];
      if (c[0] == 1.0f && c[6] <= 4.0f) return c;
    }
    return nullptr;
  }
  GameHarness game;
  c_MyApp* app = nullptr;
};

}  // namespace

TEST_F(Play, ANewWorldHasItsPlanetsInARowTheHeroOnPlanetFiveAndAHazardOppositeEach) {
  for (int d = 1; d <= 3; ++d) {
    Start(d);
    EXPECT_EQ(app->m_BadCount, d == 1 ? 15 : d == 2 ? 25 : 40);
  }
  EXPECT_EQ((std::vector<int>{app->m_Mode, app->m_Lives, app->m_TunePlaying}),
            (std::vector<int>{10, 3, vel_Game_HasMusicStream}));
  for (int p = 0; p <= 9; ++p) {
    EXPECT_EQ(planet(p)[1], 450.0f * p);
    EXPECT_TRUE(planet(p)[3] >= 0.85f && planet(p)[3] <= 1.35f) << p;
    if (p > 0) EXPECT_GT(std::fabs(planet(p)[3] - planet(p - 1)[3]), 0.2f) << p;
    EXPECT_NE(planet(p)[7], planet(p)[8]);
    EXPECT_TRUE(std::fabs(planet(p)[6]) >= 0.2f && std::fabs(planet(p)[6]) <= 1.0f) << p;
  }
  EXPECT_EQ(planet(5)[6], 0.2f);
  EXPECT_EQ(w(251), 270.0f);
  EXPECT_NE(w(201) + w(211) + w(221), 0.0f);  // the other pads anywhere on their planets
  std::vector<int> onPlanet(10);
  for (int b = 0; b <= 100; ++b) {
    if (obj(b)[0] == 0) continue;
    EXPECT_EQ((std::vector<float>{obj(b)[0], obj(b)[2]}), (std::vector<float>{1, 180}));
    ++onPlanet[static_cast<int>(obj(b)[1])];
  }
  EXPECT_EQ(onPlanet, std::vector<int>(10, 1));
  game.Update();
  EXPECT_EQ(w(11), 5.0f);
  EXPECT_NEAR(w(8), planet(5)[1], 1.0f);
  EXPECT_NEAR(w(9), planet(5)[2] - 125.0f * planet(5)[3], 0.01f);
  EXPECT_EQ(w(4), 0.0f);
  // Hazards rise out of the ground at 0.1 to 0.3 a frame.
  game.Update(99);
  for (int b = 91; b <= 100; ++b) EXPECT_LT(obj(b)[4], 0.0f) << b;
  game.Update(221);
  for (int b = 91; b <= 100; ++b) EXPECT_EQ(obj(b)[4], 0.0f) << b;

  // Gems take whole tens of degrees, one gem to each, never on the hero's planet.
  for (int b = 0; b <= 100; ++b) obj(b)[0] = 0;
  for (int i = 0; i < 600; ++i) app->p_AddGem();
  std::set<float> angles;
  size_t gems = 0;
  for (int b = 0; b <= 100; ++b) {
    if (obj(b)[0] == 0) continue;
    ++gems;
    EXPECT_NE(obj(b)[1], w(11));
    EXPECT_EQ(std::fmod(obj(b)[2], 10.0f), 0.0f);
    angles.insert(obj(b)[2]);
  }
  EXPECT_EQ(angles.size(), gems);
  EXPECT_GT(gems, 12u);
  EXPECT_LE(*angles.rbegin(), 340.0f);
}

TEST_F(Play, WalkingTurnsTheHeroAtItsPlanetsSpeedAndJumpsGoHigherWhenHeld) {
  StartEmpty();
  const float size = planet(5)[3], spin = planet(5)[6] * app->m_Speed;
  for (int key : {39, 37}) {  // right, then left: steering builds up to 1 in seven updates
    game.Press(key);
    game.Update(20);
    const float before = w(12);
    game.Update();
    const float way = key == 39 ? 1.0f : -1.0f;
    EXPECT_NEAR(w(12) - before, spin + way * (2.0f - size) * app->m_Speed, 1e-3);
    EXPECT_EQ(w(5), key == 39 ? 0.0f : -1.0f);
    EXPECT_GT(w(6), 0.0f);  // walking animation
    game.Release(key);
  }
  const float* hero = HeroSprite();
  ASSERT_NE(hero, nullptr);
  EXPECT_EQ((std::vector<float>{hero[1], hero[2], hero[4]}),
            (std::vector<float>{w(8) - app->m_CamX, w(9) - app->m_CamY, -1}));  // mirrored
  game.Update(30);

  auto peak = [&](int key, int holdFor) {
    game.Press(key);
    float top = 0;
    for (int i = 0; i < 400 && (i < 2 || w(4) > 0); ++i) {
      if (i == holdFor) game.Release(key);
      game.Update();
      top = std::max(top, w(4));
    }
    game.Release(key);
    game.Update();
    return top;
  };
  game.TakePlayed();
  EXPECT_NEAR(peak(32, 1000), 78.0f, 0.1f);  // space held: 3.9 + 3.8 + ... + 0.1
  EXPECT_NEAR(peak(38, 1), 24.7f, 0.1f);     // up tapped: 3.7 + 3.4 + ... + 0.1
  EXPECT_EQ(game.TakeEffects(), (Sounds{5, 6, 5, 6}));
  // Dropped from 1 unit the hero lands at 0.9 per update, quietly; from 2 at 1.2, heard.
  for (float from : {1.0f, 2.0f}) {
    w(4) = from;
    game.Update(5);
    EXPECT_EQ(w(4), 0.0f);
    EXPECT_EQ(game.TakeEffects(), from == 1.0f ? Sounds() : Sounds{6}) << from;
  }
}

TEST_F(Play, ALaunchPadThrowsTheHeroToTheNextPlanetWhichCatchesItWhereItIs) {
  StartEmpty();
  planet(4)[2] = planet(5)[2];  // planet 4 straight along the pad's throw
  w(12) = w(251);
  game.Update(2);
  EXPECT_EQ((std::vector<float>{w(7), w(17), w(14)}), (std::vector<float>{1, 5, 3}));
  EXPECT_EQ(game.TakeEffects(), Sounds{2});
  float x = 0, y = 0;
  for (int i = 0; i < 600 && w(11) == 5.0f; ++i) {
    x = w(8);
    y = w(9);
    game.Update();
  }
  ASSERT_EQ(w(11), 4.0f);
  // Caught at the altitude of the point where the hero was, so it does not jump; falling
  // back in range of planet 5, which threw it, the hero stays with planet 4.
  EXPECT_LT(std::hypot(w(8) - x, w(9) - y), 3.0f);
  EXPECT_LT(std::hypot(w(8) - planet(5)[1], w(9) - planet(5)[2]), 125.0f * planet(5)[3] + 128.0f);
  for (int i = 0; i < 600 && w(4) > 0; ++i) {
    game.Update();
    EXPECT_EQ(w(11), 4.0f);
  }
  EXPECT_EQ(w(7), 0.0f);
}

TEST_F(Play, StompsAndGemsScoreInChainsAndHitsCostALifeEachUntilTheGameEnds) {
  StartEmpty();
  // Falling onto hazards without touching the ground: 10, 40, 90, and a bounce each time.
  for (int stomp = 1; stomp <= 3; ++stomp) {
    w(4) = 8;
    w(3) = -2;
    game.Update();
    Put(1, w(12));
    const int before = app->m_Score;
    game.Update();
    EXPECT_EQ(app->m_Score - before, 10 * stomp * stomp);
    EXPECT_GT(w(3), 4.0f);
    EXPECT_EQ(obj(0)[9], 1.0f);  // dying
  }
  EXPECT_EQ(game.TakeEffects(), (Sounds{3, 3, 3}));

  // Gems: 5, 10, 15, each with eight sparks thrown evenly round; the chain ends 90 updates
  // after a gem.
  w(4) = w(3) = 0;
  game.Update(2);
  for (int gem = 1; gem <= 4; ++gem) {
    if (gem == 4) game.Update(91);
    app->p_ResetParticles(250);
    Put(2, w(12));
    const int before = app->m_Score;
    game.Update();
    int sparks = 0;
    float vx = 0, vy = 0;
    for (int i = 0; i <= 250; ++i) {
      const float* p = &app->m_Particles[10 * i];
      if (p[0] != 1.0f) continue;
      ++sparks;
      vx += p[3];
      vy += p[4];
    }
    EXPECT_EQ(app->m_Score - before, gem == 4 ? 5 : 5 * gem);
    EXPECT_EQ(sparks, 8);
    EXPECT_NEAR(std::hypot(vx, vy), 0.0f, 1e-3);
    EXPECT_EQ(obj(0)[0], 0.0f);
  }
  EXPECT_EQ(game.TakeEffects(), (Sounds{1, 1, 1, 1}));

  // Walking into a hazard: one life, then 240 updates of blinking in which touches are free.
  w(19) = -1;
  Put(1, w(12) + 2.0f);
  game.Update();
  EXPECT_EQ(app->m_Lives, 2);
  int hidden = 0, faint = 0;
  for (int i = 0; i < 239; ++i) {
    Put(1, w(12) + 2.0f);
    game.Update();
    const float* hero = HeroSprite();
    hidden += hero == nullptr;
    faint += hero && hero[7] == 0.4f;
  }
  EXPECT_EQ((std::vector<int>{app->m_Lives, hidden, faint}), (std::vector<int>{2, 40, 111}));
  for (int hit = 2; hit <= 4; ++hit) {
    w(19) = -1;
    Put(1, w(12) + 2.0f);
    game.Update();
  }
  // The fourth hit ends the game: the menu comes ninety updates later.
  EXPECT_EQ(app->m_Lives, -1);
  EXPECT_EQ(app->m_GameOverTimer, 1);
  EXPECT_EQ(game.TakeEffects(), (Sounds{7, 7, 7, 7, 4}));
  EXPECT_EQ(app->m_TunePlaying, 0);
  game.Update(88);
  EXPECT_EQ(HeroSprite(), nullptr);
  EXPECT_EQ(app->m_Mode, 10);
  game.Update();
  EXPECT_EQ(app->m_Mode, 2);
  EXPECT_EQ(game.TakeEffects(), Sounds{});
}

TEST_F(Play, ADestroyedHazardLeavesAfter180UpdatesAndTheGameAsksForTwoMore) {
  StartEmpty();
  Put(1, w(12) + 180.0f);
  const float at = obj(0)[2], speed = app->m_Speed;
  obj(0)[9] = 1;
  app->m_BadCount = 49;
  game.Update(179);
  EXPECT_EQ((std::vector<float>{obj(0)[0], obj(0)[2]}), (std::vector<float>{1, at}));  // still
  game.Update();
  EXPECT_EQ(obj(0)[0], 0.0f);
  EXPECT_EQ(app->m_BadCount, 50);
  EXPECT_FLOAT_EQ(app->m_Speed, speed + 0.01f);
  // Every record in use: nothing is added, play goes on.
  for (int b = 0; b <= 100; ++b) {
    std::fill(obj(b), obj(b) + 10, 0.0f);
    obj(b)[0] = 2;
    obj(b)[2] = 3.6f * b;
  }
  game.Update(3);
  for (int b = 0; b <= 100; ++b) EXPECT_EQ(obj(b)[0], 2.0f);
  EXPECT_EQ(app->m_Mode, 10);
}

TEST_F(Play, WhilePausedNothingMovesButAnimationsRunOn) {
  Start(3);
  game.Update(40);
  game.Press(27);  // back pauses
  game.Update();
  game.Release(27);
  game.Update();  // the hero's last step shows
  ASSERT_EQ(app->m_Paused, 1);
  obj(100)[9] = 5;
  const std::vector<float> world(&app->m_World[0], &app->m_World[0] + 300);
  const float at = obj(100)[2], anim = obj(100)[7], rise = obj(99)[4];
  game.TakePlayed();
  game.Press(38);  // up: a jump in play, a move of the pause panel's selection here
  game.Update(30);
  for (int i = 0; i < 300; ++i)
    if (i != 16 && i != 19) EXPECT_EQ(app->m_World[i], world[i]) << i;
  EXPECT_EQ((std::vector<float>{obj(100)[2], obj(99)[4], obj(100)[9]}),
            (std::vector<float>{at, rise, 35}));
  EXPECT_NE(obj(100)[7], anim);
  EXPECT_EQ(game.TakeEffects(), Sounds{98});
}

TEST(ShortestTurn, GoesTheShortWayAcrossTheWrap) {
  EXPECT_EQ((std::vector<int>{c_MyApp::m_WhichWayDoIGo(0, 350, 0, 359),
                              c_MyApp::m_WhichWayDoIGo(350, 0, 0, 359),
                              c_MyApp::m_WhichWayDoIGo(-30, 400, 0, 359),
                              c_MyApp::m_WhichWayDoIGo(0, 179, 0, 359),
                              c_MyApp::m_WhichWayDoIGo(0, 180, 0, 359)}),
            (std::vector<int>{-9, 10, 70, 179, -179}));
}

TEST_F(Play, TheRankWordNamesThePlaceTheBestTableGivesAndTheBannerShowsOnlyThen) {
  app->m_Mode = 10;  // during play; over the menu it names the place recorded
  const int table[10] = {500, 400, 300, 200, 200, 200, 200, 200, 200, 100};
  const struct {
    int score;
    const char* word;
    int rank;
  } cases[] = {{501, "1st!", 1}, {500, "2nd", 2}, {400, "3rd", 3}, {150, "10th", 10},
               {100, "", 0},     {0, "", 0}};
  for (int d : {1, 3}) {
    app->m_Difficulty = d;
    for (int i = 0; i < 60; ++i) app->m_HighScores[i] = i / 10 == d - 1 ? table[i % 10] : 0;
    for (const auto& c : cases) {
      app->m_Score = c.score;
      EXPECT_EQ(app->p_MyNth(), String(c.word)) << c.score;
      EXPECT_EQ(app->m_Loop, c.rank);
    }
  }
  // The banner only for a score the table takes: 0 against an empty table gets none.
  for (int i = 0; i < 60; ++i) app->m_HighScores[i] = 0;
  for (int score : {0, 1}) {
    app->m_Score = score;
    app->m_GameOverAnim = 60;
    app->p_CLS2D();
    app->p_GameOver();
    EXPECT_EQ(game.CountCommands([](const float* c) {
                return c[0] == -3717.0f && c[11] == 125.0f && c[12] == 255.0f;
              }),
              score);
    EXPECT_EQ(game.CountCommands([](const float* c) { return c[0] == 90.0f && c[4] == 4.0f; }),
              8);  // "GAME" and "OVER"
    EXPECT_EQ(game.CountCommands([](const float* c) {
                return c[0] == 90.0f && (c[2] < 0 || c[2] > vel_Game_jscrh);
              }),
              0);
  }
}
