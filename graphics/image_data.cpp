// The host's image decoder: image files to 8-bit pixels with stb_image (Debian's libstb).
#include <stb/stb_image.h>

#include <cstdio>

#include "graphics/surface.h"
#include "host/vel_glfw_game.h"

unsigned char* VelGlfwGame::LoadImageData(String path, int* width, int* height, int* depth) {
  FILE* f = OpenFile(path, String("rb"));
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
