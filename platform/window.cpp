#include "platform/window.h"

#include "platform/glfw2.h"
#include "runtime/debug.h"

int _glfwGraphicsSeq = 0;

bool OpenGameWindow(int width, int height, int red, int green, int blue, int alpha, int depth,
                    int stencil, bool fullscreen) {
  GLFWvidmode desktop;
  glfwGetDesktopMode(&desktop);
  glfwCloseWindow();
  glfwOpenWindowHint(GLFW_WINDOW_NO_RESIZE, 0);

  int opened = glfwOpenWindow(width, height, red, green, blue, alpha, depth, stencil,
                              fullscreen ? GLFW_FULLSCREEN : GLFW_WINDOW);
  if (!opened && fullscreen) {
    velPrint(String("glfwOpenWindow failed; using a window"));
    width = 640;
    height = 480;
    fullscreen = false;
    opened = glfwOpenWindow(width, height, red, green, blue, alpha, depth, stencil, GLFW_WINDOW);
  }
  ++_glfwGraphicsSeq;
  if (!opened) velPrint(String("glfwOpenWindow failed"));
  if (!fullscreen) glfwSetWindowPos((desktop.Width - width) / 2, (desktop.Height - height) / 2);
  glfwSetWindowTitle("Zipkin in Direv");

  glfwEnable(GLFW_KEY_REPEAT);
  glfwDisable(GLFW_AUTO_POLL_EVENTS);
  return opened && fullscreen;
}
