// The batching renderer against the recording GL fake.
#include <GL/gl.h>

#include <cmath>

#include "graphics_test.h"

namespace gfxtest {
namespace {

using Renderer = GraphicsTest;

gxtkSurface* MakeSurface(int w, int h) {
  gxtkSurface* s = new gxtkSurface();
  s->SetData(static_cast<unsigned char*>(calloc(static_cast<size_t>(w) * h, 4)), w, h, 4);
  s->Bind();
  return s;
}

TEST_F(Renderer, SameSurfaceQuadsGoOutInFullBatches) {
  gxtkSurface* s = MakeSurface(16, 16);
  gl.draws.clear();
  for (int i = 0; i < 300; ++i) gfx->DrawSurface(s, static_cast<float>(i), 0);
  gfx->EndRender();
  ASSERT_EQ(gl.draws.size(), 2u);
  for (const fakegl::Draw& d : gl.draws) {
    EXPECT_TRUE(d.elements);
    EXPECT_EQ(d.mode, static_cast<unsigned>(GL_TRIANGLES));
    EXPECT_TRUE(d.textured);
    EXPECT_EQ(d.texture, s->texture);
  }
  // 256 quads (1024 vertices) then 44 quads (176 vertices), six indices per quad.
  EXPECT_EQ(gl.draws[0].count, 1024 / 4 * 6);
  EXPECT_EQ(gl.draws[1].count, 176 / 4 * 6);
  // The second batch starts again at vertex 0: its first quad is sprite 256.
  EXPECT_FLOAT_EQ(gl.draws[1].verts[0].x, 256.0f);
  EXPECT_EQ(window.swaps, 1);
  // Texturing is switched off again after a textured batch.
  EXPECT_EQ(gl.enabled.count(GL_TEXTURE_2D), 0u);
}

TEST_F(Renderer, ChangeOfTextureFlushes) {
  gxtkSurface* a = MakeSurface(8, 8);
  gxtkSurface* b = MakeSurface(8, 8);
  gl.draws.clear();
  gfx->DrawSurface(a, 0, 0);
  gfx->DrawSurface(b, 0, 0);
  gfx->DrawSurface(b, 0, 0);
  gfx->Flush();
  ASSERT_EQ(gl.draws.size(), 2u);
  EXPECT_EQ(gl.draws[0].texture, a->texture);
  EXPECT_EQ(gl.draws[1].texture, b->texture);
  EXPECT_EQ(gl.draws[1].count, 12);
}

TEST_F(Renderer, AlternatingRectsAndLinesFlushAtEverySwitch) {
  gl.draws.clear();
  for (int i = 0; i < 3; ++i) {
    gfx->DrawRect(0, 0, 10, 10);
    gfx->DrawLine(0, 0, 5, 5);
  }
  gfx->Flush();
  ASSERT_EQ(gl.draws.size(), 6u);
  for (int i = 0; i < 6; i += 2) {
    EXPECT_TRUE(gl.draws[i].elements);
    EXPECT_EQ(gl.draws[i].count, 6);
    EXPECT_EQ(gl.draws[i + 1].mode, static_cast<unsigned>(GL_LINES));
    EXPECT_EQ(gl.draws[i + 1].count, 2);
    EXPECT_FALSE(gl.draws[i].textured);
  }
}

// Segment counts: the untransformed estimate is |xr| + |yr| rounded down to a multiple of 4,
// at least 12 and at most 1024.
TEST_F(Renderer, OvalSegmentCounts) {
  const struct {
    float size;
    int segments;
  } cases[] = {{4, 12}, {100, 100}, {5000, 1024}, {31, 28}};
  for (const auto& c : cases) {
    gl.draws.clear();
    gfx->DrawOval(0, 0, c.size, c.size);
    gfx->Flush();
    ASSERT_EQ(gl.draws.size(), 1u) << c.size;
    EXPECT_EQ(gl.draws[0].mode, static_cast<unsigned>(GL_TRIANGLE_FAN));
    EXPECT_EQ(gl.draws[0].count, c.segments) << c.size;
  }
}

TEST_F(Renderer, OvalUnderAScaledMatrixCountsTransformedRadii) {
  // Radii 10 and 10, scaled by 3 and 2: 30 + 20 = 50, rounded down to 48.
  gfx->SetMatrix(3, 0, 0, 2, 0, 0);
  gl.draws.clear();
  gfx->DrawOval(0, 0, 20, 20);
  gfx->Flush();
  ASSERT_EQ(gl.draws.size(), 1u);
  EXPECT_EQ(gl.draws[0].count, 48);
  // Vertex 0 sits at angle 0: the right end of the oval, (20, 10) before the matrix.
  EXPECT_FLOAT_EQ(gl.draws[0].verts[0].x, 60.0f);
  EXPECT_FLOAT_EQ(gl.draws[0].verts[0].y, 20.0f);
  // A quarter turn later, the top (y decreasing): (10, 0) before the matrix.
  EXPECT_NEAR(gl.draws[0].verts[12].x, 30.0f, 1e-3);
  EXPECT_NEAR(gl.draws[0].verts[12].y, 0.0f, 1e-3);
}

TEST_F(Renderer, PolygonsOfOneSizeShareABatchAndDrawAsFans) {
  Array<float> pent(10);
  for (int i = 0; i < 10; ++i) pent[i] = static_cast<float>(i);
  gl.draws.clear();
  gfx->DrawPoly(pent);
  gfx->DrawPoly(pent);
  gfx->Flush();
  ASSERT_EQ(gl.draws.size(), 2u);
  EXPECT_EQ(gl.draws[0].first, 0);
  EXPECT_EQ(gl.draws[1].first, 5);
  EXPECT_EQ(gl.draws[1].count, 5);
  EXPECT_FLOAT_EQ(gl.draws[1].verts[4].y, 9.0f);
}

TEST_F(Renderer, EmptyAndOversizedPolygonsDrawNothing) {
  gxtkSurface* s = MakeSurface(4, 4);
  gl.draws.clear();
  gfx->DrawPoly(Array<float>());
  gfx->DrawPoly(Array<float>(1025 * 2));
  gfx->DrawPoly2(Array<float>(3), s, 0, 0);
  gfx->DrawPoly2(Array<float>(1025 * 4), s, 0, 0);
  gfx->Flush();
  EXPECT_TRUE(gl.draws.empty());
  EXPECT_EQ(gfx->vertCount, 0);
  // 1024 vertices is the largest polygon that draws.
  gfx->DrawPoly(Array<float>(1024 * 2));
  gfx->Flush();
  ASSERT_EQ(gl.draws.size(), 1u);
  EXPECT_EQ(gl.draws[0].count, 1024);
}

TEST_F(Renderer, TexturedPolygonCoordinatesAreOffsetAndScaled) {
  gxtkSurface* s = MakeSurface(64, 32);
  Array<float> quad(16);
  const float v[16] = {0, 0, 0, 0, 10, 0, 8, 0, 10, 10, 8, 4, 0, 10, 0, 4};
  for (int i = 0; i < 16; ++i) quad[i] = v[i];
  gl.draws.clear();
  gfx->DrawPoly2(quad, s, 16, 8);
  gfx->Flush();
  ASSERT_EQ(gl.draws.size(), 1u);
  EXPECT_TRUE(gl.draws[0].textured);
  EXPECT_FLOAT_EQ(gl.draws[0].verts[0].u, 16.0f / 64);
  EXPECT_FLOAT_EQ(gl.draws[0].verts[0].v, 8.0f / 32);
  EXPECT_FLOAT_EQ(gl.draws[0].verts[2].u, 24.0f / 64);
  EXPECT_FLOAT_EQ(gl.draws[0].verts[2].v, 12.0f / 32);
}

TEST_F(Renderer, SurfaceRectangleCornersAndCoordinates) {
  gxtkSurface* s = MakeSurface(64, 64);
  gl.draws.clear();
  gfx->DrawSurface2(s, 100, 50, 16, 32, 8, 4);
  gfx->Flush();
  ASSERT_EQ(gl.draws.size(), 1u);
  // Index order 0, 1, 2, 0, 2, 3: corners top-left, top-right, bottom-right, ..., bottom-left.
  const auto& v = gl.draws[0].verts;
  EXPECT_FLOAT_EQ(v[0].x, 100);
  EXPECT_FLOAT_EQ(v[0].u, 16.0f / 64);
  EXPECT_FLOAT_EQ(v[1].x, 108);
  EXPECT_FLOAT_EQ(v[1].u, 24.0f / 64);
  EXPECT_FLOAT_EQ(v[2].y, 54);
  EXPECT_FLOAT_EQ(v[2].v, 36.0f / 64);
  EXPECT_FLOAT_EQ(v[5].x, 100);
  EXPECT_FLOAT_EQ(v[5].y, 54);
  EXPECT_FLOAT_EQ(v[5].v, 36.0f / 64);
}

TEST_F(Renderer, ColourIsPremultipliedAndPackedRGBA) {
  gfx->SetAlpha(0.5f);
  gfx->SetColor(255, 128, 0);
  gl.draws.clear();
  gfx->DrawRect(0, 0, 1, 1);
  gfx->Flush();
  ASSERT_EQ(gl.draws.size(), 1u);
  const unsigned char* c = gl.draws[0].verts[0].rgba;
  EXPECT_EQ(c[0], 127);
  EXPECT_EQ(c[1], 64);
  EXPECT_EQ(c[2], 0);
  EXPECT_EQ(c[3], 127);
  // A later SetAlpha repacks with the stored colour.
  gfx->SetAlpha(1);
  EXPECT_EQ(gfx->color, 0xFF0080FFu);
}

TEST_F(Renderer, MatrixTransformsVerticesWithoutFlushing) {
  gfx->DrawRect(0, 0, 1, 1);
  gfx->SetMatrix(0, 1, -1, 0, 100, 200);  // a quarter turn, then a move
  EXPECT_TRUE(gfx->tformed);
  gfx->DrawRect(10, 0, 1, 1);
  gl.draws.clear();
  gfx->Flush();
  ASSERT_EQ(gl.draws.size(), 1u);
  ASSERT_EQ(gl.draws[0].count, 12);
  // (10, 0) -> (ix*10 + jx*0 + tx, iy*10 + jy*0 + ty) = (100, 210).
  EXPECT_FLOAT_EQ(gl.draws[0].verts[6].x, 100.0f);
  EXPECT_FLOAT_EQ(gl.draws[0].verts[6].y, 210.0f);
  gfx->SetMatrix(1, 0, 0, 1, 0, 0);
  EXPECT_FALSE(gfx->tformed);
}

TEST_F(Renderer, ScissorOfTheWholeWindowDisablesTheTest) {
  gfx->SetScissor(10, 20, 100, 50);
  EXPECT_EQ(gl.enabled.count(GL_SCISSOR_TEST), 1u);
  EXPECT_EQ(gl.scissor[0], 10);
  EXPECT_EQ(gl.scissor[1], 480 - 20 - 50);
  EXPECT_EQ(gl.scissor[2], 100);
  EXPECT_EQ(gl.scissor[3], 50);
  gfx->SetScissor(0, 0, 640, 480);
  EXPECT_EQ(gl.enabled.count(GL_SCISSOR_TEST), 0u);
  // Off by one in any value is a real scissor.
  gfx->SetScissor(0, 0, 640, 479);
  EXPECT_EQ(gl.enabled.count(GL_SCISSOR_TEST), 1u);
  EXPECT_EQ(gl.scissor[1], 1);
}

TEST_F(Renderer, StateChangesThatTouchGLFlushFirst) {
  gfx->DrawRect(0, 0, 1, 1);
  gfx->SetBlend(1);
  EXPECT_EQ(gl.drawCalls, 1);
  EXPECT_EQ(gl.blendSrc, static_cast<unsigned>(GL_ONE));
  EXPECT_EQ(gl.blendDst, static_cast<unsigned>(GL_ONE));
  gfx->DrawRect(0, 0, 1, 1);
  gfx->SetScissor(1, 1, 1, 1);
  EXPECT_EQ(gl.drawCalls, 2);
  gfx->SetBlend(7);
  EXPECT_EQ(gl.blendDst, static_cast<unsigned>(GL_ONE_MINUS_SRC_ALPHA));
  // Colour, alpha and matrix changes do not flush.
  gfx->DrawRect(0, 0, 1, 1);
  gfx->SetColor(1, 2, 3);
  gfx->SetAlpha(0.25f);
  gfx->SetMatrix(2, 0, 0, 2, 0, 0);
  EXPECT_EQ(gl.drawCalls, 2);
  EXPECT_EQ(gfx->vertCount, 4);
}

TEST_F(Renderer, ClsDropsTheBatchAndClears) {
  gfx->DrawRect(0, 0, 1, 1);
  gfx->Cls(255, 0, 51);
  gfx->Flush();
  EXPECT_EQ(gl.drawCalls, 0);
  EXPECT_EQ(gl.clears, 1);
  EXPECT_FLOAT_EQ(gl.clearColor[2], 0.2f);
}

TEST_F(Renderer, BeginRenderSetsUpTheFrameForTheCurrentWindowSize) {
  window.width = 1280;
  window.height = 1024;
  gfx->SetBlend(1);
  glEnable(GL_TEXTURE_2D);
  gfx->DrawRect(0, 0, 1, 1);
  EXPECT_EQ(gfx->BeginRender(), 1);
  EXPECT_EQ(gfx->vertCount, 0);
  EXPECT_EQ(gfx->Width(), 1280);
  EXPECT_EQ(gfx->Height(), 1024);
  EXPECT_EQ(gl.viewport[3], 1024);
  // Origin top left, y down.
  EXPECT_EQ(gl.ortho[2], 1024);
  EXPECT_EQ(gl.ortho[3], 0);
  EXPECT_EQ(gl.blendDst, static_cast<unsigned>(GL_ONE_MINUS_SRC_ALPHA));
  EXPECT_EQ(gl.enabled.count(GL_TEXTURE_2D), 0u);
  EXPECT_EQ(gl.enabled.count(GL_BLEND), 1u);
  EXPECT_EQ(gl.clientArrays.size(), 3u);
  EXPECT_EQ(gl.vertexStride, 20);
  EXPECT_EQ(static_cast<const char*>(gl.colorPtr) - static_cast<const char*>(gl.vertexPtr), 16);
}

TEST_F(Renderer, ReadPixelsFlipsRowsIntoPlace) {
  gl.fbWidth = 4;
  gl.fbHeight = 480;
  gl.framebuffer.assign(4 * 480, 0);
  // GL row 480 - 1 - y holds window row y; mark window rows 10, 11, 12 in column 2.
  for (int y = 10; y < 13; ++y) gl.framebuffer[(479 - y) * 4 + 2] = 1000 + y;
  gfx->DrawRect(0, 0, 1, 1);
  Array<int> out(20);
  gfx->ReadPixels(out, 2, 10, 1, 3, 5, 4);
  EXPECT_EQ(gl.drawCalls, 1);  // flushed first
  EXPECT_EQ(out[5], 1010);     // top row first
  EXPECT_EQ(out[9], 1011);
  EXPECT_EQ(out[13], 1012);
  EXPECT_EQ(out[4], 0);
  EXPECT_EQ(out[6], 0);
}

TEST_F(Renderer, ReadPixelsRefusesRectanglesPastTheArray) {
  Array<int> out(8);
  gfx->ReadPixels(out, 0, 0, 4, 3, 0, 4);   // needs 12
  gfx->ReadPixels(out, 0, 0, 4, 2, 1, 4);   // needs 9
  gfx->ReadPixels(out, 0, 0, 2, 2, -1, 4);  // before the start
  EXPECT_EQ(fakegl::count("glReadPixels"), 0);
  gfx->ReadPixels(out, 0, 0, 4, 2, 0, 4);
  EXPECT_EQ(fakegl::count("glReadPixels"), 1);
}

}  // namespace
}  // namespace gfxtest
