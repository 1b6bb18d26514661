// gxtkSurface: one image, its pixels in main memory and one OpenGL texture made from them.
//
// The pixels (premultiplied by alpha at load) stay for the surface's whole life, so the
// texture can always be rebuilt. The texture is made lazily by Bind() and belongs to the GL
// context that was current then, recorded as the window-creation count _glfwGraphicsSeq
// (platform/window.h) in `seq`. After the window is re-created the count differs, the old
// texture is treated as absent (its context is gone, so it is not deleted) and the next Bind()
// makes a new one.
#pragma once

#include "runtime/object.h"

class gxtkSurface : public Object {
 public:
  gxtkSurface() = default;
  ~gxtkSurface() override;

  // Deletes the texture if it belongs to the current context and frees the pixels. Returns 0;
  // harmless when repeated.
  virtual int Discard();
  virtual int Width();
  virtual int Height();
  virtual bool Loaded();
  // Completes a surface filled by gxtkGraphics::LoadSurface__UNSAFE__: binds it. Returns true.
  virtual bool OnUnsafeLoadComplete();

  // Takes ownership of a malloc'ed pixel block (rows from the top, depth bytes per pixel) and
  // premultiplies it by alpha unless it already is; depth 1 luminance, 2 luminance + alpha,
  // 3 RGB, anything else RGBA.
  void SetData(unsigned char* pixels, int width, int height, int depth, bool premultiplied = false);
  // Writes a w x h block of ARGB ints (alpha in the top byte, source row r at r * pitch) at
  // (x, y) as premultiplied RGBA into the pixels, and into the texture when it is current.
  // RGBA surfaces only; a block that does not lie inside the surface writes nothing.
  void SetSubData(int x, int y, int w, int h, const int* pixels, int pitch);
  // Makes the texture current for drawing, creating and filling it when the current context
  // has none. Does nothing while no context exists (_glfwGraphicsSeq 0).
  void Bind();

  unsigned char* data = nullptr;
  int width = 0, height = 0;
  int depth = 0;
  int format = 0;
  int seq = -1;
  unsigned int texture = 0;
  float uscale = 0, vscale = 0;
};

// Multiplies the colour of every pixel by its alpha, as surfaces keep their pixels: depth 2 is
// luminance + alpha, 1 and 3 have no alpha and stay as they are, anything else is RGBA.
void PremultiplyPixels(unsigned char* pixels, int width, int height, int depth);

// Images larger than this on either side are refused before decoding, so that a small file
// claiming a huge size cannot make the loader allocate gigabytes.
const int kMaxImageSide = 16384;
const long long kMaxImagePixels = 64LL * 1024 * 1024;
