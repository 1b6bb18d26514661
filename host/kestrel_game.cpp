// Process start-up: the window library, the host object, signal handlers, the collector, the
// program's module globals and its application, then the host loop.
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "host/program.h"
#include "host/vel_glfw_game.h"
#include "platform/glfw2.h"
#include "platform/trace.h"
#include "runtime/debug.h"
#include "runtime/gc.h"

int argc = 0;
const char** argv = nullptr;

void VelKestrelGame::Main(int args, const char* arg[]) {
  TraceMoment("main");
  if (!glfwInit()) {
    std::puts("glfwInit failed");
    std::fflush(stdout);
    std::exit(-1);
  }

  VelKestrelGame* game = new VelKestrelGame;
  VelGame::_game = game;
  VelGlfwGame::_glfwGame = game;
  argc = args;
  argv = arg;

  std::signal(SIGSEGV, sighandler);
  std::signal(SIGILL, sighandler);
  std::signal(SIGFPE, sighandler);

  gc_init1();
  try {
    velInit();
    gc_mark();
    velMain();
  } catch (ThrowableObject* exception) {
    glfwTerminate();
    game->Die(exception);
  }

  if (game->Delegate()) game->Run();
  glfwTerminate();
}
