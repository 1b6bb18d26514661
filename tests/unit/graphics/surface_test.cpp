// Surfaces: loading and premultiplication, textures and their re-creation, pixel writes,
// and image files that are not what they claim.
#include <GL/gl.h>

#include "graphics_test.h"

namespace gfxtest {
namespace {

using Surfaces = GraphicsTest;

String Path(const std::string& p) { return String(p.c_str()); }

std::vector<unsigned char> Gradient(int w, int h) {
  std::vector<unsigned char> px(static_cast<size_t>(w) * h * 4);
  for (int i = 0; i < w * h; ++i) {
    px[i * 4 + 0] = static_cast<unsigned char>(i % 251);
    px[i * 4 + 1] = static_cast<unsigned char>(i / 7 % 256);
    px[i * 4 + 2] = static_cast<unsigned char>(200);
    px[i * 4 + 3] = static_cast<unsigned char>(i % 3 ? 255 : 128);
  }
  return px;
}

TEST_F(Surfaces, LoadPremultipliesAndMakesTheTextureAtOnce) {
  std::vector<unsigned char> px = {200, 100, 50, 128, 10, 20, 30, 255, 255, 255, 255, 0};
  std::string file = WritePng("premul.png", 3, 1, px);
  gxtkSurface* s = gfx->LoadSurface(Path(file));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Width(), 3);
  EXPECT_EQ(s->Height(), 1);
  EXPECT_EQ(s->depth, 4);
  EXPECT_EQ(s->format, GL_RGBA);
  const unsigned char want[] = {100, 50, 25, 128, 10, 20, 30, 255, 0, 0, 0, 0};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(s->data[i], want[i]) << i;
  // Bound at load: the texture exists and holds the premultiplied pixels.
  EXPECT_EQ(s->seq, 1);
  ASSERT_EQ(gl.textures.count(s->texture), 1u);
  const fakegl::Texture& t = gl.textures[s->texture];
  EXPECT_EQ(t.width, 3);
  EXPECT_EQ(t.pixels, std::vector<unsigned char>(want, want + 12));
  EXPECT_EQ(gl.unpackAlignment, 1);
  EXPECT_FLOAT_EQ(s->uscale, 1.0f / 3);
}

TEST_F(Surfaces, LuminanceAlphaIsPremultiplied) {
  std::string la = WritePng("la.png", 2, 1, {200, 128, 90, 0}, 2);
  gxtkSurface* s = gfx->LoadSurface(Path(la));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->format, GL_LUMINANCE_ALPHA);
  EXPECT_EQ(s->data[0], 100);
  EXPECT_EQ(s->data[1], 128);
  EXPECT_EQ(s->data[2], 0);
}

TEST_F(Surfaces, RefusedNonPowerOfTwoSizeIsPadded) {
  gl.refuseNonPowerOfTwo = true;
  std::string file = WritePng("npot.png", 100, 60, Gradient(100, 60));
  gxtkSurface* s = gfx->LoadSurface(Path(file));
  ASSERT_NE(s, nullptr);
  const fakegl::Texture& t = gl.textures[s->texture];
  EXPECT_EQ(t.width, 128);
  EXPECT_EQ(t.height, 64);
  EXPECT_FLOAT_EQ(s->uscale, 1.0f / 128);
  EXPECT_FLOAT_EQ(s->vscale, 1.0f / 64);
  // The image fills the top-left 100 x 60 of the texture.
  ASSERT_EQ(gl.uploads.size(), 1u);
  EXPECT_EQ(gl.uploads[0].w, 100);
  EXPECT_EQ(gl.uploads[0].h, 60);
  EXPECT_EQ(t.pixels[(59 * 128 + 99) * 4 + 2], s->data[(59 * 100 + 99) * 4 + 2]);

  gl.draws.clear();
  gfx->DrawSurface(s, 0, 0);
  gfx->Flush();
  ASSERT_EQ(gl.draws.size(), 1u);
  float umax = 0, vmax = 0;
  for (const fakegl::Vertex& v : gl.draws[0].verts) {
    umax = std::max(umax, v.u);
    vmax = std::max(vmax, v.v);
  }
  EXPECT_FLOAT_EQ(umax, 100.0f / 128);
  EXPECT_FLOAT_EQ(vmax, 60.0f / 64);
}

TEST_F(Surfaces, AStaleErrorIsNotTakenForARefusal) {
  gl.pendingErrors.push_back(GL_INVALID_ENUM);
  gxtkSurface* s = gfx->CreateSurface(100, 60);
  EXPECT_EQ(gl.textures[s->texture].width, 100);
  EXPECT_FLOAT_EQ(s->uscale, 1.0f / 100);
}

TEST_F(Surfaces, NewWindowRecreatesTexturesOnlyForSurfacesDrawn) {
  std::string file = WritePng("recreate.png", 8, 4, Gradient(8, 4));
  gxtkSurface* drawn = gfx->LoadSurface(Path(file));
  gxtkSurface* idle = gfx->LoadSurface(Path(file));
  ASSERT_TRUE(drawn && idle);
  const unsigned oldTexture = drawn->texture;
  const std::vector<unsigned char> uploaded = gl.textures[oldTexture].pixels;
  gl.uploads.clear();

  ++_glfwGraphicsSeq;  // the window (and its context) was re-created
  gfx->BeginRender();
  EXPECT_EQ(fakegl::count("glGenTextures"), 2);
  gfx->DrawSurface(drawn, 0, 0);
  EXPECT_EQ(fakegl::count("glGenTextures"), 2);  // not before the batch is drawn
  gfx->EndRender();

  EXPECT_EQ(fakegl::count("glGenTextures"), 3);
  EXPECT_EQ(drawn->seq, 2);
  EXPECT_NE(drawn->texture, oldTexture);
  ASSERT_EQ(gl.uploads.size(), 1u);
  EXPECT_EQ(gl.uploads[0].texture, drawn->texture);
  EXPECT_EQ(gl.textures[drawn->texture].pixels, uploaded);
  // The old context's texture is gone with it; it is not deleted in the new one.
  EXPECT_EQ(fakegl::count("glDeleteTextures"), 0);
  EXPECT_EQ(idle->seq, 1);

  // Discarding the idle surface finds no current texture.
  idle->Discard();
  EXPECT_EQ(fakegl::count("glDeleteTextures"), 0);
  EXPECT_EQ(idle->data, nullptr);
}

TEST_F(Surfaces, DiscardTwiceIsHarmless) {
  gxtkSurface* s = gfx->LoadSurface(Path(WritePng("discard.png", 2, 2, Gradient(2, 2))));
  ASSERT_NE(s, nullptr);
  const unsigned texture = s->texture;
  EXPECT_EQ(s->Discard(), 0);
  EXPECT_EQ(s->Discard(), 0);
  EXPECT_EQ(fakegl::count("glDeleteTextures"), 1);
  EXPECT_TRUE(gl.textures[texture].deleted);
  EXPECT_EQ(s->data, nullptr);
  EXPECT_EQ(s->seq, -1);
}

TEST_F(Surfaces, NoContextMeansNoTexture) {
  _glfwGraphicsSeq = 0;
  gxtkSurface* s = gfx->CreateSurface(4, 4);
  EXPECT_EQ(s->seq, -1);
  EXPECT_EQ(fakegl::count("glGenTextures"), 0);
  _glfwGraphicsSeq = 1;
  s->Bind();
  EXPECT_EQ(s->seq, 1);
  EXPECT_EQ(fakegl::count("glGenTextures"), 1);
}

// A file whose header asks for more than the loader accepts is refused before decoding; the
// largest accepted side still loads.
TEST_F(Surfaces, OversizedImagesAreRefused) {
  std::vector<unsigned char> row(static_cast<size_t>(kMaxImageSide + 1) * 4, 255);
  std::string wide = WritePng("wide.png", kMaxImageSide + 1, 1, row);
  std::string widest = WritePng("widest.png", kMaxImageSide, 1, row);
  int w = 0, h = 0, d = 0;
  EXPECT_EQ(VelGlfwGame::_glfwGame->LoadImageData(Path(wide), &w, &h, &d), nullptr);
  unsigned char* ok = VelGlfwGame::_glfwGame->LoadImageData(Path(widest), &w, &h, &d);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(w, kMaxImageSide);
  EXPECT_EQ(d, 4);
  free(ok);
}

TEST_F(Surfaces, MissingFileGivesNullWithoutTouchingGL) {
  gl.calls.clear();
  EXPECT_EQ(gfx->LoadSurface(Path(TestDir() + "/no-such.png")), nullptr);
  EXPECT_EQ(gfx->LoadSurface(Path(TestDir())), nullptr);  // a folder is no image
  EXPECT_EQ(gfx->LoadSurface(String("kestrel://nowhere/x.png")), nullptr);
  EXPECT_TRUE(gl.calls.empty());
}

TEST_F(Surfaces, BrokenFilesGiveNull) {
  std::vector<unsigned char> png;
  {
    std::string good = WritePng("good.png", 32, 32, Gradient(32, 32));
    FILE* f = std::fopen(good.c_str(), "rb");
    int c;
    while ((c = std::fgetc(f)) != EOF) png.push_back(static_cast<unsigned char>(c));
    std::fclose(f);
  }
  ASSERT_GT(png.size(), 100u);
  std::vector<unsigned char> truncated(png.begin(), png.begin() + png.size() / 2);
  std::vector<unsigned char> corrupt = png;
  for (size_t i = 40; i < corrupt.size(); ++i) corrupt[i] ^= 0x5A;
  std::vector<unsigned char> zeroSize = png;
  zeroSize[16] = zeroSize[17] = zeroSize[18] = zeroSize[19] = 0;  // IHDR width 0
  // A header claiming 30000 x 30000 pixels, with almost no data behind it.
  std::vector<unsigned char> huge(png.begin(), png.begin() + 33);
  huge[16] = 0, huge[17] = 0, huge[18] = 0x75, huge[19] = 0x30;
  huge[20] = 0, huge[21] = 0, huge[22] = 0x75, huge[23] = 0x30;
  const std::string text = "this is not an image at all\n";

  gl.calls.clear();
  int n = 0;
  for (const auto& bytes : {truncated, corrupt, zeroSize, huge, std::vector<unsigned char>(),
                            std::vector<unsigned char>(text.begin(), text.end())}) {
    std::string file = WriteFile("broken" + std::to_string(n++) + ".png", bytes);
    EXPECT_EQ(gfx->LoadSurface(Path(file)), nullptr) << file;
    int w = -1, h = -1, d = -1;
    EXPECT_EQ(VelGlfwGame::_glfwGame->LoadImageData(Path(file), &w, &h, &d), nullptr);
    EXPECT_EQ(w, -1);  // nothing reported for a failed decode
  }
  EXPECT_TRUE(gl.calls.empty());
}

TEST_F(Surfaces, SetSubDataStoresPremultipliedRGBAAndUploadsRows) {
  gxtkSurface* s = gfx->CreateSurface(8, 4);
  EXPECT_EQ(s->data, nullptr);
  EXPECT_EQ(gl.textures[s->texture].width, 8);
  gl.uploads.clear();
  // 2 x 2 block at (3, 1) from a source with a pitch of 3.
  const int src[6] = {static_cast<int>(0x80C86432u), 0x11223344, 0,
                      static_cast<int>(0xFF0A141Eu), 0x00FFFFFF, 0};
  s->SetSubData(3, 1, 2, 2, src, 3);
  ASSERT_NE(s->data, nullptr);
  const unsigned char* p = s->data + (1 * 8 + 3) * 4;
  EXPECT_EQ(p[0], 100);  // 200 * 128 / 255
  EXPECT_EQ(p[1], 50);
  EXPECT_EQ(p[2], 25);
  EXPECT_EQ(p[3], 128);
  const unsigned char* q = s->data + (2 * 8 + 3) * 4;
  EXPECT_EQ(q[0], 10);
  EXPECT_EQ(q[1], 20);
  EXPECT_EQ(q[2], 30);
  EXPECT_EQ(q[3], 255);
  EXPECT_EQ(q[4 + 3], 0);  // alpha 0 stays transparent black
  EXPECT_EQ(q[4 + 0], 0);
  // Narrower than the surface: one upload per row.
  ASSERT_EQ(gl.uploads.size(), 2u);
  EXPECT_EQ(gl.uploads[0].y, 1);
  EXPECT_EQ(gl.uploads[1].y, 2);
  EXPECT_EQ(gl.uploads[1].w, 2);
  EXPECT_EQ(gl.uploads[1].h, 1);
  EXPECT_EQ(gl.textures[s->texture].pixels[(2 * 8 + 3) * 4 + 1], 20);

  // Full width: one upload of the contiguous rows.
  gl.uploads.clear();
  std::vector<int> rows(8 * 3, static_cast<int>(0xFFFFFFFFu));
  s->SetSubData(0, 1, 8, 3, rows.data(), 8);
  ASSERT_EQ(gl.uploads.size(), 1u);
  EXPECT_EQ(gl.uploads[0].h, 3);
  EXPECT_EQ(gl.textures[s->texture].pixels[(3 * 8 + 7) * 4], 255);
}

TEST_F(Surfaces, SetSubDataIgnoresBlocksOutsideAndNonRGBASurfaces) {
  gxtkSurface* s = gfx->CreateSurface(4, 4);
  const int px[16] = {};
  s->SetSubData(3, 0, 2, 1, px, 2);
  s->SetSubData(0, -1, 1, 1, px, 1);
  s->SetSubData(0, 3, 1, 2, px, 1);
  EXPECT_EQ(s->data, nullptr);
  gxtkSurface* grey = gfx->LoadSurface(Path(WritePng("grey2.png", 2, 2, {1, 2, 3, 4}, 1)));
  ASSERT_NE(grey, nullptr);
  gl.uploads.clear();
  grey->SetSubData(0, 0, 1, 1, px, 1);
  EXPECT_TRUE(gl.uploads.empty());
  EXPECT_EQ(grey->data[0], 1);
}

TEST_F(Surfaces, WritePixelsFlushesAndPassesTheOffsetBlock) {
  gxtkSurface* s = gfx->CreateSurface(4, 4);
  gfx->DrawRect(0, 0, 1, 1);
  Array<int> px(10);
  px[3] = static_cast<int>(0xFF010203u);
  gfx->WritePixels2(s, px, 1, 1, 1, 1, 3, 1);
  EXPECT_EQ(gl.drawCalls, 1);
  ASSERT_NE(s->data, nullptr);
  EXPECT_EQ(s->data[(1 * 4 + 1) * 4 + 2], 3);
  // A block reaching past the array is refused.
  gl.uploads.clear();
  gfx->WritePixels2(s, px, 0, 0, 4, 3, 0, 4);
  EXPECT_TRUE(gl.uploads.empty());
}

}  // namespace
}  // namespace gfxtest
