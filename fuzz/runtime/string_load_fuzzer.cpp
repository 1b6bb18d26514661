// Feeds arbitrary bytes to the text decoder, both from memory (String::Decode) and through
// a FILE stream (String::Load), and checks that the two agree and that the result never
// has more code units than the input had bytes.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "runtime/string.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  String decoded = String::Decode(data, size);
  if (decoded.Length() < 0 || static_cast<size_t>(decoded.Length()) > size) __builtin_trap();
  if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF)) &&
      static_cast<size_t>(decoded.Length()) != (size - 2) / 2)
    __builtin_trap();
  if (!decoded.Length() && decoded.rep != &String::nullRep) __builtin_trap();

  // fmemopen needs a non-empty, writable buffer; the stream reads exactly `size` bytes.
  if (size == 0) return 0;
  char* copy = new char[size];
  std::memcpy(copy, data, size);
  FILE* file = fmemopen(copy, size, "rb");
  if (file) {
    String loaded = String::Load(file);
    std::fclose(file);
    if (!(loaded == decoded)) __builtin_trap();
  }
  delete[] copy;
  return 0;
}
