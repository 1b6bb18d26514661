// gxtkGraphics: the 2D renderer. An OpenGL 1.x fixed-function batcher over client-side
// vertex arrays.
//
// Every draw operation asks Begin() for room in the batch. Consecutive primitives of the same
// kind (points, lines, triangles, quads, or n-vertex polygons) with the same texture are
// appended to one batch of at most 1024 vertices; anything else flushes the batch first and
// starts a new one, and so does a change of blend mode (setting the mode already in force
// does not). A flush is one GL draw call (one per polygon for polygons of five or more
// vertices). Quads go out through a prebuilt index list, so 256 sprites are one
// glDrawElements.
//
// Vertices are transformed by the current 2D matrix on the processor as they are added; the
// GL modelview matrix stays the identity, so a matrix change never forces a flush. Colours
// are premultiplied by alpha, packed once per SetColor / SetAlpha and copied into every
// vertex.
//
// The batch's surface is a plain pointer: every batch is flushed before the frame ends and
// the collector only runs between frames, so it never outlives its surface.
#pragma once

#include "graphics/surface.h"
#include "runtime/array.h"
#include "runtime/object.h"
#include "runtime/string.h"

class gxtkGraphics : public Object {
 public:
  // One vertex record, 20 bytes: position, texture coordinate, colour bytes R, G, B, A.
  struct Vertex {
    float x, y, u, v;
    unsigned int color;
  };
  static_assert(sizeof(Vertex) == 20, "vertex records are 20 bytes");

  static constexpr int kMaxVertices = 1024;
  static constexpr int kMaxQuads = kMaxVertices / 4;

  gxtkGraphics();

  virtual int Width();
  virtual int Height();
  // Sets up GL for a frame: viewport and projection for the window size, client arrays,
  // premultiplied blending, texturing off. Returns 1.
  virtual int BeginRender();
  // Flushes the batch and swaps the buffers.
  virtual void EndRender();
  virtual void DiscardGraphics();

  virtual gxtkSurface* LoadSurface(String path);
  virtual gxtkSurface* LoadSurface__UNSAFE__(gxtkSurface* surface, String path);
  virtual gxtkSurface* CreateSurface(int width, int height);

  virtual int Cls(float r, float g, float b);
  virtual int SetAlpha(float alpha);
  virtual int SetColor(float r, float g, float b);
  virtual int SetBlend(int blend);
  virtual int SetScissor(int x, int y, int w, int h);
  virtual int SetMatrix(float ix, float iy, float jx, float jy, float tx, float ty);

  virtual int DrawPoint(float x, float y);
  virtual int DrawRect(float x, float y, float w, float h);
  virtual int DrawLine(float x1, float y1, float x2, float y2);
  virtual int DrawOval(float x, float y, float w, float h);
  virtual int DrawPoly(Array<float> verts);
  virtual int DrawPoly2(Array<float> verts, gxtkSurface* surface, int srcx, int srcy);
  virtual int DrawSurface(gxtkSurface* surface, float x, float y);
  virtual int DrawSurface2(gxtkSurface* surface, float x, float y, int srcx, int srcy, int srcw,
                           int srch);

  // Reads the w x h rectangle with top-left (x, y) into pixels, top row first, row r at
  // element offset + r * pitch; each element holds bytes B, G, R, A in memory order. A
  // rectangle that would not fit in the array reads nothing.
  virtual int ReadPixels(Array<int> pixels, int x, int y, int w, int h, int offset, int pitch);
  // Writes ARGB pixels into a w x h block of an RGBA surface (see gxtkSurface::SetSubData).
  virtual int WritePixels2(gxtkSurface* surface, Array<int> pixels, int x, int y, int w, int h,
                           int offset, int pitch);

  // Room for count vertices of a primitive with `type` vertices (1 points, 2 lines,
  // 3 triangles, 4 quads, 5 or more one polygon) textured with surf (or null).
  Vertex* Begin(int type, int count, gxtkSurface* surf);
  // Draws the batch, if any, and empties it.
  void Flush();

  int width = 0, height = 0;
  unsigned int color = 0;
  float r = 0, g = 0, b = 0, alpha = 0;
  float ix = 1, iy = 0, jx = 0, jy = 1, tx = 0, ty = 0;
  bool tformed = false;
  Vertex vertices[kMaxVertices];
  unsigned short quadIndices[kMaxQuads * 6];
  int primType = 0;
  int vertCount = 0;
  gxtkSurface* primSurf = nullptr;
  // The blend mode in force in GL: 1 additive, 0 premultiplied alpha, -1 not yet set.
  int blendMode = -1;

 private:
  void PackColor();
  // Stores (x, y) through the current matrix, with the current colour.
  void Put(Vertex* v, float x, float y) {
    if (tformed) {
      v->x = ix * x + jx * y + tx;
      v->y = iy * x + jy * y + ty;
    } else {
      v->x = x;
      v->y = y;
    }
    v->color = color;
  }
  void PutUV(Vertex* v, float x, float y, float u, float w) {
    Put(v, x, y);
    v->u = u;
    v->v = w;
  }
};
