// PNG files of RGBA8 pixels, packed for size or for decoding speed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

enum class PngPacking {
  // Deflate-compressed rows without per-row prediction: small files that the game's image
  // decoder still reads about twice as fast as rows with prediction.
  Compact,
  // Stored (uncompressed) deflate blocks: about four times the size, read several times
  // faster. Used for the art of the default window size, so that no loader step takes
  // longer than a frame.
  FastDecode,
};

// Writes an RGBA8 PNG; returns false on failure.
bool writePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgba,
              PngPacking packing = PngPacking::Compact);

}  // namespace datagen
