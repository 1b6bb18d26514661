// The program's start-up hooks: every module global in module order, then the game object.
#include "game/framework.h"
#include "game/my_app.h"
#include "host/program.h"

int velInit() {
  vel_app_InitGlobals();
  vel_graphics_Init();
  vel_audio_InitGlobals();
  vel_input_InitGlobals();
  vel_random_Seed = 1234;
  vel_app__updateRate = 0;
  vel_asyncevent_InitGlobals();
  vel_Game_Init();
  return 0;
}

int velMain() {
  (new c_MyApp())->m_new();
  return 0;
}
