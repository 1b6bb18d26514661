// Text output, runtime errors, the debugger line protocol and the signal handler, each run in a
// child process and observed from outside: exit status and the exact output bytes.
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

std::string Contents(FILE* f) {
  std::string text;
  for (int c = (std::rewind(f), std::fgetc(f)); c != EOF; c = std::fgetc(f)) text += static_cast<char>(c);
  return std::fclose(f), text;
}

// Runs body in a child whose standard streams are temporary files; standard input holds
// `input`, or is closed.
Outcome RunChild(const std::function<void()>& body, const char* input = nullptr) {
  FILE *in = std::tmpfile(), *out = std::tmpfile(), *err = std::tmpfile();
  if (input) std::fputs(input, in);
  std::rewind(in);
  std::fflush(nullptr);
  if (fork() == 0) {
    dup2(fileno(out), 1);
    dup2(fileno(err), 2);
    input ? dup2(fileno(in), 0) : close(0);
    body();
    _exit(100);  // the call under test was expected to end the process; nothing is flushed here
  }
  int status = 0;
  wait(&status);
  std::fclose(in);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status), Contents(out), Contents(err)};
}

const std::string kReport = "Kestrel Runtime Error : x\n\n", kHeader = "{{~~~~}}\n\n";

TEST(RuntimeDebug, ErrorsReportAndFollowTheLineProtocol) {
  gc_init1();
  char shown[64];  // "@" with an object's address prints that object's debug text
  std::snprintf(shown, sizeof shown, "@%p\nq\n", static_cast<void*>(new Object));
  const struct { const char* input; int status; std::string out, err; } cases[] = {  // input null: closed
      {nullptr, 255, kReport, kHeader},
      {"?\n@0\n?x\nq\n", 0, kReport, kHeader + "\n"},  // "?" ignored, "@0" an empty line
      {"r\n", 255, kReport + kReport, kHeader + kHeader},  // reported again, then input ends
      {"?\nzap\nq\n", 255, kReport + "????? zap ?????", kHeader},
      {"q", 255, kReport, kHeader},  // a line without a line feed counts as a failed read
      {shown, 0, kReport, kHeader + "+Object\n\n"},
  };
  for (const auto& c : cases) {
    Outcome o = RunChild([] { velError(String("x")); }, c.input);
    EXPECT_EQ((std::vector<std::string>{std::to_string(o.status), o.out, o.err}),
              (std::vector<std::string>{std::to_string(c.status), c.out, c.err}))
        << (c.input ? c.input : "(closed)");
  }
  Outcome quit = RunChild([] { velError(String()); });
  EXPECT_EQ(std::to_string(quit.status) + quit.out + quit.err, "0");
  // The message is narrowed to the low byte of each code unit (U+0141 to 'A').
  EXPECT_EQ(RunChild([] { velError(String(u"\u0141b", 2)); }).out, "Kestrel Runtime Error : Ab\n\n");
  // Run, step, enter and leave return from the stop with their modes set.
  for (const char* command : {"r\n0 0", "s\n1 s", "e\n1 e", "l\n0 l"}) {
    Outcome o = RunChild([] {
      dbg_stop();
      std::printf("%d %c", dbg_suspend, dbg_stepmode ? dbg_stepmode : '0');
      std::exit(0);
    }, command);
    EXPECT_EQ(o.out, command + 2);
  }
}

TEST(RuntimeDebug, PrintsAreFlushedAtOnceAndFaultsReported) {
  Outcome printed = RunChild([] {
    for (Char c : {0x00E9, 0x20AC, 0xD800}) velPrint(String(&c, 1));  // a lone surrogate too
    dbg_print(String("\xC5" "b"));  // U+FFC5: only its low byte is written
  });
  EXPECT_EQ(printed.out, "\xC3\xA9\n\xE2\x82\xAC\n\xED\xA0\x80\n");
  EXPECT_EQ(printed.err, "\xC5" "b\n");
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
