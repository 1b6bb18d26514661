#include "audio/vorbis_headers.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>

bool VorbisHeadersValid(FILE* f) {
  const long start = std::ftell(f);
  if (start < 0) return false;

  ogg_sync_state sync;
  ogg_stream_state stream;
  vorbis_info info;
  vorbis_comment comment;
  ogg_sync_init(&sync);
  vorbis_info_init(&info);
  vorbis_comment_init(&comment);
  bool have_stream = false, broken = false;
  int headers = 0;
  while (headers < 3 && !broken) {
    ogg_page page;
    const int got = ogg_sync_pageout(&sync, &page);
    if (got < 0) continue;  // skipped bytes before a page
    if (got == 0) {
      char* buffer = ogg_sync_buffer(&sync, 4096);
      const size_t n = buffer ? std::fread(buffer, 1, 4096, f) : 0;
      if (n == 0) break;
      ogg_sync_wrote(&sync, static_cast<long>(n));
      continue;
    }
    if (!have_stream) {
      ogg_stream_init(&stream, ogg_page_serialno(&page));
      have_stream = true;
    }
    if (ogg_page_serialno(&page) != stream.serialno) continue;  // another logical stream
    if (ogg_stream_pagein(&stream, &page) != 0) break;
    ogg_packet packet;
    while (headers < 3 && ogg_stream_packetout(&stream, &packet) == 1) {
      if (vorbis_synthesis_headerin(&info, &comment, &packet) != 0) {
        broken = true;
        break;
      }
      ++headers;
    }
  }
  if (have_stream) ogg_stream_clear(&stream);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  ogg_sync_clear(&sync);
  return headers == 3 && std::fseek(f, start, SEEK_SET) == 0;
}
