// Decoders from an open file to raw interleaved PCM, for the audio device's buffers.
//
// Both return a malloc'ed block (release with free) or null, and on success set
//   length   - sample frames in the block,
//   channels - interleaved channels per frame,
//   format   - bytes per sample (1: unsigned 8-bit, 2: signed 16-bit little-endian),
//   hertz    - frames per second.
// length × channels × format always fits an int, and hertz is positive. The file is read
// from its current position and left open.
#pragma once

#include <cstdio>

#include "runtime/string.h"

class VelGame;

// RIFF WAVE with PCM samples. Chunks are walked in order; "fmt " must come first, then any
// chunks before "data". A chunk that claims more bytes than the file holds fails the file
// before anything is allocated for it. Odd-sized chunks are followed by a pad byte, or by
// the next chunk at once when the file's writer left the pad out.
unsigned char* LoadWAV(FILE* file, int* length, int* channels, int* format, int* hertz);

// Ogg Vorbis, decoded whole to 16-bit samples by libvorbisfile, the reference decoder. A
// chained stream is decoded up to its first link with other channels or another rate.
unsigned char* LoadOGG(FILE* file, int* length, int* channels, int* format, int* hertz);

// Opens `path` through the host (its path mapping applies) and decodes it by its lower-cased
// extension: ".wav" or ".ogg"; anything else, a missing host or an unopenable file gives
// null. VelGlfwGame::LoadAudioData is this with the host itself.
unsigned char* DecodeAudioFile(VelGame* host, String path, int* length, int* channels,
                               int* format, int* hertz);
