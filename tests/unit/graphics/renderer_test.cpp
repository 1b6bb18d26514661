// The batching renderer and its surfaces against the recording GL fake: batches and flushes,
// textures and their re-creation, pixel reads and writes, and image files that are not what
// they claim.
#include <GL/gl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "graphics/decode_ahead.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "graphics_test.h"

namespace gfxtest {
namespace {

using Renderer = GraphicsTest;

TEST_F(Renderer, QuadsOfOneTextureGoOutInFullBatches) {
  gxtkSurface* s = MakeSurface(16, 16);
  gxtkSurface* other = MakeSurface(8, 8);
  for (int i = 0; i < 300; ++i) gfx->DrawSurface(s, static_cast<float>(i), 0);
  gfx->DrawSurface(other, 0, 0);  // a change of texture flushes
  gfx->EndRender();
  const auto& d = gl.draws;
  // 256 quads (1024 vertices), then 44 (176 vertices), then 1; six indices per quad.
  EXPECT_EQ(Field(d, &fakegl::Draw::count), (Ints{1024 / 4 * 6, 176 / 4 * 6, 6}));
  EXPECT_EQ(Field(d, &fakegl::Draw::texture),
            (std::vector<unsigned>{s->texture, s->texture, other->texture}));
  EXPECT_EQ(Field(d, &fakegl::Draw::textured), (std::vector<bool>{true, true, true}));
  EXPECT_EQ(Field(d, &fakegl::Draw::mode), std::vector<unsigned>(3, GL_TRIANGLES));
  EXPECT_FLOAT_EQ(d.at(1).verts[0].x, 256.0f);  // the second batch starts again at vertex 0
  EXPECT_EQ(window.swaps, 1);
  EXPECT_EQ(gl.enabled.count(GL_TEXTURE_2D), 0u);  // texturing is off again after the batch
}

TEST_F(Renderer, AlternatingRectsAndLinesFlushAtEverySwitch) {
  for (int i = 0; i < 3; ++i) {
    gfx->DrawRect(0, 0, 10, 10);
    gfx->DrawLine(0, 0, 5, 5);
  }
  const auto& d = Drawn();
  EXPECT_EQ(Field(d, &fakegl::Draw::count), (Ints{6, 2, 6, 2, 6, 2}));
  const unsigned t = GL_TRIANGLES, l = GL_LINES;
  EXPECT_EQ(Field(d, &fakegl::Draw::mode), (std::vector<unsigned>{t, l, t, l, t, l}));
}

// Without a matrix the estimate is |xr| + |yr| rounded down to a multiple of 4, kept within
// 12..1024; under a matrix the radii are measured after transformation.
TEST_F(Renderer, OvalSegmentCounts) {
  // size, x scale, y scale, segments; radii 10 scaled by 3 and 2 give 50, rounded down to 48
  const float cases[][4] = {
      {4, 1, 1, 12}, {100, 1, 1, 100}, {5000, 1, 1, 1024}, {31, 1, 1, 28}, {20, 3, 2, 48}};
  for (const auto& c : cases) {
    gl.draws.clear();
    gfx->SetMatrix(c[1], 0, 0, c[2], 0, 0);
    gfx->DrawOval(0, 0, c[0], c[0]);
    ASSERT_EQ(Drawn().size(), 1u) << c[0];
    EXPECT_EQ(gl.draws[0].mode, static_cast<unsigned>(GL_TRIANGLE_FAN)) << c[0];
    EXPECT_EQ(gl.draws[0].count, static_cast<int>(c[3])) << c[0];
  }
  // Vertex 0 is the right end, (20, 10) before the matrix; a quarter turn later, the top.
  EXPECT_THAT(XY(gl.draws[0].verts[0]), Near({60, 20}));
  EXPECT_THAT(XY(gl.draws[0].verts[12]), Near({30, 0}));
  // Sizes no int holds draw the most segments, NaN the fewest, with or without a matrix.
  const float huge[][3] = {{INFINITY, 1, 1024}, {1e30f, 2, 1024}, {NAN, 1, 12}, {NAN, 2, 12}};
  for (const auto& c : huge) {
    gl.draws.clear();
    gfx->SetMatrix(c[1], 0, 0, 1, 0, 0);
    gfx->DrawOval(0, 0, c[0], c[0]);
    EXPECT_EQ(Drawn().at(0).count, static_cast<int>(c[2])) << c[0] << " at scale " << c[1];
  }
}

TEST_F(Renderer, PolygonsDrawAsOneFanEachAndOversizedOnesDrawNothing) {
  gxtkSurface* s = MakeSurface(64, 32);
  gfx->DrawPoly(Array<float>());
  gfx->DrawPoly(Array<float>(1025 * 2));
  gfx->DrawPoly2(Array<float>(3), s, 0, 0);
  gfx->DrawPoly2(Array<float>(1025 * 4), s, 0, 0);
  EXPECT_TRUE(Drawn().empty());

  Array<float> pentagon(10), triangle(12);  // x, y (and u, v for the textured one)
  for (int i = 0; i < 10; ++i) pentagon[i] = static_cast<float>(i);
  for (int i = 0; i < 12; ++i) triangle[i] = static_cast<float>(i);
  gfx->DrawPoly(pentagon);
  gfx->DrawPoly(pentagon);
  gfx->DrawPoly(Array<float>(1024 * 2));  // the largest polygon that draws
  gfx->DrawPoly2(triangle, s, 16, 8);     // texture source at (16, 8)
  const auto& d = Drawn();
  // The two pentagons share a batch and go out as two fans.
  EXPECT_EQ(Field(d, &fakegl::Draw::first), (Ints{0, 5, 0, 0}));
  EXPECT_EQ(Field(d, &fakegl::Draw::count), (Ints{5, 5, 1024, 3}));
  EXPECT_EQ(Field(d, &fakegl::Draw::textured), (std::vector<bool>{false, false, false, true}));
  EXPECT_FLOAT_EQ(d.at(1).verts[4].y, 9.0f);
  EXPECT_THAT(XYUV(d.at(3).verts[2], 64, 32), Near({8, 9, 10 + 16, 11 + 8}));
}

TEST_F(Renderer, ColourAlphaAndMatrixGoIntoTheVerticesWithoutAFlush) {
  gfx->DrawRect(0, 0, 1, 1);  // opaque white, as each frame starts
  gfx->SetAlpha(0.5f);
  gfx->SetColor(255, 128, 0);
  gfx->SetMatrix(0, 1, -1, 0, 100, 200);  // a quarter turn, then a move
  gfx->DrawRect(10, 0, 1, 1);
  EXPECT_EQ(gl.drawCalls, 0);
  const auto& v = Drawn().at(0).verts;
  EXPECT_EQ(Ints(v.at(0).rgba, v.at(0).rgba + 4), (Ints{255, 255, 255, 255}));
  EXPECT_EQ(Ints(v.at(6).rgba, v.at(6).rgba + 4), (Ints{127, 64, 0, 127}));  // premultiplied
  EXPECT_THAT(XY(v.at(6)), Near({100, 210}));  // (10, 0) through the matrix
  gfx->SetAlpha(1);                            // repacks the stored colour
  EXPECT_EQ(gfx->color, 0xFF0080FFu);
  // Out-of-range components and alphas are clamped, NaN to nothing.
  gfx->SetAlpha(1.2f);
  gfx->SetColor(300, -5, NAN);
  EXPECT_EQ(gfx->color, 0xFF0000FFu);
  gfx->SetAlpha(-0.5f);
  EXPECT_EQ(gfx->color, 0u);
}

TEST_F(Renderer, BlendAndScissorFlushAndClsDropsTheBatch) {
  gfx->DrawRect(0, 0, 1, 1);
  gfx->SetBlend(1);
  EXPECT_EQ(gl.drawCalls, 1);
  EXPECT_EQ(gl.blendDst, static_cast<unsigned>(GL_ONE));
  gfx->SetBlend(7);  // anything but 1 is alpha blending
  EXPECT_EQ(gl.blendDst, static_cast<unsigned>(GL_ONE_MINUS_SRC_ALPHA));
  // Setting the mode in force keeps the batch: sprites with a blend before each share it.
  for (int blend : {0, 3, 0}) {
    gfx->SetBlend(blend);
    gfx->DrawRect(0, 0, 1, 1);
  }
  EXPECT_EQ(gl.drawCalls, 1);
  gfx->SetBlend(1);
  EXPECT_EQ(gl.drawCalls, 2);
  // A frame starts in alpha blending, so additive must be set again after it.
  gfx->EndRender();
  gfx->BeginRender();
  gfx->SetBlend(1);
  EXPECT_EQ(gl.blendDst, static_cast<unsigned>(GL_ONE));
  // The scissor's y is flipped to GL's bottom-left origin (480 - 20 - 50 = 410); the whole
  // window turns it off, one pixel less does not. Cases: x, y, w, h, GL's y or -1 for off.
  const int cases[][5] = {{10, 20, 100, 50, 410}, {0, 0, 640, 480, -1}, {0, 0, 640, 479, 1}};
  for (const auto& c : cases) {
    gfx->DrawRect(0, 0, 1, 1);
    gfx->SetScissor(c[0], c[1], c[2], c[3]);
    EXPECT_EQ(gl.enabled.count(GL_SCISSOR_TEST), c[4] < 0 ? 0u : 1u) << c[3];
    if (c[4] >= 0) {
      EXPECT_EQ(Ints(gl.scissor, gl.scissor + 4), (Ints{c[0], c[4], c[2], c[3]}));
    }
  }
  EXPECT_EQ(gl.drawCalls, 5);
  gfx->DrawRect(0, 0, 1, 1);
  gfx->Cls(255, 0, 51);  // drops the batch rather than drawing what it clears
  EXPECT_EQ(Drawn().size(), 5u);
  EXPECT_EQ(gl.clears, 1);
  EXPECT_FLOAT_EQ(gl.clearColor[2], 0.2f);
}

TEST_F(Renderer, ReadPixelsFlushesAndRefusesBlocksPastTheArray) {
  gfx->DrawRect(0, 0, 1, 1);
  Array<int> out(8);
  const int bad[][4] = {{4, 3, 0, 4}, {4, 2, 1, 4}, {2, 2, -1, 4}};  // w, h, offset, pitch
  for (const auto& b : bad) gfx->ReadPixels(out, 0, 0, b[0], b[1], b[2], b[3]);
  EXPECT_EQ(gl.drawCalls, 1);  // flushed first
  EXPECT_EQ(fakegl::count("glReadPixels"), 0);
  // A 1 x 3 column, rows 10..12 of the window (GL rows 469..467), into elements 3, 5 and 7.
  gl.fbWidth = 1;
  gl.fbHeight = 480;
  gl.framebuffer.assign(480, 0);
  for (int y = 10; y < 13; ++y) gl.framebuffer[479 - y] = 1000 + y;
  gfx->ReadPixels(out, 0, 10, 1, 3, 3, 2);
  EXPECT_EQ(Ints(&out[0], &out[0] + 8), (Ints{0, 0, 0, 1010, 0, 1011, 0, 1012}));
  // Rectangles reaching outside the window are refused too, also the tallest one whose rows
  // would all land on the same elements.
  const int outside[][4] = {{-1, 0, 2, 2}, {0, 479, 2, 2}, {639, 0, 2, 1}, {0, 0, 8, INT_MAX}};
  for (const auto& r : outside) gfx->ReadPixels(out, r[0], r[1], r[2], r[3], 0, 0);
  EXPECT_EQ(fakegl::count("glReadPixels"), 1);
  gfx->ReadPixels(out, 639, 479, 1, 1, 0, 0);  // the bottom right pixel is inside
  EXPECT_EQ(fakegl::count("glReadPixels"), 2);
}

using Surfaces = GraphicsTest;

Bytes Gradient(int w, int h) {
  Bytes px(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < px.size(); ++i) px[i] = static_cast<unsigned char>(i * 7 % 256);
  return px;
}

TEST_F(Surfaces, LoadPremultipliesAndMakesTheTextureAtOnce) {
  const Bytes rgba = {200, 100, 50, 128, 10, 20, 30, 255, 255, 255, 255, 0};
  gxtkSurface* s = gfx->LoadSurface(WriteFile("premul.png", PngBytes(3, 1, rgba)));
  ASSERT_NE(s, nullptr);
  const Bytes want = {100, 50, 25, 128, 10, 20, 30, 255, 0, 0, 0, 0};
  EXPECT_EQ(Bytes(s->data, s->data + 12), want);
  EXPECT_EQ(gl.textures[s->texture].pixels, want);
  EXPECT_EQ(gl.unpackAlignment, 1);
  // Luminance with alpha is premultiplied too.
  gxtkSurface* la = gfx->LoadSurface(WriteFile("la.png", PngBytes(2, 1, {200, 128, 90, 0}, 2)));
  ASSERT_NE(la, nullptr);
  EXPECT_EQ(la->format, GL_LUMINANCE_ALPHA);
  EXPECT_EQ(Bytes(la->data, la->data + 4), (Bytes{100, 128, 0, 0}));
}

TEST_F(Surfaces, RefusedNonPowerOfTwoSizeIsPadded) {
  gl.refuseNonPowerOfTwo = true;
  gxtkSurface* s = gfx->LoadSurface(WriteFile("npot.png", PngBytes(100, 60, Gradient(100, 60))));
  ASSERT_NE(s, nullptr);
  const fakegl::Texture& t = gl.textures[s->texture];
  ASSERT_EQ(Ints({t.width, t.height}), (Ints{128, 64}));
  EXPECT_EQ(Floats({s->uscale, s->vscale}), (Floats{1.0f / 128, 1.0f / 64}));
  // The image fills the top-left 100 x 60 of the texture, and a full draw samples only that.
  EXPECT_EQ(t.pixels[(59 * 128 + 99) * 4 + 2], s->data[(59 * 100 + 99) * 4 + 2]);
  gfx->DrawSurface(s, 0, 0);
  EXPECT_THAT(XYUV(Drawn().at(0).verts[2], 128, 64), Near({100, 60, 100, 60}));
  // An error left over from earlier GL work is not taken for a refusal.
  gl.refuseNonPowerOfTwo = false;
  gl.pendingErrors.push_back(GL_INVALID_ENUM);
  EXPECT_FLOAT_EQ(gfx->CreateSurface(100, 60)->uscale, 1.0f / 100);
}

TEST_F(Surfaces, NewWindowRecreatesTexturesOnlyForSurfacesDrawnAndDiscardIsRepeatable) {
  const String file = WriteFile("recreate.png", PngBytes(8, 4, Gradient(8, 4)));
  gxtkSurface* drawn = gfx->LoadSurface(file);
  gxtkSurface* idle = gfx->LoadSurface(file);
  ASSERT_TRUE(drawn && idle);
  const unsigned oldTexture = drawn->texture;
  const Bytes uploaded = gl.textures[oldTexture].pixels;

  ++_glfwGraphicsSeq;  // the window, and its context, were re-created
  gfx->BeginRender();
  gfx->DrawSurface(drawn, 0, 0);
  EXPECT_EQ(fakegl::count("glGenTextures"), 2);  // not before the batch is drawn
  gfx->EndRender();
  EXPECT_EQ(fakegl::count("glGenTextures"), 3);
  EXPECT_NE(drawn->texture, oldTexture);
  EXPECT_EQ(gl.draws.at(0).texture, drawn->texture);
  EXPECT_EQ(gl.textures[drawn->texture].pixels, uploaded);
  // The old textures went with the old context: none is deleted in the new one, not even
  // when the idle surface is discarded.
  idle->Discard();
  EXPECT_EQ(fakegl::count("glDeleteTextures"), 0);
  // A current texture is deleted once, however often its surface is discarded.
  EXPECT_EQ(drawn->Discard(), 0);
  EXPECT_EQ(drawn->Discard(), 0);
  EXPECT_EQ(fakegl::count("glDeleteTextures"), 1);
  EXPECT_TRUE(gl.textures[drawn->texture].deleted);
  EXPECT_EQ(drawn->data, nullptr);
}

// Files decoded ahead on the worker give the pixels of a direct load, in whatever order they
// are taken; a taken file leaves the queue, and a new queue drops what the old one held.
TEST_F(Surfaces, FilesDecodedAheadLoadAsTheSamePixels) {
  const std::vector<String> files = {
      WriteFile("ahead-rgba.png", PngBytes(100, 60, Gradient(100, 60))),
      WriteFile("ahead-la.png", PngBytes(2, 1, {200, 128, 90, 0}, 2)),
      WriteFile("ahead-rgb.png", PngBytes(4, 4, Gradient(4, 4), 3))};
  std::vector<Bytes> direct;
  for (const String& f : files) {
    gxtkSurface* s = gfx->LoadSurface(f);
    direct.push_back(Bytes(s->data, s->data + s->width * s->height * s->depth));
  }
  DecodeImagesAhead(files);
  DecodedImage image;
  for (size_t i = files.size(); i-- > 0;) {
    ASSERT_TRUE(TakeDecodedImage(files[i], &image)) << i;
    EXPECT_EQ(Bytes(image.pixels, image.pixels + image.width * image.height * image.depth),
              direct[i]) << i;
    std::free(image.pixels);
    EXPECT_FALSE(TakeDecodedImage(files[i], &image)) << i;
  }
  const String nowhere("kestrel://nowhere/x.png");  // maps to no file, so it is never queued
  DecodeImagesAhead({files[0]});
  DecodeImagesAhead({files[1], nowhere});
  EXPECT_FALSE(TakeDecodedImage(files[0], &image));
  EXPECT_FALSE(TakeDecodedImage(nowhere, &image));
  ASSERT_TRUE(TakeDecodedImage(files[1], &image));
  EXPECT_EQ(Ints({image.width, image.height, image.depth}), (Ints{2, 1, 2}));
  std::free(image.pixels);
}

// The worker made predictable with a named pipe, whose opening blocks it until the test opens
// the writing end: a file behind the pipe is decoded by the caller, one before it is finished
// by the time the worker waits at the pipe and is handed over, and the pipe itself (nothing to
// map) gives no pixels.
TEST_F(Surfaces, TheWorkerDecodesInQueueOrder) {
  const std::string pipe = TestDir() + "/ahead.fifo";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const String fifo(pipe.c_str());
  const String before = WriteFile("before-pipe.png", PngBytes(8, 8, Gradient(8, 8)));
  const String behind = WriteFile("behind-pipe.png", PngBytes(4, 2, Gradient(4, 2)));
  DecodeImagesAhead({before, fifo, behind});
  DecodedImage image;
  ASSERT_TRUE(TakeDecodedImage(behind, &image));
  EXPECT_EQ(Ints({image.width, image.height}), (Ints{4, 2}));
  std::free(image.pixels);
  int writer = -1;  // opens once the worker waits at the pipe
  for (int i = 0; i < 10000 && writer < 0; ++i) {
    writer = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer < 0) usleep(1000);
  }
  ASSERT_GE(writer, 0) << "the worker never reached the pipe";
  ASSERT_TRUE(TakeDecodedImage(before, &image));
  EXPECT_EQ(Ints({image.width, image.height}), (Ints{8, 8}));
  std::free(image.pixels);
  close(writer);
  ASSERT_TRUE(TakeDecodedImage(fifo, &image));
  EXPECT_EQ(image.pixels, nullptr);
}

// Missing, unreadable, oversized and broken files give null, report no size, and never
// reach GL, also when they were decoded ahead.
TEST_F(Surfaces, BadFilesGiveNullWithoutTouchingGL) {
  const Bytes png = PngBytes(32, 32, Gradient(32, 32));
  Bytes truncated(png.begin(), png.begin() + png.size() / 2);
  Bytes corrupt = png;
  for (size_t i = 40; i < corrupt.size(); ++i) corrupt[i] ^= 0x5A;
  Bytes zeroSize = png;
  zeroSize[16] = zeroSize[17] = zeroSize[18] = zeroSize[19] = 0;  // IHDR width 0
  Bytes huge(png.begin(), png.begin() + 33);  // claims 30000 x 30000, with no data
  huge[18] = huge[22] = 0x75;
  huge[19] = huge[23] = 0x30;
  const Bytes wide = PngBytes(kMaxImageSide + 1, 1, Bytes((kMaxImageSide + 1) * 4, 255));
  std::vector<String> paths = {String((TestDir() + "/no-such.png").c_str()),
                               String(TestDir().c_str()), String("kestrel://nowhere/x.png")};
  const Bytes text = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e', '\n'};
  for (const Bytes& b : {truncated, corrupt, zeroSize, huge, wide, Bytes(), text})
    paths.push_back(WriteFile("broken" + std::to_string(paths.size()) + ".png", b));
  gl.counts.clear();
  for (size_t i = 0; i < paths.size(); ++i) {
    EXPECT_EQ(gfx->LoadSurface(paths[i]), nullptr) << i;
    int w = -1, h = -1, d = -1;
    EXPECT_EQ(VelGlfwGame::_glfwGame->LoadImageData(paths[i], &w, &h, &d), nullptr) << i;
    EXPECT_EQ(w, -1) << i;
  }
  DecodeImagesAhead(paths);
  for (size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(gfx->LoadSurface(paths[i]), nullptr) << i;
  EXPECT_TRUE(gl.counts.empty());
}

TEST_F(Surfaces, SetSubDataStoresPremultipliedRGBAAndUploadsRows) {
  gxtkSurface* s = gfx->CreateSurface(8, 4);
  // A 2 x 2 block of ARGB at (3, 1), from rows with a pitch of 3.
  const int argb[6] = {static_cast<int>(0x80C86432u), 0x11223344, 0,
                       static_cast<int>(0xFF0A141Eu), 0x00FFFFFF, 0};
  s->SetSubData(3, 1, 2, 2, argb, 3);
  ASSERT_NE(s->data, nullptr);
  const unsigned char* row1 = s->data + (1 * 8 + 3) * 4;
  const unsigned char* row2 = s->data + (2 * 8 + 3) * 4;
  EXPECT_EQ(Bytes(row1, row1 + 8), (Bytes{100, 50, 25, 128, 2, 3, 4, 17}));
  EXPECT_EQ(Bytes(row2, row2 + 8), (Bytes{10, 20, 30, 255, 0, 0, 0, 0}));
  // Narrower than the surface: one upload per row.
  ASSERT_EQ(gl.uploads.size(), 2u);
  for (int r = 0; r < 2; ++r) {
    const fakegl::Upload& u = gl.uploads[r];
    EXPECT_EQ(Ints({u.x, u.y, u.w, u.h}), (Ints{3, 1 + r, 2, 1}));
  }
  EXPECT_EQ(gl.textures[s->texture].pixels[(2 * 8 + 3) * 4 + 1], 20);
  // Whole rows: one upload.
  const Ints white(8 * 3, -1);
  s->SetSubData(0, 1, 8, 3, white.data(), 8);
  ASSERT_EQ(gl.uploads.size(), 3u);
  EXPECT_EQ(Ints({gl.uploads[2].y, gl.uploads[2].h}), (Ints{1, 3}));
  EXPECT_EQ(gl.textures[s->texture].pixels[(3 * 8 + 7) * 4], 255);
}

// Pixels of a created surface that were never written are transparent black when a new
// context uploads the whole surface, even in memory that held something else before. A lost
// context, whose error flag never clears, still gets its texture made.
TEST_F(Surfaces, CreatedSurfacesStartClearAndALostContextCannotHangTheUpload) {
  void* used = std::malloc(16 * 16 * 4);
  std::memset(used, 0xAB, 16 * 16 * 4);
  std::free(used);
  gxtkSurface* s = gfx->CreateSurface(16, 16);
  const int red = static_cast<int>(0xFFFF0000u);
  s->SetSubData(5, 5, 1, 1, &red, 1);
  gl.lost = true;
  ++_glfwGraphicsSeq;
  s->Bind();
  Bytes want(16 * 16 * 4, 0);
  want[(5 * 16 + 5) * 4] = want[(5 * 16 + 5) * 4 + 3] = 255;
  EXPECT_EQ(gl.textures[s->texture].pixels, want);
}

TEST_F(Surfaces, PixelWritesOutsideTheSurfaceOrArrayWriteNothing) {
  gxtkSurface* s = gfx->CreateSurface(4, 4);
  const int px[16] = {};
  s->SetSubData(3, 0, 2, 1, px, 2);
  s->SetSubData(0, -1, 1, 1, px, 1);
  s->SetSubData(0, 3, 1, 2, px, 1);
  EXPECT_EQ(s->data, nullptr);
  gxtkSurface* grey = gfx->LoadSurface(WriteFile("grey.png", PngBytes(2, 2, {1, 2, 3, 4}, 1)));
  ASSERT_NE(grey, nullptr);
  grey->SetSubData(0, 0, 1, 1, px, 1);  // only RGBA surfaces take pixel writes
  EXPECT_EQ(grey->data[0], 1);
  // WritePixels2 flushes first and writes the block found at the offset in the array.
  gfx->DrawRect(0, 0, 1, 1);
  Array<int> argb(10);
  argb[3] = static_cast<int>(0xFF010203u);
  gfx->WritePixels2(s, argb, 0, 0, 4, 3, 0, 4);  // past the end of the array
  EXPECT_EQ(s->data, nullptr);
  gfx->WritePixels2(s, argb, 1, 1, 1, 1, 3, 1);
  EXPECT_EQ(gl.drawCalls, 1);
  ASSERT_NE(s->data, nullptr);
  EXPECT_EQ(s->data[(1 * 4 + 1) * 4 + 2], 3);
}

}  // namespace
}  // namespace gfxtest
