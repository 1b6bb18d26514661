// A recording stand-in for the system's OpenGL, linked into test and benchmark binaries in
// place of libGL. It keeps the state the renderer sets, counts every call by name, records
// every draw with the vertices it reads and every texture and upload, and answers
// glReadPixels from a scripted framebuffer.
#pragma once

#include <map>
#include <set>
#include <vector>

namespace fakegl {

struct Vertex {
  float x, y, u, v;
  unsigned char rgba[4];
};

struct Draw {
  unsigned mode;
  int first, count;           // count: vertices for glDrawArrays, indices for glDrawElements
  bool textured;              // GL_TEXTURE_2D enabled
  unsigned texture, blendDst;  // the bound texture, the blend's destination factor
  std::vector<Vertex> verts;  // in drawing (index) order
};

struct Texture {
  int width = 0, height = 0;
  std::vector<unsigned char> pixels;  // rows from the top, as uploaded
  bool deleted = false;
};

struct Upload {
  int x, y, w, h;
};

struct ClientArray {
  const void* pointer = nullptr;
  int stride = 0;
};

struct State {
  // Off: only the counters move (for benchmarks and long runs); no vertex or pixel copies.
  bool record = true;
  std::map<const char*, int> counts;
  std::vector<Draw> draws;
  int drawCalls = 0;

  std::map<unsigned, Texture> textures;
  std::vector<Upload> uploads;
  unsigned nextTexture = 1, bound = 0;
  bool lost = false;  // a lost context: glGetError reports an error at every call

  std::set<unsigned> enabled;
  unsigned blendDst = 0;
  int scissor[4] = {0, 0, 0, 0};
  ClientArray vertices, texCoords, colors;

  // What glReadPixels reads: fbWidth x fbHeight pixels, bottom row first, each an int with
  // the bytes B, G, R, A in memory order. Outside it reads zero.
  int fbWidth = 0, fbHeight = 0;
  std::vector<int> framebuffer;
};

State& state();
// Forgets everything recorded and restores the defaults.
void reset();
int count(const char* name);

}  // namespace fakegl
