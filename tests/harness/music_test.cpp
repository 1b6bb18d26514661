// The procedural music player in the game: loading from the render, the arrangement, notes.

#include <cmath>
#include <vector>

#include "audio/gxtk_audio.h"
#include "harness/game_harness.h"
#include "host/random.h"
#include "music/tono_player.h"
#include "runtime/gc.h"

namespace {

struct Music : testing::Test {
  Music() : game([] { HarnessOptions o; o.start = false; return o; }()) {
    vel_Game_HasMusic = 1;
    vel_Game_HasMusicStream = 0;
    game.Start();
    game.FinishLoading();
  }
  fake_al::Source& Source(int channel) {
    return fake_al::world().sources[vel_audio_device->channels[channel].source];
  }
  // Starts a tune with the game's seed; the renders its loading takes.
  int Load(const char* tune) {
    tono->p_Tono_StartTune(String(tune), 37171650, 100);
    int renders = 0;
    for (; tono->m_LoadStep > 0 && renders < 100; ++renders) game.Frame();
    return renders;
  }
  int* Cell(int pattern, int track, int row) { return &tono->m_Cells[pattern * 4096 + track * 512 + row * 8]; }
  GameHarness game;
  c_MyApp* app = game.app();
  c_TonoPlayer* tono = app->m_Music;
};

}  // namespace

TEST_F(Music, TheTuneImageLoadsInSeventyStepsOverTwentyFourRenders) {
  // Read back: a cell in band 2 row 5 (red and green must not count), a value atop band 3.
  fakegl::State& gl = fakegl::state();
  gl.fbWidth = 640, gl.fbHeight = 480;
  gl.framebuffer.assign(640 * 480, 0);
  const int blue[8] = {0, 7, 8, 15, 255, 248, 247, 0}, decoded[8] = {0, 0, 1, 1, 31, 31, 30, 0};
  for (int k = 0; k < 8; ++k) gl.framebuffer[474 * 640 + 16 + k] = int(0xff7f4000u | blue[k]);
  gl.framebuffer[479 * 640 + 24] = 200;
  tono->m_LastPattern[0] = 5;  // as an earlier tune left it
  const int buffers = fake_al::count("alBufferData");
  EXPECT_EQ(Load("Retro/Jumpalong"), 24);
  const int lastStep = vel_app_Millisecs();
  EXPECT_EQ(fake_al::count("alBufferData") - buffers, 19);  // 8 + 8 drums, 3 melodic
  EXPECT_EQ(std::vector<int>(Cell(62, 2, 5), Cell(62, 2, 5) + 8), std::vector<int>(decoded, decoded + 8));
  EXPECT_EQ(*Cell(0, 3, 0), 25);
  // Never pattern 63: that frame is not read; an empty band plays pattern 0 only.
  EXPECT_EQ((std::vector<int>{tono->m_LastPattern[2], tono->m_LastPattern[0]}), (std::vector<int>{62, 0}));
  EXPECT_EQ(std::vector<int>(&tono->m_InstrumentPick[1], &tono->m_InstrumentPick[1] + 5),
            (std::vector<int>{1, 3, 2, 2, 1}));
  for (int cycle = 0; cycle < 2; ++cycle) {  // two full collections keep every store it holds
    gc_new_bytes = gc_cycle_bytes + 1;
    gc_collect();
  }
  const c_TonoPlayer& m = *tono;
  const gc_object* held[] = {m.m_InstrumentCount.rep, m.m_InstrumentPick.rep, m.m_DrumKitA.rep,
      m.m_DrumKitB.rep, m.m_Instrument.rep, m.m_TuneImage, m.m_Cells.rep, m.m_LastPattern.rep,
      m.m_Channel.rep, m.m_ChannelBusy.rep, m.m_Pattern.rep, m.m_Muted.rep, m.m_LeadIn.rep,
      m.m_MutedNext.rep, m.m_Rate.rep, m.m_Envelope.rep, m.m_Volume.rep};
  for (const gc_object* p = gc_free_list.succ; p != &gc_free_list; p = p->succ)
    for (const gc_object* h : held) ASSERT_NE(p, h);
  for (int i = 0; i < 20 && tono->m_Row == 0; ++i) game.Update();  // the first row: first update past 100 ms
  EXPECT_TRUE(vel_app_Millisecs() - lastStep > 100 && vel_app_Millisecs() - lastStep < 120);
}

TEST_F(Music, TheArrangementFollowsFromTheSeedAndTheSectionsPlayed) {
  Load("Retro/Cave Digger");
  for (int p = 0; p < 4; ++p)  // patterns 0..3: a note every fourth row
    for (int t = 0; t < 5; ++t)
      for (int r = 0; r < 64; r += 4) Cell(p, t, r)[0] = t < 2 ? 13 + 2 * p : 13 + p + r / 4;
  for (int t = 0; t < 5; ++t) tono->m_LastPattern[t] = 3;
  // Sections 0, 1, 2 and 4 worked out by hand from the generator and the seeding rules:
  // patterns left, chord queue, and per track pattern, muted, muted next and lead-in.
  const struct { int left; const char *queue, *rolls[4]; } sections[5] = {
      {2, "qqjj", {"03210", "00101", "10001", "00100"}},
      {2, "jj", {"03321", "10001", "00011", "11011"}},
      {2, "qqqj", {"10322", "00011", "00111", "10110"}}, {},
      {4, "qbqb", {"21103", "01110", "11000", "10010"}}};
  tono->p_Tono_StartTune(String("Retro/Cave Digger"), 37171650, 100);
  EXPECT_EQ(tono->m_LoadStep, 0);  // the same tune again loads nothing
  EXPECT_EQ(vel_random_Seed, 464377262);
  for (int update = 0, seen = -1; update < 4000; ++update, game.Update()) {
    EXPECT_FALSE(tono->m_Muted[0] && tono->m_Muted[1]);
    const int v = tono->m_Variation;
    if (v == seen || v >= 5 || !sections[v].queue) continue;
    seen = v;
    EXPECT_EQ(tono->m_SectionLeft, sections[v].left) << v;
    EXPECT_EQ(tono->m_ChordQueue, String(sections[v].queue)) << v;
    const Array<int> rolled[4] = {tono->m_Pattern, tono->m_Muted, tono->m_MutedNext, tono->m_LeadIn};
    for (int i = 0; i < 20; ++i)
      EXPECT_EQ(rolled[i / 5][i % 5], sections[v].rolls[i / 5][i % 5] - '0') << v << " " << i;
  }
  EXPECT_GE(tono->m_Variation, 4);
  tono->p_Tono_StartTune(String("Retro/Cave Digger"), 37171661, 100);  // rolls both drums mute
  EXPECT_EQ(tono->m_Muted[0] * 2 + tono->m_Muted[1], 1);
  // Drum kits, lead, accompaniment and bass are picked among as many as the data holds.
  const int family[6] = {0, 1, 1, 2, 3, 4};
  for (int seed = 0; seed < 40; ++seed) {
    tono->p_Tono_StartTune(String("Retro/Cave Digger"), seed, 100);
    for (int i = 1; i <= 5; ++i) {
      const int pick = tono->m_InstrumentPick[i];
      EXPECT_TRUE(pick >= 1 && pick <= tono->m_InstrumentCount[family[i]]) << seed;
    }
  }
}

TEST_F(Music, NotesDrumsLevelsSlidesPausesAndPatternSteps) {
  Load("Retro/Cave Digger");
  tono->m_Muted[0] = tono->m_Muted[1] = tono->m_Muted[2] = 0;
  const int drums[8] = {13, 15, 17, 18, 20, 22, 24, 25};  // sounds 1..8, left and right, once
  for (int d = 1; d <= 8; ++d) {
    tono->p_Tono_PlayNote(0, drums[d - 1], 0, 0, 0);
    tono->p_Tono_PlayNote(1, drums[d - 1], 0, 0, 0);
    EXPECT_TRUE(Source(31).buffer == tono->m_DrumKitA[d]->m_sample->buffer &&
                Source(30).buffer == tono->m_DrumKitB[d]->m_sample->buffer && !Source(31).looping) << d;
    EXPECT_NEAR(Source(30).position[0] - Source(31).position[0], 2 * std::sin(0.35f), 1e-6);
  }
  tono->p_Tono_PlayNote(0, 1, 0, 0, 0);  // not a drum note: silence
  EXPECT_EQ(Source(31).state, AL_STOPPED);
  // Melodic notes loop at the pitch table's rate times the chord letter's.
  const struct { const char* queue; int note; float rate; } notes[] = {
      {"q", 13, 1.0f}, {"jq", 1, 0.5f * 0.891f}, {"b", 32, 2.996f * 0.749f}, {"z", 25, 1.0f},
      {"", 20, 1.498f}};
  for (const auto& n : notes) {
    tono->m_ChordQueue = String(n.queue);
    tono->p_Tono_PlayNote(2, n.note, 30, 0, 0);
    EXPECT_FLOAT_EQ(Source(29).pitch, n.rate) << n.queue << n.note;
    EXPECT_TRUE(Source(29).buffer == tono->m_Instrument[2]->m_sample->buffer && Source(29).looping);
  }
  // A level holds while the envelope is 1 or more, then compounds down to silence; 31 silences.
  for (int row = 0; row < 7; ++row) tono->p_Tono_PlayNote(2, 0, row == 0 ? 30 : 0, 0, 0);
  EXPECT_NEAR(Source(29).gain, 0.5f * 0.9f * 0.8f, 1e-3);
  tono->p_Tono_PlayNote(2, 0, 31, 0, 0);
  EXPECT_EQ(Source(29).gain, 0.0f);
  // Slides by a 180th (1, 2) or a 15th (3, 4) of the parameter, within 0.25 .. 4.0.
  tono->m_ChordQueue = String("q");
  const struct { int note, effect, parameter; float rate; } slides[] = {
      {13, 1, 18, 1.1f}, {13, 2, 18, 0.9f}, {32, 3, 31, 4.0f}, {1, 4, 31, 0.25f}, {0, 2, 9, 0.25f}};
  for (const auto& s : slides) {
    tono->p_Tono_PlayNote(2, s.note, 0, s.effect, s.parameter);
    EXPECT_FLOAT_EQ(Source(29).pitch, s.rate) << s.note << "/" << s.effect;
  }
  // Pausing silences at once and play resumes on the first update past 150 ms after the pause;
  // the sound option without music silences and holds the tune.
  app->m_Paused = 1;
  game.Update(10);
  EXPECT_EQ(Source(29).state, AL_STOPPED);
  const int row = tono->m_Row, pausedAt = vel_app_Millisecs();
  app->m_Paused = 0;
  for (int i = 0; i < 20 && tono->m_Row == row; ++i) game.Update();
  EXPECT_TRUE(vel_app_Millisecs() - pausedAt > 150 && vel_app_Millisecs() - pausedAt < 170);
  app->m_Options[5] = 2;
  game.Update(30);
  EXPECT_EQ(tono->m_Row, (row + 1) % 64);
  // Pattern steps go forward while the patterns left are odd, back while even, never past
  // either end; the cell is read again from the new pattern.
  tono->m_NextTick = vel_app_Millisecs() - 1000000;  // every call plays a row
  tono->m_Muted[2] = 0;
  for (int p : {0, 1, 3, 62}) Cell(p, 2, 1)[2] = 27, Cell(p, 2, 1)[3] = p == 1 || p == 62 ? 1 : 2;
  Cell(2, 2, 1)[0] = 20, Cell(2, 2, 1)[1] = 30;
  const int steps[6][3] = {{3, 1, 2}, {4, 1, 1}, {3, 62, 62}, {2, 3, 2}, {1, 3, 3}, {2, 0, 0}};
  for (const int* step : steps) {
    tono->m_Row = 1;
    tono->m_SectionLeft = step[0];
    tono->m_Pattern[2] = step[1];
    tono->p_Tono_MusicPlay();
    EXPECT_EQ(tono->m_Pattern[2], step[2]) << step[0] << " " << step[1];
  }
  EXPECT_FLOAT_EQ(Source(29).pitch, tono->p_GetPitch(20) * tono->m_ChordRatio);
  EXPECT_FLOAT_EQ(Source(29).gain, 0.5f);
}
