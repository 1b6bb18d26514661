// The host loop over the scripted window and the test clock, the guarded forwarding of host
// events to the delegate, and the host's file side: path mapping, whole-file reads, the state file
// and its atomic save (also in the background), each file test in a fresh temporary working folder.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "fakes/glfw/fake_glfw.h"
#include "host/vel_glfw_game.h"
#include "platform/files.h"
#include "platform/state_writer.h"
#include "platform/window.h"
#include "runtime/gc.h"

namespace fs = std::filesystem;

namespace {

const double kPeriod = 1.0 / 60;
using Calls = std::vector<std::string>;
using Ints = std::vector<int>;

// Records every delegate call as a short text ("start", "update", "key 1 432", ...).
class RecordingDelegate : public VelGameDelegate {
 public:
  Calls calls;
  std::function<void()> during_update;  // runs inside UpdateGame, after it is recorded

  void add(const char* call, int a, int b) {
    calls.push_back(call + (" " + std::to_string(a)) + " " + std::to_string(b));
  }
  void StartGame() override { calls.push_back("start"); }
  void SuspendGame() override { calls.push_back("suspend"); }
  void ResumeGame() override { calls.push_back("resume"); }
  void UpdateGame() override { calls.push_back("update"); if (during_update) during_update(); }
  void RenderGame() override { calls.push_back("render"); }
  void KeyEvent(int event, int data) override { add("key", event, data); }
  void MouseEvent(int event, int data, float, float) override { add("mouse", event, data); }
  void TouchEvent(int event, int data, float, float) override { add("touch", event, data); }
  void MotionEvent(int e, int data, float, float, float) override { add("motion", e, data); }
  void DiscardGraphics() override { calls.push_back("discard"); }
};

RecordingDelegate* g_recorder = nullptr;  // a root: keeps the delegate alive across collections

// Exposes the schedule and notes each collector step in the record as "gc".
class TestHost : public VelGlfwGame {
 public:
  double NextUpdate() const { return _nextUpdate; }
  void gc_collect() override { g_recorder->calls.push_back("gc"), VelGlfwGame::gc_collect(); }
};

class LoopTest : public ::testing::Test {
 protected:
  TestHost host;
  Calls& calls = (Install(), g_recorder->calls);
  fake_glfw::State& window = fake_glfw::state();

  // A fresh scripted window and a recording delegate; the host installed as the one host.
  void Install() {
    static bool lists_ready = (gc_init1(), gc_register_root(&g_recorder), true);
    (void)lists_ready;
    fake_glfw::reset();
    gc_assign(g_recorder, new RecordingDelegate);
    host.SetDelegate(g_recorder);
    VelGame::_game = VelGlfwGame::_glfwGame = &host;
  }
  ~LoopTest() override { VelGame::_game = VelGlfwGame::_glfwGame = nullptr; }

  // Opens the window, starts and renders once, then forgets those calls.
  void Begin(int rate) { host.BeginRun(), host.SetUpdateRate(rate), calls.clear(); }
  int Count(const char* call) { return std::count(calls.begin(), calls.end(), call); }
  void Passes(int n) {
    for (int i = 0; i < n; ++i) ASSERT_TRUE(host.RunPass());
  }
};

TEST_F(LoopTest, RunOpensACentredTitledWindowStartsAndRendersUntilTheWindowGoes) {
  window.desktop = GLFWvidmode{1921, 1081, 8, 8, 8};
  fake_glfw::at_next_event_call([] { fake_glfw::state().window_open = false; });
  host.Run();
  EXPECT_EQ((Ints{window.opens, window.width, window.height, window.mode, window.pos_x, window.pos_y}),
            (Ints{1, 640, 480, GLFW_WINDOW, (1921 - 640) / 2, (1081 - 480) / 2}));
  // Repeats arrive as presses; events only arrive while the loop polls or waits.
  EXPECT_TRUE(window.title == "Zipkin in Direv" && window.key_repeat && !window.auto_poll);
  EXPECT_EQ((Calls{"start", "gc", "render", "gc"}), calls);
}

TEST_F(LoopTest, EarlyPassesSleepTheRemainingTimeAndLateOnesCatchUpWithAtMostFourUpdates) {
  Begin(60);
  window.time = 0.004;
  Passes(1);
  EXPECT_NEAR(window.slept, kPeriod - 0.004, 1e-12);
  EXPECT_TRUE(calls.empty());  // sleeping passes neither update nor render
  // How late the pass is, the updates it runs, and when the next one is due.
  for (auto [late, updates, due] : {std::tuple{0.0, 1, 2 * kPeriod}, {2.5 * kPeriod, 3, 4 * kPeriod},
                                    {0.100, 4, kPeriod + 0.100}}) {  // a stall's backlog is dropped
    window.time = 0, host.SetUpdateRate(60), calls.clear();
    window.time = kPeriod + late;
    Passes(1);
    EXPECT_EQ((Ints{Count("update"), Count("render"), window.sleeps}), (Ints{updates, 1, 1})) << late;
    EXPECT_NEAR(host.NextUpdate(), due, 1e-12) << late;
  }
}

TEST_F(LoopTest, RateZeroRendersOncePerEventAndTheCloseButtonOnlySendsTheCloseKey) {
  Begin(0);
  for (int i = 0; i < 5; ++i) {
    fake_glfw::at_next_event_call([] {});                                // the poll
    fake_glfw::at_next_event_call([] { fake_glfw::mouse_move(3, 4); });  // the wait
  }
  window.time = 10;
  Passes(5);
  EXPECT_EQ((Ints{Count("update"), Count("render"), Count("mouse 6 -1"), window.waits, window.sleeps}),
            (Ints{0, 5, 5, 5, 0}));
  calls.clear();
  fake_glfw::at_next_event_call([] { EXPECT_EQ(fake_glfw::close_request(), 0); });
  Passes(1);
  EXPECT_TRUE(window.window_open);
  EXPECT_EQ((Calls{"key 1 432", "gc", "key 2 432", "gc", "render", "gc"}), calls);
}

TEST_F(LoopTest, InactiveWindowsSuspendOnceAndRenderPerEventUnlessMinimised) {
  Begin(60);
  window.active = false;  // focus lost: suspended, still rendering once per event
  Passes(4);
  window.iconified = true;  // then minimised: no more rendering, no second suspend
  Passes(3);
  EXPECT_EQ((Ints{Count("suspend"), Count("render"), Count("update"), window.waits}), (Ints{1, 4, 0, 7}));
  // Focus back: one resume, and the first update is due at once, without sleeping first; then
  // minimised straight from running: one suspend and no rendering.
  window.iconified = false, window.active = true, window.time = 50.0;
  calls.clear();
  Passes(1);
  window.iconified = true, window.active = false;
  Passes(5);
  EXPECT_EQ((Calls{"resume", "gc", "update", "gc", "render", "gc", "suspend", "gc"}), calls);
  EXPECT_EQ(window.sleeps, 0);
}

TEST_F(LoopTest, ReopeningTheWindowReleasesHeldKeysAndCountsTheNewContext) {
  Begin(60);
  const int seq = _glfwGraphicsSeq;
  for (int key : {int{'A'}, GLFW_KEY_LSHIFT, GLFW_KEY_RALT, GLFW_KEY_F1}) window.keys[key] = true;
  EXPECT_TRUE(host.SetGlfwWindow(1280, 1024, 8, 8, 8, 0, 0, 0, true));
  // Right Alt translates to nothing, so it gets no release; task switchers list fullscreen
  // windows too, so the title stays.
  EXPECT_EQ((Calls{"key 2 65", "gc", "key 2 112", "gc", "key 2 16", "gc"}), calls);
  EXPECT_EQ((Ints{_glfwGraphicsSeq, window.closes, window.mode, window.title == "Zipkin in Direv"}),
            (Ints{seq + 1, 1, GLFW_FULLSCREEN, 1}));
  // A window change inside an update releases the keys as events of their own, but with no
  // collector step until the update's: the update's locals are no roots.
  g_recorder->during_update = [this] { host.SetGlfwWindow(640, 480, 8, 8, 8, 0, 0, 0, false); };
  calls.clear();
  host.UpdateGame();
  EXPECT_EQ((Calls{"update", "key 2 65", "key 2 112", "key 2 16", "gc"}), calls);
  // A refused fullscreen mode falls back to a window.
  window.refused_modes = {GLFW_FULLSCREEN};
  EXPECT_FALSE(host.SetGlfwWindow(1280, 1024, 8, 8, 8, 0, 0, 0, true));
  EXPECT_EQ((Ints{window.window_open, window.mode, window.width, window.height}),
            (Ints{1, GLFW_WINDOW, 640, 480}));
}

TEST_F(LoopTest, ClockDateAndDesktopMode) {
  window.time = 1.2349;
  EXPECT_EQ(host.Millisecs(), 1234);
  window.time = 4294967.296 + 0.0015;  // past the 32-bit range the count wraps
  EXPECT_EQ(host.Millisecs(), 1);
  Array<int> date(8);  // year, month, day, hour, minute, second, 0; the rest left alone
  date[7] = -1;
  std::tm local;
  const std::time_t now = (host.GetDate(date), std::time(nullptr));
  localtime_r(&now, &local);
  EXPECT_EQ((Ints{date[0], date[1], date[2], date[6], date[7]}),
            (Ints{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 0, -1}));
  window.desktop = GLFWvidmode{1600, 900, 8, 5, 6};  // blue 5 before green 6
  VelGlfwVideoMode* desktop = host.GetGlfwDesktopMode();
  EXPECT_EQ((Ints{desktop->width, desktop->height, desktop->green, desktop->blue}), (Ints{1600, 900, 6, 5}));
}

TEST_F(LoopTest, ForwardingReachesTheDelegateOnlyWhenTheStateAllowsWithACollectorStepEach) {
  auto send_everything = [this] {
    host.SuspendGame(), host.ResumeGame(), host.UpdateGame(), host.RenderGame(), host.KeyEvent(1, 65);
    host.MouseEvent(4, 0, 1, 2), host.TouchEvent(7, 3, 1, 2), host.MotionEvent(10, 0, 1, 2, 3);
    host.DiscardGraphics();
  };
  send_everything();  // before start: nothing, not even a collector step
  EXPECT_EQ(calls, Calls());
  host.StartGame(), host.StartGame();  // starts once
  send_everything();
  EXPECT_EQ((Calls{"start",       "gc", "suspend",  "gc", "resume",    "gc", "update",    "gc",
                   "render",      "gc", "key 1 65", "gc", "mouse 4 0", "gc", "touch 7 3", "gc",
                   "motion 10 0", "gc", "discard",  "gc"}),
            calls);
  // Suspended games render and take input but never update; repeats are not forwarded.
  calls.clear();
  host.SuspendGame(), host.SuspendGame(), host.UpdateGame(), host.RenderGame(), host.KeyEvent(2, 65);
  host.ResumeGame(), host.ResumeGame(), host.UpdateGame();
  EXPECT_EQ((Calls{"suspend", "gc", "render", "gc", "key 2 65", "gc", "resume", "gc", "update", "gc"}), calls);
}

// A delegate referenced only by the host (no module global) survives collection.
TEST_F(LoopTest, TheDelegateHeldByTheHostSurvivesCollection) {
  static bool alive = false;
  struct Counted : VelGameDelegate {
    ~Counted() override { alive = false; }
  };
  host.SetDelegate((alive = true, new Counted));
  for (int i = 0; i < 2 * 9 * 1024; ++i) Array<int>(256), host.gc_collect();  // two cycles' garbage
  EXPECT_TRUE(alive);
  host.SetDelegate(g_recorder);
}

class Thrown : public ThrowableObject {};
class Thrower : public VelGameDelegate {
  void UpdateGame() override { throw static_cast<ThrowableObject*>(new Thrown); }
};

using LoopDeathTest = LoopTest;

TEST_F(LoopDeathTest, AnEscapingRuntimeExceptionOrNoWindowAtAllEndsWith255) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  auto throw_in_update = [this] {
    dup2(STDERR_FILENO, STDOUT_FILENO);  // the report goes to standard output
    host.SetDelegate(new Thrower), host.StartGame(), host.UpdateGame();
  };
  EXPECT_EXIT(throw_in_update(), ::testing::ExitedWithCode(255),
              "Kestrel Runtime Error : Uncaught Kestrel Exception");
  window.refused_modes = {GLFW_WINDOW, GLFW_FULLSCREEN};
  EXPECT_FALSE(host.BeginRun());
  EXPECT_EQ(calls, Calls());  // no start and no render without a GL context
  EXPECT_EXIT(host.Run(), ::testing::ExitedWithCode(255), "");
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}
std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zipkin-files-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    fs::current_path(dir);
  }
  void TearDown() override {
    fs::current_path(old_dir);
    fs::remove_all(dir);
  }
  fs::path old_dir = fs::current_path(), dir;
  VelGlfwGame game;
};

TEST_F(Files, PathsMapBySchemeAndReachTheFileSystemAsUtf8) {
  const char* rows[][2] = {
      {"kestrel://data/sfx/jump.wav", "./data/sfx/jump.wav"}, {"kestrel://internal/a", "./internal/a"},
      {"kestrel://external/b/c", "./external/b/c"}, {"kestrel://data/", "./data/"}, {"kestrel://cache/x", ""},
      {"kestrel://data", ""}, {"kestrel:", ""}, {"", ""}, {"Kestrel://data/x", "Kestrel://data/x"},
      {"/abs/file", "/abs/file"}};
  for (auto& row : rows) EXPECT_EQ(game.PathToFilePath(String(row[0])).ToUtf8(), row[1]) << row[0];
  // Names become data paths unless they start with "./" or "/" or with a scheme ("x:/").
  const char* data[][2] = {{"gfx/ship.png", "kestrel://data/gfx/ship.png"}, {"./x", "./x"}, {"/x", "/x"},
                           {"kestrel://data/x", "kestrel://data/x"}, {"a:b/c", "kestrel://data/a:b/c"},
                           {"a/b:/c", "kestrel://data/a/b:/c"}};
  for (auto& row : data) EXPECT_EQ(vel_data_FixDataPath(String(row[0])).ToUtf8(), row[1]) << row[0];

  WriteFile("data/sfx/jump.wav", "J");
  WriteFile("kestrel:/cache/x", "C");  // what the unmapped text would name, taken literally
  // Surrogate pairs are combined (U+10FFFD is four bytes, the last plane's lead byte F4).
  WriteFile("\xC3\xA9\xE2\x82\xAC\xF4\x8F\xBF\xBD.txt", "W");
  const std::u16string name = u"\u00e9\u20ac\U0010FFFD.txt";
  EXPECT_EQ(game.LoadString(vel_data_FixDataPath(String("sfx/jump.wav"))).ToUtf8() +
                game.LoadString(String(name.data(), static_cast<int>(name.size()))).ToUtf8(), "JW");
  EXPECT_EQ(game.OpenFile(String("kestrel://cache/x"), String("rb")), nullptr);
}

TEST_F(Files, WholeFilesAreReadAndUnreadablePathsGiveNothing) {
  for (int size : {0, 1, 4095, 4096, 8192, 10000}) {
    std::string bytes(size, '\0');
    for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + size);
    WriteFile("data/blob", bytes);
    int length = -1;
    unsigned char* data = game.LoadData(String("kestrel://data/blob"), &length);
    ASSERT_NE(data, nullptr) << size;
    EXPECT_TRUE(length == size && std::memcmp(data, bytes.data(), size) == 0) << size;
    std::free(data);
  }
  fs::create_directories("data/folder"), fs::create_directories(".kestrelstate");
  for (const char* path : {"missing.txt", "kestrel://data/folder", "data", "", "kestrel://cache/x"}) {
    int length = -1;
    EXPECT_TRUE(game.LoadData(String(path), &length) == nullptr && length == -1) << path;
    EXPECT_EQ(game.LoadString(String(path)).rep, &String::nullRep) << path;
  }
  EXPECT_EQ(game.LoadState().rep, &String::nullRep);
}

TEST_F(Files, StateRoundTripsAndFailedSavesKeepTheEarlierState) {
  EXPECT_EQ(game.SaveState(String("\xE9")), 0);  // U+FFE9 as UTF-8
  EXPECT_TRUE(ReadFile(".kestrelstate") == "\xEF\xBF\xA9" && !fs::exists(".kestrelstate.tmp"));
  EXPECT_TRUE(game.LoadState() == String("\xE9"));
  EXPECT_EQ(game.SaveState(String("old")), 0);

  // The temporary file cannot be opened, then the write fails (the file size limit stops it).
  fs::create_directory(".kestrelstate.tmp");
  EXPECT_EQ(game.SaveState(String("new")), -1);
  fs::remove(".kestrelstate.tmp");
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit;
  getrlimit(RLIMIT_FSIZE, &limit);
  const rlimit tiny = {1, limit.rlim_max};
  setrlimit(RLIMIT_FSIZE, &tiny);
  EXPECT_EQ(game.SaveState(String("new")), -2);
  setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_TRUE(ReadFile(".kestrelstate") == "old" && !fs::exists(".kestrelstate.tmp"));

  // A link planted at the temporary's name is replaced, not followed, and a private state file
  // stays private.
  WriteFile("victim", "v");
  ASSERT_EQ(symlink("victim", ".kestrelstate.tmp"), 0);
  ASSERT_EQ(chmod(".kestrelstate", 0600), 0);
  EXPECT_EQ(game.SaveState(String("new")), 0);
  EXPECT_TRUE(ReadFile("victim") == "v" && !fs::is_symlink(".kestrelstate") && ReadFile(".kestrelstate") == "new");
  EXPECT_EQ(fs::status(".kestrelstate").permissions(), fs::perms::owner_read | fs::perms::owner_write);

  // The rename fails: the state path is a directory, which stays as it was.
  fs::remove(".kestrelstate");
  WriteFile(".kestrelstate/keep", "k");
  EXPECT_EQ(game.SaveState(String("new")), -2);
  EXPECT_TRUE(ReadFile(".kestrelstate/keep") == "k" && !fs::exists(".kestrelstate.tmp"));
}

TEST_F(Files, BackgroundSavesWriteTheLastStateAndFinishBeforeExit) {
  FinishStateSaves();  // nothing saved yet: returns at once
  ::testing::FLAGS_gtest_death_test_style = "fast";  // the child shares this working folder
  EXPECT_EXIT((SaveStateInBackground("at exit"), std::exit(0)), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFile(".kestrelstate"), "at exit");
  SaveStateInBackground("first");
  SaveStateInBackground("second");
  FinishStateSaves();
  EXPECT_EQ(ReadFile(".kestrelstate"), "second");
}

TEST_F(Files, OpenUrlHandsTheAddressToXdgOpenAsOneArgumentWithoutAShell) {
  WriteFile("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > args.part && mv args.part args\n");
  fs::permissions("bin/xdg-open", fs::perms::owner_all);
  const std::string path = std::getenv("PATH"), url = "http://x/?a=1;touch p1&b=$(touch p2) `touch p3`";
  setenv("PATH", ((dir / "bin").string() + ":" + path).c_str(), 1);
  game.OpenUrl(String(url.c_str()));
  for (int i = 0; i < 500 && !fs::exists("args"); ++i) usleep(10000);
  EXPECT_EQ(ReadFile("args"), "1\n" + url + "\n");
  EXPECT_FALSE(fs::exists("p1") || fs::exists("p2") || fs::exists("p3"));
  setenv("PATH", (dir / "none").c_str(), 1);  // no xdg-open at all: the request is dropped quietly
  game.OpenUrl(String("http://example.org/"));
  setenv("PATH", path.c_str(), 1);
}

}  // namespace
