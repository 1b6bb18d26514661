#include "audio/audio_decoders.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#define STB_VORBIS_HEADER_ONLY
#include <stb_vorbis.h>

#include "audio/isolated_decode.h"
#include "audio/vorbis_headers.h"
#include "platform/vel_game.h"

namespace {

bool ReadTag(FILE* f, const char* expected) {
  char tag[4];
  return std::fread(tag, 1, 4, f) == 4 && std::memcmp(tag, expected, 4) == 0;
}

bool ReadU16(FILE* f, uint32_t* value) {
  unsigned char b[2];
  if (std::fread(b, 1, 2, f) != 2) return false;
  *value = b[0] | b[1] << 8;
  return true;
}

bool ReadU32(FILE* f, uint32_t* value) {
  unsigned char b[4];
  if (std::fread(b, 1, 4, f) != 4) return false;
  *value = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
  return true;
}

// Steps over `size` bytes and, when size is odd, the pad byte that keeps chunks word-aligned.
bool SkipChunk(FILE* f, uint32_t size) {
  return std::fseek(f, static_cast<long>(size) + (size & 1), SEEK_CUR) == 0;
}

}  // namespace

unsigned char* LoadWAV(FILE* f, int* length, int* channels, int* format, int* hertz) {
  // The file's end bounds every chunk size before anything is allocated.
  long start = std::ftell(f);
  if (start < 0 || std::fseek(f, 0, SEEK_END) != 0) return nullptr;
  long end = std::ftell(f);
  if (end < 0 || std::fseek(f, start, SEEK_SET) != 0) return nullptr;

  uint32_t riffSize, fmtSize, audioFormat, channelCount, rate, byteRate, blockAlign, bits;
  if (!ReadTag(f, "RIFF") || !ReadU32(f, &riffSize) || !ReadTag(f, "WAVE") ||
      !ReadTag(f, "fmt "))
    return nullptr;
  if (!ReadU32(f, &fmtSize) || !ReadU16(f, &audioFormat) || !ReadU16(f, &channelCount) ||
      !ReadU32(f, &rate) || !ReadU32(f, &byteRate) || !ReadU16(f, &blockAlign) ||
      !ReadU16(f, &bits))
    return nullptr;
  // Only PCM; a fmt chunk shorter than its own fields is not one.
  if (audioFormat != 1 || fmtSize < 16) return nullptr;
  const int bytesPerSample = static_cast<int>(bits >> 3);
  const int frameBytes = static_cast<int>(channelCount) * bytesPerSample;
  if (frameBytes == 0 || rate == 0 || rate > INT_MAX) return nullptr;
  if (fmtSize > 16) {
    if (fmtSize - 16 > static_cast<uint32_t>(end - std::ftell(f))) return nullptr;
    if (!SkipChunk(f, fmtSize - 16)) return nullptr;
  }

  for (;;) {
    char tag[4];
    uint32_t size;
    if (std::fread(tag, 1, 4, f) != 4 || !ReadU32(f, &size)) return nullptr;
    long here = std::ftell(f);
    if (here < 0 || size > static_cast<uint64_t>(end - here)) return nullptr;
    if (std::memcmp(tag, "data", 4) != 0) {
      if (!SkipChunk(f, size)) return nullptr;
      continue;
    }
    // The byte count reaches OpenAL as an int.
    if (size > INT_MAX) return nullptr;
    unsigned char* data = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    if (!data) return nullptr;
    if (std::fread(data, 1, size, f) != size) {
      std::free(data);
      return nullptr;
    }
    *length = static_cast<int>(size / frameBytes);
    *channels = static_cast<int>(channelCount);
    *format = bytesPerSample;
    *hertz = static_cast<int>(rate);
    return data;
  }
}

namespace {

// Decodes every frame of an open stream into one growing block of 16-bit samples.
unsigned char* DecodeWholeStream(stb_vorbis* vorbis, int* length, int* channels, int* format,
                                 int* hertz) {
  stb_vorbis_info info = stb_vorbis_get_info(vorbis);
  const int count = info.channels;
  if (count < 1 || info.sample_rate == 0 || info.sample_rate > INT_MAX) return nullptr;

  // One Vorbis frame yields at most 4096 sample frames; the buffer always keeps that much
  // room free, doubling when it runs short, and never grows past an int's worth of bytes.
  const size_t reserve = 4096 * static_cast<size_t>(count);
  size_t capacity = reserve;
  size_t fill = 0;
  long long frames = 0;
  short* pcm = static_cast<short*>(std::malloc(capacity * sizeof(short)));
  if (!pcm) return nullptr;
  for (;;) {
    int n = stb_vorbis_get_frame_short_interleaved(vorbis, count, pcm + fill,
                                                   static_cast<int>(capacity - fill));
    if (n <= 0) break;
    frames += n;
    fill += static_cast<size_t>(n) * count;
    if (capacity < fill + reserve) {
      short* grown = nullptr;
      if (capacity * 2 * sizeof(short) <= static_cast<size_t>(INT_MAX))
        grown = static_cast<short*>(std::realloc(pcm, capacity * 2 * sizeof(short)));
      if (!grown) {
        std::free(pcm);
        return nullptr;
      }
      pcm = grown;
      capacity *= 2;
    }
  }

  *length = static_cast<int>(frames);
  *channels = count;
  *format = 2;
  *hertz = static_cast<int>(info.sample_rate);
  return reinterpret_cast<unsigned char*>(pcm);
}

}  // namespace

namespace {

// Opens and decodes the stream in this process (see LoadOGG).
unsigned char* DecodeOgg(FILE* f, int* length, int* channels, int* format, int* hertz) {
  int error = 0;
  stb_vorbis* vorbis = stb_vorbis_open_file(f, 0, &error, nullptr);
  if (!vorbis) return nullptr;
  unsigned char* pcm = DecodeWholeStream(vorbis, length, channels, format, hertz);
  stb_vorbis_close(vorbis);
  return pcm;
}

}  // namespace

unsigned char* LoadOGG(FILE* f, int* length, int* channels, int* format, int* hertz) {
  // libvorbis rejects the malformed headers that make stb_vorbis read through null pointers;
  // what stb_vorbis may still get wrong on headers that pass stays inside a child process.
  if (!VorbisHeadersValid(f)) return nullptr;
  return DecodeIsolated(DecodeOgg, f, length, channels, format, hertz);
}

unsigned char* DecodeAudioFile(VelGame* host, String path, int* length, int* channels,
                               int* format, int* hertz) {
  if (!host) return nullptr;
  FILE* f = host->OpenFile(path, String("rb"));
  if (!f) return nullptr;
  std::string ext;
  for (int i = path.Length() >= 4 ? path.Length() - 4 : 0; i < path.Length(); ++i) {
    int c = path[i];
    ext += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c < 128 ? c : '?');
  }
  unsigned char* data = nullptr;
  if (ext == ".wav") {
    data = LoadWAV(f, length, channels, format, hertz);
  } else if (ext == ".ogg") {
    data = LoadOGG(f, length, channels, format, hertz);
  }
  std::fclose(f);
  return data;
}
