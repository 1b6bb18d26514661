// The image decoder: image files to 8-bit pixels with stb_image (Debian's libstb).
#include "graphics/image_data.h"

#include <stb/stb_image.h>

#include <cstdio>

#include "graphics/surface.h"
#include "platform/vel_game.h"

unsigned char* DecodeImageFile(VelGame* host, String path, int* width, int* height, int* depth) {
  if (!host) return nullptr;
  FILE* f = host->OpenFile(path, String("rb"));
  if (!f) return nullptr;
  int w = 0, h = 0, channels = 0;
  unsigned char* data = nullptr;
  // The header alone tells the size; stbi_info_from_file leaves the file where it was.
  if (stbi_info_from_file(f, &w, &h, &channels) && w > 0 && h > 0 && w <= kMaxImageSide &&
      h <= kMaxImageSide && static_cast<long long>(w) * h <= kMaxImagePixels) {
    data = stbi_load_from_file(f, &w, &h, &channels, 0);
  }
  std::fclose(f);
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
