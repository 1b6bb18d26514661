// Shared set-up for the graphics unit tests: the recording GL fake, a scripted 640 x 480 window
// with a live GL context (window count 1), a renderer in a render, and a folder for images.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "fakes/gl/fake_gl.h"
#include "fakes/glfw/fake_glfw.h"
#include "graphics/graphics_module.h"
#include "host/vel_glfw_game.h"
#include "platform/window.h"
#include "runtime/gc.h"

namespace gfxtest {

using Bytes = std::vector<unsigned char>;
using Ints = std::vector<int>;
using Floats = std::vector<float>;

inline std::string TestDir() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/zipkin-gfx-test-XXXXXX";
    return std::string(mkdtemp(tmpl));
  }();
  return dir;
}

// PNG bytes for w x h pixels of `channels` bytes each, rows from the top.
inline Bytes PngBytes(int w, int h, const Bytes& px, int channels = 4) {
  Bytes out;
  auto append = [](void* to, void* data, int n) {
    Bytes& bytes = *static_cast<Bytes*>(to);
    bytes.insert(bytes.end(), static_cast<char*>(data), static_cast<char*>(data) + n);
  };
  stbi_write_png_to_func(append, &out, w, h, channels, px.data(), w * channels);
  return out;
}

// Writes bytes to a file in the test folder and returns its path.
inline String WriteFile(const std::string& name, const Bytes& bytes) {
  const std::string path = TestDir() + "/" + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return String(path.c_str());
}

// A bound w x h RGBA surface of transparent black.
inline gxtkSurface* MakeSurface(int w, int h) {
  gxtkSurface* s = new gxtkSurface();
  s->SetData(static_cast<unsigned char*>(calloc(static_cast<size_t>(w) * h, 4)), w, h, 4);
  s->Bind();
  return s;
}

// One field of every draw, in order.
template <class T>
std::vector<T> Field(const std::vector<fakegl::Draw>& draws, T fakegl::Draw::*field) {
  std::vector<T> out;
  for (const fakegl::Draw& d : draws) out.push_back(d.*field);
  return out;
}

// A vertex's position, and with it its texture coordinates in texels of a w x h texture.
inline Floats XY(const fakegl::Vertex& v) { return {v.x, v.y}; }
inline Floats XYUV(const fakegl::Vertex& v, int w, int h) { return {v.x, v.y, v.u * w, v.v * h}; }
inline auto Near(const Floats& want) {
  return ::testing::Pointwise(::testing::FloatNear(1e-3f), want);
}

class GraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static VelGlfwGame game;
    if (!VelGlfwGame::_glfwGame) {
      gc_init1();
      VelGame::_game = VelGlfwGame::_glfwGame = &game;
    }
    fakegl::reset();
    fake_glfw::reset();
    window.window_open = true;
    window.width = 640;
    window.height = 480;
    _glfwGraphicsSeq = 1;
    vel_graphics_Init();
    vel_graphics_SetGraphicsDevice(gfx = new gxtkGraphics());
    gfx->BeginRender();
    vel_graphics_BeginRender();
  }
  // The collector never runs in these tests, so objects are simply left to it.
  void TearDown() override { vel_graphics_EndRender(); }
  // Flushes the batch and returns every draw so far.
  const std::vector<fakegl::Draw>& Drawn() {
    gfx->Flush();
    return gl.draws;
  }

  gxtkGraphics* gfx = nullptr;
  fakegl::State& gl = fakegl::state();
  fake_glfw::State& window = fake_glfw::state();
};

}  // namespace gfxtest
