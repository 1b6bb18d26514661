// Object: the root of every class the game language can see.
#pragma once

#include "runtime/gc.h"
#include "runtime/string.h"

class Object : public gc_object {
 public:
  // Identity: true only for this very object.
  virtual bool Equals(Object* other);
  // Address order (-1, 0 or 1), so distinct objects order consistently for the whole run.
  virtual int Compare(Object* other);
  // "+Object\n"; shown by the debugger protocol's "@" command.
  virtual String debug();
};

// The base of everything the game language throws; an uncaught one ends the program
// through VelGame::Die.
class ThrowableObject : public Object {};
