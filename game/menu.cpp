// The main menu (a carousel of the three difficulties and the options cog, with the score
// lists of the highlighted difficulty beside it) and the options box that rises over the menu
// or over a paused game.
//
// Input is shared with the frame loop through two latches: m_KeyLatch (a control press was
// used and must be released first) and m_ClickLatch (1: a pointer press was used; 2: the
// press is a drag, so releasing it activates nothing). The options box keeps latches of its
// own so that it ignores the press that opened it.
#include "game/framework.h"
#include "game/my_app.h"

namespace {

const float kPanelWidth = 140.0f;   // the score panel at the right
const float kItemSpacing = 88.0f;   // between carousel items
const int kButtons = 95, kIcons = 97, kLogo = 98, kWobl = 93, kBackdrop = 10;
const int kSfxMove = 99, kSfxGo = 98;

const char* const kSoundLabels[4] = {"Sound : Off", "Sound : SFX + Music", "Sound : SFX",
                                     "Sound : Music"};

}  // namespace

int c_MyApp::Held(int code) {
  int held = 0;
  for (int pad = 0; pad <= 3; ++pad) held += p_PlayKey(code, 1, pad);
  return held;
}

int c_MyApp::DrawCog(float x, float y) {
  p_SetRot(-0.66f * m_CogSpin);
  p_DrawImg(kButtons, x, y, 8.0f);
  p_SetRot(0.33f * m_CogSpin);
  p_DrawImg(kButtons, x, y, 9.0f);
  p_SetRot(m_CogSpin);
  const int hit = p_Button(kButtons, x, y, 10);
  p_SetRot(0.0f);
  return hit;
}

int c_MyApp::AnyBoxOpen() { return m_CreditsOpen == 1 || m_OptionsOpen == 1 || m_BadgesOpen == 1; }

void c_MyApp::MenuSelect(int item) {
  m_MenuSel = item;
  m_MenuOffset = static_cast<float>(1 - item) * kItemSpacing;
  m_MenuFling = 0.0f;
  m_MenuDrag = 0.0f;
  m_MenuPending = item;
  p_PlaySFX(kSfxMove, 1.0f);
}

void c_MyApp::MenuActivate() {
  m_KeyLatch = 1;
  m_ClickLatch = 1;
  p_PlaySFX(kSfxGo, 1.0f);
  if (m_MenuSel >= 1 && m_MenuSel <= 3) {
    m_Difficulty = m_MenuSel;
    m_Mode = 11;
  } else {
    m_OptionsOpen = 1;
    m_OptionSel = 0;
  }
}

int c_MyApp::p_Menu() {
  const float W = vel_Game_jscrw, H = vel_Game_jscrh, P = kPanelWidth;
  m_MenuPanelW = P;

  // 1-2. Frame, intro counter, stars; back leaves the program.
  p_CLS2D(0.0f, 0.0f, 0.0f, 1.0f);
  if (m_MenuTimer < 0) m_MenuTimer = trunc_to_int(static_cast<float>(m_MenuTimer) + 0.25f);
  const float t = static_cast<float>(m_MenuTimer);
  p_DoStars(-0.15f, 0.0f);
  if (m_KeyLatch == 0 && m_ClickLatch == 0 && Held(99)) velError(String());

  // 3. Backdrop, logo and the score panel, sliding in during the intro.
  p_SetSize(3.0f);
  p_SetRot(m_MenuSpin);
  m_MenuSpin += 0.1f;
  p_DrawImg(kBackdrop, W / 2.0f, H / 2.0f - 32.0f * t, 0.0f);
  p_SetSize(1.5f);
  p_SetRot(0.0f);
  p_DrawImg(kLogo, 0.4f * W, 0.2f * H + 12.0f * t, 0.0f);
  p_SetCol(0.0f, 0.0f, 0.0f, 0.4f);
  p_Rect(W - P - 4.0f * t, 0.0f, P, H);

  // 4. The best and the recent scores of the highlighted difficulty, as many rows as fit.
  const bool boxOpen = AnyBoxOpen() != 0;
  if (m_MenuSel >= 1 && m_MenuSel <= 3 && !boxOpen) {
    const int row = trunc_to_int(1.5f * static_cast<float>(m_ImgInfo[3 * m_FontImg + 1]));
    int rows = row > 0 ? trunc_to_int(H / 2.0f - 90.0f) / row : 1;
    rows = rows < 1 ? 1 : (rows > 10 ? 10 : rows);
    const int base = 10 * (m_MenuSel - 1);
    const float x = W - P - 4.0f * t + 20.0f;
    for (int list = 0; list < 2; ++list) {
      String text = rows == 1 ? String(list == 0 ? "Highscore" : "Last")
                              : String(list == 0 ? "Top " : "Last ") + String(rows);
      for (m_Loop = 0; m_Loop < rows; ++m_Loop)
        text = text + String("\\n") + p_rstr(m_HighScores[30 * list + base + m_Loop], 11, String(" "));
      if (list == 0) {
        p_SetCol(255.0f, 200.0f, 100.0f, 1.0f);
      } else {
        p_SetCol(200.0f, 255.0f, 100.0f, 1.0f);
      }
      p_SetSize(1.5f);
      p_Text(x, list == 0 ? 60.0f : H / 2.0f + 20.0f, text, 0.0f, 0.0f);
    }
  }
  p_ResetDraw();

  // 5. Carousel motion: the shown offset eases toward the wanted one, flings die away.
  if (m_MenuSel < 1 || m_MenuSel > 4) m_MenuSel = 1;
  if (m_MenuSel <= 3) m_Difficulty = m_MenuSel;
  if (m_MenuSel == 4) m_CogSpin += 0.5f;
  if (m_MouseDown == 0) m_MenuDrag = 0.0f;
  m_MenuOffset += m_MenuFling;
  m_MenuOffsetShown -= (m_MenuOffsetShown - m_MenuOffset) * 0.125f;
  if (m_MenuFling != 0.0f) {
    m_MenuFling *= 0.2f;
    if (std::fabs(m_MenuFling) < 3.0f) m_MenuFling = 0.0f;
  }

  // 6. A column in portrait, a row in landscape, item 1 at the offset from the focus point.
  const bool landscape = m_Landscape == 1;
  const float focusX = (W - P) / 2.0f, focusY = (landscape ? 0.65f : 0.6f) * H;
  auto itemX = [&](int i) {
    return landscape ? static_cast<float>(trunc_to_int(focusX + m_MenuOffsetShown)) +
                           kItemSpacing * static_cast<float>(i - 1)
                     : static_cast<float>(trunc_to_int(focusX));
  };
  auto itemY = [&](int i) {
    return landscape ? static_cast<float>(trunc_to_int(focusY))
                     : static_cast<float>(trunc_to_int(m_MenuOffsetShown + focusY)) +
                           kItemSpacing * static_cast<float>(i - 1);
  };

  // 7-8. The items; the one nearest the focus point becomes highlighted unless a chosen one
  // is still sliding into place.
  if (!boxOpen) {
    int nearest = m_MenuSel;
    float nearestDistance = 0.0f;
    for (int i = 1; i <= 4; ++i) {
      // Pulled back when dragged past either end.
      if (landscape ? itemX(1) > 0.75f * (W - P) : itemY(1) > 0.75f * H) {
        m_MenuSel = 1;
        m_MenuOffset -= 8.0f;
      }
      if (landscape ? itemX(4) < 0.25f * W : itemY(4) < 0.45f * H) {
        m_MenuSel = 4;
        m_MenuOffset += 8.0f;
      }
      const float x = itemX(i), y = itemY(i);
      const bool highlighted = i == m_MenuSel;
      p_SetSize(highlighted ? 1.75f : 1.0f);
      p_SetRot(0.0f);
      const float d = std::sqrt((x - focusX) * (x - focusX) + (y - focusY) * (y - focusY));
      if (i == 1 || d < nearestDistance) {
        nearest = i;
        nearestDistance = d;
      }
      const float fade = 1.0f - d / 480.0f;
      p_Alpha(highlighted ? 1.0f : (fade < 0.5f ? 0.5f : fade));
      int hit = i <= 3 ? p_Button(kButtons, x, y, i - 1) : DrawCog(x, y);
      if (highlighted && i <= 3) {
        // A large start button for the highlighted difficulty.
        p_SetSize(3.0f, 2.5f);
        p_SetCol(100.0f, 255.0f, 100.0f, 0.3f);
        if (p_Button(kIcons, W - 70.0f, H - 48.0f - 4.0f * t, 3)) hit = 1;
        p_SetSize(1.0f);
        p_SetCol(255.0f, 255.0f, 255.0f);
      }
      if (hit && m_KeyLatch == 0 && m_ClickLatch == 0) {
        if (highlighted) {
          MenuActivate();
        } else {
          MenuSelect(i);
          m_KeyLatch = 1;
          m_ClickLatch = 1;
        }
      }
    }
    p_ResetDraw();
    if (nearest != m_MenuSel && m_MenuPending == 0) {
      m_MenuSel = nearest;
      p_PlaySFX(kSfxMove, 1.0f);
    }
  }
  if (m_MenuPending != 0 && std::fabs(m_MenuOffsetShown - m_MenuOffset) < 32.0f) m_MenuPending = 0;

  // 9-10. Keys step through the items; fire activates; button 6 opens the credits.
  if (m_KeyLatch == 0 && !boxOpen) {
    if ((Held(0) || Held(3)) && m_MenuSel >= 2) {
      MenuSelect(m_MenuSel - 1);
      m_KeyLatch = 1;
    } else if ((Held(8) || Held(5)) && m_MenuSel < 4) {
      MenuSelect(m_MenuSel + 1);
      m_KeyLatch = 1;
    }
  }
  if (m_KeyLatch == 0 && m_CreditsOpen == 0 &&
      (Held(10) || Held(11) || Held(12) || Held(13)) && m_OptionsOpen == 0 && m_BadgesOpen == 0)
    MenuActivate();
  if (m_KeyLatch == 0 && !AnyBoxOpen() && Held(15)) {
    m_KeyLatch = 1;
    p_PlaySFX(kSfxMove, 1.0f);
    m_CreditsOpen = 1;
  }

  // 12. The info button opens the credits.
  p_SetSize(0.35f);
  if (p_Button(kWobl, W - 70.0f, 4.0f * t + 32.0f, 0) && m_ClickLatch == 0 && !AnyBoxOpen()) {
    m_ClickLatch = 1;
    p_PlaySFX(kSfxMove, 1.0f);
    m_CreditsOpen = 1;
  }
  p_ResetDraw();

  // 13. Dragging the carousel; a press that moves more than 2 units is a drag, not a click.
  if (!AnyBoxOpen() && m_ClickLatch != 1 && m_MouseDown) {
    const int moved = landscape ? m_MouseX - m_PrevMouseX : m_MouseY - m_PrevMouseY;
    m_MenuDrag = static_cast<float>(moved) * 1.5f;
    if (std::fabs(m_MenuDrag) > 2.0f) {
      m_ClickLatch = 2;
      m_MenuFling += m_MenuDrag;
    }
  }
  return 0;
}

void c_MyApp::CloseOptions() {
  m_OptionsOpen = 0;
  m_OptionKeyLatch = m_OptionClickLatch = 1;  // nothing more in the box reacts as it slides away
  p_PlaySFX(kSfxMove, 1.0f);
  p_Save();
}

int c_MyApp::p_OptionBox() {
  const float W = vel_Game_jscrw;
  const float H = vel_Game_jscrh;
  const int s = m_OptionsSlide;
  const float rise = static_cast<float>((30 - s) * 24);

  // 1. Nothing underneath reacts; nothing here reacts while the box moves.
  p_ResetDraw();
  m_KeyLatch = 1;
  m_ClickLatch = 1;
  if (s != 30) m_OptionKeyLatch = m_OptionClickLatch = 1;
  auto settled = [this] { return m_OptionKeyLatch == 0 && m_OptionClickLatch == 0; };

  // 2-3. The panel and its back cog.
  p_SetCol(150.0f, 75.0f, 0.0f, 0.85f);
  p_Rect(50.0f, rise, W - 100.0f, H);
  p_ResetDraw();
  const float cogX = static_cast<float>((3 * s - 90) * 4 + 100);
  m_CogSpin += 0.2f;
  p_SetSize(m_OptionSel == 0 ? 2.0f : 1.5f);
  const int cogHit = DrawCog(cogX, 60.0f);
  p_SetSize(2.0f);
  p_Text(cogX + 76.0f, 60.0f, String("<[BACK]"), 0.0f, 1.0f);
  if ((Held(99) || cogHit) && settled()) CloseOptions();

  // 4. One row per setting; the credits row only outside a game.
  if (m_Options[5] < 0 || m_Options[5] > 3) m_Options[5] = 0;
  const int lastRow = m_Paused == 1 ? 3 : 4;
  const int anyButton = Held(10) || Held(11) || Held(12) || Held(13) || Held(14) || Held(15);
  for (int row = 1; row <= lastRow; ++row) {
    float x = 100.0f, y = rise + 128.0f + 40.0f * static_cast<float>(row - 1) + 2.0f;
    float barX = 84.0f, barW = W - 168.0f;
    String label;
    switch (row) {
      case 1: label = String(kSoundLabels[m_Options[5]]); break;
      case 2: label = String(vel_Game_iCadeControls == 1 ? "iCade : On" : "iCade : Off"); break;
      case 3: label = String(m_Fullscreen == 1 ? "Windowed" : "Fullscreen"); break;
      default:
        x = static_cast<float>(trunc_to_int(W - 264.0f));
        y = rise + 128.0f + 80.0f + 2.0f + 50.0f;
        barX = x - 16.0f;
        barW = 180.0f;
        label = String("Credits");
        break;
    }
    if (row == m_OptionSel) {
      p_SetCol(0.0f, 180.0f, 255.0f, 0.5f);
    } else {
      p_SetCol(0.0f, 0.0f, 160.0f, 0.5f);
    }
    const int touched = p_Touch(barX, y - 2.0f, barW, 24.0f);
    if (touched) m_OptionSel = row;
    p_ResetDraw();
    p_SetSize(2.0f);
    p_Text(x, y, label, 0.0f, 0.0f);
    p_ResetDraw();
    if (!(touched || (row == m_OptionSel && anyButton)) || !settled()) continue;
    if (row == 4) {
      m_CreditsOpen = 1;
      m_OptionsOpen = 0;
      m_OptionKeyLatch = m_OptionClickLatch = 0;
      continue;
    }
    m_OptionKeyLatch = m_OptionClickLatch = 1;
    p_PlaySFX(kSfxMove, 1.0f);
    if (row == 1) {
      m_Options[5] = (m_Options[5] + 1) % 4;
      if (m_Options[5] == 0 || m_Options[5] == 2) p_StopTune();
    } else if (row == 2) {
      p_iCade(1 - vel_Game_iCadeControls);
      for (m_Loop = 0; m_Loop <= 19; ++m_Loop) m_Control[m_Loop] = 0;
    } else {
      p_FullscreenFlip();
    }
  }

  // 5. Keys move the highlight; buttons 6, 1 or 2 on the cog close the box.
  if (m_OptionKeyLatch == 0) {
    if ((Held(0) || Held(3)) && m_OptionSel > 0) {
      --m_OptionSel;
      m_OptionKeyLatch = 1;
      p_PlaySFX(kSfxMove, 1.0f);
    } else if ((Held(8) || Held(5)) && m_OptionSel < lastRow) {
      ++m_OptionSel;
      m_OptionKeyLatch = 1;
      p_PlaySFX(kSfxMove, 1.0f);
    } else if (m_OptionSel == 0 && (Held(15) || Held(10) || Held(11)) && settled()) {
      CloseOptions();
    }
  }

  // 6-7. Latches come free once everything is released.
  if (m_MouseDown == 0) m_OptionClickLatch = 0;
  if (!(Held(0) || Held(3) || Held(5) || Held(8) || anyButton || Held(99))) m_OptionKeyLatch = 0;
  p_ResetDraw();
  return 0;
}
