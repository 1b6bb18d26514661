// The audio device and the audio module over the recording OpenAL.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/audio_module.h"
#include "audio/gxtk_audio.h"
#include "fakes/al/fake_al.h"
#include "host/vel_game.h"
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
  for (ALuint b : gxtkDiscardedBuffers())
    if (b == buffer) return true;
  return false;
}

// A host that remembers which paths it was asked to open.
struct RecordingHost : VelGame {
  std::vector<std::string> opened;
  FILE* OpenFile(String path, String mode) override {
    opened.push_back(path.ToUtf8());
    return VelGame::OpenFile(path, mode);
  }
};

// Destruction of a sample is observed through this flag.
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
    vel_audio_device = nullptr;
    VelGame::_game = &host;
    ASSERT_NE(mkdtemp(dir), nullptr);
    wav = Write("tone.wav", MakeWav(1, 1, 22050, 16, std::string(2000, '\x10')));
    ogg = Write("tune.ogg", EncodeVorbis(Sine(4000, 2, 22050, 440, {true, true}), 2, 22050));
  }

  void TearDown() override {
    unlink(wav.c_str());
    unlink(ogg.c_str());
    rmdir(dir);
    vel_audio_device = nullptr;
    gc_clear_roots();
    FullCollection();  // nothing of one test lingers into the next
    EXPECT_STREQ(gc_check_invariants(), "");
  }

  std::string Write(const char* name, const std::string& bytes) {
    std::string path = std::string(dir) + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
  }

  // A device held by the module global, as the game holds it.
  gxtkAudio* Device() {
    gxtkAudio* audio = new gxtkAudio();
    vel_audio_SetAudioDevice(audio);
    return audio;
  }

  fake_al::Source& SourceOf(gxtkAudio* audio, int channel) {
    return fake_al::world().sources.at(audio->channels[channel].source);
  }

  RecordingHost host;
  char dir[32] = "/tmp/zipkin-audio-XXXXXX";
  std::string wav, ogg;
};

}  // namespace

TEST_F(AudioDevice, OpeningReportsEachFailureAndStillWorks) {
  struct Case {
    bool failOpen, failCreate, failCurrent;
    const char* output;
  } cases[] = {{false, false, false, ""},
               {true, false, false, "OpenAl error: alcOpenDevice failed\n"},
               {false, true, false, "OpenAl error: alcCreateContext failed\n"},
               {false, false, true, "OpenAl error: alcMakeContextCurrent failed\n"}};
  for (const Case& c : cases) {
    fake_al::reset();
    fake_al::world().failOpenDevice = c.failOpen;
    fake_al::world().failCreateContext = c.failCreate;
    fake_al::world().failMakeContextCurrent = c.failCurrent;
    testing::internal::CaptureStdout();
    gxtkAudio* audio = Device();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output);
    EXPECT_EQ(fake_al::count("alDistanceModel"), 1);
    EXPECT_EQ(fake_al::world().calls.back().param, AL_NONE);
    EXPECT_EQ(fake_al::count("alGenSources"), 0);  // sources come when first needed
    for (const gxtkChannel& channel : audio->channels) {
      EXPECT_EQ(channel.state, 0);
      EXPECT_EQ(channel.sample, nullptr);
    }
    // Without a context every operation still runs, silently.
    gxtkSample* sample = audio->LoadSample(String(wav.c_str()));
    ASSERT_NE(sample, nullptr);
    audio->PlaySample(sample, 3, 1);
    audio->SetPan(3, 0.5f);
    audio->Suspend();
    audio->Resume();
    audio->PauseChannel(3);
    audio->ResumeChannel(3);
    EXPECT_EQ(audio->PlayMusic(String(ogg.c_str()), 1), 0);
    EXPECT_EQ(audio->PlayMusic(String("/no/such.ogg"), 1), -1);
    if (c.output[0]) {
      EXPECT_EQ(sample->buffer, 0u);
      EXPECT_EQ(audio->ChannelState(3), 0);  // a sound that cannot play has ended
      EXPECT_TRUE(fake_al::world().sources.empty());
    } else {
      EXPECT_NE(sample->buffer, 0u);
      EXPECT_EQ(audio->ChannelState(3), 1);  // paused, then resumed
      EXPECT_EQ(fake_al::world().distanceModel, AL_NONE);
    }
    FullCollection();
  }
}

TEST_F(AudioDevice, ChannelSettingsReachTheirOwnSource) {
  gxtkAudio* audio = Device();
  audio->SetPan(0, -0.35f);
  audio->SetVolume(0, 0.25f);
  audio->SetRate(0, 1.5f);
  audio->SetPan(1, 0.0f);
  audio->SetMusicVolume(0.5f);
  EXPECT_EQ(fake_al::count("alGenSources"), 3);  // one per channel, made when first needed
  const fake_al::Source& left = SourceOf(audio, 0);
  EXPECT_NEAR(left.position[0], -0.343f, 0.0005f);
  EXPECT_EQ(left.position[1], 0.0f);
  EXPECT_NEAR(left.position[2], -0.939f, 0.0005f);
  EXPECT_FLOAT_EQ(left.gain, 0.25f);
  EXPECT_FLOAT_EQ(left.pitch, 1.5f);
  const float* centre = SourceOf(audio, 1).position;
  EXPECT_TRUE(centre[0] == 0.0f && centre[1] == 0.0f && centre[2] == -1.0f);
  EXPECT_FLOAT_EQ(SourceOf(audio, 1).gain, 1.0f);
  EXPECT_FLOAT_EQ(SourceOf(audio, 32).gain, 0.5f);
}

TEST_F(AudioDevice, PlaySampleRestartsTheSourceWithTheSample) {
  gxtkAudio* audio = Device();
  gxtkSample* sample = audio->LoadSample(String(wav.c_str()));
  ASSERT_NE(sample, nullptr);
  const fake_al::Buffer& buffer = fake_al::world().buffers.at(sample->buffer);
  EXPECT_TRUE(buffer.filled);
  EXPECT_EQ(buffer.format, AL_FORMAT_MONO16);
  EXPECT_EQ(buffer.size, 2000);
  EXPECT_EQ(buffer.frequency, 22050);

  audio->PlaySample(sample, 4, 1);
  EXPECT_EQ(SourceOf(audio, 4).state, AL_PLAYING);
  EXPECT_EQ(SourceOf(audio, 4).buffer, sample->buffer);
  EXPECT_EQ(SourceOf(audio, 4).looping, 1);
  EXPECT_EQ(audio->channels[4].sample, sample);
  EXPECT_EQ(audio->channels[4].flags, 1);
  EXPECT_EQ(audio->ChannelState(4), 1);
  // Playing again while it plays restarts it (stop first: a playing source keeps its buffer).
  audio->PlaySample(sample, 4, 0);
  EXPECT_EQ(SourceOf(audio, 4).state, AL_PLAYING);
  EXPECT_EQ(SourceOf(audio, 4).looping, 0);
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
  // A stereo Ogg becomes a 16-bit stereo buffer.
  gxtkSample* tune = audio->LoadSample(String(ogg.c_str()));
  ASSERT_NE(tune, nullptr);
  EXPECT_EQ(fake_al::world().buffers.at(tune->buffer).format, AL_FORMAT_STEREO16);
  EXPECT_EQ(fake_al::world().buffers.at(tune->buffer).size, 4000 * 4);
  // A layout OpenAL has no format for leaves the sample with an empty buffer.
  std::string odd = Write("odd.wav", MakeWav(1, 1, 8000, 24, std::string(30, '\0')));
  gxtkSample* silent = audio->LoadSample(String(odd.c_str()));
  unlink(odd.c_str());
  ASSERT_NE(silent, nullptr);
  EXPECT_FALSE(fake_al::world().buffers.at(silent->buffer).filled);
  EXPECT_EQ(audio->LoadSample(String("/no/such.wav")), nullptr);
  audio->PlaySample(nullptr, 4, 0);  // a failed load plays nothing
  EXPECT_EQ(SourceOf(audio, 4).buffer, sample->buffer);
}

TEST_F(AudioDevice, ChannelStateMachine) {
  gxtkAudio* audio = Device();
  gxtkSample* sample = audio->LoadSample(String(wav.c_str()));
  // Stopping and pausing an idle channel do nothing.
  audio->StopChannel(2);
  audio->PauseChannel(2);
  audio->ResumeChannel(2);
  EXPECT_EQ(fake_al::count("alSourceStop") + fake_al::count("alSourcePause") +
                fake_al::count("alSourcePlay"),
            0);

  audio->PlaySample(sample, 2, 0);
  audio->PauseChannel(2);
  EXPECT_EQ(audio->ChannelState(2), 2);
  EXPECT_EQ(SourceOf(audio, 2).state, AL_PAUSED);
  audio->ResumeChannel(2);
  EXPECT_EQ(audio->ChannelState(2), 1);
  EXPECT_EQ(SourceOf(audio, 2).state, AL_PLAYING);
  audio->StopChannel(2);
  EXPECT_EQ(audio->ChannelState(2), 0);
  EXPECT_EQ(SourceOf(audio, 2).state, AL_STOPPED);

  // The sound ends on its own: ChannelState notices.
  audio->PlaySample(sample, 2, 0);
  fake_al::finish(audio->channels[2].source);
  EXPECT_EQ(audio->channels[2].state, 1);
  EXPECT_EQ(audio->ChannelState(2), 0);

  // Pausing a sound that has ended gives state 0, and a later resume does nothing.
  audio->PlaySample(sample, 7, 0);
  fake_al::finish(audio->channels[7].source);
  audio->PauseChannel(7);
  EXPECT_EQ(audio->channels[7].state, 0);
  int plays = fake_al::count("alSourcePlay");
  audio->ResumeChannel(7);
  EXPECT_EQ(fake_al::count("alSourcePlay"), plays);
  EXPECT_EQ(SourceOf(audio, 7).state, AL_STOPPED);
}

TEST_F(AudioDevice, SuspendAndResumeTouchOnlyPlayingSources) {
  gxtkAudio* audio = Device();
  gxtkSample* sample = audio->LoadSample(String(wav.c_str()));
  audio->PlaySample(sample, 0, 1);  // playing
  audio->PlaySample(sample, 1, 0);  // paused by the game
  audio->PauseChannel(1);
  audio->PlaySample(sample, 2, 0);  // ended on its own
  fake_al::finish(audio->channels[2].source);
  audio->PlaySample(sample, 3, 0);  // stopped
  audio->StopChannel(3);

  audio->Suspend();
  EXPECT_EQ(SourceOf(audio, 0).state, AL_PAUSED);
  EXPECT_EQ(SourceOf(audio, 1).state, AL_PAUSED);
  EXPECT_EQ(SourceOf(audio, 2).state, AL_STOPPED);
  EXPECT_EQ(SourceOf(audio, 3).state, AL_STOPPED);
  EXPECT_EQ(fake_al::count("alSourcePause"), 2);  // the game's pause and channel 0
  int states[] = {1, 2, 1, 0};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(audio->channels[i].state, states[i]) << i;

  audio->Resume();
  EXPECT_EQ(SourceOf(audio, 0).state, AL_PLAYING);
  EXPECT_EQ(SourceOf(audio, 1).state, AL_PAUSED);  // stays paused until the game resumes it
  EXPECT_EQ(SourceOf(audio, 2).state, AL_STOPPED);
  EXPECT_EQ(SourceOf(audio, 3).state, AL_STOPPED);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(audio->channels[i].state, states[i]) << i;
}

TEST_F(AudioDevice, MusicPlaysOnChannel32) {
  gxtkAudio* audio = Device();
  EXPECT_EQ(audio->PlayMusic(String(ogg.c_str()), 1), 0);
  EXPECT_EQ(audio->MusicState(), 1);
  EXPECT_EQ(SourceOf(audio, 32).state, AL_PLAYING);
  EXPECT_EQ(SourceOf(audio, 32).looping, 1);
  audio->PauseMusic();
  EXPECT_EQ(audio->MusicState(), 2);
  audio->ResumeMusic();
  EXPECT_EQ(audio->MusicState(), 1);
  // A missing tune stops the current one and fails.
  EXPECT_EQ(audio->PlayMusic(String("/no/such.ogg"), 1), -1);
  EXPECT_EQ(audio->MusicState(), 0);
  EXPECT_EQ(SourceOf(audio, 32).state, AL_STOPPED);
  audio->PlayMusic(String(ogg.c_str()), 0);
  audio->StopMusic();
  EXPECT_EQ(audio->MusicState(), 0);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(audio->channels[i].source, 0u) << i;
}

TEST_F(AudioDevice, DiscardedBuffersWaitUntilNoSourceHoldsThem) {
  gxtkAudio* audio = Device();
  gxtkSample* first = audio->LoadSample(String(wav.c_str()));
  gxtkSample* second = audio->LoadSample(String(wav.c_str()));
  const ALuint buffer = first->buffer;
  audio->PlaySample(first, 1, 0);
  audio->StopChannel(1);  // state 0, but the source still holds the buffer
  first->Discard();
  EXPECT_EQ(first->buffer, 0u);
  EXPECT_TRUE(Discarded(buffer));

  audio->PlaySample(second, 2, 0);  // flushes: the buffer cannot go yet
  EXPECT_TRUE(Discarded(buffer));
  EXPECT_TRUE(fake_al::world().buffers.count(buffer));
  audio->PlaySample(second, 1, 0);  // the channel lets go of it...
  audio->PlaySample(second, 3, 0);  // ...and the next flush deletes it
  EXPECT_FALSE(Discarded(buffer));
  EXPECT_FALSE(fake_al::world().buffers.count(buffer));

  // A channel that played to the end lets go of its buffer at the flush.
  gxtkSample* third = audio->LoadSample(String(wav.c_str()));
  const ALuint thirdBuffer = third->buffer;
  audio->PlaySample(third, 5, 0);
  fake_al::finish(audio->channels[5].source);
  third->Discard();
  audio->LoadSample(String(wav.c_str()));
  EXPECT_FALSE(Discarded(thirdBuffer));
  EXPECT_FALSE(fake_al::world().buffers.count(thirdBuffer));
  EXPECT_EQ(SourceOf(audio, 5).buffer, 0u);
  // The second sample, still playing, kept its buffer throughout.
  EXPECT_TRUE(fake_al::world().buffers.count(second->buffer));
  EXPECT_EQ(SourceOf(audio, 1).buffer, second->buffer);
}

TEST_F(AudioDevice, AChannelKeepsItsSampleAliveWhilePlaying) {
  gxtkAudio* audio = Device();
  destroyed = false;
  WatchedSample* sample = new WatchedSample();
  audio->LoadSample__UNSAFE__(sample, String(wav.c_str()));
  const ALuint buffer = sample->buffer;
  audio->PlaySample(sample, 9, 0);
  sample = nullptr;  // the channel is the only holder now

  FullCollection();
  EXPECT_FALSE(destroyed);
  audio->PauseChannel(9);
  FullCollection();
  EXPECT_FALSE(destroyed);
  EXPECT_FALSE(Discarded(buffer));

  // Once the sound is over the sample goes, and its buffer with it at the next flush.
  audio->ResumeChannel(9);
  fake_al::finish(audio->channels[9].source);
  FullCollection();
  EXPECT_TRUE(destroyed);
  EXPECT_TRUE(Discarded(buffer));
  audio->LoadSample(String(wav.c_str()));
  EXPECT_FALSE(fake_al::world().buffers.count(buffer));
}

TEST_F(AudioDevice, ModuleToleratesSoundsThatFailedToLoad) {
  gxtkAudio* audio = Device();
  EXPECT_EQ(vel_audio_LoadSound(String("/no/such.wav")), nullptr);
  size_t calls = fake_al::world().calls.size();
  EXPECT_EQ(vel_audio_PlaySound(nullptr, 0, 0), 0);
  EXPECT_EQ(vel_audio_PlaySound((new c_Sound())->m_new2(), 0, 0), 0);
  EXPECT_EQ(fake_al::world().calls.size(), calls);

  c_Sound* sound = vel_audio_LoadSound(String(wav.c_str()));
  ASSERT_NE(sound, nullptr);
  vel_audio_PlaySound(sound, 6, 1);
  vel_audio_SetChannelPan(6, -0.35f);
  EXPECT_EQ(SourceOf(audio, 6).buffer, sound->m_sample->buffer);
  EXPECT_NEAR(SourceOf(audio, 6).position[0], -0.343f, 0.0005f);
  vel_audio_StopChannel(6);
  EXPECT_EQ(audio->ChannelState(6), 0);

  EXPECT_EQ(vel_audio_PlayMusic(String(ogg.c_str()), 1), 0);
  vel_audio_PauseMusic();
  EXPECT_EQ(audio->MusicState(), 2);
  vel_audio_ResumeMusic();
  EXPECT_EQ(audio->MusicState(), 1);
  EXPECT_EQ(vel_audio_PlayMusic(String("/no/such.ogg"), 1), -1);
  EXPECT_EQ(audio->MusicState(), 0);
  vel_audio_StopMusic();
}

TEST_F(AudioDevice, ModuleResolvesDataPathsAndSoundsHoldTheirSamples) {
  Device();
  vel_audio_LoadSound(String("sfx/001.wav"));
  vel_audio_PlayMusic(String("sfx/Universe.ogg"), 1);
  vel_audio_LoadSound(String(wav.c_str()));
  const std::vector<std::string> expected = {"kestrel://data/sfx/001.wav",
                                             "kestrel://data/sfx/Universe.ogg", wav};
  EXPECT_EQ(host.opened, expected);

  // Only a root holds the sound; its sample survives collection through c_Sound::mark.
  static c_Sound* held = nullptr;
  gc_register_root(&held);
  held = vel_audio_LoadSound(String(wav.c_str()));
  ASSERT_NE(held, nullptr);
  destroyed = false;
  gc_assign(held->m_sample, static_cast<gxtkSample*>(new WatchedSample()));
  FullCollection();
  EXPECT_FALSE(destroyed);
  held = nullptr;
  FullCollection();
  EXPECT_TRUE(destroyed);
}
