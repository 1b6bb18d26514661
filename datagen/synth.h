// Sound building blocks: oscillators, envelopes, filters and the finishing
// steps every effect and drum goes through (no DC, silent ends, a fixed peak),
// plus the 16-bit PCM WAV writer.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "datagen/noise.h"

namespace datagen {

constexpr int kRate = 44100;
constexpr float kTwoPi = 6.28318530718f;

using Wave = std::vector<float>;

inline int samples(float seconds) { return int(std::lround(seconds * kRate)); }

// Phase-accumulating oscillator; freq may change every sample.
struct Osc {
  double phase = 0;  // cycles
  float step(float freq) {
    float p = float(phase);
    phase += double(freq) / kRate;
    phase -= std::floor(phase);
    return p;
  }
};
inline float sine(float p) { return std::sin(kTwoPi * p); }
inline float tri(float p) { return 4.0f * std::fabs(p - 0.5f) - 1.0f; }
inline float sq(float p, float duty = 0.5f) { return p < duty ? 1.0f : -1.0f; }
inline float saw(float p) { return 2.0f * p - 1.0f; }

// White noise from a seeded generator.
struct Noise {
  Rng rng;
  explicit Noise(uint32_t seed) : rng(seed) {}
  float next() { return rng.uniform() * 2.0f - 1.0f; }
};

// One-pole low-pass and high-pass.
struct OnePole {
  float z = 0;
  float lp(float x, float cutoff) {
    float a = 1.0f - std::exp(-kTwoPi * cutoff / kRate);
    z += a * (x - z);
    return z;
  }
  float hp(float x, float cutoff) { return x - lp(x, cutoff); }
};

// State-variable filter (Chamberlin), low-pass / band-pass / high-pass.
struct Svf {
  float low = 0, band = 0;
  struct Out {
    float lp, bp, hp;
  };
  // The tuning coefficient for a cutoff; callers that sweep slowly compute it
  // once every few samples and use stepCoef.
  static float coef(float cutoff) { return 2.0f * std::sin(3.14159265f * std::min(cutoff, kRate * 0.2f) / kRate); }
  Out step(float x, float cutoff, float q) { return stepCoef(x, coef(cutoff), q); }
  Out stepCoef(float x, float f, float q) {
    float high = x - low - band / q;
    band += f * high;
    low += f * band;
    return {low, band, high};
  }
};

// Exponential decay envelope value at time t (seconds) for a decay time
// constant, with a short linear attack.
inline float envAD(float t, float attack, float decay) {
  if (t < attack) return t / attack;
  return std::exp(-(t - attack) / decay);
}

// Finishing for one-shot sounds: removes the DC offset, fades the first and
// last few milliseconds so both ends are at zero, and scales the peak to
// `peak` (0.708 is -3 dBFS).
void finishOneShot(Wave& w, float peak = 0.708f, float fadeIn = 0.002f, float fadeOut = 0.01f);

// Scales a looping sound to the peak without touching its ends (a loop must
// not be faded, or it would click at every turn).
void normalisePeak(Wave& w, float peak);

// Writes 16-bit PCM, mono or interleaved stereo.
bool writeWav(const std::string& path, const Wave& samples, int channels = 1);
int16_t toPcm(float v);

}  // namespace datagen
