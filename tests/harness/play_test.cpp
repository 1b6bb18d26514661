// Play through whole updates: the new world, walking, jumps, stomps, gems, hits, the game's end.

#include <cmath>
#include <set>

#include "harness/game_harness.h"

namespace {

using Sounds = std::vector<int>;

struct Play : LoadedGame {
  void Start(int difficulty) {
    app->m_Difficulty = difficulty, app->m_Mode = 11;
    game.Update(), game.TakePlayed();
  }
  // A world with no objects and no new hazards, the hero standing still.
  void StartEmpty() {
    Start(2);
    for (int b = 0; b <= 100; ++b) obj(b)[0] = 0;
    app->m_BadCount = 0, game.Update();
  }
  float& w(int i) { return app->m_World[i]; }
  float* planet(int p) { return &app->m_World[100 + 10 * p]; }
  float* obj(int b) { return &app->m_Bads[10 * b]; }
  // A risen object in record 0 at an angle of the hero's planet.
  void Put(int kind, float angle) {
    std::fill(obj(0), obj(0) + 10, 0.0f);
    obj(0)[0] = static_cast<float>(kind), obj(0)[1] = w(11), obj(0)[2] = angle;
  }
  // The hero's sprite (sheet 1, frames 0..4) in this update's draw list, or null.
  const float* HeroSprite() {
    for (int i = 0; i + 15 <= app->m_DrawCount; i += 15)
      if (app->m_DrawList[i] == 1.0f && app->m_DrawList[i + 6] <= 4.0f) return &app->m_DrawList[i];
    return nullptr;
  }
};

}  // namespace

TEST_F(Play, ANewWorldHasItsPlanetsInARowTheHeroOnPlanetFiveAndAHazardOppositeEach) {
  for (int d = 1; d <= 3; ++d) {
    Start(d);
    EXPECT_EQ(app->m_BadCount, d == 1 ? 15 : d == 2 ? 25 : 40);
  }
  EXPECT_EQ((std::vector<int>{app->m_Mode, app->m_Lives}), (std::vector<int>{10, 3}));
  std::vector<int> onPlanet(10);
  for (int b = 0; b <= 100; ++b)
    if (obj(b)[0] == 1 && obj(b)[2] == 180) ++onPlanet[static_cast<int>(obj(b)[1])];
  EXPECT_EQ(onPlanet, std::vector<int>(10, 1));
  for (int p = 0; p <= 9; ++p) {  // sizes apart, spins of 0.2 to 1 either way
    EXPECT_EQ(planet(p)[1], 450.0f * p);
    EXPECT_TRUE(planet(p)[3] >= 0.85f && planet(p)[3] <= 1.35f) << p;
    if (p > 0) { EXPECT_GT(std::fabs(planet(p)[3] - planet(p - 1)[3]), 0.2f) << p; }
    EXPECT_TRUE(std::fabs(planet(p)[6]) >= 0.2f && std::fabs(planet(p)[6]) <= 1.0f) << p;
  }
  EXPECT_EQ((std::vector<float>{planet(5)[6], w(251)}), (std::vector<float>{0.2f, 270}));
  game.Update();
  EXPECT_EQ((std::vector<float>{w(11), w(4)}), (std::vector<float>{5, 0}));
  EXPECT_NEAR(w(9), planet(5)[2] - 125.0f * planet(5)[3], 0.01f);
  for (int updates : {99, 221}) {  // hazards rise out of the ground at 0.1 to 0.3 a frame
    game.Update(updates);
    for (int b = 91; b <= 100; ++b) EXPECT_EQ(obj(b)[4] < 0, updates == 99) << b;
  }

  // Gems take whole tens of degrees, one gem to each, never on the hero's planet.
  for (int b = 0; b <= 100; ++b) obj(b)[0] = 0;
  for (int i = 0; i < 600; ++i) app->p_AddGem();
  std::multiset<float> angles;
  for (int b = 0; b <= 100; ++b)
    if (obj(b)[0] != 0) angles.insert(obj(b)[1] == w(11) ? -1 : obj(b)[2]);
  EXPECT_EQ(std::set<float>(angles.begin(), angles.end()).size(), angles.size());
  EXPECT_TRUE(angles.size() > 12 && *angles.begin() >= 0 && *angles.rbegin() <= 340);
  for (float a : angles) EXPECT_EQ(std::fmod(a, 10.0f), 0.0f) << a;
}

TEST_F(Play, WalkingTurnsTheHeroAtItsPlanetsSpeedAndJumpsGoHigherWhenHeld) {
  StartEmpty();
  const float size = planet(5)[3], spin = planet(5)[6] * app->m_Speed;
  for (float way : {1.0f, -1.0f}) {  // right, then left: steering builds up to 1
    const int key = way > 0 ? 39 : 37;
    game.Press(key);
    game.Update(20);
    const float before = w(12);
    game.Update();
    EXPECT_NEAR(w(12) - before, spin + way * (2.0f - size) * app->m_Speed, 1e-3);
    EXPECT_EQ(w(5), way > 0 ? 0.0f : -1.0f);
    EXPECT_GT(w(6), 0.0f);  // walking animation
    game.Release(key);
  }
  const float* hero = HeroSprite();
  ASSERT_NE(hero, nullptr);
  EXPECT_EQ((std::vector<float>{hero[1], hero[2], hero[4]}),
            (std::vector<float>{w(8) - app->m_CamX, w(9) - app->m_CamY, -1}));  // mirrored
  game.Update(30);
  game.TakePlayed();
  std::vector<float> peaks;
  for (int holdFor : {1000, 1}) {  // space held, up tapped
    game.Press(holdFor > 1 ? 32 : 38);
    float top = 0;
    for (int i = 0; i < 400 && (i < 2 || w(4) > 0); ++i, game.Update()) {
      if (i == holdFor) game.Release(38);
      top = std::max(top, w(4));
    }
    game.Release(32);
    game.Update();
    peaks.push_back(top);
  }
  EXPECT_NEAR(peaks[0], 78.0f, 0.1f);  // 3.9 + 3.8 + ... + 0.1
  EXPECT_NEAR(peaks[1], 24.7f, 0.1f);  // 3.7 + 3.4 + ... + 0.1
  EXPECT_EQ(game.TakeEffects(), (Sounds{5, 6, 5, 6}));
  for (float from : {1.0f, 2.0f}) {  // dropped from 1 unit it lands quietly, from 2 heard
    w(4) = from;
    game.Update(5);
    EXPECT_TRUE(w(4) == 0 && game.TakeEffects() == (from == 1.0f ? Sounds() : Sounds{6})) << from;
  }
}

TEST_F(Play, StompsAndGemsScoreInChainsAndHitsCostALifeEachUntilTheGameEnds) {
  StartEmpty();
  // Falling onto hazards without touching the ground: 10, 40, 90, and a bounce each time.
  for (int stomp = 1; stomp <= 3; ++stomp) {
    w(4) = 8, w(3) = -2;
    game.Update();
    Put(1, w(12));
    const int before = app->m_Score;
    game.Update();
    EXPECT_EQ(app->m_Score - before, 10 * stomp * stomp);
    EXPECT_TRUE(w(3) > 4.0f && obj(0)[9] == 1.0f) << stomp;  // bounced; the hazard dying
  }
  // A dying hazard stays 180 updates, and the game then asks for two more.
  app->m_BadCount = 49;
  const float speed = app->m_Speed;
  game.Update(179);
  EXPECT_EQ(obj(0)[0], 1.0f);
  game.Update();
  EXPECT_EQ((std::vector<float>{obj(0)[0], float(app->m_BadCount), app->m_Speed}),
            (std::vector<float>{0, 50, speed + 0.01f}));
  EXPECT_EQ(game.TakeEffects(), (Sounds{3, 3, 3, 6}));  // and the landing

  // Gems: 5, 10, 15, each with eight sparks thrown evenly round; a chain ends 90 updates on.
  w(4) = w(3) = 0;
  app->m_BadCount = 0;
  for (int b = 0; b <= 100; ++b) obj(b)[0] = 0;
  game.Update(2);
  for (int gem = 1; gem <= 4; ++gem) {
    if (gem == 4) game.Update(91);
    app->p_ResetParticles(250);
    Put(2, w(12));
    const int before = app->m_Score;
    game.Update();
    float sparks = 0, vx = 0, vy = 0;
    for (const float* p = &app->m_Particles[0]; p <= &app->m_Particles[2500]; p += 10)
      if (p[0] == 1.0f) sparks += 1, vx += p[3], vy += p[4];
    EXPECT_EQ((std::vector<float>{float(app->m_Score - before), sparks, obj(0)[0]}),
              (std::vector<float>{gem == 4 ? 5.0f : 5.0f * gem, 8, 0}));
    EXPECT_NEAR(std::hypot(vx, vy), 0.0f, 1e-3);
  }
  EXPECT_EQ(game.TakeEffects(), (Sounds{1, 1, 1, 1}));

  // Walking into a hazard costs a life, then 240 updates of blinking in which touches are free.
  for (int hit = 1; hit <= 4; ++hit) {
    w(19) = -1;
    Put(1, w(12) + 2.0f);
    game.Update();
    for (int i = 0; hit == 1 && i < 239; ++i, game.Update()) Put(1, w(12) + 2.0f);
    EXPECT_EQ(app->m_Lives, 3 - hit);
  }
  // The fourth ends the game: the menu comes ninety updates later.
  EXPECT_EQ((std::vector<int>{app->m_GameOverTimer, app->m_TunePlaying}), (std::vector<int>{1, 0}));
  EXPECT_EQ(game.TakeEffects(), (Sounds{7, 7, 7, 7, 4}));
  game.Update(88);
  EXPECT_TRUE(HeroSprite() == nullptr && app->m_Mode == 10);
  game.Update();
  EXPECT_EQ(app->m_Mode, 2);
  EXPECT_EQ(game.TakeEffects(), Sounds{});
}

TEST_F(Play, ALaunchPadThrowsTheHeroToTheNextPlanetWhichCatchesItWhereItIs) {
  StartEmpty();
  planet(4)[2] = planet(5)[2];  // planet 4 straight along the pad's throw
  w(12) = w(251), game.Update(2);
  EXPECT_EQ((std::vector<float>{w(7), w(17), w(14)}), (std::vector<float>{1, 5, 3}));
  EXPECT_EQ(game.TakeEffects(), Sounds{2});
  float x = 0, y = 0;
  for (int i = 0; i < 600 && w(11) == 5.0f; ++i) x = w(8), y = w(9), game.Update();
  ASSERT_EQ(w(11), 4.0f);
  EXPECT_LT(std::hypot(w(8) - x, w(9) - y), 3.0f);  // caught where it was: no jump in altitude
  // Falling back through the range of planet 5, which threw it, the hero stays with planet 4.
  for (int i = 0; i < 600 && w(4) > 0; ++i) {
    game.Update();
    ASSERT_EQ(w(11), 4.0f);
  }
  EXPECT_EQ(w(7), 0.0f);
}

TEST(ShortestTurn, GoesTheShortWayAcrossTheWrap) {
  std::vector<int> turns;
  for (const auto& c : {std::pair{0, 350}, {350, 0}, {-30, 400}, {0, 179}, {0, 180}})
    turns.push_back(c_MyApp::m_WhichWayDoIGo(c.first, c.second, 0, 359));
  EXPECT_EQ(turns, (std::vector<int>{-9, 10, 70, 179, -179}));
}
