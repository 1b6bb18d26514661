#include "platform/trace.h"

#include <time.h>

#include <cstdio>
#include <cstdlib>

namespace {

const bool on = std::getenv("ZIPKIN_GAME_TRACE") != nullptr;
const char* frame_event = nullptr;

}  // namespace

void TraceMoment(const char* event) {
  if (!on) return;
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::printf("trace %s %.6f\n", event, static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9);
  std::fflush(stdout);
}

void TraceFrame(const char* event) {
  if (on) frame_event = event;
}

void TraceFrameShown() {
  if (!frame_event) return;
  TraceMoment(frame_event);
  frame_event = nullptr;
}
