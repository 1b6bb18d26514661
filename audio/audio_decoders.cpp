#include "audio/audio_decoders.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <vorbis/vorbisfile.h>

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

// Four printable characters, as every chunk tag is.
bool IsTag(const unsigned char* b) {
  for (int i = 0; i < 4; ++i)
    if (b[i] < 0x20 || b[i] > 0x7E) return false;
  return true;
}

// Steps over `size` bytes and, when size is odd, the pad byte that keeps chunks word-aligned.
// Some writers leave the pad out: when the next chunk's tag starts right after the odd-sized
// chunk, there is no pad to take (a pad byte is 0, never a tag's first character).
bool SkipChunk(FILE* f, uint32_t size) {
  if (std::fseek(f, static_cast<long>(size), SEEK_CUR) != 0) return false;
  if (!(size & 1)) return true;
  const long here = std::ftell(f);
  unsigned char next[4];
  const bool unpadded = std::fread(next, 1, 4, f) == 4 && IsTag(next);
  return here >= 0 && std::fseek(f, here + (unpadded ? 0 : 1), SEEK_SET) == 0;
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

// libvorbisfile reads the stream through these, relative to where the file stood when
// decoding began, so a stream embedded at an offset reads as a whole file.
struct OggSource {
  FILE* file;
  long start;
};

size_t OggRead(void* into, size_t size, size_t count, void* source) {
  return std::fread(into, size, count, static_cast<OggSource*>(source)->file);
}

int OggSeek(void* source, ogg_int64_t offset, int whence) {
  OggSource* s = static_cast<OggSource*>(source);
  if (whence == SEEK_SET) offset += s->start;
  if (offset < LONG_MIN || offset > LONG_MAX) return -1;
  return std::fseek(s->file, static_cast<long>(offset), whence);
}

long OggTell(void* source) {
  OggSource* s = static_cast<OggSource*>(source);
  const long here = std::ftell(s->file);
  return here < 0 ? -1 : here - s->start;
}

// Decodes every link of the stream that has the first link's channels and rate into one
// growing block of 16-bit samples; a link with other channels or another rate ends the
// sound there, as it cannot share the block.
unsigned char* DecodeWholeStream(OggVorbis_File* vorbis, int* length, int* channels, int* format,
                                 int* hertz) {
  const vorbis_info* info = ov_info(vorbis, -1);
  if (!info || info->channels < 1 || info->rate < 1 || info->rate > INT_MAX) return nullptr;
  const int count = info->channels;
  const long rate = info->rate;

  // The block keeps room for 4096 frames beyond what is filled, doubling when it runs short,
  // and never grows past an int's worth of bytes (OpenAL takes the size as an int).
  const size_t frameBytes = 2 * static_cast<size_t>(count);
  const size_t reserve = 4096 * frameBytes;
  size_t capacity = reserve, fill = 0;
  char* pcm = static_cast<char*>(std::malloc(capacity));
  if (!pcm) return nullptr;
  int link = 0;
  for (;;) {
    const long n = ov_read(vorbis, pcm + fill, static_cast<int>(capacity - fill), 0, 2, 1, &link);
    if (n == OV_HOLE) continue;  // a gap in the data: decoding resumes after it
    if (n <= 0) break;           // the end, or a stream that cannot be read further
    const vorbis_info* now = ov_info(vorbis, link);
    if (!now || now->channels != count || now->rate != rate) break;
    fill += static_cast<size_t>(n);
    if (capacity - fill < reserve) {
      char* grown = nullptr;
      if (capacity * 2 <= static_cast<size_t>(INT_MAX))
        grown = static_cast<char*>(std::realloc(pcm, capacity * 2));
      if (!grown) {
        std::free(pcm);
        return nullptr;
      }
      pcm = grown;
      capacity *= 2;
    }
  }

  *length = static_cast<int>(fill / frameBytes);
  *channels = count;
  *format = 2;
  *hertz = static_cast<int>(rate);
  return reinterpret_cast<unsigned char*>(pcm);
}

}  // namespace

unsigned char* LoadOGG(FILE* f, int* length, int* channels, int* format, int* hertz) {
  OggSource source{f, std::ftell(f)};
  if (source.start < 0) return nullptr;
  const ov_callbacks callbacks = {OggRead, OggSeek, nullptr, OggTell};
  OggVorbis_File vorbis;
  if (ov_open_callbacks(&source, &vorbis, nullptr, 0, callbacks) != 0) return nullptr;
  // Debian's libvorbisfile 1.3.7 leaves a chained stream at its last link once opened.
  if (ov_streams(&vorbis) > 1) ov_raw_seek(&vorbis, 0);
  unsigned char* pcm = DecodeWholeStream(&vorbis, length, channels, format, hertz);
  ov_clear(&vorbis);
  return pcm;
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
