// The application icon: Zipkin standing on top of the ocean planet, on a rounded tile of
// night sky. It is made of the game's own pictures (the hero frame of "gfx", planet 5 and
// its halo), each drawn at the icon's own pixel size rather than scaled from a sheet. The
// pictures have different unit sizes, so each is drawn on a canvas of its own scale and the
// canvases are laid over the tile.
#include <string>

#include "datagen/jobs.h"
#include "datagen/png.h"
#include "datagen/sheets.h"

namespace datagen {

namespace {

constexpr float kTileUnits = 64.0f;  // the tile's drawing units per icon side
constexpr float kPlanetR = 62.5f;    // disc radius in the 128-unit planet picture
constexpr int kOceanPlanet = 5;

// Lays src over dst (same pixel size), premultiplied. With `clip`, src shows only where dst
// is already covered, so the planet stays inside the tile.
void layOver(Canvas& dst, const Canvas& src, bool clip) {
  for (int y = 0; y < dst.height(); ++y)
    for (int x = 0; x < dst.width(); ++x) {
      const float* s = src.pixel(x, y);
      float* d = dst.pixel(x, y);
      const float k = clip ? d[3] : 1.0f;
      const float a = s[3] * k;
      for (int c = 0; c < 3; ++c) d[c] = s[c] * k + d[c] * (1 - a);
      d[3] = a + d[3] * (1 - a);
    }
}

void drawSky(Canvas& c) {
  const Box all{0, 0, kTileUnits, kTileUnits};
  const Sdf tile = shape::roundRect({32, 32}, {29, 29}, 11);
  c.fill(all, tile, paint::radial({20, 14}, 56, rgb(58, 40, 120), rgb(12, 10, 38)));
  const V2 stars[] = {{14, 13}, {46, 10}, {53, 24}, {24, 23}, {9, 30}, {38, 6}};
  const float sizes[] = {1.8f, 1.4f, 1.0f, 0.8f, 0.9f, 0.7f};
  for (int k = 0; k < 6; ++k) {
    c.glow(all, shape::circle(stars[k], sizes[k] * 0.3f), rgb(200, 220, 255, 0.5f), sizes[k]);
    c.fill(all, shape::star(stars[k], sizes[k], sizes[k] * 0.25f, 4, 0), rgb(255, 255, 255, 0.9f));
  }
}

}  // namespace

Canvas renderIcon(int pixels, Fonts& fonts) {
  const float side = float(pixels);
  Canvas icon(pixels, pixels, side / kTileUnits);
  drawSky(icon);

  // The planet: a wide arc whose top sits just below the middle of the tile.
  const float radius = 0.78f * side, top = 0.56f * side;
  Canvas planet(pixels, pixels, radius / kPlanetR);
  const float unit = radius / kPlanetR;
  planet.setFrame(0.5f * side / unit - 64.0f, (top + radius) / unit - 64.0f, 128, 128);
  planetDrawer(kOceanPlanet)(planet, 0, fonts);
  drawPlanetRing(planet, 0, fonts);
  layOver(icon, planet, true);

  // The hero, feet on the planet's top: its 16-unit standing figure fills most of the sky.
  const float heroUnit = 0.48f * side / 16.0f;
  Canvas hero(pixels, pixels, heroUnit);
  hero.setFrame(0.5f * side / heroUnit - 16.0f, (top + 0.01f * side) / heroUnit - 16.0f, 32, 32);
  drawGameSprite(hero, 0, fonts);
  layOver(icon, hero, false);
  return icon;
}

void addIconJobs(std::vector<Job>& jobs, const std::string& dir) {
  for (int pixels : {48, 128, 256}) {
    const std::string path = dir + "/icon-" + std::to_string(pixels) + ".png";
    jobs.push_back({"icon " + std::to_string(pixels), [pixels, path](Fonts& f) {
                      if (!makeParent(path)) return false;
                      return writePng(path, pixels, pixels, renderIcon(pixels, f).toRGBA8());
                    }});
  }
}

}  // namespace datagen
