// The real game (window, OpenGL, OpenAL, data folder) started straight into play: once the
// loader has finished, the menu is skipped by entering mode 11 (new game) with the difficulty
// given as the first argument (1..3, default 2). For screenshots and measurements of play
// under Xvfb; run it from the folder that holds data/ (build/game).
#include <cstdlib>

#include "game/framework.h"
#include "game/my_app.h"
#include "host/program.h"

namespace {

int start_difficulty = 2;

class StraightToPlay : public c_MyApp {
 public:
  int p_OnUpdate() override {
    if (!started_ && m_LoadStep == 0 && m_Loaded == 1 && m_Mode == 1) {
      m_Difficulty = start_difficulty;
      m_Mode = 11;
      started_ = true;
    }
    return c_MyApp::p_OnUpdate();
  }

 private:
  bool started_ = false;
};

}  // namespace

int velInit() {
  vel_InitFrameworkGlobals();
  vel_Game_Init();
  return 0;
}

int velMain() {
  (new StraightToPlay())->m_new();
  return 0;
}

int main(int argc, char* argv[]) {
  if (argc > 1) start_difficulty = std::atoi(argv[1]) >= 1 && std::atoi(argv[1]) <= 3 ? std::atoi(argv[1]) : 2;
  VelKestrelGame::Main(argc, const_cast<const char**>(argv));
  return 0;
}
