#include "datagen/canvas.h"

#include <algorithm>

namespace datagen {

V2 rotate(V2 p, float deg) {
  float r = deg * 3.14159265f / 180.0f;
  float c = std::cos(r), s = std::sin(r);
  return {p.x * c - p.y * s, p.x * s + p.y * c};
}

RGBA rgb(int r, int g, int b, float a) { return {r / 255.0f, g / 255.0f, b / 255.0f, a}; }

RGBA mix(RGBA a, RGBA b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
          a.a + (b.a - a.a) * t};
}

RGBA shade(RGBA c, float k) {
  return {clamp01(c.r * k), clamp01(c.g * k), clamp01(c.b * k), c.a};
}

float clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

float smoothstep(float e0, float e1, float x) {
  float t = clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

namespace shape {

Sdf circle(V2 c, float r) {
  return [=](V2 p) { return len(p - c) - r; };
}

Sdf ellipse(V2 c, float rx, float ry) {
  // First-order distance estimate: exact on the axes, smooth elsewhere, which
  // is all the one-pixel anti-aliased edge needs.
  return [=](V2 p) {
    V2 q = p - c;
    float k0 = std::sqrt((q.x / rx) * (q.x / rx) + (q.y / ry) * (q.y / ry));
    float k1 = std::sqrt((q.x / (rx * rx)) * (q.x / (rx * rx)) + (q.y / (ry * ry)) * (q.y / (ry * ry)));
    if (k1 < 1e-6f) return -std::min(rx, ry);
    return k0 * (k0 - 1.0f) / k1;
  };
}

Sdf ring(V2 c, float r, float halfWidth) {
  return [=](V2 p) { return std::fabs(len(p - c) - r) - halfWidth; };
}

Sdf roundRect(V2 c, V2 half, float radius) {
  return [=](V2 p) {
    float qx = std::fabs(p.x - c.x) - half.x + radius;
    float qy = std::fabs(p.y - c.y) - half.y + radius;
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
  };
}

Sdf segment(V2 a, V2 b, float r) {
  return [=](V2 p) {
    V2 pa = p - a, ba = b - a;
    float l2 = dot(ba, ba);
    float h = l2 > 0 ? std::clamp(dot(pa, ba) / l2, 0.0f, 1.0f) : 0.0f;
    return len(pa - ba * h) - r;
  };
}

Sdf polygon(std::vector<V2> v) {
  Box bb{v[0].x, v[0].y, v[0].x, v[0].y};
  for (V2 q : v) {
    bb.x0 = std::min(bb.x0, q.x);
    bb.y0 = std::min(bb.y0, q.y);
    bb.x1 = std::max(bb.x1, q.x);
    bb.y1 = std::max(bb.y1, q.y);
  }
  return [v = std::move(v), bb](V2 p) {
    // Far from the bounding box, the distance to the box is a lower bound
    // that is all the rasteriser needs (it only culls at such distances).
    float dx = std::max({bb.x0 - p.x, 0.0f, p.x - bb.x1}), dy = std::max({bb.y0 - p.y, 0.0f, p.y - bb.y1});
    float boxDist = std::sqrt(dx * dx + dy * dy);
    if (boxDist > 16.0f) return boxDist;
    size_t n = v.size();
    float d = dot(p - v[0], p - v[0]);
    float s = 1.0f;
    for (size_t i = 0, j = n - 1; i < n; j = i, ++i) {
      V2 a = v[i], b = v[j];
      // Crossing test for the sign (even-odd rule).
      bool c1 = p.y >= a.y, c2 = p.y < b.y;
      V2 e = b - a, w = p - a;
      bool c3 = e.x * w.y > e.y * w.x;
      if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
      // Skip the exact distance when the edge's box is already further away.
      float bx = std::max({std::min(a.x, b.x) - p.x, 0.0f, p.x - std::max(a.x, b.x)});
      float by = std::max({std::min(a.y, b.y) - p.y, 0.0f, p.y - std::max(a.y, b.y)});
      if (bx * bx + by * by >= d) continue;
      float h = std::clamp(dot(w, e) / dot(e, e), 0.0f, 1.0f);
      V2 q = w - e * h;
      d = std::min(d, dot(q, q));
    }
    return s * std::sqrt(d);
  };
}

Sdf star(V2 c, float rOut, float rIn, int points, float rotDeg) {
  std::vector<V2> pts;
  for (int i = 0; i < points * 2; ++i) {
    float r = (i % 2 == 0) ? rOut : rIn;
    V2 d = rotate({0, -r}, rotDeg + 180.0f * float(i) / float(points));
    pts.push_back(c + d);
  }
  return polygon(pts);
}

Sdf gear(V2 c, float rRoot, float rTip, int teeth, float rotDeg) {
  // Trapezoid teeth: each tooth spans half of its pitch at the root and a
  // little less at the tip.
  std::vector<V2> pts;
  for (int i = 0; i < teeth; ++i) {
    float a0 = rotDeg + 360.0f * float(i) / float(teeth);
    float step = 360.0f / float(teeth);
    float fr[4] = {0.0f, 0.12f, 0.40f, 0.52f};
    float rr[4] = {rRoot, rTip, rTip, rRoot};
    for (int k = 0; k < 4; ++k) pts.push_back(c + rotate({0, -rr[k]}, a0 + fr[k] * step));
  }
  return polygon(pts);
}

Sdf scallop(V2 c, float r, float amp, int waves, float rotDeg) {
  float rot = rotDeg * 3.14159265f / 180.0f;
  return [=](V2 p) {
    V2 q = p - c;
    float l = len(q);
    float a = std::atan2(q.x, -q.y) - rot;
    float edge = r + amp * std::cos(float(waves) * a);
    // Divide by the slope of the edge so the value stays a distance near it.
    float slope = amp * float(waves) / std::max(l, 1e-3f);
    return (l - edge) / std::sqrt(1.0f + slope * slope);
  };
}

Sdf unite(Sdf a, Sdf b) {
  return [=](V2 p) { return std::min(a(p), b(p)); };
}
Sdf intersect(Sdf a, Sdf b) {
  return [=](V2 p) { return std::max(a(p), b(p)); };
}
Sdf subtract(Sdf a, Sdf b) {
  return [=](V2 p) { return std::max(a(p), -b(p)); };
}
Sdf grow(Sdf a, float by) {
  return [=](V2 p) { return a(p) - by; };
}
Sdf rotated(Sdf a, V2 centre, float deg) {
  return [=](V2 p) { return a(centre + rotate(p - centre, -deg)); };
}
Sdf scaled(Sdf a, V2 centre, float sx, float sy) {
  float k = std::min(sx, sy);
  return [=](V2 p) {
    V2 q = p - centre;
    return a(centre + V2{q.x / sx, q.y / sy}) * k;
  };
}

}  // namespace shape

namespace paint {
Paint solid(RGBA c) {
  return [=](V2) { return c; };
}
Paint linear(V2 a, V2 b, RGBA ca, RGBA cb) {
  V2 d = b - a;
  float l2 = dot(d, d);
  return [=](V2 p) { return mix(ca, cb, clamp01(dot(p - a, d) / l2)); };
}
Paint radial(V2 c, float r, RGBA inner, RGBA outer) {
  return [=](V2 p) { return mix(inner, outer, clamp01(len(p - c) / r)); };
}
}  // namespace paint

Canvas::Canvas(int pixelWidth, int pixelHeight, float scale)
    : w_(pixelWidth), h_(pixelHeight), scale_(scale), px_(size_t(pixelWidth) * pixelHeight * 4, 0.0f) {
  clearFrame();
}

void Canvas::setFrame(float x, float y, float w, float h) {
  ox_ = x;
  oy_ = y;
  cx0_ = x;
  cy0_ = y;
  cx1_ = x + w;
  cy1_ = y + h;
}

void Canvas::clearFrame() {
  ox_ = oy_ = 0;
  cx0_ = cy0_ = 0;
  cx1_ = w_ / scale_;
  cy1_ = h_ / scale_;
}

void Canvas::blend(int x, int y, RGBA c, float coverage, Blend mode) {
  float a = clamp01(c.a * coverage);
  if (a <= 0) return;
  float* d = pixel(x, y);
  switch (mode) {
    case Blend::Over:
      d[0] = c.r * a + d[0] * (1 - a);
      d[1] = c.g * a + d[1] * (1 - a);
      d[2] = c.b * a + d[2] * (1 - a);
      d[3] = a + d[3] * (1 - a);
      break;
    case Blend::Add:
      d[0] = std::min(1.0f, d[0] + c.r * a);
      d[1] = std::min(1.0f, d[1] + c.g * a);
      d[2] = std::min(1.0f, d[2] + c.b * a);
      d[3] = std::min(1.0f, d[3] + a * std::max(c.r, std::max(c.g, c.b)));
      // Keep premultiplied colour within alpha.
      d[3] = std::max(d[3], std::max(d[0], std::max(d[1], d[2])));
      break;
    case Blend::Erase:
      for (int i = 0; i < 4; ++i) d[i] *= (1 - a);
      break;
  }
}

void Canvas::fill(const Box& box, const Sdf& sdf, const Paint& paint, float feather, Blend mode) {
  // The edge ramp: one pixel wide, or wider for feathered shapes.
  float edge = 1.0f / scale_ + feather;
  shapeLoop(box, sdf, 0.5f * edge, [&](int x, int y, V2 p, float d) {
    float cov = clamp01(0.5f - d / edge);
    if (cov > 0) blend(x, y, paint(p), cov, mode);
  });
}

void Canvas::fill(const Box& box, const Sdf& sdf, RGBA c, float feather, Blend mode) {
  fill(box, sdf, paint::solid(c), feather, mode);
}

void Canvas::glow(const Box& box, const Sdf& sdf, RGBA c, float radius, Blend mode) {
  shapeLoop(box, sdf, radius, [&](int x, int y, V2, float d) {
    float t = d <= 0 ? 1.0f : 1.0f - d / radius;
    if (t > 0) blend(x, y, c, t * t, mode);
  });
}

template <class F>
void Canvas::shapeLoop(const Box& box, const Sdf& sdf, float reach, F&& each) {
  float ux0 = std::max(box.x0 + ox_, cx0_), uy0 = std::max(box.y0 + oy_, cy0_);
  float ux1 = std::min(box.x1 + ox_, cx1_), uy1 = std::min(box.y1 + oy_, cy1_);
  int px0 = std::max(0, int(std::floor(ux0 * scale_)));
  int py0 = std::max(0, int(std::floor(uy0 * scale_)));
  int px1 = std::min(w_, int(std::ceil(ux1 * scale_)));
  int py1 = std::min(h_, int(std::ceil(uy1 * scale_)));
  float inv = 1.0f / scale_;
  // Tiles of 8 by 8 pixels: the distance at a tile's centre bounds the
  // distance anywhere in it (a distance changes at most as fast as the point
  // moves), so a tile whose centre is further out than its half diagonal plus
  // the shape's reach is skipped whole. The factor 1.5 leaves room for the
  // shapes whose distance is an estimate (ellipses, scaled shapes).
  const int T = 8;
  float half = T * 0.7072f * inv;
  for (int ty = py0; ty < py1; ty += T) {
    for (int tx = px0; tx < px1; tx += T) {
      int ex = std::min(px1, tx + T), ey = std::min(py1, ty + T);
      V2 mid{(tx + ex) * 0.5f * inv - ox_, (ty + ey) * 0.5f * inv - oy_};
      float dm = sdf(mid);
      if (dm > 1.5f * (half + reach)) continue;
      if (dm < -1.5f * (half + reach)) {
        // The whole tile is deep inside: no distance needed per pixel.
        for (int y = ty; y < ey; ++y)
          for (int x = tx; x < ex; ++x) each(x, y, V2{(x + 0.5f) * inv - ox_, (y + 0.5f) * inv - oy_}, -1e9f);
        continue;
      }
      for (int y = ty; y < ey; ++y)
        for (int x = tx; x < ex; ++x) {
          V2 p{(x + 0.5f) * inv - ox_, (y + 0.5f) * inv - oy_};
          each(x, y, p, sdf(p));
        }
    }
  }
}

void Canvas::blitMask(const std::vector<float>& mask, int w, int h, int px, int py, RGBA c) {
  blitMask(mask, w, h, px, py, paint::solid(c));
}

void Canvas::blitMask(const std::vector<float>& mask, int w, int h, int px, int py, const Paint& paint) {
  float inv = 1.0f / scale_;
  int cpx0 = int(std::floor(cx0_ * scale_)), cpy0 = int(std::floor(cy0_ * scale_));
  int cpx1 = int(std::ceil(cx1_ * scale_)), cpy1 = int(std::ceil(cy1_ * scale_));
  for (int y = 0; y < h; ++y) {
    int ty = py + y;
    if (ty < std::max(0, cpy0) || ty >= std::min(h_, cpy1)) continue;
    for (int x = 0; x < w; ++x) {
      int tx = px + x;
      if (tx < std::max(0, cpx0) || tx >= std::min(w_, cpx1)) continue;
      float m = mask[size_t(y) * w + x];
      if (m > 0) blend(tx, ty, paint({(tx + 0.5f) * inv - ox_, (ty + 0.5f) * inv - oy_}), m);
    }
  }
}

std::vector<uint8_t> Canvas::toRGBA8() const {
  std::vector<uint8_t> out(size_t(w_) * h_ * 4);
  for (size_t i = 0; i < size_t(w_) * h_; ++i) {
    const float* s = &px_[i * 4];
    float a = clamp01(s[3]);
    uint8_t* d = &out[i * 4];
    int a8 = int(a * 255.0f + 0.5f);
    if (a8 == 0) {
      d[0] = d[1] = d[2] = d[3] = 0;
      continue;
    }
    for (int k = 0; k < 3; ++k) d[k] = uint8_t(std::lround(clamp01(s[k] / a) * 255.0f));
    d[3] = uint8_t(a8);
  }
  return out;
}

}  // namespace datagen
