// Controls: keys, joystick buttons, sticks and injected states to controls; steering from
// keys and a dragged pointer; latches; the iCade decoder.
#include <gtest/gtest.h>

#include <set>

#include "harness/game_harness.h"
#include "host/input.h"

namespace {

const int kCodes[] = {0, 3, 5, 8, 10, 11, 12, 13, 14, 15, 99};

class Controls : public testing::Test {
 protected:
  void SetUp() override {
    game.FinishLoading();
    app = game.app();
    app->m_Mode = 0;  // no screen: keys reach only the controls
  }
  // The controls active on `pad` while `key` is held.
  std::set<int> Active(int key, int pad) {
    game.Press(key);
    game.Update();
    std::set<int> active;
    for (int code : kCodes)
      if (app->p_PlayKey(code, 1, pad)) active.insert(code);
    game.Release(key);
    game.Update();
    return active;
  }
  float Steer(int updates = 1) {
    game.Update(updates);
    app->p_AnalogueControl();
    return app->m_SteerX;
  }
  GameHarness game;
  c_MyApp* app = nullptr;
};

}  // namespace

TEST_F(Controls, EachKeyButtonAndInjectedStateActsAsItsOwnControlOnly) {
  const struct {
    int code;
    std::vector<int> keys, buttons, entries;
  } rows[] = {{0, {38, 87}, {9}, {0}},          {3, {37, 65}, {8}, {3}},
              {5, {39, 68}, {10}, {5}},         {8, {40, 83}, {11}, {8}},
              {10, {32, 13, 90, 74}, {0}, {10}}, {11, {17, 88, 75}, {1}, {11}},
              {12, {16, 67, 76}, {2}, {12}},    {13, {86, 73}, {3}, {13}},
              {14, {66, 85}, {4}, {14}},        {15, {78, 79}, {5}, {15}},
              {99, {27, 46, 8, 192}, {6, 7, 14}, {16, 17, 19}}};
  for (const auto& row : rows) {
    const std::set<int> own{row.code};
    for (int key : row.keys) {
      EXPECT_EQ(Active(key, 2), own) << "key " << key;
      if (key < 65) EXPECT_EQ(Active(key, -1), own) << "key " << key;
    }
    for (int button : row.buttons) {
      for (int pad = 0; pad <= 3; ++pad) {
        const int code = 256 + 32 * pad + button;
        EXPECT_EQ(Active(code, pad), own) << "button " << button << " pad " << pad;
        EXPECT_EQ(Active(code, (pad + 1) % 4), std::set<int>()) << "button " << button;
      }
    }
    for (int entry : row.entries) {
      app->m_Control[entry] = 2;
      EXPECT_EQ(app->p_PlayKey(row.code, 0, -1), 1) << row.code << " entry " << entry;
      EXPECT_EQ(app->p_PlayKey(row.code, 1, -2), 0);
      app->m_Control[entry] = 0;
    }
  }
  // Neither the pointer nor a touch nor another key is a control.
  for (int key : {1, 384, 81, 9}) EXPECT_EQ(Active(key, 0), std::set<int>()) << key;
  game.Press(38);
  game.Update();
  for (int code : {1, 2, 4, 9, 16, 98, 100}) EXPECT_EQ(app->p_PlayKey(code, 1, 0), 0) << code;
  game.Release(38);
  game.Update();

  // The first stick of a pad, beyond 0.4 and with analog input on.
  c_JoyState* pad1 = vel_input_device->m_JoyStates[1];
  pad1->m_JoyX[0] = 0.5f;
  pad1->m_JoyY[0] = -0.5f;  // down
  EXPECT_EQ(app->p_PlayKey(5, 1, 1) + app->p_PlayKey(8, 1, 1), 2);
  EXPECT_EQ(app->p_PlayKey(0, 1, 1) + app->p_PlayKey(5, 0, 1) + app->p_PlayKey(5, 1, 0), 0);
  pad1->m_JoyX[0] = 0.4f;
  EXPECT_EQ(app->p_PlayKey(5, 1, 1), 0);
}

TEST_F(Controls, HeldDirectionsRampTheSteeringAndADragSteersFromATrailingAnchor) {
  game.Press(39);
  for (int i = 1; i <= 6; ++i) EXPECT_NEAR(Steer(), 0.15f * i, 1e-5) << i;
  EXPECT_EQ(Steer(4), 1.0f);
  game.Release(39);
  for (float e : {0.8f, 0.6f, 0.4f, 0.2f, 0.0f}) EXPECT_NEAR(Steer(), e, 1e-5);
  game.Press(38);  // up and down
  Steer();
  Steer();
  EXPECT_NEAR(app->m_SteerY, -0.3f, 1e-5);
  game.Press(40);  // together leave the push where it was
  Steer();
  EXPECT_NEAR(app->m_KeyPushY, -0.3f, 1e-5);
  game.Release(38);
  game.Release(40);
  Steer(10);

  app->m_MouseDown = 1;
  app->m_MouseX = app->m_MouseY = 100;
  app->p_AnalogueControl();  // the drag begins: no steering yet
  EXPECT_EQ(app->m_DragX, 100);
  EXPECT_EQ(app->m_SteerX, 0.0f);
  app->m_MouseX = 136;
  app->p_AnalogueControl();
  EXPECT_FLOAT_EQ(app->m_SteerX, 0.5f);
  app->m_MouseX = app->m_MouseY = 105;
  app->p_AnalogueControl();
  EXPECT_EQ(app->m_SteerX + app->m_SteerY, 0.0f);  // a small offset is no steering
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

TEST_F(Controls, LatchesClearWhenNothingIsHeldAndAPressShowsNoMovement) {
  game.Press(32);
  game.Update();
  app->m_KeyLatch = 1;
  game.Update();
  EXPECT_EQ(app->m_KeyLatch, 1);
  game.Release(32);
  game.Update();
  EXPECT_EQ(app->m_KeyLatch, 0);

  game.MouseDown(50, 60);
  game.MouseUp(50, 60);
  game.Update();
  game.MouseDown(200, 100);
  game.Update();
  EXPECT_EQ((std::vector<int>{app->m_MouseX, app->m_PrevMouseX, app->m_TouchX[0], app->m_TouchDown[0]}),
            (std::vector<int>{200, 200, 200, 1}));
  app->m_ClickLatch = 1;
  game.Update();
  EXPECT_EQ(app->m_ClickLatch, 1);
  game.MouseUp(200, 100);
  game.Update();
  EXPECT_EQ(app->m_ClickLatch, 0);
  EXPECT_EQ(app->m_TouchX[0], -3717);
  EXPECT_EQ(app->m_TouchY[0], -3717);

  // One-update presses expire; the back key counts its hits.
  app->m_Control[10] = 1;
  app->m_Control[11] = 2;
  game.Update();
  EXPECT_EQ(app->m_Control[10], 0);
  EXPECT_EQ(app->m_Control[11], 2);
  vel_input_device->p_PutKeyHit(416);  // (through the host it ends the program)
  vel_input_device->p_PutKeyHit(416);
  app->p_OnUpdate();
  EXPECT_EQ(app->m_Control[19], 2);
}

TEST_F(Controls, ICadeLettersHoldAndReleaseControls) {
  app->p_iCade(1);
  game.Type('w');
  game.Update(2);
  EXPECT_EQ(app->m_Control[0], 2);  // held until its release letter
  EXPECT_EQ(app->p_PlayKey(0, 1, 0), 1);
  game.Type('E');
  game.Type('Y');
  game.Update();
  EXPECT_EQ(app->m_Control[0], 0);
  EXPECT_EQ(app->p_PlayKey(13, 0, -1), 2);  // buttons 4..6 report the state itself
  // The letter W no longer counts as up, cursor up still does.
  EXPECT_EQ(Active(87, 0).count(0), 0u);
  EXPECT_EQ(Active(38, 0).count(0), 1u);
  app->p_iCade(0);
  EXPECT_EQ(app->m_Control[13], 0);
  EXPECT_EQ(Active(87, 0), std::set<int>{0});
  app->p_iCade(1);  // suspend leaves the mode off
  game.host()->SuspendGame();
  game.host()->ResumeGame();
  EXPECT_EQ(vel_Game_iCadeControls, 0);
}
