// Sound files made in memory, so that tests and benchmarks know exactly what went in.
#pragma once

#include <string>
#include <vector>

namespace audio_test {

// Interleaved float samples (-1..1) as Ogg Vorbis at a quality of 0..1, in the logical stream
// `serial` (streams of other serials append into a chained file).
std::string EncodeVorbis(const std::vector<float>& interleaved, int channels, int rate,
                         float quality = 0.4f, int serial = 1);
// `frames` frames of a sine of amplitude 0.5 in the audible channels, silence in the others.
std::vector<float> Sine(int frames, int channels, int rate, double hertz,
                        const std::vector<bool>& audible);
// A RIFF WAVE file: an fmt chunk of `fmtSize` bytes (16 or more) with these fields, then
// `chunks` (already framed) and a "data" chunk holding `data`.
std::string MakeWav(int audioFormat, int channels, int rate, int bits, const std::string& data,
                    const std::string& chunks = "", int fmtSize = 16);
// A chunk: tag, little-endian size, body, and a pad byte when the body's size is odd.
std::string Chunk(const char* tag, const std::string& body);
std::string U16(unsigned value);
std::string U32(unsigned value);
// Writes `bytes` to `dir`/`name` and returns the path.
std::string WriteFile(const std::string& dir, const std::string& name, const std::string& bytes);

}  // namespace audio_test
