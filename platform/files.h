// This desktop's side of the host's file operations (platform/vel_game.h): the kestrel: path
// scheme, bare asset names and handing an address to the desktop.
#pragma once

#include "runtime/string.h"

// kestrel://data/, kestrel://internal/ and kestrel://external/ map to ./data/, ./internal/
// and ./external/; any other kestrel: path maps to nothing (the empty string); other paths
// stay as they are. VelGlfwGame::PathToFilePath is this mapping.
String MapKestrelPath(String path);

// Completes a bare asset name into a data path: "gfx/a.png" becomes "kestrel://data/gfx/a.png".
String vel_data_FixDataPath(String path);

// Hands the address to xdg-open as one argument; no shell ever parses it. Failure is ignored.
void XdgOpen(String url);
