#include "datagen/sheets.h"

#include "datagen/text.h"

namespace datagen {

Fonts::Fonts() = default;
Fonts::~Fonts() {
  delete bold_;
  delete condensed_;
  delete mono_;
}
Face& Fonts::bold() {
  if (!bold_) bold_ = new Face("DejaVuSans-Bold.ttf");
  return *bold_;
}
Face& Fonts::condensed() {
  if (!condensed_) condensed_ = new Face("DejaVuSansCondensed-Bold.ttf");
  return *condensed_;
}
Face& Fonts::mono() {
  if (!mono_) mono_ = new Face("DejaVuSansMono-Bold.ttf");
  return *mono_;
}

std::vector<Sheet> allSheets() {
  std::vector<Sheet> s = {
      {"gfx", 32, 32, 64, 8, drawGameSprite},
      {"heart", 32, 32, 1, 1, drawHeart},
      {"planetring", 128, 128, 1, 1, drawPlanetRing},
      {"BadgesA", 64, 64, 64, 8, drawBadge},
      {"fonts/editundo", 16, 16, 128, 16, drawGameFontGlyph},
      {"common/Testcard_Circle", 256, 256, 1, 1, drawTestcard},
      {"common/WoblLogo", 256, 256, 1, 1, drawStudioLogo},
      {"common/dpad", 32, 32, 16, 4, drawDpad},
      {"common/Buttons", 64, 64, 16, 4, drawButton},
      {"parts", 8, 8, 256, 16, drawParticle},
      {"common/icons", 32, 32, 16, 4, drawIcon},
      {"logo", 256, 128, 1, 1, drawLogo},
      {"menu", 256, 256, 4, 2, drawMenuPanel},
  };
  for (int k = 0; k < 10; ++k)
    s.push_back({"planet" + std::to_string(k), 128, 128, 1, 1, planetDrawer(k)});
  return s;
}

std::string sheetFile(const std::string& name, int factor) {
  if (factor == 2) return name + "-hd.png";
  if (factor == 4) return name + "-hd2.png";
  return name + ".png";
}

Canvas renderSheet(const Sheet& s, int factor, Fonts& fonts) {
  Canvas c(sheetWidth(s, factor), sheetHeight(s, factor), float(factor));
  for (int k = 0; k < s.frames; ++k) {
    c.setFrame(float((k % s.columns) * s.frameW), float((k / s.columns) * s.frameH), float(s.frameW),
               float(s.frameH));
    s.draw(c, k, fonts);
  }
  c.clearFrame();
  return c;
}

}  // namespace datagen
