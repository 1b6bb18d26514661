// A small anti-aliased vector rasteriser for the game's pictures.
//
// Shapes are signed distance functions in "units" (the pixels of the plain
// resolution). A Canvas has a scale (pixels per unit: 1, 2 or 4), so the same
// drawing code renders every resolution anew at its own pixel size, never
// scaled up from a smaller one. Coverage of a pixel is the signed distance at
// its centre mapped over one pixel width, which gives analytic anti-aliasing
// for every shape, and the distance also drives outlines, glows and shading.
//
// Pixels are premultiplied RGBA floats; colours handed in are straight (not
// premultiplied) 0..1 values.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace datagen {

struct V2 {
  float x = 0, y = 0;
};
inline V2 operator+(V2 a, V2 b) { return {a.x + b.x, a.y + b.y}; }
inline V2 operator-(V2 a, V2 b) { return {a.x - b.x, a.y - b.y}; }
inline V2 operator*(V2 a, float s) { return {a.x * s, a.y * s}; }
inline float dot(V2 a, V2 b) { return a.x * b.x + a.y * b.y; }
inline float len(V2 a) { return std::sqrt(a.x * a.x + a.y * a.y); }
// Rotates p by deg degrees clockwise on screen (y grows downward).
V2 rotate(V2 p, float deg);

struct RGBA {
  float r = 0, g = 0, b = 0, a = 1;
};
RGBA rgb(int r, int g, int b, float a = 1.0f);
RGBA mix(RGBA a, RGBA b, float t);
RGBA shade(RGBA c, float k);  // multiplies the colour channels by k, keeps alpha

float clamp01(float v);
float smoothstep(float e0, float e1, float x);

// A shape: signed distance in units, negative inside.
using Sdf = std::function<float(V2)>;
// A paint: the straight colour at a point in units.
using Paint = std::function<RGBA(V2)>;

struct Box {
  float x0, y0, x1, y1;
};

namespace shape {
Sdf circle(V2 c, float r);
Sdf ellipse(V2 c, float rx, float ry);
Sdf ring(V2 c, float r, float halfWidth);
Sdf roundRect(V2 c, V2 half, float radius);
Sdf segment(V2 a, V2 b, float r);  // a capsule
Sdf polygon(std::vector<V2> pts);
Sdf star(V2 c, float rOut, float rIn, int points, float rotDeg);
Sdf gear(V2 c, float rRoot, float rTip, int teeth, float rotDeg);
// A disc whose edge waves in and out `waves` times: radius r + amp cos(...).
Sdf scallop(V2 c, float r, float amp, int waves, float rotDeg);
Sdf unite(Sdf a, Sdf b);
Sdf intersect(Sdf a, Sdf b);
Sdf subtract(Sdf a, Sdf b);
Sdf grow(Sdf a, float by);                   // positive grows the shape
Sdf rotated(Sdf a, V2 centre, float deg);    // turns the shape about centre
Sdf scaled(Sdf a, V2 centre, float sx, float sy);
}  // namespace shape

namespace paint {
Paint solid(RGBA c);
Paint linear(V2 a, V2 b, RGBA ca, RGBA cb);
Paint radial(V2 c, float r, RGBA inner, RGBA outer);
}  // namespace paint

enum class Blend { Over, Add, Erase };

class Canvas {
 public:
  Canvas(int pixelWidth, int pixelHeight, float scale);

  int width() const { return w_; }
  int height() const { return h_; }
  float scale() const { return scale_; }

  // Drawing origin and clip rectangle, both in units. Sheet builders set them
  // to the current frame so that nothing spills into a neighbouring frame.
  void setFrame(float x, float y, float w, float h);
  void clearFrame();

  // Fills the shape within the box (units, relative to the origin) with the
  // paint. feather widens the anti-aliased edge (units) for soft shapes.
  void fill(const Box& box, const Sdf& sdf, const Paint& paint, float feather = 0.0f,
            Blend blend = Blend::Over);
  void fill(const Box& box, const Sdf& sdf, RGBA c, float feather = 0.0f,
            Blend blend = Blend::Over);
  // A soft glow: opacity falls from full at the shape's edge to 0 at radius
  // units outside it (and stays full inside).
  void glow(const Box& box, const Sdf& sdf, RGBA c, float radius, Blend blend = Blend::Over);

  // Composites a coverage mask (pixel grid, w by h, 0..1) with its top-left at
  // pixel (px, py) of the canvas, in colour c.
  void blitMask(const std::vector<float>& mask, int w, int h, int px, int py, RGBA c);
  void blitMask(const std::vector<float>& mask, int w, int h, int px, int py, const Paint& paint);

  // Premultiplied pixel access.
  const float* pixel(int x, int y) const { return &px_[(size_t(y) * w_ + x) * 4]; }
  float* pixel(int x, int y) { return &px_[(size_t(y) * w_ + x) * 4]; }
  void blend(int x, int y, RGBA c, float coverage, Blend mode = Blend::Over);

  // Straight 8-bit RGBA, rows top to bottom, for the PNG writer.
  std::vector<uint8_t> toRGBA8() const;

  // Unit frame currently set, for builders that need the pixel origin.
  float originX() const { return ox_; }
  float originY() const { return oy_; }

 private:
  // Calls each(x, y, point, distance) for the pixels of the box (clipped to
  // the frame) that may lie within `reach` units of the shape.
  template <class F>
  void shapeLoop(const Box& box, const Sdf& sdf, float reach, F&& each);

  int w_, h_;
  float scale_;
  float ox_ = 0, oy_ = 0;
  float cx0_ = 0, cy0_ = 0, cx1_ = 0, cy1_ = 0;  // clip in units (absolute)
  std::vector<float> px_;
};

}  // namespace datagen
