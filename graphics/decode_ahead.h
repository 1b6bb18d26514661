// Image files decoded ahead of need, on a worker thread.
//
// A loader that knows which pictures it will load next hands their paths to
// DecodeImagesAhead; the worker decodes them in that order and premultiplies their pixels as
// surfaces keep them, so that loading one of them later only makes its texture. Loading a
// surface takes the queued result (TakeDecodedImage): it waits when the worker is busy with
// that very file and decodes on the caller's thread when the worker has not reached it yet,
// so a file always ends up as the same pixels as a direct decode would give.
//
// The worker touches nothing of the runtime (no strings, no objects, no collector): it gets
// plain file paths and hands back malloc'ed blocks under one mutex. It reads files through
// mmap rather than standard I/O streams, so the process may end at any moment; it is never
// stopped and waits for work when it has none.
#pragma once

#include <vector>

#include "runtime/string.h"

// Replaces whatever was queued and not taken yet with these image paths (as the graphics
// module's image loaders take them: bare asset names or data paths), to be decoded in this
// order. Paths are mapped through the host (VelGame::_game) now; without one nothing is
// queued.
void DecodeImagesAhead(const std::vector<String>& paths);

// A decoded image: premultiplied pixels (release with free), rows from the top, depth bytes
// per pixel; pixels is null for a file that could not be opened or decoded.
struct DecodedImage {
  unsigned char* pixels = nullptr;
  int width = 0, height = 0, depth = 0;
};

// True when `path` (mapped as above) is queued: its result is moved into `image` and leaves
// the queue. False when it is not queued, and `image` is left alone.
bool TakeDecodedImage(String path, DecodedImage* image);
