// The renderer on real OpenGL (Mesa under Xvfb): what it draws, read back from the window.
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "graphics/graphics_module.h"
#include "host/vel_glfw_game.h"
#include "platform/glfw2.h"
#include "platform/window.h"
#include "runtime/gc.h"

namespace {

void OpenWindow(int width, int height) {
  ASSERT_EQ(glfwOpenWindow(width, height, 8, 8, 8, 8, 0, 0, GLFW_WINDOW), 1);
  ++_glfwGraphicsSeq;
}

// Blending is premultiplied: alpha blends over what is there and additive adds; the scissor
// clips; rows read back top first, bytes B, G, R, A. An image keeps drawing after the window,
// and its context, are made again at another size, as the fullscreen switch does.
TEST(RealGL, BlendingScissorAndReadBackSurviveWindowRecreation) {
  gc_init1();
  static VelGlfwGame game;
  VelGame::_game = VelGlfwGame::_glfwGame = &game;
  ASSERT_EQ(glfwInit(), 1) << "no X display: run under xvfb-run";
  OpenWindow(640, 480);
  vel_graphics_Init();
  gxtkGraphics* gfx = new gxtkGraphics();
  vel_graphics_SetGraphicsDevice(gfx);
  // An 8 x 8 image: left half (200, 100, 50) at alpha 128, right half opaque blue.
  char dir[] = "/tmp/zipkin-gfx-e2e-XXXXXX";
  const std::string path = std::string(mkdtemp(dir)) + "/halves.png";
  const unsigned char halves[2][4] = {{200, 100, 50, 128}, {0, 0, 255, 255}};
  std::vector<unsigned char> px;
  for (int i = 0; i < 64; ++i) px.insert(px.end(), halves[i % 8 / 4], halves[i % 8 / 4] + 4);
  ASSERT_NE(stbi_write_png(path.c_str(), 8, 8, 4, px.data(), 32), 0);
  c_Image* img = vel_graphics_LoadImage(String(path.c_str()), 1, 0);
  ASSERT_NE(img, nullptr);
  for (int width : {640, 800}) {
    if (width == 800) {
      glfwCloseWindow();
      OpenWindow(800, 600);
    }
    gfx->BeginRender();
    vel_graphics_BeginRender();
    vel_graphics_Cls(0, 0, 0);
    vel_graphics_SetColor(0, 0, 100);
    vel_graphics_DrawRect(100, 100, 40, 40);
    vel_graphics_SetColor(255, 255, 255);
    vel_graphics_PushMatrix();
    vel_graphics_Scale(4, 4);
    vel_graphics_DrawImage(img, 25, 25, 0);  // 32 x 32 pixels at (100, 100)
    vel_graphics_PopMatrix();
    vel_graphics_SetBlend(1);
    vel_graphics_SetColor(100, 0, 60);
    vel_graphics_DrawRect(130, 100, 20, 40);
    vel_graphics_SetBlend(0);
    vel_graphics_SetScissor(200, 200, 10, 10);
    vel_graphics_SetColor(255, 255, 0);
    vel_graphics_DrawRect(190, 190, 30, 30);
    vel_graphics_SetScissor(0, 0, width, width * 3 / 4);
    Array<int> read(2 * 2);  // x 104..105, y 139..140: the rectangle's last row, then black
    gfx->ReadPixels(read, 104, 139, 2, 2, 0, 2);
    std::vector<unsigned> rgb;
    for (int i = 0; i < 4; ++i) rgb.push_back(static_cast<unsigned>(read[i]) & 0xFFFFFF);
    EXPECT_EQ(rgb, (std::vector<unsigned>{100, 100, 0, 0})) << width;
    // Each point: x, y, then its colour as 0xRRGGBB.
    const unsigned points[][3] = {
        {125, 110, 0x0000FF},  // the image's opaque half replaces
        {135, 110, 0x6400A0},  // additive over the rectangle
        {145, 110, 0x64003C},  // additive over black
        {205, 205, 0xFFFF00}, {195, 205, 0}, {205, 212, 0}};  // in and out of the scissor
    for (const auto& p : points) {
      gfx->ReadPixels(read, p[0], p[1], 1, 1, 0, 1);
      EXPECT_EQ(static_cast<unsigned>(read[0]) & 0xFFFFFF, p[2]) << p[0] << "," << p[1];
    }
    // The image's half-transparent half over the rectangle: (100, 50, 25) + (0, 0, 100) *
    // (1 - 128/255), whose blue of 74.8 the blender may round either way.
    gfx->ReadPixels(read, 105, 110, 1, 1, 0, 1);
    EXPECT_EQ(static_cast<unsigned>(read[0]) >> 8 & 0xFFFF, 0x6432u);
    EXPECT_NEAR(read[0] & 255, 75, 1);
    vel_graphics_EndRender();
    gfx->EndRender();
  }
  EXPECT_EQ(vel_graphics_DeviceHeight(), 600);
  glfwCloseWindow();
  glfwTerminate();
}

}  // namespace
