// The program's start-up hooks: every module global in module order, then the game object.
#include "game/framework.h"
#include "game/my_app.h"
#include "host/program.h"

int velInit() {
  vel_InitFrameworkGlobals();
  vel_Game_Init();
  return 0;
}

int velMain() {
  (new c_MyApp())->m_new();
  return 0;
}
