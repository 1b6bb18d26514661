// The application module: the one application object, its delegate and the host they talk to.
#pragma once

#include "runtime/object.h"
#include "runtime/string.h"

class VelGame;
class c_GameDelegate;

// The application base class; the game derives its one application from it. The five
// lifecycle operations do nothing by default.
class c_App : public Object {
 public:
  virtual int p_OnCreate() { return 0; }
  virtual int p_OnSuspend() { return 0; }
  virtual int p_OnResume() { return 0; }
  virtual int p_OnUpdate() { return 0; }
  virtual int p_OnRender() { return 0; }
  int p_OnLoading() { return 0; }
  // Both end the program.
  int p_OnClose();
  int p_OnBack();

  // Registers this object as the application and gives the host a delegate for it. A second
  // application is the runtime error "App has already been created".
  c_App* m_new();
};

extern c_App* vel_app__app;
extern c_GameDelegate* vel_app__delegate;
extern VelGame* vel_app__game;
extern int vel_app__updateRate;

// Sets the module's globals (the host from VelGame::_game) and registers them with the
// collector.
void vel_app_InitGlobals();
int vel_app_SetUpdateRate(int hertz);
int vel_app_Millisecs();
String vel_app_LoadState();
int vel_app_SaveState(String state);
// Ends the program with status 0 (a runtime error with the empty message).
[[noreturn]] int vel_app_EndApp();
