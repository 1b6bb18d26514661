// The state writer: one thread, one waiting state, a lock and a condition around them.
#include "platform/state_writer.h"

#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/vel_game.h"

namespace {

struct Writer {
  std::mutex lock;
  std::condition_variable changed;
  std::string waiting;
  bool pending = false;  // `waiting` holds a state to write
  bool writing = false;
  // The process whose writer thread runs: a forked child starts its own.
  pid_t process = 0;
};

// Never destroyed: the writer thread may still wait on it while the process exits.
Writer& writer() {
  static Writer* w = new Writer;
  return *w;
}

void write_states() {
  Writer& w = writer();
  std::unique_lock<std::mutex> hold(w.lock);
  for (;;) {
    w.changed.wait(hold, [&w] { return w.pending; });
    const std::string bytes = std::move(w.waiting);
    w.pending = false;
    w.writing = true;
    hold.unlock();
    if (VelGame::WriteState(bytes) < 0) {
      std::fputs("State Not Saved\n", stdout);
      std::fflush(stdout);
    }
    hold.lock();
    w.writing = false;
    w.changed.notify_all();
  }
}

}  // namespace

void SaveStateInBackground(std::string bytes) {
  Writer& w = writer();
  std::lock_guard<std::mutex> hold(w.lock);
  if (w.process != getpid()) {
    if (w.process == 0) std::atexit(FinishStateSaves);
    w.process = getpid();
    std::thread(write_states).detach();
  }
  w.waiting = std::move(bytes);
  w.pending = true;
  w.changed.notify_all();
}

void FinishStateSaves() {
  Writer& w = writer();
  std::unique_lock<std::mutex> hold(w.lock);
  w.changed.wait(hold, [&w] { return !w.pending && !w.writing; });
}
