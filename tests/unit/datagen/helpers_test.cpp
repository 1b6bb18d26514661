// The generator's building blocks: the anti-aliased rasteriser (coverage,
// tile culling, clipping, pixel format), the finishing of one-shot sounds and
// the WAV writer (read back with the audio module's loader).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/audio_decoders.h"
#include "datagen/canvas.h"
#include "datagen/sheets.h"
#include "datagen/synth.h"

namespace {

using namespace datagen;

double coveredArea(const Canvas& c) {
  double a = 0;
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x) a += c.pixel(x, y)[3];
  return a / (double(c.scale()) * c.scale());
}

TEST(Raster, ShapesCoverTheirAreaAtEveryScale) {
  // Anti-aliased coverage adds up to the shape's true area whatever the
  // pixel size, so a shape looks the same at every resolution.
  for (float scale : {1.0f, 2.0f, 4.0f}) {
    Canvas disc(int(64 * scale), int(64 * scale), scale);
    disc.fill({0, 0, 64, 64}, shape::circle({32, 32}, 20.3f), rgb(255, 255, 255));
    EXPECT_NEAR(coveredArea(disc), M_PI * 20.3 * 20.3, 0.5) << scale;

    Canvas box(int(64 * scale), int(64 * scale), scale);
    box.fill({0, 0, 64, 64}, shape::polygon({{10.25f, 10.5f}, {50.75f, 10.5f}, {50.75f, 40.0f}, {10.25f, 40.0f}}),
             rgb(255, 255, 255));
    EXPECT_NEAR(coveredArea(box), 40.5 * 29.5, 0.5) << scale;

    Canvas ring(int(64 * scale), int(64 * scale), scale);
    ring.fill({0, 0, 64, 64}, shape::ring({32, 32}, 20, 2), rgb(255, 255, 255));
    // A thin ring: the straight edge ramp over- and under-covers a little on
    // its two curved edges; within half a percent.
    EXPECT_NEAR(coveredArea(ring), M_PI * (22 * 22 - 18 * 18), 2.5) << scale;
  }
}

TEST(Raster, TileCullingDrawsExactlyWhatAPixelByPixelFillDraws) {
  // The rasteriser skips tiles far outside a shape and skips the distance
  // inside deep interiors; for exact and estimated distances alike the result
  // must equal evaluating every pixel.
  std::vector<std::pair<const char*, Sdf>> shapes = {
      {"ellipse", shape::ellipse({40, 30}, 33, 9)},
      {"scaled star", shape::scaled(shape::star({40, 40}, 30, 12, 5, 10), {40, 40}, 1.3f, 0.4f)},
      {"gear", shape::subtract(shape::gear({40, 40}, 24, 30, 12, 0), shape::circle({40, 40}, 18))},
      {"scallop", shape::scallop({40, 40}, 30, 2, 16, 5)},
      {"thin segment", shape::segment({3, 70}, {77, 5}, 0.3f)},
  };
  for (auto& [name, sdf] : shapes)
    for (float scale : {1.0f, 4.0f}) {
      Canvas c(int(80 * scale), int(80 * scale), scale);
      c.fill({0, 0, 80, 80}, sdf, rgb(255, 255, 255));
      Canvas g(int(80 * scale), int(80 * scale), scale);
      g.glow({0, 0, 80, 80}, sdf, rgb(255, 255, 255), 6.0f);
      int fillDiff = 0, glowDiff = 0;
      for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) {
          float d = sdf({(x + 0.5f) / scale, (y + 0.5f) / scale});
          float cov = clamp01(0.5f - d * scale);
          if (std::fabs(c.pixel(x, y)[3] - cov) > 1e-5f) ++fillDiff;
          float t = d <= 0 ? 1.0f : std::max(0.0f, 1.0f - d / 6.0f);
          if (std::fabs(g.pixel(x, y)[3] - t * t) > 1e-5f) ++glowDiff;
        }
      EXPECT_EQ(fillDiff, 0) << name << " at scale " << scale;
      EXPECT_EQ(glowDiff, 0) << name << " glow at scale " << scale;
    }
}

TEST(Raster, PolygonDistanceHasTheRightSignAndSize) {
  // A concave outline (an L): inside negative, outside positive, and the
  // distance to the nearest edge.
  Sdf l = shape::polygon({{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 10}, {0, 10}});
  EXPECT_NEAR(l({2, 2}), -2.0f, 1e-5f);
  EXPECT_NEAR(l({7, 7}), 3.0f, 1e-5f);  // in the notch, 3 from both inner edges
  EXPECT_NEAR(l({13, 2}), 3.0f, 1e-5f);
  EXPECT_NEAR(l({14, 8}), std::hypot(4.0f, 4.0f), 1e-5f);  // nearest is the corner (10, 4)
  // Far away the bounding-box bound stands in, never above the true distance.
  float far = l({100, 100});
  EXPECT_GT(far, 16.0f);
  EXPECT_LE(far, std::hypot(90.0f, 90.0f) + 1e-3f);
}

TEST(Raster, FramesClipTheirDrawing) {
  Canvas c(96, 32, 1.0f);
  c.setFrame(32, 0, 32, 32);
  c.fill({-100, -100, 100, 100}, shape::circle({16, 16}, 40), rgb(255, 0, 0));
  c.clearFrame();
  for (int y = 0; y < 32; ++y) {
    EXPECT_EQ(c.pixel(31, y)[3], 0.0f);
    EXPECT_EQ(c.pixel(32, y)[3], 1.0f);
    EXPECT_EQ(c.pixel(63, y)[3], 1.0f);
    EXPECT_EQ(c.pixel(64, y)[3], 0.0f);
  }
}

TEST(Raster, PixelsLeaveUnpremultipliedAndTransparentPixelsAreBlack) {
  Canvas c(3, 1, 1.0f);
  c.blend(0, 0, rgb(255, 0, 0), 0.5f);
  c.blend(1, 0, rgb(0, 255, 0), 1.0f);
  c.blend(1, 0, rgb(0, 0, 255), 0.25f);
  std::vector<uint8_t> px = c.toRGBA8();
  EXPECT_EQ(std::vector<uint8_t>(px.begin(), px.begin() + 4), (std::vector<uint8_t>{255, 0, 0, 128}));
  EXPECT_EQ(std::vector<uint8_t>(px.begin() + 4, px.begin() + 8), (std::vector<uint8_t>{0, 191, 64, 255}));
  EXPECT_EQ(std::vector<uint8_t>(px.begin() + 8, px.end()), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(Icon, EverySizeShowsTheHeroOnThePlanetInsideATile) {
  Fonts fonts;
  for (int size : {48, 128, 256}) {
    Canvas icon = renderIcon(size, fonts);
    auto at = [&](float x, float y) { return icon.pixel(int(x * size), int(y * size)); };
    EXPECT_EQ(at(0, 0)[3] + at(0.99f, 0.99f)[3], 0.0f) << size;          // rounded corners
    EXPECT_EQ(at(0.75f, 0.3f)[3], 1.0f) << size;                         // the sky's tile
    EXPECT_GT(at(0.45f, 0.35f)[0], at(0.45f, 0.35f)[2] + 0.3f) << size;  // the orange hero
    EXPECT_GT(at(0.5f, 0.85f)[2], at(0.5f, 0.85f)[0] + 0.2f) << size;    // on the ocean
  }
}

TEST(Sound, OneShotsEndSilentWithoutDcAtTheirPeak) {
  // A sound with a large offset and a hard start: finishing removes the
  // offset, silences both ends and sets the peak to -3 dBFS.
  Wave w(4000);
  Noise n(9);
  for (size_t i = 0; i < w.size(); ++i) w[i] = 0.4f + 0.3f * n.next() + 0.5f * std::sin(float(i) * 0.05f);
  finishOneShot(w);
  EXPECT_EQ(w.front(), 0.0f);
  EXPECT_EQ(w.back(), 0.0f);
  float peak = 0;
  double mean = 0;
  for (float v : w) {
    peak = std::max(peak, std::fabs(v));
    mean += v;
  }
  EXPECT_NEAR(peak, 0.708f, 0.003f);
  EXPECT_LT(std::fabs(mean / double(w.size())), 1e-4);
}

TEST(Sound, WavFilesReadBackThroughTheGameLoader) {
  std::string path = (std::filesystem::temp_directory_path() / "zipkin-datagen-wav-test.wav").string();
  Wave w = {0.0f, 0.5f, -0.5f, 1.0f, -1.0f, 1.5f, -2.0f};  // the last two are beyond full scale
  ASSERT_TRUE(writeWav(path, w));
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  int frames = 0, channels = 0, format = 0, hertz = 0;
  unsigned char* d = LoadWAV(f, &frames, &channels, &format, &hertz);
  std::fclose(f);
  std::remove(path.c_str());
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(frames, 7);
  EXPECT_EQ(channels, 1);
  EXPECT_EQ(format, 2);
  EXPECT_EQ(hertz, 44100);
  const int16_t want[7] = {0, 16384, -16384, 32767, -32767, 32767, -32767};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(int16_t(d[2 * i] | (d[2 * i + 1] << 8)), want[i]) << i;
  std::free(d);
}

}  // namespace
