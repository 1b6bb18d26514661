// The ten planets and the halo drawn over the hero's planet.
//
// A planet is a disc of radius 62.5 in its 128-unit picture: the game draws
// it at twice the planet's size, so the disc edge is exactly where objects
// stand (125 units from the centre). Each surface is a texture evaluated on
// the sphere (3D noise on the surface normal, so no seams), lit from the upper
// left, with features large enough that the planet's turning is visible.
#include <algorithm>
#include <array>
#include <cmath>

#include "datagen/noise.h"
#include "datagen/sheets.h"

namespace datagen {

namespace {

constexpr float kR = 62.5f;
const V2 kC{64, 64};
const Box kBox{0, 0, 128, 128};

struct N3 {
  float x, y, z;
};
N3 norm3(N3 v) {
  float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return {v.x / l, v.y / l, v.z / l};
}
float dot3(N3 a, N3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Surface description of one planet type.
struct Surface {
  RGBA (*albedo)(N3 n, uint32_t seed);
  RGBA (*emission)(N3 n, uint32_t seed);  // light of its own (lava), may be null
  RGBA atmosphere;                        // rim tint
  float shininess;                        // specular strength 0..1
};

RGBA ramp(const std::vector<std::pair<float, RGBA>>& stops, float t) {
  if (t <= stops.front().first) return stops.front().second;
  for (size_t i = 1; i < stops.size(); ++i)
    if (t <= stops[i].first) {
      float u = (t - stops[i - 1].first) / (stops[i].first - stops[i - 1].first);
      return mix(stops[i - 1].second, stops[i].second, u);
    }
  return stops.back().second;
}

float noiseAt(N3 n, float freq, uint32_t seed, int oct) {
  return fbm3(n.x * freq + 11.3f, n.y * freq + 7.1f, n.z * freq + 3.7f, seed, oct);
}

// Craters as random caps on the sphere: darker bowl, lighter rim.
float craterShade(N3 n, uint32_t seed, int count, float minR, float maxR) {
  Rng rng(seed);
  float k = 1.0f;
  for (int i = 0; i < count; ++i) {
    N3 c = norm3({rng.range(-1, 1), rng.range(-1, 1), rng.range(-1, 1)});
    float r = rng.range(minR, maxR);
    float ang = std::acos(std::clamp(dot3(n, c), -1.0f, 1.0f));
    float t = ang / r;
    if (t < 0.85f) k *= 0.78f + 0.12f * t;
    else if (t < 1.1f) k *= 1.0f + 0.22f * (1.0f - std::fabs(t - 0.97f) / 0.13f);
  }
  return k;
}

RGBA rockAlbedo(N3 n, uint32_t s) {
  float v = noiseAt(n, 2.5f, s, 5);
  RGBA c = ramp({{0.3f, rgb(120, 60, 40)}, {0.5f, rgb(190, 100, 60)}, {0.65f, rgb(220, 150, 100)},
                 {0.8f, rgb(240, 200, 160)}},
                v);
  return shade(c, craterShade(n, s + 5, 9, 0.12f, 0.35f));
}

RGBA iceAlbedo(N3 n, uint32_t s) {
  float v = noiseAt(n, 2.0f, s, 5);
  float cr = std::fabs(noiseAt(n, 3.0f, s + 9, 4) - 0.5f);
  RGBA c = ramp({{0.3f, rgb(150, 200, 240)}, {0.55f, rgb(210, 240, 255)}, {0.8f, rgb(250, 255, 255)}}, v);
  if (cr < 0.022f) c = mix(rgb(60, 130, 210), c, cr / 0.022f);
  if (std::fabs(n.y) > 0.8f) c = mix(c, rgb(255, 255, 255), 0.6f);
  return c;
}

RGBA lavaAlbedo(N3 n, uint32_t s) {
  float v = noiseAt(n, 2.2f, s, 5);
  return ramp({{0.3f, rgb(40, 20, 30)}, {0.6f, rgb(80, 40, 45)}, {0.8f, rgb(120, 70, 60)}}, v);
}

RGBA lavaEmission(N3 n, uint32_t s) {
  float cr = std::fabs(noiseAt(n, 2.4f, s + 3, 5) - 0.5f);
  float pool = noiseAt(n, 1.6f, s + 17, 3);
  float k = std::max(cr < 0.05f ? 1.0f - cr / 0.05f : 0.0f, smoothstep(0.62f, 0.7f, pool));
  RGBA c = mix(rgb(255, 70, 0), rgb(255, 230, 80), k * k);
  c.a = k;
  return c;
}

RGBA jungleAlbedo(N3 n, uint32_t s) {
  float v = noiseAt(n, 2.2f, s, 5);
  float d = noiseAt(n, 6.0f, s + 4, 3);
  RGBA c;
  if (v < 0.38f) c = mix(rgb(30, 110, 190), rgb(60, 170, 220), v / 0.38f);
  else c = ramp({{0.4f, rgb(190, 210, 110)}, {0.5f, rgb(60, 170, 60)}, {0.75f, rgb(20, 110, 40)}}, v);
  c = shade(c, 0.9f + 0.2f * d);
  float cloud = noiseAt(n, 3.0f, s + 40, 4);
  return mix(c, rgb(255, 255, 255), smoothstep(0.58f, 0.72f, cloud) * 0.85f);
}

RGBA desertAlbedo(N3 n, uint32_t s) {
  float w = noiseAt(n, 2.0f, s, 4);
  float dunes = 0.5f + 0.5f * std::sin(n.y * 26.0f + n.x * 6.0f + w * 9.0f);
  RGBA c = mix(rgb(230, 180, 100), rgb(250, 215, 140), dunes);
  float mesa = noiseAt(n, 2.6f, s + 8, 4);
  if (mesa > 0.64f) c = mix(c, rgb(170, 90, 50), smoothstep(0.64f, 0.68f, mesa));
  return c;
}

RGBA oceanAlbedo(N3 n, uint32_t s) {
  float v = noiseAt(n, 2.0f, s, 6);
  RGBA c;
  if (v < 0.6f) c = mix(rgb(10, 50, 150), rgb(40, 140, 230), smoothstep(0.3f, 0.6f, v));
  else if (v < 0.62f) c = rgb(240, 220, 150);
  else c = mix(rgb(80, 190, 80), rgb(40, 120, 50), smoothstep(0.62f, 0.75f, v));
  float cloud = noiseAt(n, 2.5f, s + 21, 5);
  return mix(c, rgb(255, 255, 255), smoothstep(0.55f, 0.7f, cloud) * 0.9f);
}

RGBA gasAlbedo(N3 n, uint32_t s) {
  // Latitude bands of alternating width, their edges stirred a little.
  float turb = noiseAt(n, 4.0f, s, 4);
  float lat = n.y + (turb - 0.5f) * 0.12f;
  float band = std::sin(lat * 13.0f) + 0.45f * std::sin(lat * 29.0f + 1.0f);
  RGBA c = ramp({{-1.4f, rgb(150, 80, 50)}, {-0.6f, rgb(215, 130, 70)}, {0.0f, rgb(245, 215, 170)},
                 {0.6f, rgb(230, 170, 110)}, {1.4f, rgb(255, 240, 215)}},
                band);
  // A great storm.
  float dx = (n.x - 0.35f) / 0.24f, dy = (n.y - 0.28f) / 0.12f;
  float spot = dx * dx + dy * dy;
  if (n.z > 0 && spot < 1.0f) c = mix(c, mix(rgb(200, 60, 40), rgb(240, 140, 100), spot), 1.0f - spot * spot);
  return c;
}

RGBA crystalAlbedo(N3 n, uint32_t s) {
  // Voronoi facets: the nearest of a set of points on the sphere picks the
  // facet colour; the gap to the second nearest draws the seams.
  Rng rng(s);
  float d1 = 9, d2 = 9;
  int id = 0;
  for (int i = 0; i < 36; ++i) {
    N3 p = norm3({rng.range(-1, 1), rng.range(-1, 1), rng.range(-1, 1)});
    float d = 1.0f - dot3(n, p);
    if (d < d1) {
      d2 = d1;
      d1 = d;
      id = i;
    } else if (d < d2) {
      d2 = d;
    }
  }
  float h = float(hash32(uint32_t(id) + s) & 255) / 255.0f;
  RGBA c = mix(rgb(120, 60, 220), rgb(230, 120, 255), h);
  c = mix(c, rgb(120, 230, 255), float(hash32(uint32_t(id) * 7 + s) % 5 == 0) * 0.6f);
  float edge = d2 - d1;
  if (edge < 0.02f) c = mix(rgb(255, 240, 255), c, edge / 0.02f);
  return c;
}

RGBA moonAlbedo(N3 n, uint32_t s) {
  float v = noiseAt(n, 3.0f, s, 5);
  RGBA c = ramp({{0.3f, rgb(110, 110, 120)}, {0.55f, rgb(170, 170, 180)}, {0.8f, rgb(215, 215, 220)}}, v);
  return shade(c, craterShade(n, s + 1, 22, 0.08f, 0.32f));
}

RGBA candyAlbedo(N3 n, uint32_t s) {
  float w = noiseAt(n, 1.5f, s, 3);
  float lon = std::atan2(n.x, n.z);
  float sw = std::sin(lon * 3.0f + n.y * 5.0f + w * 3.0f);
  RGBA c = sw > 0.25f ? rgb(255, 120, 190) : (sw > -0.35f ? rgb(255, 245, 250) : rgb(130, 220, 255));
  float edge = std::min(std::fabs(sw - 0.25f), std::fabs(sw + 0.35f));
  if (edge < 0.06f) c = mix(rgb(255, 190, 225), c, edge / 0.06f);
  // Sprinkles.
  float cell = 9.0f;
  int cx = int(std::floor(n.x * cell)), cy = int(std::floor(n.y * cell)), cz = int(std::floor(n.z * cell));
  uint32_t h = hash32(hash2(cx, cy, s) ^ uint32_t(cz) * 0x27d4eb2dU);
  float fx = n.x * cell - cx - 0.5f, fy = n.y * cell - cy - 0.5f, fz = n.z * cell - cz - 0.5f;
  if (h % 3 == 0 && fx * fx + fy * fy + fz * fz < 0.05f) {
    static const std::array<RGBA, 4> sprinkle = {rgb(255, 230, 60), rgb(120, 240, 120), rgb(180, 120, 255),
                                                 rgb(255, 90, 80)};
    c = sprinkle[(h >> 4) % 4];
  }
  return c;
}

const Surface kSurfaces[10] = {
    {rockAlbedo, nullptr, rgb(255, 170, 120), 0.05f},    // 0 red rock
    {iceAlbedo, nullptr, rgb(190, 240, 255), 0.5f},      // 1 ice
    {lavaAlbedo, lavaEmission, rgb(255, 110, 40), 0.1f}, // 2 lava
    {jungleAlbedo, nullptr, rgb(140, 220, 255), 0.2f},   // 3 jungle
    {desertAlbedo, nullptr, rgb(255, 220, 150), 0.05f},  // 4 desert
    {oceanAlbedo, nullptr, rgb(120, 200, 255), 0.6f},    // 5 ocean
    {gasAlbedo, nullptr, rgb(255, 220, 170), 0.1f},      // 6 gas bands
    {crystalAlbedo, nullptr, rgb(220, 160, 255), 0.8f},  // 7 crystal
    {moonAlbedo, nullptr, rgb(220, 220, 240), 0.05f},    // 8 moon
    {candyAlbedo, nullptr, rgb(255, 200, 230), 0.5f},    // 9 candy
};

void drawPlanet(Canvas& c, int type) {
  const Surface& sf = kSurfaces[type];
  uint32_t seed = 0x5eed0000u + uint32_t(type) * 977u;
  // The body is tilted a little so bands and poles are not axis-aligned.
  float tilt = 0.35f + 0.1f * float(type);
  float ct = std::cos(tilt), st = std::sin(tilt);
  const N3 light = norm3({-0.55f, -0.6f, 0.6f});
  Paint p = [=](V2 q) {
    float x = (q.x - kC.x) / kR, y = (q.y - kC.y) / kR;
    float rr = x * x + y * y;
    if (rr > 1.0f) {
      float l = std::sqrt(rr);
      x /= l;
      y /= l;
      rr = 1.0f;
    }
    N3 n{x, y, std::sqrt(std::max(0.0f, 1.0f - rr))};
    N3 b{n.x * ct - n.y * st, n.x * st + n.y * ct, n.z};  // texture space
    RGBA a = sf.albedo(b, seed);
    float diff = std::max(0.0f, dot3(n, light));
    float k = 0.22f + 0.95f * diff;
    RGBA col = shade(a, k);
    // Specular highlight.
    N3 h = norm3({light.x, light.y, light.z + 1.0f});
    float specular = std::pow(std::max(0.0f, dot3(n, h)), 40.0f) * sf.shininess;
    col = mix(col, rgb(255, 255, 255), clamp01(specular));
    // Atmosphere rim on the lit side, a cool tint on the night side.
    float rim = std::pow(1.0f - n.z, 3.0f);
    col = mix(col, sf.atmosphere, clamp01(rim * (0.35f + 0.65f * diff)) * 0.8f);
    col = mix(col, rgb(30, 20, 70), clamp01((0.25f - diff) * 1.2f) * 0.45f);
    if (sf.emission) {
      RGBA e = sf.emission(b, seed);
      col = mix(col, e, e.a * 0.95f);
    }
    col.a = 1;
    return col;
  };
  c.fill(kBox, shape::circle(kC, kR), p);
}

}  // namespace

FrameDraw planetDrawer(int planet) {
  return [planet](Canvas& c, int, Fonts&) { drawPlanet(c, planet); };
}

void drawPlanetRing(Canvas& c, int, Fonts&) {
  // A halo hugging the planet's rim: soft light rising toward the edge, a
  // bright line on it and a faint fringe just outside, with a few beads of
  // light. The fringe is gone before the picture's border (64 units from the
  // centre), so the square of the picture never shows.
  Paint halo = [](V2 p) {
    float d = len(p - kC);
    float a = d < kR ? clamp01((d - (kR - 12.0f)) / 12.0f) : clamp01((64.0f - d) / (64.0f - kR));
    return rgb(255, 250, 170, 0.55f * a * a);
  };
  c.fill(kBox, shape::circle(kC, 64), halo);
  c.fill(kBox, shape::ring(kC, kR - 0.5f, 1.4f), rgb(255, 255, 210, 0.9f));
  c.fill(kBox, shape::ring(kC, kR - 4.0f, 0.5f), rgb(255, 240, 150, 0.5f));
  for (int k = 0; k < 12; ++k) {
    V2 p = kC + rotate({0, -(kR - 0.5f)}, 30.0f * k + 8.0f);
    c.glow(kBox, shape::circle(p, 1.2f), rgb(255, 255, 255, 0.9f), 2.5f);
  }
}

}  // namespace datagen
