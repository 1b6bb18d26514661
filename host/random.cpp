#include "host/random.h"

#include <cstdint>

int vel_random_Seed = 1234;

float vel_random_Rnd() {
  uint32_t seed = static_cast<uint32_t>(vel_random_Seed) * 1664525u + 1013904223u;
  vel_random_Seed = static_cast<int>(seed);
  return static_cast<float>(seed >> 8) * (1.0f / 16777216.0f);
}

float vel_random_Rnd2(float low, float high) { return low + (high - low) * vel_random_Rnd(); }

float vel_random_Rnd3(float range) { return vel_random_Rnd() * range; }

// Negation through unsigned arithmetic: the smallest int stays itself instead of overflowing.
int vel_math_Abs(int x) { return x >= 0 ? x : static_cast<int>(0u - static_cast<uint32_t>(x)); }
float vel_math_Abs2(float x) { return x >= 0 ? x : -x; }
int vel_math_Max(int x, int y) { return x >= y ? x : y; }
float vel_math_Max2(float x, float y) { return x >= y ? x : y; }
