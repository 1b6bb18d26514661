// The renderer on real OpenGL (Mesa under Xvfb), read back from the window: premultiplied
// pixels blend over what is there, additive adds, the scissor clips, and an image still draws
// after the window and its context are made again at another size (the fullscreen switch).
#include <gtest/gtest.h>

#include "graphics/graphics_module.h"
#include "host/vel_glfw_game.h"
#include "platform/glfw2.h"
#include "platform/window.h"
#include "runtime/gc.h"

TEST(RealGL, BlendingScissorAndWindowRecreation) {
  gc_init1();
  static VelGlfwGame game;
  VelGame::_game = VelGlfwGame::_glfwGame = &game;
  ASSERT_EQ(glfwInit(), 1) << "no X display: run under xvfb-run";
  vel_graphics_Init();
  gxtkGraphics* gfx = nullptr;
  c_Image* image = nullptr;
  for (int width : {640, 800}) {
    if (gfx) glfwCloseWindow();
    ASSERT_EQ(glfwOpenWindow(width, width * 3 / 4, 8, 8, 8, 8, 0, 0, GLFW_WINDOW), 1);
    ++_glfwGraphicsSeq;
    if (!gfx) {
      vel_graphics_SetGraphicsDevice(gfx = new gxtkGraphics());
      // Two pixels: (200, 100, 50) at alpha 128, then opaque blue, drawn 16 times as large.
      Array<int> argb(2);
      argb[0] = static_cast<int>(0x80C86432u);
      argb[1] = static_cast<int>(0xFF0000FFu);
      image = (new c_Image())->p_Init(gfx->CreateSurface(2, 1), 1, 0);
      gfx->WritePixels2(image->m_surface, argb, 0, 0, 2, 1, 0, 2);
    }
    gfx->BeginRender();
    vel_graphics_BeginRender();
    vel_graphics_Cls(0, 0, 0);
    vel_graphics_SetColor(0, 0, 100);
    vel_graphics_DrawRect(100, 100, 40, 40);
    vel_graphics_SetColor(255, 255, 255);
    vel_graphics_DrawImage2(image, 100, 100, 0, 16, 32, 0);  // (100, 100) to (132, 132)
    vel_graphics_SetBlend(1);
    vel_graphics_SetColor(100, 0, 60);
    vel_graphics_DrawRect(130, 100, 20, 40);
    vel_graphics_SetBlend(0);
    vel_graphics_SetScissor(200, 200, 10, 10);
    vel_graphics_SetColor(255, 255, 0);
    vel_graphics_DrawRect(190, 190, 30, 30);
    // Rows come back top first, each pixel as B, G, R, A. Each point: x, y, 0xRRGGBB.
    const unsigned points[][3] = {
        {104, 139, 0x000064}, {104, 140, 0},  // the rectangle's last row, then black
        {125, 110, 0x0000FF},                 // the image's opaque pixel replaces
        {135, 110, 0x6400A0}, {145, 110, 0x64003C},           // additive adds
        {205, 205, 0xFFFF00}, {195, 205, 0}, {205, 212, 0}};  // in and out of the scissor
    Array<int> read(2);
    for (const auto& p : points) {
      gfx->ReadPixels(read, p[0], p[1], 1, 2, 0, 1);
      EXPECT_EQ(static_cast<unsigned>(read[0]) & 0xFFFFFF, p[2]) << p[0] << "," << p[1];
    }
    // The half-transparent pixel over the rectangle: (100, 50, 25) + (0, 0, 100) * (1 -
    // 128/255), whose blue of 74.8 the blender may round either way.
    gfx->ReadPixels(read, 105, 110, 1, 1, 0, 1);
    EXPECT_EQ(static_cast<unsigned>(read[0]) >> 8 & 0xFFFF, 0x6432u);
    EXPECT_NEAR(read[0] & 255, 75, 1);
    vel_graphics_EndRender();
    gfx->EndRender();
  }
  EXPECT_EQ(vel_graphics_DeviceHeight(), 600);
  glfwTerminate();
}
