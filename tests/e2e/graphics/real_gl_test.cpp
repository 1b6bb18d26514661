// The renderer on real OpenGL (Mesa under Xvfb): what is drawn is read back from the window's
// back buffer with ReadPixels and compared, premultiplied colour by colour.
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/graphics_module.h"
#include "graphics/renderer.h"
#include "host/vel_glfw_game.h"
#include "platform/glfw2.h"
#include "platform/window.h"
#include "runtime/gc.h"

namespace {

struct Rgba {
  int r, g, b, a;
};

void OpenWindow(int width, int height) {
  ASSERT_EQ(glfwOpenWindow(width, height, 8, 8, 8, 8, 0, 0, GLFW_WINDOW), 1);
  ++_glfwGraphicsSeq;
}

class RealGL : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    gc_init1();
    static VelGlfwGame game;
    VelGlfwGame::_glfwGame = &game;
    VelGame::_game = &game;
    ASSERT_EQ(glfwInit(), 1) << "no X display: run under xvfb-run";
    OpenWindow(640, 480);
    vel_graphics_Init();
    gfx = new gxtkGraphics();
    vel_graphics_SetGraphicsDevice(gfx);

    // An 8 x 8 image: left half (200, 100, 50) at alpha 128, right half opaque (0, 0, 255).
    char tmpl[] = "/tmp/zipkin-gfx-e2e-XXXXXX";
    dir = mkdtemp(tmpl);
    std::vector<unsigned char> px(8 * 8 * 4);
    const unsigned char left[4] = {200, 100, 50, 128}, right[4] = {0, 0, 255, 255};
    for (int i = 0; i < 64; ++i) std::memcpy(&px[i * 4], i % 8 < 4 ? left : right, 4);
    imagePath = dir + "/halves.png";
    ASSERT_NE(stbi_write_png(imagePath.c_str(), 8, 8, 4, px.data(), 32), 0);
  }
  static void TearDownTestSuite() {
    glfwCloseWindow();
    glfwTerminate();
  }

  void SetUp() override {
    gfx->BeginRender();
    vel_graphics_BeginRender();
    vel_graphics_Cls(0, 0, 0);
  }
  void TearDown() override {
    vel_graphics_EndRender();
    gfx->EndRender();
  }

  // The window pixel at (x, y), origin top left.
  static Rgba At(int x, int y) {
    Array<int> px(1);
    gfx->ReadPixels(px, x, y, 1, 1, 0, 1);
    const unsigned v = static_cast<unsigned>(px[0]);  // bytes B, G, R, A in memory
    return {static_cast<int>(v >> 16 & 255), static_cast<int>(v >> 8 & 255),
            static_cast<int>(v & 255), static_cast<int>(v >> 24)};
  }
  static void ExpectRgb(int x, int y, int r, int g, int b) {
    Rgba c = At(x, y);
    EXPECT_EQ(c.r, r) << "at " << x << "," << y;
    EXPECT_EQ(c.g, g) << "at " << x << "," << y;
    EXPECT_EQ(c.b, b) << "at " << x << "," << y;
  }

  static gxtkGraphics* gfx;
  static std::string dir, imagePath;
};

gxtkGraphics* RealGL::gfx = nullptr;
std::string RealGL::dir, RealGL::imagePath;

TEST_F(RealGL, ColouredRectanglesAndAlpha) {
  vel_graphics_SetColor(255, 0, 0);
  vel_graphics_DrawRect(10, 10, 20, 20);
  vel_graphics_SetColor(0, 255, 0);
  vel_graphics_SetAlpha(0.5f);
  vel_graphics_DrawRect(40, 10, 20, 20);
  // Half-transparent white over the red square: 127 + 255 * (1 - 127/255) in red.
  vel_graphics_SetColor(255, 255, 255);
  vel_graphics_DrawRect(25, 10, 10, 5);
  ExpectRgb(20, 20, 255, 0, 0);
  ExpectRgb(50, 20, 0, 127, 0);
  ExpectRgb(35, 20, 0, 0, 0);  // just right of the red square: not drawn
  ExpectRgb(27, 12, 255, 127, 127);
  ExpectRgb(32, 12, 127, 127, 127);
  // A block read comes top row first, each pixel as bytes B, G, R, A: column 10 is red in
  // rows 28 and 29 and black in row 30, column 9 black.
  Array<int> px(2 * 3);
  gfx->ReadPixels(px, 9, 28, 2, 3, 0, 2);
  EXPECT_EQ(static_cast<unsigned>(px[0]) & 0xFFFFFF, 0u);
  EXPECT_EQ(static_cast<unsigned>(px[1]) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(static_cast<unsigned>(px[3]) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(static_cast<unsigned>(px[5]) & 0xFFFFFF, 0u);
}

TEST_F(RealGL, OvalFillsItsInsideOnly) {
  vel_graphics_SetColor(255, 255, 255);
  vel_graphics_DrawEllipse(300, 300, 50, 30);
  ExpectRgb(300, 300, 255, 255, 255);
  ExpectRgb(345, 300, 255, 255, 255);
  ExpectRgb(300, 275, 255, 255, 255);
  ExpectRgb(300, 335, 0, 0, 0);
  ExpectRgb(345, 325, 0, 0, 0);  // inside the bounding box, outside the oval
  ExpectRgb(255, 275, 0, 0, 0);
}

TEST_F(RealGL, ImageWithAlphaBlendsPremultiplied) {
  c_Image* img = vel_graphics_LoadImage(String(imagePath.c_str()), 1, 0);
  ASSERT_NE(img, nullptr);
  vel_graphics_SetColor(0, 0, 100);
  vel_graphics_DrawRect(200, 100, 40, 40);
  vel_graphics_SetColor(255, 255, 255);
  vel_graphics_PushMatrix();
  vel_graphics_Scale(4, 4);
  vel_graphics_DrawImage(img, 50, 25, 0);  // 32 x 32 pixels at (200, 100)
  vel_graphics_PopMatrix();
  // Left half: (100, 50, 25) stored, over (0, 0, 100): 25 + 100 * (1 - 128/255) = 74.8 in
  // blue, which the blender may round either way.
  Rgba left = At(205, 110);
  EXPECT_EQ(left.r, 100);
  EXPECT_EQ(left.g, 50);
  EXPECT_NEAR(left.b, 75, 1);
  // Right half: opaque blue replaces.
  ExpectRgb(225, 110, 0, 0, 255);
  // Beyond the image the rectangle shows.
  ExpectRgb(236, 110, 0, 0, 100);
}

TEST_F(RealGL, AdditiveBlendAddsAndScissorClips) {
  vel_graphics_SetColor(0, 0, 100);
  vel_graphics_DrawRect(400, 50, 40, 40);
  vel_graphics_SetBlend(1);
  vel_graphics_SetColor(100, 0, 60);
  vel_graphics_DrawRect(420, 50, 40, 40);
  vel_graphics_SetBlend(0);
  ExpectRgb(410, 60, 0, 0, 100);
  ExpectRgb(430, 60, 100, 0, 160);
  ExpectRgb(450, 60, 100, 0, 60);

  vel_graphics_SetScissor(500, 300, 10, 10);
  vel_graphics_SetColor(255, 255, 0);
  vel_graphics_DrawRect(490, 290, 30, 30);
  vel_graphics_SetScissor(0, 0, 640, 480);
  ExpectRgb(505, 305, 255, 255, 0);
  ExpectRgb(495, 305, 0, 0, 0);
  ExpectRgb(505, 312, 0, 0, 0);
}

// The fullscreen switch closes the window and opens a new one, here of another size, with a
// new GL context; images loaded before still draw, their textures rebuilt from the kept
// pixels, and the frame follows the new size.
TEST_F(RealGL, ImagesSurviveWindowRecreation) {
  c_Image* img = vel_graphics_LoadImage(String(imagePath.c_str()), 1, 0);
  ASSERT_NE(img, nullptr);
  const int firstSeq = img->m_surface->seq;
  vel_graphics_EndRender();
  gfx->EndRender();

  glfwCloseWindow();
  OpenWindow(800, 600);
  gfx->BeginRender();
  vel_graphics_BeginRender();
  vel_graphics_Cls(0, 0, 0);
  vel_graphics_DrawImage(img, 790, 590, 0);
  gfx->Flush();
  EXPECT_NE(img->m_surface->seq, firstSeq);
  EXPECT_EQ(vel_graphics_DeviceHeight(), 600);
  ExpectRgb(791, 591, 100, 50, 25);
  ExpectRgb(796, 596, 0, 0, 255);
  ExpectRgb(789, 591, 0, 0, 0);
}

}  // namespace
