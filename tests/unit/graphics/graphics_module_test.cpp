// The graphics module: image frames and flags, the matrix, the per-frame reset, fonts.
#include <GL/gl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "graphics_test.h"

namespace gfxtest {
namespace {

class Module : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    vel_graphics_BeginRender();
    gl.draws.clear();
  }
  static gxtkSurface* Surface(int w, int h) {
    gxtkSurface* s = new gxtkSurface();
    s->SetData(static_cast<unsigned char*>(calloc(static_cast<size_t>(w) * h, 4)), w, h, 4);
    s->Bind();
    return s;
  }
  // The vertices of the only draw so far, in index order.
  const std::vector<fakegl::Vertex>& OnlyDraw() {
    gfx->Flush();
    EXPECT_EQ(gl.draws.size(), 1u);
    static const std::vector<fakegl::Vertex> none;
    return gl.draws.empty() ? none : gl.draws[0].verts;
  }
};

TEST_F(Module, PaddedStripOfFontFrames) {
  c_Image* font = (new c_Image())->p_Init(Surface(960, 32), 96, c_Image::kXPadding);
  ASSERT_EQ(font->p_Frames(), 96);
  EXPECT_EQ(font->p_Width(), 8);
  EXPECT_EQ(font->p_Height(), 32);
  for (int i : {0, 1, 2, 95}) {
    EXPECT_EQ(font->m_frames[i]->m_x, 1 + 10 * i);
    EXPECT_EQ(font->m_frames[i]->m_y, 0);
  }
  EXPECT_EQ(font->m_flags, c_Image::kXPadding);
  // Drawing frame 2 samples its 8 x 32 cell only.
  vel_graphics_DrawImage(font, 0, 0, 2);
  const auto& v = OnlyDraw();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_FLOAT_EQ(v[0].u, 21.0f / 960);
  EXPECT_FLOAT_EQ(v[1].u, 29.0f / 960);
  EXPECT_FLOAT_EQ(v[1].x, 8.0f);
  EXPECT_FLOAT_EQ(v[2].y, 32.0f);
}

TEST_F(Module, GridFramesReadLeftToRightThenDown) {
  gxtkSurface* s = Surface(64, 64);
  c_Image* img = (new c_Image())->p_Init2(s, 0, 0, 32, 32, 4, 0, nullptr, 0, 0, 64, 64);
  const int want[4][2] = {{0, 0}, {32, 0}, {0, 32}, {32, 32}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(img->m_frames[i]->m_x, want[i][0]) << i;
    EXPECT_EQ(img->m_frames[i]->m_y, want[i][1]) << i;
  }
  // A sub-rectangle offsets every frame.
  img = (new c_Image())->p_Init2(s, 0, 0, 16, 16, 3, 0, nullptr, 16, 32, 32, 32);
  EXPECT_EQ(img->m_frames[1]->m_x, 32);
  EXPECT_EQ(img->m_frames[2]->m_x, 16);
  EXPECT_EQ(img->m_frames[2]->m_y, 48);
}

// Runs fn in a child whose standard output goes to standard error (where the death test reads
// it) and whose standard input is closed, so the debugger stop after the error ends the child.
#define EXPECT_RUNTIME_ERROR(statement, message)                                        \
  EXPECT_EXIT(                                                                          \
      {                                                                                 \
        dup2(2, 1);                                                                     \
        std::freopen("/dev/null", "r", stdin);                                          \
        statement;                                                                      \
      },                                                                                \
      ::testing::ExitedWithCode(255), "Kestrel Runtime Error : " message)

TEST_F(Module, FramesOutsideTheSurfaceAreAnError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  gxtkSurface* s = Surface(64, 64);
  EXPECT_RUNTIME_ERROR(
      (new c_Image())->p_Init2(s, 0, 0, 32, 32, 5, 0, nullptr, 0, 0, 64, 64),
      "Image frame outside surface");
  // A frame wider than the source rectangle.
  EXPECT_RUNTIME_ERROR(
      (new c_Image())->p_Init2(s, 0, 0, 65, 8, 1, 0, nullptr, 0, 0, 64, 64),
      "Image frame outside surface");
}

TEST_F(Module, HandlesAndTheWholeSurfaceFlag) {
  gxtkSurface* s = Surface(40, 30);
  c_Image* mid = (new c_Image())->p_Init(s, 1, c_Image::kMidHandle);
  EXPECT_FLOAT_EQ(mid->m_tx, 20);
  EXPECT_FLOAT_EQ(mid->m_ty, 15);
  EXPECT_EQ(mid->m_flags, c_Image::kFullFrame);  // bit 1 is not kept

  c_Image* padded = (new c_Image())->p_Init(s, 1, c_Image::kXPadding);
  EXPECT_EQ(padded->m_flags, c_Image::kXPadding);
  EXPECT_EQ(padded->m_width, 38);
  EXPECT_FLOAT_EQ(padded->m_tx, 0);

  c_Image* both = (new c_Image())->p_Init(s, 1, c_Image::kMidHandle | c_Image::kXPadding |
                                                    c_Image::kYPadding);
  EXPECT_FLOAT_EQ(both->m_tx, 19);  // centre of the padded 38 x 28 frame
  EXPECT_FLOAT_EQ(both->m_ty, 14);
  EXPECT_EQ(both->m_frames[0]->m_y, 1);

  both->p_SetHandle(3, 4);
  EXPECT_FLOAT_EQ(both->m_tx, 3);

  // A whole-surface image draws as a plain surface, offset by its handle.
  vel_graphics_DrawImage(mid, 100, 100, 0);
  const auto& v = OnlyDraw();
  EXPECT_FLOAT_EQ(v[0].x, 80);
  EXPECT_FLOAT_EQ(v[0].y, 85);
  EXPECT_FLOAT_EQ(v[2].x, 120);
  EXPECT_FLOAT_EQ(v[2].u, 1.0f);
}

TEST_F(Module, DrawImage2RotationTurnsTheImagesRightToScreenUp) {
  c_Image* img = (new c_Image())->p_Init(Surface(10, 4), 1, 0);
  vel_graphics_DrawImage2(img, 100, 200, 90, 1, 1, 0);
  const auto& v = OnlyDraw();
  ASSERT_EQ(v.size(), 6u);
  // Corner (0, 0) lands on (100, 200); the image's right end (10, 0) lands 10 pixels above.
  EXPECT_NEAR(v[0].x, 100, 1e-3);
  EXPECT_NEAR(v[0].y, 200, 1e-3);
  EXPECT_NEAR(v[1].x, 100, 1e-3);
  EXPECT_NEAR(v[1].y, 190, 1e-3);
  // The image's down (0, 4) goes to screen right.
  EXPECT_NEAR(v[5].x, 104, 1e-3);
  EXPECT_NEAR(v[5].y, 200, 1e-3);
  // The caller's matrix is untouched.
  EXPECT_EQ(vel_graphics_context->m_tformed, 0);
  EXPECT_EQ(vel_graphics_context->m_matrixSp, 0);
}

TEST_F(Module, DrawImage2ScalesAboutTheHandleUnderTheCallersMatrix) {
  c_Image* img = (new c_Image())->p_Init(Surface(10, 10), 1, c_Image::kMidHandle);
  vel_graphics_Translate(1000, 0);
  vel_graphics_DrawImage2(img, 50, 50, 0, 2, 3, 0);
  const auto& v = OnlyDraw();
  EXPECT_NEAR(v[0].x, 1040, 1e-3);  // 1000 + 50 - 5 * 2
  EXPECT_NEAR(v[0].y, 35, 1e-3);    // 50 - 5 * 3
  EXPECT_NEAR(v[2].x, 1060, 1e-3);
  EXPECT_NEAR(v[2].y, 65, 1e-3);
}

TEST_F(Module, FramesOutsideTheImageAndNullImagesDrawNothing) {
  c_Image* img = (new c_Image())->p_Init(Surface(20, 10), 2, 0);
  vel_graphics_DrawImage(img, 0, 0, 2);
  vel_graphics_DrawImage(img, 0, 0, -1);
  vel_graphics_DrawImage2(img, 0, 0, 0, 1, 1, 5);
  vel_graphics_DrawImage(nullptr, 0, 0, 0);
  vel_graphics_DrawImage2(nullptr, 0, 0, 0, 1, 1, 0);
  gfx->Flush();
  EXPECT_TRUE(gl.draws.empty());
  EXPECT_EQ(vel_graphics_context->m_matrixSp, 0);
}

TEST_F(Module, TransformsComposeAndPushPopRestores) {
  vel_graphics_Translate(10, 20);
  vel_graphics_PushMatrix();
  vel_graphics_Scale(2, 3);
  vel_graphics_Rotate(90);
  c_GraphicsContext* c = vel_graphics_context;
  // Translate, then scale, then rotate: i = (cos, -sin) scaled = (0, -3), j = (2, 0).
  EXPECT_NEAR(c->m_ix, 0, 1e-6);
  EXPECT_NEAR(c->m_iy, -3, 1e-6);
  EXPECT_NEAR(c->m_jx, 2, 1e-6);
  EXPECT_NEAR(c->m_jy, 0, 1e-6);
  EXPECT_FLOAT_EQ(c->m_tx, 10);
  EXPECT_FLOAT_EQ(c->m_ty, 20);
  vel_graphics_DrawRect(1, 0, 0, 0);
  const auto& v = OnlyDraw();
  EXPECT_NEAR(v[0].x, 10, 1e-5);
  EXPECT_NEAR(v[0].y, 17, 1e-5);

  vel_graphics_PopMatrix();
  EXPECT_FLOAT_EQ(c->m_ix, 1);
  EXPECT_FLOAT_EQ(c->m_iy, 0);
  EXPECT_FLOAT_EQ(c->m_tx, 10);
  EXPECT_EQ(c->m_tformed, 1);
  EXPECT_EQ(c->m_matrixSp, 0);
  vel_graphics_Translate(-10, -20);
  EXPECT_EQ(c->m_tformed, 0);

  Array<float> m(6);
  const float values[6] = {1, 2, 3, 4, 5, 6};
  for (int i = 0; i < 6; ++i) m[i] = values[i];
  vel_graphics_SetMatrix2(m);
  vel_graphics_Transform2(m);
  EXPECT_FLOAT_EQ(c->m_ix, 1 * 1 + 3 * 2);
  EXPECT_FLOAT_EQ(c->m_jy, 2 * 3 + 4 * 4);
  EXPECT_FLOAT_EQ(c->m_tx, 1 * 5 + 3 * 6 + 5);
}

TEST_F(Module, MatrixGoesToTheRendererOncePerChange) {
  struct Counting : gxtkGraphics {
    int matrices = 0;
    int SetMatrix(float a, float b, float c, float d, float e, float f) override {
      ++matrices;
      return gxtkGraphics::SetMatrix(a, b, c, d, e, f);
    }
  };
  Counting* device = new Counting();
  vel_graphics_SetGraphicsDevice(device);
  vel_graphics_BeginRender();
  vel_graphics_DrawRect(0, 0, 1, 1);
  vel_graphics_DrawLine(0, 0, 1, 1);
  vel_graphics_DrawEllipse(5, 5, 2, 2);
  EXPECT_EQ(device->matrices, 1);
  vel_graphics_Scale(2, 2);
  vel_graphics_Rotate(10);
  EXPECT_EQ(device->matrices, 1);
  vel_graphics_DrawRect(0, 0, 1, 1);
  EXPECT_EQ(device->matrices, 2);
  vel_graphics_EndRender();
}

TEST_F(Module, DeepPushesKeepEveryLevel) {
  const int levels = 40;  // beyond the 32 the stack starts with
  for (int i = 0; i < levels; ++i) {
    vel_graphics_Translate(1, 0);
    vel_graphics_PushMatrix();
  }
  for (int i = levels; i > 0; --i) {
    vel_graphics_PopMatrix();
    EXPECT_FLOAT_EQ(vel_graphics_context->m_tx, static_cast<float>(i));
  }
  // One pop too many leaves the matrix alone.
  vel_graphics_Scale(3, 3);
  vel_graphics_PopMatrix();
  EXPECT_FLOAT_EQ(vel_graphics_context->m_ix, 3);
}

TEST_F(Module, BeginRenderResetsTheFrameState) {
  vel_graphics_SetColor(10, 20, 30);
  vel_graphics_SetAlpha(0.5f);
  vel_graphics_SetBlend(1);
  vel_graphics_SetScissor(5.9f, 6, 7, 8);
  EXPECT_EQ(gl.scissor[0], 5);  // truncated
  EXPECT_EQ(gl.scissor[1], 480 - 6 - 8);
  vel_graphics_Translate(3, 4);
  vel_graphics_PushMatrix();
  vel_graphics_EndRender();
  EXPECT_EQ(vel_graphics_renderDevice, nullptr);

  vel_graphics_BeginRender();
  c_GraphicsContext* c = vel_graphics_context;
  EXPECT_EQ(vel_graphics_renderDevice, gfx);
  EXPECT_EQ(c->m_matrixSp, 0);
  EXPECT_EQ(c->m_tformed, 0);
  EXPECT_EQ(c->m_matDirty, 1);
  EXPECT_FLOAT_EQ(c->m_tx, 0);
  EXPECT_FLOAT_EQ(c->m_color_g, 255);
  EXPECT_FLOAT_EQ(c->m_alpha, 1);
  EXPECT_EQ(c->m_blend, 0);
  EXPECT_FLOAT_EQ(c->m_scissor_width, 640);
  EXPECT_FLOAT_EQ(c->m_scissor_height, 480);
  EXPECT_EQ(gfx->color, 0xFFFFFFFFu);
  EXPECT_EQ(gl.blendDst, static_cast<unsigned>(GL_ONE_MINUS_SRC_ALPHA));
  EXPECT_EQ(gl.enabled.count(GL_SCISSOR_TEST), 0u);
  vel_graphics_DrawRect(0, 0, 1, 1);
  EXPECT_FALSE(gfx->tformed);  // the identity went to the renderer with the first draw
}

TEST_F(Module, NothingIsDrawnOutsideARender) {
  vel_graphics_EndRender();
  vel_graphics_SetColor(1, 2, 3);
  vel_graphics_DrawRect(0, 0, 1, 1);
  vel_graphics_DrawEllipse(0, 0, 1, 1);
  vel_graphics_Cls(0, 0, 0);
  gfx->Flush();
  EXPECT_EQ(gl.clears, 0);
  EXPECT_TRUE(gl.draws.empty());
  EXPECT_FLOAT_EQ(vel_graphics_context->m_color_b, 3);
}

TEST_F(Module, LoadImageAndTheDefaultFont) {
  std::vector<unsigned char> px(960 * 32 * 4, 255);
  std::string path = WritePng("strip.png", 960, 32, px);
  c_Image* img = vel_graphics_LoadImage(String(path.c_str()), 96, 2);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(img->m_frames[1]->m_x, 11);
  c_Image* grid = vel_graphics_LoadImage2(String(path.c_str()), 32, 32, 30, 0);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->m_frames[29]->m_x, 29 * 32);
  EXPECT_EQ(vel_graphics_LoadImage(String("/no/such/image.png"), 1, 0), nullptr);

  // The default font comes from ./data/nimbus_font.png on first need, and only once.
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  std::string dir = TestDir() + "/fontdir";
  mkdir(dir.c_str(), 0755);
  mkdir((dir + "/data").c_str(), 0755);
  WritePng("fontdir/data/nimbus_font.png", 960, 32, px);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  c_GraphicsContext* c = vel_graphics_context;
  vel_graphics_SetFont(img, 65);
  EXPECT_EQ(c->m_font, img);
  EXPECT_EQ(c->m_firstChar, 65);
  EXPECT_EQ(c->m_defaultFont, nullptr);
  vel_graphics_SetFont(nullptr, 0);
  ASSERT_NE(c->m_defaultFont, nullptr);
  EXPECT_EQ(c->m_font, c->m_defaultFont);
  EXPECT_EQ(c->m_firstChar, 32);
  EXPECT_EQ(c->m_font->p_Frames(), 96);
  EXPECT_EQ(c->m_font->p_Width(), 8);
  const int textures = fakegl::count("glGenTextures");
  c_Image* first = c->m_defaultFont;
  vel_graphics_SetFont(nullptr, 32);
  EXPECT_EQ(c->m_defaultFont, first);
  EXPECT_EQ(fakegl::count("glGenTextures"), textures);
  // Without the file the font is simply absent.
  remove((dir + "/data/nimbus_font.png").c_str());
  vel_graphics_Init();
  vel_graphics_SetGraphicsDevice(gfx);
  vel_graphics_SetFont(nullptr, 32);
  EXPECT_EQ(vel_graphics_context->m_font, nullptr);
  ASSERT_EQ(chdir(cwd), 0);
}

}  // namespace
}  // namespace gfxtest
