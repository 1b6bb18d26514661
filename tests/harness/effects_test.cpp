// Stars, particles and sound effects.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/audio_module.h"
#include "audio/gxtk_audio.h"
#include "harness/game_harness.h"
#include "host/random.h"

namespace {

class Effects : public testing::Test {
 protected:
  void SetUp() override {
    game.FinishLoading();
    app = game.app();
    app->p_CLS2D(0, 0, 0, 1);
  }
  float* particle(int record) { return &app->m_Particles[10 * record]; }
  GameHarness game;
  c_MyApp* app = nullptr;
};

// The shared generator, stepped by hand.
float next_draw(int* seed) {
  *seed = static_cast<int>(static_cast<unsigned>(*seed) * 1664525u + 1013904223u);
  return static_cast<float>(static_cast<unsigned>(*seed) >> 8) / 16777216.0f;
}

}  // namespace

TEST_F(Effects, StarsWrapAroundAndAreRenewedFromTheSharedGenerator) {
  const float m = 16.0f;
  float* star = &app->m_Stars[0];
  star[1] = -m + 0.1f;
  star[2] = 100.0f;
  star[3] = 1.0f;
  int seed = vel_random_Seed;
  const float r_y = next_draw(&seed), r_speed = next_draw(&seed), r_frame = next_draw(&seed);
  app->p_DoStars(-0.6f, 0.0f);
  EXPECT_NEAR(star[1], vel_Game_jscrw + m - 0.5f, 1e-3);
  EXPECT_FLOAT_EQ(star[2], -8.0f + r_y * (vel_Game_jscrh + 16.0f));
  EXPECT_FLOAT_EQ(star[3], 0.2f + r_speed * 0.6f);
  EXPECT_EQ(star[0], std::floor(r_frame * 255.99f));
  // One command per star, alpha = speed, image 96.
  EXPECT_EQ(app->m_DrawCount, 15 * (app->m_StarCount + 1));
  EXPECT_EQ(app->m_DrawList[0], 96.0f);
  EXPECT_EQ(app->m_DrawList[7], star[3]);
}

TEST_F(Effects, ThePoolFillsFromTheTopAndAFullPoolIgnoresNewParticles) {
  app->p_ResetParticles(0);  // out of range: keeps 250, still frees
  EXPECT_EQ(app->m_ParticleMax, 250);
  EXPECT_EQ(app->p_FreeParticle(), 2500.0f);
  app->p_ThrowParticle(10, 10, 1, 5, 0, 4);
  EXPECT_EQ(particle(250)[0], 1.0f);
  EXPECT_EQ(app->p_FreeParticle(), 2490.0f);
  app->p_ResetParticles(500);
  EXPECT_EQ(app->m_ParticleMax, 250);
  EXPECT_EQ(particle(250)[0], 0.0f);

  for (int i = 0; i <= 250; ++i) particle(i)[0] = 1.0f;
  EXPECT_EQ(app->p_FreeParticle(), -1.0f);
  const int seed = vel_random_Seed;
  app->p_ThrowParticle(10, 10, 1, 5);  // angle and speed still drawn
  int expected = seed;
  next_draw(&expected);
  next_draw(&expected);
  EXPECT_EQ(vel_random_Seed, expected);
  app->p_AddParticle(99, 0, 0, 0, 0, 0, 3, 1);
  EXPECT_EQ(particle(0)[9], 0.0f);
}

TEST_F(Effects, ThrownSparksFadeAndFreeOnTimeAndPopUpsStayUpright) {
  app->p_ResetParticles(250);
  app->p_ThrowParticle(100, 100, 1, 5, 90, 4);
  float* p = particle(250);
  EXPECT_NEAR(p[3], 4.0f, 1e-5);
  EXPECT_NEAR(p[4], 0.0f, 1e-5);
  p[7] = 0.7f;
  int updates = 0;
  while (p[0] != 0.0f && updates < 200) {
    app->p_CLS2D();
    app->p_DoParticles();
    ++updates;
    if (updates == 1) {
      EXPECT_FLOAT_EQ(app->m_DrawList[7], 0.7f);
      EXPECT_EQ(app->m_DrawList[0], 96.0f);
    }
  }
  EXPECT_EQ(updates, 71);

  // A score pop-up: a number drawn with rotation 0 while it spins in its record.
  app->p_AddParticle(99, 200, 200, 0, -0.25f, 150, 3, 0);
  app->p_CLS2D();
  app->p_DoParticles();
  ASSERT_GT(app->m_DrawCount, 0);
  EXPECT_EQ(app->m_DrawList[0], 90.0f);  // glyphs of the font
  EXPECT_EQ(app->m_DrawList[3], 0.0f);
  EXPECT_EQ(app->m_DrawList[6], static_cast<float>('1' - 32));
  // Yellow ink at level 1.
  EXPECT_FLOAT_EQ(app->m_DrawList[12], 0.1f * 255.0f);
}

TEST_F(Effects, InkTableClampsToTheColourRange) {
  app->p_Ink(5, 2);
  EXPECT_FLOAT_EQ(app->m_ColR, 51.0f);
  EXPECT_FLOAT_EQ(app->m_ColG, 255.0f);
  EXPECT_FLOAT_EQ(app->m_ColB, 255.0f);
  app->p_Ink(0, 1);
  EXPECT_FLOAT_EQ(app->m_ColR, 76.5f);
  app->p_Ink(12, -1);
  EXPECT_FLOAT_EQ(app->m_ColG, 0.0f);
}

TEST_F(Effects, EffectsRotateOverTwentyFourChannels) {
  game.TakePlayed();
  app->m_SfxVoice = 0;
  std::vector<int> channels;
  for (int i = 0; i < 25; ++i) {
    app->p_PlaySFX(1, 1.0f);
    for (const GameHarness::Played& p : game.TakePlayed()) {
      EXPECT_EQ(p.sound, 1);
      channels.push_back(p.channel);
    }
  }
  ASSERT_EQ(channels.size(), 25u);
  EXPECT_EQ(channels[0], 1);
  EXPECT_EQ(channels[22], 23);
  EXPECT_EQ(channels[23], 0);
  EXPECT_EQ(channels[24], channels[0]);  // the 25th cuts the first
}

TEST_F(Effects, TheSoundOptionGatesEffectsAndTunes) {
  // Option 3: no effect at all, not even a stopped channel.
  app->m_Options[5] = 3;
  fake_al::world().calls.clear();
  game.TakePlayed();
  app->p_PlaySFX(1, 1.0f);
  EXPECT_TRUE(fake_al::world().calls.empty());

  // A missing effect still stops its channel and sets rate, volume and pan.
  app->m_Options[5] = 2;
  app->m_Sounds.Set(7, static_cast<c_Sound*>(nullptr));
  app->p_PlaySFX(7, 0.8f, 0.5f, -0.35f);
  const int channel = app->m_Order[app->m_SfxVoice];
  EXPECT_TRUE(game.TakePlayed().empty());
  const ALuint source = vel_audio_device->channels[channel].source;
  ASSERT_NE(source, 0u);
  EXPECT_FLOAT_EQ(fake_al::world().sources[source].pitch, 0.8f);
  EXPECT_FLOAT_EQ(fake_al::world().sources[source].gain, 0.5f);
  EXPECT_LT(fake_al::world().sources[source].position[0], 0.0f);

  // Tunes: option 2 stops a playing tune and starts nothing.
  app->m_Options[5] = 1;
  app->p_PlayTune(String("Universe"), 1);
  EXPECT_EQ(app->m_TunePlaying, 1);
  EXPECT_EQ(vel_audio_device->channels[32].state, 1);
  app->m_Options[5] = 2;
  app->p_PlayTune(String("Universe"), 1);
  EXPECT_EQ(app->m_TunePlaying, 0);
  EXPECT_EQ(vel_audio_device->channels[32].state, 0);
  app->m_Options[5] = 3;
  app->p_PlayTune(String("Universe"), 1);
  EXPECT_EQ(app->m_TunePlaying, 1);
  app->p_StopTune();
  EXPECT_EQ(app->m_TunePlaying, 0);
  EXPECT_EQ(vel_audio_device->channels[32].state, 0);
  // A missing tune still counts as playing (silently).
  app->p_PlayTune(String("NoSuchTune"), 1);
  EXPECT_EQ(app->m_TunePlaying, 1);
}

TEST_F(Effects, TheTuneFollowsThePauseState) {
  vel_Game_HasMusicStream = 1;  // as in the streamed configuration, whatever the build's
  app->m_Options[5] = 1;
  app->p_PlayTune(String("Universe"), 1);
  app->m_Paused = 1;
  game.Update();
  EXPECT_EQ(vel_audio_device->channels[32].state, 2);
  app->m_Paused = 0;
  game.Update();
  EXPECT_EQ(vel_audio_device->channels[32].state, 1);
}
