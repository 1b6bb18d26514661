// The game font (fonts/editundo) and the runtime's default font.
//
// The game lays text out with its own advances: 7 units per character, 9 for
// "w" and "m", 8 for "W" and "M", 6 for "j s k r z t n" and 4 for "i f l".
// Each glyph is centred in its 16-unit cell (the game draws a cell centred on
// the pen position), so every glyph's ink must be narrower than its advance;
// glyphs that would be too wide are squeezed horizontally.
#include <cmath>

#include "datagen/sheets.h"
#include "datagen/text.h"

namespace datagen {

int gameFontAdvance(char32_t ch) {
  switch (ch) {
    case 'w': case 'm': return 9;
    case 'W': case 'M': return 8;
    case 'i': case 'f': case 'l': return 4;
    case 'j': case 's': case 'k': case 'r': case 'z': case 't': case 'n': return 6;
    default: return 7;
  }
}

namespace {

// Renders ch so that its ink is at most maxInk units wide, returning the mask.
GlyphMask fittedGlyph(Face& face, char32_t ch, float em, float scale, float baseXScale, float maxInk) {
  GlyphMask g = face.glyph(ch, em * scale, baseXScale);
  float ink = g.w / scale;
  if (ink > maxInk && ink > 0) g = face.glyph(ch, em * scale, baseXScale * maxInk / ink);
  return g;
}

// Places a glyph with its ink centred on x = cx and its baseline at y = base.
void placeGlyph(Canvas& c, const GlyphMask& g, float cx, float base, RGBA col) {
  float s = c.scale();
  int px = int(std::lround((c.originX() + cx) * s - g.w / 2.0f));
  int py = int(std::lround((c.originY() + base) * s)) - g.top;
  c.blitMask(g.mask, g.w, g.h, px, py, col);
}

}  // namespace

void drawGameFontGlyph(Canvas& c, int frame, Fonts& f) {
  char32_t ch = char32_t(32 + frame);
  if (ch <= 32 || ch >= 127) return;  // space, delete and the control range stay blank
  // Em size 11.5 gives capitals about 8.4 units high on a baseline at 12, so
  // capitals and descenders together span about 10 units around the centre.
  const float em = 11.5f;
  float maxInk = float(gameFontAdvance(ch)) - 1.0f;
  GlyphMask g = fittedGlyph(f.bold(), ch, em, c.scale(), 0.8f, maxInk);
  placeGlyph(c, g, 8.0f, 12.0f, rgb(255, 255, 255));
}

Canvas renderDefaultFont(Fonts& f) {
  // 96 cells of 10 pixels: a transparent column, 8 glyph columns, another
  // transparent column. Characters 32..127.
  Canvas c(960, 16, 1.0f);
  for (int k = 0; k < 96; ++k) {
    char32_t ch = char32_t(32 + k);
    c.setFrame(float(10 * k + 1), 0, 8, 16);
    if (ch == 32 || ch == 127) continue;
    GlyphMask g = fittedGlyph(f.mono(), ch, 12.0f, 1.0f, 1.0f, 8.0f);
    placeGlyph(c, g, 4.0f, 12.0f, rgb(255, 255, 255));
  }
  c.clearFrame();
  return c;
}

}  // namespace datagen
