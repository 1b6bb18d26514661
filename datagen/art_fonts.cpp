// The game font (fonts/editundo) and the runtime's default font.
//
// The game lays text out with its own advances: 7 units per character, 9 for
// "w" and "m", 8 for "W" and "M", 6 for "j s k r z t n" and 4 for "i f l".
// The game draws each cell centred on the pen position and then moves the pen
// by the character's advance. So every glyph's ink is one unit narrower than
// its advance (glyphs that would be wider are squeezed horizontally), and a
// glyph's ink is centred at (advance - 7) / 2 from the cell centre: then the
// gap between any two neighbours is the same one unit, narrow letters do not
// stand apart from the letter before them and wide ones do not crowd it.
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

// Draws ch with its ink at most maxInk units wide, centred on x = cx, with
// its baseline at y = base. The outline is placed to a fraction of a pixel,
// so even one-pixel glyphs sit where they belong at the plain resolution.
void drawFittedGlyph(Canvas& c, Face& face, char32_t ch, float em, float baseXScale, float maxInk, float cx,
                     float base, RGBA col) {
  float s = c.scale();
  float xs = baseXScale;
  GlyphMask g = face.glyph(ch, em * s, xs);
  float ink = g.w / s;
  if (ink > maxInk && ink > 0) {
    xs *= maxInk / ink;
    g = face.glyph(ch, em * s, xs);
  }
  float pen = (c.originX() + cx) * s - g.inkCentreX;
  float whole = std::floor(pen);
  g = face.glyph(ch, em * s, xs, 0.0f, pen - whole);
  int py = int(std::lround((c.originY() + base) * s)) - g.top;
  c.blitMask(g.mask, g.w, g.h, int(whole) + g.left, py, col);
}

}  // namespace

void drawGameFontGlyph(Canvas& c, int frame, Fonts& f) {
  char32_t ch = char32_t(32 + frame);
  if (ch <= 32 || ch >= 127) return;  // space, delete and the control range stay blank
  // Em size 11.5 gives capitals about 8.4 units high on a baseline at 12, so
  // capitals and descenders together span about 10 units around the centre.
  const float em = 11.5f;
  float maxInk = float(gameFontAdvance(ch)) - 1.0f;
  drawFittedGlyph(c, f.bold(), ch, em, 0.8f, maxInk, 8.0f + (float(gameFontAdvance(ch)) - 7.0f) / 2.0f, 12.0f,
                  rgb(255, 255, 255));
}

Canvas renderDefaultFont(Fonts& f) {
  // 96 cells of 10 pixels: a transparent column, 8 glyph columns, another
  // transparent column. Characters 32..127.
  Canvas c(960, 16, 1.0f);
  for (int k = 0; k < 96; ++k) {
    char32_t ch = char32_t(32 + k);
    c.setFrame(float(10 * k + 1), 0, 8, 16);
    if (ch == 32 || ch == 127) continue;
    drawFittedGlyph(c, f.mono(), ch, 12.0f, 1.0f, 7.5f, 4.0f, 12.0f, rgb(255, 255, 255));
  }
  c.clearFrame();
  return c;
}

}  // namespace datagen
