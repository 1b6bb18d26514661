// The graphics module, renderer and surfaces over the recording GL in a 640 x 480 window.
#include <GL/gl.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stb/stb_image_write.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>

#include "fakes/gl/fake_gl.h"
#include "fakes/glfw/fake_glfw.h"
#include "graphics/decode_ahead.h"
#include "graphics/graphics_module.h"
#include "host/vel_glfw_game.h"
#include "platform/window.h"
#include "runtime/gc.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Ints = std::vector<int>;
using Floats = std::vector<float>;
using fakegl::Draw;

const std::string kDir = [] {
  char tmpl[] = "/tmp/zipkin-gfx-test-XXXXXX";
  return std::string(mkdtemp(tmpl));
}();

// PNG bytes for w x h pixels of `channels` bytes each (all 200 when none are given).
Bytes Png(int w, int h, Bytes px = {}, int channels = 4) {
  if (px.empty()) px.assign(w * h * channels, 200);
  Bytes out;
  auto append = [](void* to, void* data, int n) {
    static_cast<Bytes*>(to)->insert(static_cast<Bytes*>(to)->end(), static_cast<char*>(data),
                                    static_cast<char*>(data) + n);
  };
  stbi_write_png_to_func(append, &out, w, h, channels, px.data(), w * channels);
  return out;
}

String WriteFile(const std::string& name, const Bytes& bytes) {
  const std::string path = kDir + "/" + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return String(path.c_str());
}

template <class T>
std::vector<T> Field(const std::vector<Draw>& draws, T Draw::*field) {
  std::vector<T> out;
  for (const Draw& d : draws) out.push_back(d.*field);
  return out;
}

// A vertex's position, with its texture coordinates in texels of a w x h texture.
Floats XY(const fakegl::Vertex& v) { return {v.x, v.y}; }
Floats XYUV(const fakegl::Vertex& v, int w, int h) { return {v.x, v.y, v.u * w, v.v * h}; }
auto Near(const Floats& want) { return ::testing::Pointwise(::testing::FloatNear(1e-3f), want); }

class GraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static VelGlfwGame game;
    if (!VelGlfwGame::_glfwGame) {
      gc_init1();
      VelGame::_game = VelGlfwGame::_glfwGame = &game;
    }
    fakegl::reset();
    fake_glfw::reset();
    fake_glfw::State& window = fake_glfw::state();
    window.window_open = true;
    window.width = 640;
    window.height = 480;
    _glfwGraphicsSeq = 1;
    vel_graphics_Init();
    vel_graphics_SetGraphicsDevice(gfx = new gxtkGraphics());
    gfx->BeginRender();
    vel_graphics_BeginRender();
  }
  void TearDown() override { vel_graphics_EndRender(); }
  const std::vector<Draw>& Drawn() {
    gfx->Flush();
    return gl.draws;
  }

  gxtkGraphics* gfx = nullptr;
  fakegl::State& gl = fakegl::state();
};

using Renderer = GraphicsTest;
using Module = GraphicsTest;
using Surfaces = GraphicsTest;

// A change of texture, primitive or blend mode ends a batch, setting the mode in force does not.
TEST_F(Renderer, BatchesEndWhenFullOrWhenTheTextureOrPrimitiveOrBlendChanges) {
  gxtkSurface* s = gfx->CreateSurface(16, 16);
  for (int i = 0; i < 300; ++i) gfx->DrawSurface(s, static_cast<float>(i), 0);
  gfx->DrawSurface(gfx->CreateSurface(8, 8), 0, 0);
  gfx->SetAlpha(0.5f);
  gfx->SetColor(255, 128, 0);
  gfx->SetMatrix(0, 1, -1, 0, 100, 200);  // a quarter turn, then a move
  gfx->DrawRect(10, 20, 30, 40);
  gfx->DrawLine(0, 0, 5, 5);
  for (int blend : {7, 0, 3}) gfx->SetBlend(blend);  // alpha blending, already in force
  gfx->DrawLine(0, 0, 5, 5);
  gfx->SetBlend(1);
  EXPECT_EQ(gl.blendDst, static_cast<unsigned>(GL_ONE));
  const auto& d = gl.draws;
  EXPECT_EQ(Field(d, &Draw::count), (Ints{256 * 6, 44 * 6, 6, 6, 4}));
  EXPECT_EQ(Field(d, &Draw::textured), (std::vector<bool>{true, true, true, false, false}));
  EXPECT_EQ(d[1].texture, s->texture);
  EXPECT_FLOAT_EQ(d[1].verts[0].x, 256.0f);  // the second batch starts again at vertex 0
  Floats rect;  // the triangles 0 1 2 and 0 2 3 of the corners, turned and moved
  for (const fakegl::Vertex& v : d[3].verts) rect.insert(rect.end(), {v.x, v.y});
  EXPECT_EQ(rect, (Floats{80, 210, 80, 240, 40, 240, 80, 210, 40, 240, 40, 210}));
  EXPECT_EQ(Ints(d[3].verts[0].rgba, d[3].verts[0].rgba + 4), (Ints{127, 64, 0, 127}));
}

// An oval has |xr| + |yr| segments, radii after the matrix, in multiples of 4 from 12 to 1024.
TEST_F(Renderer, OvalsAndPolygonsDrawAsFans) {
  // size, x scale, y scale, segments; sizes no int holds draw the most, NaN the fewest
  const float cases[][4] = {{4, 1, 1, 12},          {31, 1, 1, 28},  {5000, 1, 1, 1024},
                            {INFINITY, 1, 1, 1024}, {1e30f, 2, 1, 1024}, {NAN, 2, 1, 12},
                            {20, 3, 2, 48}};
  for (const auto& c : cases) {
    gl.draws.clear();
    gfx->SetMatrix(c[1], 0, 0, c[2], 0, 0);
    gfx->DrawOval(0, 0, c[0], c[0]);
    EXPECT_EQ(Drawn().at(0).count, static_cast<int>(c[3])) << c[0] << " at scale " << c[1];
  }
  // Vertex 0 is the right end, (20, 10) before the matrix; a quarter on, the top.
  EXPECT_THAT(XY(gl.draws[0].verts[0]), Near({60, 20}));
  EXPECT_THAT(XY(gl.draws[0].verts[12]), Near({30, 0}));
  gfx->SetMatrix(1, 0, 0, 1, 0, 0);
  gxtkSurface* s = gfx->CreateSurface(64, 32);
  Array<float> pentagon(10), triangle(12);  // x, y (and u, v for the textured one)
  for (int i = 0; i < 12; ++i) triangle[i] = static_cast<float>(i);
  for (int i = 0; i < 2; ++i) gfx->DrawPoly(pentagon);
  gfx->DrawPoly2(Array<float>(1025 * 4), s, 0, 0);
  gfx->DrawPoly2(triangle, s, 16, 8);  // texture source at (16, 8)
  const auto& d = Drawn();
  const unsigned fan = GL_TRIANGLE_FAN;  // three vertices draw as a triangle
  EXPECT_EQ(Field(d, &Draw::mode), (std::vector<unsigned>{fan, fan, fan, GL_TRIANGLES}));
  EXPECT_EQ(Field(d, &Draw::first), (Ints{0, 0, 5, 0}));
  EXPECT_EQ(Field(d, &Draw::count), (Ints{48, 5, 5, 3}));
  EXPECT_THAT(XYUV(d.at(3).verts[2], 64, 32), Near({8, 9, 10 + 16, 11 + 8}));
}

// The scissor and pixel reads flip y to GL's bottom-left origin.
TEST_F(Renderer, ScissorAndReadPixels) {
  gfx->SetScissor(10, 20, 100, 50);  // 480 - 20 - 50 = 410
  EXPECT_EQ(Ints(gl.scissor, gl.scissor + 4), (Ints{10, 410, 100, 50}));
  gfx->SetScissor(0, 0, 640, 480);
  EXPECT_EQ(gl.enabled.count(GL_SCISSOR_TEST), 0u);
  gfx->DrawRect(0, 0, 1, 1);
  Array<int> out(8);
  const int bad[][4] = {{4, 3, 0, 4}, {4, 2, 1, 4}, {2, 2, -1, 4}};  // w, h, offset, pitch
  for (const auto& b : bad) gfx->ReadPixels(out, 0, 0, b[0], b[1], b[2], b[3]);
  // Outside the window, also the tallest block whose rows would all land on one element.
  const int outside[][4] = {{-1, 0, 2, 2}, {0, 479, 2, 2}, {639, 0, 2, 1}, {0, 0, 8, INT_MAX}};
  for (const auto& r : outside) gfx->ReadPixels(out, r[0], r[1], r[2], r[3], 0, 0);
  EXPECT_TRUE(gl.drawCalls == 1 && fakegl::count("glReadPixels") == 0);  // flushed first
  // A 1 x 3 column, rows 10..12 of the window (GL rows 469..467), into elements 3, 5 and 7.
  gl.fbWidth = 1;
  gl.fbHeight = 480;
  gl.framebuffer.assign(480, 0);
  for (int y = 10; y < 13; ++y) gl.framebuffer[479 - y] = 1000 + y;
  gfx->ReadPixels(out, 0, 10, 1, 3, 3, 2);
  EXPECT_EQ(Ints(&out[0], &out[0] + 8), (Ints{0, 0, 0, 1010, 0, 1011, 0, 1012}));
  gfx->ReadPixels(out, 639, 479, 1, 1, 0, 0);  // the bottom right pixel is inside
  EXPECT_EQ(fakegl::count("glReadPixels"), 2);
}

Ints Frames(c_Image* image) {  // x then y of each
  Ints xy;
  for (c_Frame* f : image->m_frames) xy.insert(xy.end(), {f->m_x, f->m_y});
  return xy;
}

TEST_F(Module, FramesHandlesAndTheWholeSurfaceFlag) {
  gxtkSurface* big = gfx->CreateSurface(64, 64);
  c_Image* grid = (new c_Image())->p_Init2(big, 0, 0, 32, 32, 4, 0, nullptr, 0, 0, 64, 64);
  EXPECT_EQ(Frames(grid), (Ints{0, 0, 32, 0, 0, 32, 32, 32}));  // left to right, then down
  gxtkSurface* s = gfx->CreateSurface(40, 30);
  c_Image* mid = (new c_Image())->p_Init(s, 1, c_Image::kMidHandle);
  EXPECT_EQ(Floats({mid->m_tx, mid->m_ty}), (Floats{20, 15}));
  EXPECT_EQ(mid->m_flags, c_Image::kFullFrame);  // the handle bit is not kept
  // A strip of four padded 10 x 30 cells: 8 x 28 frames, handled at their centre.
  const int padded = c_Image::kXPadding | c_Image::kYPadding;
  c_Image* strip = (new c_Image())->p_Init(s, 4, padded | c_Image::kMidHandle);
  EXPECT_EQ(Frames(strip), (Ints{1, 1, 11, 1, 21, 1, 31, 1}));
  EXPECT_EQ(Floats({strip->m_tx, strip->m_ty}), (Floats{4, 14}));
  EXPECT_EQ(strip->m_flags, padded);
  vel_graphics_DrawImage(mid, 0, 0, 1);  // frames outside the image draw nothing
  vel_graphics_DrawImage2(strip, 0, 0, 0, 1, 1, 4);
  // Both draw offset by their handle, the whole-surface one as a plain surface.
  vel_graphics_DrawImage(mid, 100, 100, 0);
  vel_graphics_DrawImage(strip, 100, 100, 2);
  ASSERT_EQ(Drawn().size(), 1u);
  const std::vector<fakegl::Vertex>& v = gl.draws[0].verts;
  EXPECT_THAT(XYUV(v[0], 40, 30), Near({80, 85, 0, 0}));
  EXPECT_THAT(XYUV(v[2], 40, 30), Near({120, 115, 40, 30}));
  EXPECT_THAT(XYUV(v[6], 40, 30), Near({96, 86, 21, 1}));
  EXPECT_THAT(XYUV(v[8], 40, 30), Near({104, 114, 29, 29}));
}

TEST_F(Module, MatrixComposesAndDrawImage2TurnsAboutTheHandle) {
  c_GraphicsContext* c = vel_graphics_context;
  vel_graphics_Translate(10, 20);
  vel_graphics_PushMatrix();
  vel_graphics_Scale(2, 3);
  vel_graphics_Rotate(90);
  vel_graphics_DrawRect(1, 0, 0, 0);
  vel_graphics_PopMatrix();
  EXPECT_EQ(Floats({c->m_ix, c->m_iy, c->m_jx, c->m_jy, c->m_tx, c->m_ty}),
            (Floats{1, 0, 0, 1, 10, 20}));
  c_Image* bar = (new c_Image())->p_Init(gfx->CreateSurface(10, 4), 1, 0);
  c_Image* square = (new c_Image())->p_Init(gfx->CreateSurface(10, 10), 1, c_Image::kMidHandle);
  vel_graphics_DrawImage2(bar, 90, 180, 90, 1, 1, 0);
  vel_graphics_DrawImage2(square, 50, 50, 0, 2, 3, 0);
  EXPECT_EQ(Floats({c->m_ix, c->m_tx, c->m_ty}), (Floats{1, 10, 20}));  // the caller's is back
  const auto& d = Drawn();
  // Each transform applies before those already there: (1, 0) -> (0, -1) -> (0, -3) -> (10, 17).
  EXPECT_THAT(XY(d.at(0).verts[0]), Near({10, 17}));
  // A quarter turn about the top-left corner: the bar's right end goes up, its bottom right.
  EXPECT_THAT(XYUV(d.at(1).verts[2], 10, 4), Near({104, 190, 10, 4}));
  // The square, scaled by 2 and 3 about its centre.
  EXPECT_THAT(XYUV(d.at(2).verts[2], 10, 10), Near({70, 85, 10, 10}));
}

TEST_F(Surfaces, LoadedAndDecodedAheadFilesArePremultiplied) {
  const std::vector<String> files = {
      WriteFile("rgba.png", Png(1, 3, {200, 100, 50, 128, 10, 20, 30, 255, 255, 9, 9, 0})),
      WriteFile("la.png", Png(2, 1, {200, 128, 90, 0}, 2)),
      WriteFile("rgb.png", Png(2, 1, {1, 2, 3, 4, 5, 6}, 3))};
  const std::vector<Bytes> want = {
      {100, 50, 25, 128, 10, 20, 30, 255, 0, 0, 0, 0}, {100, 128, 0, 0}, {1, 2, 3, 4, 5, 6}};
  for (size_t i = 0; i < files.size(); ++i) {
    gxtkSurface* s = gfx->LoadSurface(files[i]);
    ASSERT_NE(s, nullptr) << i;
    EXPECT_EQ(Bytes(s->data, s->data + s->width * s->height * s->depth), want[i]) << i;
    EXPECT_EQ(gl.textures[s->texture].pixels, want[i]) << i;  // made at once, in its format
  }
  DecodeImagesAhead(files);
  DecodedImage image;
  for (size_t i = files.size(); i-- > 0;) {
    ASSERT_TRUE(TakeDecodedImage(files[i], &image)) << i;
    EXPECT_EQ(Bytes(image.pixels, image.pixels + image.width * image.height * image.depth),
              want[i]) << i;
    std::free(image.pixels);
    EXPECT_FALSE(TakeDecodedImage(files[i], &image)) << i;
  }
}

// Opening a named pipe blocks the worker until the test opens the writing end.
TEST_F(Surfaces, OneWorkerDecodesInQueueOrder) {
  std::vector<String> pipes;
  for (const char* name : {"/ahead1.fifo", "/ahead2.fifo"}) {
    ASSERT_EQ(mkfifo((kDir + name).c_str(), 0600), 0);
    pipes.push_back(String((kDir + name).c_str()));
  }
  auto writer = [](const String& pipe, int tries) {  // opens once a reader waits
    int fd = -1;
    for (int i = 0; i < tries && fd < 0; ++i)
      if ((fd = open(pipe.ToUtf8().c_str(), O_WRONLY | O_NONBLOCK)) < 0) usleep(1000);
    return fd;
  };
  const String before = WriteFile("before-pipe.png", Png(8, 8));
  const String behind = WriteFile("behind-pipe.png", Png(4, 2));
  DecodeImagesAhead({before});
  DecodeImagesAhead({before, pipes[0], pipes[1], behind});
  DecodedImage image;
  ASSERT_TRUE(TakeDecodedImage(behind, &image));
  EXPECT_EQ(Ints({image.width, image.height}), (Ints{4, 2}));
  std::free(image.pixels);
  ASSERT_TRUE(TakeDecodedImage(before, &image));
  EXPECT_EQ(Ints({image.width, image.height}), (Ints{8, 8}));
  std::free(image.pixels);
  EXPECT_LT(writer(pipes[1], 300), 0) << "a second worker";
  const int fd = writer(pipes[0], 10000);
  ASSERT_GE(fd, 0) << "the worker never reached the pipe";
  close(fd);
  ASSERT_TRUE(TakeDecodedImage(pipes[0], &image));
  EXPECT_EQ(image.pixels, nullptr);
}

TEST_F(Surfaces, BadFilesGiveNullWithoutTouchingGL) {
  const Bytes png = Png(32, 32);
  Bytes huge(png.begin(), png.begin() + 33);  // the header only, of 30000 x 30000
  huge[18] = huge[22] = 0x75;
  huge[19] = huge[23] = 0x30;
  std::vector<String> paths = {String(kDir.c_str()), String("kestrel://nowhere/x.png")};
  for (const Bytes& b : {Bytes(png.begin(), png.begin() + png.size() / 2), huge,
                         Png(kMaxImageSide + 1, 1), Bytes()})
    paths.push_back(WriteFile("broken" + std::to_string(paths.size()) + ".png", b));
  gl.counts.clear();
  for (int ahead : {0, 1}) {
    if (ahead) DecodeImagesAhead(paths);
    for (size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(gfx->LoadSurface(paths[i]), nullptr) << i;
  }
  EXPECT_TRUE(gl.counts.empty());
}

TEST_F(Surfaces, PixelWritesStorePremultipliedRGBAAndUploadTheRowsWritten) {
  gxtkSurface* s = gfx->CreateSurface(8, 4);
  Array<int> argb(12);  // a 2 x 2 block at (3, 1) from rows with a pitch of 3, at offset 6
  const unsigned block[6] = {0x80C86432u, 0x11223344u, 0, 0xFF0A141Eu, 0x00FFFFFFu, 0};
  for (int i = 0; i < 6; ++i) argb[6 + i] = static_cast<int>(block[i]);
  for (int x : {7, 8}) gfx->WritePixels2(s, argb, x, 1, 2, 2, 6, 3);  // x 7 is off the edge
  gfx->WritePixels2(s, argb, 3, 1, 2, 2, 8, 3);  // past the end of the array
  gfx->WritePixels2(s, argb, 0, -1, 1, 1, 0, 1);
  EXPECT_EQ(s->data, nullptr);
  gfx->DrawRect(0, 0, 1, 1);
  gfx->WritePixels2(s, argb, 3, 1, 2, 2, 6, 3);
  EXPECT_EQ(gl.drawCalls, 1);  // flushed first
  ASSERT_NE(s->data, nullptr);
  const unsigned char* row1 = s->data + (1 * 8 + 3) * 4;
  const unsigned char* row2 = s->data + (2 * 8 + 3) * 4;
  EXPECT_EQ(Bytes(row1, row1 + 8), (Bytes{100, 50, 25, 128, 2, 3, 4, 17}));
  EXPECT_EQ(Bytes(row2, row2 + 8), (Bytes{10, 20, 30, 255, 0, 0, 0, 0}));
  const Ints white(8 * 2, -1);
  s->SetSubData(0, 2, 8, 2, white.data(), 8);
  // Narrower than the surface: a row at a time; whole rows at once.
  Ints rows;
  for (const fakegl::Upload& u : gl.uploads) rows.insert(rows.end(), {u.x, u.y, u.w, u.h});
  EXPECT_EQ(rows, (Ints{3, 1, 2, 1, 3, 2, 2, 1, 0, 2, 8, 2}));
  Bytes want(8 * 4 * 4, 0);
  std::copy(row1, row1 + 8, want.begin() + (1 * 8 + 3) * 4);
  std::fill(want.begin() + 2 * 8 * 4, want.end(), 255);
  EXPECT_EQ(gl.textures[s->texture].pixels, want);
  gl.lost = true;  // a new context whose error flag never clears still gets the texture
  ++_glfwGraphicsSeq;
  s->Bind();
  EXPECT_EQ(gl.textures[s->texture].pixels, want);
}

}  // namespace
