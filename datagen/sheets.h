// The picture sheets the game loads: file names, frame grids and the
// functions that draw each frame.
//
// A sheet holds its frames left to right, then top to bottom, in `columns`
// columns, so the loader's grid walk (frame width and height over the whole
// picture) finds frame k at column k % columns, row k / columns.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "datagen/canvas.h"

namespace datagen {

class Face;

struct Fonts;  // the faces a sheet may use, one set per worker thread

// Draws frame `frame` into the canvas, whose frame (origin and clip) is
// already set to that frame's cell; coordinates are units of the plain file.
using FrameDraw = std::function<void(Canvas&, int frame, Fonts&)>;

struct Sheet {
  std::string name;  // path under the data folder, before the suffix and ".png"
  int frameW, frameH, frames, columns;
  FrameDraw draw;
};

struct Fonts {
  Fonts();
  ~Fonts();
  Face& bold();       // DejaVu Sans Bold
  Face& condensed();  // DejaVu Sans Condensed Bold
  Face& mono();       // DejaVu Sans Mono
 private:
  Face* bold_ = nullptr;
  Face* condensed_ = nullptr;
  Face* mono_ = nullptr;
};

// Every sheet that exists in three resolutions.
std::vector<Sheet> allSheets();

// Pixel size of a sheet at a resolution factor (1, 2 or 4).
inline int sheetWidth(const Sheet& s, int factor) { return s.columns * s.frameW * factor; }
inline int sheetHeight(const Sheet& s, int factor) {
  int rows = (s.frames + s.columns - 1) / s.columns;
  return rows * s.frameH * factor;
}

// Renders a whole sheet at a resolution factor.
Canvas renderSheet(const Sheet& s, int factor, Fonts& fonts);

// File name for a resolution: "name.png", "name-hd.png" or "name-hd2.png".
std::string sheetFile(const std::string& name, int factor);

// Sheet builders, one per art file.
void drawGameSprite(Canvas& c, int frame, Fonts& f);     // gfx
void drawHeart(Canvas& c, int frame, Fonts& f);          // heart
FrameDraw planetDrawer(int planet);                      // planet0..9
void drawPlanetRing(Canvas& c, int frame, Fonts& f);     // planetring
void drawBadge(Canvas& c, int frame, Fonts& f);          // BadgesA
void drawGameFontGlyph(Canvas& c, int frame, Fonts& f);  // fonts/editundo
void drawTestcard(Canvas& c, int frame, Fonts& f);       // common/Testcard_Circle
void drawStudioLogo(Canvas& c, int frame, Fonts& f);     // common/WoblLogo
void drawDpad(Canvas& c, int frame, Fonts& f);           // common/dpad
void drawButton(Canvas& c, int frame, Fonts& f);         // common/Buttons
void drawParticle(Canvas& c, int frame, Fonts& f);       // parts
void drawIcon(Canvas& c, int frame, Fonts& f);           // common/icons
void drawLogo(Canvas& c, int frame, Fonts& f);           // logo
void drawMenuPanel(Canvas& c, int frame, Fonts& f);      // menu

// The runtime's default font: 96 glyphs of 8 pixels, each with a transparent
// column on both sides, in one 960-pixel strip (one resolution only).
Canvas renderDefaultFont(Fonts& fonts);

// The application icon, `pixels` square, drawn from the hero, a planet and its halo.
Canvas renderIcon(int pixels, Fonts& fonts);

// Game font metrics: the advance the game's text layout uses per character
// (7 units, adjusted for narrow and wide letters).
int gameFontAdvance(char32_t ch);

}  // namespace datagen
