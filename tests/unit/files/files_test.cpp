// The host's file side: path mapping, whole-file reads, the state file and its atomic save,
// and opening addresses. Each test runs in a fresh temporary working directory of its own.
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

namespace fs = std::filesystem;

namespace {

String S(const std::u16string& s) { return String(s.data(), static_cast<int>(s.size())); }

void WriteFile(const fs::path& path, const std::string& bytes) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}
std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    old_dir = fs::current_path();
    char pattern[] = "/tmp/zipkin-files-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    fs::current_path(dir);
  }
  void TearDown() override {
    fs::current_path(old_dir);
    fs::remove_all(dir);
  }
  fs::path old_dir, dir;
  VelGlfwGame game;
};

TEST_F(Files, PathsMapByScheme) {
  const char* rows[][2] = {
      {"kestrel://data/sfx/jump.wav", "./data/sfx/jump.wav"},
      {"kestrel://internal/a", "./internal/a"}, {"kestrel://external/b/c", "./external/b/c"},
      {"kestrel://data/", "./data/"}, {"kestrel://cache/x", ""}, {"kestrel://data", ""},
      {"kestrel:", ""}, {"", ""}, {"Kestrel://data/x", "Kestrel://data/x"},
      {"tunes/a.png", "tunes/a.png"}, {"/abs/file", "/abs/file"}};
  for (auto& row : rows) EXPECT_EQ(game.PathToFilePath(String(row[0])).ToUtf8(), row[1]) << row[0];
  // Names become data paths unless they start with "./" or "/" or with a scheme ("x:/").
  const char* data[][2] = {
      {"gfx/ship.png", "kestrel://data/gfx/ship.png"}, {"./x", "./x"}, {"/x", "/x"},
      {"kestrel://data/x", "kestrel://data/x"}, {"a:b/c", "kestrel://data/a:b/c"},
      {"a/b:/c", "kestrel://data/a/b:/c"}};
  for (auto& row : data) EXPECT_EQ(vel_data_FixDataPath(String(row[0])).ToUtf8(), row[1]) << row[0];

  WriteFile("data/sfx/jump.wav", "J");
  WriteFile("kestrel:/cache/x", "C");  // what the unmapped text would name, taken literally
  EXPECT_EQ(game.LoadString(vel_data_FixDataPath(String("sfx/jump.wav"))).ToUtf8(), "J");
  EXPECT_EQ(game.OpenFile(String("kestrel://cache/x"), String("rb")), nullptr);
  // UTF-16 paths reach the file system as UTF-8, surrogate pairs combined.
  WriteFile("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80.txt", "W");
  EXPECT_EQ(game.LoadString(S(u"\u00e9\u20ac\U0001F600.txt")).ToUtf8(), "W");
}

TEST_F(Files, LoadDataReadsWholeFiles) {
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
}

TEST_F(Files, UnreadablePathsGiveNothing) {
  fs::create_directories("data/folder");
  for (const char* path : {"missing.txt", "kestrel://data/missing", "kestrel://data/folder", "data", "",
                           "kestrel://cache/x"}) {
    int length = -1;
    EXPECT_EQ(game.LoadData(String(path), &length), nullptr) << path;
    EXPECT_EQ(length, -1);
    EXPECT_EQ(game.LoadString(String(path)).rep, &String::nullRep) << path;
    EXPECT_EQ(game.OpenFile(String(path), String("rb")), nullptr) << path;
  }
  EXPECT_EQ(game.LoadState().rep, &String::nullRep);
  fs::create_directories(".kestrelstate");
  EXPECT_EQ(game.LoadState().rep, &String::nullRep);
}

TEST_F(Files, StateRoundTripsAndFailedSavesKeepTheEarlierState) {
  EXPECT_EQ(game.SaveState(S(u"\u00e9")), 0);
  EXPECT_EQ(ReadFile(".kestrelstate"), "\xC3\xA9");
  EXPECT_TRUE(game.LoadState() == S(u"\u00e9"));
  EXPECT_FALSE(fs::exists(".kestrelstate.tmp"));
  // A shorter state replaces a longer one whole; an empty one leaves an empty file.
  EXPECT_EQ(game.SaveState(String("a much longer state than the next one")), 0);
  EXPECT_EQ(game.SaveState(String("ab")), 0);
  EXPECT_EQ(ReadFile(".kestrelstate"), "ab");
  EXPECT_EQ(game.SaveState(String()), 0);
  EXPECT_TRUE(fs::exists(".kestrelstate") && fs::file_size(".kestrelstate") == 0u);
  EXPECT_EQ(game.LoadState().rep, &String::nullRep);

  // A failed save leaves the earlier state. First the temporary file cannot be opened.
  ASSERT_EQ(game.SaveState(String("old")), 0);
  fs::create_directory(".kestrelstate.tmp");
  EXPECT_EQ(game.SaveState(String("new")), -1);
  EXPECT_EQ(ReadFile(".kestrelstate"), "old");
  fs::remove(".kestrelstate.tmp");

  // The write fails after opening: the file size limit stops it.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit;
  getrlimit(RLIMIT_FSIZE, &limit);
  rlimit tiny = limit;
  tiny.rlim_cur = 1;
  setrlimit(RLIMIT_FSIZE, &tiny);
  EXPECT_EQ(game.SaveState(String("new")), -2);
  setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_EQ(ReadFile(".kestrelstate"), "old");
  EXPECT_FALSE(fs::exists(".kestrelstate.tmp"));

  // A link planted at the temporary's name is replaced, not followed, and a state file kept
  // private stays private.
  WriteFile("victim", "v");
  ASSERT_EQ(symlink("victim", ".kestrelstate.tmp"), 0);
  ASSERT_EQ(chmod(".kestrelstate", 0600), 0);
  EXPECT_EQ(game.SaveState(String("new")), 0);
  EXPECT_EQ(ReadFile("victim"), "v");
  EXPECT_FALSE(fs::is_symlink(".kestrelstate"));
  EXPECT_EQ(ReadFile(".kestrelstate"), "new");
  EXPECT_EQ(fs::status(".kestrelstate").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_EQ(game.SaveState(String("old")), 0);

  // The rename fails: the state path is a directory, which stays as it was.
  fs::remove(".kestrelstate");
  WriteFile(".kestrelstate/keep", "k");
  EXPECT_EQ(game.SaveState(String("new")), -2);
  EXPECT_EQ(ReadFile(".kestrelstate/keep"), "k");
  EXPECT_FALSE(fs::exists(".kestrelstate.tmp"));
}

TEST_F(Files, OpenUrlPassesTheAddressAsOneArgument) {
  // A stand-in xdg-open that records its arguments.
  const std::string log = (dir / "args.log").string();
  WriteFile("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > " + log + ".part && mv " + log + ".part " +
                                log + "\n");
  fs::permissions("bin/xdg-open", fs::perms::owner_all);
  const std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", ((dir / "bin").string() + ":" + old_path).c_str(), 1);

  const std::string url = "http://x/?a=1;touch pwned&b=$(touch pwned2) `touch pwned3` 'q'";
  game.OpenUrl(String(url.c_str()));
  for (int i = 0; i < 500 && !fs::exists(log.c_str()); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadFile(log), "1\n" + url + "\n");
  EXPECT_FALSE(fs::exists("pwned") || fs::exists("pwned2") || fs::exists("pwned3"));

  // Without any xdg-open on the path the request is dropped quietly.
  setenv("PATH", (dir / "nothing").c_str(), 1);
  game.OpenUrl(String("http://example.org/"));
  setenv("PATH", old_path.c_str(), 1);
}

}  // namespace
