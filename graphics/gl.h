// The OpenGL 1.x interface the renderer and surfaces draw through. Tests link a recording
// fake of these functions instead of the system's libGL.
#pragma once

#include <GL/gl.h>

#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif
