// Letters through FreeType: one face per user (FreeType objects are not
// shared between threads), glyphs as coverage masks, and a helper that lays a
// line of text onto a canvas with an optional outline underneath.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "datagen/canvas.h"

namespace datagen {

// The directory holding the DejaVu fonts; set from the command line.
void setFontDir(const std::string& dir);
std::string fontPath(const std::string& file);

struct GlyphMask {
  std::vector<float> mask;  // w by h coverage, rows top to bottom
  int w = 0, h = 0;
  int left = 0, top = 0;  // bitmap offset from the pen position (top is above the baseline)
  float advance = 0;      // pixels
  float inkCentreX = 0;   // horizontal centre of the outline, pixels from the pen position
};

class Face {
 public:
  explicit Face(const std::string& file);
  ~Face();
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  // Renders one character at the given pixel size; xScale squeezes or widens
  // it horizontally; stroke > 0 returns the glyph grown by an outline of that
  // many pixels instead; shiftX moves the outline right by a fraction of a
  // pixel before rendering (for placing small glyphs exactly).
  GlyphMask glyph(char32_t ch, float pixelSize, float xScale = 1.0f, float stroke = 0.0f, float shiftX = 0.0f);
  // Pixel width of a line (sum of advances plus extra spacing per letter).
  float measure(const std::string& text, float pixelSize, float xScale = 1.0f, float spacing = 0.0f);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

struct TextStyle {
  float size = 16;          // em size in units
  float xScale = 1.0f;      // horizontal squeeze
  float spacing = 0.0f;     // extra units between letters
  Paint fill;               // paint of the letters (units)
  float outline = 0.0f;     // outline width in units (0 = none)
  RGBA outlineColour{0, 0, 0, 1};
  float shadow = 0.0f;      // drop shadow offset in units (0 = none)
  RGBA shadowColour{0, 0, 0, 0.4f};
  float bounce = 0.0f;      // vertical offset alternating per letter, units
};

// Draws text centred horizontally on cx with its baseline at baselineY (units,
// relative to the canvas frame).
void drawText(Canvas& c, Face& face, const std::string& text, float cx, float baselineY,
              const TextStyle& st);

}  // namespace datagen
