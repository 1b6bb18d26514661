// c_TonoPlayer: the procedural music player. It builds music at run time from a tune stored as
// a picture and from short instrument samples, and plays five tracks on five audio channels:
// 0 and 1 drums (one kit each), 2 lead, 3 accompaniment, 4 bass, on channels base-1 .. base-5.
//
// The tune image "tunes/<name>.png" holds 64 frames of 64 x 64 pixels; frame f is pattern f
// (frames 0..62 are read, 63 never). In a frame, band b (columns 8b..8b+7) is track b and row y
// is row y of the pattern; the eight pixels of a band in a row are one cell, each value being
// the pixel's blue >> 3 (0..31). Cell values: note, volume, effect, effect parameter, then four
// unused ones. The decoded tune lives in m_Cells: pixel (8b + k, y) of frame f is at
// f * 4096 + b * 512 + y * 8 + k.
//
// Loading (tono_loader.cpp) is cut into 70 steps, at most three per rendered frame, so no frame
// stalls: each step loads at most one sample and reads back one frame of the image drawn into
// the frame being rendered. Playback (tono_sequencer.cpp) runs from the update: a row of every
// track falls due every 8000 / tempo ms, and the arrangement (which pattern each track plays,
// which tracks are silent, the chord transposition) is re-rolled every few patterns from seeds
// derived from the tune seed, so it is a pure function of the seed, the data and the number of
// sections played.
//
// The player draws from the program's shared generator (vel_random_Seed) and reseeds it, which
// also resets the sequence the game's own draws continue from.
#pragma once

#include <cstdint>

#include "audio/audio_module.h"
#include "graphics/graphics_module.h"
#include "runtime/array.h"
#include "runtime/object.h"
#include "runtime/string.h"

class c_TonoPlayer : public Object {
 public:
  // The cell grid: 64 frames (63 of them patterns) of 8 bands of 64 rows of 8 values.
  static constexpr int kFrames = 64;
  static constexpr int kPatterns = 63;
  static constexpr int kBands = 8;
  static constexpr int kRows = 64;
  static constexpr int kCellValues = 8;
  static constexpr int kBandValues = kRows * kCellValues;     // 512
  static constexpr int kFrameValues = kBands * kBandValues;   // 4096
  // The last loader step; steps run 1..kLoadSteps, then the loader is idle (0).
  static constexpr int kLoadSteps = 70;
  static constexpr int kLoadStepsPerRender = 3;

  c_TonoPlayer();
  c_TonoPlayer* m_new();
  void mark() override;

  // Loading (tono_loader.cpp).
  int p_Tono_Init(int baseChannel, int drumKits, int leads, int accompaniments, int basses);
  int p_Tono_StartTune(String tune, int seed, int tempo);
  int p_Tono_LoadChunk();
  int p_Tono_Alive_R();
  int p_Rand(float from, float to);

  // Playback (tono_sequencer.cpp).
  int p_Tono_Alive_U(int paused, int musicOn);
  int p_Tono_MusicPlay();
  int p_Tono_PlayNote(int track, int note, int volume, int effect, int parameter);
  int p_Tono_Stop(int mode);
  String p_Tono_GetChord(int n);
  float p_GetPitch(int n);
  float p_GetPitch_Alpha(int c);

  // The tracks play on the channels 1..5 below the base. How many instruments of each kind
  // exist: [1] drum kits, [2] leads, [3] accompaniments, [4] basses.
  int m_BaseChannel = 0;
  Array<int> m_InstrumentCount;
  // 0 idle or loaded, 1..70 loading.
  int m_LoadStep = 0;
  // File numbers: [1], [2] drum kits of tracks 0 and 1, [3] lead, [4] accompaniment, [5] bass.
  Array<int> m_InstrumentPick;
  // Drum sounds 1..8 of tracks 0 and 1; melodic instruments of tracks 2..4 at their track.
  Array<c_Sound*> m_DrumKitA;
  Array<c_Sound*> m_DrumKitB;
  Array<c_Sound*> m_Instrument;
  String m_TunePath;
  c_Image* m_TuneImage = nullptr;
  Array<int> m_Cells;
  // Per band: the highest frame holding any non-zero value.
  Array<int> m_LastPattern;
  // vel_app_Millisecs time at which the next row is due.
  int m_NextTick = 0;
  // 0 stopped, 2 playing.
  int m_State = 0;
  int m_TrackCount = 5;
  Array<int> m_Channel;
  // 1 once the player has started a sample on the track's channel.
  Array<int> m_ChannelBusy;
  Array<int> m_Pattern;
  int m_Row = 0;
  // Patterns left in the current section.
  int m_SectionLeft = 0;
  // Silent in this section; may enter in the last rows of the section; silent in the next.
  Array<int> m_Muted;
  Array<int> m_LeadIn;
  Array<int> m_MutedNext;
  float m_ChordRatio = 0;
  // Chord letters still to play, one per pattern; the first is the current one.
  String m_ChordQueue;
  Array<float> m_Rate;
  Array<float> m_Envelope;
  float m_MasterVolume = 0.5f;
  // Last volume level of each track, before m_MasterVolume.
  Array<float> m_Volume;
  // Flags a melodic note's sample starts with (1 = loop).
  int m_NoteLoop = 1;
  // One row lasts 8000 / tempo ms.
  int m_Tempo = 95;
  int m_TuneSeed = 0;
  // Sections played, mixed into the seeds.
  int m_Variation = 0;

 private:
  // Stops every usable channel the player started a sample on.
  void SilenceTracks();
  // Decodes frame f of the tune image, drawn into the frame being rendered and read back.
  void DecodeFrame(int f);
  // Cell of a track's current pattern at the current row.
  const int* Cell(int track) const;
  // The player's seeding rule for the shared generator.
  static void SeedWith(uint32_t x);
  // A clock time ms later; the millisecond clock wraps like a 32-bit counter.
  static int Later(int time, int ms);
};
