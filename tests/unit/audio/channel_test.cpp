// The audio device and the audio module over the recording OpenAL.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/audio_module.h"
#include "fakes/al/fake_al.h"
#include "platform/vel_game.h"
#include "runtime/gc.h"
#include "unit/audio/vorbis_writer.h"

using namespace audio_test;

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

// A host that remembers which paths it was asked to open.
struct RecordingHost : VelGame {
  std::vector<std::string> opened;
  FILE* OpenFile(String path, String mode) override {
    opened.push_back(path.ToUtf8());
    return VelGame::OpenFile(path, mode);
  }
};

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

  RecordingHost host;
  gxtkAudio* audio = nullptr;
  char dir[32] = "/tmp/zipkin-audio-XXXXXX";
  std::string wav, ogg;
};

}  // namespace

TEST_F(AudioDevice, OpeningReportsEachFailureAndStillWorks) {
  // The step that fails, in the order the device takes them (0: none).
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
    EXPECT_EQ(fake_al::count("alGenSources"), 0);  // sources come when first needed
    // Without a context every operation still runs, silently.
    gxtkSample* sample = Load(wav);
    ASSERT_NE(sample, nullptr);
    audio->PlaySample(sample, 3, 1);
    audio->Suspend();
    audio->Resume();
    EXPECT_EQ(audio->PlayMusic(String(ogg.c_str()), 1), 0);
    EXPECT_EQ(audio->PlayMusic(String("/no/such.ogg"), 1), -1);
    const bool works = failing == 0;
    EXPECT_EQ(sample->buffer != 0, works) << failing;
    // Without a device the sound cannot play: it has ended.
    EXPECT_EQ(audio->ChannelState(3), works ? 1 : 0) << failing;
    EXPECT_EQ(fake_al::world().sources.empty(), !works) << failing;
    FullCollection();
  }
}

TEST_F(AudioDevice, SettingsAndSamplesReachTheirChannelsSource) {
  audio->SetPan(0, -0.35f);
  audio->SetVolume(0, 0.25f);
  audio->SetRate(0, 1.5f);
  audio->SetPan(1, 0.0f);
  audio->SetMusicVolume(0.5f);
  EXPECT_EQ(fake_al::count("alGenSources"), 3);  // one per channel, made when first needed
  const float *left = Source(0).position, *centre = Source(1).position;
  EXPECT_NEAR(left[0], -0.343f, 0.0005f);
  EXPECT_NEAR(left[2], -0.939f, 0.0005f);
  EXPECT_TRUE(left[1] == 0.0f && centre[0] == 0.0f && centre[1] == 0.0f && centre[2] == -1.0f);
  EXPECT_TRUE(Source(0).gain == 0.25f && Source(0).pitch == 1.5f);
  EXPECT_TRUE(Source(1).gain == 1.0f && Source(32).gain == 0.5f);
  // A sample fills its buffer and plays from the start.
  gxtkSample* sample = Load(wav);
  ASSERT_NE(sample, nullptr);
  const fake_al::Buffer& buffer = fake_al::world().buffers.at(sample->buffer);
  EXPECT_TRUE(buffer.filled && buffer.format == AL_FORMAT_MONO16);
  EXPECT_TRUE(buffer.size == 2000 && buffer.frequency == 22050);
  audio->PlaySample(sample, 4, 1);
  EXPECT_TRUE(Source(4).buffer == sample->buffer && Source(4).looping == 1);
  // Playing again while it plays restarts it (stop first: a playing source keeps its buffer).
  audio->PlaySample(sample, 4, 0);
  EXPECT_TRUE(Source(4).state == AL_PLAYING && Source(4).looping == 0);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
  // A stereo Ogg fills a 16-bit stereo buffer.
  gxtkSample* tune = Load(ogg);
  ASSERT_NE(tune, nullptr);
  EXPECT_EQ(fake_al::world().buffers.at(tune->buffer).format, AL_FORMAT_STEREO16);
  EXPECT_EQ(fake_al::world().buffers.at(tune->buffer).size, 4000 * 4);
  audio->PlaySample(nullptr, 4, 0);  // a failed load plays nothing
  EXPECT_EQ(Source(4).buffer, sample->buffer);
  // The extension, in either case, picks the decoder; other extensions load nothing.
  const struct { const char* name; const std::string& from; bool loads; } files[] = {
      {"B.WAV", wav, true}, {"c.Ogg", ogg, true}, {"d.mp3", wav, false}, {"wav", wav, false},
      {"e.ogg", wav, false}};
  for (const auto& f : files) {
    const std::string path = std::string(dir) + "/" + f.name;
    std::filesystem::copy_file(f.from, path);
    EXPECT_EQ(Load(path) != nullptr, f.loads) << f.name;
  }
}

TEST_F(AudioDevice, ChannelStatesFollowTheGameTheSoundAndSuspension) {
  gxtkSample* sample = Load(wav);
  // Stopping, pausing and resuming an idle channel do nothing.
  audio->StopChannel(0);
  audio->PauseChannel(0);
  audio->ResumeChannel(0);
  EXPECT_EQ(fake_al::count("alSourceStop") + fake_al::count("alSourcePause") +
                fake_al::count("alSourcePlay"), 0);
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

TEST_F(AudioDevice, DiscardedBuffersWaitUntilNoSourceHoldsThem) {
  gxtkSample* first = Load(wav);
  gxtkSample* second = Load(wav);
  const ALuint buffer = first->buffer;
  audio->PlaySample(first, 1, 0);
  audio->StopChannel(1);  // state 0, but the source still holds the buffer
  first->Discard();
  EXPECT_TRUE(first->buffer == 0 && Discarded(buffer));
  audio->PlaySample(second, 2, 0);  // flushes: the buffer cannot go yet
  EXPECT_TRUE(Discarded(buffer) && Exists(buffer));
  audio->PlaySample(second, 1, 0);  // the channel lets go of it...
  audio->PlaySample(second, 3, 0);  // ...and the next flush deletes it
  EXPECT_FALSE(Discarded(buffer) || Exists(buffer));
  // The second sample, still playing, kept its buffer throughout.
  EXPECT_TRUE(Exists(second->buffer) && Source(1).buffer == second->buffer);
}

TEST_F(AudioDevice, CollectionSparesSamplesThatArePlayingOrHeldBySounds) {
  destroyed = false;
  gxtkSample* sample = audio->LoadSample__UNSAFE__(new WatchedSample(), String(wav.c_str()));
  const ALuint buffer = sample->buffer;
  audio->PlaySample(sample, 9, 0);  // the channel is the only holder
  FullCollection();
  audio->PauseChannel(9);
  FullCollection();
  EXPECT_FALSE(destroyed || Discarded(buffer));
  // Once the sound is over the sample goes; the next flush takes its buffer back from the
  // finished channel and deletes it.
  audio->ResumeChannel(9);
  fake_al::finish(audio->channels[9].source);
  FullCollection();
  EXPECT_TRUE(destroyed && Discarded(buffer));
  EXPECT_EQ(audio->channels[9].sample, nullptr);  // nothing points at the freed sample
  Load(wav);
  EXPECT_FALSE(Exists(buffer));

  // A sound that only a root holds keeps its sample.
  static c_Sound* held = nullptr;
  gc_register_root(&held);
  held = (new c_Sound())->m_new(new WatchedSample());
  destroyed = false;
  FullCollection();
  EXPECT_FALSE(destroyed);
  held = nullptr;
  FullCollection();
  EXPECT_TRUE(destroyed);
}

TEST_F(AudioDevice, ModuleResolvesDataPathsAndToleratesMissingFiles) {
  EXPECT_EQ(vel_audio_LoadSound(String("sfx/001.wav")), nullptr);
  const size_t calls = fake_al::world().calls.size();
  vel_audio_PlaySound(nullptr, 0, 0);
  vel_audio_PlaySound((new c_Sound())->m_new2(), 0, 0);
  EXPECT_EQ(fake_al::world().calls.size(), calls);  // a sound that failed touches nothing
  c_Sound* sound = vel_audio_LoadSound(String(wav.c_str()));
  ASSERT_NE(sound, nullptr);
  vel_audio_PlaySound(sound, 6, 1);
  EXPECT_TRUE(Source(6).buffer == sound->m_sample->buffer && Source(6).state == AL_PLAYING);
  // Music plays on channel 32; a missing tune stops it and fails.
  EXPECT_EQ(vel_audio_PlayMusic(String(ogg.c_str()), 1), 0);
  EXPECT_TRUE(Source(32).state == AL_PLAYING && Source(32).looping == 1);
  EXPECT_EQ(vel_audio_PlayMusic(String("sfx/Universe.ogg"), 1), -1);
  EXPECT_TRUE(audio->MusicState() == 0 && Source(32).state == AL_STOPPED);
  const std::vector<std::string> opened = {"kestrel://data/sfx/001.wav", wav, ogg,
                                           "kestrel://data/sfx/Universe.ogg"};
  EXPECT_EQ(host.opened, opened);
}
