// The busiest scene of play, shared by the game's benchmarks: a game at difficulty 3 with all
// 101 object records in use (50 risen hazards and 51 gems on the planet under the camera and
// its two neighbours), the particle pool full, the HUD and a score counting up. Restore() puts
// the objects, the particles and the hero back as they were, so that every update after it
// sees the same scene.
#pragma once

#include <algorithm>
#include <functional>
#include <vector>

#include "game/my_app.h"

namespace gamebench {

class BusiestScene {
 public:
  // Starts a new game on a loaded `app`; `update` runs the given number of updates.
  BusiestScene(c_MyApp* app, const std::function<void(int)>& update) : app_(app) {
    app->m_Difficulty = 3;
    app->m_Mode = 11;
    update(2);
    for (int b = 0; b <= 100; ++b) {
      float* r = &app->m_Bads[10 * b];
      r[0] = b < 50 ? 1.0f : 2.0f;
      r[1] = static_cast<float>(4 + b % 3);
      r[2] = static_cast<float>((b * 37) % 360);
      r[3] = b < 50 ? 0.1f : 0.0f;
      r[4] = r[5] = r[9] = 0.0f;
      r[7] = static_cast<float>(b % 15);
    }
    app->m_BadCount = 50;
    app->m_World[19] = 100000.0f;  // the hero stays untouchable: hits would thin the scene
    for (int i = 0; i <= app->m_ParticleMax; ++i)
      app->p_ThrowParticle(320.0f, 240.0f, i % 2 ? 1 : 2, i % 10, kUnset, 0.5f);
    for (int i = 0; i < 10; ++i) app->p_Gimme(10, 300.0f, 200.0f);  // pop-ups and a score
    bads_.assign(&app->m_Bads[0], &app->m_Bads[0] + 1024);
    parts_.assign(&app->m_Particles[0], &app->m_Particles[0] + 5100);
    world_.assign(&app->m_World[0], &app->m_World[0] + 512);
  }

  void Restore() const {
    std::copy(bads_.begin(), bads_.end(), &app_->m_Bads[0]);
    std::copy(parts_.begin(), parts_.end(), &app_->m_Particles[0]);
    std::copy(world_.begin(), world_.end(), &app_->m_World[0]);
    app_->m_ShownScore = 0;
  }

 private:
  c_MyApp* app_;
  std::vector<float> bads_, parts_, world_;
};

}  // namespace gamebench
