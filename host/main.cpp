#include "host/vel_glfw_game.h"

int main(int argc, char* argv[]) {
  VelKestrelGame::Main(argc, const_cast<const char**>(argv));
  return 0;
}
