// c_GameDelegate: turns the host's events into calls on the application and its devices.
#pragma once

#include "platform/vel_game.h"

class gxtkGraphics;
class gxtkAudio;
class c_InputDevice;

class c_GameDelegate : public VelGameDelegate {
 public:
  gxtkGraphics* m__graphics = nullptr;
  gxtkAudio* m__audio = nullptr;
  c_InputDevice* m__input = nullptr;

  c_GameDelegate* m_new() { return this; }
  void mark() override;

  // Creates the devices, then calls the application's p_OnCreate.
  void StartGame() override;
  void SuspendGame() override;
  void ResumeGame() override;
  // The application's update between the input device's begin and end of an update.
  void UpdateGame() override;
  // The application's render inside the renderer's frame.
  void RenderGame() override;
  // Input goes to the input device; a press of the back key (416) or of the close request
  // (432) ends the program.
  void KeyEvent(int event, int data) override;
  void MouseEvent(int event, int data, float x, float y) override;
  void TouchEvent(int event, int data, float x, float y) override;
  void MotionEvent(int event, int data, float x, float y, float z) override;
  void DiscardGraphics() override;
};
