// The framework's module globals, set once at start-up before the program's own.
#include "audio/audio_module.h"
#include "graphics/graphics_module.h"
#include "host/app.h"
#include "host/asyncevent.h"
#include "host/input.h"
#include "host/program.h"
#include "host/random.h"

void vel_InitFrameworkGlobals() {
  vel_app_InitGlobals();
  vel_graphics_Init();
  vel_audio_InitGlobals();
  vel_input_InitGlobals();
  vel_random_Seed = 1234;
  vel_app__updateRate = 0;
  vel_asyncevent_InitGlobals();
}
