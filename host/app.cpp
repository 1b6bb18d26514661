#include "host/app.h"

#include "host/game_delegate.h"
#include "platform/vel_game.h"
#include "runtime/debug.h"
#include "runtime/gc.h"

c_App* vel_app__app = nullptr;
c_GameDelegate* vel_app__delegate = nullptr;
VelGame* vel_app__game = nullptr;
int vel_app__updateRate = 0;

void vel_app_InitGlobals() {
  vel_app__app = nullptr;
  vel_app__delegate = nullptr;
  vel_app__game = VelGame::_game;
  gc_register_root(&vel_app__app);
  gc_register_root(&vel_app__delegate);
}

int c_App::p_OnClose() { vel_app_EndApp(); }
int c_App::p_OnBack() { vel_app_EndApp(); }

c_App* c_App::m_new() {
  if (vel_app__app) velError(String("App has already been created"));
  gc_assign(vel_app__app, this);
  gc_assign(vel_app__delegate, (new c_GameDelegate)->m_new());
  if (vel_app__game) vel_app__game->SetDelegate(vel_app__delegate);
  return this;
}

int vel_app_SetUpdateRate(int hertz) {
  vel_app__updateRate = hertz;
  if (vel_app__game) vel_app__game->SetUpdateRate(hertz);
  return 0;
}

int vel_app_Millisecs() { return vel_app__game ? vel_app__game->Millisecs() : 0; }

String vel_app_LoadState() { return vel_app__game ? vel_app__game->LoadState() : String(); }

int vel_app_SaveState(String state) { return vel_app__game ? vel_app__game->SaveState(state) : -1; }

int vel_app_EndApp() { velError(String()); }
