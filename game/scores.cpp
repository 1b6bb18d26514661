// Scores: each difficulty d keeps its ten best scores, highest first, at m_HighScores
// 10(d-1)..10(d-1)+9, and its ten most recent, newest first, 30 further on.
//
// One rule places a score in the best table, used both for recording it and for the rank the
// game-over panel announces: a score goes above the first entry it beats, so it goes below an
// equal entry, and a score of 0 never enters a table of zeros.
#include "game/framework.h"
#include "game/my_app.h"

int c_MyApp::BestPlace(int score) {
  const int base = 10 * (m_Difficulty - 1);
  if (base < 0 || base > 20) return -1;
  for (int i = 0; i <= 9; ++i)
    if (m_HighScores[base + i] < score) return i;
  return -1;
}

String c_MyApp::p_MyNth() {
  static const char* const kWords[10] = {"1st!", "2nd", "3rd", "4th", "5th",
                                         "6th",  "7th", "8th", "9th", "10th"};
  // Outside play the panel fades over the menu after the game was recorded: the table then
  // holds the score itself, which would push it one place down, so the place it took stands.
  const int place = m_Mode < 10 ? m_NewHighRank : BestPlace(m_Score);
  m_Loop = place + 1;
  return place < 0 ? String() : String(kWords[place]);
}

// Records the finished game into both lists of its difficulty and saves at once.
int c_MyApp::p_LoadMenu() {
  const int base = 10 * (m_Difficulty - 1);
  m_NewHighRank = BestPlace(m_Score);
  if (base >= 0 && base <= 20) {
    int* best = &m_HighScores[base];
    int* recent = &m_HighScores[30 + base];
    if (m_NewHighRank >= 0) {
      for (int i = 9; i > m_NewHighRank; --i) best[i] = best[i - 1];
      best[m_NewHighRank] = m_Score;
    }
    for (int i = 9; i > 0; --i) recent[i] = recent[i - 1];
    recent[0] = m_Score;
  }
  p_Save();
  return 0;
}
