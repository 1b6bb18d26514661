#include "fakes/gl/fake_gl.h"

#include <GL/gl.h>

#include <cstring>

namespace fakegl {

State& state() {
  static State s;
  return s;
}

void reset() { state() = State(); }

int count(const char* name) {
  for (const auto& entry : state().counts)
    if (std::strcmp(entry.first, name) == 0) return entry.second;
  return 0;
}

}  // namespace fakegl

namespace {

fakegl::State& note(const char* name) {
  fakegl::State& s = fakegl::state();
  ++s.counts[name];
  return s;
}

int bytes_per_pixel(GLenum format) {
  return format == GL_LUMINANCE ? 1 : format == GL_LUMINANCE_ALPHA ? 2 : format == GL_RGB ? 3 : 4;
}

// Copies `size` bytes of element i of a client array.
void read(const fakegl::ClientArray& a, int i, void* to, size_t size) {
  std::memcpy(to, static_cast<const char*>(a.pointer) + static_cast<long>(i) * a.stride, size);
}

void draw(fakegl::State& s, GLenum mode, int first, int count, const GLushort* indices) {
  ++s.drawCalls;
  if (!s.record) return;
  fakegl::Draw d{mode, first, count, s.enabled.count(GL_TEXTURE_2D) != 0, s.bound, s.blendDst, {}};
  for (int i = 0; i < count; ++i) {
    const int at = indices ? indices[i] : first + i;
    fakegl::Vertex v;
    read(s.vertices, at, &v.x, 2 * sizeof(float));
    read(s.texCoords, at, &v.u, 2 * sizeof(float));
    read(s.colors, at, v.rgba, 4);
    d.verts.push_back(v);
  }
  s.draws.push_back(std::move(d));
}

}  // namespace

extern "C" {

void glViewport(GLint, GLint, GLsizei, GLsizei) { note("glViewport"); }
void glMatrixMode(GLenum) { note("glMatrixMode"); }
void glLoadIdentity() { note("glLoadIdentity"); }
void glOrtho(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) { note("glOrtho"); }
void glEnableClientState(GLenum) { note("glEnableClientState"); }
void glVertexPointer(GLint, GLenum, GLsizei stride, const GLvoid* p) {
  note("glVertexPointer").vertices = {p, stride};
}
void glTexCoordPointer(GLint, GLenum, GLsizei stride, const GLvoid* p) {
  note("glTexCoordPointer").texCoords = {p, stride};
}
void glColorPointer(GLint, GLenum, GLsizei stride, const GLvoid* p) {
  note("glColorPointer").colors = {p, stride};
}
void glEnable(GLenum cap) { note("glEnable").enabled.insert(cap); }
void glDisable(GLenum cap) { note("glDisable").enabled.erase(cap); }
void glBlendFunc(GLenum, GLenum d) { note("glBlendFunc").blendDst = d; }
void glClearColor(GLclampf, GLclampf, GLclampf, GLclampf) { note("glClearColor"); }
void glClear(GLbitfield) { note("glClear"); }
void glScissor(GLint x, GLint y, GLsizei w, GLsizei h) {
  int* s = note("glScissor").scissor;
  s[0] = x, s[1] = y, s[2] = w, s[3] = h;
}
void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
  draw(note("glDrawArrays"), mode, first, count, nullptr);
}
void glDrawElements(GLenum mode, GLsizei count, GLenum, const GLvoid* indices) {
  draw(note("glDrawElements"), mode, 0, count, static_cast<const GLushort*>(indices));
}
void glPixelStorei(GLenum, GLint) { note("glPixelStorei"); }
void glReadPixels(GLint x, GLint y, GLsizei w, GLsizei h, GLenum, GLenum, GLvoid* out) {
  const fakegl::State& s = note("glReadPixels");
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) {
      const int fx = x + c, fy = y + r;
      const bool inside = fx >= 0 && fy >= 0 && fx < s.fbWidth && fy < s.fbHeight;
      static_cast<int*>(out)[r * w + c] = inside ? s.framebuffer[fy * s.fbWidth + fx] : 0;
    }
}
void glGenTextures(GLsizei n, GLuint* names) {
  fakegl::State& s = note("glGenTextures");
  for (int i = 0; i < n; ++i) s.textures[names[i] = s.nextTexture++];
}
void glDeleteTextures(GLsizei n, const GLuint* names) {
  fakegl::State& s = note("glDeleteTextures");
  for (int i = 0; i < n; ++i) s.textures[names[i]].deleted = true;
}
void glBindTexture(GLenum, GLuint name) { note("glBindTexture").bound = name; }
void glTexParameteri(GLenum, GLenum, GLint) { note("glTexParameteri"); }
GLenum glGetError() { return note("glGetError").lost ? GL_OUT_OF_MEMORY : GL_NO_ERROR; }
// Textures have only level 0: the renderer makes no others.
void glTexImage2D(GLenum, GLint level, GLint, GLsizei w, GLsizei h, GLint, GLenum format, GLenum,
                  const GLvoid* pixels) {
  fakegl::State& s = note("glTexImage2D");
  if (level != 0) return;
  fakegl::Texture& t = s.textures[s.bound];
  t.width = w;
  t.height = h;
  if (!s.record) return;
  t.pixels.assign(static_cast<size_t>(w) * h * bytes_per_pixel(format), 0);
  if (pixels) std::memcpy(t.pixels.data(), pixels, t.pixels.size());
}
void glTexSubImage2D(GLenum, GLint level, GLint x, GLint y, GLsizei w, GLsizei h, GLenum format,
                     GLenum, const GLvoid* pixels) {
  fakegl::State& s = note("glTexSubImage2D");
  if (level != 0 || !s.record) return;
  const size_t bpp = bytes_per_pixel(format), row = w * bpp;
  fakegl::Texture& t = s.textures[s.bound];
  // Rows are tightly packed (the renderer sets an unpack alignment of 1).
  for (int r = 0; r < h; ++r) {
    if (y + r < 0 || y + r >= t.height || x < 0 || x + w > t.width) continue;
    std::memcpy(t.pixels.data() + ((y + r) * t.width + x) * bpp,
                static_cast<const unsigned char*>(pixels) + r * row, row);
  }
  s.uploads.push_back({x, y, w, h});
}

}  // extern "C"
