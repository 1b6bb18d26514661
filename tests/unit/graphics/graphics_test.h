// Shared set-up for the graphics unit tests: the recording GL fake, the scripted window (640 by
// 480, counting buffer swaps), a live GL context (window-creation count 1), and a folder of
// image files written by the tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/gl/fake_gl.h"
#include "fakes/glfw/fake_glfw.h"
#include "graphics/graphics_module.h"
#include "graphics/renderer.h"
#include "host/vel_glfw_game.h"

namespace gfxtest {

// Writes an RGBA PNG of w x h pixels (rows from the top, bytes R, G, B, A) and returns its path.
std::string WritePng(const std::string& name, int w, int h, const std::vector<unsigned char>& rgba,
                     int channels = 4);
// Writes raw bytes to a file in the test folder and returns its path.
std::string WriteFile(const std::string& name, const std::vector<unsigned char>& bytes);
std::string TestDir();

class GraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  gxtkGraphics* gfx = nullptr;
  fakegl::State& gl = fakegl::state();
  fake_glfw::State& window = fake_glfw::state();
};

}  // namespace gfxtest
