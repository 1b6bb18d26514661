// c_TonoPlayer: the player object, the choice of instruments and first arrangement, and the
// incremental loader that turns the tune image and the samples into playable data from the
// render hook, a few steps per frame.
#include <cmath>
#include <cstdint>

#include "host/app.h"
#include "host/random.h"
#include "music/tono_player.h"

namespace {

// What a loader step loads: 2..9 the drum kit of track 0, 12..19 that of track 1 (sounds 1..8),
// 21..23 the lead, accompaniment and bass. Steps 5..67 also decode frame step - 5.
const int kFirstKitAStep = 2;
const int kFirstKitBStep = 12;
const int kLeadStep = 21;
const int kBassStep = 23;
const int kFirstFrameStep = 5;
// Each step pushes the first row this far back, so playback starts after loading settles.
const int kSettleMs = 100;

}  // namespace

c_TonoPlayer::c_TonoPlayer()
    : m_InstrumentCount(8),
      m_InstrumentPick(8),
      m_DrumKitA(9),
      m_DrumKitB(9),
      m_Instrument(8),
      m_Cells(kFrames * kFrameValues + 1),
      m_LastPattern(8),
      m_Channel(8),
      m_ChannelBusy(8),
      m_Pattern(8),
      m_Muted(8),
      m_LeadIn(8),
      m_MutedNext(8),
      m_Rate(8),
      m_Envelope(8),
      m_Volume(8) {}

c_TonoPlayer* c_TonoPlayer::m_new() { return this; }

void c_TonoPlayer::mark() {
  Object::mark();
  gc_grey(m_InstrumentCount);
  gc_grey(m_InstrumentPick);
  gc_grey(m_DrumKitA);
  gc_grey(m_DrumKitB);
  gc_grey(m_Instrument);
  gc_grey(m_TuneImage);
  gc_grey(m_Cells);
  gc_grey(m_LastPattern);
  gc_grey(m_Channel);
  gc_grey(m_ChannelBusy);
  gc_grey(m_Pattern);
  gc_grey(m_Muted);
  gc_grey(m_LeadIn);
  gc_grey(m_MutedNext);
  gc_grey(m_Rate);
  gc_grey(m_Envelope);
  gc_grey(m_Volume);
}

void c_TonoPlayer::SeedWith(uint32_t x) {
  vel_random_Seed = static_cast<int>(x * 1948736821u - 873057359u);
}

int c_TonoPlayer::Later(int time, int ms) {
  return static_cast<int>(static_cast<uint32_t>(time) + static_cast<uint32_t>(ms));
}

int c_TonoPlayer::p_Rand(float from, float to) {
  const float v = std::floor(vel_random_Rnd() * ((to + 0.99f) - from) + from);
  // Counts of any size give a whole number without overflowing the conversion.
  return static_cast<int>(std::fmax(-2147483648.0f, std::fmin(v, 2147483520.0f)));
}

int c_TonoPlayer::p_Tono_Init(int baseChannel, int drumKits, int leads, int accompaniments,
                              int basses) {
  m_BaseChannel = baseChannel;
  m_InstrumentCount[1] = drumKits;
  m_InstrumentCount[2] = leads;
  m_InstrumentCount[3] = accompaniments;
  m_InstrumentCount[4] = basses;
  return 0;
}

int c_TonoPlayer::p_Tono_StartTune(String tune, int seed, int tempo) {
  String path = String("tunes/") + tune + String(".png");
  m_Variation = 0;
  m_TuneSeed = seed;
  m_NextTick = Later(vel_app_Millisecs(), kSettleMs);
  m_Row = 0;
  m_State = 2;
  // A row lasts 8000 / tempo ms: a tempo below 1 would make it endless or negative.
  m_Tempo = tempo >= 1 ? tempo : 1;
  if (path != m_TunePath) {
    m_LoadStep = 1;
    m_TunePath = path;
    for (int t = 0; t < m_TrackCount; ++t) {
      m_LastPattern[t] = 0;
      m_Pattern[t] = 0;
    }
  }
  for (int t = 0; t < m_TrackCount; ++t) m_Channel[t] = m_BaseChannel - 1 - t;

  // Instruments, from the seeds of variation 0. The picks change on every start, but only the
  // loader loads them, so a restart of the tune already loaded keeps the instruments it has.
  const uint32_t base = static_cast<uint32_t>(seed);
  SeedWith(base);
  m_InstrumentPick[1] = p_Rand(1, static_cast<float>(m_InstrumentCount[1]));
  m_InstrumentPick[2] = p_Rand(1, static_cast<float>(m_InstrumentCount[1]));
  m_InstrumentPick[3] = p_Rand(1, static_cast<float>(m_InstrumentCount[2]));
  m_InstrumentPick[4] = p_Rand(1, static_cast<float>(m_InstrumentCount[3]));
  m_InstrumentPick[5] = p_Rand(1, static_cast<float>(m_InstrumentCount[4]));

  // The first arrangement: each track's pattern and mutes from a seed of its own.
  for (int t = 0; t < m_TrackCount; ++t) {
    SeedWith(base + 7u * static_cast<uint32_t>(t));
    m_Pattern[t] = p_Rand(0, static_cast<float>(m_LastPattern[t]));
    m_MutedNext[t] = p_Rand(0, 1);
    m_LeadIn[t] = p_Rand(0, 1);
    m_Muted[t] = p_Rand(0, 1);
  }
  if (m_Muted[0] == 1 && m_Muted[1] == 1) m_Muted[0] = 0;  // never both drum tracks silent
  m_SectionLeft = 2 * p_Rand(1, 2);
  m_ChordQueue = String("qqjj");
  return 0;
}

int c_TonoPlayer::p_Tono_LoadChunk() {
  static const char* const kDrumEndings[9] = {"",        "-1.wav", "-2.wav", "-3.wav", "-4.wav",
                                              "-5.wav", "-6.wav", "-7.wav", "-8.wav"};
  const int s = m_LoadStep;
  if (s >= kFirstKitAStep && s < kFirstKitAStep + 8) {
    const int n = s - kFirstKitAStep + 1;
    m_DrumKitA.Set(n, vel_audio_LoadSound(String("inst/d") + String(m_InstrumentPick[1]) +
                                          String(kDrumEndings[n])));
  } else if (s >= kFirstKitBStep && s < kFirstKitBStep + 8) {
    const int n = s - kFirstKitBStep + 1;
    m_DrumKitB.Set(n, vel_audio_LoadSound(String("inst/d") + String(m_InstrumentPick[2]) +
                                          String(kDrumEndings[n])));
  } else if (s >= kLeadStep && s <= kBassStep) {
    static const char* const kFamilies[3] = {"inst/lead", "inst/accompany", "inst/bass"};
    const int track = s - kLeadStep + 2;  // 2 lead, 3 accompaniment, 4 bass
    m_Instrument.Set(track, vel_audio_LoadSound(String(kFamilies[track - 2]) +
                                                String(m_InstrumentPick[track + 1]) +
                                                String(".wav")));
  }
  if (s == 1) {
    gc_assign(m_TuneImage,
              vel_graphics_LoadImage2(m_TunePath, 64, 64, 64, c_Image::kMidHandle));
  }
  if (m_TuneImage && s >= kFirstFrameStep && s < kFirstFrameStep + kPatterns) {
    DecodeFrame(s - kFirstFrameStep);
  }
  m_LoadStep = s + 1;
  m_NextTick = Later(vel_app_Millisecs(), kSettleMs);
  if (m_LoadStep > kLoadSteps) m_LoadStep = 0;
  return 0;
}

// The frame is drawn at the top left of the frame being rendered (identity transform, alpha
// blending, as every render starts) over a background whose blue is 0, so a transparent pixel
// reads 0 and partial transparency scales its value down; then it is read back.
void c_TonoPlayer::DecodeFrame(int f) {
  Array<int> pixels(64 * 64);
  vel_graphics_Cls(1, 0, 0);
  vel_graphics_SetAlpha(1);
  vel_graphics_SetColor(1, 0, 0);
  vel_graphics_DrawRect(0, 0, 64, 64);
  vel_graphics_SetColor(255, 255, 255);
  vel_graphics_DrawImage(m_TuneImage, 32, 32, f);
  vel_graphics_ReadPixels(pixels, 0, 0, 64, 64, 0, 64);
  int* cells = &m_Cells[f * kFrameValues];
  for (int y = 0; y < kRows; ++y) {
    for (int b = 0; b < kBands; ++b) {
      for (int k = 0; k < kCellValues; ++k) {
        const int value = (pixels[y * 64 + b * kCellValues + k] & 0xff) >> 3;  // blue >> 3
        cells[b * kBandValues + y * kCellValues + k] = value;
        if (value != 0) m_LastPattern[b] = f;
      }
    }
  }
}

int c_TonoPlayer::p_Tono_Alive_R() {
  for (int i = 0; i < kLoadStepsPerRender && m_LoadStep > 0; ++i) p_Tono_LoadChunk();
  vel_graphics_Cls(0, 0, 0);
  return 0;
}
