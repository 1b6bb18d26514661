// The one window and its GL context, opened through the GLFW 2 interface (platform/glfw2.h).
#pragma once

// Counts window creations; 0 while no GL context exists. A texture made under another value
// belongs to a context that is gone.
extern int _glfwGraphicsSeq;

// Closes any open window and opens one with the given size and bits, fullscreen or not, and
// counts it in _glfwGraphicsSeq. A display that refuses the fullscreen mode still gets the
// game, in a 640x480 window. Every window is titled (task switchers show fullscreen windows
// too); one that is not fullscreen is centred on the desktop. Key repeat is turned on and
// automatic event polling off; callbacks are the caller's. Returns true when the window that
// opened is fullscreen.
bool OpenGameWindow(int width, int height, int red, int green, int blue, int alpha, int depth,
                    int stencil, bool fullscreen);
