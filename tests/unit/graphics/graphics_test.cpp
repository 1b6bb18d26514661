#include "graphics_test.h"

#include <stb/stb_image_write.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "runtime/gc.h"

namespace gfxtest {

std::string TestDir() {
  static std::string dir;
  if (dir.empty()) {
    char tmpl[] = "/tmp/zipkin-gfx-test-XXXXXX";
    dir = mkdtemp(tmpl);
  }
  return dir;
}

std::string WritePng(const std::string& name, int w, int h, const std::vector<unsigned char>& px,
                     int channels) {
  std::string path = TestDir() + "/" + name;
  EXPECT_NE(0, stbi_write_png(path.c_str(), w, h, channels, px.data(), w * channels));
  return path;
}

std::string WriteFile(const std::string& name, const std::vector<unsigned char>& bytes) {
  std::string path = TestDir() + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

void GraphicsTest::SetUp() {
  static bool started = false;
  static VelGlfwGame game;
  if (!started) {
    gc_init1();
    VelGlfwGame::_glfwGame = &game;
    VelGame::_game = &game;
    started = true;
  }
  fakegl::reset();
  fake_glfw::reset();
  fake_glfw::state().window_open = true;
  fake_glfw::state().width = 640;
  fake_glfw::state().height = 480;
  _glfwGraphicsSeq = 1;
  vel_graphics_Init();
  gfx = new gxtkGraphics();
  vel_graphics_SetGraphicsDevice(gfx);
  gfx->BeginRender();
}

// The collector never runs in these tests, so objects are simply left to it.
void GraphicsTest::TearDown() { vel_graphics_EndRender(); }

}  // namespace gfxtest
