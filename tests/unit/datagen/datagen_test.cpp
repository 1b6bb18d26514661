// The generated data folder, checked the way the game, the default font and
// the music player will read it: pictures decoded with stb_image and cut by
// the graphics module's frame grid, sounds decoded by the audio module's WAV
// and Ogg loaders, tune images decoded as the player does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <stb/stb_image.h>
#include <unistd.h>

#include "audio/audio_decoders.h"
#include "graphics/graphics_module.h"
#include "runtime/gc.h"

namespace {

namespace fs = std::filesystem;

const std::string kData = ZIPKIN_TEST_DATA_DIR;

// The loader's image table, as the game asks for it (plain sizes).
struct Entry {
  const char* name;
  int w, h, frames;
};
const Entry kImages[] = {
    {"gfx", 32, 32, 64},          {"heart", 32, 32, 1},       {"planet0", 128, 128, 1},
    {"planet1", 128, 128, 1},     {"planet2", 128, 128, 1},   {"planet3", 128, 128, 1},
    {"planet4", 128, 128, 1},     {"planet5", 128, 128, 1},   {"planet6", 128, 128, 1},
    {"planet7", 128, 128, 1},     {"planet8", 128, 128, 1},   {"planet9", 128, 128, 1},
    {"planetring", 128, 128, 1},  {"BadgesA", 64, 64, 64},    {"fonts/editundo", 16, 16, 128},
    {"common/Testcard_Circle", 256, 256, 1}, {"common/WoblLogo", 256, 256, 1},
    {"common/dpad", 32, 32, 16},  {"common/Buttons", 64, 64, 16}, {"parts", 8, 8, 256},
    {"common/icons", 32, 32, 16}, {"logo", 256, 128, 1},      {"menu", 256, 256, 4},
};
const int kFactors[3] = {1, 2, 4};

std::string fileFor(const std::string& name, int factor) {
  return kData + "/" + name + (factor == 2 ? "-hd" : factor == 4 ? "-hd2" : "") + ".png";
}

struct Picture {
  int w = 0, h = 0, comp = 0;
  std::vector<unsigned char> px;
  unsigned char alpha(int x, int y) const { return px[(size_t(y) * w + x) * 4 + 3]; }
  const unsigned char* at(int x, int y) const { return &px[(size_t(y) * w + x) * 4]; }
};

Picture load(const std::string& path) {
  Picture p;
  unsigned char* d = stbi_load(path.c_str(), &p.w, &p.h, &p.comp, 4);
  if (d) {
    p.px.assign(d, d + size_t(p.w) * p.h * 4);
    stbi_image_free(d);
  }
  return p;
}

// Cuts a picture with the graphics module's grid walk, exactly as the loader
// does (flags 1). A frame outside the picture ends the process with "Image
// frame outside surface", which fails the test.
gxtkSurface* surfaceOf(const Picture& p) {
  gxtkSurface* s = new gxtkSurface();
  s->width = p.w;
  s->height = p.h;
  return s;
}
c_Image* cut(const Picture& p, int fw, int fh, int frames) {
  return (new c_Image())->p_Init2(surfaceOf(p), 0, 0, fw, fh, frames, c_Image::kMidHandle, nullptr, 0, 0, p.w,
                                  p.h);
}

class DataTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { gc_init1(); }
};

// Ink bounding box of a frame (alpha above a threshold); empty when x1 < x0.
struct Ink {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
  bool empty() const { return x1 < x0; }
};
Ink inkOf(const Picture& p, int fx, int fy, int fw, int fh, int threshold = 0) {
  Ink k;
  for (int y = fy; y < fy + fh; ++y)
    for (int x = fx; x < fx + fw; ++x)
      if (p.alpha(x, y) > threshold) {
        k.x0 = std::min(k.x0, x - fx);
        k.x1 = std::max(k.x1, x - fx);
        k.y0 = std::min(k.y0, y - fy);
        k.y1 = std::max(k.y1, y - fy);
      }
  return k;
}

TEST_F(DataTest, EveryPictureExistsAtEveryResolutionAndFitsTheLoaderGrid) {
  for (const Entry& e : kImages)
    for (int f : kFactors) {
      SCOPED_TRACE(fileFor(e.name, f));
      Picture p = load(fileFor(e.name, f));
      ASSERT_FALSE(p.px.empty()) << stbi_failure_reason();
      EXPECT_EQ(p.comp, 4) << "pictures are RGBA";
      c_Image* img = cut(p, e.w * f, e.h * f, e.frames);
      ASSERT_EQ(img->m_frames.Length(), e.frames);
      // Every frame lies inside the picture, and the picture is not larger
      // than the frames need (a sheet with a stray extra row or column would
      // still pass the grid walk).
      int maxX = 0, maxY = 0;
      for (int i = 0; i < e.frames; ++i) {
        maxX = std::max(maxX, img->m_frames[i]->m_x + e.w * f);
        maxY = std::max(maxY, img->m_frames[i]->m_y + e.h * f);
      }
      EXPECT_LE(maxX, p.w);
      EXPECT_LE(maxY, p.h);
      EXPECT_EQ(maxY, p.h);
      // Something is drawn.
      EXPECT_FALSE(inkOf(p, 0, 0, p.w, p.h).empty());
    }
}

TEST_F(DataTest, HigherResolutionsAreDrawnAnewNotScaledUp) {
  // A picture enlarged from the plain file would repeat every pixel in 2 by 2
  // blocks; a picture drawn at its own size has edges inside the blocks.
  for (const char* name : {"gfx", "planet3", "logo", "common/Buttons"}) {
    Picture p = load(fileFor(name, 2));
    ASSERT_FALSE(p.px.empty());
    int mixed = 0;
    for (int y = 0; y + 1 < p.h; y += 2)
      for (int x = 0; x + 1 < p.w; x += 2)
        if (p.alpha(x, y) != p.alpha(x + 1, y) || p.alpha(x, y) != p.alpha(x, y + 1)) ++mixed;
    EXPECT_GT(mixed, 100) << name;
  }
}

TEST_F(DataTest, GameplayFramesStandOnTheCentreLineWithTheLowerHalfEmpty) {
  // Hero 0..4, hazard 8..13 and squashed 14, launch pad 16, gem 24..28.
  std::vector<int> used = {0, 1, 2, 3, 4, 8, 9, 10, 11, 12, 13, 14, 16, 24, 25, 26, 27, 28};
  for (int f : kFactors) {
    Picture p = load(fileFor("gfx", f));
    ASSERT_FALSE(p.px.empty());
    c_Image* img = cut(p, 32 * f, 32 * f, 64);
    for (int k : used) {
      SCOPED_TRACE("gfx x" + std::to_string(f) + " frame " + std::to_string(k));
      int fx = img->m_frames[k]->m_x, fy = img->m_frames[k]->m_y, s = 32 * f;
      Ink below = inkOf(p, fx, fy + s / 2, s, s / 2);
      EXPECT_TRUE(below.empty()) << "ink below the surface line";
      Ink above = inkOf(p, fx, fy, s, s / 2, 128);
      ASSERT_FALSE(above.empty());
      // The figure reaches down to the line (within a unit), so it stands on
      // the surface instead of floating above it.
      EXPECT_GE(above.y1, s / 2 - f - 1);
    }
  }
}

TEST_F(DataTest, BackgroundsAreTransparentAtTheCornersOfEveryFrame) {
  for (const Entry& e : kImages)
    for (int f : kFactors) {
      Picture p = load(fileFor(e.name, f));
      ASSERT_FALSE(p.px.empty());
      c_Image* img = cut(p, e.w * f, e.h * f, e.frames);
      int w = e.w * f, h = e.h * f;
      for (int i = 0; i < e.frames; ++i) {
        int x = img->m_frames[i]->m_x, y = img->m_frames[i]->m_y;
        int corners = p.alpha(x, y) + p.alpha(x + w - 1, y) + p.alpha(x, y + h - 1) + p.alpha(x + w - 1, y + h - 1);
        EXPECT_EQ(corners, 0) << e.name << " x" << f << " frame " << i;
      }
    }
}

TEST_F(DataTest, PlanetDiscsHaveTheirEdgeWhereTheSurfaceIs) {
  // The game draws a planet at twice its size and stands objects 125 units
  // from its centre, so the disc has a radius of 62.5 of the 64-unit half
  // width: measured from the covered area, opaque inside, clear outside.
  for (int k = 0; k < 10; ++k)
    for (int f : kFactors) {
      SCOPED_TRACE("planet" + std::to_string(k) + " x" + std::to_string(f));
      Picture p = load(fileFor("planet" + std::to_string(k), f));
      ASSERT_FALSE(p.px.empty());
      double area = 0;
      for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) area += p.alpha(x, y) / 255.0;
      double radius = std::sqrt(area / M_PI) / f;
      EXPECT_NEAR(radius, 62.5, 0.2);
      // Pixel centres well inside are opaque, beyond the anti-aliased edge clear.
      int inside = 0, outside = 0;
      for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x) {
          double r = std::hypot(x + 0.5 - 64.0 * f, y + 0.5 - 64.0 * f) / f;
          if (r < 61.5 && p.alpha(x, y) != 255) ++inside;
          if (r > 63.1 && p.alpha(x, y) != 0) ++outside;
        }
      EXPECT_EQ(inside, 0);
      EXPECT_EQ(outside, 0);
    }
}

int advance(int ch) {
  // The game's text layout: 7 units per character, with its adjustments.
  switch (ch) {
    case 'w': case 'm': return 9;
    case 'W': case 'M': return 8;
    case 'i': case 'f': case 'l': return 4;
    case 'j': case 's': case 'k': case 'r': case 'z': case 't': case 'n': return 6;
    default: return 7;
  }
}

TEST_F(DataTest, GameFontGlyphsAreCentredAndFitTheGameAdvances) {
  for (int f : kFactors) {
    Picture p = load(fileFor("fonts/editundo", f));
    ASSERT_FALSE(p.px.empty());
    c_Image* img = cut(p, 16 * f, 16 * f, 128);
    int s = 16 * f;
    for (int k = 0; k < 128; ++k) {
      int ch = 32 + k;
      SCOPED_TRACE("x" + std::to_string(f) + " char " + std::to_string(ch));
      Ink ink = inkOf(p, img->m_frames[k]->m_x, img->m_frames[k]->m_y, s, s, 96);
      if (ch == 32 || ch >= 127) {
        EXPECT_TRUE(ink.empty());
        continue;
      }
      ASSERT_FALSE(ink.empty());
      // The game places cell centres and then advances the pen, so for even
      // gaps a glyph's ink is narrower than its advance and centred at
      // (advance - 7) / 2 from the cell centre: neighbours never touch, and a
      // narrow letter does not stand apart from the one before it.
      double width = double(ink.x1 - ink.x0 + 1) / f;
      EXPECT_LE(width, advance(ch) - 0.5);
      EXPECT_NEAR((ink.x0 + ink.x1 + 1) / 2.0 / f, 8.0 + (advance(ch) - 7) / 2.0, 0.75);
      // Capitals about 8 units with room for accents and descenders ("j" is
      // the tallest), inside the cell.
      EXPECT_LE(double(ink.y1 - ink.y0 + 1) / f, 13.0);
      EXPECT_GE(ink.y0, f);
      EXPECT_LE(ink.y1, 15 * f - 1);
      if (ch == 'H' || ch == 'E') {
        double capital = double(ink.y1 - ink.y0 + 1) / f;
        EXPECT_GE(capital, 7.5);
        EXPECT_LE(capital, 10.0);
      }
    }
  }
}

TEST_F(DataTest, DefaultFontIsAStripOfPaddedGlyphs) {
  Picture p = load(kData + "/nimbus_font.png");
  ASSERT_FALSE(p.px.empty());
  EXPECT_EQ(p.w, 960);
  // The runtime cuts 96 frames side by side and drops one column on each
  // side of each: 8-pixel glyphs. Nothing may lie in the dropped columns, and
  // visible characters have ink in their glyph.
  c_Image* font = (new c_Image())->p_Init(surfaceOf(p), 96, c_Image::kXPadding);
  ASSERT_EQ(font->m_width, 8);
  for (int k = 0; k < 96; ++k) {
    int x = font->m_frames[k]->m_x;
    for (int y = 0; y < p.h; ++y) {
      EXPECT_EQ(p.alpha(x - 1, y), 0) << k;
      EXPECT_EQ(p.alpha(x + 8, y), 0) << k;
    }
    bool visible = k != 0 && k != 95;
    EXPECT_EQ(!inkOf(p, x, 0, 8, p.h, 96).empty(), visible) << "char " << 32 + k;
  }
}

// ---- sounds ----

struct Pcm {
  int frames = 0, channels = 0, format = 0, hertz = 0;
  std::vector<int16_t> s;
};

Pcm decode(const std::string& path, bool ogg) {
  Pcm r;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return r;
  unsigned char* d = ogg ? LoadOGG(f, &r.frames, &r.channels, &r.format, &r.hertz)
                         : LoadWAV(f, &r.frames, &r.channels, &r.format, &r.hertz);
  std::fclose(f);
  if (!d) return r;
  if (r.format == 2) {
    r.s.resize(size_t(r.frames) * r.channels);
    for (size_t i = 0; i < r.s.size(); ++i) r.s[i] = int16_t(d[2 * i] | (d[2 * i + 1] << 8));
  }
  std::free(d);
  return r;
}

int peakOf(const std::vector<int16_t>& s) {
  int m = 0;
  for (int16_t v : s) m = std::max(m, std::abs(int(v)));
  return m;
}

TEST_F(DataTest, EffectsAndDrumsAreCleanMonoOneShots) {
  std::vector<std::string> files;
  for (const char* n : {"001", "002", "003", "004", "005", "006", "007", "095", "096", "098", "099"})
    files.push_back(std::string("sfx/") + n + ".wav");
  for (int kit = 1; kit <= 4; ++kit)
    for (int d = 1; d <= 8; ++d) files.push_back("inst/d" + std::to_string(kit) + "-" + std::to_string(d) + ".wav");
  for (const std::string& name : files) {
    SCOPED_TRACE(name);
    Pcm w = decode(kData + "/" + name, false);
    ASSERT_GT(w.frames, 0);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.format, 2);
    EXPECT_EQ(w.hertz, 44100);
    // Silent ends: no click when a sound starts or is over.
    EXPECT_LE(std::abs(int(w.s.front())), 64);
    EXPECT_LE(std::abs(int(w.s.back())), 64);
    // No clipping, and a peak around -3 dBFS (between -4.5 and -1.5).
    int peak = peakOf(w.s);
    EXPECT_LT(peak, 32767);
    EXPECT_GT(peak, int(32767 * 0.595));
    EXPECT_LT(peak, int(32767 * 0.842));
    // No DC offset.
    double mean = 0;
    for (int16_t v : w.s) mean += v;
    mean /= double(w.s.size());
    EXPECT_LT(std::fabs(mean), 0.002 * 32767);
  }
  // The game-over phrase and the start jingle last about a second.
  for (const char* n : {"sfx/004.wav", "sfx/096.wav"}) {
    Pcm w = decode(kData + "/" + n, false);
    EXPECT_NEAR(w.frames / 44100.0, 1.1, 0.4) << n;
  }
}

// The period of a sound: the first peak of its normalised autocorrelation
// that rises above 0.9 once the lobe round lag 0 has fallen below 0.5; 0
// when there is none up to `to`.
int periodOf(const std::vector<int16_t>& s, int to) {
  size_t n = std::min<size_t>(s.size() / 2, 20000);
  auto corr = [&](int lag) {
    double xy = 0, xx = 0, yy = 0;
    for (size_t i = 0; i < n; ++i) {
      double a = s[i], b = s[i + size_t(lag)];
      xy += a * b;
      xx += a * a;
      yy += b * b;
    }
    return xy / std::sqrt(xx * yy);
  };
  int lag = 1;
  while (lag < to && corr(lag) > 0.5) ++lag;
  for (; lag <= to; ++lag) {
    if (corr(lag) <= 0.9) continue;
    while (lag < to && corr(lag + 1) > corr(lag)) ++lag;
    return lag;
  }
  return 0;
}

TEST_F(DataTest, MelodicInstrumentsLoopWithoutAJumpAndShareOneTuning) {
  struct Family {
    const char* name;
    int count, octavesDown;
  };
  std::map<std::string, int> periods;
  int leadPeriod = 0;
  for (const Family& fam : {Family{"lead", 3, 0}, Family{"accompany", 3, 1}, Family{"bass", 4, 2}})
    for (int k = 1; k <= fam.count; ++k) {
      std::string name = std::string("inst/") + fam.name + std::to_string(k) + ".wav";
      SCOPED_TRACE(name);
      Pcm w = decode(kData + "/" + name, false);
      ASSERT_GT(w.frames, 1000);
      EXPECT_EQ(w.channels, 1);
      EXPECT_LT(peakOf(w.s), 32767);
      EXPECT_LE(std::abs(int(w.s.front())), 64);
      // The player loops the whole sample: the step from the last sample back
      // to the first is no larger than the steps inside the sound.
      int maxStep = 0;
      for (size_t i = 1; i < w.s.size(); ++i) maxStep = std::max(maxStep, std::abs(w.s[i] - w.s[i - 1]));
      EXPECT_LE(std::abs(w.s.front() - w.s.back()), maxStep);
      // Whole cycles: the buffer is a multiple of the period.
      int period = periodOf(w.s, 1500);
      ASSERT_GT(period, 0);
      EXPECT_EQ(w.frames % period, 0) << "period " << period;
      if (fam.octavesDown == 0 && leadPeriod == 0) leadPeriod = period;
      // Note 13 is the same pitch class in every family, an octave apart.
      EXPECT_EQ(period, leadPeriod << fam.octavesDown);
    }
  // Note 13 at rate 1.0 sits near middle C (which the tune images assume).
  EXPECT_NEAR(44100.0 / leadPeriod, 261.6, 261.6 * 0.03);
}

TEST_F(DataTest, StreamedTuneIsAStereoMinuteThatLoopsWithoutAClick) {
  Pcm t = decode(kData + "/sfx/Universe.ogg", true);
  ASSERT_GT(t.frames, 0);
  EXPECT_EQ(t.channels, 2);
  EXPECT_EQ(t.hertz, 44100);
  EXPECT_GE(t.frames, 60 * 44100);
  EXPECT_LT(peakOf(t.s), 32767);
  EXPECT_GT(peakOf(t.s), 32767 / 4) << "the tune is audible";
  for (int c = 0; c < 2; ++c) {
    // Largest step between neighbouring samples around the joint.
    int maxStep = 0;
    for (int i = 1; i < 256; ++i) {
      maxStep = std::max(maxStep, std::abs(t.s[size_t(i) * 2 + c] - t.s[size_t(i - 1) * 2 + c]));
      size_t e = size_t(t.frames - i);
      maxStep = std::max(maxStep, std::abs(t.s[e * 2 + c] - t.s[(e - 1) * 2 + c]));
    }
    int joint = std::abs(t.s[size_t(c)] - t.s[size_t(t.frames - 1) * 2 + c]);
    EXPECT_LE(joint, 2 * maxStep + 64) << "channel " << c;
  }
}

// ---- tune images ----

TEST_F(DataTest, TuneImagesHoldPatternsThePlayerCanPlay) {
  const std::set<int> drumNotes = {0, 13, 15, 17, 18, 20, 22, 24, 25};
  const std::set<int> effects = {0, 1, 2, 3, 4, 8, 27};
  for (const char* name : {"tunes/Meadow Run/Tune_12", "tunes/Retro/Cave Digger", "tunes/Retro/Jumpalong"}) {
    SCOPED_TRACE(name);
    Picture p = load(kData + "/" + name + ".png");
    ASSERT_EQ(p.w, 512);
    ASSERT_EQ(p.h, 512);
    c_Image* img = cut(p, 64, 64, 64);
    // Decode like the player: value = blue >> 3, cell [frame][band][row][k].
    auto value = [&](int frame, int band, int row, int k) {
      const unsigned char* px = p.at(img->m_frames[frame]->m_x + band * 8 + k, img->m_frames[frame]->m_y + row);
      return px[2] >> 3;
    };
    for (int y = 0; y < 512; ++y)
      for (int x = 0; x < 512; ++x) {
        ASSERT_EQ(p.alpha(x, y), 255) << "opaque";
        ASSERT_EQ(p.at(x, y)[2] & 7, 0) << "values are shifted left by 3";
      }
    int last[5] = {0, 0, 0, 0, 0};
    std::vector<std::vector<int>> notesIn(5, std::vector<int>(64, 0));
    for (int f = 0; f < 63; ++f)
      for (int b = 0; b < 5; ++b)
        for (int r = 0; r < 64; ++r) {
          int note = value(f, b, r, 0), vol = value(f, b, r, 1), fx = value(f, b, r, 2);
          bool any = note || vol || fx || value(f, b, r, 3);
          if (any) last[b] = f;
          if (note) ++notesIn[size_t(b)][size_t(f)];
          if (b < 2) {
            EXPECT_TRUE(drumNotes.count(note)) << "drum note " << note;
          } else {
            EXPECT_LE(note, 32);
          }
          // Every note carries its volume: a note without one would keep a
          // level that the envelope has already faded.
          if (note) {
            EXPECT_GE(vol, 1);
          }
          EXPECT_TRUE(effects.count(fx)) << "effect " << fx;
        }
    for (int f = 0; f < 63; ++f)
      for (int b = 0; b < 5; ++b)
        for (int r = 0; r < 64; ++r)
          if (value(f, b, r, 2) == 27) {
            // A pattern step stays within the band's patterns.
            int dir = value(f, b, r, 3);
            EXPECT_TRUE(dir == 1 || dir == 2);
            int to = dir == 1 ? f + 1 : f - 1;
            EXPECT_GE(to, 0);
            EXPECT_LE(to, last[b]);
          }
    for (int b = 0; b < 5; ++b) {
      // Several patterns per track for the arrangement to choose from, and
      // none of them silent (the player picks any of 0..last).
      EXPECT_GE(last[b], 2) << "band " << b;
      for (int f = 0; f <= last[b]; ++f) EXPECT_GE(notesIn[size_t(b)][size_t(f)], 4) << "band " << b << " pattern " << f;
    }
  }
}

// ---- the generator itself ----

std::map<std::string, std::string> readTree(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    files[fs::relative(e.path(), dir).string()] =
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return files;
}

TEST(Generator, TwoRunsWriteIdenticalBytesWhateverTheThreadCount) {
  // The build ran the generator on all cores; run it again on one thread
  // and compare every file.
  fs::path dir = fs::temp_directory_path() / ("zipkin-datagen-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  std::string cmd = std::string("\"") + ZIPKIN_DATAGEN_EXE + "\" \"" + dir.string() + "\" --threads 1 > /dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::map<std::string, std::string> again = readTree(dir.string()), built = readTree(kData);
  fs::remove_all(dir);
  ASSERT_FALSE(again.empty());
  EXPECT_EQ(again.size(), built.size());
  for (const auto& [name, bytes] : again) {
    auto it = built.find(name);
    ASSERT_NE(it, built.end()) << name << " is missing from the build's data";
    EXPECT_TRUE(it->second == bytes) << name << " differs";
  }
}

TEST(Generator, RejectsAMissingOutputFolderArgument) {
  std::string cmd = std::string("\"") + ZIPKIN_DATAGEN_EXE + "\" > /dev/null 2>&1";
  int status = std::system(cmd.c_str());
  EXPECT_NE(status, 0);
}

}  // namespace
