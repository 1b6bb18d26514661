// Drawing, text and hit tests; stars, particles and sound effects.

#include <cmath>

#include "audio/audio_module.h"
#include "audio/gxtk_audio.h"
#include "harness/game_harness.h"

namespace {

struct Drawing : LoadedGame {
  void SetUp() override { app->p_CLS2D(0, 0, 0, 1); }
  const float* At(int command) { return &app->m_DrawList[15 * command]; }
  float* Particle(int record) { return &app->m_Particles[10 * record]; }
};
using Effects = Drawing;

}  // namespace

TEST_F(Drawing, PenStateIsCopiedIntoEachCommandAndAClearResetsIt) {
  app->p_SetSize(2);
  app->p_SetCol(10, 20, 30, 0.5f);
  app->p_SetCol(255, 0, 0);  // keeps the alpha
  app->p_SetRot(30);
  app->p_DrawImg(1, 5, 6, 7);
  app->p_Rect(1, 2, 3, 4);
  app->p_Oval(8, 9, 10, 11);
  ASSERT_EQ(app->m_DrawCount, 45);
  EXPECT_EQ(std::vector<float>(At(0), At(0) + 14),
            (std::vector<float>{1, 5, 6, -30, 2, 2, 7, 0.5f, 0, 0, 255, 0, 0, 1}));
  EXPECT_EQ(std::vector<float>(At(1), At(1) + 8), (std::vector<float>{-3717, 1, 2, -30, 3, 4, 0, 0.5f}));
  EXPECT_EQ((std::vector<float>{At(2)[0], At(2)[5]}), (std::vector<float>{-3716, 11}));
  app->p_CLS2D();  // clears the list and the pen; an absent colour keeps the clear colour
  EXPECT_EQ((std::vector<float>{app->m_SizeX, app->m_Rot, app->m_ColG, app->m_ClsA, float(app->m_DrawCount)}),
            (std::vector<float>{1, 0, 255, 1, 0}));
}

TEST_F(Drawing, TextMeasuresAnchorsBreaksLinesAndFollowsItsBaseline) {
  // The glyphs' centres, x then y, rounded to thousandths.
  auto text = [&](const char* s, float ax, float ay, float rot = 0, float size = 1) {
    app->p_CLS2D();
    app->p_SetRot(rot);
    app->p_SetSize(size);
    app->p_Text(100, 50, String(s), ax, ay);
    std::vector<float> at;
    for (int i = 0; i < app->m_DrawCount / 15; ++i)
      for (int k : {1, 2}) at.push_back(std::round(At(i)[k] * 1000) / 1000);
    return at;
  };
  EXPECT_EQ(text("", 0, 0), std::vector<float>());
  // "ab" at size 1.5 measures 20: centred, the glyphs sit 10.5 and 21 after x - 10.
  EXPECT_EQ(text("ab", 1, 1, 0, 1.5f), (std::vector<float>{100.5f, 50, 111, 50}));
  EXPECT_EQ((std::vector<float>{float(app->TextWidth(String(" ab"), 7)), At(0)[6]}),
            (std::vector<float>{20, 'a' - 32}));
  EXPECT_EQ(text("A", 0, 0), (std::vector<float>{107, 55}));  // ay 0 and 2: half a line lower, higher
  EXPECT_EQ(text("A", 0, 2), (std::vector<float>{107, 45}));
  // Backslash-n starts a line back at the anchor; a trailing backslash is a glyph; a line feed
  // only advances. "i" is 3 narrower than the cell, "m" 2 wider.
  EXPECT_EQ(text("A\\nB\\", 0, 1), (std::vector<float>{107, 50, 100, 60, 107, 60}));
  EXPECT_EQ(At(2)[6], 60.0f);
  EXPECT_EQ(text("A\nB", 0, 1), (std::vector<float>{107, 50, 121, 50}));
  EXPECT_EQ(text("imi", 0, 1), (std::vector<float>{107, 50, 111, 50, 120, 50}));
  EXPECT_EQ(text("AB", 0, 1, 90), (std::vector<float>{100, 57, 100, 64}));  // down the screen
  EXPECT_EQ(At(0)[3], -90.0f);
}

TEST_F(Drawing, HitTestsNeedAHeldPointerInsideTheirBoxes) {
  // Image 97's 32-unit frames: a button's box is open at its edge, 16 away; a touch box
  // reaches 6 units beyond its left and top and 12 beyond its right and bottom.
  game.MouseDown(100, 100);
  game.Update();
  EXPECT_EQ((std::vector<int>{app->p_Button(97, 110, 110, 0), app->m_ButtonHit, app->p_Button(97, 116, 100, 0),
                              app->p_Button0(97, 90, 90, 0), app->p_Button0(97, 100, 130, 0),
                              app->p_Button0(97, 130, 100, 0), app->p_Touch(104, 104, 10, 10),
                              app->p_Touch(79, 79, 10, 10), app->p_Touch(78, 78, 10, 10),
                              app->p_MouseIn_Centered(100, 100, 4, 4), app->p_MouseIn_Centered(102, 100, 4, 4)}),
            (std::vector<int>{1, 1, 0, 1, 0, 0, 1, 1, 0, 1, 0}));
  game.MouseUp(100, 100);
  game.Update();
  EXPECT_EQ(app->p_Button(97, 100, 100, 0), 0);
}

TEST_F(Effects, StarsWrapAroundAndAreRenewed) {
  app->p_ResetStars(0);  // out of range: keeps 100
  EXPECT_EQ(app->m_StarCount, 100);
  const float m = 16.0f;
  float* star = &app->m_Stars[0];
  star[1] = -m + 0.5f;
  star[2] = 100.0f;
  star[3] = 1.0f;
  app->p_DoStars(-0.5f, 0.0f);  // on the edge: not yet gone
  EXPECT_EQ(star[1], -m);
  app->p_CLS2D();
  app->p_DoStars(-0.5f, 0.0f);  // past it: back on the right, at a new height, speed and look
  EXPECT_NEAR(star[1], vel_Game_jscrw + m - 0.5f, 1e-3);
  EXPECT_TRUE(star[2] != 100.0f && star[2] >= -8.0f && star[2] <= vel_Game_jscrh + 8.0f) << star[2];
  EXPECT_TRUE(star[3] >= 0.2f && star[3] <= 0.8f && star[0] == std::floor(star[0])) << star[3];
  // One command per star, image 96, alpha = speed.
  EXPECT_EQ(app->m_DrawCount, 15 * (app->m_StarCount + 1));
  EXPECT_EQ((std::vector<float>{At(0)[0], At(0)[7]}), (std::vector<float>{96, star[3]}));
}

TEST_F(Effects, ThePoolFillsFromTheTopSparksFallAndFadeAndPopUpsStayUpright) {
  app->p_ResetParticles(0);  // out of range: keeps 250, still frees
  EXPECT_EQ((std::vector<float>{float(app->m_ParticleMax), app->p_FreeParticle()}),
            (std::vector<float>{250, 2500}));
  app->p_ThrowParticle(100, 100, 1, 5, 90, 4);
  app->p_ThrowParticle(100, 100, 2, 5, 90, 4);  // kind 2 slows and falls
  EXPECT_EQ(app->p_FreeParticle(), 2480.0f);
  Particle(250)[7] = 0.7f;
  app->p_DoParticles();
  EXPECT_EQ((std::vector<float>{At(1)[0], At(1)[7]}), (std::vector<float>{96, 0.7f}));
  app->p_DoParticles();
  const float *straight = Particle(250), *falling = Particle(249);
  EXPECT_LT(std::fabs(straight[1] - 108.0f) + std::fabs(straight[2] - 100.0f), 1e-4);
  EXPECT_LT(std::fabs(falling[1] - 107.8f) + std::fabs(falling[2] - 100.2f), 1e-4);
  int updates = 2;  // its life of 0.7 ends 71 updates on
  while (Particle(250)[0] != 0.0f && updates < 200) app->p_DoParticles(), ++updates;
  EXPECT_EQ(updates, 71);

  // A score pop-up: a number drawn upright while it spins in its record, in yellow ink.
  app->p_ResetParticles(250);
  app->p_AddParticle(99, 200, 200, 0, -0.25f, 150, 3, 0);
  app->p_CLS2D(), app->p_DoParticles();
  EXPECT_EQ((std::vector<float>{At(0)[0], At(0)[3], At(0)[6], At(0)[12]}),
            (std::vector<float>{90, 0, '1' - 32, 0.1f * 255.0f}));

  for (int i = 0; i <= 250; ++i) Particle(i)[0] = 1.0f;  // a full pool takes nothing more
  const std::vector<float> full(Particle(0), Particle(251));
  app->p_AddParticle(99, 7, 7, 0, 0, 0, 3, 1);
  EXPECT_EQ(std::vector<float>(Particle(0), Particle(251)), full);
}

TEST_F(Effects, EffectsRotateOverTwentyFourChannelsAndTheSoundOptionGatesThemAndTunes) {
  game.TakePlayed();
  app->m_SfxVoice = 0;
  for (int i = 0; i < 25; ++i) app->p_PlaySFX(1, 1.0f);
  std::vector<int> channels;
  for (const GameHarness::Played& p : game.TakePlayed()) channels.push_back(p.sound == 1 ? p.channel : -1);
  ASSERT_EQ(channels.size(), 25u);  // the 25th cuts the first
  EXPECT_EQ((std::vector<int>{channels[0], channels[22], channels[23], channels[24]}),
            (std::vector<int>{1, 23, 0, 1}));

  app->m_Options[5] = 3;  // no effect at all, not even a stopped channel
  fake_al::world().calls.clear();
  app->p_PlaySFX(1, 1.0f);
  EXPECT_TRUE(fake_al::world().calls.empty());
  app->m_Options[5] = 2;  // a missing effect still stops its channel and sets rate, volume, pan
  app->m_Sounds.Set(7, static_cast<c_Sound*>(nullptr));
  app->p_PlaySFX(7, 0.8f, 0.5f, -0.35f);
  EXPECT_TRUE(game.TakePlayed().empty());
  const fake_al::Source& s =
      fake_al::world().sources[vel_audio_device->channels[app->m_Order[app->m_SfxVoice]].source];
  EXPECT_TRUE(s.pitch == 0.8f && s.gain == 0.5f && s.position[0] < 0.0f) << s.pitch << " " << s.gain;

  // Tunes: option 2 stops a playing tune and starts nothing; 3 plays one.
  const int& tune = vel_audio_device->channels[32].state;
  for (int option : {1, 2, 3}) {
    app->m_Options[5] = option;
    app->p_PlayTune(String("Universe"), 1);
    EXPECT_EQ(app->m_TunePlaying, option != 2);
    EXPECT_EQ(tune, option != 2) << option;
  }
  vel_Game_HasMusicStream = 1;  // the streamed tune follows the pause state
  for (int paused : {1, 0}) {
    app->m_Paused = paused;
    game.Update();
    EXPECT_EQ(tune, 1 + paused);
  }
  app->p_StopTune();
  EXPECT_EQ(app->m_TunePlaying + tune, 0);
  app->p_PlayTune(String("NoSuchTune"), 1);  // a missing tune still counts as playing
  EXPECT_EQ(app->m_TunePlaying, 1);
}
