// VelGame: the platform-neutral host. It owns the file side of the runtime (paths, whole-file
// reads, the state file), the flags of the application's lifecycle and the guarded entry points
// through which every host event reaches the application; VelGlfwGame (host/) binds it to the
// window, the clock and the fixed-rate loop. It sits on the platform floor because graphics and
// audio open their files through the running host object, VelGame::_game.
#pragma once

#include <cstdio>
#include <string>

#include "runtime/array.h"
#include "runtime/object.h"
#include "runtime/string.h"

// Receives the host's events; the application's c_GameDelegate derives from it. Every operation
// does nothing here.
class VelGameDelegate : public Object {
 public:
  virtual void StartGame() {}
  virtual void SuspendGame() {}
  virtual void ResumeGame() {}
  virtual void UpdateGame() {}
  virtual void RenderGame() {}
  virtual void KeyEvent(int /*event*/, int /*data*/) {}
  virtual void MouseEvent(int /*event*/, int /*data*/, float /*x*/, float /*y*/) {}
  virtual void TouchEvent(int /*event*/, int /*data*/, float /*x*/, float /*y*/) {}
  virtual void MotionEvent(int /*event*/, int /*data*/, float /*x*/, float /*y*/, float /*z*/) {}
  virtual void DiscardGraphics() {}
};

class VelGame {
 public:
  VelGame() = default;
  virtual ~VelGame() = default;

  virtual void SetDelegate(VelGameDelegate* delegate) { _delegate = delegate; }
  virtual VelGameDelegate* Delegate() { return _delegate; }
  virtual void SetKeyboardEnabled(bool enabled) { _keyboardEnabled = enabled; }
  virtual bool KeyboardEnabled() { return _keyboardEnabled; }
  virtual void SetUpdateRate(int hertz) { _updateRate = hertz; }
  virtual int UpdateRate() { return _updateRate; }
  virtual bool Started() { return _started; }
  virtual bool Suspended() { return _suspended; }
  virtual int Millisecs() { return 0; }
  // Fills year, month 1-12, day, hour, minute, second and 0 (milliseconds) from the local time,
  // as many as the array has elements; further elements are left alone.
  virtual void GetDate(Array<int> date);
  // Writes the state string as UTF-8 to the state file, atomically: 0 when it is on disk,
  // -1 when the temporary file cannot be opened, -2 for any later failure (the previous state
  // file is then left as it was).
  virtual int SaveState(String state);
  // The same write for bytes already encoded; it uses no runtime types, so any thread may run it.
  static int WriteState(const std::string& bytes);
  virtual String LoadState();
  // The whole file decoded as text (see String::Load); the empty string when it cannot be read.
  virtual String LoadString(String path);
  // False: no joystick without a window library.
  virtual bool PollJoystick(int port, Array<float> joyx, Array<float> joyy, Array<float> joyz,
                            Array<bool> buttons);
  virtual void OpenUrl(String url);
  virtual void SetMouseVisible(bool /*visible*/) {}
  // Files. Paths go through PathToFilePath; an empty mapped path never opens.
  virtual String PathToFilePath(String path);
  virtual FILE* OpenFile(String path, String mode);
  // The whole file in one malloc'ed block (release with free) and its size; null when it
  // cannot be read.
  virtual unsigned char* LoadData(String path, int* length);
  // Reports an exception nobody caught and ends the process with status -1.
  [[noreturn]] virtual void Die(ThrowableObject* exception);
  // One incremental collector step; runs after every forwarded event.
  virtual void gc_collect();

  // Guarded forwarding to the delegate. Each runs only in the lifecycle state that allows it,
  // hands an escaping runtime exception to Die and ends with one collector step, unless it
  // was raised inside another forwarded event.
  virtual void StartGame();
  virtual void SuspendGame();
  virtual void ResumeGame();
  virtual void UpdateGame();
  virtual void RenderGame();
  virtual void KeyEvent(int event, int data);
  virtual void MouseEvent(int event, int data, float x, float y);
  virtual void TouchEvent(int event, int data, float x, float y);
  virtual void MotionEvent(int event, int data, float x, float y, float z);
  virtual void DiscardGraphics();

  // The state file, relative to the working directory, and its temporary twin.
  static const char* const kStateFile;
  static const char* const kStateTempFile;

  static VelGame* _game;

 protected:
  VelGameDelegate* _delegate = nullptr;
  bool _keyboardEnabled = false;
  int _updateRate = 0;
  bool _started = false;
  bool _suspended = false;
  // Forwarded events in progress: more than one while an event raises another.
  int _eventDepth = 0;
};
