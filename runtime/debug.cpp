#include "runtime/debug.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/object.h"

const char* dbg_info = nullptr;
int dbg_stepmode = 0;
int dbg_suspend = 0;

void velPrint(const String& text) {
  static std::string buffer;  // reused so that printing does not allocate each time
  buffer.clear();
  text.AppendUtf8(buffer);
  buffer += '\n';
  std::fwrite(buffer.data(), 1, buffer.size(), stdout);
  std::fflush(stdout);
}

void velDebugLog(const String& text) { velPrint(text); }

void velError(const String& message) {
  if (!message.Length()) std::exit(0);
  dbg_error(message.ToNarrow().c_str());
}

void dbg_error(const char* message) {
  for (;;) {
    velPrint(String("Kestrel Runtime Error : ") + String(message));
    velPrint(dbg_stacktrace());
    dbg_stop();
  }
}

void dbg_print(const String& text) {
  static std::string buffer;
  buffer.assign(text.Length(), '\0');
  for (int i = 0; i < text.Length(); ++i) buffer[i] = static_cast<char>(text[i]);
  buffer += '\n';
  std::fwrite(buffer.data(), 1, buffer.size(), stderr);
  std::fflush(stderr);
}

String dbg_stacktrace() {
  if (!dbg_info || !*dbg_info) return String();
  return String(dbg_info) + String("\n");
}

void dbg_stop() {
  std::fprintf(stderr, "{{~~%s~~}}\n", dbg_info ? dbg_info : "");
  dbg_print(String());

  char line[256];
  for (;;) {
    if (!std::fgets(line, sizeof line, stdin) || !std::strchr(line, '\n')) std::exit(-1);
    switch (line[0]) {
      case '?':
        continue;
      case '@': {
        void* address = nullptr;
        if (std::sscanf(line + 1, "%p", &address) != 1) address = nullptr;
        dbg_print(address ? static_cast<Object*>(address)->debug() : String());
        continue;
      }
      case 'r':
        dbg_suspend = 0;
        dbg_stepmode = 0;
        return;
      case 's':
        dbg_suspend = 1;
        dbg_stepmode = 's';
        return;
      case 'e':
        dbg_suspend = 1;
        dbg_stepmode = 'e';
        return;
      case 'l':
        dbg_suspend = 0;
        dbg_stepmode = 'l';
        return;
      case 'q':
        std::exit(0);
      default:
        *std::strchr(line, '\n') = 0;
        std::printf("????? %s ?????", line);
        std::fflush(stdout);
        std::exit(-1);
    }
  }
}

void sighandler(int sig) {
  const char* message = "Unknown signal";
  switch (sig) {
    case SIGSEGV: message = "Memory access violation"; break;
    case SIGILL: message = "Illegal instruction"; break;
    case SIGFPE: message = "Floating point exception"; break;
  }
  dbg_error(message);
}
