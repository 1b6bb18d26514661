// The audio device over the real OpenAL Soft, captured through its wave-file backend. OpenAL
// Soft reads its configuration once per process; CTest runs each test in a process of its own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/gxtk_audio.h"
#include "platform/vel_game.h"
#include "runtime/gc.h"
#include "unit/audio/vorbis_writer.h"

namespace {

const int kRate = 44100;

struct Tone {
  float peak = 0;
  double hertz = 0;
};

// The peak, and the pitch from the rising zero crossings of the steady part.
Tone Analyse(const std::vector<float>& s) {
  Tone t;
  for (float v : s) t.peak = std::max(t.peak, std::fabs(v));
  size_t at = 0;
  while (at < s.size() && std::fabs(s[at]) < t.peak / 10) ++at;
  int first = -1, last = -1, crossings = 0;
  for (size_t i = at + kRate / 20; i < std::min(s.size(), at + kRate * 7 / 10); ++i) {
    if (s[i - 1] < 0 && s[i] >= 0) {
      if (first < 0) first = static_cast<int>(i);
      last = static_cast<int>(i);
      ++crossings;
    }
  }
  if (crossings > 1) t.hertz = (crossings - 1) * static_cast<double>(kRate) / (last - first);
  return t;
}

// A 440 Hz tone at half of full scale, played at half volume, panned left and 1.5 times as
// fast, comes out at 660 Hz, louder on the left, at half the level of a full-volume one.
TEST(WaveBackend, PanVolumeAndRateReachTheSpeakers) {
  char dir[] = "/tmp/zipkin-al-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string capture = std::string(dir) + "/capture.wav";
  setenv("ALSOFT_CONF",
         audio_test::WriteFile(dir, "alsoft.conf",
                               "[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\n"
                               "frequency = 44100\nhrtf = false\n[wave]\nfile = " + capture + "\n")
             .c_str(), 1);
  std::string pcm;  // 2 s
  for (int i = 0; i < kRate * 2; ++i)
    pcm += audio_test::U16(static_cast<unsigned>(std::lround(16383 * std::sin(2 * M_PI * 440 * i / kRate))));
  const std::string tone = audio_test::WriteFile(dir, "tone.wav", audio_test::MakeWav(1, 1, kRate, 16, pcm));
  gc_init1();
  VelGame host;
  VelGame::_game = &host;
  gxtkAudio* audio = new gxtkAudio();
  gxtkSample* sample = audio->LoadSample(String(tone.c_str()));
  ASSERT_TRUE(audio->context && sample);
  audio->SetVolume(0, 0.5f);
  audio->SetPan(0, -0.35f);
  audio->SetRate(0, 1.5f);
  audio->PlaySample(sample, 0, 0);
  usleep(1000 * 1000);
  EXPECT_EQ(audio->ChannelState(0), 1);  // 1.33 s long
  audio->Close();  // finishes the file
  std::ifstream in(capture, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t data = bytes.find("data");
  ASSERT_NE(data, std::string::npos);
  std::vector<float> left, right;  // 16-bit stereo, as configured
  for (size_t p = data + 8; p + 4 <= bytes.size(); p += 4) {
    int16_t l, r;
    std::memcpy(&l, &bytes[p], 2);
    std::memcpy(&r, &bytes[p + 2], 2);
    left.push_back(l / 32768.0f);
    right.push_back(r / 32768.0f);
  }
  ASSERT_GT(left.size(), static_cast<size_t>(kRate * 8 / 10));
  const Tone l = Analyse(left), r = Analyse(right);
  EXPECT_NEAR(l.hertz, 660, 1.5);
  EXPECT_NEAR(r.hertz, 660, 1.5);
  EXPECT_TRUE(l.peak > r.peak * 1.2f && r.peak > 0.01f);  // 20 degrees to the left
  // Panning keeps between 0.7 and 1 of the power: the level of 0.5 at half volume.
  EXPECT_TRUE(std::hypot(l.peak, r.peak) > 0.25f * 0.7f && std::hypot(l.peak, r.peak) < 0.25f * 1.05f)
      << l.peak << " and " << r.peak;
}

}  // namespace
