// Picture jobs: every sheet at its three resolutions, the default font, and
// the contact sheets that show every frame with its number.
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "datagen/jobs.h"
#include "datagen/png.h"
#include "datagen/sheets.h"
#include "datagen/text.h"

namespace datagen {

bool makeParent(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p(path);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ec);
  return !ec;
}

namespace {

bool writeCanvas(const Canvas& c, const std::string& path, PngPacking packing = PngPacking::Compact) {
  if (!makeParent(path)) return false;
  return writePng(path, c.width(), c.height(), c.toRGBA8(), packing);
}

}  // namespace

void addPictureJobs(std::vector<Job>& jobs, const std::string& outDir) {
  for (const Sheet& s : allSheets()) {
    for (int factor : {1, 2, 4}) {
      int weight = sheetWidth(s, factor) * sheetHeight(s, factor) / 16384 + 1;
      jobs.push_back({s.name + " x" + std::to_string(factor),
                      [s, factor, outDir](Fonts& f) {
                        // The "-hd" art is what the default 640x480 window loads.
                        const PngPacking packing = factor == 2 ? PngPacking::FastDecode : PngPacking::Compact;
                        return writeCanvas(renderSheet(s, factor, f), outDir + "/" + sheetFile(s.name, factor),
                                           packing);
                      },
                      weight});
    }
  }
  jobs.push_back({"nimbus_font", [outDir](Fonts& f) {
                    return writeCanvas(renderDefaultFont(f), outDir + "/nimbus_font.png");
                  }});
}

namespace {

// RGBA8 image used to compose a contact sheet.
struct Image8 {
  int w, h;
  std::vector<uint8_t> px;
  Image8(int w_, int h_) : w(w_), h(h_), px(size_t(w_) * h_ * 4, 0) {}
  void put(int x, int y, const uint8_t* c, float a) {
    if (x < 0 || y < 0 || x >= w || y >= h || a <= 0) return;
    uint8_t* d = &px[(size_t(y) * w + x) * 4];
    for (int k = 0; k < 3; ++k) d[k] = uint8_t(std::lround(d[k] * (1 - a) + c[k] * a));
    d[3] = 255;
  }
};

void text8(Image8& im, Face& face, const std::string& s, int x, int y, float px, const uint8_t* col) {
  float pen = float(x);
  for (char ch : s) {
    GlyphMask g = face.glyph(char32_t(ch), px);
    for (int j = 0; j < g.h; ++j)
      for (int i = 0; i < g.w; ++i)
        im.put(int(pen) + g.left + i, y - g.top + j, col, g.mask[size_t(j) * g.w + i]);
    pen += g.advance;
  }
}

bool contactSheet(int factor, const std::string& path, Fonts& f) {
  std::vector<Sheet> sheets = allSheets();
  const int pad = 12, label = 18, maxW = 1100 * factor;
  // Shelf packing: sheets left to right, a new shelf when the row is full.
  struct Place {
    int x, y;
  };
  std::vector<Place> at;
  int x = pad, y = pad, shelf = 0, width = 0;
  for (const Sheet& s : sheets) {
    int w = sheetWidth(s, factor), h = sheetHeight(s, factor) + label;
    if (x + w + pad > maxW && x > pad) {
      x = pad;
      y += shelf + pad;
      shelf = 0;
    }
    at.push_back({x, y});
    x += w + pad;
    width = std::max(width, x);
    shelf = std::max(shelf, h);
  }
  // Below the sheets: a line of text laid out with the game font the way
  // the game lays it out (cells centred on the pen, the game's advances),
  // at 1x and 2x, to judge spacing and legibility.
  const int sampleH = 16 * factor * 3 + 3 * pad;
  int sampleY = y + shelf + pad;
  Image8 im(width, sampleY + sampleH);
  for (int j = 0; j < im.h; ++j)
    for (int i = 0; i < im.w; ++i) {
      bool dark = ((i / 8) + (j / 8)) % 2 == 0;
      uint8_t* d = &im.px[(size_t(j) * im.w + i) * 4];
      d[0] = dark ? 28 : 40;
      d[1] = dark ? 28 : 40;
      d[2] = dark ? 48 : 62;
      d[3] = 255;
    }
  const uint8_t white[3] = {255, 255, 255}, grid[3] = {255, 80, 200}, num[3] = {255, 255, 120};
  for (size_t n = 0; n < sheets.size(); ++n) {
    const Sheet& s = sheets[n];
    std::vector<uint8_t> px = renderSheet(s, factor, f).toRGBA8();
    int w = sheetWidth(s, factor), h = sheetHeight(s, factor);
    int ox = at[n].x, oy = at[n].y + label;
    text8(im, f.mono(), sheetFile(s.name, factor), ox, oy - 5, 12, white);
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i) {
        const uint8_t* p = &px[(size_t(j) * w + i) * 4];
        im.put(ox + i, oy + j, p, p[3] / 255.0f);
      }
    int fw = s.frameW * factor, fh = s.frameH * factor;
    for (int k = 0; k < s.frames; ++k) {
      int fx = ox + (k % s.columns) * fw, fy = oy + (k / s.columns) * fh;
      for (int i = 0; i < fw; ++i) {
        im.put(fx + i, fy, grid, 0.35f);
        im.put(fx + i, fy + fh - 1, grid, 0.35f);
      }
      for (int j = 0; j < fh; ++j) {
        im.put(fx, fy + j, grid, 0.35f);
        im.put(fx + fw - 1, fy + j, grid, 0.35f);
      }
      // Small frames get their number only at the start of each row.
      if (fw >= 24 || k % s.columns == 0) text8(im, f.mono(), std::to_string(k), fx + 2, fy + 8, 8, num);
    }
  }
  {
    const Sheet* font = nullptr;
    for (const Sheet& s : sheets)
      if (s.name == "fonts/editundo") font = &s;
    std::vector<uint8_t> fp = renderSheet(*font, factor, f).toRGBA8();
    int fw = sheetWidth(*font, factor), cell = 16 * factor;
    const std::string line = "Zipkin in Direv  Sound : SFX + Music  Top 10  00012345  New Highscore!";
    for (int zoom = 1; zoom <= 2; ++zoom) {
      float pen = float(pad) + cell * zoom / 2.0f;
      int baseY = sampleY + (zoom == 1 ? 0 : cell + pad);
      for (char ch : line) {
        int k = int(static_cast<unsigned char>(ch)) - 32;
        if (k > 0 && k < 128) {
          int sx = (k % font->columns) * cell, sy = (k / font->columns) * cell;
          for (int j = 0; j < cell * zoom; ++j)
            for (int i = 0; i < cell * zoom; ++i) {
              const uint8_t* q = &fp[(size_t(sy + j / zoom) * fw + size_t(sx + i / zoom)) * 4];
              im.put(int(pen) - cell * zoom / 2 + i, baseY + j, q, q[3] / 255.0f);
            }
        }
        pen += float(gameFontAdvance(char32_t(ch)) * factor * zoom);
      }
    }
  }
  if (!makeParent(path)) return false;
  std::vector<uint8_t>& p = im.px;
  return writePng(path, im.w, im.h, p);
}

}  // namespace

void addContactSheetJobs(std::vector<Job>& jobs, const std::string& dir) {
  const char* names[3] = {"contact.png", "contact-hd.png", "contact-hd2.png"};
  int factors[3] = {1, 2, 4};
  for (int k = 0; k < 3; ++k) {
    int factor = factors[k];
    std::string path = dir + "/" + names[k];
    jobs.push_back({std::string("contact sheet ") + names[k],
                    [factor, path](Fonts& f) { return contactSheet(factor, path, f); }, 40 * factor * factor});
  }
}

}  // namespace datagen
