// The generated data folder, read the way the game reads it: pictures decoded with stb_image and
// cut by the graphics module's frame grid, sounds by the audio module's loaders. And the
// generator writes the same bytes on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
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

struct Picture {
  int w = 0, h = 0, comp = 0;
  std::vector<unsigned char> px;
  int alpha(int x, int y) const { return px[(size_t(y) * w + x) * 4 + 3]; }
};

Picture Load(const std::string& path) {
  Picture p;
  if (unsigned char* d = stbi_load(path.c_str(), &p.w, &p.h, &p.comp, 4)) {
    p.px.assign(d, d + size_t(p.w) * p.h * 4);
    stbi_image_free(d);
  }
  return p;
}


TEST(DataTest, EveryPictureFitsTheLoaderGridAtEveryResolutionAndTunesAreWhole) {
  struct Entry { std::string name; int w, h, frames; };
  std::vector<Entry> images = {
      {"gfx", 32, 32, 64}, {"heart", 32, 32, 1}, {"planetring", 128, 128, 1}, {"BadgesA", 64, 64, 64},
      {"fonts/editundo", 16, 16, 128}, {"common/Testcard_Circle", 256, 256, 1}, {"common/WoblLogo", 256, 256, 1},
      {"common/dpad", 32, 32, 16}, {"common/Buttons", 64, 64, 16}, {"parts", 8, 8, 256},
      {"common/icons", 32, 32, 16}, {"logo", 256, 128, 1}, {"menu", 256, 256, 4}};
  for (int k = 0; k <= 9; ++k) images.push_back({"planet" + std::to_string(k), 128, 128, 1});
  gc_init1();
  for (const Entry& e : images)
    for (int f : {1, 2, 4}) {
      SCOPED_TRACE(e.name + " x" + std::to_string(f));
      Picture p = Load(kData + "/" + e.name + (f == 2 ? "-hd" : f == 4 ? "-hd2" : "") + ".png");
      ASSERT_EQ(p.comp, 4);  // RGBA
      // The loader's grid walk (a frame outside the picture ends the process).
      gxtkSurface* surface = new gxtkSurface();
      surface->width = p.w, surface->height = p.h;
      const int w = e.w * f, h = e.h * f;
      c_Image* img = (new c_Image())
                         ->p_Init2(surface, 0, 0, w, h, e.frames, c_Image::kMidHandle, nullptr, 0,
                                   0, p.w, p.h);
      ASSERT_EQ(img->m_frames.Length(), e.frames);
      // No stray rows below the frames, and every frame's corners are clear (no boxes round
      // sprites); something is drawn.
      int bottom = 0, corners = 0;
      for (int i = 0; i < e.frames; ++i) {
        int x = img->m_frames[i]->m_x, y = img->m_frames[i]->m_y;
        bottom = std::max(bottom, y + h);
        corners += p.alpha(x, y) + p.alpha(x + w - 1, y) + p.alpha(x, y + h - 1) + p.alpha(x + w - 1, y + h - 1);
      }
      EXPECT_EQ((std::vector<int>{bottom, corners}), (std::vector<int>{p.h, 0}));
      EXPECT_TRUE(std::any_of(p.px.begin(), p.px.end(), [](unsigned char v) { return v != 0; }));
    }
  EXPECT_EQ(Load(kData + "/nimbus_font.png").w, 960);  // the default font: 96 padded 8-pixel glyphs
  for (const char* tune : {"Meadow Run/Tune_12", "Retro/Cave Digger", "Retro/Jumpalong"}) {
    Picture p = Load(kData + "/tunes/" + tune + ".png");  // 64 patterns of 64x64, read by the music player
    EXPECT_TRUE(p.comp == 4 && p.w == 512 && p.h == 512) << tune;
  }
}

TEST(DataTest, SoundsAreAudibleUnclippedAndFreeOfClicks) {
  std::vector<std::string> names = {"sfx/Universe.ogg"};
  for (const char* n :
       {"sfx/001",         "sfx/002",         "sfx/003",    "sfx/004",    "sfx/005",
        "sfx/006",         "sfx/007",         "sfx/095",    "sfx/096",    "sfx/098",
        "sfx/099",         "inst/lead1",      "inst/lead2", "inst/lead3", "inst/accompany1",
        "inst/accompany2", "inst/accompany3", "inst/bass1", "inst/bass2", "inst/bass3",
        "inst/bass4"})
    names.push_back(std::string(n) + ".wav");
  for (int d = 0; d < 32; ++d)
    names.push_back("inst/d" + std::to_string(d / 8 + 1) + "-" + std::to_string(d % 8 + 1) +
                    ".wav");
  for (const std::string& name : names) {
    int frames = 0, channels = 0, format = 0, hertz = 0;
    FILE* f = std::fopen((kData + "/" + name).c_str(), "rb");
    ASSERT_NE(f, nullptr) << name;
    auto* d = reinterpret_cast<int16_t*>(name == names[0] ? LoadOGG(f, &frames, &channels, &format, &hertz)
                                                          : LoadWAV(f, &frames, &channels, &format, &hertz));
    std::fclose(f);
    ASSERT_TRUE(d && frames > 1000) << name;
    EXPECT_EQ((std::vector<int>{channels, format, hertz}),
              (std::vector<int>{name == names[0] ? 2 : 1, 2, 44100}))
        << name;
    if (name == names[0]) { EXPECT_GE(frames, 60 * 44100); }  // the streamed tune lasts a minute
    const std::vector<int> s(d, d + frames * channels);
    std::free(d);
    int peak = 0, step = 0;
    for (size_t i = 0; i < s.size(); ++i)
      peak = std::max(peak, std::abs(s[i])),
      step = std::max(step, i < size_t(channels) ? 0 : std::abs(s[i] - s[i - channels]));
    EXPECT_TRUE(peak > 32767 / 4 && peak < 32767) << name;  // audible, never clipped
    // One-shots start and end silent; looped sounds (melodies, the streamed tune) jump no more at
    // the joint than inside.
    const bool once = name.compare(0, 6, "inst/d") == 0 || name.compare(0, 5, "sfx/0") == 0;
    for (int c = 0; c < channels; ++c)
      EXPECT_LE(once ? std::max(std::abs(s[c]), std::abs(s.end()[c - channels]))
                     : std::abs(s[c] - s.end()[c - channels]),
                once ? 64 : step)
          << name;
  }
}

std::map<std::string, std::string> ReadTree(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (std::ifstream in(e.path(), std::ios::binary); e.is_regular_file())
      files[fs::relative(e.path(), dir).string()] = {std::istreambuf_iterator<char>(in), {}};
  return files;
}

TEST(Generator, RunsWriteIdenticalBytesWhateverTheThreadCount) {
  // The build ran the generator on all cores; again on one thread, every file must match.
  fs::path dir = fs::temp_directory_path() / ("zipkin-datagen-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  const std::string exe = std::string("\"") + ZIPKIN_DATAGEN_EXE + "\"";
  ASSERT_EQ(std::system((exe + " \"" + dir.string() + "\" --threads 1 > /dev/null").c_str()), 0);
  std::map<std::string, std::string> again = ReadTree(dir.string()), built = ReadTree(kData);
  fs::remove_all(dir);
  EXPECT_EQ(again.size(), built.size());
  for (const auto& [name, bytes] : built) EXPECT_TRUE(again.count(name) && again[name] == bytes) << name;
  EXPECT_NE(std::system((exe + " > /dev/null 2>&1").c_str()), 0);  // no output folder given
}

}  // namespace
