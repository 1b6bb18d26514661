#include "fakes/gl/fake_gl.h"

#include <GL/gl.h>

#include <cstring>

namespace fakegl {

namespace {

State& the_state() {
  static State s;
  return s;
}

void note(const char* name) { ++the_state().counts[name]; }

int bytes_per_pixel(unsigned format) {
  switch (format) {
    case GL_LUMINANCE:
      return 1;
    case GL_LUMINANCE_ALPHA:
      return 2;
    case GL_RGB:
      return 3;
    default:
      return 4;
  }
}

bool power_of_two(int n) { return n > 0 && (n & (n - 1)) == 0; }

Vertex read_vertex(int i) {
  const State& s = the_state();
  Vertex v{};
  const char* p = static_cast<const char*>(s.vertexPtr) + static_cast<long>(i) * s.vertexStride;
  std::memcpy(&v.x, p, sizeof(float));
  std::memcpy(&v.y, p + sizeof(float), sizeof(float));
  const char* t = static_cast<const char*>(s.texCoordPtr) + static_cast<long>(i) * s.texCoordStride;
  std::memcpy(&v.u, t, sizeof(float));
  std::memcpy(&v.v, t + sizeof(float), sizeof(float));
  const char* c = static_cast<const char*>(s.colorPtr) + static_cast<long>(i) * s.colorStride;
  std::memcpy(v.rgba, c, 4);
  return v;
}

Draw new_draw(unsigned mode, int first, int count) {
  const State& s = the_state();
  Draw d;
  d.mode = mode;
  d.first = first;
  d.count = count;
  d.textured = s.enabled.count(GL_TEXTURE_2D) != 0;
  d.texture = s.bound;
  return d;
}

}  // namespace

State& state() { return the_state(); }

void reset() { the_state() = State(); }

int count(const char* name) {
  for (const auto& entry : the_state().counts)
    if (std::strcmp(entry.first, name) == 0) return entry.second;
  return 0;
}

}  // namespace fakegl

using fakegl::note;
using fakegl::the_state;

extern "C" {

void glViewport(GLint, GLint, GLsizei, GLsizei) { note("glViewport"); }
void glMatrixMode(GLenum) { note("glMatrixMode"); }
void glLoadIdentity() { note("glLoadIdentity"); }
void glOrtho(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) { note("glOrtho"); }
void glEnableClientState(GLenum) { note("glEnableClientState"); }
void glDisableClientState(GLenum) { note("glDisableClientState"); }
void glVertexPointer(GLint, GLenum, GLsizei stride, const GLvoid* p) {
  note("glVertexPointer");
  the_state().vertexPtr = p;
  the_state().vertexStride = stride;
}
void glTexCoordPointer(GLint, GLenum, GLsizei stride, const GLvoid* p) {
  note("glTexCoordPointer");
  the_state().texCoordPtr = p;
  the_state().texCoordStride = stride;
}
void glColorPointer(GLint, GLenum, GLsizei stride, const GLvoid* p) {
  note("glColorPointer");
  the_state().colorPtr = p;
  the_state().colorStride = stride;
}
void glEnable(GLenum cap) {
  note("glEnable");
  the_state().enabled.insert(cap);
}
void glDisable(GLenum cap) {
  note("glDisable");
  the_state().enabled.erase(cap);
}
void glBlendFunc(GLenum, GLenum d) {
  note("glBlendFunc");
  the_state().blendDst = d;
}
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
  note("glClearColor");
  float* c = the_state().clearColor;
  c[0] = r, c[1] = g, c[2] = b, c[3] = a;
}
void glClear(GLbitfield) {
  note("glClear");
  ++the_state().clears;
}
void glScissor(GLint x, GLint y, GLsizei w, GLsizei h) {
  note("glScissor");
  int* s = the_state().scissor;
  s[0] = x, s[1] = y, s[2] = w, s[3] = h;
}
void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
  note("glDrawArrays");
  fakegl::State& s = the_state();
  ++s.drawCalls;
  if (!s.record) return;
  fakegl::Draw d = fakegl::new_draw(mode, first, count);
  for (int i = 0; i < count; ++i) d.verts.push_back(fakegl::read_vertex(first + i));
  s.draws.push_back(std::move(d));
}
void glDrawElements(GLenum mode, GLsizei count, GLenum, const GLvoid* indices) {
  note("glDrawElements");
  fakegl::State& s = the_state();
  ++s.drawCalls;
  if (!s.record) return;
  fakegl::Draw d = fakegl::new_draw(mode, 0, count);
  const GLushort* idx = static_cast<const GLushort*>(indices);
  for (int i = 0; i < count; ++i) d.verts.push_back(fakegl::read_vertex(idx[i]));
  s.draws.push_back(std::move(d));
}
void glPixelStorei(GLenum name, GLint value) {
  note("glPixelStorei");
  if (name == GL_UNPACK_ALIGNMENT) the_state().unpackAlignment = value;
}
void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum, GLenum, GLvoid* out) {
  note("glReadPixels");
  const fakegl::State& s = the_state();
  int* dst = static_cast<int*>(out);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      const int fx = x + c, fy = y + r;
      const bool inside = fx >= 0 && fy >= 0 && fx < s.fbWidth && fy < s.fbHeight;
      dst[r * w + c] = inside ? s.framebuffer[fy * s.fbWidth + fx] : 0;
    }
}
void glGenTextures(GLsizei n, GLuint* names) {
  note("glGenTextures");
  for (int i = 0; i < n; ++i) {
    names[i] = the_state().nextTexture++;
    the_state().textures[names[i]];
  }
}
void glDeleteTextures(GLsizei n, const GLuint* names) {
  note("glDeleteTextures");
  for (int i = 0; i < n; ++i) the_state().textures[names[i]].deleted = true;
}
void glBindTexture(GLenum, GLuint name) {
  note("glBindTexture");
  the_state().bound = name;
}
void glTexParameteri(GLenum, GLenum, GLint) { note("glTexParameteri"); }
GLenum glGetError() {
  note("glGetError");
  auto& errors = the_state().pendingErrors;
  if (the_state().lost) return GL_OUT_OF_MEMORY;
  if (errors.empty()) return GL_NO_ERROR;
  GLenum e = errors.front();
  errors.erase(errors.begin());
  return e;
}
void glTexImage2D(GLenum, GLint level, GLint, GLsizei w, GLsizei h, GLint, GLenum format, GLenum,
                  const GLvoid* pixels) {
  note("glTexImage2D");
  fakegl::State& s = the_state();
  const bool pow2 = fakegl::power_of_two(w) && fakegl::power_of_two(h);
  if (level != 0 || (s.refuseNonPowerOfTwo && !pow2)) {
    s.pendingErrors.push_back(GL_INVALID_VALUE);
    return;
  }
  fakegl::Texture& t = s.textures[s.bound];
  t.width = w;
  t.height = h;
  if (!s.record) return;
  const size_t n = static_cast<size_t>(w) * h * fakegl::bytes_per_pixel(format);
  t.pixels.assign(n, 0);
  if (pixels) std::memcpy(t.pixels.data(), pixels, n);
}
void glTexSubImage2D(GLenum, GLint level, GLint x, GLint y, GLsizei w, GLsizei h, GLenum format,
                     GLenum, const GLvoid* pixels) {
  note("glTexSubImage2D");
  fakegl::State& s = the_state();
  if (level != 0 || !s.record) return;  // textures have only level 0
  const int bpp = fakegl::bytes_per_pixel(format);
  const unsigned char* src = static_cast<const unsigned char*>(pixels);
  fakegl::Texture& t = s.textures[s.bound];
  // Rows are tightly packed (the renderer sets an unpack alignment of 1).
  for (int r = 0; r < h; ++r) {
    if (y + r < 0 || y + r >= t.height || x < 0 || x + w > t.width) continue;
    std::memcpy(t.pixels.data() + (static_cast<size_t>(y + r) * t.width + x) * bpp,
                src + static_cast<size_t>(r) * w * bpp, static_cast<size_t>(w) * bpp);
  }
  s.uploads.push_back({x, y, w, h});
}

}  // extern "C"
