// Text output, runtime errors, the debugger line protocol and the signal handler. Each case
// runs in a child process with its own standard streams, so exits and faults are observed
// from outside: exit status, the exact bytes on standard output and on standard error.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime/debug.h"
#include "runtime/gc.h"
#include "runtime/object.h"

namespace {

struct Outcome {
  int status;  // exit status, or 1000 + signal number when killed
  std::string out, err;
};

std::string Drain(int fd) {
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) text.append(buf, n);
  close(fd);
  return text;
}

// Runs body in a child. `input` is fed to its standard input, which is then closed; with no
// input the child's standard input is closed from the start.
Outcome RunChild(const std::function<void()>& body, const char* input = nullptr) {
  int out[2], err[2], in[2];
  if (pipe(out) || pipe(err) || pipe(in)) std::abort();
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    if (input) dup2(in[0], 0);
    else close(0);
    for (int fd : {out[0], out[1], err[0], err[1], in[0], in[1]}) close(fd);
    body();
    std::fflush(nullptr);
    _exit(100);  // the runtime call under test was expected to end the process
  }
  close(out[1]);
  close(err[1]);
  close(in[0]);
  if (input) {
    ssize_t n = write(in[1], input, std::string(input).size());
    (void)n;
  }
  close(in[1]);
  Outcome o;
  o.out = Drain(out[0]);
  o.err = Drain(err[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
  return o;
}

const std::string kReport = "Kestrel Runtime Error : x\n\n";
const std::string kHeader = "{{~~~~}}\n\n";

TEST(RuntimeDebug, RuntimeErrorsReportAndExit) {
  Outcome quit = RunChild([] { velError(String()); });
  EXPECT_EQ(quit.status, 0);
  EXPECT_EQ(quit.out, "");
  EXPECT_EQ(quit.err, "");

  Outcome error = RunChild([] { velError(String("x")); });
  EXPECT_EQ(error.status, 255);
  EXPECT_EQ(error.out, kReport);
  EXPECT_EQ(error.err, kHeader);

  // The message is narrowed to the low byte of each code unit.
  Outcome narrowed = RunChild([] {
    const Char text[] = {0x0141, 'b'};
    velError(String(text, 2));
  });
  EXPECT_EQ(narrowed.out, "Kestrel Runtime Error : Ab\n\n");
}

TEST(RuntimeDebug, ProtocolLines) {
  // "?" is ignored, "@0" prints an empty line, "q" quits with status 0.
  Outcome quit = RunChild([] { velError(String("x")); }, "?\n@0\n?x\nq\n");
  EXPECT_EQ(quit.status, 0);
  EXPECT_EQ(quit.out, kReport);
  EXPECT_EQ(quit.err, kHeader + "\n");

  // "r" resumes: the error is reported again and stops again, where the input has ended.
  Outcome resumed = RunChild([] { velError(String("x")); }, "r\n");
  EXPECT_EQ(resumed.status, 255);
  EXPECT_EQ(resumed.out, kReport + kReport);
  EXPECT_EQ(resumed.err, kHeader + kHeader);

  Outcome unknown = RunChild([] { velError(String("x")); }, "?\nzap\nq\n");
  EXPECT_EQ(unknown.status, 255);
  EXPECT_EQ(unknown.out, kReport + "????? zap ?????");

  // A line without a line feed counts as a failed read.
  EXPECT_EQ(RunChild([] { velError(String("x")); }, "q").status, 255);

  // "@" with an object's address prints that object's debug text.
  gc_init1();
  Object* object = new Object;
  char line[64];
  std::snprintf(line, sizeof line, "@%p\nq\n", static_cast<void*>(object));
  Outcome shown = RunChild([] { velError(String("x")); }, line);
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.err, kHeader + "+Object\n\n");
}

TEST(RuntimeDebug, PrintWritesExactBytes) {
  Outcome printed = RunChild([] {
    for (Char c : {0x00E9, 0x20AC, 0xD800}) velPrint(String(&c, 1));  // a lone surrogate too
    dbg_print(String("\xC5" "b"));  // U+FFC5: only its low byte is written
    std::exit(0);
  });
  EXPECT_EQ(printed.out, "\xC3\xA9\n\xE2\x82\xAC\n\xED\xA0\x80\n");
  EXPECT_EQ(printed.err, "\xC5" "b\n");
}

TEST(RuntimeDebug, SegmentationFaultIsReported) {
  Outcome segv = RunChild([] {
    std::signal(SIGSEGV, sighandler);
    // A genuine fault: a write into a page that allows no access.
    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile int*>(page) = 1;
  });
  EXPECT_EQ(segv.status, 255);
  EXPECT_EQ(segv.out, "Kestrel Runtime Error : Memory access violation\n\n");
  EXPECT_EQ(segv.err, kHeader);
}

}  // namespace
