// Menu and interface art: icons, buttons, direction pad, particles, badges,
// the title logo, the studio logo, the credits card and the menu panels.
//
// Pieces that the game tints (particles, the quit / resume icons, the
// selection ring) are drawn in white and greys so the tint decides their hue.
#include <array>
#include <cmath>

#include "datagen/noise.h"
#include "datagen/sheets.h"
#include "datagen/text.h"

namespace datagen {

namespace {

constexpr float kPi = 3.14159265f;
const RGBA kInk = rgb(40, 22, 60);
const RGBA kWhite = rgb(255, 255, 255);

Box cell(float w, float h) { return {0, 0, w, h}; }

// A glossy round button: dark rim, gradient body, a soft highlight on top.
void glossyDisc(Canvas& c, const Box& b, V2 ctr, float r, RGBA top, RGBA bottom, float rim = 1.5f) {
  c.fill(b, shape::circle(ctr, r + rim), kInk);
  c.fill(b, shape::circle(ctr, r), paint::linear(ctr - V2{0, r}, ctr + V2{0, r}, top, bottom));
  c.fill(b, shape::ellipse(ctr - V2{0, r * 0.45f}, r * 0.7f, r * 0.4f), rgb(255, 255, 255, 0.28f));
}

Sdf arrowShape(V2 ctr, float size, float deg) {
  // An arrow pointing up, turned by deg.
  std::vector<V2> pts = {{0, -1.0f}, {0.85f, -0.05f}, {0.35f, -0.05f}, {0.35f, 0.8f},
                         {-0.35f, 0.8f}, {-0.35f, -0.05f}, {-0.85f, -0.05f}};
  for (V2& p : pts) p = ctr + rotate(p * size, deg);
  return shape::polygon(pts);
}

Sdf checkShape(V2 ctr, float s) {
  return shape::unite(shape::segment(ctr + V2{-0.6f, 0.0f} * s, ctr + V2{-0.15f, 0.45f} * s, 0.16f * s),
                      shape::segment(ctr + V2{-0.15f, 0.45f} * s, ctr + V2{0.65f, -0.5f} * s, 0.16f * s));
}

Sdf heartShape(V2 ctr, float s) {
  std::vector<V2> pts;
  for (int k = 0; k < 64; ++k) {
    float t = 2 * kPi * float(k) / 64.0f;
    float x = 16 * std::pow(std::sin(t), 3.0f);
    float y = 13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t);
    pts.push_back(ctr + V2{x / 17.0f, -y / 17.0f + 0.1f} * s);
  }
  return shape::polygon(pts);
}

Sdf boltShape(V2 ctr, float s) {
  std::vector<V2> pts = {{0.15f, -1.0f}, {-0.55f, 0.12f}, {-0.05f, 0.12f}, {-0.25f, 1.0f},
                         {0.55f, -0.18f}, {0.05f, -0.18f}};
  for (V2& p : pts) p = ctr + p * s;
  return shape::polygon(pts);
}

Sdf gemShape(V2 ctr, float s) {
  std::vector<V2> pts = {{-0.45f, -0.7f}, {0.45f, -0.7f}, {0.9f, -0.2f}, {0, 0.95f}, {-0.9f, -0.2f}};
  for (V2& p : pts) p = ctr + p * s;
  return shape::polygon(pts);
}

Sdf crownShape(V2 ctr, float s) {
  std::vector<V2> pts = {{-0.9f, 0.6f}, {-0.9f, -0.55f}, {-0.45f, -0.05f}, {0, -0.8f},
                         {0.45f, -0.05f}, {0.9f, -0.55f}, {0.9f, 0.6f}};
  for (V2& p : pts) p = ctr + p * s;
  return shape::polygon(pts);
}

Sdf moonShape(V2 ctr, float s) {
  return shape::subtract(shape::circle(ctr, 0.85f * s), shape::circle(ctr + V2{0.45f, -0.3f} * s, 0.7f * s));
}

Sdf planetShape(V2 ctr, float s) {
  return shape::unite(shape::circle(ctr, 0.55f * s),
                      shape::subtract(shape::rotated(shape::ellipse(ctr, 1.0f * s, 0.28f * s), ctr, -20),
                                      shape::rotated(shape::ellipse(ctr, 0.78f * s, 0.14f * s), ctr, -20)));
}

Sdf rocketShape(V2 ctr, float s) {
  std::vector<V2> body = {{0, -1.0f}, {0.35f, -0.5f}, {0.35f, 0.45f}, {0.7f, 0.85f}, {0.25f, 0.7f},
                          {0, 0.8f}, {-0.25f, 0.7f}, {-0.7f, 0.85f}, {-0.35f, 0.45f}, {-0.35f, -0.5f}};
  for (V2& p : body) p = ctr + rotate(p * s, 35);
  return shape::polygon(body);
}

}  // namespace

// ---- common/icons: 0 pause, 1 quit, 3 play / resume, 6 selection ring ----

void drawIcon(Canvas& c, int frame, Fonts&) {
  Box b = cell(32, 32);
  V2 m{16, 16};
  switch (frame) {
    case 0: {
      c.fill(b, shape::roundRect(m, {13, 13}, 5), kInk);
      c.fill(b, shape::roundRect(m, {11.5f, 11.5f}, 4),
             paint::linear({0, 4}, {0, 28}, rgb(90, 160, 255), rgb(40, 70, 200)));
      c.fill(b, shape::roundRect({11.5f, 16}, {2.2f, 6.5f}, 1.2f), kWhite);
      c.fill(b, shape::roundRect({20.5f, 16}, {2.2f, 6.5f}, 1.2f), kWhite);
      break;
    }
    case 1:
    case 3: {
      c.fill(b, shape::circle(m, 14.5f), rgb(90, 90, 90));
      c.fill(b, shape::circle(m, 13.2f), paint::linear({0, 3}, {0, 29}, rgb(255, 255, 255), rgb(200, 200, 200)));
      c.fill(b, shape::ellipse({16, 9.5f}, 9, 4.5f), rgb(255, 255, 255, 0.6f));
      if (frame == 1) {
        c.fill(b, shape::segment({10.5f, 10.5f}, {21.5f, 21.5f}, 2.4f), rgb(60, 60, 60));
        c.fill(b, shape::segment({10.5f, 21.5f}, {21.5f, 10.5f}, 2.4f), rgb(60, 60, 60));
      } else {
        Sdf tri = shape::polygon({{12.5f, 8.5f}, {23.5f, 16}, {12.5f, 23.5f}});
        c.fill(b, shape::grow(tri, 0.8f), rgb(60, 60, 60));
      }
      break;
    }
    case 6: {
      c.glow(b, shape::ring(m, 13.0f, 1.2f), rgb(255, 255, 255, 0.6f), 2.5f);
      c.fill(b, shape::ring(m, 13.0f, 1.3f), kWhite);
      for (int k = 0; k < 4; ++k) {
        V2 p = m + rotate({0, -13.0f}, 45.0f + 90.0f * k);
        c.fill(b, shape::star(p, 3.0f, 1.0f, 4, 0), kWhite);
      }
      break;
    }
    default:
      break;
  }
}

// ---- common/Buttons: 0..2 difficulty icons, 8..10 cog layers, 12 controller ----

void drawButton(Canvas& c, int frame, Fonts& f) {
  Box b = cell(64, 64);
  V2 m{32, 32};
  if (frame <= 2) {
    static const RGBA top[3] = {rgb(140, 240, 110), rgb(255, 210, 80), rgb(255, 110, 110)};
    static const RGBA bot[3] = {rgb(30, 150, 60), rgb(230, 120, 20), rgb(190, 30, 60)};
    static const char* label[3] = {"EASY", "NORMAL", "HARD"};
    glossyDisc(c, b, m, 27, top[frame], bot[frame], 2.0f);
    int n = frame + 1;
    for (int k = 0; k < n; ++k) {
      float x = 32 + (k - (n - 1) / 2.0f) * 13.0f;
      float y = 25 - (n == 3 && k == 1 ? 3.0f : 0.0f);
      Sdf s = shape::star({x, y}, 7.0f, 3.0f, 5, 0);
      c.fill(b, shape::grow(s, 1.2f), kInk);
      c.fill(b, s, paint::linear({0, y - 7}, {0, y + 6}, rgb(255, 255, 200), rgb(255, 200, 40)));
    }
    TextStyle st;
    st.size = frame == 1 ? 10.5f : 12.0f;
    st.fill = paint::solid(kWhite);
    st.outline = 1.3f;
    st.outlineColour = kInk;
    drawText(c, f.bold(), label[frame], 32, 47, st);
  } else if (frame == 8) {
    Sdf g = shape::subtract(shape::gear(m, 24.5f, 30.0f, 12, 0), shape::circle(m, 19.0f));
    c.fill(b, shape::grow(g, 1.2f), kInk);
    c.fill(b, g, paint::linear({0, 2}, {0, 62}, rgb(200, 225, 255), rgb(80, 120, 190)));
    for (int k = 0; k < 12; ++k)
      c.fill(b, shape::circle(m + rotate({0, -21.8f}, 15.0f + 30.0f * k), 0.9f), rgb(60, 90, 150));
  } else if (frame == 9) {
    Sdf g = shape::subtract(shape::gear(m, 13.5f, 17.5f, 8, 0), shape::circle(m, 9.0f));
    c.fill(b, shape::grow(g, 1.1f), kInk);
    c.fill(b, g, paint::linear({0, 14}, {0, 50}, rgb(255, 230, 120), rgb(220, 140, 20)));
  } else if (frame == 10) {
    Sdf hub = shape::circle(m, 7.5f);
    c.fill(b, shape::grow(hub, 1.0f), kInk);
    c.fill(b, hub, paint::radial({29, 29}, 10, rgb(255, 170, 120), rgb(220, 70, 50)));
    for (int k = 0; k < 3; ++k)
      c.fill(b, shape::segment(m, m + rotate({0, -5.5f}, 120.0f * k), 1.1f), rgb(255, 240, 220));
    c.fill(b, shape::circle(m, 2.0f), rgb(255, 240, 220));
  } else if (frame == 12) {
    Sdf pad = shape::unite(shape::roundRect({32, 30}, {20, 10}, 8),
                           shape::unite(shape::circle({17, 38}, 8.5f), shape::circle({47, 38}, 8.5f)));
    c.fill(b, shape::grow(pad, 1.5f), kInk);
    c.fill(b, pad, paint::linear({0, 20}, {0, 47}, rgb(235, 235, 250), rgb(150, 150, 175)));
    c.fill(b, shape::roundRect({20, 31}, {5.5f, 1.8f}, 0.8f), rgb(60, 60, 80));
    c.fill(b, shape::roundRect({20, 31}, {1.8f, 5.5f}, 0.8f), rgb(60, 60, 80));
    static const RGBA bc[4] = {rgb(80, 200, 80), rgb(230, 60, 60), rgb(60, 120, 240), rgb(250, 200, 40)};
    static const V2 bp[4] = {{44, 35}, {48.5f, 30.5f}, {39.5f, 30.5f}, {44, 26}};
    for (int k = 0; k < 4; ++k) c.fill(b, shape::circle(bp[k], 2.4f), bc[k]);
    c.fill(b, shape::roundRect({32, 27}, {2.5f, 1.2f}, 0.8f), rgb(90, 90, 110));
  }
}

// ---- common/dpad: 0..3 arrows up, right, down, left; 4 centre; 5..8 face
// buttons A, B, X, Y; 9 stick base; 10 stick knob ----

void drawDpad(Canvas& c, int frame, Fonts& f) {
  Box b = cell(32, 32);
  V2 m{16, 16};
  if (frame <= 3) {
    c.fill(b, shape::roundRect(m, {14, 14}, 6), rgb(20, 20, 40, 0.55f));
    c.fill(b, shape::subtract(shape::roundRect(m, {14, 14}, 6), shape::roundRect(m, {12.5f, 12.5f}, 5)),
           rgb(255, 255, 255, 0.7f));
    c.fill(b, arrowShape(m, 9.5f, 90.0f * frame), kWhite);
  } else if (frame == 4) {
    c.fill(b, shape::circle(m, 12), rgb(20, 20, 40, 0.5f));
    c.fill(b, shape::ring(m, 11.2f, 0.9f), rgb(255, 255, 255, 0.7f));
  } else if (frame <= 8) {
    static const RGBA col[4] = {rgb(80, 210, 80), rgb(240, 70, 70), rgb(70, 130, 250), rgb(250, 205, 50)};
    static const char* lab[4] = {"A", "B", "X", "Y"};
    glossyDisc(c, b, m, 12.5f, mix(col[frame - 5], kWhite, 0.35f), shade(col[frame - 5], 0.75f), 1.2f);
    TextStyle st;
    st.size = 14;
    st.fill = paint::solid(kWhite);
    st.outline = 0.8f;
    st.outlineColour = kInk;
    drawText(c, f.bold(), lab[frame - 5], 16, 21, st);
  } else if (frame == 9) {
    c.fill(b, shape::circle(m, 15), rgb(20, 20, 40, 0.45f));
    c.fill(b, shape::ring(m, 14.2f, 0.8f), rgb(255, 255, 255, 0.6f));
  } else if (frame == 10) {
    glossyDisc(c, b, m, 9, rgb(240, 240, 255), rgb(150, 150, 180), 1.0f);
  }
}

// ---- parts: white and grey dots, sparks and tiny stars, 8 by 8 each ----

void drawParticle(Canvas& c, int frame, Fonts&) {
  Rng rng(0x9a47u + uint32_t(frame) * 31u);
  Box b = cell(8, 8);
  V2 m{4, 4};
  float grey = 0.55f + 0.45f * rng.uniform();
  RGBA col{grey, grey, grey, 1.0f};
  float pick = rng.uniform();
  float size = rng.range(0.6f, 1.0f);
  if (pick < 0.40f) {
    // A dot with a soft edge.
    float r = 0.5f + 1.3f * size * size;
    c.glow(b, shape::circle(m, r * 0.6f), col, r * 0.8f + 0.4f);
  } else if (pick < 0.60f) {
    // A four-point sparkle.
    c.glow(b, shape::circle(m, 0.5f), {col.r, col.g, col.b, 0.6f}, 1.8f);
    c.fill(b, shape::star(m, 3.6f * size, 0.55f, 4, rng.uniform() < 0.5f ? 0.0f : 45.0f), col);
  } else if (pick < 0.72f) {
    c.fill(b, shape::star(m, 3.5f * size, 1.5f * size, 5, rng.range(0, 72)), col);
  } else if (pick < 0.82f) {
    c.glow(b, shape::circle(m, 0.6f), {col.r, col.g, col.b, 0.8f}, 3.3f * size);
  } else if (pick < 0.92f) {
    float a = rng.uniform() < 0.5f ? 0.0f : 45.0f;
    c.fill(b, shape::segment(m + rotate({0, -3.2f * size}, a), m + rotate({0, 3.2f * size}, a), 0.45f), col);
    c.fill(b, shape::segment(m + rotate({-3.2f * size, 0}, a), m + rotate({3.2f * size, 0}, a), 0.45f), col);
  } else {
    c.fill(b, shape::ring(m, 2.4f * size, 0.5f), col);
  }
}

// ---- BadgesA: 64 badge icons (0 is the "Test Badge") ----

void drawBadge(Canvas& c, int frame, Fonts&) {
  Box b = cell(64, 64);
  V2 m{32, 31};
  static const std::array<RGBA, 8> hue = {rgb(70, 200, 120), rgb(255, 190, 50), rgb(80, 160, 255),
                                          rgb(250, 90, 120), rgb(170, 100, 250), rgb(255, 140, 60),
                                          rgb(60, 210, 220), rgb(200, 200, 215)};
  RGBA base = hue[(frame / 8 + frame) % 8];
  // Ribbon tails.
  for (int s = -1; s <= 1; s += 2) {
    Sdf tail = shape::polygon({{32 + s * 4.0f, 44}, {32 + s * 14.0f, 44}, {32 + s * 13.0f, 62},
                               {32 + s * 8.5f, 57}, {32 + s * 4.0f, 62}});
    c.fill(b, shape::grow(tail, 1.0f), kInk);
    c.fill(b, tail, shade(hue[(frame + 3) % 8], 0.85f));
  }
  // Scalloped rosette and a glossy medal.
  Sdf ros = shape::scallop(m, 25.5f, 1.8f, 16, float(frame) * 3.0f);
  c.fill(b, shape::grow(ros, 1.2f), kInk);
  c.fill(b, ros, shade(base, 0.8f));
  c.fill(b, shape::circle(m, 19.5f), kInk);
  c.fill(b, shape::circle(m, 18.3f), paint::linear({0, 13}, {0, 49}, mix(base, kWhite, 0.45f), shade(base, 0.7f)));
  c.fill(b, shape::ring(m, 15.5f, 0.6f), rgb(255, 255, 255, 0.55f));
  // Symbol.
  Sdf sym;
  V2 sc = m;
  switch (frame % 8) {
    case 0: sym = checkShape(sc, 13); break;
    case 1: sym = shape::star(sc, 12, 5, 5, 0); break;
    case 2: sym = heartShape(sc, 11); break;
    case 3: sym = planetShape(sc, 12); break;
    case 4: sym = boltShape(sc, 12); break;
    case 5: sym = gemShape(sc, 11); break;
    case 6: sym = crownShape(sc, 11); break;
    default: sym = (frame / 8) % 2 ? rocketShape(sc, 12) : moonShape(sc, 12); break;
  }
  c.fill(b, shape::grow(sym, 1.3f), kInk);
  c.fill(b, sym, paint::linear({0, 19}, {0, 43}, rgb(255, 255, 255), rgb(255, 235, 170)));
  // Rank pips along the bottom: one to eight.
  int pips = frame / 8 + 1;
  for (int k = 0; k < pips; ++k) {
    float x = 32 + (k - (pips - 1) / 2.0f) * 3.6f;
    c.fill(b, shape::circle({x, 46.5f}, 1.2f), kWhite);
  }
  c.fill(b, shape::ellipse({27, 20}, 7, 3.5f), rgb(255, 255, 255, 0.3f));
}

// ---- logo: the game's title ----

void drawLogo(Canvas& c, int, Fonts& f) {
  Box b = cell(256, 128);
  // An orbit and a small ringed planet behind the letters.
  Sdf orbit = shape::rotated(shape::subtract(shape::ellipse({128, 64}, 124, 34), shape::ellipse({128, 64}, 121, 31.5f)),
                             {128, 64}, -8);
  c.fill(b, orbit, rgb(120, 220, 255, 0.75f));
  V2 pc{222, 26};
  c.fill(b, shape::circle(pc, 16.5f), kInk);
  c.fill(b, shape::circle(pc, 15), paint::radial({216, 20}, 22, rgb(255, 160, 220), rgb(160, 40, 170)));
  Sdf pring = shape::rotated(shape::subtract(shape::ellipse(pc, 25, 6.5f), shape::ellipse(pc, 20, 4.0f)), pc, -20);
  c.fill(b, shape::grow(pring, 1.0f), kInk);
  c.fill(b, pring, rgb(255, 230, 120));
  for (int k = 0; k < 6; ++k) {
    static const V2 sp[6] = {{18, 18}, {40, 108}, {236, 100}, {100, 10}, {168, 118}, {8, 70}};
    c.fill(b, shape::star(sp[k], 4.5f - (k % 3), 1.2f, 4, 0), rgb(255, 255, 220));
  }
  TextStyle big;
  big.size = 54;
  big.fill = paint::linear({0, 22}, {0, 66}, rgb(255, 245, 120), rgb(255, 120, 30));
  big.outline = 3.2f;
  big.outlineColour = rgb(60, 20, 90);
  big.shadow = 3.0f;
  big.shadowColour = rgb(20, 0, 40, 0.55f);
  big.bounce = 1.5f;
  drawText(c, f.bold(), "Zipkin", 118, 70, big);
  TextStyle small;
  small.size = 30;
  small.fill = paint::linear({0, 82}, {0, 108}, rgb(170, 255, 255), rgb(40, 170, 255));
  small.outline = 2.4f;
  small.outlineColour = rgb(20, 30, 90);
  small.shadow = 2.0f;
  small.shadowColour = rgb(0, 0, 40, 0.5f);
  drawText(c, f.bold(), "in Direv", 140, 110, small);
}

// ---- common/WoblLogo: the studio emblem ----

void drawStudioLogo(Canvas& c, int, Fonts& f) {
  // The emblem keeps a margin inside its cell: drawn small as the menu's info button it
  // must stay clear of the score list's heading below it.
  Box b = cell(256, 256);
  V2 m{128, 128};
  const float k = 0.8f;
  auto at = [&](float x, float y) { return m + V2{(x - 128) * k, (y - 128) * k}; };
  std::vector<V2> blob;
  for (int i = 0; i < 180; ++i) {
    float a = 2 * kPi * float(i) / 180.0f;
    float r = (108 + 7 * std::sin(a * 5 + 0.5f) + 3 * std::sin(a * 9)) * k;
    blob.push_back(m + V2{std::sin(a) * r, -std::cos(a) * r});
  }
  Sdf s = shape::polygon(blob);
  c.fill(b, shape::grow(s, 8 * k), kInk);
  c.fill(b, shape::grow(s, 5 * k), rgb(255, 255, 255));
  c.fill(b, s, paint::linear(at(0, 20), at(0, 236), rgb(60, 225, 200), rgb(20, 110, 170)));
  c.fill(b, shape::ellipse(at(110, 70), 70 * k, 28 * k), rgb(255, 255, 255, 0.22f));
  // Three wobbling dots above the name.
  static const RGBA dot[3] = {rgb(255, 110, 140), rgb(255, 220, 80), rgb(140, 240, 110)};
  for (int i = 0; i < 3; ++i) {
    V2 p = at(92.0f + 36.0f * i, 78.0f + (i == 1 ? -8.0f : 0.0f));
    c.fill(b, shape::circle(p, 13.5f * k), kInk);
    c.fill(b, shape::circle(p, 11 * k),
           paint::radial(p - V2{4 * k, 4 * k}, 16 * k, mix(dot[i], kWhite, 0.5f), dot[i]));
  }
  TextStyle st;
  st.size = 64 * k;
  st.fill = paint::solid(kWhite);
  st.outline = 3.5f * k;
  st.outlineColour = kInk;
  st.bounce = 3.0f * k;
  V2 name = at(128, 160);
  drawText(c, f.bold(), "WOBL", name.x, name.y, st);
  TextStyle sub;
  sub.size = 22 * k;
  sub.spacing = 6 * k;
  sub.fill = paint::solid(rgb(255, 240, 150));
  sub.outline = 2.0f * k;
  sub.outlineColour = kInk;
  V2 games = at(128, 196);
  drawText(c, f.bold(), "GAMES", games.x, games.y, sub);
}

// ---- common/Testcard_Circle: the credits title card ----

void drawTestcard(Canvas& c, int, Fonts& f) {
  Box b = cell(256, 256);
  V2 m{128, 128};
  c.fill(b, shape::circle(m, 124), kInk);
  // Rainbow wedges round the rim.
  for (int k = 0; k < 12; ++k) {
    float a0 = 30.0f * k;
    V2 p0 = m + rotate({0, -121}, a0), p1 = m + rotate({0, -121}, a0 + 30);
    V2 q = m + rotate({0, -135}, a0 + 15);
    Sdf wedge = shape::intersect(shape::circle(m, 120), shape::polygon({m, p0, q, p1}));
    float h = float(k) / 12.0f;
    RGBA col = {0.5f + 0.5f * std::cos(2 * kPi * h), 0.5f + 0.5f * std::cos(2 * kPi * (h - 1.0f / 3)),
                0.5f + 0.5f * std::cos(2 * kPi * (h - 2.0f / 3)), 1};
    c.fill(b, shape::grow(wedge, -0.6f), col);
  }
  c.fill(b, shape::circle(m, 98), kInk);
  c.fill(b, shape::circle(m, 95), paint::linear({0, 33}, {0, 223}, rgb(60, 50, 130), rgb(20, 20, 60)));
  // A grid of fine lines inside, like a test card.
  for (int k = -4; k <= 4; ++k) {
    Sdf v = shape::intersect(shape::segment({128.0f + 20 * k, 20}, {128.0f + 20 * k, 236}, 0.6f), shape::circle(m, 94));
    Sdf h = shape::intersect(shape::segment({20, 128.0f + 20 * k}, {236, 128.0f + 20 * k}, 0.6f), shape::circle(m, 94));
    c.fill(b, v, rgb(255, 255, 255, 0.18f));
    c.fill(b, h, rgb(255, 255, 255, 0.18f));
  }
  // The credit lines roll across the middle of the card, so the middle stays plain:
  // colour bars along the bottom, the title band across the top.
  for (int k = 0; k < 6; ++k) {
    static const RGBA bar[6] = {rgb(255, 255, 255), rgb(255, 235, 0), rgb(0, 230, 255),
                                rgb(0, 220, 0), rgb(255, 0, 200), rgb(255, 40, 40)};
    Sdf t = shape::intersect(shape::roundRect({73.0f + 22 * k, 198}, {11, 9}, 0), shape::circle(m, 94));
    c.fill(b, t, bar[k]);
  }
  c.fill(b, shape::ring(m, 60, 0.8f), rgb(255, 255, 255, 0.35f));
  V2 band{128, 50};
  c.fill(b, shape::roundRect(band, {90, 19}, 6), kInk);
  c.fill(b, shape::roundRect(band, {87, 16}, 5), paint::linear({0, 34}, {0, 66}, rgb(255, 240, 120), rgb(255, 150, 40)));
  TextStyle st;
  st.size = 26;
  st.spacing = 2;
  st.fill = paint::solid(kWhite);
  st.outline = 2.5f;
  st.outlineColour = kInk;
  drawText(c, f.bold(), "CREDITS", 128, 59, st);
}

// ---- menu: four menu panels ----

void drawMenuPanel(Canvas& c, int frame, Fonts&) {
  Box b = cell(256, 256);
  V2 m{128, 128};
  static const RGBA top[4] = {rgb(80, 140, 255), rgb(180, 100, 255), rgb(90, 220, 140), rgb(255, 160, 70)};
  static const RGBA bot[4] = {rgb(30, 40, 140), rgb(70, 30, 140), rgb(20, 110, 80), rgb(170, 60, 30)};
  c.fill(b, shape::roundRect(m, {124, 124}, 26), kInk);
  c.fill(b, shape::roundRect(m, {119, 119}, 22), paint::linear({0, 9}, {0, 247}, top[frame], bot[frame]));
  c.fill(b, shape::roundRect(m + V2{0, 10}, {100, 92}, 14), rgb(10, 10, 40, 0.45f));
  c.fill(b, shape::subtract(shape::roundRect(m, {119, 119}, 22), shape::roundRect(m + V2{0, 8}, {122, 116}, 22)),
         rgb(255, 255, 255, 0.35f));
  // Corner studs.
  for (int k = 0; k < 4; ++k) {
    V2 p{k % 2 ? 228.0f : 28.0f, k / 2 ? 228.0f : 28.0f};
    c.fill(b, shape::circle(p, 5), kInk);
    c.fill(b, shape::circle(p, 3.8f), paint::radial(p - V2{1.5f, 1.5f}, 5, kWhite, rgb(170, 170, 190)));
  }
}

}  // namespace datagen
