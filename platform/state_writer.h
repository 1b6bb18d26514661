// Saving the state file off the game thread. A durable write (the file and then its folder
// flushed to disk) takes milliseconds to tens of milliseconds, more than a frame can spare, so
// a writer thread of its own does it while the game runs on. Only the newest state waiting is
// written: an older one would be replaced at once anyway. A failed write prints
// "State Not Saved"; the previous state file then stays as it was.
#pragma once

#include <string>

// Hands the state over, as its UTF-8 bytes, and returns at once.
void SaveStateInBackground(std::string bytes);
// Returns once every state handed over is on disk or has failed. It also runs at exit, so that
// quitting right after a save keeps it.
void FinishStateSaves();
