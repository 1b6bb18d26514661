// Cost of one key event forwarded from the window library's callback through the host and the
// delegate into the input device, including the collector step that follows it; beside it the
// input device's own work on the same event, as the floor.
#include <benchmark/benchmark.h>

#include "audio/audio_module.h"
#include "fakes/glfw/fake_glfw.h"
#include "graphics/graphics_module.h"
#include "host/app.h"
#include "host/asyncevent.h"
#include "host/input.h"
#include "host/vel_glfw_game.h"
#include "runtime/gc.h"

namespace {

VelGlfwGame* StartedHost() {
  static VelGlfwGame* host = [] {
    gc_init1();
    fake_glfw::reset();
    VelGlfwGame* h = new VelGlfwGame;
    VelGame::_game = h;
    VelGlfwGame::_glfwGame = h;
    vel_app_InitGlobals();
    vel_graphics_Init();
    vel_audio_InitGlobals();
    vel_input_InitGlobals();
    vel_asyncevent_InitGlobals();
    (new c_App)->m_new();
    h->BeginRun();
    return h;
  }();
  return host;
}

// Press and release of A through the key callback: two forwarded events, two collector steps.
void BM_ForwardedKeyEvent(benchmark::State& state) {
  StartedHost();
  for (auto _ : state) {
    VelGlfwGame::OnKey('A', 1);
    VelGlfwGame::OnKey('A', 0);
    vel_input_device->p_EndUpdate();
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_ForwardedKeyEvent);

void BM_InputDeviceKeyEventFloor(benchmark::State& state) {
  StartedHost();
  c_InputDevice* input = vel_input_device;
  for (auto _ : state) {
    input->p_KeyEvent(1, 65);
    input->p_KeyEvent(2, 65);
    input->p_EndUpdate();
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_InputDeviceKeyEventFloor);

}  // namespace
