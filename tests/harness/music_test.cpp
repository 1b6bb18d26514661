// The procedural music player in the game, its hooks switched on: loading from the render,
// the arrangement, notes on the recording OpenAL.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/gxtk_audio.h"
#include "harness/game_harness.h"
#include "host/app.h"
#include "music/tono_player.h"

namespace {

HarnessOptions Unstarted() {
  HarnessOptions options;
  options.start = false;
  return options;
}

class Music : public testing::Test {
 protected:
  Music() : game(Unstarted()) {
    vel_Game_HasMusic = 1;
    vel_Game_HasMusicStream = 0;
    game.Start();
    game.FinishLoading();
    app = game.app();
    player = app->m_Music;
  }
  fake_al::Source& Source(int channel) {
    return fake_al::world().sources[vel_audio_device->channels[channel].source];
  }
  // Starts a tune and renders until it is loaded; the number of renders.
  int Load(const char* tune) {
    player->p_Tono_StartTune(String(tune), 37171650, 100);
    int renders = 0;
    while (player->m_LoadStep > 0 && renders < 100) {
      game.Frame();
      ++renders;
    }
    return renders;
  }
  // Patterns 0..3 of every track: a note every fourth row, its number telling the pattern.
  void WriteTune() {
    for (int p = 0; p < 4; ++p)
      for (int t = 0; t < 5; ++t)
        for (int r = 0; r < 64; r += 4) {
          int* cell = &player->m_Cells[p * 4096 + t * 512 + r * 8];
          cell[0] = t < 2 ? 13 + 2 * p : 13 + p + r / 4;
          cell[1] = 10 + p;
        }
    for (int t = 0; t < 5; ++t) player->m_LastPattern[t] = 3;
  }
  GameHarness game;
  c_MyApp* app = nullptr;
  c_TonoPlayer* player = nullptr;
};

}  // namespace

TEST_F(Music, TheTuneImageDecodesBlueOverSeventyStepsInTwentyFourRenders) {
  // The frame read back: one cell in band 2, row 5, with red and green that must not count.
  fakegl::State& gl = fakegl::state();
  gl.fbWidth = 640;
  gl.fbHeight = 480;
  gl.framebuffer.assign(640 * 480, 0);
  const int blue[8] = {0, 7, 8, 15, 255, 248, 247, 0};
  for (int k = 0; k < 8; ++k)
    gl.framebuffer[(479 - 5) * 640 + 16 + k] = static_cast<int>(0xff7f4000u | blue[k]);
  gl.draws.clear();

  EXPECT_EQ(Load("Retro/Jumpalong"), 24);
  const int lastStep = vel_app_Millisecs();
  const int decoded[8] = {0, 0, 1, 1, 31, 31, 30, 0};
  for (int f : {0, 62})
    for (int k = 0; k < 8; ++k) EXPECT_EQ(player->m_Cells[f * 4096 + 2 * 512 + 5 * 8 + k], decoded[k]);
  EXPECT_EQ(player->m_LastPattern[2], 62);
  EXPECT_EQ(player->m_LastPattern[0], 0);  // an empty band plays pattern 0 only
  // Frames 0..62 drawn over the top left 64 x 64 pixels, never frame 63.
  std::vector<const fakegl::Draw*> frames;
  for (const fakegl::Draw& d : gl.draws)
    if (d.textured && d.texture == player->m_TuneImage->m_surface->texture) frames.push_back(&d);
  ASSERT_EQ(frames.size(), 63u);
  EXPECT_FLOAT_EQ(frames.back()->verts[0].u, 384.0f / 512.0f);
  EXPECT_FLOAT_EQ(frames.back()->verts[0].v, 448.0f / 512.0f);
  EXPECT_FLOAT_EQ(frames.back()->verts[2].x, 64.0f);
  // The instruments of the picks for seed 37171650: kits 1 and 3, lead 2, accompaniment 2, bass 1.
  for (int n = 1; n <= 8; ++n) ASSERT_TRUE(player->m_DrumKitA[n] && player->m_DrumKitB[n]);
  for (int t = 2; t <= 4; ++t) ASSERT_TRUE(player->m_Instrument[t]);
  EXPECT_EQ(player->m_InstrumentPick[2], 3);
  EXPECT_EQ(player->m_InstrumentPick[3], 2);

  for (int i = 0; i < 20 && player->m_Row == 0; ++i) game.Update();
  EXPECT_GE(vel_app_Millisecs() - lastStep, 100);
  EXPECT_LT(vel_app_Millisecs() - lastStep, 120);
}

TEST_F(Music, TheArrangementIsAPureFunctionOfTheSeedAndSections) {
  Load("Retro/Cave Digger");
  WriteTune();
  std::vector<float> runs[2];
  for (std::vector<float>& run : runs) {
    player->p_Tono_Stop(1);
    // Both runs from rest: a restart keeps the envelopes of the last notes, and the sources
    // what they were last given.
    for (int t = 0; t < 5; ++t) player->m_Envelope[t] = player->m_Volume[t] = player->m_Rate[t] = 0;
    for (int c = 27; c <= 31; ++c) Source(c) = fake_al::Source();
    player->p_Tono_StartTune(String("Retro/Cave Digger"), 37171650, 100);
    EXPECT_EQ(player->m_LoadStep, 0);  // the same tune again loads nothing
    EXPECT_EQ(player->m_Channel[0], 31);
    EXPECT_EQ(player->m_Channel[4], 27);
    EXPECT_EQ(player->m_SectionLeft, 2);
    EXPECT_EQ(player->m_Pattern[1], 3);
    EXPECT_EQ(player->m_Muted[2] + player->m_Muted[4] + player->m_Muted[0], 2);
    for (int update = 0; update < 4000; ++update) {
      game.Update();
      EXPECT_FALSE(player->m_Muted[0] && player->m_Muted[1]);
      for (int c = 27; c <= 31; ++c) {
        const fake_al::Source& s = Source(c);
        const bool playing = s.state == AL_PLAYING;  // a stopped source may lose its buffer
        run.insert(run.end(), {float(playing), playing ? float(s.buffer) : 0, s.gain, s.pitch, s.position[0]});
      }
    }
  }
  EXPECT_GE(player->m_Variation, 3);
  EXPECT_TRUE(runs[0] == runs[1]);
}

TEST_F(Music, NotesDrumsVolumesSlidesAndPauses) {
  Load("Retro/Cave Digger");
  player->m_Muted[0] = player->m_Muted[1] = player->m_Muted[2] = 0;
  // Drum notes play their kit's eight sounds, track 0 left and track 1 right.
  const int drums[8] = {13, 15, 17, 18, 20, 22, 24, 25};
  for (int d = 1; d <= 8; ++d) {
    player->p_Tono_PlayNote(0, drums[d - 1], 0, 0, 0);
    player->p_Tono_PlayNote(1, drums[d - 1], 0, 0, 0);
    EXPECT_EQ(Source(31).buffer, player->m_DrumKitA[d]->m_sample->buffer);
    EXPECT_EQ(Source(30).buffer, player->m_DrumKitB[d]->m_sample->buffer);
    EXPECT_NEAR(Source(31).position[0], std::sin(-0.35f), 1e-6);
    EXPECT_NEAR(Source(30).position[0], std::sin(0.35f), 1e-6);
  }
  player->p_Tono_PlayNote(0, 14, 0, 0, 0);  // not a drum note: silence
  EXPECT_EQ(Source(31).state, AL_STOPPED);

  // Melodic rates: the pitch table times the current chord letter.
  const struct { const char* queue; int note; float rate; } notes[] = {
      {"q", 13, 1.0f}, {"jq", 1, 0.5f * 0.891f}, {"b", 32, 2.996f * 0.749f}, {"z", 25, 1.0f}};
  for (const auto& n : notes) {
    player->m_ChordQueue = String(n.queue);
    player->p_Tono_PlayNote(2, n.note, 30, 0, 0);
    EXPECT_FLOAT_EQ(Source(29).pitch, n.rate) << n.queue << n.note;
    EXPECT_EQ(Source(29).buffer, player->m_Instrument[2]->m_sample->buffer);
    EXPECT_EQ(Source(29).looping, 1);
  }
  EXPECT_FLOAT_EQ(Source(29).gain, 0.5f);
  // The level holds while the envelope is 1 or more, then compounds down row by row.
  for (int row = 0; row < 7; ++row) player->p_Tono_PlayNote(2, 0, 0, 0, 0);
  EXPECT_NEAR(Source(29).gain, 0.5f * 0.9f * 0.8f, 1e-3);
  player->p_Tono_PlayNote(2, 0, 31, 0, 0);
  EXPECT_EQ(Source(29).gain, 0.0f);
  // Slides by a 180th or a 15th of the parameter, and stop at 4.0 and 0.25.
  player->m_ChordQueue = String("q");
  const struct { int note, effect; float rate; } slides[] = {
      {13, 1, 1.1f}, {13, 2, 0.9f}, {32, 3, 4.0f}, {1, 4, 0.25f}, {0, 2, 0.25f}};
  for (const auto& slide : slides) {
    player->p_Tono_PlayNote(2, slide.note, 0, slide.effect, slide.note == 32 || slide.note == 1 ? 31 : 18);
    EXPECT_FLOAT_EQ(Source(29).pitch, slide.rate) << slide.note << "/" << slide.effect;
  }

  // Pausing silences at once; play resumes 150 ms after the pause ends.
  app->m_Paused = 1;
  game.Update(10);
  EXPECT_EQ(Source(29).state, AL_STOPPED);
  EXPECT_EQ(player->m_ChannelBusy[2], 0);
  const int row = player->m_Row, pausedAt = vel_app_Millisecs();
  app->m_Paused = 0;
  for (int i = 0; i < 20 && player->m_Row == row; ++i) game.Update();
  EXPECT_GE(vel_app_Millisecs() - pausedAt, 150);
  EXPECT_LT(vel_app_Millisecs() - pausedAt, 170);
  // The sound option without music silences and holds the tune.
  app->m_Options[5] = 2;
  game.Update(30);
  EXPECT_EQ(player->m_Row, (row + 1) % 64);
}

TEST_F(Music, PatternFlowStaysInsideTheGrid) {
  Load("Retro/Cave Digger");
  WriteTune();
  player->m_NextTick = vel_app_Millisecs() - 1000000;  // every call plays a row
  // Effect 8 on track 0 at row 10: the later tracks play row 63 in the same tick.
  player->m_Pattern[0] = 0;
  player->m_Cells[10 * 8 + 2] = 8;
  player->m_Row = 10;
  player->m_Cells[1 * 4096 + 1 * 512 + 63 * 8] = 15;
  player->m_Pattern[1] = 1;
  player->m_Muted[1] = 0;
  player->p_Tono_MusicPlay();
  EXPECT_EQ(Source(30).buffer, player->m_DrumKitB[2]->m_sample->buffer);
  EXPECT_EQ(player->m_Row, 0);
  EXPECT_EQ(player->m_ChordQueue, String("qjj"));
  // A pattern step past either end of the grid keeps the pattern at 62 or 0.
  player->m_SectionLeft = 3;
  player->m_Pattern[2] = 62;
  player->m_Cells[62 * 4096 + 2 * 512 + 2] = 27;
  player->m_Cells[62 * 4096 + 2 * 512 + 3] = 1;
  player->p_Tono_MusicPlay();
  EXPECT_EQ(player->m_Pattern[2], 62);
  player->m_SectionLeft = 2;
  player->m_Pattern[3] = 0;
  player->m_Cells[3 * 512 + 1 * 8 + 2] = 27;
  player->m_Cells[3 * 512 + 1 * 8 + 3] = 2;
  player->p_Tono_MusicPlay();
  EXPECT_EQ(player->m_Pattern[3], 0);
  // Channels outside the device disable their tracks.
  player->p_Tono_Init(40, 4, 3, 3, 4);
  fake_al::world().calls.clear();
  player->p_Tono_PlayNote(0, 13, 30, 3, 10);
  EXPECT_TRUE(fake_al::world().calls.empty());
}

TEST_F(Music, AGameStartsTheTuneOfItsDifficultyAndGameOverStopsIt) {
  const char* tunes[3] = {"Meadow Run/Tune_12", "Retro/Cave Digger", "Retro/Jumpalong"};
  for (int d = 1; d <= 3; ++d) {
    app->m_Difficulty = d;
    app->m_Mode = 11;
    game.Update();
    EXPECT_EQ(player->m_TunePath, String("tunes/") + String(tunes[d - 1]) + String(".png"));
    EXPECT_EQ(player->m_TuneSeed, 37171650);
    EXPECT_EQ(player->m_Tempo, 100);
  }
  game.Frame(30);
  EXPECT_EQ(player->m_State, 2);
  app->m_Lives = -1;
  game.Update(92);
  EXPECT_EQ(app->m_Mode, 1);
  EXPECT_EQ(player->m_State, 0);
}
