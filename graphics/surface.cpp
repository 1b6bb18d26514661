#include "graphics/surface.h"

#include <cstdlib>

#include "graphics/gl.h"
#include "platform/window.h"

gxtkSurface::~gxtkSurface() { Discard(); }

int gxtkSurface::Discard() {
  if (seq == _glfwGraphicsSeq && seq > 0) {
    GLuint name = texture;
    glDeleteTextures(1, &name);
    seq = -1;
  }
  std::free(data);
  data = nullptr;
  return 0;
}

int gxtkSurface::Width() { return width; }
int gxtkSurface::Height() { return height; }
bool gxtkSurface::Loaded() { return true; }

bool gxtkSurface::OnUnsafeLoadComplete() {
  Bind();
  return true;
}

namespace {

int pixel_format(int depth) {
  switch (depth) {
    case 1: return GL_LUMINANCE;
    case 2: return GL_LUMINANCE_ALPHA;
    case 3: return GL_RGB;
    default: return GL_RGBA;
  }
}

}  // namespace

void PremultiplyPixels(unsigned char* pixels, int w, int h, int depth) {
  const long long count = static_cast<long long>(w) * h;
  unsigned char* p = pixels;
  if (depth == 2) {
    for (long long i = 0; i < count; ++i, p += 2)
      p[0] = static_cast<unsigned char>(p[0] * p[1] / 255);
  } else if (depth != 1 && depth != 3) {
    for (long long i = 0; i < count; ++i, p += 4) {
      const int a = p[3];
      p[0] = static_cast<unsigned char>(p[0] * a / 255);
      p[1] = static_cast<unsigned char>(p[1] * a / 255);
      p[2] = static_cast<unsigned char>(p[2] * a / 255);
    }
  }
}

void gxtkSurface::SetData(unsigned char* pixels, int w, int h, int d, bool premultiplied) {
  std::free(data);
  data = pixels;
  width = w;
  height = h;
  depth = d;
  format = pixel_format(d);
  if (!premultiplied) PremultiplyPixels(pixels, w, h, d);
}

void gxtkSurface::SetSubData(int x, int y, int w, int h, const int* pixels, int pitch) {
  if (format != GL_RGBA) return;
  if (x < 0 || y < 0 || w <= 0 || h <= 0 || w > width - x || h > height - y) return;
  if (!data) {
    // Pixels never written stay transparent black, also when a new context uploads them all.
    data = static_cast<unsigned char*>(std::calloc(static_cast<size_t>(width) * height, 4));
    if (!data) return;
  }
  for (int r = 0; r < h; ++r) {
    const int* src = pixels + static_cast<long>(r) * pitch;
    unsigned char* dst = data + (static_cast<size_t>(y + r) * width + x) * 4;
    for (int c = 0; c < w; ++c, dst += 4) {
      const unsigned int argb = static_cast<unsigned int>(src[c]);
      const unsigned int a = argb >> 24;
      dst[0] = static_cast<unsigned char>(((argb >> 16) & 255) * a / 255);
      dst[1] = static_cast<unsigned char>(((argb >> 8) & 255) * a / 255);
      dst[2] = static_cast<unsigned char>((argb & 255) * a / 255);
      dst[3] = static_cast<unsigned char>(a);
    }
  }
  if (seq != _glfwGraphicsSeq || seq <= 0) return;
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (w == width) {
    // Whole rows: the block is contiguous in data.
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, format, GL_UNSIGNED_BYTE,
                    data + static_cast<size_t>(y) * width * 4);
  } else {
    for (int r = 0; r < h; ++r)
      glTexSubImage2D(GL_TEXTURE_2D, 0, x, y + r, w, 1, format, GL_UNSIGNED_BYTE,
                      data + (static_cast<size_t>(y + r) * width + x) * 4);
  }
}

namespace {

// GL records at most one error per kind of error, and there are only a handful of kinds.
const int kMaxDrainedErrors = 16;

int next_pow2(int n) {
  int p = 1;
  while (p < n && p < (1 << 30)) p <<= 1;
  return p;
}

}  // namespace

void gxtkSurface::Bind() {
  if (!_glfwGraphicsSeq) return;
  if (seq == _glfwGraphicsSeq) {
    glBindTexture(GL_TEXTURE_2D, texture);
    return;
  }
  seq = _glfwGraphicsSeq;
  GLuint name = 0;
  glGenTextures(1, &name);
  texture = name;
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

  // An error left over from earlier GL work must not be taken for a refused size. A lost
  // context reports errors for ever, so the draining stops after a few.
  for (int i = 0; i < kMaxDrainedErrors && glGetError() != GL_NO_ERROR; ++i) {
  }
  int texw = width, texh = height;
  glTexImage2D(GL_TEXTURE_2D, 0, format, texw, texh, 0, format, GL_UNSIGNED_BYTE, nullptr);
  if (glGetError() != GL_NO_ERROR) {
    // The driver refuses sizes that are not powers of two: pad, and sample only the
    // top-left image area.
    texw = next_pow2(width);
    texh = next_pow2(height);
    glTexImage2D(GL_TEXTURE_2D, 0, format, texw, texh, 0, format, GL_UNSIGNED_BYTE, nullptr);
  }
  uscale = 1.0f / static_cast<float>(texw);
  vscale = 1.0f / static_cast<float>(texh);

  if (data) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, format, GL_UNSIGNED_BYTE, data);
  }
}
