// The overlays over the screens: the pause panel that drops over a game (quit, resume,
// options), the credits box that assembles from flying tiles and rolls the credit lines, and
// the console variant's quit confirmation.
#include "game/framework.h"
#include "game/my_app.h"

namespace {

const int kTestcard = 91, kWobl = 93, kButtons = 95, kIcons = 97, kLogo = 98;
const int kSfxMove = 99, kSfxGo = 98;

float clamp_channel(float v) { return v < 0.0f ? 0.0f : (v > 255.0f ? 255.0f : v); }

}  // namespace

int c_MyApp::p_PauseMenu() {
  const float W = vel_Game_jscrw, H = vel_Game_jscrh;

  // 1-2. The screen dims with the panel's distance from the top; the panel slides.
  p_ResetDraw();
  p_SetCol(0.0f, 0.0f, 0.0f, static_cast<float>(std::abs(m_PauseSlide)) / (0.8f * H));
  p_Rect(0.0f, 0.0f, W, H);
  if (m_PauseDir == 1 && static_cast<float>(m_PauseSlide) < H / 2.0f) m_PauseSlide += 24;
  if (m_PauseDir == -1) {
    if (m_PauseSlide < -63) {
      m_Paused = 0;
    } else {
      m_PauseSlide -= 24;
      if (m_PauseSlide < -32) m_Paused = 0;  // play resumes once the panel is out of sight
    }
  }
  const float s = static_cast<float>(m_PauseSlide);

  // 3. The panel.
  const bool wide = m_Landscape == 1;
  const float barW = wide ? 256.0f : 192.0f, bodyW = wide ? 280.0f : 256.0f;
  const float barY = wide ? 64.0f : 92.0f, bodyH = wide ? 104.0f : 160.0f;
  p_SetCol(255.0f, 255.0f, 10.0f, 0.6f);
  p_Rect(W / 2.0f - barW / 2.0f, s - barY, barW, 8.0f);
  p_SetCol(255.0f, 150.0f, 10.0f, 0.7f);
  p_Rect(W / 2.0f - bodyW / 2.0f, s - bodyH / 2.0f, bodyW, bodyH);
  p_SetCol(10.0f, 150.0f, 255.0f, 0.6f);
  p_Rect(W / 2.0f - barW / 2.0f, s + barY - 8.0f, barW, 8.0f);

  // 4. Quit (-1), resume (0) and options (1); the selected one is ringed.
  const float sideX = wide ? 140.0f : 96.0f, sideY = wide ? 64.0f : 96.0f;
  const float buttonX[3] = {W / 2.0f - sideX, W / 2.0f, W / 2.0f + sideX};
  const float buttonY[3] = {s - sideY, s, s - sideY};
  int hit[3];
  p_ResetDraw();
  p_SetSize(2.0f);
  p_SetCol(255.0f, 50.0f, 50.0f);
  hit[0] = p_Button(kIcons, buttonX[0], buttonY[0], 1);
  p_SetCol(50.0f, 50.0f, 250.0f);
  hit[1] = p_Button(kIcons, buttonX[1], buttonY[1], 3);
  p_ResetDraw();
  if (m_OptionsOpen == 0) m_CogSpin += 0.2f;
  hit[2] = DrawCog(buttonX[2], buttonY[2]);
  if (m_PauseSel >= -1 && m_PauseSel <= 1) {
    p_SetSize(2.5f);
    p_SetCol(255.0f, 255.0f, 100.0f);
    p_DrawImg(kIcons, buttonX[m_PauseSel + 1], buttonY[m_PauseSel + 1], 6.0f);
  }
  p_ResetDraw();

  const bool fire = m_KeyLatch == 0 && Held(10);
  for (int b = -1; b <= 1; ++b) {
    const bool clicked = hit[b + 1] && m_ClickLatch == 0;
    const bool pressed = !clicked && fire && m_PauseSel == b;
    if (!clicked && !pressed) continue;
    if (clicked) m_ClickLatch = 1;
    if (pressed) m_KeyLatch = 1;
    if (b == 0) {
      m_PauseDir = -1;
      p_PlaySFX(kSfxGo, 0.5f);
    } else if (b == -1) {
      // The game ends through the game-over sequence, which records the score.
      m_Paused = 0;
      m_PauseDir = -1;
      m_PauseSlide = -64;
      m_GameOverTimer = 1;
      if (pressed) m_ClickLatch = 1;
      p_PlaySFX(kSfxGo, 0.5f, 0.5f, 0.0f);
    } else {
      m_OptionsOpen = 1;
      if (clicked) {
        p_PlaySFX(kSfxMove, 1.0f);
      } else {
        p_PlaySFX(kSfxGo, 0.5f);
      }
    }
    break;
  }

  // 5-6. Keys move the selection; back resumes.
  if (m_KeyLatch == 0) {
    float rate = 0.0f;
    if (m_PauseSel == 0 && (Held(3) || Held(0))) {
      m_PauseSel = -1;
      rate = 0.8f;
    } else if (m_PauseSel == 0 && Held(5)) {
      m_PauseSel = 1;
      rate = 1.2f;
    } else if ((m_PauseSel == -1 && (Held(5) || Held(8))) ||
               (m_PauseSel == 1 && (Held(3) || Held(8)))) {
      m_PauseSel = 0;
      rate = 0.8f;
    }
    if (rate > 0.0f) {
      m_KeyLatch = 1;
      p_PlaySFX(kSfxGo, rate, 0.5f, 0.0f);
    }
  }
  if (m_KeyLatch == 0 && Held(99)) {
    m_KeyLatch = 1;
    m_PauseDir = -1;
    p_PlaySFX(kSfxGo, 0.5f);
  }
  return 0;
}

int c_MyApp::p_CreditBox() {
  const float W = vel_Game_jscrw, H = vel_Game_jscrh;
  const int o = m_CreditsSlide;
  const float k = static_cast<float>(30 - o);
  const float opacity = static_cast<float>(o) / 30.0f;

  // 1. A grid of square cells over the screen; tiles grow to full size as the box opens.
  p_ResetDraw();
  const float c = W / 12.0f > H / 12.0f ? W / 12.0f : H / 12.0f;
  const int n = trunc_to_int(W / c), m = trunc_to_int(H / c);
  const float x0 = W / 2.0f - static_cast<float>(n) * c / 2.0f;
  const float y0 = H / 2.0f - static_cast<float>(m) * c / 2.0f;
  const float t = o < 20 ? static_cast<float>(o) / 20.0f * c : c;

  // 2. The tiles fly in from afar, each with the square of its distance from the centre.
  for (int i = 0; i <= n; ++i) {
    for (int j = 0; j <= m; ++j) {
      int di = i - n / 2, dj = j - m / 2;
      if (di <= 0) --di;
      if (dj <= 0) --dj;
      const float tx = x0 + static_cast<float>(i) * c + k * static_cast<float>(di * std::abs(di)) - t / 2.0f;
      const float ty = y0 + static_cast<float>(j) * c + k * static_cast<float>(dj * std::abs(dj)) - t / 2.0f;
      const bool top = j == 0, bottom = j == m, left = i == 0, right = i == n;
      const bool ring = top || bottom || left || right;
      const float grey = ring ? 0.0f : 255.0f;
      p_SetCol(grey, grey, grey, opacity);
      p_Rect(tx, ty, t + 1.0f, t + 1.0f);
      if (ring) {
        if ((top || bottom) && (left || right)) continue;  // corners stay plain
        const float a = 512.0f * static_cast<float>(i - 1) / static_cast<float>(n - 2);
        const float p = 512.0f * static_cast<float>(j - 1) / static_cast<float>(m - 2);
        const float g = 255.0f * static_cast<float>(i - 1) / static_cast<float>(n - 2);
        if (top) p_SetCol(clamp_channel(a), clamp_channel(512.0f - a), 0.0f);
        if (bottom) p_SetCol(clamp_channel(g), clamp_channel(g), clamp_channel(g));
        if (left) p_SetCol(0.0f, clamp_channel(512.0f - p), clamp_channel(p));
        if (right) p_SetCol(clamp_channel(512.0f - p), 0.0f, clamp_channel(p));
        if (top || bottom) {
          p_Rect(tx + 8.0f, ty, t + 1.0f - 16.0f, t + 1.0f);
        } else {
          p_Rect(tx, ty + 8.0f, t + 1.0f, t + 1.0f - 16.0f);
        }
      } else {
        // Inner squares; above the bottom ring the middle ones join into one strip.
        float sx = tx + 2.0f, sw = t - 4.0f;
        if (j == m - 1 && i >= 4 && i <= n - 3) {
          sx -= 6.0f;
          sw += i == n - 3 ? 4.0f : 24.0f;
        }
        p_SetCol(128.0f, 128.0f, 128.0f);
        p_Rect(sx, ty + 2.0f, sw, t - 4.0f);
      }
    }
  }

  // 3-4. The title card and the credit lines rolling up past it.
  p_ResetDraw();
  p_DrawImg(kTestcard, W / 2.0f, H / 2.0f - 24.0f * k, 0.0f);
  m_CreditScroll -= 0.3f;
  if (Held(8) || Held(0)) m_CreditScroll -= 1.5f;
  if (m_CreditScroll < -16.0f) {
    m_CreditScroll += 16.0f;
    ++m_CreditTop;
  }
  const int lines = vel_Game_CreditText.Length();
  for (int r = -3; r <= 4 && lines > 0; ++r) {
    int line = (r + m_CreditTop) % lines;
    if (line < 0) line += lines;
    const float offset = 16.0f * static_cast<float>(r) + m_CreditScroll;
    float alpha = 1.0f - (std::fabs(offset / 40.0f) - 0.3f);
    p_Alpha(alpha < 0.0f ? 0.0f : (alpha > 1.0f ? 1.0f : alpha));
    p_Text(W / 2.0f + 24.0f, H / 2.0f - 24.0f * k + offset, vel_Game_CreditText[line], 0.8f, 0.8f);
  }

  // 5-6. The logo and the four corner discs with the live figures.
  p_SetSize(0.4f);
  p_Alpha(opacity);
  p_DrawImg(kLogo, W / 2.0f, 4.0f * k + static_cast<float>(m - 1) * c + y0, 0.0f);
  p_SetSize(1.0f);
  const float leftX = x0 + 1.5f * c - 6.0f * k;
  const float rightX = x0 + (static_cast<float>(n) - 1.5f) * c + 6.0f * k;
  const float topY = y0 + 1.5f * c - 3.0f * k;
  const float lowY = y0 + (static_cast<float>(m) - 1.5f) * c + 3.0f * k;
  auto disc = [&](float x, float y) {
    p_SetCol(255.0f, 255.0f, 255.0f, opacity);
    p_Oval(x, y, t, t);
    p_SetCol(128.0f, 128.0f, 128.0f);
    p_Oval(x, y, t - 3.0f, t - 3.0f);
    p_SetCol(255.0f, 255.0f, 255.0f);
  };
  auto figures = [&](float x, float y, String a, String b, String f) {
    disc(x, y);
    p_Text(x, y - 16.0f, a, 0.8f, 0.8f);
    p_Text(x, y, b, 0.8f, 0.8f);
    p_Text(x, y + 16.0f, f, 0.8f, 0.8f);
  };
  figures(leftX, topY, String(vel_graphics_DeviceWidth()), String(vel_graphics_DeviceHeight()),
          String(m_UpdateFpsAvg));
  figures(rightX, topY, String(vel_Game_jscrw), String(vel_Game_jscrh), String(m_RenderFpsAvg));
  disc(leftX, lowY);
  p_DrawImg(kButtons, leftX, lowY, 12.0f);
  disc(rightX, lowY);
  p_SetSize(0.3f);
  p_DrawImg(kWobl, rightX, lowY, 0.0f);
  p_ResetDraw();

  // 7. A press, or button 6, 1 or 2, closes the box.
  if (m_CreditsOpen == 1 && m_MouseDown && m_ClickLatch == 0) {
    m_ClickLatch = 1;
    m_CreditsOpen = 0;
    p_PlaySFX(kSfxMove, 1.0f);
  }
  if (m_CreditsOpen == 1 && m_KeyLatch == 0 && (Held(15) || Held(10) || Held(11))) {
    m_KeyLatch = 1;
    m_CreditsOpen = 0;
    p_PlaySFX(kSfxMove, 1.0f);
  }
  return 0;
}

int c_MyApp::p_OuyaQuit() {
  const float W = vel_Game_jscrw, H = vel_Game_jscrh;
  p_CLS2D(180.0f, 180.0f, 180.0f, 1.0f);
  p_SetSize(3.0f);
  p_DrawImg(kTestcard, W / 2.0f, H / 2.0f, 0.0f);
  const float x = static_cast<float>(trunc_to_int(0.65f * W));
  float y = static_cast<float>(trunc_to_int(0.3f * H));
  const struct {
    float size, down;
    const char* text;
  } kLines[] = {{3, 0, "It looks like you're"},
                {3, 32, "trying to QUIT!"},
                {2, 36, "Are you absolutely sure"},
                {2, 20, "you want to quit the game?"},
                {2, 28, "Isn't this fun?"},
                {2, 38, "It'll be a shame to see you go."},
                {2, 38, "Press (A) to Quit"},
                {2, 20, "or (O) to return to the fun!"}};
  for (const auto& line : kLines) {
    y += line.down;
    p_SetSize(line.size);
    p_Text(x, y, String(line.text), 1.0f, 1.0f);
  }
  p_ResetDraw();
  if (m_KeyLatch == 0 && m_ClickLatch == 0) {
    if (Held(10)) {
      m_Mode = 1;
      m_KeyLatch = 1;
      m_ClickLatch = 1;
    } else if (Held(11) || Held(12) || Held(99)) {
      velError(String());
    }
  }
  return 0;
}
