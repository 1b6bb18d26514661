// Drawing and text: the pen, the producers that append commands to the draw list, the
// bitmap-font text layout, the number formatter, and the pointer hit tests.
//
// A producer appends only while m_DrawCount <= kLastCommandStart, so a frame holds at most
// 2499 commands; the rest are dropped without notice.
#include "game/framework.h"
#include "game/my_app.h"

namespace {

bool present(float v) { return v > kUnset; }

// Adjustment of a glyph's advance, in font pixels, added to the font's cell width.
int glyph_spacing(int c) {
  switch (c) {
    case 'w': case 'm': return 2;
    case 'W': case 'M': return 1;
    case 'i': case 'f': case 'l': return -3;
    case 'j': case 's': case 'k': case 'r': case 'z': case 't': case 'n': return -1;
    default: return 0;
  }
}

}  // namespace

int c_MyApp::p_CLS2D(float r, float g, float b, float a) {
  if (present(r)) {
    m_ClsR = r;
    m_ClsG = g;
    m_ClsB = b;
    m_ClsA = a;
  }
  p_ResetDraw();
  m_DrawCount = 0;
  return 0;
}

int c_MyApp::p_SetSize(float sx, float sy) {
  m_SizeX = sx;
  m_SizeY = present(sy) ? sy : sx;
  return 0;
}

int c_MyApp::p_SetRot(float angle) {
  m_Rot = -angle;
  return 0;
}

int c_MyApp::p_SetCol(float r, float g, float b, float a) {
  m_ColR = r;
  m_ColG = g;
  m_ColB = b;
  if (present(a)) m_Alpha = a;
  return 0;
}

int c_MyApp::p_Alpha(float a) {
  m_Alpha = a;
  return 0;
}

int c_MyApp::p_DrawImg(int img, float x, float y, float frame) {
  if (m_DrawCount > kLastCommandStart) return 0;
  float* c = &m_DrawList[m_DrawCount];
  c[0] = static_cast<float>(img);
  c[1] = x;
  c[2] = y;
  c[3] = m_Rot;
  c[4] = m_SizeX;
  c[5] = m_SizeY;
  c[6] = frame;
  c[7] = m_Alpha;
  c[10] = m_ColR;
  c[11] = m_ColG;
  c[12] = m_ColB;
  c[13] = static_cast<float>(m_Blend);
  m_DrawCount += kCommandFloats;
  return 0;
}

namespace {

// Rectangles, ellipses and lines share one layout: kind, position, two extents.
void queue_shape(c_MyApp* app, float kind, float x, float y, float u, float v) {
  if (app->m_DrawCount > kLastCommandStart) return;
  float* c = &app->m_DrawList[app->m_DrawCount];
  c[0] = kind;
  c[1] = x;
  c[2] = y;
  c[3] = app->m_Rot;
  c[4] = u;
  c[5] = v;
  c[6] = 0.0f;
  c[7] = app->m_Alpha;
  c[10] = app->m_ColR;
  c[11] = app->m_ColG;
  c[12] = app->m_ColB;
  c[13] = static_cast<float>(app->m_Blend);
  app->m_DrawCount += kCommandFloats;
}

}  // namespace

int c_MyApp::p_Rect(float x, float y, float w, float h) {
  queue_shape(this, kDrawRect, x, y, w, h);
  return 0;
}

int c_MyApp::p_Oval(float x, float y, float rx, float ry) {
  queue_shape(this, kDrawOval, x, y, rx, ry);
  return 0;
}

int c_MyApp::p_Line(float x1, float y1, float x2, float y2) {
  queue_shape(this, kDrawLine, x1, y1, x2, y2);
  return 0;
}

int c_MyApp::TextWidth(const String& spaced, int cellWidth) {
  // Every character but the last, each advance truncated as it is added.
  int width = 0;
  for (int i = 0; i < spaced.Length() - 1; ++i) {
    const int c = spaced[i];
    width = trunc_to_int(static_cast<float>(width) +
                         static_cast<float>(cellWidth + glyph_spacing(c)) * m_SizeX);
  }
  return width;
}

int c_MyApp::p_Text(float x, float y, String text, float ax, float ay) {
  if (!text.Length()) return 0;
  String spaced = String(" ") + text;
  const int n = spaced.Length();
  const int f = m_FontImg;
  const int W = m_ImgInfo[3 * f];
  const float H = static_cast<float>(m_ImgInfo[3 * f + 1]);
  const float theta = -m_Rot;
  const float Wt = static_cast<float>(TextWidth(spaced, W));

  const float x0 = x + deg_sin(theta - 90.0f) * Wt * 0.5f * ax;
  const float y0 = y - deg_cos(theta - 90.0f) * Wt * 0.5f * ax;
  const float x1 = x0 + deg_sin(theta) * H * m_SizeY * (ay - 1.0f) * 0.5f;
  const float y1 = y0 - deg_cos(theta) * H * m_SizeY * (ay - 1.0f) * 0.5f;

  // Direction of the baseline and of the next line, fixed for the whole text.
  const float advX = deg_sin(theta + 90.0f), advY = -deg_cos(theta + 90.0f);
  const float lineX = deg_sin(theta + 180.0f), lineY = -deg_cos(theta + 180.0f);
  float px = x1, py = y1;
  int line = 0;
  for (int i = 0; i < n;) {
    const int c = spaced[i];
    if (c == '\\' && i + 1 < n && spaced[i + 1] == 'n') {
      ++line;
      i += 2;
      px = x1 + lineX * H * m_SizeY * static_cast<float>(line);
      py = y1 + lineY * H * m_SizeY * static_cast<float>(line);
      continue;
    }
    if (c == 0) {
      ++i;
      continue;
    }
    if (c >= 33 && c <= 159) p_DrawImg(f, px, py, static_cast<float>(c - 32));
    const float advance = static_cast<float>(W + glyph_spacing(c)) * m_SizeX;
    px += advX * advance;
    py += advY * advance;
    ++i;
  }
  return 0;
}

String c_MyApp::p_rstr(int value, int digits, String pad) {
  String text;
  const int copies = digits <= 0 ? 1 : digits + 1;
  for (int i = 0; i < copies; ++i) text = text + pad;
  text = text + String(value);
  if (digits <= 0) return text;
  return text.Slice(text.Length() - digits);
}

namespace {

bool inside(float v, float lo, float hi) { return lo < v && v < hi; }

}  // namespace

int c_MyApp::p_Button(int img, float x, float y, int frame) {
  p_DrawImg(img, x, y, static_cast<float>(frame));
  const float hw = static_cast<float>(m_ImgInfo[3 * img]) * m_ImgScale * m_SizeX * 0.5f;
  const float hh = static_cast<float>(m_ImgInfo[3 * img + 1]) * m_ImgScale * m_SizeY * 0.5f;
  m_ButtonHit = 0;
  for (int i = 0; i <= 9; ++i) {
    if (inside(static_cast<float>(m_TouchX[i]), x - hw, x + hw) &&
        inside(static_cast<float>(m_TouchY[i]), y - hh, y + hh) && m_MouseDown > 0)
      m_ButtonHit = 1;
  }
  return m_ButtonHit;
}

int c_MyApp::p_Button0(int img, float x, float y, int frame) {
  p_DrawImg(img, x, y, static_cast<float>(frame));
  const float hw = static_cast<float>(m_ImgInfo[3 * img]) * m_ImgScale * m_SizeX * 0.5f;
  const float hh = static_cast<float>(m_ImgInfo[3 * img + 1]) * m_ImgScale * m_SizeY * 0.5f;
  return inside(static_cast<float>(m_TouchX[0]), x - hw, x + hw) &&
                 inside(static_cast<float>(m_TouchY[0]), y - hh, y + hh) && m_MouseDown > 0
             ? 1
             : 0;
}

int c_MyApp::p_Touch(float x, float y, float w, float h) {
  p_Rect(x, y, w, h);
  for (int i = 0; i <= 9; ++i) {
    if (m_TouchDown[i] && inside(static_cast<float>(m_TouchX[i]), x - 6.0f, x + w + 12.0f) &&
        inside(static_cast<float>(m_TouchY[i]), y - 6.0f, y + h + 12.0f))
      return 1;
  }
  return 0;
}

int c_MyApp::p_MouseIn_Centered(float x, float y, float w, float h) {
  for (int i = 0; i <= 9; ++i) {
    if (m_TouchDown[i] && inside(static_cast<float>(m_TouchX[i]), x - w / 2.0f, x + w / 2.0f) &&
        inside(static_cast<float>(m_TouchY[i]), y - h / 2.0f, y + h / 2.0f))
      return 1;
  }
  return 0;
}
