// What the game remembers: the score lists, the badge pop-ups and box, and the state file.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "harness/game_harness.h"
#include "platform/state_writer.h"

namespace {

struct Scores : testing::Test {
  // Records a game; the rank word for it, alike in play and in the menu afterwards.
  std::string Record(int difficulty, int score) {
    app->m_Difficulty = difficulty;
    app->m_Score = score;
    app->m_Mode = 10;
    const String word = app->p_MyNth();
    app->p_LoadMenu();
    app->m_Mode = 1;
    EXPECT_TRUE(app->p_MyNth() == word) << score;
    return word.ToUtf8();
  }
  std::vector<int> List(int from) {
    return std::vector<int>(&app->m_HighScores[from], &app->m_HighScores[from] + 10);
  }
  std::string Saved() {
    FinishStateSaves();
    return std::string(std::istreambuf_iterator<char>(std::ifstream(".kestrelstate").rdbuf()), {});
  }
  // What p_Load prints for `line` over a new game's fields (options 12 and 14 at 7 and 5).
  std::string Load(const std::string& line) {
    for (int i = 0; i < 60; ++i) app->m_HighScores[i] = 0;
    for (int n = 0; n < 256; ++n) app->m_BadgeFlags[n] = false;
    for (int i = 0; i < 25; ++i) app->m_Options[i] = i == 5 ? 1 : i == 12 ? 7 : i == 14 ? 5 : 0;
    std::ofstream(".kestrelstate", std::ios::binary) << line;
    testing::internal::CaptureStdout();
    app->p_Load();
    return testing::internal::GetCapturedStdout();
  }
  GameHarness game;
  c_MyApp* app = game.app();
};

}  // namespace

TEST_F(Scores, AGameGoesBelowEqualScoresTenGamesFillTheRecentListAndEachIsSaved) {
  for (int i = 0; i < 3; ++i) app->m_HighScores[10 + i] = 500 - 100 * i;
  EXPECT_EQ((std::vector<std::string>{Record(2, 400), Record(2, 0), Record(2, 1000), Record(1, 5)}),
            (std::vector<std::string>{"3rd", "", "1st!", "1st!"}));
  for (int game = 1; game <= 10; ++game) Record(3, 7 * game);
  EXPECT_EQ(Record(3, 7), "");  // equal to the tenth: no place; the oldest recent score drops
  EXPECT_EQ(List(0)[0], 5);
  EXPECT_EQ(List(10), (std::vector<int>{1000, 500, 400, 400, 300, 0, 0, 0, 0, 0}));
  EXPECT_EQ(List(20), (std::vector<int>{70, 63, 56, 49, 42, 35, 28, 21, 14, 7}));
  EXPECT_EQ(List(50), (std::vector<int>{7, 70, 63, 56, 49, 42, 35, 28, 21, 14}));
  EXPECT_EQ(Saved(), app->StateString().ToUtf8());
}

TEST_F(Scores, ABadgePopupSlidesInIsFullyInFromCount10To230AndLeaves) {
  app->m_BadgePopupTime[0] = 1;  // badge 0
  for (int count = 2; count <= 241; ++count) {
    app->p_CLS2D();
    app->p_ShowBadges();
    // The panel in the bottom row, "Test Badge" in 9 glyphs, then the icon.
    const float *panel = &app->m_DrawList[0], *icon = &app->m_DrawList[app->m_DrawCount - 15];
    EXPECT_EQ(panel[1] == 0.0f, count >= 10 && count <= 230) << count;
    EXPECT_EQ((std::vector<float>{icon[0], icon[1], icon[2], float(app->m_DrawCount)}),
              (std::vector<float>{80, panel[1] + 144, vel_Game_jscrh - 18, 11 * 15}));
  }
  EXPECT_EQ(app->m_BadgePopupTime[0], 0);
}

TEST_F(Scores, ASavedLineLoadsBackADamagedSectionAloneFallsBackAndBadFilesLoadAsANewGame) {
  Load("");
  app->p_Save();
  std::string first = "0|0|0|0|0|1|0|0|0|0|64|64|10|0|1|";
  for (int i = 0; i < 83; ++i) first += i == 10 ? "1483|" : "0|";
  EXPECT_EQ(Saved(), first);

  for (int i = 0; i < 25; ++i) app->m_Options[i] = i == 12 ? 8 : (i == 14 ? 1 : 64 + 37 * i);
  for (int n = 0; n < 256; ++n) app->m_BadgeFlags[n] = n % 3 == 0 || n == 31;
  for (int i = 0; i < 60; ++i) app->m_HighScores[i] = 1000003 * i;
  app->p_Save();
  const std::string good = Saved();
  const Array<String> parts = String(good.c_str()).Split(String("|"));
  EXPECT_EQ(parts[26][0], '-');  // bit 31 of badge word 0
  const char* const kLoaded[] = {"Settings Loaded\n", "Badges Loaded\n", "Highscore 0 Loaded\n",
                                 "Highscore 1 Loaded\n", "Highscore 2 Loaded\n"};
  // One part edited by hand: none, an option, a badge word, a score of table 1.
  const struct { int part, section; const char *text, *message; } cases[] = {
      {-1, -1, "", ""}, {3, 0, "4", "Settings Checksum Invalid\n"},
      {27, 1, "-1", "Badge Checksum Invalid\n"}, {58, 3, "x", "Highscore 1 Checksum Invalid\n"}};
  for (const auto& c : cases) {
    std::string line, printed;
    for (int i = 0; i < 98; ++i) line += (i == c.part ? c.text : parts[i].ToUtf8()) + "|";
    for (int s = 0; s < 5; ++s) printed += s == c.section ? c.message : kLoaded[s];
    EXPECT_EQ(Load(line), printed);
    EXPECT_EQ((std::vector<int>{app->StateString().ToUtf8() == good, app->m_Options[20],
                                app->m_BadgeFlags[3], app->m_HighScores[45]}),
              (std::vector<int>{c.section < 0, c.section == 0 ? 0 : 64 + 37 * 20, c.section != 1,
                                c.section == 3 ? 0 : 1000003 * 45}));
  }

  Load(first.substr(0, 16));  // cut short: a new game
  EXPECT_EQ(app->StateString().ToUtf8(), first);
}

// Run by the end-to-end tests. A child saves in a loop until killed at a random moment; the file
// left behind must load whole. The first child saves once and quits at once: that save stays.
TEST_F(Scores, DISABLED_KillNineMidSaveNeverLeavesAFileThatFailsToLoad) {
  Load("");
  int midSave = 0;
  for (int k = 0; k <= 300; ++k) {
    const pid_t child = fork();
    for (int n = 1; child == 0; ++n) {
      app->m_HighScores[n % 60] = app->m_Options[20] = n;
      app->m_BadgeFlags[n % 256] = !app->m_BadgeFlags[n % 256];
      app->p_Save();
      if (k == 0) std::exit(0);
      FinishStateSaves();
    }
    usleep(rand() % 4000);
    if (k > 0) kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    midSave += std::remove(".kestrelstate.tmp") == 0;
    const std::string saved = Saved();
    ASSERT_EQ((Load(saved), app->StateString().ToUtf8()), saved) << k;
  }
  std::printf("%d of 300 kills landed mid-save\n", midSave);
  EXPECT_GT(midSave, 0);
}
