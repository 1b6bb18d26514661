// The window library layer over a real X server (Xvfb, started here for the test): where the
// pointer is in window pixels, the video modes, and a window manager's close request.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/glfw2.h"

#include <X11/Xlib.h>  // last: its macros (None, Bool, ...) would clash with the headers above

TEST(Input, ARealWindowReportsThePointerTheScreenModesAndCloseRequests) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  struct Server {
    pid_t pid = fork();
    ~Server() { pid > 0 && kill(pid, SIGTERM) == 0 && waitpid(pid, nullptr, 0); }
  } server;
  if (server.pid == 0) {  // Xvfb writes its display number once it accepts clients
    const std::string fd = std::to_string(ready[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", nullptr);
    _exit(127);
  }
  close(ready[1]);
  char display[16] = ":";
  ASSERT_GT(read(ready[0], display + 1, sizeof display - 2), 0) << "Xvfb did not start";
  display[std::strcspn(display, "\n")] = 0;
  setenv("DISPLAY", display, 1);
  ASSERT_TRUE(glfwInit() && glfwOpenWindow(640, 480, 8, 8, 8, 0, 0, 0, GLFW_WINDOW));
  glfwSetWindowPos(0, 0), glfwSetWindowTitle("zipkin-window-test"), glfwPollEvents();
  ASSERT_EQ(std::system("xdotool mousemove 100 50"), 0);
  std::vector<int> got(2, -1);
  glfwGetMousePos(&got[0], &got[1]);
  GLFWvidmode m[4];
  got.insert(got.end(), {glfwGetVideoModes(m, 4), m[0].Width, m[0].Height, m[0].RedBits,
                         m[0].GreenBits, m[0].BlueBits});
  // A close request as a window manager sends it reaches the close callback, whose 0 keeps the window.
  static int close_requests = 0;
  glfwSetWindowCloseCallback([] { return ++close_requests, 0; });
  FILE* search = popen("xdotool search --sync --name zipkin-window-test", "r");
  unsigned long id = 0;
  got.push_back(std::fscanf(search, "%lu", &id));
  pclose(search);
  Display* x = XOpenDisplay(nullptr);
  XEvent close{};
  close.xclient = {ClientMessage, 0, 0, x, id, XInternAtom(x, "WM_PROTOCOLS", 0), 32, {}};
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", 0));
  XSendEvent(x, id, 0, NoEventMask, &close);
  XCloseDisplay(x);  // flushes
  for (int i = 0; i < 200 && !close_requests; ++i) glfwPollEvents(), usleep(10000);
  got.insert(got.end(), {close_requests, glfwGetWindowParam(GLFW_OPENED)});
  EXPECT_EQ(got, (std::vector<int>{100, 50, 1, 1280, 1024, 8, 8, 8, 1, 1, 1}));
  glfwTerminate();
}
