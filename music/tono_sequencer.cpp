// c_TonoPlayer: the sequencer, run from the update hook. When a row is due it plays one cell of
// each track, advances the row, moves the chord queue on at every pattern boundary and re-rolls
// the arrangement at every section boundary. Notes are samples on the tracks' channels, pitched
// by playback rate and shaped by a per-row envelope.
#include <cstdint>

#include "host/app.h"
#include "host/random.h"
#include "music/tono_player.h"

namespace {

// Cell values.
const int kNote = 0, kVolume = 1, kEffect = 2, kParameter = 3;
// Effects: pitch slides, the end of the pattern, and a step to the next or previous pattern.
const int kSlideUpSlow = 1, kSlideDownSlow = 2, kSlideUpFast = 3, kSlideDownFast = 4;
const int kPatternEnd = 8;
const int kPatternStep = 27;
// Slides keep the rate within these bounds.
const float kLowestRate = 0.25f;
const float kHighestRate = 4.0f;
// A clock more than this far behind the schedule has jumped back: play at once.
const int kClockJumpMs = 123456;
// After a pause, playback resumes this much later.
const int kResumeMs = 150;
// Drum tracks sit left and right of the middle.
const float kDrumPan = 0.35f;

// The eight drum notes, sounds 1..8 in this order.
const int kDrumNotes[8] = {13, 15, 17, 18, 20, 22, 24, 25};

// Sounds and channels exist for 0..32; channel 0 and anything outside disable a track.
bool usable(int channel) { return channel >= 1 && channel < gxtkAudio::kChannels; }

}  // namespace

void c_TonoPlayer::SilenceTracks() {
  for (int t = 0; t < m_TrackCount; ++t) {
    if (usable(m_Channel[t]) && m_ChannelBusy[t] == 1) {
      vel_audio_device->StopChannel(m_Channel[t]);
      m_ChannelBusy[t] = 0;
    }
  }
}

const int* c_TonoPlayer::Cell(int track) const {
  return &m_Cells[m_Pattern[track] * kFrameValues + track * kBandValues + m_Row * kCellValues];
}

int c_TonoPlayer::p_Tono_Alive_U(int paused, int musicOn) {
  if (m_State == 0) SilenceTracks();
  if (m_State == 2 && paused == 0 && m_LoadStep == 0 && musicOn == 1) {
    p_Tono_MusicPlay();
  } else if (paused == 1) {
    m_NextTick = Later(vel_app_Millisecs(), kResumeMs);
  }
  if (m_State == 2 && (paused == 1 || musicOn == 0)) SilenceTracks();
  return 0;
}

int c_TonoPlayer::p_Tono_MusicPlay() {
  const int64_t now = vel_app_Millisecs();
  if (!(m_NextTick < now || m_NextTick > now + kClockJumpMs)) return 0;

  for (int t = 0; t < m_TrackCount; ++t) {
    const int* cell = Cell(t);
    if (cell[kEffect] == kPatternStep) {
      int pattern = m_Pattern[t];
      if (cell[kParameter] == 1 && m_SectionLeft % 2 != 0) ++pattern;
      if (cell[kParameter] == 2 && m_SectionLeft % 2 == 0) --pattern;
      // Bad tune data must not step outside the decoded patterns.
      if (pattern < 0) pattern = 0;
      if (pattern > kPatterns - 1) pattern = kPatterns - 1;
      m_Pattern[t] = pattern;
      cell = Cell(t);
    }
    p_Tono_PlayNote(t, cell[kNote], cell[kVolume], cell[kEffect], cell[kParameter]);
    if (cell[kEffect] == kPatternEnd) m_Row = kRows - 1;
  }

  // The schedule advances from the previous due time, so a late update catches up a row a call.
  m_NextTick = Later(m_NextTick, static_cast<int>(8000.0f / static_cast<float>(m_Tempo)));
  m_Row = (m_Row + 1) % kRows;
  if (m_Row != 0) return 0;

  // Pattern boundary: the chord queue moves on one letter; a new chord pattern is drawn when
  // the previous one is down to its last letter.
  const uint32_t variationSeed =
      static_cast<uint32_t>(m_TuneSeed) + 9u * static_cast<uint32_t>(m_Variation);
  vel_random_Seed = static_cast<int>(variationSeed * 2001863745u - 2084129712u);
  if (m_ChordQueue.Length() == 1) m_ChordQueue = String(" ") + p_Tono_GetChord(p_Rand(0, 4));
  if (m_ChordQueue.Length() > 1) m_ChordQueue = m_ChordQueue.Slice(1);
  if (--m_SectionLeft > 0) return 0;

  // Section boundary: a new length, then each track's pattern and mutes from its own seed.
  vel_random_Seed = static_cast<int>(variationSeed);
  for (int i = 0; i < 11; ++i) p_Rand(1, 5);
  m_SectionLeft = 2 * p_Rand(1, 2);
  ++m_Variation;
  for (int t = 0; t < m_TrackCount; ++t) {
    SeedWith(static_cast<uint32_t>(m_TuneSeed) + 9u * static_cast<uint32_t>(m_Variation) +
              7u * static_cast<uint32_t>(t));
    m_Pattern[t] = p_Rand(0, static_cast<float>(m_LastPattern[t]));
    m_Muted[t] = m_MutedNext[t];
    m_MutedNext[t] = p_Rand(0, 1);
    m_LeadIn[t] = p_Rand(0, 1);
  }
  if (m_Muted[0] == 1 && m_Muted[1] == 1) m_Muted[0] = 0;
  return 0;
}

int c_TonoPlayer::p_Tono_PlayNote(int t, int note, int volume, int effect, int parameter) {
  if (t < 0 || t >= m_TrackCount) return 0;
  int mute = m_Muted[t];
  if (m_State <= 1) {
    m_ChordRatio = 1;
  } else {
    // A track due to enter next section comes in during the last 8 rows of this one.
    if (m_SectionLeft <= 1 && m_Row > 55 && m_LeadIn[t] == 1 && m_MutedNext[t] == 0) mute = 0;
    m_ChordRatio = m_ChordQueue.Length() > 0 ? p_GetPitch_Alpha(m_ChordQueue[0]) : 1.0f;
  }
  for (int j = 0; j < m_TrackCount; ++j) m_Channel[j] = m_BaseChannel - 1 - j;
  const int channel = m_Channel[t];
  const bool live = mute == 0 && usable(channel);
  gxtkAudio* device = vel_audio_device;

  // Drum hit: any note stops the channel and resets rate and envelope; the eight drum notes
  // play their sound once.
  if (t <= 1 && note > 0 && live) {
    device->StopChannel(channel);
    int d = 0;
    for (int i = 0; i < 8; ++i)
      if (kDrumNotes[i] == note) d = i + 1;
    c_Sound* sound = d > 0 ? (t == 0 ? m_DrumKitA : m_DrumKitB)[d] : nullptr;
    if (sound) {
      m_ChannelBusy[t] = 1;
      if (sound->m_sample) device->PlaySample(sound->m_sample, channel, 0);
      device->SetPan(channel, t == 0 ? -kDrumPan : kDrumPan);
    }
    m_Rate[t] = 1.0f;
    m_Envelope[t] = 4.0f;
  }

  // Volume: 0 keeps the level, 1..30 set it, 31 silences.
  float level = static_cast<float>(volume - 1) / 29.0f;
  if (level > 1.0f) {
    m_Envelope[t] = 0;
    level = 0;
  }
  if (level < 0.0f) level = 0;
  float base;
  if (volume > 0 && live) {
    m_Envelope[t] = 1.5f;
    device->SetVolume(channel, level * m_MasterVolume);
    m_Volume[t] = level;
    base = level;
  } else {
    base = m_Volume[t];
  }

  // Envelope: a level holds while it is 1 or more and fades row by row below that; the decayed
  // level becomes the next row's base, so the decay compounds.
  m_Envelope[t] -= 0.1f;
  float gain = -1.0f;
  if (m_Envelope[t] < 0.0f) {
    m_Envelope[t] = 0;
    gain = 0;
  } else if (m_Envelope[t] < 1.0f) {
    gain = m_Envelope[t];
  }
  if (gain >= 0.0f && usable(channel)) {
    device->SetVolume(channel, gain * base * m_MasterVolume);
    m_Volume[t] = gain * base;
  }

  // Melodic note: the instrument's sample loops at the pitch of the note times the chord.
  if (t >= 2 && note > 0 && live) {
    device->StopChannel(channel);
    const float rate = p_GetPitch(note) * m_ChordRatio;
    m_Rate[t] = rate;
    m_Envelope[t] = 1.5f;
    device->SetRate(channel, rate);
    c_Sound* sound = m_Instrument[t];
    if (sound) {
      m_ChannelBusy[t] = 1;
      if (sound->m_sample) device->PlaySample(sound->m_sample, channel, m_NoteLoop);
    }
  }

  if (!live) return 0;
  float rate;
  switch (effect) {
    case kSlideUpSlow:
      rate = m_Rate[t] + static_cast<float>(parameter) / 180.0f;
      break;
    case kSlideDownSlow:
      rate = m_Rate[t] - static_cast<float>(parameter) / 180.0f;
      break;
    case kSlideUpFast:
      rate = m_Rate[t] + static_cast<float>(parameter) / 15.0f;
      break;
    case kSlideDownFast:
      rate = m_Rate[t] - static_cast<float>(parameter) / 15.0f;
      break;
    default:
      return 0;
  }
  if (rate > kHighestRate) rate = kHighestRate;
  if (rate < kLowestRate) rate = kLowestRate;
  m_Rate[t] = rate;
  device->SetRate(channel, rate);
  return 0;
}

int c_TonoPlayer::p_Tono_Stop(int mode) {
  SilenceTracks();
  if (mode == 1) m_State = 0;
  return 0;
}

String c_TonoPlayer::p_Tono_GetChord(int n) {
  static const char* const kChords[6] = {"qqqq", "qqjj", "qqbb", "qbqb", "qqqj", "qqzz"};
  return String(n >= 0 && n < 6 ? kChords[n] : "qqjj");
}

float c_TonoPlayer::p_GetPitch(int n) {
  // Equal-tempered semitones from the sample's own pitch at n = 13; the octave below is half
  // and the notes above 24 double these.
  static const float kMiddle[12] = {1.0f,  1.059f, 1.122f, 1.189f, 1.26f,  1.335f,
                                    1.414f, 1.498f, 1.587f, 1.682f, 1.782f, 1.888f};
  if (n < 1 || n > 32) return 0;
  const float octave = n <= 12 ? 0.5f : (n <= 24 ? 1.0f : 2.0f);
  return kMiddle[(n - 1) % 12] * octave;
}

float c_TonoPlayer::p_GetPitch_Alpha(int c) {
  // The 32 notes on a keyboard's two bottom rows and the rows above them, low to high.
  static const char kKeys[] = "zsxdcvgbhnjmq2w3er5t6y7ui9o0p[=]";
  for (int i = 0; i < 32; ++i)
    if (kKeys[i] == c) return p_GetPitch(i + 1);
  return 0;
}
