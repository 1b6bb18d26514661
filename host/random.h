// The random and math modules. One shared generator for the whole program: a 32-bit linear
// congruential sequence whose top 24 bits make each draw.
#pragma once

extern int vel_random_Seed;

// Advances the seed (seed * 1664525 + 1013904223, modulo 2^32) and returns its top 24 bits
// as a value in [0, 1).
float vel_random_Rnd();
// low + (high - low) * r for one draw r.
float vel_random_Rnd2(float low, float high);
// r * range for one draw r.
float vel_random_Rnd3(float range);

int vel_math_Abs(int x);
float vel_math_Abs2(float x);
// The first argument when it is greater or equal.
int vel_math_Max(int x, int y);
float vel_math_Max2(float x, float y);
