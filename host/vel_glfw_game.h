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

  static VelGlfwGame* _glfwGame;
};

// Completes a bare asset name into a data path: "gfx/a.png" becomes "kestrel://data/gfx/a.png".
String vel_data_FixDataPath(String path);
