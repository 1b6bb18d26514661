// Runs a decoder in a child process. Debian's stb_vorbis can still write out of bounds or free
// pointers it never allocated on some malformed streams whose headers are otherwise valid
// (declared sizes that overflow its arithmetic); a decoder that crashes there takes only the
// child with it, and the file simply fails to load.
#pragma once

#include <cstdio>

typedef unsigned char* (*AudioDecoder)(FILE* file, int* length, int* channels, int* format,
                                       int* hertz);

// The decoder's result, decoded in a child process that hands the samples back through a
// pipe; null when the decoder fails or the child dies. `format` is bytes per sample (1 or 2).
// Falls back to decoding in this process when no child can be started.
unsigned char* DecodeIsolated(AudioDecoder decode, FILE* file, int* length, int* channels,
                              int* format, int* hertz);
