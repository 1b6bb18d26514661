// Badges: 256 earned flags (m_BadgeFlags, saved with the state), a catalogue naming them, the
// pop-ups that slide in at the bottom left when one is queued, and a scrolling box listing
// them. A pop-up is queued by setting m_BadgePopup[i] to the badge and m_BadgePopupTime[i] to
// 1 on an idle slot (time 0); the box shows while m_BadgesOpen is set.
#include "game/framework.h"
#include "game/my_app.h"

namespace {

// Icons are frames of this sheet, one per badge number 0..63.
const int kBadgeIcons = 80;
const int kIconCount = 64;
const float kPopupWidth = 160.0f;
// Units the box content moves per update while a direction control is held.
const float kScrollStep = 16.0f;
const float kRowHeight = 48.0f;

}  // namespace

// "name|detail", or the empty text for a badge the catalogue does not know.
String c_MyApp::p_BadgeID(int n) {
  return n == 0 ? String("Test Badge|This is a Test Badge which has no purpose.") : String();
}

String c_MyApp::p_BadgeName(int n) {
  const String id = p_BadgeID(n);
  const int bar = id.Find(String("|"));
  return bar < 0 ? id : id.Slice(0, bar);
}

String c_MyApp::p_BadgeDetail(int n) {
  const String id = p_BadgeID(n);
  const int bar = id.Find(String("|"));
  return bar < 0 ? String() : id.Slice(bar + 1);
}

// Each busy slot counts up once per update: its panel slides in at 16 units per update (fully
// in from count 10), stays, slides out after 230 and frees the slot after 240. Rows stack
// upwards from the bottom of the screen; slots 13 and 14 have no row.
int c_MyApp::p_ShowBadges() {
  p_ResetDraw();
  for (int i = 0; i <= 12; ++i) {
    int& count = m_BadgePopupTime[i];
    if (count < 1) continue;
    ++count;
    float x = static_cast<float>(count * 16) - kPopupWidth;
    if (count > 230) x = static_cast<float>((240 - count) * 16) - kPopupWidth;
    if (x > 0.0f) x = 0.0f;
    if (count > 240) count = 0;
    const float y = vel_Game_jscrh - static_cast<float>((i + 1) * 34);
    const int badge = m_BadgePopup[i];
    p_SetCol(0.0f, 0.0f, 80.0f, 0.8f);
    p_Rect(x, y, kPopupWidth, 32.0f);
    p_SetCol(255.0f, 255.0f, 255.0f, 1.0f);
    p_Text(x + 16.0f, y + 4.0f, p_BadgeName(badge), 0.0f, 0.0f);
    if (badge >= 0 && badge < kIconCount) {
      p_SetSize(0.5f);
      p_DrawImg(kBadgeIcons, x + 144.0f, y + 16.0f, static_cast<float>(badge));
      p_SetSize(1.0f);
    }
  }
  return 0;
}

// The box: an orange frame around a dark red panel over the middle of the screen, listing every
// badge the catalogue names (earned ones bright), scrolled by up / down on any pad or by
// dragging the panel. The content follows its target smoothly and snaps when close.
int c_MyApp::p_BadgesBox() {
  const float W = vel_Game_jscrw, H = vel_Game_jscrh;
  p_SetSize(1.0f);
  p_SetRot(0.0f);
  p_Alpha(0.8f);
  p_SetCol(255.0f, 125.0f, 0.0f);
  p_Rect(0.1f * W, -1.0f, 0.8f * W, H + 2.0f);
  p_SetCol(100.0f, 0.0f, 0.0f);
  p_Rect(0.12f * W, -1.0f, 0.76f * W, H + 2.0f);
  p_SetCol(255.0f, 255.0f, 255.0f, 1.0f);

  float row = m_BadgeScroll + kRowHeight;
  for (int n = 0; n < kIconCount; ++n) {
    const String name = p_BadgeName(n);
    if (!name.Length()) continue;
    p_Alpha(m_BadgeFlags[n] ? 1.0f : 0.35f);
    p_SetSize(0.5f);
    p_DrawImg(kBadgeIcons, 0.12f * W + 32.0f, row, static_cast<float>(n));
    p_SetSize(1.5f);
    p_Text(0.12f * W + 64.0f, row - 8.0f, name, 0.0f, 1.0f);
    p_SetSize(1.0f);
    p_Text(0.12f * W + 64.0f, row + 12.0f, p_BadgeDetail(n), 0.0f, 1.0f);
    row += kRowHeight;
  }
  p_ResetDraw();

  if (Held(8)) m_BadgeScrollTarget -= kScrollStep;
  if (Held(0)) m_BadgeScrollTarget += kScrollStep;
  if (m_BadgeScrollTarget > 0.0f) m_BadgeScrollTarget = 0.0f;
  // The content follows a drag on the panel at one and a half times the pointer's speed.
  if (m_MouseWasDown && static_cast<float>(m_MouseX) > 0.12f * W)
    m_BadgeScrollTarget -= static_cast<float>(m_PrevMouseY - m_MouseY) * 1.5f;
  m_BadgeScroll -= (m_BadgeScroll - m_BadgeScrollTarget) / 6.0f;
  if (std::fabs(m_BadgeScroll - m_BadgeScrollTarget) < 6.0f) m_BadgeScroll = m_BadgeScrollTarget;
  return 0;
}
