#include "harness/random_play.h"

#include <algorithm>

namespace {

const int kDirections[] = {37, 38, 39, 40, 87, 65, 83, 68};  // arrows, then W A S D
const int kFire[] = {32, 13, 17, 16, 90, 88};                // space, enter, ctrl, shift, Z, X
const int kCredits = 78;                                     // N: the credits in the menu
const int kBackKeys[] = {27, 46, 8, 192};                    // escape, delete, backspace, `
const int kPadBack[] = {6, 7, 14};                           // back, start, guide
const int kPad = 1000, kMouse = 2000;                        // see RandomPlayer::Key

// Weights of directions, fire, the credits key, back and the mouse per screen, leaning
// toward the ways out to the screens not yet seen.
struct Bias {
  const char* screen;
  int directions, fire, credits, back, mouse;
};
const Bias kBias[] = {{"menu", 4, 3, 1, 0, 2}, {"options", 3, 3, 0, 2, 2}, {"credits", 2, 2, 0, 0, 1},
                      {"play", 8, 4, 0, 1, 1}, {"pause", 3, 4, 0, 1, 1},   {"game over", 1, 1, 0, 0, 1},
                      {"loading", 1, 1, 0, 0, 1}};

}  // namespace

RandomPlayer::RandomPlayer(GameHarness& game, std::function<uint32_t()> draw,
                           std::function<bool()> exhausted)
    : game_(game), draw_(std::move(draw)), exhausted_(std::move(exhausted)) {
  fake_glfw::Joystick& pad = fake_glfw::state().joysticks[0];
  pad.present = true;
  pad.axes.assign(6, 0.0f);
  pad.buttons.assign(16, 0);
  screen_ = Screen();
}

std::string RandomPlayer::Screen() const {
  const c_MyApp* app = game_.app();
  if (app->m_LoadStep > 0) return "loading";
  if (app->m_OptionsOpen) return "options";
  if (app->m_CreditsOpen) return "credits";
  if (app->m_Mode != 10) return "menu";
  if (app->m_GameOverTimer > 0) return "game over";
  return app->m_Paused ? "pause" : "play";
}

// Back pauses and resumes a game and closes the options box; in the menu it ends the program.
bool RandomPlayer::BackAllowed() const {
  const c_MyApp* app = game_.app();
  return app->m_LoadStep == 0 &&
         (app->m_OptionsOpen || (app->m_Mode == 10 && app->m_GameOverTimer == 0));
}

// Keys, gamepad buttons (kPad + button) and the left mouse button (kMouse), remembered while held.
void RandomPlayer::Key(int code, bool down) {
  auto at = std::find(held_.begin(), held_.end(), code);
  if (down == (at != held_.end())) return;
  down ? held_.push_back(code) : void(held_.erase(at));
  if (code == kMouse) {
    down ? game_.MouseDown(mouse_x_, mouse_y_) : game_.MouseUp(mouse_x_, mouse_y_);
  } else if (code >= kPad) {
    fake_glfw::state().joysticks[0].buttons[code - kPad] = down ? 1 : 0;
  } else {
    down ? game_.Press(code) : game_.Release(code);
  }
}

// Window and focus changes, each a few times per game-hour.
void RandomPlayer::Rare() {
  static const int kSizes[][2] = {{640, 480}, {1280, 720}, {480, 800}, {1280, 1024}, {0, 0}};
  switch (draw_() % 20000) {
    case 0: game_.Tap(122); break;  // F11
    case 1: {
      const int* size = kSizes[draw_() % 5];
      game_.Resize(size[0], size[1]);
      break;
    }
    case 2:
      game_.host()->SuspendGame();
      game_.Render();
      game_.host()->ResumeGame();
      break;
    case 3: game_.Tap(draw_() % 2 ? 112 : 113); break;  // F1 debug overlay, F2 the pause button
  }
}

bool RandomPlayer::Step() {
  if (exhausted_()) return false;
  const Bias* bias = &kBias[0];
  for (const Bias& b : kBias)
    if (screen_ == b.screen) bias = &b;
  const bool back = BackAllowed();
  if (!back) {
    for (int code : kBackKeys) Key(code, false);
    for (int button : kPadBack) Key(kPad + button, false);
  }
  // What is held goes up after a while; something new goes down.
  for (size_t i = held_.size(); i-- > 0;)
    if (draw_() % 4 == 0) Key(held_[i], false);
  if (draw_() % 4 == 0) {
    int pick = static_cast<int>(draw_() % (bias->directions + bias->fire + bias->credits + bias->back));
    if ((pick -= bias->directions) < 0) {
      Key(kDirections[draw_() % 8], true);
    } else if ((pick -= bias->fire) < 0) {
      Key(kFire[draw_() % 6], true);
    } else if ((pick -= bias->credits) < 0) {
      Key(kCredits, true);
    } else if (back) {
      Key(kBackKeys[draw_() % 4], true);
    }
  }
  // The pointer moves somewhere on the device, or presses there.
  if (bias->mouse && draw_() % (16 / bias->mouse) == 0) {
    mouse_x_ = static_cast<float>(draw_() % 700);
    mouse_y_ = static_cast<float>(draw_() % 540);
    game_.MouseMove(mouse_x_, mouse_y_);
    if (draw_() % 2) Key(kMouse, true);
  }
  // The gamepad: a button goes down, or the first stick moves.
  if (draw_() % 12 == 0) {
    const int button = static_cast<int>(draw_() % 16);
    const bool isBack = std::count(std::begin(kPadBack), std::end(kPadBack), button) > 0;
    if (draw_() % 2) {
      fake_glfw::state().joysticks[0].axes[draw_() % 2] =
          static_cast<float>(static_cast<int>(draw_() % 201) - 100) / 100.0f;
    } else if (!isBack || back) {
      Key(kPad + button, true);
    }
  }
  // A typed character, as an iCade cabinet types them; never the letters that hold back.
  if (draw_() % 50 == 0) {
    const int c = 'A' + static_cast<int>(draw_() % 26);
    if (c != 'O' && c != 'L') game_.Type(c);
  }
  Rare();

  c_MyApp* app = game_.app();
  const int mode = app->m_Mode;
  game_.Update();
  game_.Render();
  if (mode == 2 && app->m_Mode == 1) {  // back from a game: its score entered the lists
    scores.push_back(app->m_Score);
    if (app->m_HighScores[30 + 10 * (app->m_Difficulty - 1)] != app->m_Score) ++unrecorded;
  }
  const std::string now = Screen();
  ++updates[now];
  if (now != screen_) ++entries[now];
  screen_ = now;
  return true;
}
