// The graphics module: frames and flags, drawing images, the matrix, frame reset, the font.
#include <GL/gl.h>
#include <sys/stat.h>

#include <cstdio>

#include "graphics_test.h"

namespace gfxtest {
namespace {

using Module = GraphicsTest;

// The frames' positions, x then y for each.
Ints Frames(c_Image* image) {
  Ints xy;
  for (c_Frame* f : image->m_frames) xy.insert(xy.end(), {f->m_x, f->m_y});
  return xy;
}

TEST_F(Module, GridFramesReadLeftToRightThenDownAndMustFit) {
  gxtkSurface* s = MakeSurface(64, 64);
  c_Image* grid = (new c_Image())->p_Init2(s, 0, 0, 32, 32, 4, 0, nullptr, 0, 0, 64, 64);
  EXPECT_EQ(Frames(grid), (Ints{0, 0, 32, 0, 0, 32, 32, 32}));
  // A source rectangle offsets every frame.
  grid = (new c_Image())->p_Init2(s, 0, 0, 16, 16, 3, 0, nullptr, 16, 32, 32, 32);
  EXPECT_EQ(Frames(grid), (Ints{16, 32, 32, 32, 16, 48}));

  // A fifth 32 x 32 frame, or one wider than the source, is an error. The child writes to
  // standard error, where the death test reads, with input closed to end the debugger stop.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const int frames[][2] = {{32, 5}, {65, 1}};  // frame width, frame count
  for (const auto& f : frames)
    EXPECT_EXIT(
        {
          dup2(2, 1);
          std::freopen("/dev/null", "r", stdin);
          (new c_Image())->p_Init2(s, 0, 0, f[0], 32, f[1], 0, nullptr, 0, 0, 64, 64);
        },
        ::testing::ExitedWithCode(255), "Kestrel Runtime Error : Image frame outside surface")
        << f[0];
}

TEST_F(Module, HandlesAndTheWholeSurfaceFlag) {
  gxtkSurface* s = MakeSurface(40, 30);
  c_Image* mid = (new c_Image())->p_Init(s, 1, c_Image::kMidHandle);
  EXPECT_EQ(Floats({mid->m_tx, mid->m_ty}), (Floats{20, 15}));
  EXPECT_EQ(mid->m_flags, c_Image::kFullFrame);  // the handle bit is not kept
  // Padded on both axes: the centre of a 38 x 28 frame at (1, 1), no longer the whole surface.
  c_Image* both =
      (new c_Image())->p_Init(s, 1, c_Image::kMidHandle | c_Image::kXPadding | c_Image::kYPadding);
  EXPECT_EQ(Floats({both->m_tx, both->m_ty}), (Floats{19, 14}));
  EXPECT_EQ(Frames(both), (Ints{1, 1}));
  EXPECT_EQ(both->m_flags, c_Image::kXPadding | c_Image::kYPadding);
  // Frames outside the image and null images draw nothing.
  vel_graphics_DrawImage(mid, 0, 0, 1);
  vel_graphics_DrawImage(mid, 0, 0, -1);
  vel_graphics_DrawImage2(mid, 0, 0, 0, 1, 1, 5);
  vel_graphics_DrawImage(nullptr, 0, 0, 0);
  vel_graphics_DrawImage2(nullptr, 0, 0, 0, 1, 1, 0);
  EXPECT_EQ(vel_graphics_context->m_matrixSp, 0);
  // A whole-surface image draws as a plain surface, offset by its handle.
  vel_graphics_DrawImage(mid, 100, 100, 0);
  ASSERT_EQ(Drawn().size(), 1u);
  EXPECT_THAT(XYUV(gl.draws[0].verts[0], 40, 30), Near({80, 85, 0, 0}));
  EXPECT_THAT(XYUV(gl.draws[0].verts[2], 40, 30), Near({120, 115, 40, 30}));
}

TEST_F(Module, DrawImage2RotatesAndScalesAboutTheHandleUnderTheCallersMatrix) {
  c_Image* bar = (new c_Image())->p_Init(MakeSurface(10, 4), 1, 0);
  c_Image* square = (new c_Image())->p_Init(MakeSurface(10, 10), 1, c_Image::kMidHandle);
  vel_graphics_DrawImage2(bar, 100, 200, 90, 1, 1, 0);
  vel_graphics_Translate(1000, 0);
  vel_graphics_DrawImage2(square, 50, 50, 0, 2, 3, 0);
  const auto& d = Drawn();
  // Turned 90 degrees about its top-left corner: the bar's right end goes up, its bottom right.
  EXPECT_THAT(XYUV(d.at(0).verts[0], 10, 4), Near({100, 200, 0, 0}));
  EXPECT_THAT(XYUV(d.at(0).verts[1], 10, 4), Near({100, 190, 10, 0}));
  EXPECT_THAT(XYUV(d.at(0).verts[5], 10, 4), Near({104, 200, 0, 4}));
  // The square, scaled by 2 and 3 about its centre and moved by the caller's translation.
  EXPECT_THAT(XYUV(d.at(1).verts[0], 10, 10), Near({1040, 35, 0, 0}));
  EXPECT_THAT(XYUV(d.at(1).verts[2], 10, 10), Near({1060, 65, 10, 10}));
  EXPECT_FLOAT_EQ(vel_graphics_context->m_tx, 1000);  // the caller's matrix is back
  EXPECT_EQ(vel_graphics_context->m_matrixSp, 0);
}

TEST_F(Module, TransformsComposeAndPushPopRestores) {
  c_GraphicsContext* c = vel_graphics_context;
  vel_graphics_Translate(10, 20);
  vel_graphics_PushMatrix();
  vel_graphics_Scale(2, 3);
  vel_graphics_Rotate(90);
  // Each applies before those already there: (1, 0) -> (0, -1) -> (0, -3) -> (10, 17).
  vel_graphics_DrawRect(1, 0, 0, 0);
  EXPECT_THAT(XY(Drawn().at(0).verts[0]), Near({10, 17}));
  vel_graphics_PopMatrix();
  EXPECT_EQ(Floats({c->m_ix, c->m_iy, c->m_jx, c->m_jy, c->m_tx, c->m_ty}),
            (Floats{1, 0, 0, 1, 10, 20}));
  // Deeper than the 32 levels the stack starts with, every level comes back.
  for (int i = 0; i < 40; ++i) {
    vel_graphics_Translate(1, 0);
    vel_graphics_PushMatrix();
  }
  for (int i = 40; i > 0; --i) {
    vel_graphics_PopMatrix();
    EXPECT_FLOAT_EQ(c->m_tx, 10.0f + i);
  }
  vel_graphics_Scale(3, 3);
  vel_graphics_PopMatrix();  // one pop too many leaves the matrix alone
  EXPECT_FLOAT_EQ(c->m_ix, 3);
}

TEST_F(Module, NothingDrawsOutsideARenderAndBeginRenderResetsTheState) {
  vel_graphics_SetColor(10, 20, 30);
  vel_graphics_SetAlpha(0.5f);
  vel_graphics_SetBlend(1);
  vel_graphics_SetScissor(5, 6, 7, 8);
  vel_graphics_Translate(3, 4);
  vel_graphics_PushMatrix();
  vel_graphics_EndRender();
  // Outside a render the state is kept but nothing is drawn or cleared.
  vel_graphics_SetColor(1, 2, 3);
  vel_graphics_DrawRect(0, 0, 1, 1);
  vel_graphics_DrawImage((new c_Image())->p_Init(MakeSurface(4, 4), 1, 0), 0, 0, 0);
  vel_graphics_Cls(0, 0, 0);
  EXPECT_TRUE(Drawn().empty());
  EXPECT_EQ(gl.clears, 0);
  EXPECT_FLOAT_EQ(vel_graphics_context->m_color_b, 3);

  vel_graphics_BeginRender();
  EXPECT_EQ(Ints({vel_graphics_context->m_matrixSp, vel_graphics_context->m_blend}), (Ints{0, 0}));
  EXPECT_EQ(gfx->color, 0xFFFFFFFFu);  // opaque white
  EXPECT_EQ(gl.blendDst, static_cast<unsigned>(GL_ONE_MINUS_SRC_ALPHA));
  EXPECT_EQ(gl.enabled.count(GL_SCISSOR_TEST), 0u);
  vel_graphics_DrawRect(0, 0, 1, 1);
  EXPECT_FALSE(gfx->tformed);  // the identity reached the renderer with the first draw
}

// The default font is nimbus_font.png from the data folder, loaded on first need and only
// once: 96 frames of 8 x 32 with a pixel of padding either side.
TEST_F(Module, DefaultFontIsAPaddedStripLoadedOnFirstNeed) {
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  const std::string dir = TestDir() + "/fontdir";
  mkdir(dir.c_str(), 0755);
  mkdir((dir + "/data").c_str(), 0755);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  c_GraphicsContext* c = vel_graphics_context;
  vel_graphics_SetFont(nullptr, 0);  // without the file there is simply no font
  EXPECT_EQ(c->m_font, nullptr);
  WriteFile("fontdir/data/nimbus_font.png", PngBytes(960, 32, Bytes(960 * 32 * 4, 255)));
  vel_graphics_SetFont(nullptr, 0);
  c_Image* font = c->m_defaultFont;
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(c->m_font, font);
  EXPECT_EQ(c->m_firstChar, 32);
  Ints want;
  for (int i = 0; i < 96; ++i) want.insert(want.end(), {1 + 10 * i, 0});
  EXPECT_EQ(Frames(font), want);
  vel_graphics_DrawImage(font, 0, 0, 2);  // samples frame 2's 8 x 32 cell only
  EXPECT_THAT(XYUV(Drawn().at(0).verts[0], 960, 32), Near({0, 0, 21, 0}));
  EXPECT_THAT(XYUV(gl.draws[0].verts[2], 960, 32), Near({8, 32, 29, 32}));
  const int textures = fakegl::count("glGenTextures");
  vel_graphics_SetFont(nullptr, 32);
  EXPECT_EQ(c->m_defaultFont, font);
  EXPECT_EQ(fakegl::count("glGenTextures"), textures);
  ASSERT_EQ(chdir(cwd), 0);
}

}  // namespace
}  // namespace gfxtest
