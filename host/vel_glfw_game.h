// VelGlfwGame: the host bound to the window library (window, clock, events), the fixed-rate
// loop and this desktop's files; VelKestrelGame is the class the program instantiates.
#pragma once

#include "platform/vel_game.h"

// A display mode: width, height and the red, green and blue bits.
class VelGlfwVideoMode : public Object {
 public:
  int width = 0;
  int height = 0;
  int red = 0;
  int green = 0;
  int blue = 0;
};

class VelGlfwGame : public VelGame {
 public:
  VelGlfwGame() = default;

  // Stores the rate; a non-zero rate also restarts the schedule one period from now.
  void SetUpdateRate(int hertz) override;
  // The clock in milliseconds, wrapping around like a 32-bit counter.
  int Millisecs() override;
  // Part of the input side (host/glfw_input.cpp): joystick `port` into the four arrays.
  bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                    Array<bool> buttons) override;
  // The kestrel: path scheme of platform/files.h (MapKestrelPath).
  String PathToFilePath(String path) override;
  // Hands the address to xdg-open as one argument (XdgOpen).
  void OpenUrl(String url) override;
  void SetMouseVisible(bool visible) override;

  // Decoded pixels of an image file (free() the block), or null: graphics' DecodeImageFile
  // through this host's files.
  unsigned char* LoadImageData(String path, int* width, int* height, int* depth);
  // Decoded PCM of a WAV or Ogg Vorbis file (free() the block), or null: audio's
  // DecodeAudioFile through this host's files.
  unsigned char* LoadAudioData(String path, int* length, int* channels, int* format, int* hertz);

  // (Re)opens the window (OpenGameWindow, platform/window.h) and sets the callbacks below.
  // Keys held at that moment receive a release first, so none stays down across the change.
  // Returns true when the window that opened is fullscreen (a refused fullscreen mode gives
  // a window).
  bool SetGlfwWindow(int width, int height, int red, int green, int blue, int alpha, int depth,
                     int stencil, bool fullscreen);
  VelGlfwVideoMode* GetGlfwDesktopMode();
  Array<VelGlfwVideoMode*> GetGlfwVideoModes();

  // The host loop: opens the window, starts the game, renders once, then runs passes until the
  // window is no longer open.
  void Run();
  // The first three steps of Run: false, before anything is started, when no window opened.
  bool BeginRun();
  // One pass of the loop: poll events, follow the window's activity, then update and render,
  // sleep until the next update is due, or wait for an event. False once the window is gone.
  bool RunPass();

  // Window library callbacks (the input ones in host/glfw_input.cpp).
  static void OnKey(int key, int action);
  static void OnChar(int character, int action);
  static void OnMouseButton(int button, int action);
  static void OnMousePos(int x, int y);
  static int OnWindowClose();

  // Key code (1..511) of a GLFW key number, or 0 when the key is ignored.
  static int TransKey(int key);
  // The character a key code gives on key down, or 0.
  static int KeyToChar(int key);

  static VelGlfwGame* _glfwGame;

 protected:
  bool _iconified = false;
  double _nextUpdate = 0;
  double _updatePeriod = 0;
};

class VelKestrelGame : public VelGlfwGame {
 public:
  // Process entry: starts the window library, the runtime and the application, runs the loop.
  static void Main(int argc, const char* argv[]);
};

// The program's arguments, kept by VelKestrelGame::Main.
extern int argc;
extern const char** argv;
