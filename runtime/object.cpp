#include "runtime/object.h"

#include <cstdint>

bool Object::Equals(Object* other) { return other == this; }

int Object::Compare(Object* other) {
  return static_cast<int>(reinterpret_cast<intptr_t>(this) - reinterpret_cast<intptr_t>(other));
}

String Object::debug() { return String("+Object\n"); }
