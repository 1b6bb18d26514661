// The graphics module: what the game draws through.
//
// One c_GraphicsContext keeps its own copy of the drawing state (matrix and matrix stack,
// colour, alpha, blend, scissor, font) and forwards changes to the renderer. The matrix is
// composed here and handed to the renderer only when something is drawn after a change, so
// runs of draws under one matrix cost no matrix update.
//
// A c_Image is a surface cut into frames, with a handle: the point of a frame that is placed
// at the drawing position.
#pragma once

#include "graphics/renderer.h"
#include "graphics/surface.h"
#include "runtime/array.h"
#include "runtime/object.h"
#include "runtime/string.h"

class c_Frame : public Object {
 public:
  int m_x = 0, m_y = 0;
  c_Frame* m_new(int x, int y);
};

class c_Image : public Object {
 public:
  // The handle is centred on the (padded) frame; the bit itself is not kept.
  static constexpr int kMidHandle = 1;
  // A 1-pixel border on the left and right (XPadding) or top and bottom (YPadding) of each
  // frame is left out.
  static constexpr int kXPadding = 2;
  static constexpr int kYPadding = 4;
  // Set by the image itself: one frame at (0, 0) covering the whole surface, drawn as a
  // plain surface.
  static constexpr int kFullFrame = 65536;

  gxtkSurface* m_surface = nullptr;
  int m_width = 0, m_height = 0;
  Array<c_Frame*> m_frames;
  int m_flags = 0;
  float m_tx = 0, m_ty = 0;
  c_Image* m_source = nullptr;

  // A strip of frameCount frames side by side.
  c_Image* p_Init(gxtkSurface* surface, int frameCount, int flags);
  // frameCount frames of frameWidth x frameHeight, read left to right then top to bottom
  // from the rectangle (srcx, srcy, srcw, srch) of the surface, starting at (x, y) in it.
  // Raises "Image frame outside surface" when a frame does not fit.
  c_Image* p_Init2(gxtkSurface* surface, int x, int y, int frameWidth, int frameHeight,
                   int frameCount, int flags, c_Image* source, int srcx, int srcy, int srcw,
                   int srch);
  int p_ApplyFlags(int flags);
  int p_SetHandle(float x, float y);
  int p_Width() { return m_width; }
  int p_Height() { return m_height; }
  int p_Frames() { return m_frames.Length(); }

  void mark() override;
};

class c_GraphicsContext : public Object {
 public:
  static constexpr int kMatrixLevels = 32;

  c_GraphicsContext();

  c_Image* m_defaultFont = nullptr;
  c_Image* m_font = nullptr;
  int m_firstChar = 0;
  int m_matrixSp = 0;
  float m_ix = 1, m_iy = 0, m_jx = 0, m_jy = 1, m_tx = 0, m_ty = 0;
  int m_tformed = 0;
  int m_matDirty = 0;
  float m_color_r = 0, m_color_g = 0, m_color_b = 0;
  float m_alpha = 0;
  int m_blend = 0;
  float m_scissor_x = 0, m_scissor_y = 0, m_scissor_width = 0, m_scissor_height = 0;
  Array<float> m_matrixStack;

  // Gives the matrix to the render device if it changed since it was last given.
  int p_Validate();

  void mark() override;
};

extern gxtkGraphics* vel_graphics_device;
extern gxtkGraphics* vel_graphics_renderDevice;
extern c_GraphicsContext* vel_graphics_context;

// Radians per degree, as a float.
const float vel_graphics_D2R = 0.0174532924f;

// Sets the module's globals for a fresh run (no device, a new context, no render device) and
// registers them as collector roots. Called once from velInit.
void vel_graphics_Init();

int vel_graphics_SetGraphicsDevice(gxtkGraphics* device);
int vel_graphics_BeginRender();
int vel_graphics_EndRender();
int vel_graphics_DeviceWidth();
int vel_graphics_DeviceHeight();

int vel_graphics_SetColor(float r, float g, float b);
int vel_graphics_SetAlpha(float alpha);
int vel_graphics_SetBlend(int blend);
int vel_graphics_SetScissor(float x, float y, float w, float h);
int vel_graphics_Cls(float r, float g, float b);

int vel_graphics_SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);
int vel_graphics_SetMatrix2(Array<float> m);
int vel_graphics_Transform(float ix, float iy, float jx, float jy, float tx, float ty);
int vel_graphics_Transform2(Array<float> m);
int vel_graphics_Translate(float x, float y);
int vel_graphics_Rotate(float angle);
int vel_graphics_Scale(float x, float y);
int vel_graphics_PushMatrix();
int vel_graphics_PopMatrix();

int vel_graphics_DrawRect(float x, float y, float w, float h);
int vel_graphics_DrawLine(float x1, float y1, float x2, float y2);
int vel_graphics_DrawEllipse(float x, float y, float xr, float yr);
int vel_graphics_DrawImage(c_Image* image, float x, float y, int frame);
int vel_graphics_DrawImage2(c_Image* image, float x, float y, float rotation, float scaleX,
                            float scaleY, int frame);
int vel_graphics_ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset,
                            int pitch);

c_Image* vel_graphics_LoadImage(String path, int frameCount, int flags);
c_Image* vel_graphics_LoadImage2(String path, int frameWidth, int frameHeight, int frameCount,
                                 int flags);
int vel_graphics_SetFont(c_Image* font, int firstChar);
