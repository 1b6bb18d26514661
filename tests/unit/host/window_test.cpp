// The window library layer over a real X server (Xvfb, started here for the test): where the
// pointer is in window pixels, and the video modes.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/glfw2.h"

namespace {

using Ints = std::vector<int>;

TEST(Input, ARealWindowReportsThePointerInItsPixelsAndTheScreenModes) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t server = fork();
  if (server == 0) {
    close(ready[0]);  // Xvfb writes its display number here once it accepts clients
    const std::string fd = std::to_string(ready[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  struct Stop {
    pid_t pid;
    ~Stop() { kill(pid, SIGTERM), waitpid(pid, nullptr, 0); }
  } stop{server};
  close(ready[1]);
  char display[16] = ":";
  ASSERT_GT(read(ready[0], display + 1, sizeof display - 2), 0) << "Xvfb did not start";
  display[std::strcspn(display, "\n")] = 0;
  setenv("DISPLAY", display, 1);

  ASSERT_TRUE(glfwInit());
  ASSERT_TRUE(glfwOpenWindow(640, 480, 8, 8, 8, 0, 0, 0, GLFW_WINDOW));
  glfwSetWindowPos(0, 0);
  glfwPollEvents();
  ASSERT_EQ(std::system("xdotool mousemove 100 50"), 0);
  Ints pointer(2, -1);
  glfwGetMousePos(&pointer[0], &pointer[1]);
  EXPECT_EQ(pointer, (Ints{100, 50}));
  GLFWvidmode modes[4];
  ASSERT_EQ(glfwGetVideoModes(modes, 4), 1);  // the one mode of this screen
  EXPECT_EQ((Ints{modes[0].Width, modes[0].Height, modes[0].RedBits, modes[0].GreenBits, modes[0].BlueBits}),
            (Ints{1280, 1024, 8, 8, 8}));
  glfwTerminate();
}

}  // namespace
