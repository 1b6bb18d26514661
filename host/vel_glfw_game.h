// VelGlfwGame: the host bound to GLFW (window, timer, events) and to this desktop's files.
#pragma once

#include "host/vel_game.h"

class VelGlfwGame : public VelGame {
 public:
  // kestrel://data/, kestrel://internal/ and kestrel://external/ map to ./data/, ./internal/
  // and ./external/; any other kestrel: path maps to nothing; other paths stay as they are.
  String PathToFilePath(String path) override;
  // Hands the address to xdg-open as one argument; no shell ever parses it.
  void OpenUrl(String url) override;

  // Decoded pixels of an image file (free() the block), or null. Defined by the graphics library.
  unsigned char* LoadImageData(String path, int* width, int* height, int* depth);
  // Decoded PCM of a WAV or Ogg Vorbis file (free() the block), or null. Defined by the audio
  // library.
  unsigned char* LoadAudioData(String path, int* length, int* channels, int* format, int* hertz);

  static VelGlfwGame* _glfwGame;
};

// Counts window creations; 0 while no GL context exists. A texture made under another value
// belongs to a context that is gone.
extern int _glfwGraphicsSeq;

// Completes a bare asset name into a data path: "gfx/a.png" becomes "kestrel://data/gfx/a.png".
String vel_data_FixDataPath(String path);
