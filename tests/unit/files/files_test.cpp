// The host's file side: path mapping, whole-file reads, the state file and its atomic save (also
// in the background), and opening addresses. Each test runs in a fresh temporary working folder.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/vel_glfw_game.h"
#include "platform/files.h"
#include "platform/state_writer.h"

namespace fs = std::filesystem;

namespace {

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
  EXPECT_EQ(game.LoadString(vel_data_FixDataPath(String("sfx/jump.wav"))).ToUtf8(), "J");
  EXPECT_EQ(game.OpenFile(String("kestrel://cache/x"), String("rb")), nullptr);
  // Surrogate pairs are combined (U+10FFFD is four bytes, the last plane's lead byte F4).
  WriteFile("\xC3\xA9\xE2\x82\xAC\xF4\x8F\xBF\xBD.txt", "W");
  const std::u16string name = u"\u00e9\u20ac\U0010FFFD.txt";
  EXPECT_EQ(game.LoadString(String(name.data(), static_cast<int>(name.size()))).ToUtf8(), "W");
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
  fs::create_directories("data/folder");
  fs::create_directories(".kestrelstate");
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
  // A shorter state replaces a longer one whole.
  EXPECT_EQ(game.SaveState(String("a much longer state than the next one")), 0);
  EXPECT_EQ(game.SaveState(String("old")), 0);
  EXPECT_EQ(ReadFile(".kestrelstate"), "old");

  // The temporary file cannot be opened, then the write fails (the file size limit stops it).
  fs::create_directory(".kestrelstate.tmp");
  EXPECT_EQ(game.SaveState(String("new")), -1);
  fs::remove(".kestrelstate.tmp");
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit;
  getrlimit(RLIMIT_FSIZE, &limit);
  rlimit tiny = {1, limit.rlim_max};
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

TEST_F(Files, OpenUrlPassesTheAddressAsOneArgumentWithNoShellBetween) {
  const std::string old_path = std::getenv("PATH");
  WriteFile("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > args.part && mv args.part args");
  fs::permissions("bin/xdg-open", fs::perms::owner_all);
  setenv("PATH", ((dir / "bin").string() + ":" + old_path).c_str(), 1);
  const std::string url = "http://x/?a=1;touch pwned&b=$(touch pwned) `touch pwned` 'q'";
  game.OpenUrl(String(url.c_str()));
  setenv("PATH", old_path.c_str(), 1);
  for (int i = 0; i < 500 && !fs::exists("args"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(ReadFile("args") == "1\n" + url + "\n" && !fs::exists("pwned"));
}

}  // namespace
