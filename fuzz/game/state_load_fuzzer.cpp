// Arbitrary bytes as the state file, loaded by the game's p_Load: every input must load
// without a crash, undefined behaviour or a leak, and leave the options the game relies on
// in range, whatever the file's checksums say.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/my_app.h"
#include "host/program.h"
#include "host/vel_glfw_game.h"
#include "runtime/gc.h"

namespace {

struct Setup {
  VelKestrelGame host;
  c_MyApp* app;
  Setup() {
    char tmpl[] = "/tmp/zipkin-state-fuzz-XXXXXX";
    if (!mkdtemp(tmpl) || chdir(tmpl) != 0) std::abort();
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();  // "Settings Loaded" and the rest
    gc_init1();
    VelGame::_game = VelGlfwGame::_glfwGame = &host;
    velInit();
    gc_mark();
    velMain();
    app = static_cast<c_MyApp*>(vel_app__app);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Setup s;
  FILE* f = std::fopen(VelGame::kStateFile, "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  s.app->p_Load();
  const Array<int>& options = s.app->m_Options;
  if (options[10] < 64 || options[11] < 64 || options[12] < 8 || options[14] != 1 ||
      vel_Game_overscan != 0.0f)
    __builtin_trap();
  s.host.gc_collect();  // the strings of this load become garbage for the collector
  return 0;
}
