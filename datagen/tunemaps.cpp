// Tune images of the procedural music player, "tunes/<name>.png".
//
// A tune image is 512 by 512 pixels: 64 patterns of 64 by 64, eight to a row.
// In a pattern, band b (columns 8b..8b+7) is track b and row y is step y; the
// eight pixels of a band in a row are one cell, whose values (0..31) sit in
// the blue channel shifted left by 3, every pixel opaque. The player reads
// note, volume, effect and parameter from the first four pixels.
//
// Tracks: 0 and 1 drums (note numbers 13 kick, 15 snare, 17 closed hat,
// 18 open hat, 20 low tom, 22 high tom, 24 clap, 25 crash), 2 lead,
// 3 accompaniment, 4 bass; melodic notes 1..32 with 13 the sample's own
// pitch. A step is a sixteenth note, a pattern four bars.
//
// The player picks each track's pattern independently at every section, and
// transposes all melodic tracks together per pattern. So every pattern of a
// tune follows the same four-bar chord cycle, and any lead pattern fits any
// accompaniment or bass pattern. Patterns of a band are numbered from 0 up
// without gaps, because the player chooses from 0 to the highest used one.
#include <array>
#include <string>
#include <vector>

#include "datagen/canvas.h"
#include "datagen/jobs.h"
#include "datagen/noise.h"
#include "datagen/png.h"

namespace datagen {

namespace {

enum Drum { Kick = 13, Snare = 15, HatC = 17, HatO = 18, TomLo = 20, TomHi = 22, Clap = 24, Crash = 25 };
enum Fx { SlideUpSlow = 1, SlideDownSlow = 2, SlideUpFast = 3, SlideDownFast = 4, PatternEnd = 8, PatternStep = 27 };

struct Cell {
  int note = 0, vol = 0, fx = 0, param = 0;
};
using Pattern = std::array<Cell, 64>;

struct TuneDesign {
  std::string file;
  uint32_t seed;
  std::array<int, 4> chordRoots;   // semitones from C, one chord per bar
  std::array<bool, 4> chordMinor;  // minor third instead of major
  std::vector<int> scale;          // melody scale, semitones from C
  bool halfTime;                   // snare on beat 3 only
  int leadPatterns, accPatterns, bassPatterns;
};

int chordTone(const TuneDesign& d, int bar, int degree) {
  // degree 0 root, 1 third, 2 fifth, 3 octave
  static const int major[4] = {0, 4, 7, 12}, minor[4] = {0, 3, 7, 12};
  return d.chordRoots[bar] + (d.chordMinor[bar] ? minor : major)[degree];
}

void hit(Pattern& p, int row, int note, int vol) {
  p[size_t(row)].note = note;
  p[size_t(row)].vol = vol;
}

// ---- drums ----

Pattern drumsMain(const TuneDesign& d, int variant) {
  Pattern p{};
  for (int bar = 0; bar < 4; ++bar) {
    int b = bar * 16;
    hit(p, b, Kick, 30);
    if (d.halfTime) {
      hit(p, b + 8, Snare, 27);
      if (variant >= 1) hit(p, b + 10, Kick, 22);
    } else {
      hit(p, b + 4, Snare, 27);
      hit(p, b + 8, Kick, 28);
      hit(p, b + 12, Snare, 27);
      if (variant >= 1 && bar % 2 == 1) hit(p, b + 14, Kick, 20);
    }
    if (variant == 2) hit(p, b + 6, Kick, 18);
  }
  if (variant == 3) {
    // A tom fill across the last bar.
    const int fill[6] = {TomHi, TomHi, TomLo, TomLo, Snare, Snare};
    for (int k = 0; k < 6; ++k) hit(p, 52 + 2 * k, fill[k], 22 + k);
  }
  return p;
}

Pattern drumsTop(const TuneDesign&, int variant) {
  Pattern p{};
  for (int r = 0; r < 64; r += 2) {
    bool off = (r % 4) == 2;
    if (variant == 1 && off && (r % 16) == 14) hit(p, r, HatO, 18);
    else hit(p, r, HatC, off ? 14 : 20);
  }
  if (variant == 2)
    for (int bar = 0; bar < 4; ++bar) hit(p, bar * 16 + 12, Clap, 24);
  if (variant == 3) {
    hit(p, 0, Crash, 24);
    for (int r = 33; r < 64; r += 4) hit(p, r, HatC, 12);
  }
  return p;
}

// ---- melodic tracks ----

// The nearest scale tone at or below s.
int snap(const std::vector<int>& scale, int s) {
  for (int k = 0; k < 12; ++k) {
    int t = s - k;
    int m = ((t % 12) + 12) % 12;
    for (int v : scale)
      if (v == m) return t;
  }
  return s;
}

Pattern leadPattern(const TuneDesign& d, int index, int count) {
  Rng rng(d.seed * 31u + uint32_t(index) * 7919u);
  Pattern p{};
  // A one-bar rhythm motif (which sixteenths carry a note), reused with small
  // changes in every bar, so the melody has a shape the ear can follow.
  static const std::vector<std::vector<int>> rhythms = {
      {0, 4, 6, 8, 12}, {0, 3, 6, 8, 10, 12}, {0, 2, 4, 8, 11, 14}, {0, 6, 8, 10, 12, 14}, {0, 4, 8, 10, 12}};
  const std::vector<int>& rhythm = rhythms[size_t(index) % rhythms.size()];
  int prev = 12;  // start around the upper C and move by chord and scale tones
  for (int bar = 0; bar < 4; ++bar) {
    for (size_t k = 0; k < rhythm.size(); ++k) {
      int row = bar * 16 + rhythm[k];
      if (bar == 3 && rhythm[k] > 8) break;  // leave room at the end of the phrase
      int s;
      if (rhythm[k] == 0 || rhythm[k] == 8) {
        // Strong beats take a chord tone close to the previous note.
        int best = prev, bestDist = 99;
        for (int deg = 0; deg < 4; ++deg)
          for (int oct = 0; oct <= 12; oct += 12) {
            int c = chordTone(d, bar, deg) + oct;
            int dist = std::abs(c - prev) + (rng.uniform() < 0.3f ? 2 : 0);
            if (dist < bestDist && c >= 0 && c <= 19) {
              bestDist = dist;
              best = c;
            }
          }
        s = best;
      } else {
        int step = int(rng.range(-3.0f, 3.99f));
        s = snap(d.scale, prev + step);
        if (s < 0) s += 12;
        if (s > 19) s -= 12;
      }
      prev = s;
      hit(p, row, 13 + s, k == 0 ? 28 : 24);
    }
  }
  // Close the phrase on the root, held, with a gentle fall-off.
  int last = chordTone(d, 3, 0) + 12;
  if (last > 19) last -= 12;
  hit(p, 56, 13 + last, 27);
  p[59].fx = SlideDownSlow;
  p[59].param = 2;
  p[60].fx = SlideDownSlow;
  p[60].param = 4;
  p[62].vol = 31;  // silence before the next phrase
  // Some patterns swoop up into their first note.
  if (index % 3 == 1) {
    p[1].fx = SlideUpFast;
    p[1].param = 1;
  }
  // Pattern flow: the second pattern hands its second half to the third on
  // odd section counts, so the same phrase gets two different endings.
  if (index == 1 && count > 2) {
    p[32].fx = PatternStep;
    p[32].param = 1;
  }
  return p;
}

Pattern accompanyPattern(const TuneDesign& d, int index) {
  Pattern p{};
  // Arpeggios over each bar's chord; the figure differs per pattern.
  static const std::vector<std::vector<int>> figures = {
      {0, 1, 2, 1}, {0, 2, 3, 2}, {0, 1, 2, 3}, {2, 1, 0, 1}};
  const std::vector<int>& fig = figures[size_t(index) % figures.size()];
  int stepRows = index == 3 ? 4 : 2;
  for (int bar = 0; bar < 4; ++bar)
    for (int r = 0; r < 16; r += stepRows) {
      int deg = fig[size_t((r / stepRows) % int(fig.size()))];
      int s = chordTone(d, bar, deg);
      while (s < 0) s += 12;
      while (s > 12) s -= 12;
      hit(p, bar * 16 + r, 13 + s, r == 0 ? 20 : 16);
    }
  return p;
}

Pattern bassPattern(const TuneDesign& d, int index) {
  Pattern p{};
  for (int bar = 0; bar < 4; ++bar) {
    int root = d.chordRoots[bar];
    while (root > 7) root -= 12;
    while (root < -7) root += 12;
    int fifth = root + 7 > 12 ? root - 5 : root + 7;
    int b = bar * 16;
    switch (index % 4) {
      case 0:  // roots on the beat
        for (int r = 0; r < 16; r += 4) hit(p, b + r, 13 + root, r == 0 ? 28 : 24);
        break;
      case 1:  // octave bounce
        for (int r = 0; r < 16; r += 2) hit(p, b + r, 13 + root + ((r / 2) % 2 ? 12 : 0), 24);
        break;
      case 2:  // root and fifth, syncopated
        hit(p, b, 13 + root, 28);
        hit(p, b + 3, 13 + root, 22);
        hit(p, b + 6, 13 + fifth, 24);
        hit(p, b + 10, 13 + root, 24);
        hit(p, b + 12, 13 + fifth, 22);
        break;
      default:  // long notes with a walk up into the next bar
        hit(p, b, 13 + root, 28);
        hit(p, b + 12, 13 + root + 2, 22);
        hit(p, b + 14, 13 + root + 4, 22);
        break;
    }
  }
  return p;
}

// Writes the patterns into the picture.
void putPattern(std::vector<uint8_t>& img, int frame, int band, const Pattern& p) {
  int fx = (frame % 8) * 64, fy = (frame / 8) * 64;
  for (int row = 0; row < 64; ++row) {
    const Cell& c = p[size_t(row)];
    int v[4] = {c.note, c.vol, c.fx, c.param};
    for (int k = 0; k < 4; ++k) {
      uint8_t* px = &img[(size_t(fy + row) * 512 + size_t(fx + band * 8 + k)) * 4];
      px[2] = uint8_t(v[k] << 3);
    }
  }
}

std::vector<uint8_t> buildTune(const TuneDesign& d) {
  std::vector<uint8_t> img(512 * 512 * 4, 0);
  for (size_t i = 0; i < 512 * 512; ++i) img[i * 4 + 3] = 255;  // opaque everywhere
  for (int k = 0; k < 4; ++k) putPattern(img, k, 0, drumsMain(d, k));
  for (int k = 0; k < 4; ++k) putPattern(img, k, 1, drumsTop(d, k));
  for (int k = 0; k < d.leadPatterns; ++k) putPattern(img, k, 2, leadPattern(d, k, d.leadPatterns));
  for (int k = 0; k < d.accPatterns; ++k) putPattern(img, k, 3, accompanyPattern(d, k));
  for (int k = 0; k < d.bassPatterns; ++k) putPattern(img, k, 4, bassPattern(d, k));
  return img;
}

}  // namespace

void addTuneImageJobs(std::vector<Job>& jobs, const std::string& outDir) {
  const std::vector<int> major = {0, 2, 4, 5, 7, 9, 11};
  const std::vector<int> aMinorPenta = {9, 0, 2, 4, 7};  // A C D E G
  const std::vector<int> majorPenta = {0, 2, 4, 7, 9};
  const TuneDesign designs[] = {
      // Bright and bouncy: C G Am F.
      {"tunes/Meadow Run/Tune_12.png", 12, {0, 7, 9, 5}, {false, false, true, false}, major, true, 6, 4, 4},
      // Dark and driving: Am F G Em in A minor pentatonic.
      {"tunes/Retro/Cave Digger.png", 34, {9, 5, 7, 4}, {true, false, false, true}, aMinorPenta, false, 5, 4, 4},
      // Jumpy: C F C G in the major pentatonic.
      {"tunes/Retro/Jumpalong.png", 56, {0, 5, 0, 7}, {false, false, false, false}, majorPenta, false, 6, 4, 4},
  };
  for (const TuneDesign& d : designs) {
    std::string path = outDir + "/" + d.file;
    jobs.push_back({d.file, [path, d](Fonts&) {
                      if (!makeParent(path)) return false;
                      return writePng(path, 512, 512, buildTune(d));
                    }});
  }
}

}  // namespace datagen
