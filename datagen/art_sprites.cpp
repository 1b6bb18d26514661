// The gameplay sprites ("gfx") and the HUD heart.
//
// Gameplay frames are placed with the cell centre on the planet's surface and
// turned so that the cell's top points away from the planet, so every figure
// stands on the horizontal centre line (y = 16 of 32) with nothing below it.
#include <cmath>

#include "datagen/sheets.h"

namespace datagen {

namespace {

constexpr float kGround = 16.0f;
constexpr float kPi = 3.14159265f;

const RGBA kInk = rgb(40, 22, 60);  // outline colour shared by the figures

// A shape with a dark outline underneath and a lit gradient on top.
void inked(Canvas& c, const Box& b, const Sdf& s, const Paint& p, float outline = 0.8f) {
  c.fill(b, shape::grow(s, outline), kInk);
  c.fill(b, s, p);
}

Paint litBall(V2 centre, float r, RGBA base) {
  V2 light = centre + V2{-r * 0.45f, -r * 0.55f};
  RGBA hi = mix(base, rgb(255, 255, 255), 0.45f), lo = shade(base, 0.62f);
  return [=](V2 p) {
    float t = clamp01(len(p - light) / (r * 1.7f));
    return t < 0.5f ? mix(hi, base, t * 2) : mix(base, lo, (t - 0.5f) * 2);
  };
}

const Box kCell{0, 0, 32, 32};

void drawHero(Canvas& c, int frame) {
  // Zipkin: a round orange alien with one big eye, an antenna and two purple
  // feet. Walking: the feet spread on frames 0 and 2 and pass each other,
  // one lifted, on frames 1 and 3. Frame 4 is the jump pose.
  bool air = frame == 4;
  float ph = float(frame) / 4.0f * 2 * kPi;
  float bob = air ? -1.2f : -0.6f * std::fabs(std::sin(ph));
  RGBA body = rgb(255, 146, 38), feet = rgb(120, 60, 190);
  V2 bc{16, 7.6f + bob};
  // Antenna behind the body.
  V2 tip{12.8f + (air ? -1.0f : 0.4f * std::sin(ph)), 1.5f + bob * 0.5f};
  c.fill(kCell, shape::segment({14.8f, bc.y - 4}, tip, 1.1f), kInk);
  c.fill(kCell, shape::segment({14.8f, bc.y - 4}, tip, 0.45f), rgb(90, 60, 120));
  inked(c, kCell, shape::circle(tip, 1.2f), litBall(tip, 1.2f, rgb(60, 230, 255)), 0.6f);
  // Legs and feet.
  for (int side = 0; side < 2; ++side) {
    float s = side == 0 ? 1.0f : -1.0f;
    float fx = air ? 16 + s * 2.6f : 16 + s * 3.0f * std::cos(ph);
    float lift = air ? 0.0f : std::max(0.0f, s * std::sin(ph)) * 1.8f;
    float fy = (air ? kGround - 2.6f : kGround - 1.6f) - lift;
    V2 hip{16 + s * 1.8f, bc.y + 4.0f};
    c.fill(kCell, shape::segment(hip, {fx, fy - 0.6f}, 1.3f), kInk);
    c.fill(kCell, shape::segment(hip, {fx, fy - 0.6f}, 0.65f), shade(feet, 0.9f));
    Sdf foot = shape::ellipse({fx + 0.9f, fy}, 2.4f, 1.3f);
    inked(c, kCell, foot, paint::linear({0, fy - 1.5f}, {0, fy + 1.5f}, mix(feet, rgb(255, 255, 255), 0.35f), feet),
          0.6f);
  }
  // Body: a round blob, a little stretched when jumping.
  Sdf bodyShape = air ? shape::ellipse(bc, 5.2f, 6.0f) : shape::circle(bc, 5.6f);
  inked(c, kCell, bodyShape, litBall(bc, 5.6f, body));
  c.fill(kCell, shape::intersect(shape::ellipse({bc.x + 0.4f, bc.y + 2.8f}, 3.4f, 2.4f), bodyShape),
         rgb(255, 214, 140, 0.85f));
  // Eye, looking right (the game mirrors the sprite for walking left).
  V2 eye{bc.x + 2.0f, bc.y - 1.2f};
  c.fill(kCell, shape::ellipse(eye, 2.5f, 2.8f), kInk);
  c.fill(kCell, shape::ellipse(eye, 2.0f, 2.3f), rgb(255, 255, 255));
  c.fill(kCell, shape::circle(eye + V2{0.8f, air ? -0.6f : 0.2f}, 1.15f), rgb(30, 20, 50));
  c.fill(kCell, shape::circle(eye + V2{0.3f, -0.7f}, 0.45f), rgb(255, 255, 255));
  // Smile (a wide open grin in the air).
  Sdf smile = air ? shape::intersect(shape::circle({bc.x + 2.2f, bc.y + 2.0f}, 1.4f),
                                     [=](V2 p) { return (bc.y + 2.0f) - p.y; })
                  : shape::intersect(shape::ring({bc.x + 2.2f, bc.y + 1.2f}, 2.0f, 0.35f),
                                     [=](V2 p) { return (bc.y + 1.9f) - p.y; });
  c.fill(kCell, smile, kInk);
  // Little arm nub on the back, raised in the air.
  V2 hand = air ? V2{bc.x - 5.6f, bc.y - 2.8f} : V2{bc.x - 5.4f, bc.y + 1.2f + 0.8f * std::sin(ph)};
  inked(c, kCell, shape::circle(hand, 1.3f), litBall(hand, 1.3f, body), 0.6f);
}

void drawHazard(Canvas& c, int i) {
  // A spiky alien critter that breathes and turns its spikes over six frames.
  float ph = float(i) / 6.0f * 2 * kPi;
  V2 bc{16, 9.0f};
  float rOut = 7.0f + 0.5f * std::sin(ph);
  RGBA body = rgb(214, 52, 160);
  Sdf spikes = shape::star(bc, rOut, 4.8f, 10, float(i) * 6.0f);
  inked(c, kCell, spikes, paint::radial(bc, rOut, rgb(255, 120, 200), rgb(150, 20, 110)), 0.7f);
  Sdf bodyShape = shape::circle(bc, 5.0f);
  c.fill(kCell, bodyShape, litBall(bc, 5, body));
  // Two eyes with angry brows, blinking on the last frame.
  for (int s = -1; s <= 1; s += 2) {
    V2 e{bc.x + s * 1.9f, bc.y - 0.4f};
    if (i == 5) {
      c.fill(kCell, shape::segment(e - V2{1.1f, 0}, e + V2{1.1f, 0}, 0.4f), kInk);
      continue;
    }
    c.fill(kCell, shape::circle(e, 1.55f), rgb(255, 250, 120));
    c.fill(kCell, shape::circle(e + V2{0.35f * s * -0.2f + 0.3f, 0.3f}, 0.75f), kInk);
    c.fill(kCell, shape::segment(e + V2{-1.5f * s, -2.0f}, e + V2{0.9f * s, -1.3f}, 0.42f), kInk);
  }
  // Grinning teeth.
  Sdf mouth = shape::roundRect({bc.x, bc.y + 2.6f}, {2.2f, 0.8f}, 0.6f);
  c.fill(kCell, mouth, kInk);
  for (int t = -1; t <= 1; ++t)
    c.fill(kCell, shape::polygon({{bc.x + t * 1.3f - 0.5f, bc.y + 1.9f}, {bc.x + t * 1.3f + 0.5f, bc.y + 1.9f},
                                  {bc.x + t * 1.3f, bc.y + 2.9f}}),
           rgb(255, 255, 255));
}

void drawSquashed(Canvas& c) {
  V2 bc{16, 13.6f};
  Sdf flat = shape::scaled(shape::star(bc, 7.0f, 4.8f, 10, 0), bc, 1.25f, 0.38f);
  inked(c, kCell, flat, paint::linear({0, 11}, {0, 16}, rgb(255, 120, 200), rgb(150, 20, 110)), 0.6f);
  for (int s = -1; s <= 1; s += 2) {
    V2 e{bc.x + s * 2.6f, bc.y - 0.2f};
    c.fill(kCell, shape::segment(e + V2{-0.8f, -0.8f}, e + V2{0.8f, 0.8f}, 0.32f), kInk);
    c.fill(kCell, shape::segment(e + V2{-0.8f, 0.8f}, e + V2{0.8f, -0.8f}, 0.32f), kInk);
  }
  // Dizzy stars above.
  const V2 st[3] = {{10, 8}, {16, 5.5f}, {22, 8}};
  for (int k = 0; k < 3; ++k) {
    c.fill(kCell, shape::grow(shape::star(st[k], 1.9f, 0.8f, 5, k * 20.0f), 0.45f), kInk);
    c.fill(kCell, shape::star(st[k], 1.9f, 0.8f, 5, k * 20.0f), rgb(255, 240, 90));
  }
}

void drawPad(Canvas& c) {
  // A springboard: base plate, coiled spring, bright top plate and an arrow.
  Sdf base = shape::roundRect({16, 14.5f}, {7.5f, 1.5f}, 1.0f);
  inked(c, kCell, base, paint::linear({0, 13}, {0, 16}, rgb(170, 180, 200), rgb(80, 90, 110)), 0.6f);
  for (int k = 0; k < 4; ++k) {
    float x = 10.5f + k * 3.4f;
    c.fill(kCell, shape::polygon({{x, 13.2f}, {x + 1.4f, 13.2f}, {x + 0.6f, 15.8f}, {x - 0.8f, 15.8f}}),
           rgb(255, 210, 40));
  }
  for (int k = 0; k < 3; ++k) {
    float y = 12.6f - k * 1.2f;
    c.fill(kCell, shape::segment({12.5f, y}, {19.5f, y - 0.6f}, 0.5f), kInk);
    c.fill(kCell, shape::segment({12.5f, y}, {19.5f, y - 0.6f}, 0.28f), rgb(210, 220, 235));
  }
  Sdf top = shape::roundRect({16, 8.9f}, {6.8f, 1.1f}, 1.0f);
  inked(c, kCell, top, paint::linear({0, 7.8f}, {0, 10}, rgb(255, 120, 90), rgb(220, 40, 60)), 0.6f);
  Sdf arrow = shape::polygon({{16, 1.2f}, {20.2f, 5.4f}, {17.6f, 5.4f}, {17.6f, 7.2f}, {14.4f, 7.2f},
                              {14.4f, 5.4f}, {11.8f, 5.4f}});
  c.glow(kCell, arrow, rgb(120, 255, 230, 0.55f), 2.0f);
  c.fill(kCell, arrow, paint::linear({0, 1}, {0, 7}, rgb(230, 255, 255), rgb(60, 230, 210)));
}

void sparkle(Canvas& c, V2 p, float r, float alpha) {
  if (r <= 0.05f || alpha <= 0) return;
  Sdf s = shape::star(p, r, r * 0.22f, 4, 0);
  c.glow(kCell, shape::circle(p, r * 0.25f), rgb(255, 255, 255, 0.6f * alpha), r * 0.9f);
  c.fill(kCell, s, rgb(255, 255, 255, alpha));
}

void drawGem(Canvas& c, int i) {
  // A cut gem standing on its point above the surface line, with a sparkle
  // that travels over its facets through the five-frame loop.
  float top = 4.0f, gird = 8.2f, bottom = 15.4f;
  V2 L{9.2f, gird}, R{22.8f, gird}, TL{12.2f, top}, TR{19.8f, top}, B{16, bottom};
  Sdf outline = shape::polygon({TL, TR, R, B, L});
  c.glow(kCell, outline, rgb(120, 255, 220, 0.35f), 3.0f);
  c.fill(kCell, shape::grow(outline, 0.7f), kInk);
  RGBA g0 = rgb(60, 230, 170), g1 = rgb(150, 255, 220), g2 = rgb(20, 160, 140), g3 = rgb(200, 255, 240);
  V2 CT{16, top}, CG{16, gird};
  c.fill(kCell, shape::polygon({TL, CT, CG, L}), g1);
  c.fill(kCell, shape::polygon({CT, TR, R, CG}), g0);
  c.fill(kCell, shape::polygon({L, CG, B}), g0);
  c.fill(kCell, shape::polygon({CG, R, B}), g2);
  c.fill(kCell, shape::polygon({TL + V2{1.2f, 0.6f}, CT + V2{0, 0.6f}, CG + V2{-2.5f, -0.8f}}), g3);
  // Facet lines.
  c.fill(kCell, shape::segment(L, R, 0.18f), rgb(255, 255, 255, 0.6f));
  c.fill(kCell, shape::segment(CG, B, 0.15f), rgb(255, 255, 255, 0.35f));
  float t = float(i) / 5.0f;
  sparkle(c, {12.0f + 8.0f * t, 5.5f + 5.5f * t}, 3.6f * std::sin(kPi * (t + 0.1f)), 1.0f);
  sparkle(c, {20.5f - 3 * t, 11.5f - 5 * t}, i == 2 ? 2.0f : (i == 3 ? 1.2f : 0.0f), 0.9f);
}

}  // namespace

void drawGameSprite(Canvas& c, int frame, Fonts&) {
  // Clip to the upper half of the cell: whatever reaches below the surface
  // line (outlines, glows) is cut off there.
  c.setFrame(c.originX(), c.originY(), 32, kGround);
  if (frame <= 4) drawHero(c, frame);
  else if (frame >= 8 && frame <= 13) drawHazard(c, frame - 8);
  else if (frame == 14) drawSquashed(c);
  else if (frame == 16) drawPad(c);
  else if (frame >= 24 && frame <= 28) drawGem(c, frame - 24);
}

void drawHeart(Canvas& c, int, Fonts&) {
  std::vector<V2> pts;
  for (int k = 0; k < 96; ++k) {
    float t = 2 * kPi * float(k) / 96.0f;
    float x = 16 * std::pow(std::sin(t), 3.0f);
    float y = 13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t);
    pts.push_back({16 + x * 0.8f, 15.5f - y * 0.8f});
  }
  Sdf heart = shape::polygon(pts);
  c.fill(kCell, shape::grow(heart, 1.2f), kInk);
  c.fill(kCell, heart, paint::radial({11, 9}, 22, rgb(255, 120, 140), rgb(200, 20, 60)));
  c.fill(kCell, shape::rotated(shape::ellipse({10.5f, 10}, 3.4f, 2.0f), {10.5f, 10}, -35), rgb(255, 255, 255, 0.8f));
  c.fill(kCell, shape::circle({14.5f, 8.2f}, 0.9f), rgb(255, 255, 255, 0.7f));
}

}  // namespace datagen
