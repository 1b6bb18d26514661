// Moments of a run for measuring scripts (bench/game/startup.py, the end-to-end tests): with
// ZIPKIN_GAME_TRACE set in the environment, each event prints "trace <event> <seconds>" on
// standard output, the seconds read from CLOCK_MONOTONIC (the clock a script reads when it
// starts the process). Off by default, and then nothing but one flag test.
#pragma once

// The moment of `event` (a string that lives for the whole run): now.
void TraceMoment(const char* event);
// Names the frame being drawn; its moment is when it has been swapped to the screen, which the
// host reports with TraceFrameShown.
void TraceFrame(const char* event);
void TraceFrameShown();
