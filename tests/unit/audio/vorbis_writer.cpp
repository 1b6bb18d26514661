#include "unit/audio/vorbis_writer.h"

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

namespace audio_test {

std::string EncodeVorbis(const std::vector<float>& interleaved, int channels, int rate,
                         float quality, int serial) {
  vorbis_info info;
  vorbis_info_init(&info);
  if (vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) std::abort();
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, serial);
  std::string out;
  ogg_page page;
  auto pages = [&](int (*take)(ogg_stream_state*, ogg_page*)) {
    while (take(&stream, &page)) {
      out.append(reinterpret_cast<const char*>(page.header), page.header_len);
      out.append(reinterpret_cast<const char*>(page.body), page.body_len);
    }
  };
  ogg_packet packet[3];
  vorbis_analysis_headerout(&dsp, &comment, &packet[0], &packet[1], &packet[2]);
  for (ogg_packet& header : packet) ogg_stream_packetin(&stream, &header);
  pages(ogg_stream_flush);  // the headers end a page of their own
  const int frames = static_cast<int>(interleaved.size()) / channels;
  float** buffer = vorbis_analysis_buffer(&dsp, frames);
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c) buffer[c][i] = interleaved[size_t(i) * channels + c];
  vorbis_analysis_wrote(&dsp, frames);
  vorbis_analysis_wrote(&dsp, 0);  // the end of the stream
  while (vorbis_analysis_blockout(&dsp, &block) == 1) {
    vorbis_analysis(&block, nullptr);
    vorbis_bitrate_addblock(&block);
    while (vorbis_bitrate_flushpacket(&dsp, &packet[0])) {
      ogg_stream_packetin(&stream, &packet[0]);
      pages(ogg_stream_pageout);
    }
  }
  pages(ogg_stream_flush);
  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

std::vector<float> Sine(int frames, int channels, int rate, double hertz,
                        const std::vector<bool>& audible) {
  std::vector<float> out(static_cast<size_t>(frames) * channels, 0.0f);
  for (int i = 0; i < frames; ++i) {
    float v = static_cast<float>(0.5 * std::sin(2 * M_PI * hertz * i / rate));
    for (int c = 0; c < channels; ++c)
      if (audible[c]) out[static_cast<size_t>(i) * channels + c] = v;
  }
  return out;
}

std::string U16(unsigned value) {
  return std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)};
}

std::string U32(unsigned value) { return U16(value & 0xFFFF) + U16(value >> 16); }

std::string Chunk(const char* tag, const std::string& body) {
  std::string out = std::string(tag, 4) + U32(static_cast<unsigned>(body.size())) + body;
  if (body.size() & 1) out += '\0';
  return out;
}

std::string MakeWav(int audioFormat, int channels, int rate, int bits, const std::string& data,
                    const std::string& chunks, int fmtSize) {
  int bytes = bits / 8;
  std::string fmt = U16(audioFormat) + U16(channels) + U32(rate) +
                    U32(rate * channels * bytes) + U16(channels * bytes) + U16(bits);
  fmt.resize(fmtSize, '\0');
  std::string body = "WAVE" + Chunk("fmt ", fmt) + chunks + Chunk("data", data);
  return "RIFF" + U32(static_cast<unsigned>(body.size())) + body;
}

std::string WriteFile(const std::string& dir, const std::string& name, const std::string& bytes) {
  const std::string path = dir + "/" + name;
  if (!std::ofstream(path, std::ios::binary).write(bytes.data(), bytes.size())) std::abort();
  return path;
}

}  // namespace audio_test
