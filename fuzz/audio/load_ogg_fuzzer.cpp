#include "audio/audio_decoders.h"
#include "fuzz/audio/decoder_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzDecoder(LoadOGG, data, size);
  return 0;
}
