#include "graphics/renderer.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "graphics/decode_ahead.h"
#include "graphics/gl.h"
#include "graphics/image_data.h"
#include "platform/glfw2.h"
#include "platform/vel_game.h"

gxtkGraphics::gxtkGraphics() {
  glfwGetWindowSize(&width, &height);
  for (int q = 0; q < kMaxQuads; ++q) {
    unsigned short* i = quadIndices + q * 6;
    const unsigned short v = static_cast<unsigned short>(q * 4);
    i[0] = v;
    i[1] = v + 1;
    i[2] = v + 2;
    i[3] = v;
    i[4] = v + 2;
    i[5] = v + 3;
  }
}

int gxtkGraphics::Width() { return width; }
int gxtkGraphics::Height() { return height; }

int gxtkGraphics::BeginRender() {
  glfwGetWindowSize(&width, &height);
  glViewport(0, 0, width, height);

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &vertices[0].x);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &vertices[0].u);
  glEnableClientState(GL_COLOR_ARRAY);
  glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), &vertices[0].color);

  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  blendMode = 0;
  glDisable(GL_TEXTURE_2D);

  vertCount = 0;
  return 1;
}

void gxtkGraphics::EndRender() {
  Flush();
  glfwSwapBuffers();
}

void gxtkGraphics::DiscardGraphics() {}

void gxtkGraphics::Flush() {
  if (!vertCount) return;
  if (primSurf) {
    glEnable(GL_TEXTURE_2D);
    primSurf->Bind();
  }
  switch (primType) {
    case 1:
      glDrawArrays(GL_POINTS, 0, vertCount);
      break;
    case 2:
      glDrawArrays(GL_LINES, 0, vertCount);
      break;
    case 3:
      glDrawArrays(GL_TRIANGLES, 0, vertCount);
      break;
    case 4:
      glDrawElements(GL_TRIANGLES, vertCount / 4 * 6, GL_UNSIGNED_SHORT, quadIndices);
      break;
    default:
      for (int first = 0; first < vertCount; first += primType)
        glDrawArrays(GL_TRIANGLE_FAN, first, primType);
      break;
  }
  if (primSurf) glDisable(GL_TEXTURE_2D);
  vertCount = 0;
}

gxtkGraphics::Vertex* gxtkGraphics::Begin(int type, int count, gxtkSurface* surf) {
  if (type == primType && surf == primSurf && vertCount + count <= kMaxVertices) {
    Vertex* v = vertices + vertCount;
    vertCount += count;
    return v;
  }
  if (vertCount) Flush();
  primType = type;
  primSurf = surf;
  vertCount = count;
  return vertices;
}

int gxtkGraphics::Cls(float red, float green, float blue) {
  // Whatever is still batched would be cleared anyway.
  vertCount = 0;
  glClearColor(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  return 0;
}

namespace {

// v held within lo..hi; NaN becomes lo.
float clamped(float v, float lo, float hi) { return v > lo ? (v < hi ? v : hi) : lo; }

}  // namespace

// Components outside 0..255 and alphas outside 0..1 are clamped (an alpha of 1.2 is opaque,
// not nearly transparent); each premultiplied byte then truncates.
void gxtkGraphics::PackColor() {
  const float a = clamped(alpha, 0.0f, 1.0f);
  auto byte = [a](float v) { return static_cast<unsigned int>(clamped(v, 0.0f, 255.0f) * a); };
  color = byte(255.0f) << 24 | byte(b) << 16 | byte(g) << 8 | byte(r);
}

int gxtkGraphics::SetAlpha(float a) {
  alpha = a;
  PackColor();
  return 0;
}

int gxtkGraphics::SetColor(float red, float green, float blue) {
  r = red;
  g = green;
  b = blue;
  PackColor();
  return 0;
}

// The game sets the blend before every command it replays; only a change of mode may end
// the batch, or no two sprites would ever share a draw call.
int gxtkGraphics::SetBlend(int blend) {
  const int mode = blend == 1 ? 1 : 0;
  if (mode == blendMode) return 0;
  Flush();
  blendMode = mode;
  if (mode == 1)
    glBlendFunc(GL_ONE, GL_ONE);
  else
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  return 0;
}

int gxtkGraphics::SetScissor(int x, int y, int w, int h) {
  Flush();
  if (x == 0 && y == 0 && w == Width() && h == Height()) {
    glDisable(GL_SCISSOR_TEST);
  } else {
    glEnable(GL_SCISSOR_TEST);
    // Our origin is the top left; GL's is the bottom left.
    glScissor(x, Height() - y - h, w, h);
  }
  return 0;
}

int gxtkGraphics::SetMatrix(float nix, float niy, float njx, float njy, float ntx, float nty) {
  ix = nix;
  iy = niy;
  jx = njx;
  jy = njy;
  tx = ntx;
  ty = nty;
  tformed = ix != 1 || iy != 0 || jx != 0 || jy != 1 || tx != 0 || ty != 0;
  return 0;
}

int gxtkGraphics::DrawPoint(float x, float y) {
  Put(Begin(1, 1, nullptr), x, y);
  return 0;
}

int gxtkGraphics::DrawLine(float x1, float y1, float x2, float y2) {
  Vertex* v = Begin(2, 2, nullptr);
  Put(v, x1, y1);
  Put(v + 1, x2, y2);
  return 0;
}

int gxtkGraphics::DrawRect(float x, float y, float w, float h) {
  Vertex* v = Begin(4, 4, nullptr);
  Put(v, x, y);
  Put(v + 1, x + w, y);
  Put(v + 2, x + w, y + h);
  Put(v + 3, x, y + h);
  return 0;
}

int gxtkGraphics::DrawOval(float x, float y, float w, float h) {
  const float xr = w / 2.0f, yr = h / 2.0f;
  // The estimate stays a float until it is known to be in range, so huge, infinite or NaN
  // sizes never reach an int conversion: they draw 1024 segments, NaN 12.
  float estimate;
  if (tformed) {
    // The lengths of the two radii after transformation.
    const float dx = std::sqrt((ix * xr) * (ix * xr) + (iy * xr) * (iy * xr));
    const float dy = std::sqrt((jx * yr) * (jx * yr) + (jy * yr) * (jy * yr));
    estimate = std::trunc(dx + dy);
  } else {
    estimate = std::trunc(std::fabs(xr)) + std::trunc(std::fabs(yr));
  }
  int n;
  if (!(estimate >= 12.0f))
    n = 12;
  else if (estimate > static_cast<float>(kMaxVertices))
    n = kMaxVertices;
  else
    n = static_cast<int>(estimate) & ~3;

  Vertex* v = Begin(n, n, nullptr);
  const float x0 = x + xr, y0 = y + yr;
  for (int i = 0; i < n; ++i) {
    const float angle = static_cast<float>(i) * 6.2831855f / static_cast<float>(n);
    Put(v + i, x0 + std::cos(angle) * xr, y0 - std::sin(angle) * yr);
  }
  return 0;
}

int gxtkGraphics::DrawPoly(Array<float> verts) {
  const int n = verts.Length() / 2;
  if (n < 1 || n > kMaxVertices) return 0;
  Vertex* v = Begin(n, n, nullptr);
  for (int i = 0; i < n; ++i) Put(v + i, verts[i * 2], verts[i * 2 + 1]);
  return 0;
}

int gxtkGraphics::DrawPoly2(Array<float> verts, gxtkSurface* surface, int srcx, int srcy) {
  const int n = verts.Length() / 4;
  if (n < 1 || n > kMaxVertices) return 0;
  Vertex* v = Begin(n, n, surface);
  for (int i = 0; i < n; ++i) {
    const float* p = &verts[i * 4];
    PutUV(v + i, p[0], p[1], (p[2] + srcx) * surface->uscale, (p[3] + srcy) * surface->vscale);
  }
  return 0;
}

int gxtkGraphics::DrawSurface(gxtkSurface* surface, float x, float y) {
  const float w = static_cast<float>(surface->width), h = static_cast<float>(surface->height);
  const float u1 = w * surface->uscale, v1 = h * surface->vscale;
  Vertex* v = Begin(4, 4, surface);
  PutUV(v, x, y, 0, 0);
  PutUV(v + 1, x + w, y, u1, 0);
  PutUV(v + 2, x + w, y + h, u1, v1);
  PutUV(v + 3, x, y + h, 0, v1);
  return 0;
}

int gxtkGraphics::DrawSurface2(gxtkSurface* surface, float x, float y, int srcx, int srcy,
                               int srcw, int srch) {
  const float w = static_cast<float>(srcw), h = static_cast<float>(srch);
  const float u0 = srcx * surface->uscale, u1 = (srcx + srcw) * surface->uscale;
  const float v0 = srcy * surface->vscale, v1 = (srcy + srch) * surface->vscale;
  Vertex* v = Begin(4, 4, surface);
  PutUV(v, x, y, u0, v0);
  PutUV(v + 1, x + w, y, u1, v0);
  PutUV(v + 2, x + w, y + h, u1, v1);
  PutUV(v + 3, x, y + h, u0, v1);
  return 0;
}

namespace {

// True when rows r = 0..h-1 of w elements starting at offset + r * pitch all lie inside an
// array of `length` elements.
bool block_fits(int length, int w, int h, int offset, int pitch) {
  if (w < 0 || h < 0) return false;
  if (w == 0 || h == 0) return true;
  const int64_t last_row = static_cast<int64_t>(h - 1) * pitch;
  const int64_t lo = offset + (last_row < 0 ? last_row : 0);
  const int64_t hi = offset + (last_row > 0 ? last_row : 0) + w;
  return lo >= 0 && hi <= length;
}

}  // namespace

int gxtkGraphics::ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset,
                             int pitch) {
  Flush();
  if (!block_fits(pixels.Length(), w, h, offset, pitch) || w == 0 || h == 0) return 0;
  // Only the window's pixels can be read; this also bounds the temporary buffer, which a
  // tall rectangle whose rows all land on one row of the array (pitch 0) would not.
  if (x < 0 || y < 0 || w > Width() - x || h > Height() - y) return 0;
  std::vector<int> rows(static_cast<size_t>(w) * h);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(x, Height() - y - h, w, h, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
  // GL returns the bottom row first.
  for (int r = 0; r < h; ++r) {
    const int* src = rows.data() + static_cast<size_t>(h - 1 - r) * w;
    int* dst = &pixels[offset + r * pitch];
    for (int c = 0; c < w; ++c) dst[c] = src[c];
  }
  return 0;
}

int gxtkGraphics::WritePixels2(gxtkSurface* surface, Array<int> pixels, int x, int y, int w,
                               int h, int offset, int pitch) {
  Flush();
  if (!surface || !block_fits(pixels.Length(), w, h, offset, pitch) || w == 0 || h == 0)
    return 0;
  surface->SetSubData(x, y, w, h, pixels.begin() + offset, pitch);
  return 0;
}

gxtkSurface* gxtkGraphics::LoadSurface(String path) {
  gxtkSurface* surface = LoadSurface__UNSAFE__(new gxtkSurface(), path);
  if (surface) surface->Bind();
  return surface;
}

gxtkSurface* gxtkGraphics::LoadSurface__UNSAFE__(gxtkSurface* surface, String path) {
  DecodedImage ahead;
  if (TakeDecodedImage(path, &ahead)) {
    if (!ahead.pixels) return nullptr;
    surface->SetData(ahead.pixels, ahead.width, ahead.height, ahead.depth, true);
    return surface;
  }
  int w = 0, h = 0, depth = 0;
  unsigned char* data = DecodeImageFile(VelGame::_game, path, &w, &h, &depth);
  if (!data) return nullptr;
  surface->SetData(data, w, h, depth);
  return surface;
}

gxtkSurface* gxtkGraphics::CreateSurface(int w, int h) {
  gxtkSurface* surface = new gxtkSurface();
  surface->width = w;
  surface->height = h;
  surface->depth = 4;
  surface->format = GL_RGBA;
  surface->Bind();
  return surface;
}
