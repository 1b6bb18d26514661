// Text output, runtime errors and the line-based debugger protocol.
//
// A runtime error prints "Kestrel Runtime Error : <message>" to standard output and then
// stops in the debugger protocol on the standard streams. Without a debugger attached the
// protocol's first read fails and the process ends with status -1 (255). velError("") is
// the normal way to quit: status 0, nothing printed.
#pragma once

#include "runtime/string.h"

// The current debug location text; this program never sets it.
extern const char* dbg_info;
extern int dbg_stepmode;
extern int dbg_suspend;

// text as UTF-8 (each code unit on its own), a line feed, flushed, to standard output.
void velPrint(const String& text);
void velDebugLog(const String& text);
[[noreturn]] void velError(const String& message);
[[noreturn]] void dbg_error(const char* message);
// Low byte of each code unit and a line feed to standard error, flushed.
void dbg_print(const String& text);
String dbg_stacktrace();
// One debugger stop: returns when the debugger says run, step, enter or leave.
void dbg_stop();
[[noreturn]] void sighandler(int sig);
