// The saved state: options, badges and scores as one line of 98 numbers, each followed by "|":
//   25 options, their checksum;
//   8 badge words (bit j of word s is flag 32s + j; bit 31 set makes the word negative),
//   their checksum;
//   per difficulty table t = 0..2, ten pairs (best score j, recent score j), its checksum.
// Each section carries its own checksum so that a damaged one falls back to its defaults
// alone while the others load. Sums are 32-bit and wrap around. The host stores the line in
// the state file, replacing the old one only once the new one is safely on disk.
#include <cstdio>
#include <string>

#include "game/framework.h"
#include "game/my_app.h"
#include "platform/state_writer.h"

namespace {

const int kOptions = 25;
const int kBadgeWords = 8;
const int kTables = 3;
// The numbers in a state string; the first kStateNumbers + 1 parts are all that is read.
const int kStateNumbers = kOptions + 1 + kBadgeWords + 1 + kTables * 21;

int wrap_add(int a, int b) {
  return static_cast<int>(static_cast<unsigned>(a) + static_cast<unsigned>(b));
}
int wrap_mul(int a, int b) {
  return static_cast<int>(static_cast<unsigned>(a) * static_cast<unsigned>(b));
}

int settings_sum(const Array<int>& options) {
  int sum = 0;
  for (int i = 0; i < kOptions; ++i) sum = wrap_add(sum, wrap_mul(i, options[i]));
  return sum;
}

int badge_word(const Array<bool>& flags, int s) {
  unsigned word = 0;
  for (int j = 0; j < 32; ++j)
    if (flags[32 * s + j]) word |= 1u << j;
  return static_cast<int>(word);
}

int badge_sum(const Array<bool>& flags) {
  int sum = 0;
  for (int s = 0; s < kBadgeWords; ++s) sum = wrap_add(sum, badge_word(flags, s));
  return sum;
}

// Best and recent scores weigh differently, so most swaps between the two lists show.
int table_sum(const Array<int>& scores, int t) {
  int sum = 0;
  for (int j = 0; j < 10; ++j) {
    sum = wrap_add(sum, wrap_mul(j + 4, scores[10 * t + j]));
    sum = wrap_add(sum, wrap_mul(t + 3 + j, scores[30 + 10 * t + j]));
  }
  return sum;
}

// The text up to and including its (kStateNumbers + 1)th separator: nothing past it is read,
// and a huge file then splits into no more parts than a well-formed one (every section test
// still sees more parts than it asks for).
String readable_part(const String& state) {
  const String bar("|");
  int at = -1;
  for (int n = 0; n <= kStateNumbers; ++n) {
    at = state.Find(bar, at + 1);
    if (at < 0) return state;
  }
  return state.Slice(0, at + 1);
}

}  // namespace

String c_MyApp::StateString() {
  std::string text;
  auto put = [&text](int value) {
    char number[16];
    std::snprintf(number, sizeof number, "%d|", value);
    text += number;
  };
  for (int i = 0; i < kOptions; ++i) put(m_Options[i]);
  put(settings_sum(m_Options));
  for (int s = 0; s < kBadgeWords; ++s) put(badge_word(m_BadgeFlags, s));
  put(badge_sum(m_BadgeFlags));
  for (int t = 0; t < kTables; ++t) {
    for (int j = 0; j < 10; ++j) {
      put(m_HighScores[10 * t + j]);
      put(m_HighScores[30 + 10 * t + j]);
    }
    put(table_sum(m_HighScores, t));
  }
  return String(text.c_str());
}

// The line is built here; the durable write, longer than a frame may take, runs on the state
// writer's thread.
int c_MyApp::p_Save() {
  const String state = StateString();
  if (vel_Game_DebugMode == 1) velPrint(state);
  SaveStateInBackground(state.ToUtf8());
  return 0;
}

// Reads the sections in order from a read position. A section is read only when enough parts
// remain for it (the options need 25, without which the position stays at 0 for the next
// ones); a part that is not a number reads as 0, and the checksum decides.
int c_MyApp::p_Load() {
  FinishStateSaves();  // what was saved last is what loads
  const String state = vel_app_LoadState();
  if (vel_Game_DebugMode == 1) velPrint(state);
  const Array<String> parts = readable_part(state).Split(String("|"));
  const int count = parts.Length();
  int at = 0;
  auto next = [&]() { return parts[at++].ToInt(); };

  if (count >= kOptions) {
    for (int i = 0; i < kOptions; ++i) m_Options[i] = next();
    // Exactly 25 parts hold no checksum: that is a mismatch, not a read past the end.
    if (at < count && next() == settings_sum(m_Options)) {
      velPrint(String("Settings Loaded"));
    } else {
      velPrint(String("Settings Checksum Invalid"));
      for (int i = 0; i < kOptions; ++i) m_Options[i] = 0;
      m_Options[5] = 1;
    }
  }
  if (m_Options[10] < 64) m_Options[10] = 64;
  if (m_Options[11] < 64) m_Options[11] = 64;
  if (m_Options[12] < 8) m_Options[12] = 10;
  if (m_Options[14] < 1) m_Options[14] = 64;
  if (vel_Game_isOuya == 1) {
    vel_Game_overscan = static_cast<float>(m_Options[14]);
  } else {
    m_Options[14] = 1;
    vel_Game_overscan = 0.0f;
  }

  if (at + kBadgeWords < count) {
    for (int s = 0; s < kBadgeWords; ++s) {
      const int word = next();
      for (int j = 0; j < 32; ++j) m_BadgeFlags[32 * s + j] = ((word >> j) & 1) != 0;
    }
    if (next() == badge_sum(m_BadgeFlags)) {
      velPrint(String("Badges Loaded"));
    } else {
      velPrint(String("Badge Checksum Invalid"));
      for (int n = 0; n < 256; ++n) m_BadgeFlags[n] = false;
    }
  }

  for (int t = 0; t < kTables; ++t) {
    if (at + 20 >= count) continue;
    for (int j = 0; j < 10; ++j) {
      m_HighScores[10 * t + j] = next();
      m_HighScores[30 + 10 * t + j] = next();
    }
    const bool valid = next() == table_sum(m_HighScores, t);
    velPrint(String("Highscore ") + String(t) + String(valid ? " Loaded" : " Checksum Invalid"));
    if (!valid)
      for (int j = 0; j < 10; ++j) m_HighScores[10 * t + j] = m_HighScores[30 + 10 * t + j] = 0;
  }
  return 0;
}
