// Stars and particles: two preallocated pools of 10-float records drawn from image 96 (the
// particle sheet). Every random draw advances the one generator the whole program shares,
// in the order listed next to each operation.
#include "game/framework.h"
#include "game/my_app.h"

namespace {

const int kRecord = 10;

// Particle record slots.
enum { kKind, kX, kY, kVX, kVY, kAngle, kSpin, kLife, kInk, kFrame };
// Star record slots.
enum { kStarFrame, kStarX, kStarY, kStarSpeed };

float rnd(float a, float b) { return vel_random_Rnd2(a, b); }

bool missing(float v) { return v == kUnset; }

}  // namespace

int c_MyApp::p_Rand(float lo, float hi) {
  return trunc_to_int(std::floor(vel_random_Rnd() * ((hi + 0.99f) - lo) + lo));
}

int c_MyApp::p_ResetStars(int n) {
  if (n >= 1 && n <= 499) m_StarCount = n;
  const float W = vel_Game_jscrw, H = vel_Game_jscrh;
  for (int i = 0; i <= m_StarCount; ++i) {
    float* s = &m_Stars[i * kRecord];
    s[kStarFrame] = static_cast<float>(p_Rand(0.0f, 255.0f));
    s[kStarX] = rnd(-8.0f, W + 8.0f);
    s[kStarY] = rnd(-8.0f, H + 8.0f);
    s[kStarSpeed] = rnd(0.2f, 0.8f);
  }
  return 0;
}

int c_MyApp::p_DoStars(float dx, float dy) {
  const float W = vel_Game_jscrw, H = vel_Game_jscrh;
  const float m = vel_Game_overscan + 16.0f;
  const float spanX = W + 2.0f * m, spanY = H + 2.0f * m;
  p_ResetDraw();
  for (int i = 0; i <= m_StarCount; ++i) {
    float* s = &m_Stars[i * kRecord];
    s[kStarX] += dx * s[kStarSpeed];
    s[kStarY] += dy * s[kStarSpeed];
    // A star that leaves one side comes back on the other, renewed across the other axis.
    auto renew_y = [&]() {
      s[kStarY] = rnd(-8.0f, H + 8.0f);
      s[kStarSpeed] = rnd(0.2f, 0.8f);
      s[kStarFrame] = static_cast<float>(p_Rand(0.0f, 255.0f));
    };
    auto renew_x = [&]() {
      s[kStarX] = rnd(-8.0f, W + 8.0f);
      s[kStarSpeed] = rnd(0.2f, 0.8f);
      s[kStarFrame] = static_cast<float>(p_Rand(0.0f, 255.0f));
    };
    if (s[kStarX] < -m) {
      s[kStarX] += spanX;
      renew_y();
    }
    if (s[kStarX] > W + m) {
      s[kStarX] -= spanX;
      renew_y();
    }
    if (s[kStarY] < -m) {
      s[kStarY] += spanY;
      renew_x();
    }
    if (s[kStarY] > H + m) {
      s[kStarY] -= spanY;
      renew_x();
    }
    if (m_DrawCount <= kLastCommandStart) {
      float* c = &m_DrawList[m_DrawCount];
      c[0] = 96.0f;
      c[1] = s[kStarX];
      c[2] = s[kStarY];
      c[3] = m_Rot;
      c[4] = m_SizeX;
      c[5] = m_SizeY;
      c[6] = s[kStarFrame];
      c[7] = s[kStarSpeed];
      c[10] = m_ColR;
      c[11] = m_ColG;
      c[12] = m_ColB;
      c[13] = 1.0f;
      m_DrawCount += kCommandFloats;
    }
  }
  p_ResetDraw();
  return 0;
}

int c_MyApp::p_ResetParticles(int n) {
  if (n >= 1 && n <= 499) m_ParticleMax = n;
  for (int i = 0; i <= m_ParticleMax; ++i) m_Particles[i * kRecord + kKind] = 0.0f;
  return 0;
}

float c_MyApp::p_FreeParticle() {
  float found = -1.0f;
  for (int i = 0; i <= m_ParticleMax; ++i)
    if (m_Particles[i * kRecord + kKind] == 0.0f) found = static_cast<float>(i * kRecord);
  return found;
}

int c_MyApp::p_AddParticle(int kind, float x, float y, float vx, float vy, int frame, int ink,
                           int life) {
  const float at = p_FreeParticle();
  if (at < 0.0f) return 0;
  float* p = &m_Particles[static_cast<int>(at)];
  p[kKind] = static_cast<float>(kind);
  p[kX] = x;
  p[kY] = y;
  p[kVX] = vx;
  p[kVY] = vy;
  p[kAngle] = static_cast<float>(p_Rand(0.0f, 360.0f));
  p[kSpin] = rnd(-7.0f, 7.0f);
  p[kLife] = static_cast<float>(life) + 1.0f;
  p[kInk] = static_cast<float>(ink);
  p[kFrame] = static_cast<float>(frame);
  return 0;
}

int c_MyApp::p_ThrowParticle(float x, float y, int kind, int ink, float angle, float speed) {
  if (missing(angle)) angle = rnd(0.0f, 360.0f);
  if (missing(speed)) speed = rnd(3.0f, 8.0f);
  const float at = p_FreeParticle();
  if (at < 0.0f) return 0;
  float* p = &m_Particles[static_cast<int>(at)];
  p[kKind] = static_cast<float>(kind);
  p[kX] = x;
  p[kY] = y;
  p[kVX] = deg_sin(angle) * speed;
  p[kVY] = -deg_cos(angle) * speed;
  p[kAngle] = rnd(0.0f, 360.0f);
  p[kSpin] = rnd(-8.0f, 8.0f);
  p[kLife] = rnd(0.7f, 1.3f);
  p[kInk] = static_cast<float>(ink);
  p[kFrame] = static_cast<float>(p_Rand(0.0f, 255.0f));
  return 0;
}

int c_MyApp::p_DoParticles() {
  p_ResetDraw();
  for (int i = 0; i <= m_ParticleMax; ++i) {
    float* p = &m_Particles[i * kRecord];
    const float kind = p[kKind];
    if (!(kind > 0.0f)) continue;
    p[kX] += p[kVX];
    p[kY] += p[kVY];
    p[kAngle] += p[kSpin];
    p_SetRot(kind == 99.0f ? 0.0f : p[kAngle]);  // score pop-ups stay upright
    if (kind == 2.0f) {
      p[kVX] *= 0.95f;
      p[kVY] += 0.2f;
    }
    p_Alpha(p[kLife] < 1.0f ? p[kLife] : 1.0f);
    p_SetSize(1.0f, 1.0f);
    p_Ink(trunc_to_int(p[kInk]), 1);
    if (kind > 0.0f && kind < 10.0f) p_DrawImg(96, p[kX] - m_CamX, p[kY] - m_CamY, p[kFrame]);
    if (kind == 99.0f) p_Text(p[kX] - m_CamX, p[kY] - m_CamY, String(trunc_to_int(p[kFrame])), 1.0f, 1.0f);
    p[kLife] -= 0.01f;
    if (p[kLife] < 0.0f) p[kKind] = 0.0f;
  }
  p_ResetDraw();
  return 0;
}

int c_MyApp::p_Ink(int ink, int level) {
  static const float kInks[10][3] = {{0.3f, 0.3f, 0.3f}, {1.0f, 0.1f, 0.1f}, {1.0f, 0.5f, 0.1f},
                                     {1.0f, 1.0f, 0.1f}, {0.1f, 1.0f, 0.1f}, {0.1f, 1.0f, 1.0f},
                                     {0.1f, 0.1f, 1.0f}, {0.5f, 0.1f, 1.0f}, {1.0f, 0.1f, 0.5f},
                                     {1.0f, 1.0f, 1.0f}};
  const float* f = kInks[(ink >= 1 && ink <= 9) ? ink : 0];
  auto channel = [&](float factor) {
    const float v = factor * static_cast<float>(level) * 255.0f;
    return v < 0.0f ? 0.0f : (v > 255.0f ? 255.0f : v);
  };
  m_ColR = channel(f[0]);
  m_ColG = channel(f[1]);
  m_ColB = channel(f[2]);
  return 0;
}
