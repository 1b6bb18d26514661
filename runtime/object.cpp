#include "runtime/object.h"

#include <cstdint>

bool Object::Equals(Object* other) { return other == this; }

int Object::Compare(Object* other) {
  // The sign of the address difference: the difference itself does not fit an int when the
  // objects lie 2 GiB or more apart, and truncating it would break the order.
  uintptr_t a = reinterpret_cast<uintptr_t>(this), b = reinterpret_cast<uintptr_t>(other);
  return a < b ? -1 : a > b ? 1 : 0;
}

String Object::debug() { return String("+Object\n"); }
