// Controls: keys, buttons, sticks and injected states as controls; steering by keys and drags.

#include <set>

#include "harness/game_harness.h"
#include "host/input.h"

namespace {

const int kCodes[] = {0, 3, 5, 8, 10, 11, 12, 13, 14, 15, 99};

struct Controls : LoadedGame {
  void SetUp() override { app->m_Mode = 0; }  // no screen: keys reach only the controls
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
      if (key < 65) { EXPECT_EQ(Active(key, -1), own) << "key " << key; }
    }
    for (int button : row.buttons) {
      for (int pad = 0; pad <= 3; ++pad) {
        const int code = 256 + 32 * pad + button;
        EXPECT_EQ(Active(code, pad), own) << "button " << button << " pad " << pad;
        EXPECT_EQ(Active(code, (pad + 1) % 4), std::set<int>()) << "button " << button;
      }
    }
    for (int entry : row.entries) {
      app->m_Control[entry] = 2;  // an injected state, held
      EXPECT_EQ(app->p_PlayKey(row.code, 0, -1), 1) << row.code << " " << entry;
      app->m_Control[entry] = 0;
    }
  }
  // Neither the pointer nor a touch nor another key is a control.
  for (int key : {1, 384, 81, 9}) EXPECT_EQ(Active(key, 0), std::set<int>()) << key;

  // The first stick of a pad, beyond 0.4 and with analog input on.
  vel_input_device->m_JoyStates[1]->m_JoyX[0] = 0.5f;
  EXPECT_EQ((std::vector<int>{app->p_PlayKey(5, 1, 1), app->p_PlayKey(5, 0, 1), app->p_PlayKey(5, 1, 0)}),
            (std::vector<int>{1, 0, 0}));
}

TEST_F(Controls, HeldDirectionsRampTheSteeringAndADragSteersFromATrailingAnchor) {
  game.Press(39);
  for (int i = 1; i <= 6; ++i) EXPECT_NEAR(Steer(), 0.15f * i, 1e-5) << i;
  EXPECT_EQ(Steer(4), 1.0f);
  game.Release(39);
  for (float e : {0.8f, 0.6f, 0.4f, 0.2f, 0.0f}) EXPECT_NEAR(Steer(), e, 1e-5);
  game.Press(38);  // up, then up and down together: the push stays where it was
  Steer();
  Steer();
  game.Press(40);
  Steer();
  EXPECT_NEAR(app->m_SteerY + app->m_KeyPushY, -0.6f, 1e-5);
  game.Release(38), game.Release(40);
  Steer();
  EXPECT_NEAR(app->m_SteerY, -0.1f, 1e-5);  // falls back by 0.2 an update
  Steer();
  EXPECT_EQ(app->m_SteerY, 0.0f);

  // A drag steers by its offset from an anchor, which trails the pointer 64 behind.
  auto drag = [&](int x, int y) {
    app->m_MouseDown = 1;
    app->m_MouseX = x;
    app->m_MouseY = y;
    app->p_AnalogueControl();
    return std::vector<float>{app->m_SteerX, app->m_SteerY, float(app->m_DragX)};
  };
  EXPECT_EQ(drag(100, 100), (std::vector<float>{0, 0, 100}));  // the drag begins
  EXPECT_EQ(drag(136, 100), (std::vector<float>{0.5f, 0, 100}));
  EXPECT_EQ(drag(105, 105), (std::vector<float>{0, 0, 100}));  // a small offset is none
  EXPECT_EQ(drag(200, 100)[2], 104);
  for (int i = 0; i < 10; ++i) drag(200, 100);
  EXPECT_EQ(drag(200, 100)[2], 136);
  app->m_MouseDown = 0;
  app->p_AnalogueControl();
  EXPECT_EQ(app->m_DragX, -1);
}
