#include "datagen/text.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_STROKER_H

namespace datagen {

namespace {
std::string g_fontDir = "/usr/share/fonts/truetype/dejavu";
}

void setFontDir(const std::string& dir) { g_fontDir = dir; }
std::string fontPath(const std::string& file) { return g_fontDir + "/" + file; }

struct Face::Impl {
  FT_Library lib = nullptr;
  FT_Face face = nullptr;
};

Face::Face(const std::string& file) : impl_(new Impl) {
  if (FT_Init_FreeType(&impl_->lib) != 0) throw std::runtime_error("FreeType failed to start");
  std::string path = fontPath(file);
  if (FT_New_Face(impl_->lib, path.c_str(), 0, &impl_->face) != 0) {
    FT_Done_FreeType(impl_->lib);
    throw std::runtime_error("cannot open font " + path);
  }
}

Face::~Face() {
  FT_Done_Face(impl_->face);
  FT_Done_FreeType(impl_->lib);
}

GlyphMask Face::glyph(char32_t ch, float pixelSize, float xScale, float stroke, float shiftX) {
  GlyphMask g;
  FT_Face f = impl_->face;
  FT_Set_Char_Size(f, 0, FT_F26Dot6(std::lround(pixelSize * 64.0f)), 72, 72);
  FT_Matrix m;
  m.xx = FT_Fixed(std::lround(xScale * 65536.0f));
  m.xy = 0;
  m.yx = 0;
  m.yy = 0x10000;
  FT_Vector delta{FT_Pos(std::lround(shiftX * 64.0f)), 0};
  FT_Set_Transform(f, &m, &delta);
  FT_UInt index = FT_Get_Char_Index(f, FT_ULong(ch));
  if (FT_Load_Glyph(f, index, FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP) != 0) return g;
  g.advance = float(f->glyph->advance.x) / 64.0f;
  if (f->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
    FT_BBox box;
    FT_Outline_Get_CBox(&f->glyph->outline, &box);
    g.inkCentreX = float(box.xMin + box.xMax) / 128.0f;
  }
  FT_Glyph gl;
  if (FT_Get_Glyph(f->glyph, &gl) != 0) return g;
  if (stroke > 0 && gl->format == FT_GLYPH_FORMAT_OUTLINE) {
    FT_Stroker st;
    FT_Stroker_New(impl_->lib, &st);
    FT_Stroker_Set(st, FT_Fixed(std::lround(stroke * 64.0f)), FT_STROKER_LINECAP_ROUND,
                   FT_STROKER_LINEJOIN_ROUND, 0);
    FT_Glyph_StrokeBorder(&gl, st, 0, 1);
    FT_Stroker_Done(st);
  }
  if (FT_Glyph_To_Bitmap(&gl, FT_RENDER_MODE_NORMAL, nullptr, 1) == 0) {
    FT_BitmapGlyph bg = reinterpret_cast<FT_BitmapGlyph>(gl);
    const FT_Bitmap& b = bg->bitmap;
    g.w = int(b.width);
    g.h = int(b.rows);
    g.left = bg->left;
    g.top = bg->top;
    g.mask.resize(size_t(g.w) * g.h);
    for (int y = 0; y < g.h; ++y)
      for (int x = 0; x < g.w; ++x) g.mask[size_t(y) * g.w + x] = b.buffer[y * b.pitch + x] / 255.0f;
  }
  FT_Done_Glyph(gl);
  return g;
}

namespace {
// Decodes UTF-8 into code points (the texts here are short and well formed).
std::u32string decode(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += char32_t(c);
      i += 1;
    } else if ((c >> 5) == 6 && i + 1 < s.size()) {
      out += char32_t(((c & 0x1F) << 6) | (s[i + 1] & 0x3F));
      i += 2;
    } else if ((c >> 4) == 14 && i + 2 < s.size()) {
      out += char32_t(((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F));
      i += 3;
    } else {
      out += U'?';
      i += 1;
    }
  }
  return out;
}
}  // namespace

float Face::measure(const std::string& text, float pixelSize, float xScale, float spacing) {
  float w = 0;
  std::u32string u = decode(text);
  for (size_t i = 0; i < u.size(); ++i) {
    w += glyph(u[i], pixelSize, xScale).advance;
    if (i + 1 < u.size()) w += spacing;
  }
  return w;
}

void drawText(Canvas& c, Face& face, const std::string& text, float cx, float baselineY,
              const TextStyle& st) {
  float s = c.scale();
  float px = st.size * s;
  float width = face.measure(text, px, st.xScale, st.spacing * s);
  std::u32string u = decode(text);
  // Pixel positions of the pen, from the frame origin.
  float ox = c.originX() * s, oy = c.originY() * s;
  auto pass = [&](int kind) {
    float pen = (cx * s) - width / 2;
    for (size_t i = 0; i < u.size(); ++i) {
      float bounce = (i % 2 == 0 ? -1.0f : 1.0f) * st.bounce * s;
      float base = baselineY * s + bounce;
      GlyphMask g = face.glyph(u[i], px, st.xScale, kind == 2 ? 0.0f : st.outline * s);
      int x0 = int(std::lround(ox + pen)) + g.left;
      int y0 = int(std::lround(oy + base)) - g.top;
      if (kind == 0) {
        int d = int(std::lround(st.shadow * s));
        c.blitMask(g.mask, g.w, g.h, x0 + d, y0 + d, st.shadowColour);
      } else if (kind == 1) {
        c.blitMask(g.mask, g.w, g.h, x0, y0, st.outlineColour);
      } else {
        c.blitMask(g.mask, g.w, g.h, x0, y0, st.fill ? st.fill : paint::solid({1, 1, 1, 1}));
      }
      pen += g.advance + st.spacing * s;
    }
  };
  if (st.shadow > 0) pass(0);
  if (st.outline > 0) pass(1);
  pass(2);
}

}  // namespace datagen
