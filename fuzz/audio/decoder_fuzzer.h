// Shared body of the decoder fuzzers: the input becomes a file through fmemopen, and a
// decoded result must be consistent and fully backed by its allocation.
#pragma once

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

typedef unsigned char* (*AudioDecoder)(FILE*, int*, int*, int*, int*);

inline void FuzzDecoder(AudioDecoder decode, const uint8_t* data, size_t size) {
  if (size == 0) return;  // fmemopen refuses an empty buffer
  FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!f) return;
  int length = -1, channels = -1, format = -1, hertz = -1;
  unsigned char* pcm = decode(f, &length, &channels, &format, &hertz);
  std::fclose(f);
  if (!pcm) return;
  if (length < 0 || channels < 1 || format < 1 || hertz < 1) std::abort();
  long long bytes = static_cast<long long>(length) * channels * format;
  if (bytes > INT_MAX) std::abort();
  // Touch the first and last byte the device would hand to OpenAL; AddressSanitizer
  // reports any that lies outside the block.
  volatile unsigned char sink = 0;
  if (bytes > 0) sink = pcm[0] ^ pcm[bytes - 1];
  (void)sink;
  std::free(pcm);
}
