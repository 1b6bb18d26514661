// WAV and Ogg Vorbis decoding, from bytes in memory and from files nobody here made.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "audio/audio_decoders.h"
#include "audio/gxtk_audio.h"
#include "unit/audio/vorbis_writer.h"

using namespace audio_test;

namespace {

typedef unsigned char* (*Decoder)(FILE*, int*, int*, int*, int*);

// glibc's fmemopen refuses an empty buffer, so an empty temporary file stands in for one.
FILE* Memory(const std::string& b) {
  return b.empty() ? std::tmpfile() : fmemopen(const_cast<char*>(b.data()), b.size(), "rb");
}

struct Decoded {
  unsigned char* data = nullptr;
  int length = -1, channels = -1, format = -1, hertz = -1;
  Decoded(Decoder decoder, FILE* f) {
    if (!f) return;
    data = decoder(f, &length, &channels, &format, &hertz);
    std::fclose(f);
  }
  Decoded(Decoder decoder, const std::string& bytes) : Decoded(decoder, Memory(bytes)) {}
  ~Decoded() { std::free(data); }
  const short* pcm() const { return reinterpret_cast<const short*>(data); }
};

std::string Bytes(int n, int seed) {
  std::string s;
  for (int i = 0; i < n; ++i) s += static_cast<char>((i * 37 + seed) & 0xFF);
  return s;
}

// Peak level of one channel.
int Peak(const Decoded& d, int channel) {
  int peak = 0;
  for (int i = 0; i < d.length; ++i)
    peak = std::max(peak, std::abs(d.pcm()[i * d.channels + channel]));
  return peak;
}

}  // namespace

TEST(LoadWAV, LoadsEveryLayoutAndMapsItToAnOpenALFormat) {
  // Fields of the file, then the frames and the OpenAL format expected of it.
  const struct {
    const char* what;
    int channels, rate, bits, bytes;
    std::string chunks;
    int fmtSize, length;
    ALenum al;
  } cases[] = {
      {"18-byte fmt, LIST before data", 2, 22050, 16, 400, Chunk("LIST", Bytes(26, 9)), 18, 100,
       AL_FORMAT_STEREO16},
      // Without the pad bytes skipped the walk would read "\0dat" as the next tag.
      {"odd-sized chunks", 1, 11025, 8, 10, Chunk("LIST", Bytes(3, 1)) + Chunk("junk", Bytes(5, 2)),
       17, 10, AL_FORMAT_MONO8},
      // A writer that left the pads out: the tags follow at once ("LIST" of 3, then "junk" of
      // 65 bytes, whose size byte 'A' would make a tag of "unkA" one byte on).
      {"odd-sized chunks without pads", 1, 11025, 8, 10,
       "LIST" + U32(3) + "abc" + "junk" + U32(65) + Bytes(65, 3), 16, 10, AL_FORMAT_MONO8},
      {"partial last frame", 2, 44100, 8, 289, "", 16, 144, AL_FORMAT_STEREO8},
      {"mono 16-bit", 1, 44100, 16, 287, "", 16, 143, AL_FORMAT_MONO16},
      {"24-bit", 1, 44100, 24, 288, "", 16, 96, 0},
      {"3 channels", 3, 44100, 16, 288, "", 16, 48, 0},
      {"32-bit stereo", 2, 44100, 32, 288, "", 16, 36, 0},
  };
  for (const auto& c : cases) {
    const std::string data = Bytes(c.bytes, c.rate);
    Decoded d(LoadWAV, MakeWav(1, c.channels, c.rate, c.bits, data, c.chunks, c.fmtSize));
    ASSERT_NE(d.data, nullptr) << c.what;
    EXPECT_EQ(d.length, c.length) << c.what;
    EXPECT_TRUE(d.channels == c.channels && d.format == c.bits / 8 && d.hertz == c.rate) << c.what;
    EXPECT_EQ(std::memcmp(d.data, data.data(), c.length * c.channels * c.bits / 8), 0) << c.what;
    EXPECT_EQ(gxtkAudioFormat(d.format, d.channels), c.al) << c.what;
  }
}

TEST(LoadWAV, RejectsMalformedFiles) {
  const std::string good = MakeWav(1, 1, 8000, 16, Bytes(20, 0));
  const struct { const char* what; std::string bytes; } cases[] = {
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
      {"under 8 bits", MakeWav(1, 2, 8000, 4, Bytes(20, 0))},
      {"zero rate", MakeWav(1, 1, 0, 16, Bytes(20, 0))},
      {"short fmt chunk", "RIFF" + U32(40) + "WAVE" + Chunk("fmt ", U16(1) + U16(1) + U32(8000)) +
                              Chunk("data", Bytes(20, 0))},
      {"no data chunk", good.substr(0, 36)},
      {"empty", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Decoded(LoadWAV, c.bytes).data, nullptr) << c.what;
  EXPECT_NE(Decoded(LoadWAV, good).data, nullptr);  // the file the cases were cut from
}

TEST(LoadOGG, DecodesVorbisAndNothingElse) {
  const struct { int channels, rate, frames; std::vector<bool> audible; } cases[] = {
      {1, 22050, 10000, {true}},
      {2, 44100, 44100 * 3 + 17, {true, false}},
      {2, 8000, 300, {false, true}}};
  for (const auto& c : cases) {
    Decoded d(LoadOGG, EncodeVorbis(Sine(c.frames, c.channels, c.rate, 441, c.audible),
                                    c.channels, c.rate));
    ASSERT_NE(d.data, nullptr) << c.channels << " channels at " << c.rate;
    EXPECT_EQ(d.length, c.frames);
    EXPECT_TRUE(d.channels == c.channels && d.format == 2 && d.hertz == c.rate) << c.rate;
    // The tone is in its own channel at its level; the others stay near silence.
    for (int ch = 0; c.frames > 2000 && ch < c.channels; ++ch)
      EXPECT_NEAR(Peak(d, ch), c.audible[ch] ? 16384 : 0, c.audible[ch] ? 1600 : 800) << ch;
  }
  // A chained file decodes link after link while the channels and the rate stay.
  const std::string mono = EncodeVorbis(Sine(3000, 1, 22050, 300, {true}), 1, 22050, 0.4f, 2);
  const std::string more = EncodeVorbis(Sine(1000, 1, 22050, 300, {true}), 1, 22050);
  const std::string stereo = EncodeVorbis(Sine(2000, 2, 22050, 300, {true, true}), 2, 22050);
  EXPECT_EQ(Decoded(LoadOGG, mono + more).length, 4000);
  const Decoded chained(LoadOGG, mono + stereo);
  EXPECT_TRUE(chained.length == 3000 && chained.channels == 1) << chained.length;
  const std::string ogg = EncodeVorbis(Sine(5000, 1, 22050, 300, {true}), 1, 22050);
  for (const std::string& bad : {Bytes(3000, 7), MakeWav(1, 1, 8000, 16, Bytes(100, 0)),
                                 ogg.substr(0, 40), std::string()})
    EXPECT_EQ(Decoded(LoadOGG, bad).data, nullptr) << bad.size() << " bytes";
}

// A file the Ogg fuzzer made (then minimised) with a malformed setup header, which made an
// earlier decoder read through a null pointer: it fails to load, and nothing else happens.
const char kMalformedSetupHeader[] =
    "\x4f\x67\x67\x53\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00\xe8\xd4\xf3\x3a\x00\x00\x00\x00\x31\xa7"
    "\xff\x36\x01\x1e\x01\x76\x6f\x72\x62\x69\x73\x00\x00\x00\x00\x02\x44\xac\x00\x00\x00\x00\x00\x00"
    "\x00\xee\x02\x00\x00\x00\x00\x00\xb8\x01\x4f\x67\x67\x53\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\xe8\xd4\xf3\x3a\x01\x00\x00\x00\x03\x5c\xb2\xa5\x10\x2d\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff"
    "\xff\xff\xff\xff\x71\x03\x76\x6f\x72\x62\x69\x73\x1d\x00\x00\x00\x58\x69\x70\x68\x2e\x4f\x72\x67"
    "\x6f\x72\x62\x69\x73\x20\x73\x29\x42\x43\x56\x01\x00\x08\x00\x00\x00\x31\x4c\x20\xc5\x80\xd0\x90"
    "\x55";

TEST(LoadOGG, RefusesAMalformedSetupHeader) {
  const std::string bytes(kMalformedSetupHeader, sizeof kMalformedSetupHeader - 1);
  EXPECT_EQ(Decoded(LoadOGG, bytes).data, nullptr);
}

TEST(LoadOGG, DecodesTheFreedesktopSoundTheme) {
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator("/usr/share/sounds/freedesktop/stereo/")) {
    if (e.path().extension() != ".oga") continue;
    Decoded d(LoadOGG, std::fopen(e.path().c_str(), "rb"));
    ASSERT_NE(d.data, nullptr) << e.path();
    EXPECT_TRUE(d.length > 1000 && (d.channels == 1 || d.channels == 2) && d.hertz >= 8000)
        << e.path();
    EXPECT_GT(Peak(d, 0), 1000) << e.path();  // not silence
    ++files;
  }
  EXPECT_GE(files, 10) << "install sound-theme-freedesktop";
}
