// Play: ten spinning planets in a row, their launch pads, the hazards and gems riding on them,
// the hero walking, jumping and flying between planets, chains, lives and the game-over panel.
//
// World layout (m_World): the hero in entries 0..22, planet p at 100 + 10p, the launch pad
// angle of planet p at 201 + 10p. Objects (m_Bads): 101 records of 10 floats shared by
// hazards and gems. Angles are degrees, 0 pointing up and growing clockwise.
//
// While the game is paused or over, nothing moves and no contact counts, but everything is
// drawn and the animation counters, destruction timers, gem chain timer and hurt timer keep
// running.
#include "game/framework.h"
#include "game/my_app.h"

namespace {

// Hero entries of m_World.
enum {
  kVSpeed = 3,        // vertical speed, positive away from the planet
  kAltitude = 4,      // above the surface, 0 standing
  kFacing = 5,        // -1 left, 0 right
  kWalk = 6,          // walk animation counter 0..15
  kLaunched = 7,      // 1 from a launch pad until the next landing
  kHeroX = 8,
  kHeroY = 9,
  kPlanet = 11,       // planet the hero belongs to
  kAngle = 12,        // hero's angle on that planet
  kStepSpeed = 13,    // vertical speed at the start of the last hero step
  kStompChain = 14,
  kGemChain = 15,
  kGemTimer = 16,
  kLaunchedFrom = 17, // the planet that cannot catch the hero back
  kHurt = 19,         // 240 after a hit, counts down to -1
  kShownAngle = 22,   // sprite angle, eased toward kAngle
};

// Planet p's fields sit at kPlanets + 10p + field; its pad angle at kPads + 10p.
const int kPlanets = 100;
const int kPads = 201;
enum { kPX = 1, kPY, kSize, kPicAngle, kBodyAngle, kSpin, kPicture, kPicture2, kPicRatio };

// Object record fields of m_Bads, and the kinds.
enum { kKind, kOn, kAt, kOwnSpeed, kRise, kTurn, kAnim = 7, kDying = 9 };
enum { kFree = 0, kHazard = 1, kGem = 2 };
const int kObjects = 101;
const int kMaxGems = 50;

const float kSurface = 125.0f;  // surface radius of a planet of size 1
const float kPlanetGap = 450.0f;

// Images and sound effects of play.
const int kSheet = 1, kHeart = 2, kPlanetArt = 10, kRing = 20;
const int kPadFrame = 16, kHazardFrames = 8, kGemFrames = 24;
enum { kSfxGem = 1, kSfxLaunch, kSfxStomp, kSfxGameOver, kSfxJump, kSfxLanding, kSfxHit };

float rnd() { return vel_random_Rnd(); }

float abs_f(float v) { return v < 0.0f ? -v : v; }

// Angles that accumulate for as long as a game lasts are kept within one turn, so that float
// precision does not wear away over hours of play. Every use goes through sin, cos or the
// shortest turn, which read the angle modulo 360 anyway.
float one_turn(float degrees) { return std::fmod(degrees, 360.0f); }

}  // namespace

int c_MyApp::m_WhichWayDoIGo(float from, float to, float lo, float hi) {
  const float span = hi + 1.0f - lo;
  auto reduce = [span](float a) {
    a = std::fmod(a, span);
    return a < 0.0f ? a + span : a;
  };
  from = reduce(from);
  to = reduce(to);
  const float d = reduce(to - from);
  // Turning back goes the short way round, measured against hi rather than a full turn.
  if (d <= 179.0f) return trunc_to_int(d);
  return trunc_to_int(-(hi - d));
}

int c_MyApp::p_LoadGame() {
  float* w = &m_World[0];
  m_Paused = 0;
  m_JumpLatch = 1;
  m_Score = 0;
  m_ShownScore = 0;
  m_GameOverTimer = 0;
  m_GameOverAnim = 0;
  m_Mode = 10;
  m_Lives = 3;
  m_CamX = m_CamY = m_CamTargetX = m_CamTargetY = 0.0f;

  if (vel_Game_HasMusicStream == 1) p_PlayTune(String("Universe"), 1);
  if (vel_Game_HasMusic == 1) {
    const char* tune = m_Difficulty == 3   ? "Retro/Jumpalong"
                       : m_Difficulty == 2 ? "Retro/Cave Digger"
                                           : "Meadow Run/Tune_12";
    m_Music->p_Tono_StartTune(String(tune), 37171650, 100);
  }

  p_ResetStars(100);
  m_ParticleMax = 250;
  for (m_Loop = 0; m_Loop <= 250; ++m_Loop) m_Particles[10 * m_Loop] = 0.0f;

  // A new world from the clock.
  vel_random_Seed = vel_app_Millisecs();
  for (m_Loop = 0; m_Loop < 31; ++m_Loop) rnd();
  const int base = trunc_to_int(rnd() * 10.0f);

  for (m_Loop = 0; m_Loop <= 499; ++m_Loop) w[m_Loop] = 0.0f;
  float previousSize = 0.75f;
  for (int p = 0; p <= 9; ++p) {
    float* planet = w + kPlanets + 10 * p;
    planet[kPX] = kPlanetGap * static_cast<float>(p);
    planet[kPY] = rnd() * 300.0f - 150.0f;
    // Neighbours always differ clearly in size.
    float size;
    do {
      size = rnd() * 0.5f + 0.85f;
    } while (abs_f(size - previousSize) <= 0.2f);
    planet[kSize] = previousSize = size;
    planet[kPicAngle] = rnd() * 360.0f;
    planet[kBodyAngle] = rnd() * 360.0f;
    planet[kSpin] = rnd() * 0.8f + 0.2f;
    if (rnd() < 0.5f) planet[kSpin] = -planet[kSpin];
    planet[kPicRatio] = rnd() * 0.25f + 0.5f;
    if (p == 5) {
      // The start planet turns slowly, its pad a quarter turn from the hero.
      planet[kSpin] = 0.2f;
      w[kPads + 10 * p] = 270.0f;
      m_CamX = m_CamTargetX = planet[kPX] - vel_Game_jscrw / 2.0f;
      m_CamY = m_CamTargetY = planet[kPY] - vel_Game_jscrh / 2.0f;
    } else {
      w[kPads + 10 * p] = rnd() * 360.0f;
    }
    planet[kPicture] = static_cast<float>((p + base) % 10);
    do {
      planet[kPicture2] = std::floor(rnd() * 9.99f);
    } while (planet[kPicture2] == planet[kPicture]);
  }
  w[kPlanet] = 5.0f;
  w[kAngle] = 0.0f;

  for (m_Loop = 0; m_Loop < kObjects; ++m_Loop) m_Bads[10 * m_Loop + kKind] = kFree;
  m_Speed = 0.7f;
  m_BadCount = m_Difficulty == 3 ? 40 : (m_Difficulty == 2 ? 25 : 15);
  // One hazard on every planet's far side from the hero's start.
  for (int p = 0; p <= 9; ++p) p_AddBad(p, 180);
  return 0;
}

int c_MyApp::p_AddBad(int planet, int angle) {
  int record = -1;
  for (m_Loop = 0; m_Loop < kObjects; ++m_Loop)
    if (m_Bads[10 * m_Loop + kKind] == kFree) record = m_Loop;
  if (record < 0) return 0;
  float* r = &m_Bads[10 * record];
  r[kKind] = kHazard;
  if (planet == -1) {
    planet = trunc_to_int(std::floor(rnd() * 9.9f));
    velPrint(String("Added ") + String(planet));
  }
  r[kOn] = static_cast<float>(planet);
  if (angle == -1) {
    // Never next to the hero: more than a quarter turn away.
    float a;
    do {
      a = rnd() * 360.0f;
    } while (std::abs(m_WhichWayDoIGo(a, m_World[kAngle], 0.0f, 359.0f)) <= 90);
    r[kAt] = a;
  } else {
    r[kAt] = static_cast<float>(angle);
  }
  r[kOwnSpeed] = rnd() * 0.4f - 0.2f;
  r[kRise] = -32.0f;
  r[kTurn] = 0.0f;
  r[kAnim] = rnd() * 17.0f;
  r[kDying] = 0.0f;
  return 0;
}

int c_MyApp::p_AddGem() {
  int record = -1;
  for (m_Loop = 0; m_Loop < kObjects; ++m_Loop)
    if (m_Bads[10 * m_Loop + kKind] == kFree) record = m_Loop;
  if (record < 0) return 0;
  const int planet = trunc_to_int(rnd() * 9.9f);
  if (static_cast<float>(planet) == m_World[kPlanet]) return 0;
  const float angle = static_cast<float>(trunc_to_int(rnd() * 35.0f) * 10);
  // Gems keep ten degrees apart.
  for (m_Loop = 0; m_Loop < kObjects; ++m_Loop) {
    const float* g = &m_Bads[10 * m_Loop];
    if (g[kKind] == kGem && std::abs(m_WhichWayDoIGo(g[kAt], angle, 0.0f, 359.0f)) < 10) return 0;
  }
  float* r = &m_Bads[10 * record];
  r[kKind] = kGem;
  r[kOn] = static_cast<float>(planet);
  r[kAt] = angle;
  r[kOwnSpeed] = 0.0f;
  r[kRise] = -32.0f;
  r[kTurn] = 0.0f;
  r[kAnim] = rnd() * 17.0f;
  r[kDying] = 0.0f;
  return 0;
}

int c_MyApp::p_Gimme(int points, float x, float y) {
  m_Score += points;
  p_AddParticle(99, x, y, 0.0f, -0.25f, points, 3, 0);  // a floating number, life 1
  return 0;
}

int c_MyApp::p_Game() {
  float* w = &m_World[0];
  const bool still = m_Paused == 1 || m_GameOverTimer > 0;
  const bool over = m_GameOverTimer > 0;

  // 1. Screen, camera easing and the stars sliding against it, steering.
  p_CLS2D(0.0f, 0.0f, 0.0f, 1.0f);
  const float dx = (m_CamX - m_CamTargetX) / 24.0f;
  const float dy = (m_CamY - m_CamTargetY) / 24.0f;
  m_CamX -= dx;
  m_CamY -= dy;
  p_DoStars(dx, dy);
  p_AnalogueControl();
  p_ResetDraw();

  const int heroPlanet = trunc_to_int(w[kPlanet]);
  const float heroX = w[kHeroX], heroY = w[kHeroY];

  // 2. Objects: ride, rise, animate, fade out, draw, touch.
  int hazards = 0, gems = 0;
  for (int b = 0; b < kObjects; ++b) {
    float* r = &m_Bads[10 * b];
    if (!(r[kKind] > 0.0f)) continue;
    const bool hazard = r[kKind] == kHazard;
    if (hazard) ++hazards;
    if (r[kKind] == kGem) ++gems;
    const int on = trunc_to_int(r[kOn]);
    const float* P = w + kPlanets + 10 * (on >= 0 && on <= 9 ? on : 0);
    if (!still) {
      if (r[kRise] == 0.0f && r[kDying] == 0.0f)
        r[kAt] = one_turn(r[kAt] + (r[kOwnSpeed] + P[kSpin]) * m_Speed);
      if (r[kRise] < 0.0f) {
        r[kRise] += rnd() * 0.2f + 0.1f;
        if (r[kRise] > 0.0f) r[kRise] = 0.0f;
      }
    }
    const float R = (kSurface + r[kRise]) * P[kSize];
    const float x = P[kPX] + deg_sin(r[kAt]) * R;
    const float y = P[kPY] - deg_cos(r[kAt]) * R;

    float frame;
    if (hazard) {
      r[kAnim] = std::fmod(r[kAnim] + 1.0f, 18.0f);
    } else {
      r[kAnim] = std::fmod(r[kAnim] + 1.0f, 15.0f);
    }
    frame = static_cast<float>(trunc_to_int(r[kAnim] / 3.0f));
    p_Alpha(1.0f);

    if (r[kDying] > 0.0f) {
      r[kDying] += 1.0f;
      frame = 6.0f;
      if (r[kDying] > 90.0f) p_Alpha(2.0f - r[kDying] / 90.0f);
      if (r[kDying] > 180.0f) {
        // Gone: the game asks for more hazards and turns faster.
        r[kKind] = kFree;
        m_BadCount = m_BadCount + 2 > 50 ? 50 : m_BadCount + 2;
        m_Speed += 0.01f;
        continue;
      }
    }

    frame += static_cast<float>(hazard ? kHazardFrames : kGemFrames);
    if (x - m_CamX > -128.0f && x - m_CamX < vel_Game_jscrw + 128.0f) {
      p_SetRot(r[kAt] + r[kTurn]);
      p_DrawImg(kSheet, x - m_CamX, y - m_CamY, frame);
    }

    if (still || on != heroPlanet || r[kRise] != 0.0f) continue;
    if (!(abs_f(x - heroX) < 16.0f && abs_f(y - heroY) < 16.0f)) continue;
    const float lift = P[kSize] * 130.0f + 20.0f;  // the score number shows just above
    const float sx = P[kPX] + deg_sin(r[kAt]) * lift;
    const float sy = P[kPY] - deg_cos(r[kAt]) * lift;
    if (!hazard) {
      w[kGemChain] += 1.0f;
      w[kGemTimer] = 90.0f;
      p_Gimme(trunc_to_int(w[kGemChain] * 5.0f), sx, sy);
      p_PlaySFX(kSfxGem, 1.0f);
      for (int d = 0; d < 360; d += 45) p_ThrowParticle(x, y, 1, 5, static_cast<float>(d), 4.0f);
      r[kKind] = kFree;
    } else if (r[kDying] == 0.0f) {
      if (w[kStepSpeed] < 0.0f) {
        // Landed on it from above: a stomp, and a bounce.
        w[kLaunched] = 0.0f;
        w[kLaunchedFrom] = static_cast<float>(heroPlanet);
        w[kVSpeed] = 5.0f;
        w[kHurt] = 5.0f;
        r[kDying] = 1.0f;
        w[kStompChain] += 1.0f;
        p_Gimme(trunc_to_int(w[kStompChain] * w[kStompChain] * 10.0f), sx, sy);
        p_PlaySFX(kSfxStomp, 1.0f);
      } else if (w[kHurt] < 1.0f && abs_f(x - heroX) < 12.0f && abs_f(y - heroY) < 12.0f) {
        r[kDying] = 1.0f;
        p_PlaySFX(kSfxHit, 1.0f);
        m_Lives -= 1;
        w[kHurt] = 240.0f;
        for (m_Loop = 0; m_Loop < 32; ++m_Loop)
          p_ThrowParticle(heroX, heroY, 1, trunc_to_int(rnd() * 2.9f + 1.0f));
      }
    }
  }

  // 3. Keep the numbers of hazards and gems up.
  if (hazards < m_BadCount) p_AddBad(-1, -1);
  if (gems < kMaxGems) p_AddGem();

  // 4. Planets: turn, catch a flying hero, draw, and their launch pads.
  for (int p = 0; p <= 9; ++p) {
    float* P = w + kPlanets + 10 * p;
    if (!still) {
      P[kPicAngle] = std::fmod(P[kPicAngle] + P[kSpin] * P[kPicRatio] * m_Speed, 360.0f);
      P[kBodyAngle] = std::fmod(P[kBodyAngle] + P[kSpin] * m_Speed, 360.0f);
    }
    const float px = P[kPX] - heroX, py = P[kPY] - heroY;
    if (!still && w[kLaunched] == 1.0f && static_cast<float>(p) != w[kPlanet] &&
        static_cast<float>(p) != w[kLaunchedFrom] &&
        std::sqrt(px * px + py * py) < P[kSize] * kSurface + 128.0f) {
      w[kPlanet] = static_cast<float>(p);
      w[kAngle] = static_cast<float>(std::atan2(-px, py) * 57.29577951308232);
      // The altitude whose point on this line lies nearest to where the hero was caught.
      float best = 10000.0f;
      w[kAltitude] = 80.0f;
      for (int h = 32; h <= 120; ++h) {
        const float reach = (static_cast<float>(h) + kSurface) * P[kSize];
        const float ex = static_cast<float>(trunc_to_int(P[kPX] + deg_sin(w[kAngle]) * reach)) - heroX;
        const float ey = static_cast<float>(trunc_to_int(P[kPY] - deg_cos(w[kAngle]) * reach)) - heroY;
        if (ex * ex + ey * ey < best) {
          best = ex * ex + ey * ey;
          w[kAltitude] = static_cast<float>(h);
        }
      }
      w[kVSpeed] = 0.0f;
    }

    const float screenX = P[kPX] - m_CamX, screenY = P[kPY] - m_CamY;
    if (screenX > -400.0f && screenX < vel_Game_jscrw + 400.0f) {
      p_ResetDraw();
      p_SetSize(2.0f * P[kSize]);
      p_SetRot(m_Options[20] == 0 ? P[kBodyAngle] : P[kPicAngle]);
      p_DrawImg(kPlanetArt + trunc_to_int(P[kPicture]), screenX, screenY, 0.0f);
      if (static_cast<float>(p) == w[kPlanet]) p_DrawImg(kRing, screenX, screenY, 0.0f);
      if (m_Options[20] == 1) {
        p_SetSize(2.1f * P[kSize]);
        p_SetRot(P[kBodyAngle]);
        p_Alpha(0.4f);
        p_DrawImg(kPlanetArt + trunc_to_int(P[kPicture2]), screenX, screenY, 0.0f);
      }
    }

    float& pad = w[kPads + 10 * p];
    if (!still) pad = one_turn(pad + P[kSpin] * m_Speed);
    const float padX = P[kPX] + deg_sin(pad) * P[kSize] * kSurface;
    const float padY = P[kPY] - deg_cos(pad) * P[kSize] * kSurface;
    if (!still && w[kLaunched] == 0.0f && static_cast<float>(p) == w[kPlanet] &&
        abs_f(padX - heroX) < 10.0f && abs_f(padY - heroY) < 4.0f) {
      w[kLaunchedFrom] = static_cast<float>(p);
      w[kVSpeed] = 5.0f;
      w[kLaunched] = 1.0f;
      p_PlaySFX(kSfxLaunch, 1.0f);
      w[kStompChain] += 3.0f;
    }
    p_ResetDraw();
    p_SetRot(pad);
    p_DrawImg(kSheet, padX - m_CamX, padY - m_CamY, static_cast<float>(kPadFrame));
  }

  // 5. The hero's position, and the camera heads for it.
  const int q = trunc_to_int(w[kPlanet]);
  const float* Q = w + kPlanets + 10 * (q >= 0 && q <= 9 ? q : 0);
  const float heroR = (w[kAltitude] + kSurface) * Q[kSize];
  w[kHeroX] = Q[kPX] + deg_sin(w[kAngle]) * heroR;
  w[kHeroY] = Q[kPY] - deg_cos(w[kAngle]) * heroR;
  m_CamTargetX = w[kHeroX] - vel_Game_jscrw / 2.0f;
  m_CamTargetY = w[kHeroY] - vel_Game_jscrh / 2.0f;

  // 6-7. The sprite turns toward the hero's angle at most 12 degrees an update; its frame.
  int turn = m_WhichWayDoIGo(w[kShownAngle], w[kAngle], 0.0f, 359.0f);
  turn = turn < -12 ? -12 : (turn > 12 ? 12 : turn);
  if (std::abs(turn) < 6) w[kShownAngle] = w[kAngle];
  w[kShownAngle] = one_turn(w[kShownAngle] + static_cast<float>(turn));
  float heroFrame = static_cast<float>(trunc_to_int(std::fmod(w[kWalk] * 0.25f, 4.0f)));
  if (w[kAltitude] > 0.0f) heroFrame = 4.0f;

  // 8. Blinking after a hit; after the last life the hero is gone.
  if (!over) {
    if (w[kHurt] > -1.0f) w[kHurt] -= 1.0f;
    const int blink = trunc_to_int(std::fmod(w[kHurt], 30.0f));
    p_ResetDraw();
    p_SetRot(w[kShownAngle]);
    if (w[kFacing] == -1.0f) p_SetSize(-1.0f, 1.0f);
    if ((blink >= 11 && blink <= 17) || (blink >= 23 && blink <= 29)) p_Alpha(0.4f);
    if (blink < 18 || blink > 22)
      p_DrawImg(kSheet, w[kHeroX] - m_CamX, w[kHeroY] - m_CamY, heroFrame);
    p_ResetDraw();
  }

  // 9. Gravity: weaker while the jump control is held, weaker still in flight.
  const bool jumpHeld = p_PlayKey(0, 1, 0) != 0 || p_PlayKey(10, 1, 0) != 0;
  float carried = 1.0f;
  if (!still) {
    float v = w[kVSpeed];
    w[kStepSpeed] = v;
    if (w[kLaunched] == 0.0f) {
      v -= 0.1f;
      if (!jumpHeld) {
        v -= 0.2f;
        m_JumpLatch = 0;
      }
    } else {
      v -= 0.05f;
    }
    if (v < -4.0f) v = -4.0f;
    w[kAltitude] += v;
    if (w[kAltitude] < 0.0f) {
      if (v < -1.0f) p_PlaySFX(kSfxLanding, 1.0f);
      w[kAltitude] = 0.0f;
      v = 0.0f;
      w[kStompChain] = 0.0f;
      if (w[kLaunched] != 0.0f) {
        w[kLaunched] = 0.0f;
        w[kLaunchedFrom] = 0.0f;
      }
    } else {
      carried = 1.0f - w[kAltitude] / 24.0f;
      carried = carried < 0.0f ? 0.0f : (carried > 1.0f ? 1.0f : carried);
    }
    w[kVSpeed] = v;
  }

  // 10. A gem chain lasts 90 updates after its last gem.
  w[kGemTimer] -= 1.0f;
  if (w[kGemTimer] < 0.0f) {
    w[kGemTimer] = 0.0f;
    w[kGemChain] = 0.0f;
  }

  // 11. Walking, carried by the spin as far as the hero touches the ground.
  if (!still) {
    w[kAngle] += carried * Q[kSpin] * m_Speed;
    const float steer = m_SteerX;
    if (steer < -0.2f || steer > 0.2f) {
      w[kFacing] = steer < 0.0f ? -1.0f : 0.0f;
      w[kAngle] += steer * (2.0f - Q[kSize]) * m_Speed * (w[kLaunched] != 0.0f ? 0.2f : 1.0f);
      w[kWalk] = std::fmod(w[kWalk] + 1.0f, 16.0f);
    }
    if (abs_f(steer) < 0.2f) w[kWalk] = 0.0f;
    w[kAngle] = one_turn(w[kAngle]);

    // 12. Jump, from the ground only and once per press.
    if (jumpHeld && m_JumpLatch == 0 && w[kAltitude] == 0.0f) {
      w[kStompChain] = 0.0f;
      w[kVSpeed] = 4.0f;
      m_JumpLatch = 1;
      p_PlaySFX(kSfxJump, 1.0f);
      w[kLaunched] = 0.0f;
    }
  }

  // 13-15. Particles, the score counting up to its value, the HUD.
  p_DoParticles();
  const int shown = m_ShownScore - (m_ShownScore - m_Score) / 6;
  m_ShownScore = std::abs(shown - m_Score) > 5 ? shown : m_Score;
  if (m_HideHud == 0) {
    p_ResetDraw();
    p_SetSize(2.0f);
    p_SetCol(100.0f, 255.0f, 100.0f, 0.8f);
    p_Text(vel_Game_jscrw / 2.0f, 32.0f, p_rstr(m_ShownScore, 8, String("0")), 1.0f, 1.0f);
    p_ResetDraw();
    p_SetSize(0.5f);
    const int heartsX = trunc_to_int(vel_Game_jscrw / 2.0f + 64.0f);
    for (m_Loop = 0; m_Loop <= 3; ++m_Loop) {
      p_Alpha(m_Loop <= m_Lives ? 1.0f : 0.3f);
      p_DrawImg(kHeart, static_cast<float>(heartsX + 8 * m_Loop), m_Loop % 2 == 0 ? 20.0f : 30.0f,
                0.0f);
    }
    p_ResetDraw();
  }

  // 16. The last life is gone.
  if (m_Lives < 0 && m_GameOverTimer == 0) {
    m_GameOverTimer = 1;
    p_PlaySFX(kSfxGameOver, 1.0f);
    p_StopTune();
  }
  return 0;
}

int c_MyApp::p_GameOver() {
  if (m_GameOverAnim >= 1) {
    const float W = vel_Game_jscrw, H = vel_Game_jscrh;
    const float k = static_cast<float>(m_GameOverAnim);
    p_ResetDraw();
    p_SetCol(0.0f, 0.0f, 0.0f, k / 40.0f < 0.7f ? k / 40.0f : 0.7f);
    p_Rect(-1.0f, -1.0f, W + 2.0f, H + 2.0f);
    const float g = static_cast<float>(std::min(12 * m_GameOverAnim, trunc_to_int(H * 0.45f)));
    p_SetCol(255.0f, 255.0f, 0.0f, 0.5f);
    p_Rect(-1.0f, H * 0.45f - 8.0f, 2.0f * g, 16.0f);
    p_SetCol(255.0f, 128.0f, 0.0f, 0.5f);
    p_Rect(W - 2.0f * g, H * 0.55f - 8.0f, 2.0f * g + 1.0f, 16.0f);
    p_SetSize(4.0f);
    p_SetCol(255.0f, 180.0f, 180.0f, 1.0f);
    p_Text(W * 0.35f, g, String("GAME"), 1.0f, 1.0f);
    p_Text(W * 0.65f, H - g, String("OVER"), 1.0f, 1.0f);
    p_MyNth();
    if (m_Loop > 0) {
      p_SetCol(0.0f, 125.0f, 255.0f, 0.5f);
      p_Rect(W * 0.35f, H - g / 1.5f - 16.0f, W * 0.3f, 32.0f);
      p_SetSize(2.0f);
      p_SetCol(100.0f, 255.0f, 100.0f, 1.0f);
      p_Text(W / 2.0f, H - g / 1.5f, String("New Highscore\\n           ") + p_MyNth(), 0.5f, 2.0f);
    }
    p_ResetDraw();
  }
  if (m_Mode == 10) {
    ++m_GameOverAnim;
    if (m_GameOverAnim == 90) {
      m_Mode = 2;
      m_GameOverAnim = 75;
      m_Music->p_Tono_Stop(1);  // nothing to stop when it never played
      if (vel_Game_HasMusicStream == 1) p_StopTune();
    }
  } else if (m_Mode < 10) {
    m_GameOverAnim = m_GameOverAnim > 2 ? m_GameOverAnim - 2 : 0;
  }
  return 0;
}
