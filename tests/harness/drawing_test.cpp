// Drawing and text: the pen, the commands producers write, text layout and the hit tests.
#include <gtest/gtest.h>

#include "harness/game_harness.h"

namespace {

struct Command {
  float v[15];
};

std::vector<Command> commands(c_MyApp* app) {
  std::vector<Command> out;
  for (int i = 0; i + 15 <= app->m_DrawCount; i += 15) {
    Command c;
    for (int k = 0; k < 15; ++k) c.v[k] = app->m_DrawList[i + k];
    out.push_back(c);
  }
  return out;
}

class Drawing : public testing::Test {
 protected:
  void SetUp() override {
    game.FinishLoading();
    app = game.app();
    app->p_CLS2D(0, 0, 0, 1);
  }
  GameHarness game;
  c_MyApp* app = nullptr;
};

}  // namespace

TEST_F(Drawing, PenStateIsCopiedIntoEachCommand) {
  app->p_SetSize(2);
  EXPECT_EQ(app->m_SizeY, 2.0f);
  app->p_SetCol(10, 20, 30, 0.5f);
  app->p_SetCol(255, 0, 0);  // keeps the alpha
  app->p_SetRot(30);
  app->p_DrawImg(1, 5, 6, 7);
  app->p_Rect(1, 2, 3, 4);
  app->p_Oval(8, 9, 10, 11);
  std::vector<Command> c = commands(app);
  ASSERT_EQ(c.size(), 3u);
  EXPECT_EQ(c[0].v[0], 1.0f);
  EXPECT_EQ(c[0].v[3], -30.0f);
  EXPECT_EQ(c[0].v[4], 2.0f);
  EXPECT_EQ(c[0].v[6], 7.0f);
  EXPECT_EQ(c[0].v[7], 0.5f);
  EXPECT_EQ(c[0].v[10], 255.0f);
  EXPECT_EQ(c[0].v[11], 0.0f);
  EXPECT_EQ(c[0].v[13], 1.0f);
  EXPECT_EQ(c[1].v[0], -3717.0f);
  EXPECT_EQ(c[1].v[4], 3.0f);
  EXPECT_EQ(c[1].v[6], 0.0f);
  EXPECT_EQ(c[2].v[0], -3716.0f);
  EXPECT_EQ(c[2].v[5], 11.0f);

  // A clear resets the pen and the list, and an absent colour keeps the clear colour.
  app->p_CLS2D();
  EXPECT_EQ(app->m_DrawCount, 0);
  EXPECT_EQ(app->m_SizeX, 1.0f);
  EXPECT_EQ(app->m_Rot, 0.0f);
  EXPECT_EQ(app->m_ColG, 255.0f);
  EXPECT_EQ(app->m_ClsA, 1.0f);
}

TEST_F(Drawing, TextMeasuresAnchorsAndBreaksLines) {
  app->p_Text(100, 100, String(""), 0, 0);
  EXPECT_EQ(app->m_DrawCount, 0);

  // "ab" at size 1.5: measure 20; the glyphs sit 10.5 and 21 after the anchor.
  app->p_SetSize(1.5f);
  EXPECT_EQ(app->TextWidth(String(" ab"), 7), 20);
  app->p_Text(100, 50, String("ab"), 1, 1);
  std::vector<Command> c = commands(app);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_FLOAT_EQ(c[0].v[1], 100.0f - 10.0f + 10.5f);
  EXPECT_FLOAT_EQ(c[1].v[1], 100.0f - 10.0f + 21.0f);
  EXPECT_FLOAT_EQ(c[0].v[2], 50.0f);
  EXPECT_EQ(c[0].v[6], static_cast<float>('a' - 32));

  // ay = 0 puts the glyph centres half a line (5 units at size 1) below y.
  app->p_CLS2D();
  app->p_Text(0, 50, String("A"), 0, 0);
  EXPECT_FLOAT_EQ(commands(app)[0].v[2], 55.0f);

  // Backslash-n starts a new line back at the anchor; a trailing backslash is a glyph; a real
  // line feed only advances.
  app->p_CLS2D();
  app->p_Text(0, 0, String("A\\nB\\"), 0, 1);
  c = commands(app);
  ASSERT_EQ(c.size(), 3u);
  EXPECT_FLOAT_EQ(c[0].v[1], 7.0f);
  EXPECT_NEAR(c[1].v[1], 0.0f, 1e-4);
  EXPECT_NEAR(c[1].v[2], 10.0f, 1e-4);
  EXPECT_EQ(c[2].v[6], 60.0f);
  app->p_CLS2D();
  app->p_Text(0, 0, String("A\nB"), 0, 1);
  c = commands(app);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_FLOAT_EQ(c[1].v[1], 21.0f);

  // Spacing: "i" is 3 narrower, "m" 2 wider than the cell.
  app->p_CLS2D();
  app->p_Text(0, 0, String("imi"), 0, 1);
  c = commands(app);
  EXPECT_FLOAT_EQ(c[1].v[1] - c[0].v[1], 4.0f);
  EXPECT_FLOAT_EQ(c[2].v[1] - c[1].v[1], 9.0f);
}

TEST_F(Drawing, RotatedTextFollowsItsBaseline) {
  app->p_SetRot(90);  // text runs down the screen
  app->p_Text(0, 0, String("AB"), 0, 1);
  std::vector<Command> c = commands(app);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_NEAR(c[0].v[1], 0.0f, 1e-4);
  EXPECT_NEAR(c[0].v[2], 7.0f, 1e-4);
  EXPECT_NEAR(c[1].v[2], 14.0f, 1e-4);
  EXPECT_EQ(c[0].v[3], -90.0f);
}

TEST_F(Drawing, NumbersAreRightAlignedInTheirField) {
  EXPECT_TRUE(app->p_rstr(42, 5, String("0")) == String("00042"));
  EXPECT_TRUE(app->p_rstr(123456, 5, String("0")) == String("23456"));
  EXPECT_TRUE(app->p_rstr(7, 0, String("0")) == String("07"));
  EXPECT_TRUE(app->p_rstr(-5, 4, String(" ")) == String("  -5"));
  EXPECT_TRUE(app->p_rstr(1234, 11, String(" ")) == String("       1234"));
}

TEST_F(Drawing, HitTestsNeedAHeldPointerInsideTheirBoxes) {
  // Image 97 has 32-unit frames: at -hd art 64 pixels times the scale 0.5.
  game.MouseDown(100, 100);
  game.Update();
  app->p_CLS2D();
  EXPECT_EQ(app->p_Button(97, 110, 110, 0), 1);
  EXPECT_EQ(app->m_ButtonHit, 1);
  EXPECT_EQ(app->p_Button(97, 116, 100, 0), 0);  // exactly on the edge: outside
  EXPECT_EQ(app->p_Button0(97, 90, 90, 0), 1);
  EXPECT_EQ(app->p_Touch(104, 104, 10, 10), 1);   // 6 units beyond the left and top
  EXPECT_EQ(app->p_Touch(79, 79, 10, 10), 1);     // 12 beyond the right and bottom
  EXPECT_EQ(app->p_Touch(78, 78, 10, 10), 0);
  EXPECT_EQ(app->p_MouseIn_Centered(100, 100, 4, 4), 1);
  EXPECT_EQ(app->p_MouseIn_Centered(102, 100, 4, 4), 0);

  game.MouseUp(100, 100);
  game.Update();
  EXPECT_EQ(app->p_Button(97, 100, 100, 0), 0);
  EXPECT_EQ(app->m_TouchX[0], -3717);
}
