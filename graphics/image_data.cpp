// The image decoder: image files to 8-bit pixels with stb_image (Debian's libstb).
#include "graphics/image_data.h"

#include <stb/stb_image.h>

#include <cstdio>

#include "graphics/surface.h"
#include "platform/vel_game.h"

namespace {

// The header alone tells the size, so an image beyond the limits is refused before decoding.
bool size_allowed(int w, int h) {
  return w > 0 && h > 0 && w <= kMaxImageSide && h <= kMaxImageSide &&
         static_cast<long long>(w) * h <= kMaxImagePixels;
}

// stb's block when it holds 1 to 4 channels, with the size given back; otherwise null.
unsigned char* accept(unsigned char* data, int w, int h, int channels, int* width, int* height,
                      int* depth) {
  if (!data) return nullptr;
  if (channels < 1 || channels > 4) {
    stbi_image_free(data);
    return nullptr;
  }
  *width = w;
  *height = h;
  *depth = channels;
  return data;
}

}  // namespace

unsigned char* DecodeImageFile(VelGame* host, String path, int* width, int* height, int* depth) {
  if (!host) return nullptr;
  FILE* f = host->OpenFile(path, String("rb"));
  if (!f) return nullptr;
  int w = 0, h = 0, channels = 0;
  unsigned char* data = nullptr;
  // stbi_info_from_file leaves the file where it was.
  if (stbi_info_from_file(f, &w, &h, &channels) && size_allowed(w, h))
    data = stbi_load_from_file(f, &w, &h, &channels, 0);
  std::fclose(f);
  return accept(data, w, h, channels, width, height, depth);
}

unsigned char* DecodeImageBytes(const unsigned char* bytes, int length, int* width, int* height,
                                int* depth) {
  int w = 0, h = 0, channels = 0;
  unsigned char* data = nullptr;
  if (stbi_info_from_memory(bytes, length, &w, &h, &channels) && size_allowed(w, h))
    data = stbi_load_from_memory(bytes, length, &w, &h, &channels, 0);
  return accept(data, w, h, channels, width, height, depth);
}
