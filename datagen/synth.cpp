#include "datagen/synth.h"

#include <algorithm>
#include <cstdio>

#include "datagen/jobs.h"

namespace datagen {

void normalisePeak(Wave& w, float peak) {
  float m = 0;
  for (float v : w) m = std::max(m, std::fabs(v));
  if (m <= 0) return;
  float k = peak / m;
  for (float& v : w) v *= k;
}

void finishOneShot(Wave& w, float peak, float fadeIn, float fadeOut) {
  if (w.empty()) return;
  // DC: a gentle high-pass first (removes slow drift), then the residual mean.
  OnePole hp;
  for (float& v : w) v = hp.hp(v, 12.0f);
  double mean = 0;
  for (float v : w) mean += v;
  mean /= double(w.size());
  for (float& v : w) v -= float(mean);
  int in = std::min<int>(samples(fadeIn), int(w.size()) / 4);
  int out = std::min<int>(samples(fadeOut), int(w.size()) / 4);
  for (int i = 0; i < in; ++i) w[i] *= float(i) / float(in);
  for (int i = 0; i < out; ++i) w[w.size() - 1 - i] *= float(i) / float(out);
  w.front() = 0;
  w.back() = 0;
  normalisePeak(w, peak);
  // The fades moved the mean a hair; take it out again without touching the
  // zero ends (the change is far below one PCM step for these lengths).
  mean = 0;
  for (float v : w) mean += v;
  mean /= double(w.size());
  for (size_t i = 1; i + 1 < w.size(); ++i) w[i] -= float(mean);
}

int16_t toPcm(float v) {
  float s = std::clamp(v, -1.0f, 1.0f) * 32767.0f;
  return int16_t(std::lround(s));
}

namespace {
void put16(std::FILE* f, uint16_t v) {
  uint8_t b[2] = {uint8_t(v & 255), uint8_t(v >> 8)};
  std::fwrite(b, 1, 2, f);
}
void put32(std::FILE* f, uint32_t v) {
  uint8_t b[4] = {uint8_t(v & 255), uint8_t((v >> 8) & 255), uint8_t((v >> 16) & 255), uint8_t(v >> 24)};
  std::fwrite(b, 1, 4, f);
}
}  // namespace

bool writeWav(const std::string& path, const Wave& s, int channels) {
  if (!makeParent(path)) return false;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  uint32_t dataBytes = uint32_t(s.size() * 2);
  std::fwrite("RIFF", 1, 4, f);
  put32(f, 36 + dataBytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  put32(f, 16);
  put16(f, 1);  // PCM
  put16(f, uint16_t(channels));
  put32(f, kRate);
  put32(f, uint32_t(kRate * channels * 2));
  put16(f, uint16_t(channels * 2));
  put16(f, 16);
  std::fwrite("data", 1, 4, f);
  put32(f, dataBytes);
  std::vector<uint8_t> bytes(s.size() * 2);
  for (size_t i = 0; i < s.size(); ++i) {
    uint16_t v = uint16_t(toPcm(s[i]));
    bytes[2 * i] = uint8_t(v & 255);
    bytes[2 * i + 1] = uint8_t(v >> 8);
  }
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  bool ok = std::ferror(f) == 0;
  return std::fclose(f) == 0 && ok;
}

}  // namespace datagen
