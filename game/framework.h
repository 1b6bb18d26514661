// The framework services the game uses: application, input, graphics and audio modules,
// plus the small numeric helpers every game file shares.
#pragma once

#include <cmath>

#include "audio/audio_module.h"
#include "graphics/graphics_module.h"
#include "host/app.h"
#include "host/asyncevent.h"
#include "host/input.h"
#include "host/random.h"
#include "host/vel_glfw_game.h"
#include "music/tono_player.h"

// Float to int as the game converts: truncation toward zero, saturating instead of
// overflowing for values outside the int range (and 0 for NaN).
inline int trunc_to_int(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483520.0f) return 2147483647;
  if (v <= -2147483648.0f) return -2147483647 - 1;
  return static_cast<int>(v);
}

// Degrees to radians, as the game's trigonometry takes them.
inline float deg_sin(float degrees) {
  return static_cast<float>(std::sin(static_cast<double>(degrees * 0.0174532924f)));
}
inline float deg_cos(float degrees) {
  return static_cast<float>(std::cos(static_cast<double>(degrees * 0.0174532924f)));
}
