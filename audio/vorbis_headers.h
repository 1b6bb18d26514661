// A check of an Ogg Vorbis file's three header packets, made with libvorbis before
// stb_vorbis parses the file. stb_vorbis frees memory twice or reads through null pointers
// on some malformed setup headers (found by fuzzing LoadOGG); libvorbis rejects those
// headers cleanly, so such a file fails to load instead of ending the program.
#pragma once

#include <cstdio>

// True when the first logical stream starts with a valid identification, comment and setup
// header. Reads from the file's current position and returns to it.
bool VorbisHeadersValid(FILE* f);
