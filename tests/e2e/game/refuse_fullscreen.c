/* Preloaded into the real game (LD_PRELOAD) to play a window system that refuses every
   fullscreen window: GLFW 3's window creation fails for a window on a monitor, and works as
   ever for the others. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stddef.h>

typedef void* (*CreateWindow)(int width, int height, const char* title, void* monitor,
                              void* share);

void* glfwCreateWindow(int width, int height, const char* title, void* monitor, void* share) {
  if (monitor) return NULL;
  CreateWindow create = (CreateWindow)dlsym(RTLD_NEXT, "glfwCreateWindow");
  return create ? create(width, height, title, monitor, share) : NULL;
}
