// The host probe: the host (window, 60 Hz loop, input, renderer, audio) with an application
// that shows nothing, so that the host can be tested and measured without the game.
//
// With ZIPKIN_HOST_TRACE set in the environment it prints, on standard output, one line
// "update <seconds>" per update (the clock at the start of the update, for pacing
// measurements) and one line "key <code>" per key code hit during that update; the host loop
// adds a line "wake <due> <woke>" after each sleep.
#include <cstdio>
#include <cstdlib>

#include "host/app.h"
#include "host/input.h"
#include "host/program.h"
#include "platform/glfw2.h"

namespace {

class c_ProbeApp : public c_App {
 public:
  c_ProbeApp* m_new() {
    c_App::m_new();
    trace_ = std::getenv("ZIPKIN_HOST_TRACE") != nullptr;
    return this;
  }

  int p_OnCreate() override {
    vel_app_SetUpdateRate(60);
    return 0;
  }

  int p_OnUpdate() override {
    if (!trace_) return 0;
    std::printf("update %.6f\n", glfwGetTime());
    for (int code = 1; code < 512; ++code)
      if (vel_input_KeyHit(code)) std::printf("key %d\n", code);
    std::fflush(stdout);
    return 0;
  }

 private:
  bool trace_ = false;
};

}  // namespace

int velInit() {
  vel_InitFrameworkGlobals();
  return 0;
}

int velMain() {
  (new c_ProbeApp)->m_new();
  return 0;
}
