#include "graphics/graphics_module.h"

#include <cmath>

#include "platform/files.h"
#include "runtime/debug.h"
#include "runtime/gc.h"

gxtkGraphics* vel_graphics_device = nullptr;
gxtkGraphics* vel_graphics_renderDevice = nullptr;
c_GraphicsContext* vel_graphics_context = nullptr;

// ---- frames and images ----

c_Frame* c_Frame::m_new(int x, int y) {
  m_x = x;
  m_y = y;
  return this;
}

c_Image* c_Image::p_Init(gxtkSurface* surface, int frameCount, int flags) {
  // A strip needs at least one frame; fewer would divide the width by zero.
  if (frameCount < 1) frameCount = 1;
  gc_assign(m_surface, surface);
  m_width = surface->Width() / frameCount;
  m_height = surface->Height();
  m_frames = Array<c_Frame*>(frameCount);
  for (int i = 0; i < frameCount; ++i) m_frames.Set(i, (new c_Frame())->m_new(i * m_width, 0));
  p_ApplyFlags(flags);
  return this;
}

c_Image* c_Image::p_Init2(gxtkSurface* surface, int x, int y, int frameWidth, int frameHeight,
                          int frameCount, int flags, c_Image* source, int srcx, int srcy,
                          int srcw, int srch) {
  gc_assign(m_surface, surface);
  gc_assign(m_source, source);
  m_width = frameWidth;
  m_height = frameHeight;
  m_frames = Array<c_Frame*>(frameCount);
  for (int i = 0; i < frameCount; ++i) {
    if (x + m_width > srcw) {
      y += m_height;
      if (m_width > srcw) velError(String("Image frame outside surface"));
      x = 0;
    }
    if (y + m_height > srch) velError(String("Image frame outside surface"));
    m_frames.Set(i, (new c_Frame())->m_new(x + srcx, y + srcy));
    x += m_width;
  }
  p_ApplyFlags(flags);
  return this;
}

int c_Image::p_ApplyFlags(int flags) {
  m_flags = flags;
  if (m_flags & kXPadding) {
    for (c_Frame* f : m_frames) f->m_x += 1;
    m_width -= 2;
  }
  if (m_flags & kYPadding) {
    for (c_Frame* f : m_frames) f->m_y += 1;
    m_height -= 2;
  }
  if (m_flags & kMidHandle) {
    p_SetHandle(static_cast<float>(m_width / 2), static_cast<float>(m_height / 2));
  }
  if (m_frames.Length() == 1 && m_frames[0]->m_x == 0 && m_frames[0]->m_y == 0 &&
      m_width == m_surface->Width() && m_height == m_surface->Height()) {
    m_flags |= kFullFrame;
  }
  return 0;
}

int c_Image::p_SetHandle(float x, float y) {
  m_tx = x;
  m_ty = y;
  m_flags &= ~kMidHandle;
  return 0;
}

void c_Image::mark() {
  gc_grey(m_surface);
  gc_grey(m_frames);
  gc_grey(m_source);
}

// ---- the context ----

c_GraphicsContext::c_GraphicsContext() : m_matrixStack(kMatrixLevels * 6) {}

int c_GraphicsContext::p_Validate() {
  if (m_matDirty) {
    vel_graphics_renderDevice->SetMatrix(m_ix, m_iy, m_jx, m_jy, m_tx, m_ty);
    m_matDirty = 0;
  }
  return 0;
}

void c_GraphicsContext::mark() {
  gc_grey(m_defaultFont);
  gc_grey(m_font);
  gc_grey(m_matrixStack);
}

void vel_graphics_Init() {
  // Registering a slot twice is harmless: the collector keeps each slot once.
  gc_register_root(&vel_graphics_device);
  gc_register_root(&vel_graphics_renderDevice);
  gc_register_root(&vel_graphics_context);
  vel_graphics_device = nullptr;
  gc_assign(vel_graphics_context, new c_GraphicsContext());
  vel_graphics_renderDevice = nullptr;
}

// ---- lifecycle ----

int vel_graphics_SetGraphicsDevice(gxtkGraphics* device) {
  gc_assign(vel_graphics_device, device);
  return 0;
}

int vel_graphics_DeviceWidth() { return vel_graphics_device ? vel_graphics_device->Width() : 0; }
int vel_graphics_DeviceHeight() {
  return vel_graphics_device ? vel_graphics_device->Height() : 0;
}

int vel_graphics_BeginRender() {
  gc_assign(vel_graphics_renderDevice, vel_graphics_device);
  if (!vel_graphics_renderDevice) return 0;
  c_GraphicsContext* c = vel_graphics_context;
  c->m_matrixSp = 0;
  vel_graphics_SetMatrix(1, 0, 0, 1, 0, 0);
  vel_graphics_SetColor(255, 255, 255);
  vel_graphics_SetAlpha(1);
  vel_graphics_SetBlend(0);
  vel_graphics_SetScissor(0, 0, static_cast<float>(vel_graphics_DeviceWidth()),
                          static_cast<float>(vel_graphics_DeviceHeight()));
  return 0;
}

int vel_graphics_EndRender() {
  vel_graphics_renderDevice = nullptr;
  return 0;
}

// ---- state ----
// Outside a render (no render device) the state is still kept, but nothing is forwarded and
// nothing is drawn.

int vel_graphics_SetColor(float r, float g, float b) {
  c_GraphicsContext* c = vel_graphics_context;
  c->m_color_r = r;
  c->m_color_g = g;
  c->m_color_b = b;
  if (vel_graphics_renderDevice) vel_graphics_renderDevice->SetColor(r, g, b);
  return 0;
}

int vel_graphics_SetAlpha(float alpha) {
  vel_graphics_context->m_alpha = alpha;
  if (vel_graphics_renderDevice) vel_graphics_renderDevice->SetAlpha(alpha);
  return 0;
}

int vel_graphics_SetBlend(int blend) {
  vel_graphics_context->m_blend = blend;
  if (vel_graphics_renderDevice) vel_graphics_renderDevice->SetBlend(blend);
  return 0;
}

int vel_graphics_SetScissor(float x, float y, float w, float h) {
  c_GraphicsContext* c = vel_graphics_context;
  c->m_scissor_x = x;
  c->m_scissor_y = y;
  c->m_scissor_width = w;
  c->m_scissor_height = h;
  if (vel_graphics_renderDevice)
    vel_graphics_renderDevice->SetScissor(static_cast<int>(x), static_cast<int>(y),
                                          static_cast<int>(w), static_cast<int>(h));
  return 0;
}

int vel_graphics_Cls(float r, float g, float b) {
  if (vel_graphics_renderDevice) vel_graphics_renderDevice->Cls(r, g, b);
  return 0;
}

// ---- matrix ----

namespace {

void set_tformed(c_GraphicsContext* c) {
  c->m_tformed = c->m_ix != 1 || c->m_iy != 0 || c->m_jx != 0 || c->m_jy != 1 || c->m_tx != 0 ||
                 c->m_ty != 0;
}

}  // namespace

int vel_graphics_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty) {
  c_GraphicsContext* c = vel_graphics_context;
  c->m_ix = ix;
  c->m_iy = iy;
  c->m_jx = jx;
  c->m_jy = jy;
  c->m_tx = tx;
  c->m_ty = ty;
  set_tformed(c);
  c->m_matDirty = 1;
  return 0;
}

int vel_graphics_SetMatrix2(Array<float> m) {
  return vel_graphics_SetMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
}

// The new transform applies to points first, then the current matrix.
int vel_graphics_Transform(float a, float b, float cc, float d, float e, float f) {
  c_GraphicsContext* c = vel_graphics_context;
  const float ix = c->m_ix * a + c->m_jx * b;
  const float iy = c->m_iy * a + c->m_jy * b;
  const float jx = c->m_ix * cc + c->m_jx * d;
  const float jy = c->m_iy * cc + c->m_jy * d;
  const float tx = c->m_ix * e + c->m_jx * f + c->m_tx;
  const float ty = c->m_iy * e + c->m_jy * f + c->m_ty;
  return vel_graphics_SetMatrix(ix, iy, jx, jy, tx, ty);
}

int vel_graphics_Transform2(Array<float> m) {
  return vel_graphics_Transform(m[0], m[1], m[2], m[3], m[4], m[5]);
}

int vel_graphics_Translate(float x, float y) { return vel_graphics_Transform(1, 0, 0, 1, x, y); }

int vel_graphics_Rotate(float angle) {
  const float r = angle * vel_graphics_D2R;
  const float c = std::cos(r), s = std::sin(r);
  return vel_graphics_Transform(c, -s, s, c, 0, 0);
}

int vel_graphics_Scale(float x, float y) { return vel_graphics_Transform(x, 0, 0, y, 0, 0); }

// The stack holds 32 levels to begin with and doubles when a push finds it full, so deeper
// nesting never writes past its end.
int vel_graphics_PushMatrix() {
  c_GraphicsContext* c = vel_graphics_context;
  int sp = c->m_matrixSp;
  if (sp + 6 > c->m_matrixStack.Length()) {
    Array<float> bigger(c->m_matrixStack.Length() * 2 + 6);
    for (int i = 0; i < sp; ++i) bigger[i] = c->m_matrixStack[i];
    c->m_matrixStack = bigger;
  }
  float* m = &c->m_matrixStack[sp];
  m[0] = c->m_ix;
  m[1] = c->m_iy;
  m[2] = c->m_jx;
  m[3] = c->m_jy;
  m[4] = c->m_tx;
  m[5] = c->m_ty;
  c->m_matrixSp = sp + 6;
  c->m_matDirty = 1;
  return 0;
}

// A pop with nothing pushed leaves the matrix as it is.
int vel_graphics_PopMatrix() {
  c_GraphicsContext* c = vel_graphics_context;
  if (c->m_matrixSp < 6) return 0;
  c->m_matrixSp -= 6;
  const float* m = &c->m_matrixStack[c->m_matrixSp];
  return vel_graphics_SetMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
}

// ---- drawing ----

int vel_graphics_DrawRect(float x, float y, float w, float h) {
  if (!vel_graphics_renderDevice) return 0;
  vel_graphics_context->p_Validate();
  vel_graphics_renderDevice->DrawRect(x, y, w, h);
  return 0;
}

int vel_graphics_DrawLine(float x1, float y1, float x2, float y2) {
  if (!vel_graphics_renderDevice) return 0;
  vel_graphics_context->p_Validate();
  vel_graphics_renderDevice->DrawLine(x1, y1, x2, y2);
  return 0;
}

int vel_graphics_DrawEllipse(float x, float y, float xr, float yr) {
  if (!vel_graphics_renderDevice) return 0;
  vel_graphics_context->p_Validate();
  vel_graphics_renderDevice->DrawOval(x - xr, y - yr, xr * 2, yr * 2);
  return 0;
}

namespace {

// Draws frame `frame` of the image with its top-left at (x, y). A null image or a frame
// number outside the image draws nothing.
void draw_frame(c_Image* image, float x, float y, int frame) {
  if (!image || frame < 0 || frame >= image->m_frames.Length()) return;
  if (image->m_flags & c_Image::kFullFrame) {
    vel_graphics_renderDevice->DrawSurface(image->m_surface, x, y);
  } else {
    c_Frame* f = image->m_frames[frame];
    vel_graphics_renderDevice->DrawSurface2(image->m_surface, x, y, f->m_x, f->m_y,
                                            image->m_width, image->m_height);
  }
}

}  // namespace

int vel_graphics_DrawImage(c_Image* image, float x, float y, int frame) {
  if (!vel_graphics_renderDevice || !image) return 0;
  vel_graphics_context->p_Validate();
  draw_frame(image, x - image->m_tx, y - image->m_ty, frame);
  return 0;
}

// The image is moved by minus its handle, scaled, rotated, placed at (x, y) and then taken
// through the current matrix.
int vel_graphics_DrawImage2(c_Image* image, float x, float y, float rotation, float scaleX,
                            float scaleY, int frame) {
  if (!vel_graphics_renderDevice || !image) return 0;
  vel_graphics_PushMatrix();
  vel_graphics_Transform(1, 0, 0, 1, x, y);
  const float r = rotation * vel_graphics_D2R;
  const float c = std::cos(r), s = std::sin(r);
  vel_graphics_Transform(c, -s, s, c, 0, 0);
  vel_graphics_Transform(scaleX, 0, 0, scaleY, 0, 0);
  vel_graphics_Transform(1, 0, 0, 1, -image->m_tx, -image->m_ty);
  vel_graphics_context->p_Validate();
  draw_frame(image, 0, 0, frame);
  vel_graphics_PopMatrix();
  return 0;
}

int vel_graphics_ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset,
                            int pitch) {
  if (!vel_graphics_renderDevice) return 0;
  vel_graphics_renderDevice->ReadPixels(pixels, x, y, w, h, offset, pitch);
  return 0;
}

// ---- images and fonts ----

namespace {

gxtkSurface* load_surface(String path) {
  if (!vel_graphics_device) return nullptr;
  return vel_graphics_device->LoadSurface(vel_data_FixDataPath(path));
}

}  // namespace

c_Image* vel_graphics_LoadImage(String path, int frameCount, int flags) {
  gxtkSurface* surface = load_surface(path);
  if (!surface) return nullptr;
  return (new c_Image())->p_Init(surface, frameCount, flags);
}

c_Image* vel_graphics_LoadImage2(String path, int frameWidth, int frameHeight, int frameCount,
                                 int flags) {
  gxtkSurface* surface = load_surface(path);
  if (!surface) return nullptr;
  return (new c_Image())
      ->p_Init2(surface, 0, 0, frameWidth, frameHeight, frameCount, flags, nullptr, 0, 0,
                surface->Width(), surface->Height());
}

int vel_graphics_SetFont(c_Image* font, int firstChar) {
  c_GraphicsContext* c = vel_graphics_context;
  if (!font) {
    firstChar = 32;
    if (!c->m_defaultFont)
      gc_assign(c->m_defaultFont, vel_graphics_LoadImage(String("nimbus_font.png"), 96,
                                                         c_Image::kXPadding));
    font = c->m_defaultFont;
  }
  gc_assign(c->m_font, font);
  c->m_firstChar = firstChar;
  return 0;
}
