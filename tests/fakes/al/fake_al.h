// A recording OpenAL: sources and buffers modelled closely enough to catch misuse (a buffer
// still attached cannot be deleted, a playing source keeps its buffer, calls without a current
// context do nothing), with scripted device failures and ends of sounds.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <map>
#include <string>
#include <vector>

namespace fake_al {

struct Call {
  std::string name;
  ALuint id = 0;     // source or buffer the call is about
  ALenum param = 0;  // AL_GAIN, AL_BUFFER, ...
};

struct Source {
  ALint state = AL_INITIAL;
  ALuint buffer = 0;
  ALint looping = 0;
  float gain = 1, pitch = 1;
  float position[3] = {0, 0, 0};
};

struct Buffer {
  ALenum format = 0;
  ALsizei size = 0, frequency = 0;
};

struct World {
  bool failOpenDevice = false, failCreateContext = false, failMakeContextCurrent = false;
  bool contextCurrent = false;
  ALenum error = AL_NO_ERROR;
  ALuint nextName = 1;
  std::map<ALuint, Source> sources;
  std::map<ALuint, Buffer> buffers;
  std::vector<Call> calls;
};

World& world();
// Forgets every source, buffer and call and clears the scripted failures.
void reset();
int count(const std::string& name);  // calls of that name
// The sound on this source reaches its end, as a real device would report it.
void finish(ALuint source);

}  // namespace fake_al
