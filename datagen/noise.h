// Deterministic hashing, value noise and a small seeded generator. Every
// texture and every random choice of the generator comes from here, so that
// the output is the same bytes on every run and every machine.
#pragma once

#include <cmath>
#include <cstdint>

namespace datagen {

inline uint32_t hash32(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

inline uint32_t hash2(int x, int y, uint32_t seed) {
  return hash32(uint32_t(x) * 0x9E3779B1U ^ hash32(uint32_t(y) * 0x85EBCA77U ^ seed));
}

// Value in [0, 1) at a lattice point.
inline float lattice(int x, int y, uint32_t seed) {
  return float(hash2(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

// Smooth value noise in [0, 1); wraps with the given period in x (0 = none),
// so that textures can be seamless around a sphere's longitude.
inline float valueNoise(float x, float y, uint32_t seed, int periodX = 0) {
  int xi = int(std::floor(x)), yi = int(std::floor(y));
  float fx = x - float(xi), fy = y - float(yi);
  float ux = fx * fx * (3 - 2 * fx), uy = fy * fy * (3 - 2 * fy);
  int x0 = xi, x1 = xi + 1;
  if (periodX > 0) {
    x0 = ((x0 % periodX) + periodX) % periodX;
    x1 = ((x1 % periodX) + periodX) % periodX;
  }
  float a = lattice(x0, yi, seed), b = lattice(x1, yi, seed);
  float c = lattice(x0, yi + 1, seed), d = lattice(x1, yi + 1, seed);
  return (a + (b - a) * ux) + ((c + (d - c) * ux) - (a + (b - a) * ux)) * uy;
}

// Fractal sum of octaves, normalised to [0, 1).
inline float fbm(float x, float y, uint32_t seed, int octaves, int periodX = 0) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * valueNoise(x, y, seed + uint32_t(i) * 101u, periodX);
    norm += amp;
    x *= 2;
    y *= 2;
    periodX *= 2;
    amp *= 0.5f;
  }
  return sum / norm;
}

inline float lattice3(int x, int y, int z, uint32_t seed) {
  return float(hash32(hash2(x, y, seed) ^ (uint32_t(z) * 0xC2B2AE35U)) >> 8) * (1.0f / 16777216.0f);
}

// Smooth 3D value noise in [0, 1); sampled on a sphere's surface it gives
// seamless planet textures without pinching at the poles.
inline float valueNoise3(float x, float y, float z, uint32_t seed) {
  int xi = int(std::floor(x)), yi = int(std::floor(y)), zi = int(std::floor(z));
  float fx = x - float(xi), fy = y - float(yi), fz = z - float(zi);
  float ux = fx * fx * (3 - 2 * fx), uy = fy * fy * (3 - 2 * fy), uz = fz * fz * (3 - 2 * fz);
  float v[2];
  for (int k = 0; k < 2; ++k) {
    float a = lattice3(xi, yi, zi + k, seed), b = lattice3(xi + 1, yi, zi + k, seed);
    float c = lattice3(xi, yi + 1, zi + k, seed), d = lattice3(xi + 1, yi + 1, zi + k, seed);
    float ab = a + (b - a) * ux, cd = c + (d - c) * ux;
    v[k] = ab + (cd - ab) * uy;
  }
  return v[0] + (v[1] - v[0]) * uz;
}

inline float fbm3(float x, float y, float z, uint32_t seed, int octaves) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * valueNoise3(x, y, z, seed + uint32_t(i) * 101u);
    norm += amp;
    x *= 2.03f;
    y *= 2.03f;
    z *= 2.03f;
    amp *= 0.5f;
  }
  return sum / norm;
}

// A small linear congruential generator for choices made while building data.
class Rng {
 public:
  explicit Rng(uint32_t seed) : s_(seed * 2654435761u + 12345u) {}
  uint32_t next() {
    s_ = s_ * 1664525u + 1013904223u;
    return hash32(s_);
  }
  float uniform() { return float(next() >> 8) * (1.0f / 16777216.0f); }
  float range(float a, float b) { return a + (b - a) * uniform(); }
  int below(int n) { return int(next() % uint32_t(n)); }

 private:
  uint32_t s_;
};

}  // namespace datagen
