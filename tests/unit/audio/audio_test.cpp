// The WAV and Ogg Vorbis decoders, and the audio device and module over the recording OpenAL.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/audio_decoders.h"
#include "audio/audio_module.h"
#include "fakes/al/fake_al.h"
#include "platform/vel_game.h"
#include "runtime/gc.h"
#include "unit/audio/vorbis_writer.h"

using namespace audio_test;

namespace {

typedef unsigned char* (*Decoder)(FILE*, int*, int*, int*, int*);

// What a decoder makes of `bytes` (glibc's fmemopen refuses none, so a temporary file).
struct Decoded {
  unsigned char* data = nullptr;
  int length = -1, channels = -1, format = -1, hertz = -1;
  Decoded(Decoder decoder, const std::string& b) {
    FILE* f = b.empty() ? std::tmpfile() : fmemopen(const_cast<char*>(b.data()), b.size(), "rb");
    data = decoder(f, &length, &channels, &format, &hertz);
    std::fclose(f);
  }
  ~Decoded() { std::free(data); }
};

std::string Bytes(int n, int seed) {
  std::string s;
  for (int i = 0; i < n; ++i) s += static_cast<char>((i * 37 + seed) & 0xFF);
  return s;
}


}  // namespace

TEST(LoadWAV, LoadsEveryLayoutAndRejectsMalformedFiles) {
  // Fields of the file, then the frames and the OpenAL format expected of it.
  const struct { const char* what; int channels, rate, bits, bytes; std::string chunks;
                 int fmtSize, length; ALenum al; } cases[] = {
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
      {"24-bit", 1, 44100, 24, 288, "", 16, 96, 0},
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
  const std::string good = MakeWav(1, 1, 8000, 16, Bytes(20, 0));
  const struct { const char* what; std::string bytes; } bad[] = {
      {"non-PCM", MakeWav(3, 1, 8000, 16, Bytes(20, 0))},
      {"no RIFF", "RIFX" + good.substr(4)},
      {"truncated data", good.substr(0, good.size() - 1)},
      {"chunk past the end", MakeWav(1, 1, 8000, 16, Bytes(20, 0),
                                     "LIST" + U32(0xFFFFFFF0u) + Bytes(8, 0))},
      {"data past the end", good.substr(0, 40) + U32(0x7FFFFFF0u) + good.substr(44)},
      {"zero rate", MakeWav(1, 1, 0, 16, Bytes(20, 0))},
      {"short fmt chunk", "RIFF" + U32(40) + "WAVE" + Chunk("fmt ", U16(1) + U16(1) + U32(8000)) +
                              Chunk("data", Bytes(20, 0))},
      {"empty", ""},
  };
  for (const auto& b : bad) EXPECT_EQ(Decoded(LoadWAV, b.bytes).data, nullptr) << b.what;
  EXPECT_NE(Decoded(LoadWAV, good).data, nullptr);  // the file the cases were cut from
}

TEST(LoadOGG, DecodesVorbisAndNothingElse) {
  // A tone in the left channel only: 16384 at its peak, the right one near silence.
  const Decoded d(LoadOGG, EncodeVorbis(Sine(44117, 2, 44100, 441, {true, false}), 2, 44100));
  ASSERT_NE(d.data, nullptr);
  EXPECT_TRUE(d.length == 44117 && d.channels == 2 && d.format == 2 && d.hertz == 44100);
  int peak[2] = {0, 0};
  for (int i = 0; i < d.length * 2; ++i)
    peak[i % 2] = std::max(peak[i % 2], std::abs(reinterpret_cast<const short*>(d.data)[i]));
  EXPECT_TRUE(std::abs(peak[0] - 16384) < 1600 && peak[1] < 800) << peak[0] << " " << peak[1];
  // A chained file decodes link after link while the channels and the rate stay.
  const std::string mono = EncodeVorbis(Sine(3000, 1, 22050, 300, {true}), 1, 22050, 0.4f, 2);
  const std::string more = EncodeVorbis(Sine(1000, 1, 22050, 300, {true}), 1, 22050);
  const std::string stereo = EncodeVorbis(Sine(2000, 2, 22050, 300, {true, true}), 2, 22050);
  EXPECT_EQ(Decoded(LoadOGG, mono + more).length, 4000);
  const Decoded chained(LoadOGG, mono + stereo);
  EXPECT_TRUE(chained.length == 3000 && chained.channels == 1) << chained.length;
  for (const std::string& bad : {Bytes(3000, 7), MakeWav(1, 1, 8000, 16, Bytes(100, 0)),
                                 mono.substr(0, 40), std::string()})
    EXPECT_EQ(Decoded(LoadOGG, bad).data, nullptr) << bad.size() << " bytes";
}

namespace {

// One whole collection cycle; everything it finds dead is destroyed at once.
void FullCollection() {
  for (int i = 0; i < 2; ++i) {
    gc_mark();
    gc_new_bytes = gc_cycle_bytes + 1;
    gc_collect();
  }
  gc_flush_free(gc_free_bytes);
}

bool Discarded(ALuint buffer) {
  const std::vector<ALuint>& list = gxtkDiscardedBuffers();
  return std::find(list.begin(), list.end(), buffer) != list.end();
}
bool Exists(ALuint buffer) { return fake_al::world().buffers.count(buffer) > 0; }

bool destroyed = false;
struct WatchedSample : gxtkSample {
  ~WatchedSample() override { destroyed = true; }
};

class AudioDevice : public testing::Test {
 protected:
  static void SetUpTestSuite() { gc_init1(); }
  void SetUp() override {
    fake_al::reset();
    gc_clear_roots();
    VelGame::_game = &host;
    ASSERT_NE(mkdtemp(dir), nullptr);
    wav = WriteFile(dir, "tone.wav", MakeWav(1, 1, 22050, 16, std::string(2000, '\x10')));
    ogg = WriteFile(dir, "tune.ogg",
                    EncodeVorbis(Sine(4000, 2, 22050, 440, {true, true}), 2, 22050));
    vel_audio_SetAudioDevice(audio = new gxtkAudio());  // held by the module, as in the game
  }
  void TearDown() override {
    std::filesystem::remove_all(dir);
    vel_audio_device = nullptr;
    gc_clear_roots();
    FullCollection();  // nothing of one test lingers into the next
    EXPECT_STREQ(gc_check_invariants(), "");
  }
  gxtkSample* Load(const std::string& path) { return audio->LoadSample(String(path.c_str())); }
  fake_al::Source& Source(int channel) {
    return fake_al::world().sources.at(audio->channels[channel].source);
  }

  VelGame host;
  gxtkAudio* audio = nullptr;
  char dir[32] = "/tmp/zipkin-audio-XXXXXX";
  std::string wav, ogg;
};

}  // namespace

TEST_F(AudioDevice, OpeningReportsEachFailureAndStillWorks) {
  const char* outputs[] = {"", "OpenAl error: alcOpenDevice failed\n",
                           "OpenAl error: alcCreateContext failed\n",
                           "OpenAl error: alcMakeContextCurrent failed\n"};
  for (int failing = 0; failing < 4; ++failing) {
    fake_al::reset();
    fake_al::world().failOpenDevice = failing == 1;
    fake_al::world().failCreateContext = failing == 2;
    fake_al::world().failMakeContextCurrent = failing == 3;
    testing::internal::CaptureStdout();
    vel_audio_SetAudioDevice(audio = new gxtkAudio());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), outputs[failing]);
    EXPECT_TRUE(fake_al::count("alDistanceModel") == 1 &&
                fake_al::world().calls.back().param == AL_NONE);
    audio->Suspend();  // no channel has played yet
    audio->Resume();
    EXPECT_EQ(fake_al::count("alGenSources"), 0);  // sources come when first needed
    gxtkSample* sample = Load(wav);  // without a context everything runs, silently
    ASSERT_NE(sample, nullptr);
    audio->PlaySample(sample, 3, 1);
    const bool works = failing == 0;
    EXPECT_EQ(sample->buffer != 0, works) << failing;
    EXPECT_EQ(audio->ChannelState(3), works ? 1 : 0) << failing;  // no device: it has ended
    EXPECT_EQ(fake_al::world().sources.empty(), !works) << failing;
    FullCollection();
  }
}

TEST_F(AudioDevice, ChannelStatesFollowTheGameTheSoundAndSuspension) {
  gxtkSample* sample = Load(wav);
  auto expect = [&](std::vector<int> states, std::vector<ALint> sources, const char* when) {
    for (int i = 0; i < 5; ++i)
      EXPECT_TRUE(audio->channels[i].state == states[i] && Source(i).state == sources[i])
          << when << ", channel " << i;
  };
  // 0 plays, the game pauses 1, 2 ends on its own, 3 is stopped, 4 is paused after its end.
  for (int i = 0; i < 5; ++i) audio->PlaySample(sample, i, 0);
  audio->PauseChannel(1);
  fake_al::finish(audio->channels[2].source);
  audio->StopChannel(3);
  fake_al::finish(audio->channels[4].source);
  audio->PauseChannel(4);
  audio->Suspend();
  EXPECT_EQ(fake_al::count("alSourcePause"), 2);  // the game's pause and channel 0
  expect({1, 2, 1, 0, 0}, {AL_PAUSED, AL_PAUSED, AL_STOPPED, AL_STOPPED, AL_STOPPED}, "suspended");
  audio->Resume();  // channel 1 stays paused until the game resumes it
  expect({1, 2, 1, 0, 0}, {AL_PLAYING, AL_PAUSED, AL_STOPPED, AL_STOPPED, AL_STOPPED}, "resumed");
  for (int i = 0; i < 5; ++i) audio->ResumeChannel(i);  // the ended sound on 4 stays ended
  expect({1, 1, 1, 0, 0}, {AL_PLAYING, AL_PLAYING, AL_STOPPED, AL_STOPPED, AL_STOPPED}, "game");
  EXPECT_EQ(audio->ChannelState(2), 0);  // the sound that ended is noticed when asked
  audio->StopChannel(1);
  EXPECT_TRUE(audio->ChannelState(1) == 0 && Source(1).state == AL_STOPPED);
  // Channels seen stopped no longer point at their sample, which the collector may free.
  for (int i = 0; i < 5; ++i) EXPECT_EQ(audio->channels[i].sample, i ? nullptr : sample) << i;
}

TEST_F(AudioDevice, SamplesAndBuffersLiveWhileSomethingHoldsThem) {
  destroyed = false;
  gxtkSample* watched = audio->LoadSample__UNSAFE__(new WatchedSample(), String(wav.c_str()));
  gxtkSample* other = Load(wav);
  const ALuint buffer = watched->buffer, otherBuffer = other->buffer;
  audio->PlaySample(watched, 9, 0);  // the channel is the only holder
  audio->PlaySample(other, 2, 0);
  FullCollection();
  audio->PauseChannel(9);
  FullCollection();
  EXPECT_FALSE(destroyed || Discarded(buffer));
  audio->ResumeChannel(9);
  fake_al::finish(audio->channels[9].source);  // the sound ends: the sample goes
  audio->StopChannel(2);  // state 0, but the source still holds the buffer
  other->Discard();
  FullCollection();
  EXPECT_TRUE(destroyed && Discarded(buffer) && audio->channels[9].sample == nullptr);
  Load(wav);  // the flush takes the buffer back from the finished channel, not the stopped one
  EXPECT_FALSE(Exists(buffer));
  EXPECT_TRUE(Discarded(otherBuffer) && Exists(otherBuffer));
  audio->PlaySample(Load(wav), 2, 0);  // the channel lets go of it...
  Load(wav);                           // ...and the next flush deletes it
  EXPECT_FALSE(Discarded(otherBuffer) || Exists(otherBuffer));
  static c_Sound* held = nullptr;  // a sound held by a root keeps its sample
  gc_register_root(&held);
  held = (new c_Sound())->m_new(new WatchedSample());
  destroyed = false;
  FullCollection();
  EXPECT_FALSE(destroyed);
  held = nullptr;
  FullCollection();
  EXPECT_TRUE(destroyed);
}

TEST_F(AudioDevice, ModulePlaysOnChannelsAndToleratesMissingFiles) {
  EXPECT_EQ(vel_audio_LoadSound(String("sfx/001.wav")), nullptr);
  const size_t calls = fake_al::world().calls.size();
  vel_audio_PlaySound(nullptr, 0, 0);
  vel_audio_PlaySound((new c_Sound())->m_new2(), 0, 0);
  EXPECT_EQ(fake_al::world().calls.size(), calls);
  c_Sound* sound = vel_audio_LoadSound(String(wav.c_str()));
  ASSERT_NE(sound, nullptr);
  vel_audio_SetChannelPan(6, -0.35f);  // 20 degrees to the left
  vel_audio_SetChannelVolume(6, 0.25f);
  vel_audio_SetChannelRate(6, 1.5f);
  for (int i = 0; i < 2; ++i) vel_audio_PlaySound(sound, 6, 1);  // a playing sound restarts
  const fake_al::Source& s = Source(6);
  EXPECT_TRUE(s.buffer == sound->m_sample->buffer && s.state == AL_PLAYING && s.looping == 1);
  EXPECT_TRUE(s.gain == 0.25f && s.pitch == 1.5f && s.position[1] == 0);
  EXPECT_TRUE(std::abs(s.position[0] + 0.343f) < 5e-4f && std::abs(s.position[2] + 0.939f) < 5e-4f);
  const fake_al::Buffer& b = fake_al::world().buffers.at(s.buffer);
  EXPECT_TRUE(b.format == AL_FORMAT_MONO16 && b.size == 2000 && b.frequency == 22050);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
  // Music plays on channel 32; a missing tune stops it and fails.
  EXPECT_EQ(vel_audio_PlayMusic(String(ogg.c_str()), 0), 0);
  EXPECT_TRUE(Source(32).state == AL_PLAYING && Source(32).looping == 0);
  EXPECT_EQ(vel_audio_PlayMusic(String("sfx/Universe.ogg"), 1), -1);
  EXPECT_TRUE(audio->MusicState() == 0 && Source(32).state == AL_STOPPED);
  // The extension, in either case, picks the decoder; other extensions load nothing.
  const struct { const char* name; const std::string& from; ALenum format; } files[] = {
      {"B.WAV", wav, AL_FORMAT_MONO16}, {"c.Ogg", ogg, AL_FORMAT_STEREO16}, {"d.mp3", wav, 0}};
  for (const auto& f : files) {
    std::filesystem::copy_file(f.from, std::string(dir) + "/" + f.name);
    gxtkSample* sample = Load(std::string(dir) + "/" + f.name);
    EXPECT_EQ(sample ? fake_al::world().buffers.at(sample->buffer).format : 0, f.format) << f.name;
  }
}
