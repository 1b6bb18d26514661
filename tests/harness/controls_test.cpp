// Controls: the mapping from keys, joystick buttons, sticks and injected states to controls,
// steering, latches and the iCade decoder.
#include <gtest/gtest.h>

#include "harness/game_harness.h"
#include "host/input.h"

namespace {

class Controls : public testing::Test {
 protected:
  void SetUp() override {
    game.FinishLoading();
    app = game.app();
    app->m_Mode = 0;  // no screen: keys reach only the controls (the menu would act on them)
  }
  // Holds a key for the next update and reads the control through it.
  int held_with(int key, int code, int pad, int analog = 1) {
    game.Press(key);
    game.Update();
    int active = app->p_PlayKey(code, analog, pad);
    game.Release(key);
    game.Update();
    return active;
  }
  GameHarness game;
  c_MyApp* app = nullptr;
};

struct Row {
  int code;
  std::vector<int> keys;        // always
  std::vector<int> plain_keys;  // only without the iCade mode
  std::vector<int> buttons;     // joystick buttons
  std::vector<int> controls;    // m_Control entries
};

const Row kRows[] = {
    {0, {38}, {87}, {9}, {0}},           {3, {37}, {65}, {8}, {3}},
    {5, {39}, {68}, {10}, {5}},          {8, {40}, {83}, {11}, {8}},
    {10, {32, 13}, {90, 74}, {0}, {10}}, {11, {17}, {88, 75}, {1}, {11}},
    {12, {16}, {67, 76}, {2}, {12}},     {13, {}, {86, 73}, {3}, {13}},
    {14, {}, {66, 85}, {4}, {14}},       {15, {}, {78, 79}, {5}, {15}},
    {99, {27, 46, 8}, {192}, {6, 7, 14}, {16, 17, 19}},
};

}  // namespace

TEST_F(Controls, EveryRowAnswersFromItsKeysButtonsAndInjectedStates) {
  for (const Row& row : kRows) {
    EXPECT_EQ(app->p_PlayKey(row.code, 1, 0), 0) << row.code;
    for (int key : row.keys) {
      EXPECT_EQ(held_with(key, row.code, 0), 1) << row.code << " key " << key;
      EXPECT_EQ(held_with(key, row.code, -1), 1) << row.code << " key " << key;
    }
    for (int key : row.plain_keys) EXPECT_EQ(held_with(key, row.code, 2), 1) << row.code << " key " << key;
    for (int button : row.buttons) {
      for (int pad = 0; pad <= 3; ++pad) {
        const int code = 256 + 32 * pad + button;
        EXPECT_EQ(held_with(code, row.code, pad), 1) << row.code << " button " << button;
        // Another pad's button, or no pad at all, does not count.
        EXPECT_EQ(held_with(code, row.code, (pad + 1) % 4), 0) << row.code << " button " << button;
        EXPECT_EQ(held_with(code, row.code, -1), 0) << row.code << " button " << button;
      }
    }
    for (int entry : row.controls) {
      app->m_Control[entry] = 2;
      EXPECT_EQ(app->p_PlayKey(row.code, 0, -1), 1) << row.code << " entry " << entry;
      app->m_Control[entry] = 0;
    }
    EXPECT_EQ(app->p_PlayKey(row.code, 1, -2), 0);
  }
  // Codes outside the table are never active.
  game.Press(38);
  game.Update();
  for (int code : {1, 2, 4, 9, 16, 17, 98, 100}) EXPECT_EQ(app->p_PlayKey(code, 1, 0), 0) << code;
}

TEST_F(Controls, TheFirstStickActsAsDirectionsOnlyWithAnalogOn) {
  c_JoyState* pad1 = vel_input_device->m_JoyStates[1];
  pad1->m_JoyX[0] = 0.5f;
  pad1->m_JoyY[0] = -0.5f;  // down
  EXPECT_EQ(app->p_PlayKey(5, 1, 1), 1);
  EXPECT_EQ(app->p_PlayKey(8, 1, 1), 1);
  EXPECT_EQ(app->p_PlayKey(0, 1, 1), 0);
  EXPECT_EQ(app->p_PlayKey(5, 0, 1), 0);
  EXPECT_EQ(app->p_PlayKey(5, 1, 0), 0);
  pad1->m_JoyX[0] = 0.4f;  // not beyond the threshold
  EXPECT_EQ(app->p_PlayKey(5, 1, 1), 0);
}

TEST_F(Controls, HeldDirectionsRampTheSteeringAndLetItFallBack) {
  game.Press(39);
  std::vector<float> steer;
  for (int i = 0; i < 10; ++i) {
    game.Update();
    app->p_AnalogueControl();
    steer.push_back(app->m_SteerX);
  }
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(steer[i], 0.15f * (i + 1), 1e-5) << i;
  for (int i = 6; i < 10; ++i) EXPECT_EQ(steer[i], 1.0f) << i;
  game.Release(39);
  const float expected[] = {0.8f, 0.6f, 0.4f, 0.2f, 0.0f};
  for (float e : expected) {
    game.Update();
    app->p_AnalogueControl();
    EXPECT_NEAR(app->m_SteerX, e, 1e-5);
  }

  // Up and down together leave the push where it was.
  app->m_KeyPushY = 0.3f;
  game.Press(38);
  game.Press(40);
  game.Update();
  app->p_AnalogueControl();
  EXPECT_NEAR(app->m_KeyPushY, 0.3f, 1e-6);
}

TEST_F(Controls, DraggingThePointerSteersFromATrailingAnchor) {
  app->m_MouseDown = 0;
  app->p_AnalogueControl();
  EXPECT_EQ(app->m_DragX, -1);
  app->m_MouseDown = 1;
  app->m_MouseX = 100;
  app->m_MouseY = 100;
  app->p_AnalogueControl();  // the drag begins: no steering yet
  EXPECT_EQ(app->m_DragX, 100);
  EXPECT_EQ(app->m_SteerX, 0.0f);
  app->m_MouseX = 136;
  app->p_AnalogueControl();
  EXPECT_FLOAT_EQ(app->m_SteerX, 0.5f);
  app->m_MouseX = 105;
  app->m_MouseY = 105;
  app->p_AnalogueControl();
  EXPECT_EQ(app->m_SteerX, 0.0f);
  EXPECT_EQ(app->m_SteerY, 0.0f);
  app->m_MouseX = 200;
  app->m_MouseY = 100;
  std::vector<int> anchors;
  for (int i = 0; i < 12; ++i) {
    app->p_AnalogueControl();
    anchors.push_back(app->m_DragX);
  }
  EXPECT_EQ(anchors[0], 104);
  EXPECT_EQ(anchors.back(), 136);  // stops once the pointer is 64 away
  app->m_MouseDown = 0;
  app->p_AnalogueControl();
  EXPECT_EQ(app->m_DragX, -1);
}

TEST_F(Controls, LatchesClearWhenNothingIsHeld) {
  game.Press(32);
  game.Update();
  app->m_KeyLatch = 1;
  game.Update();
  EXPECT_EQ(app->m_KeyLatch, 1);
  game.Release(32);
  game.Update();
  EXPECT_EQ(app->m_KeyLatch, 0);

  game.MouseDown(10, 10);
  game.Update();
  app->m_ClickLatch = 1;
  game.Update();
  EXPECT_EQ(app->m_ClickLatch, 1);
  game.MouseUp(10, 10);
  game.Update();
  EXPECT_EQ(app->m_ClickLatch, 0);

  // Back closes the credits and badges boxes in the menu and sets both latches.
  app->m_Mode = 1;
  app->m_CreditsOpen = 1;
  app->m_BadgesOpen = 1;
  game.Press(27);
  game.Update();
  EXPECT_EQ(app->m_CreditsOpen, 0);
  EXPECT_EQ(app->m_BadgesOpen, 0);
  EXPECT_EQ(app->m_KeyLatch, 1);
  EXPECT_EQ(app->m_ClickLatch, 1);
}

TEST_F(Controls, PointerPressShowsNoMovementAndReleasedTouchesReadUnset) {
  game.MouseDown(50, 60);
  game.MouseUp(50, 60);
  game.Update();
  game.MouseDown(200, 100);
  game.Update();
  EXPECT_EQ(app->m_MouseX, 200);
  EXPECT_EQ(app->m_PrevMouseX, 200);
  EXPECT_EQ(app->m_TouchX[0], 200);
  EXPECT_EQ(app->m_TouchDown[0], 1);
  game.MouseUp(200, 100);
  game.Update();
  EXPECT_EQ(app->m_TouchX[0], -3717);
  EXPECT_EQ(app->m_TouchY[0], -3717);
}

TEST_F(Controls, ICadeLettersHoldAndReleaseControls) {
  app->p_iCade(1);
  EXPECT_EQ(vel_Game_iCadeControls, 1);
  game.Type('w');
  game.Update();
  EXPECT_EQ(app->m_Control[0], 2);
  game.Update();
  EXPECT_EQ(app->m_Control[0], 2);  // held until its release letter
  EXPECT_EQ(app->p_PlayKey(0, 1, 0), 1);
  game.Type('E');
  game.Type('Y');
  game.Update();
  EXPECT_EQ(app->m_Control[0], 0);
  EXPECT_EQ(app->p_PlayKey(13, 0, -1), 2);  // buttons 4..6 report the state itself

  // The letter W no longer counts as up, cursor up still does.
  EXPECT_EQ(held_with(87, 0, 0), 0);
  EXPECT_EQ(held_with(38, 0, 0), 1);

  app->p_iCade(0);
  EXPECT_EQ(app->m_Control[13], 0);
  EXPECT_EQ(held_with(87, 0, 0), 1);

  // Suspend leaves the mode off.
  app->p_iCade(1);
  game.host()->SuspendGame();
  game.host()->ResumeGame();
  EXPECT_EQ(vel_Game_iCadeControls, 0);
}

TEST_F(Controls, OneUpdatePressesExpireAndTheBackKeyCountsHits) {
  app->m_Control[10] = 1;
  app->m_Control[11] = 2;
  game.Update();
  EXPECT_EQ(app->m_Control[10], 0);
  EXPECT_EQ(app->m_Control[11], 2);
  // (A press of 416 through the host ends the program; count hits on the device directly.)
  vel_input_device->p_PutKeyHit(416);
  vel_input_device->p_PutKeyHit(416);
  app->p_OnUpdate();
  EXPECT_EQ(app->m_Control[19], 2);
}
