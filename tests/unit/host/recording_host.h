// A host over the scripted window whose delegate records what reaches it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "fakes/glfw/fake_glfw.h"
#include "host/vel_glfw_game.h"
#include "runtime/gc.h"

// Records every delegate call as a short text ("start", "update", "key 1 432", ...).
class RecordingDelegate : public VelGameDelegate {
 public:
  std::vector<std::string> calls;
  // Runs inside each update, e.g. to move the clock as a slow frame would.
  std::function<void()> on_update;

  int count(const std::string& call) const {
    int n = 0;
    for (const std::string& c : calls) n += c == call;
    return n;
  }

  void StartGame() override { calls.push_back("start"); }
  void SuspendGame() override { calls.push_back("suspend"); }
  void ResumeGame() override { calls.push_back("resume"); }
  void UpdateGame() override {
    calls.push_back("update");
    if (on_update) on_update();
  }
  void RenderGame() override { calls.push_back("render"); }
  void KeyEvent(int event, int data) override {
    calls.push_back("key " + std::to_string(event) + " " + std::to_string(data));
  }
  void MouseEvent(int event, int data, float x, float y) override {
    calls.push_back("mouse " + std::to_string(event) + " " + std::to_string(data) + " " +
                    std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y)));
  }
  void TouchEvent(int event, int data, float, float) override {
    calls.push_back("touch " + std::to_string(event) + " " + std::to_string(data));
  }
  void MotionEvent(int event, int, float, float, float) override {
    calls.push_back("motion " + std::to_string(event));
  }
  void DiscardGraphics() override { calls.push_back("discard"); }
};

// Exposes the schedule and counts collector steps, each noted in the delegate's record as "gc".
class TestHost : public VelGlfwGame {
 public:
  RecordingDelegate* recorder = nullptr;
  int collector_steps = 0;

  double NextUpdate() const { return _nextUpdate; }
  bool Iconified() const { return _iconified; }

  void gc_collect() override {
    ++collector_steps;
    if (recorder) recorder->calls.push_back("gc");
    VelGlfwGame::gc_collect();
  }
};

// A fresh scripted window and a host with a recording delegate, installed as the one host.
struct HostFixtureState {
  TestHost host;
  RecordingDelegate* delegate;

  HostFixtureState() {
    static bool lists_ready = false;
    if (!lists_ready) {
      gc_init1();
      lists_ready = true;
    }
    fake_glfw::reset();
    delegate = new RecordingDelegate;
    static RecordingDelegate* root = nullptr;  // keeps the delegate alive across collector steps
    gc_register_root(&root);
    gc_assign(root, delegate);
    host.recorder = delegate;
    host.SetDelegate(delegate);
    VelGame::_game = &host;
    VelGlfwGame::_glfwGame = &host;
  }
  ~HostFixtureState() {
    VelGame::_game = nullptr;
    VelGlfwGame::_glfwGame = nullptr;
  }
};
