// The audio device over the real OpenAL Soft, captured through its wave-file backend.
//
// OpenAL Soft reads its configuration once per process, so every case runs in a child
// process with ALSOFT_CONF naming a configuration written here. The child closes the device
// before it exits, which makes the backend finish the file.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "audio/gxtk_audio.h"
#include "platform/vel_game.h"
#include "runtime/gc.h"
#include "unit/audio/vorbis_writer.h"

namespace {

const int kRate = 44100;

struct Capture {
  std::vector<float> left, right;  // -1..1
};

class WaveBackend : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(mkdtemp(dir), nullptr);
    root = dir;
    // 1.5 s of a 440 Hz tone at half of full scale, 16-bit mono.
    std::string pcm;
    for (int i = 0; i < kRate * 3 / 2; ++i) {
      int v = static_cast<int>(std::lround(16383 * std::sin(2 * M_PI * 440 * i / kRate)));
      pcm += audio_test::U16(static_cast<unsigned>(v) & 0xFFFF);
    }
    tone = audio_test::WriteFile(root, "tone.wav", audio_test::MakeWav(1, 1, kRate, 16, pcm));
  }

  void TearDown() override { std::filesystem::remove_all(root); }

  // Runs `body` with a fresh device in a child process under `config`; returns the child's
  // standard output and sets its exit status.
  std::string RunChild(const std::string& config, const std::function<void(gxtkAudio*)>& body,
                       int* status) {
    std::string conf = audio_test::WriteFile(root, "alsoft.conf", config);
    int out[2];
    if (pipe(out) != 0) return "";
    fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
      dup2(out[1], 1);
      close(out[0]);
      setenv("ALSOFT_CONF", conf.c_str(), 1);
      gc_init1();
      VelGame host;
      VelGame::_game = &host;
      gxtkAudio* audio = new gxtkAudio();
      body(audio);
      if (audio->context) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(audio->context);
      }
      if (audio->device) alcCloseDevice(audio->device);
      fflush(stdout);
      _exit(0);
    }
    close(out[1]);
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, n);
    close(out[0]);
    waitpid(pid, status, 0);
    return text;
  }

  std::string WaveConfig(const std::string& file) {
    return "[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\nfrequency = " +
           std::to_string(kRate) + "\nhrtf = false\n[wave]\nfile = " + file + "\n";
  }

  // Plays the tone on channel 0 (after `setup`) for about a second and reads the capture.
  Capture PlayTone(const std::function<void(gxtkAudio*)>& setup) {
    std::string file = root + "/capture.wav";
    int status = -1;
    std::string tonePath = tone;
    RunChild(WaveConfig(file),
             [&](gxtkAudio* audio) {
               gxtkSample* sample = audio->LoadSample(String(tonePath.c_str()));
               if (!sample) _exit(3);
               setup(audio);
               audio->PlaySample(sample, 0, 0);
               usleep(1200 * 1000);
               if (audio->ChannelState(0) != 1) _exit(4);  // 1.5 s: still playing
             },
             &status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    return ReadCapture(file);
  }

  // The backend writes 16-bit stereo as configured; a size of 0xFFFFFFFF means "to the end".
  Capture ReadCapture(const std::string& file) {
    Capture capture;
    std::ifstream in(file, std::ios::binary);
    EXPECT_TRUE(in.good()) << file;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u16 = [&](size_t at) {
      return static_cast<unsigned>(static_cast<unsigned char>(bytes[at]) |
                                   static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    size_t at = 12, channels = 0, bits = 0;
    while (at + 8 <= bytes.size()) {
      std::string tag = bytes.substr(at, 4);
      size_t size = u32(at + 4);
      if (tag == "fmt ") {
        channels = u16(at + 10);
        bits = u16(at + 22);
      } else if (tag == "data") {
        EXPECT_EQ(channels, 2u);
        EXPECT_EQ(bits, 16u);
        size_t end = size == 0xFFFFFFFFu || at + 8 + size > bytes.size() ? bytes.size()
                                                                        : at + 8 + size;
        for (size_t p = at + 8; p + 4 <= end; p += 4) {
          capture.left.push_back(static_cast<int16_t>(u16(p)) / 32768.0f);
          capture.right.push_back(static_cast<int16_t>(u16(p + 2)) / 32768.0f);
        }
        break;
      }
      at += 8 + size + (size & 1);
    }
    return capture;
  }

  char dir[32] = "/tmp/zipkin-al-XXXXXX";
  std::string root, tone;
};

struct Tone {
  float peak = 0;
  double hertz = 0;
  int start = -1;  // first frame above a tenth of the peak
};

Tone Analyse(const std::vector<float>& s) {
  Tone t;
  for (float v : s) t.peak = std::max(t.peak, std::fabs(v));
  for (size_t i = 0; i < s.size(); ++i) {
    if (std::fabs(s[i]) > t.peak / 10) {
      t.start = static_cast<int>(i);
      break;
    }
  }
  if (t.start < 0) return t;
  // Rising zero crossings over 0.8 s of steady tone after the attack.
  size_t from = t.start + kRate / 20, to = std::min(s.size(), from + kRate * 8 / 10);
  int first = -1, last = -1, crossings = 0;
  for (size_t i = from + 1; i < to; ++i) {
    if (s[i - 1] < 0 && s[i] >= 0) {
      if (first < 0) first = static_cast<int>(i);
      last = static_cast<int>(i);
      ++crossings;
    }
  }
  if (crossings > 1) t.hertz = (crossings - 1) * static_cast<double>(kRate) / (last - first);
  return t;
}

}  // namespace

TEST_F(WaveBackend, ToneOnChannelZeroIsCapturedAtItsPitchAndLevel) {
  Capture c = PlayTone([](gxtkAudio*) {});
  ASSERT_GT(c.left.size(), static_cast<size_t>(kRate));
  Tone left = Analyse(c.left), right = Analyse(c.right);
  ASSERT_GE(left.start, 0) << "nothing was heard";
  EXPECT_NEAR(left.hertz, 440, 1);
  EXPECT_NEAR(right.hertz, 440, 1);
  // A centred source is shared equally between the two speakers. Each one's share of the
  // tone's 0.5 lies between the amplitude-preserving half and the power-preserving sqrt(1/2).
  EXPECT_GE(left.peak, 0.5f * 0.5f - 0.01f);
  EXPECT_LE(left.peak, 0.5f * std::sqrt(0.5f) + 0.01f);
  EXPECT_NEAR(right.peak, left.peak, 0.01f);

  // The channel's volume scales the level.
  Capture quiet = PlayTone([](gxtkAudio* audio) { audio->SetVolume(0, 0.5f); });
  Tone half = Analyse(quiet.left);
  ASSERT_GE(half.start, 0);
  EXPECT_NEAR(half.peak / left.peak, 0.5f, 0.02f);
}

TEST_F(WaveBackend, PanLeftIsLouderOnTheLeft) {
  Capture c = PlayTone([](gxtkAudio* audio) { audio->SetPan(0, -0.35f); });
  Tone left = Analyse(c.left), right = Analyse(c.right);
  ASSERT_GE(left.start, 0);
  EXPECT_NEAR(left.hertz, 440, 1);
  EXPECT_GT(left.peak, right.peak * 1.2f) << left.peak << " vs " << right.peak;
  EXPECT_GT(right.peak, 0.01f);  // still partly on the right at 20 degrees
}

TEST_F(WaveBackend, WithoutADeviceEverythingRunsSilently) {
  std::string tonePath = tone;
  std::string ogg = audio_test::WriteFile(
      root, "tune.ogg",
      audio_test::EncodeVorbis(audio_test::Sine(8000, 2, 22050, 330, {true, true}), 2, 22050));
  int status = -1;
  std::string out = RunChild(
      WaveConfig(root + "/no/such/folder/capture.wav"),
      [&](gxtkAudio* audio) {
        if (audio->device || audio->context) _exit(5);
        gxtkSample* sample = audio->LoadSample(String(tonePath.c_str()));
        if (!sample) _exit(6);
        for (int channel = 0; channel < gxtkAudio::kChannels; ++channel) {
          audio->SetVolume(channel, 0.5f);
          audio->SetPan(channel, -0.35f);
          audio->SetRate(channel, 1.5f);
          audio->PlaySample(sample, channel, channel & 1);
          audio->PauseChannel(channel);
          audio->ResumeChannel(channel);
          if (audio->ChannelState(channel) != 0) _exit(7);
          audio->StopChannel(channel);
        }
        audio->Suspend();
        audio->Resume();
        if (audio->PlayMusic(String(ogg.c_str()), 1) != 0) _exit(8);
        audio->PauseMusic();
        audio->ResumeMusic();
        audio->SetMusicVolume(0.2f);
        audio->MusicState();
        audio->StopMusic();
        if (audio->PlayMusic(String("/no/such.ogg"), 1) != -1) _exit(9);
        sample->Discard();
        audio->LoadSample(String(tonePath.c_str()));
      },
      &status);
  EXPECT_EQ(out, "OpenAl error: alcOpenDevice failed\n");
  EXPECT_TRUE(WIFEXITED(status)) << "child status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
}
