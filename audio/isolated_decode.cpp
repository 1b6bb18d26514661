#include "audio/isolated_decode.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdlib>
#include <initializer_list>

namespace {

bool write_all(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool read_all(int fd, void* data, size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = read(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Byte count of a decoded block, or -1 when the description is not a sane one.
long long block_bytes(const int info[4]) {
  const int length = info[0], channels = info[1], format = info[2];
  if (length < 0 || channels < 1 || channels > 255 || (format != 1 && format != 2)) return -1;
  const long long bytes = static_cast<long long>(length) * channels * format;
  return bytes <= INT_MAX ? bytes : -1;
}

}  // namespace

unsigned char* DecodeIsolated(AudioDecoder decode, FILE* file, int* length, int* channels,
                              int* format, int* hertz) {
  int fds[2];
  if (pipe(fds) != 0) return decode(file, length, channels, format, hertz);
  std::fflush(nullptr);  // nothing buffered may be written twice
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return decode(file, length, channels, format, hertz);
  }
  if (child == 0) {
    // A crash here must end only this child: no runtime error report on the game's output,
    // no debugger protocol waiting on the game's input.
    for (int sig : {SIGSEGV, SIGILL, SIGFPE, SIGBUS}) std::signal(sig, SIG_DFL);
    const int nothing = open("/dev/null", O_RDWR);
    if (nothing >= 0) {
      dup2(nothing, STDIN_FILENO);
      dup2(nothing, STDOUT_FILENO);
    }
    close(fds[0]);
    int info[4] = {0, 0, 0, 0};
    unsigned char* data = decode(file, &info[0], &info[1], &info[2], &info[3]);
    const long long bytes = data ? block_bytes(info) : -1;
    const bool ok = bytes >= 0 && write_all(fds[1], info, sizeof info) &&
                    write_all(fds[1], data, static_cast<size_t>(bytes));
    _exit(ok ? 0 : 1);
  }

  close(fds[1]);
  int info[4];
  unsigned char* data = nullptr;
  const bool described = read_all(fds[0], info, sizeof info);
  const long long bytes = described ? block_bytes(info) : -1;
  if (bytes >= 0) {
    data = static_cast<unsigned char*>(std::malloc(bytes > 0 ? static_cast<size_t>(bytes) : 1));
    if (data && !read_all(fds[0], data, static_cast<size_t>(bytes))) {
      std::free(data);
      data = nullptr;
    }
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::free(data);
    return nullptr;
  }
  if (data) {
    *length = info[0];
    *channels = info[1];
    *format = info[2];
    *hertz = info[3];
  }
  return data;
}
