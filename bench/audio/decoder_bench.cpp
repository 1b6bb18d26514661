// Decoder speed and memory: a 60-second stereo tune, the game's own tune (64 s, from the
// generated data folder) and the largest sound effect.
//
// Counters: "x_realtime" is seconds of audio decoded per second of work; "held_MiB" is what
// the decoded tune occupies once OpenAL holds it (frames x channels x 2 bytes), and
// "peak_MiB" the decoder's block at its largest (the doubling buffer, freed after upload).
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/audio_decoders.h"
#include "platform/vel_game.h"
#include "unit/audio/vorbis_writer.h"

namespace {

const int kRate = 44100;

// A minute of stereo music-like material: a chord whose notes move every half second, a
// little different on each side, so the encoder has real work to describe.
const std::string& Tune() {
  static const std::string ogg = [] {
    const int frames = kRate * 60;
    std::vector<float> pcm(static_cast<size_t>(frames) * 2);
    const double roots[] = {220.0, 246.9, 261.6, 293.7, 329.6, 293.7, 261.6, 196.0};
    for (int i = 0; i < frames; ++i) {
      double t = static_cast<double>(i) / kRate;
      double root = roots[(i / (kRate / 2)) % 8];
      double env = 1.0 - std::fmod(t, 0.5) * 1.2;
      double l = std::sin(2 * M_PI * root * t) + 0.5 * std::sin(2 * M_PI * root * 1.5 * t);
      double r = std::sin(2 * M_PI * root * 1.25 * t) + 0.4 * std::sin(2 * M_PI * root * 2 * t);
      pcm[2 * static_cast<size_t>(i)] = static_cast<float>(0.3 * env * l);
      pcm[2 * static_cast<size_t>(i) + 1] = static_cast<float>(0.3 * env * r);
    }
    return audio_test::EncodeVorbis(pcm, 2, kRate, 0.4f);
  }();
  return ogg;
}

void BM_DecodeTune(benchmark::State& state) {
  const std::string& ogg = Tune();
  int length = 0, channels = 0, format = 0, hertz = 0;
  size_t peak = 0;
  for (auto _ : state) {
    FILE* f = fmemopen(const_cast<char*>(ogg.data()), ogg.size(), "rb");
    unsigned char* pcm = LoadOGG(f, &length, &channels, &format, &hertz);
    std::fclose(f);
    if (!pcm) {
      state.SkipWithError("the tune did not decode");
      return;
    }
    peak = malloc_usable_size(pcm);
    benchmark::DoNotOptimize(pcm);
    std::free(pcm);
  }
  const double seconds = static_cast<double>(length) / hertz;
  state.counters["x_realtime"] =
      benchmark::Counter(seconds * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["held_MiB"] = static_cast<double>(length) * channels * format / (1 << 20);
  state.counters["peak_MiB"] = static_cast<double>(peak) / (1 << 20);
  state.counters["ogg_KiB"] = ogg.size() / 1024.0;
}
BENCHMARK(BM_DecodeTune)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The tune the game streams, read from memory so that only decoding is measured.
void BM_DecodeGameTune(benchmark::State& state) {
  std::string ogg;
  if (FILE* f = std::fopen(ZIPKIN_DATA_DIR "/sfx/Universe.ogg", "rb")) {
    char block[65536];
    for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;) ogg.append(block, n);
    std::fclose(f);
  }
  int length = 0, channels = 0, format = 0, hertz = 1;
  for (auto _ : state) {
    FILE* f = ogg.empty() ? nullptr : fmemopen(ogg.data(), ogg.size(), "rb");
    unsigned char* pcm = f ? LoadOGG(f, &length, &channels, &format, &hertz) : nullptr;
    if (f) std::fclose(f);
    if (!pcm) {
      state.SkipWithError("the game's tune did not decode (build zipkin_data first)");
      return;
    }
    benchmark::DoNotOptimize(pcm);
    std::free(pcm);
  }
  state.counters["seconds"] = static_cast<double>(length) / hertz;
}
BENCHMARK(BM_DecodeGameTune)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The largest effect the game ships: 1.25 s of 16-bit mono at 44.1 kHz, read from disk
// through the host like every asset.
void BM_LoadLargestEffect(benchmark::State& state) {
  std::string pcm;
  for (int i = 0; i < kRate * 5 / 4; ++i)
    pcm += audio_test::U16(static_cast<unsigned>(static_cast<int>(
                               12000 * std::sin(i * 0.05) * std::exp(-i / 30000.0))) &
                           0xFFFF);
  std::string wav = audio_test::MakeWav(1, 1, kRate, 16, pcm, audio_test::Chunk("LIST", "x"));
  char path[] = "/tmp/zipkin-bench-XXXXXX.wav";
  int fd = mkstemps(path, 4);
  if (fd < 0 || write(fd, wav.data(), wav.size()) != static_cast<ssize_t>(wav.size())) {
    state.SkipWithError("cannot write the effect");
    return;
  }
  close(fd);
  VelGame host;
  int length = 0, channels = 0, format = 0, hertz = 0;
  for (auto _ : state) {
    unsigned char* data = DecodeAudioFile(&host, String(path), &length, &channels, &format, &hertz);
    if (!data) {
      state.SkipWithError("the effect did not load");
      break;
    }
    benchmark::DoNotOptimize(data);
    std::free(data);
  }
  unlink(path);
  state.counters["KiB"] = wav.size() / 1024.0;
}
BENCHMARK(BM_LoadLargestEffect)->Unit(benchmark::kMicrosecond);

}  // namespace
