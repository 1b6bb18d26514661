// WAV and Ogg Vorbis decoding, through files held in memory and through the host's loader.
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/audio_decoders.h"
#include "audio/gxtk_audio.h"
#include "host/vel_game.h"
#include "unit/audio/vorbis_writer.h"

using namespace audio_test;

namespace {

struct Decoded {
  unsigned char* data = nullptr;
  int length = -1, channels = -1, format = -1, hertz = -1;
  ~Decoded() { std::free(data); }
  bool ok() const { return data != nullptr; }
  const short* pcm() const { return reinterpret_cast<const short*>(data); }
};

typedef unsigned char* (*Decoder)(FILE*, int*, int*, int*, int*);

void Decode(Decoder decoder, const std::string& bytes, Decoded* out) {
  FILE* f = fmemopen(const_cast<char*>(bytes.data()), bytes.size(), "rb");
  ASSERT_NE(f, nullptr);
  out->data = decoder(f, &out->length, &out->channels, &out->format, &out->hertz);
  std::fclose(f);
}

std::string Bytes(int n, int seed) {
  std::string s;
  for (int i = 0; i < n; ++i) s += static_cast<char>((i * 37 + seed) & 0xFF);
  return s;
}

// Frequency from the rising zero crossings of one channel.
double Frequency(const short* pcm, int frames, int channels, int channel, int rate) {
  int first = -1, last = -1, crossings = 0;
  for (int i = 1; i < frames; ++i) {
    if (pcm[(i - 1) * channels + channel] < 0 && pcm[i * channels + channel] >= 0) {
      if (first < 0) first = i;
      last = i;
      ++crossings;
    }
  }
  return crossings > 1 ? (crossings - 1) * static_cast<double>(rate) / (last - first) : 0;
}

short Peak(const short* pcm, int frames, int channels, int channel) {
  int peak = 0;
  for (int i = 0; i < frames; ++i) peak = std::max(peak, std::abs(pcm[i * channels + channel]));
  return static_cast<short>(peak);
}

}  // namespace

TEST(LoadWAV, ReadsFieldsPastExtraFmtBytesAndForeignChunks) {
  const std::string data = Bytes(400, 3);
  // An 18-byte fmt chunk and a LIST chunk before the samples, as many editors write them.
  Decoded d;
  Decode(LoadWAV, MakeWav(1, 2, 22050, 16, data, Chunk("LIST", Bytes(26, 9)), 18), &d);
  ASSERT_TRUE(d.ok());
  EXPECT_EQ(d.length, 100);  // 400 bytes of 2 channels x 2 bytes
  EXPECT_EQ(d.channels, 2);
  EXPECT_EQ(d.format, 2);
  EXPECT_EQ(d.hertz, 22050);
  EXPECT_EQ(std::memcmp(d.data, data.data(), data.size()), 0);

  // A partial frame at the end is not counted.
  Decoded partial;
  Decode(LoadWAV, MakeWav(1, 2, 8000, 16, Bytes(403, 1)), &partial);
  ASSERT_TRUE(partial.ok());
  EXPECT_EQ(partial.length, 100);
}

TEST(LoadWAV, SkipsThePadByteAfterOddSizedChunks) {
  const std::string data = Bytes(10, 5);
  // Without the pad byte skipped the walk would read "\0dat" as the next tag.
  Decoded d;
  Decode(LoadWAV,
         MakeWav(1, 1, 11025, 8, data, Chunk("LIST", Bytes(3, 1)) + Chunk("junk", Bytes(5, 2))),
         &d);
  ASSERT_TRUE(d.ok());
  EXPECT_EQ(d.length, 10);
  EXPECT_EQ(std::memcmp(d.data, data.data(), data.size()), 0);

  // An odd-sized fmt chunk is padded as well.
  Decoded oddFmt;
  Decode(LoadWAV, MakeWav(1, 1, 11025, 8, data, "", 17), &oddFmt);
  ASSERT_TRUE(oddFmt.ok());
  EXPECT_EQ(oddFmt.length, 10);
}

TEST(LoadWAV, RejectsMalformedFiles) {
  const std::string good = MakeWav(1, 1, 8000, 16, Bytes(20, 0));
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"non-PCM", MakeWav(3, 1, 8000, 16, Bytes(20, 0))},
      {"no RIFF", "RIFX" + good.substr(4)},
      {"no WAVE", good.substr(0, 8) + "WAVX" + good.substr(12)},
      {"no fmt", good.substr(0, 12) + "fmtX" + good.substr(16)},
      {"data before fmt", "RIFF" + U32(100) + "WAVE" + Chunk("data", Bytes(20, 0)) +
                              Chunk("fmt ", MakeWav(1, 1, 8000, 16, "").substr(20, 16))},
      {"truncated data", good.substr(0, good.size() - 1)},
      {"chunk past the end", MakeWav(1, 1, 8000, 16, Bytes(20, 0),
                                     "LIST" + U32(0xFFFFFFF0u) + Bytes(8, 0))},
      {"data past the end", good.substr(0, 40) + U32(0x7FFFFFF0u) + good.substr(44)},
      {"zero channels", MakeWav(1, 0, 8000, 16, Bytes(20, 0))},
      {"zero bits", MakeWav(1, 1, 8000, 0, Bytes(20, 0))},
      {"under 8 bits", MakeWav(1, 2, 8000, 4, Bytes(20, 0))},
      {"zero rate", MakeWav(1, 1, 0, 16, Bytes(20, 0))},
      {"short fmt chunk", "RIFF" + U32(40) + "WAVE" + Chunk("fmt ", U16(1) + U16(1) + U32(8000)) +
                              Chunk("data", Bytes(20, 0))},
      {"no data chunk", good.substr(0, 36)},
      {"empty", ""},
  };
  for (const Case& c : cases) {
    Decoded d;
    if (c.bytes.empty()) {
      FILE* f = std::tmpfile();
      d.data = LoadWAV(f, &d.length, &d.channels, &d.format, &d.hertz);
      std::fclose(f);
    } else {
      Decode(LoadWAV, c.bytes, &d);
    }
    EXPECT_FALSE(d.ok()) << c.what;
  }
  // The good file the cases were cut from does load.
  Decoded d;
  Decode(LoadWAV, good, &d);
  EXPECT_TRUE(d.ok());
}

TEST(LoadWAV, SampleLayoutsMapToOpenALFormats) {
  struct Case {
    int channels, bits;
    ALenum al;
  } cases[] = {{1, 8, AL_FORMAT_MONO8},
               {2, 8, AL_FORMAT_STEREO8},
               {1, 16, AL_FORMAT_MONO16},
               {2, 16, AL_FORMAT_STEREO16},
               {1, 24, 0},
               {3, 16, 0},
               {2, 32, 0}};
  for (const Case& c : cases) {
    Decoded d;
    Decode(LoadWAV, MakeWav(1, c.channels, 44100, c.bits, Bytes(48 * 6, 0)), &d);
    ASSERT_TRUE(d.ok()) << c.channels << "x" << c.bits;
    EXPECT_EQ(d.channels, c.channels);
    EXPECT_EQ(d.format, c.bits / 8);
    EXPECT_EQ(d.length, 48 * 6 / (c.channels * c.bits / 8));
    EXPECT_EQ(gxtkAudioFormat(d.format, d.channels), c.al) << c.channels << "x" << c.bits;
  }
}

TEST(LoadOGG, DecodesWhatWasEncoded) {
  struct Case {
    int channels, rate, frames;
    std::vector<bool> audible;
  } cases[] = {{1, 22050, 10000, {true}},
               {2, 44100, 44100 * 3 + 17, {true, false}},
               {2, 8000, 300, {false, true}}};
  for (const Case& c : cases) {
    std::string ogg = EncodeVorbis(Sine(c.frames, c.channels, c.rate, 441, c.audible),
                                   c.channels, c.rate);
    Decoded d;
    Decode(LoadOGG, ogg, &d);
    ASSERT_TRUE(d.ok()) << c.channels << " channels at " << c.rate;
    EXPECT_EQ(d.length, c.frames);
    EXPECT_EQ(d.channels, c.channels);
    EXPECT_EQ(d.format, 2);
    EXPECT_EQ(d.hertz, c.rate);
    if (c.frames < 2000) continue;
    // The tone is in the channel it was written to, at its pitch and level; the others
    // stay near silence (interleaving and scaling are right).
    for (int ch = 0; ch < c.channels; ++ch) {
      short peak = Peak(d.pcm(), d.length, c.channels, ch);
      if (c.audible[ch]) {
        EXPECT_NEAR(peak, 16384, 1600) << "channel " << ch;
        EXPECT_NEAR(Frequency(d.pcm(), d.length, c.channels, ch, c.rate), 441, 2);
      } else {
        EXPECT_LT(peak, 800) << "channel " << ch;
      }
    }
  }
}

TEST(LoadOGG, RejectsWhatIsNotVorbis) {
  std::string ogg = EncodeVorbis(Sine(5000, 1, 22050, 300, {true}), 1, 22050);
  const std::string inputs[] = {Bytes(3000, 7), MakeWav(1, 1, 8000, 16, Bytes(100, 0)),
                                ogg.substr(0, 40)};
  for (const std::string& bytes : inputs) {
    Decoded d;
    Decode(LoadOGG, bytes, &d);
    EXPECT_FALSE(d.ok()) << bytes.size() << " bytes";
  }
}

TEST(LoadOGG, DecodesTheFreedesktopSoundTheme) {
  const char* dir = "/usr/share/sounds/freedesktop/stereo";
  DIR* d = opendir(dir);
  ASSERT_NE(d, nullptr) << "install sound-theme-freedesktop";
  int files = 0;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name.size() < 4 || name.substr(name.size() - 4) != ".oga") continue;
    FILE* f = std::fopen((std::string(dir) + "/" + name).c_str(), "rb");
    ASSERT_NE(f, nullptr) << name;
    Decoded out;
    out.data = LoadOGG(f, &out.length, &out.channels, &out.format, &out.hertz);
    std::fclose(f);
    ASSERT_TRUE(out.ok()) << name;
    EXPECT_GT(out.length, 1000) << name;
    EXPECT_TRUE(out.channels == 1 || out.channels == 2) << name;
    EXPECT_GE(out.hertz, 8000) << name;
    EXPECT_GT(Peak(out.pcm(), out.length, out.channels, 0), 1000) << name;  // not silence
    ++files;
  }
  closedir(d);
  EXPECT_GE(files, 10);
}

TEST(DecodeAudioFile, ChoosesTheDecoderByExtension) {
  char dir[] = "/tmp/zipkin-audio-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::string path = std::string(dir) + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
  };
  const std::string wav = MakeWav(1, 1, 8000, 16, Bytes(40, 0));
  const std::string ogg = EncodeVorbis(Sine(3000, 2, 16000, 300, {true, true}), 2, 16000);
  VelGame host;
  struct Case {
    std::string path;
    int length;  // -1: fails
  } cases[] = {{write("a.wav", wav), 20},         {write("B.WAV", wav), 20},
               {write("c.Ogg", ogg), 3000},       {write("d.mp3", wav), -1},
               {write("wav", wav), -1},           {write("e.ogg", wav), -1},
               {std::string(dir) + "/none.wav", -1}};
  for (const Case& c : cases) {
    Decoded d;
    d.data = DecodeAudioFile(&host, String(c.path.c_str()), &d.length, &d.channels, &d.format,
                             &d.hertz);
    if (c.length < 0) {
      EXPECT_FALSE(d.ok()) << c.path;
    } else {
      ASSERT_TRUE(d.ok()) << c.path;
      EXPECT_EQ(d.length, c.length) << c.path;
    }
    unlink(c.path.c_str());
  }
  rmdir(dir);
}
