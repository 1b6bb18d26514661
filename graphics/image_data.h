// Image files to 8-bit pixels, for the surfaces' pixel blocks.
#pragma once

#include "runtime/string.h"

class VelGame;

// Opens `path` through the host (its path mapping applies) and decodes it with stb_image at
// the file's own channel count. Returns a malloc'ed block (release with free), rows from the
// top, and sets width, height and depth (1 to 4 bytes per pixel); null, with nothing set, for
// a missing host, an unopenable or undecodable file, or one larger than kMaxImageSide on a
// side or kMaxImagePixels in all (graphics/surface.h). VelGlfwGame::LoadImageData is this
// with the host itself.
unsigned char* DecodeImageFile(VelGame* host, String path, int* width, int* height, int* depth);
// The same for an image file already in memory (`length` bytes).
unsigned char* DecodeImageBytes(const unsigned char* bytes, int length, int* width, int* height,
                                int* depth);
