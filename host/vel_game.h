// VelGame: the platform-neutral host. It owns the file side of the runtime (paths, whole-file
// reads, the state file) and, with VelGlfwGame, the window and the fixed-rate loop.
#pragma once

#include <cstdio>

#include "runtime/object.h"
#include "runtime/string.h"

class VelGame {
 public:
  VelGame() = default;
  virtual ~VelGame() = default;

  // Files. Paths go through PathToFilePath; an empty mapped path never opens.
  virtual String PathToFilePath(String path);
  virtual FILE* OpenFile(String path, String mode);
  // The whole file decoded as text (see String::Load); the empty string when it cannot be read.
  virtual String LoadString(String path);
  // The whole file in one malloc'ed block (release with free) and its size; null when it
  // cannot be read.
  virtual unsigned char* LoadData(String path, int* length);
  // Writes the state string as UTF-8 to the state file, atomically: 0 when it is on disk,
  // -1 when the temporary file cannot be opened, -2 for any later failure (the previous state
  // file is then left as it was).
  virtual int SaveState(String state);
  virtual String LoadState();
  virtual void OpenUrl(String url);

  // The state file, relative to the working directory, and its temporary twin.
  static const char* const kStateFile;
  static const char* const kStateTempFile;

  static VelGame* _game;
};
