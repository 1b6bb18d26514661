#include "fakes/al/fake_al.h"

namespace fake_al {

namespace {

World the_world;
int device_token, context_token;

void record(const char* name, ALuint id = 0, ALenum param = 0) {
  the_world.calls.push_back(Call{name, id, param});
}

void fail(ALenum error) {
  if (the_world.error == AL_NO_ERROR) the_world.error = error;
}

Source* source(ALuint name) {
  if (!the_world.contextCurrent) return nullptr;
  auto it = the_world.sources.find(name);
  if (it == the_world.sources.end()) {
    fail(AL_INVALID_NAME);
    return nullptr;
  }
  return &it->second;
}

bool attached(ALuint buffer) {
  for (const auto& entry : the_world.sources)
    if (entry.second.buffer == buffer) return true;
  return false;
}

}  // namespace

World& world() { return the_world; }

void reset() {
  // Names stay unique across resets, as they are over a program's life: a name held from
  // an earlier world never matches a new object.
  ALuint next = the_world.nextName;
  the_world = World();
  the_world.nextName = next;
}

int count(const std::string& name) {
  int n = 0;
  for (const Call& call : the_world.calls) n += call.name == name;
  return n;
}

void finish(ALuint name) {
  auto it = the_world.sources.find(name);
  if (it != the_world.sources.end() && it->second.state == AL_PLAYING)
    it->second.state = AL_STOPPED;
}

}  // namespace fake_al

using fake_al::record;
using fake_al::the_world;

extern "C" {

ALCdevice* alcOpenDevice(const ALCchar*) {
  record("alcOpenDevice");
  if (the_world.failOpenDevice) return nullptr;
  return reinterpret_cast<ALCdevice*>(&fake_al::device_token);
}

ALCboolean alcCloseDevice(ALCdevice*) {
  record("alcCloseDevice");
  return ALC_TRUE;
}

ALCcontext* alcCreateContext(ALCdevice*, const ALCint*) {
  record("alcCreateContext");
  if (the_world.failCreateContext) return nullptr;
  return reinterpret_cast<ALCcontext*>(&fake_al::context_token);
}

ALCboolean alcMakeContextCurrent(ALCcontext* context) {
  record("alcMakeContextCurrent");
  if (context && the_world.failMakeContextCurrent) return ALC_FALSE;
  the_world.contextCurrent = context != nullptr;
  return ALC_TRUE;
}

ALCcontext* alcGetCurrentContext(void) {
  return the_world.contextCurrent ? reinterpret_cast<ALCcontext*>(&fake_al::context_token)
                                  : nullptr;
}

void alcDestroyContext(ALCcontext*) { record("alcDestroyContext"); }

ALenum alGetError(void) {
  if (!the_world.contextCurrent) return AL_INVALID_OPERATION;
  ALenum error = the_world.error;
  the_world.error = AL_NO_ERROR;
  return error;
}

void alDistanceModel(ALenum model) { record("alDistanceModel", 0, model); }

void alGenSources(ALsizei n, ALuint* names) {
  record("alGenSources");
  if (!the_world.contextCurrent) return;
  for (ALsizei i = 0; i < n; ++i) {
    names[i] = the_world.nextName++;
    the_world.sources[names[i]] = fake_al::Source();
  }
}

void alDeleteSources(ALsizei n, const ALuint* names) {
  record("alDeleteSources");
  if (!the_world.contextCurrent) return;
  for (ALsizei i = 0; i < n; ++i) the_world.sources.erase(names[i]);
}

void alGenBuffers(ALsizei n, ALuint* names) {
  record("alGenBuffers");
  if (!the_world.contextCurrent) return;
  for (ALsizei i = 0; i < n; ++i) {
    names[i] = the_world.nextName++;
    the_world.buffers[names[i]] = fake_al::Buffer();
  }
}

void alDeleteBuffers(ALsizei n, const ALuint* names) {
  record("alDeleteBuffers", n > 0 ? names[0] : 0);
  if (!the_world.contextCurrent) return;
  // All or nothing, like OpenAL: one unknown or attached name fails the whole call.
  for (ALsizei i = 0; i < n; ++i) {
    if (names[i] && !the_world.buffers.count(names[i])) return fake_al::fail(AL_INVALID_NAME);
    if (names[i] && fake_al::attached(names[i])) return fake_al::fail(AL_INVALID_OPERATION);
  }
  for (ALsizei i = 0; i < n; ++i) the_world.buffers.erase(names[i]);
}

void alBufferData(ALuint name, ALenum format, const ALvoid*, ALsizei size, ALsizei frequency) {
  record("alBufferData", name, format);
  if (!the_world.contextCurrent) return;
  auto it = the_world.buffers.find(name);
  if (it == the_world.buffers.end()) return fake_al::fail(AL_INVALID_NAME);
  if (format != AL_FORMAT_MONO8 && format != AL_FORMAT_MONO16 && format != AL_FORMAT_STEREO8 &&
      format != AL_FORMAT_STEREO16)
    return fake_al::fail(AL_INVALID_ENUM);
  if (size < 0 || frequency <= 0) return fake_al::fail(AL_INVALID_VALUE);
  it->second = fake_al::Buffer{format, size, frequency, true};
}

void alSourcei(ALuint name, ALenum param, ALint value) {
  record("alSourcei", name, param);
  fake_al::Source* s = fake_al::source(name);
  if (!s) return;
  if (param == AL_BUFFER) {
    if (s->state == AL_PLAYING || s->state == AL_PAUSED) return fake_al::fail(AL_INVALID_OPERATION);
    if (value && !the_world.buffers.count(static_cast<ALuint>(value)))
      return fake_al::fail(AL_INVALID_VALUE);
    s->buffer = static_cast<ALuint>(value);
  } else if (param == AL_LOOPING) {
    s->looping = value;
  } else {
    fake_al::fail(AL_INVALID_ENUM);
  }
}

void alSourcef(ALuint name, ALenum param, ALfloat value) {
  record("alSourcef", name, param);
  fake_al::Source* s = fake_al::source(name);
  if (!s) return;
  if (param == AL_GAIN) {
    s->gain = value;
  } else if (param == AL_PITCH) {
    s->pitch = value;
  } else {
    fake_al::fail(AL_INVALID_ENUM);
  }
}

void alSource3f(ALuint name, ALenum param, ALfloat x, ALfloat y, ALfloat z) {
  record("alSource3f", name, param);
  fake_al::Source* s = fake_al::source(name);
  if (!s) return;
  if (param != AL_POSITION) return fake_al::fail(AL_INVALID_ENUM);
  s->position[0] = x;
  s->position[1] = y;
  s->position[2] = z;
}

void alGetSourcei(ALuint name, ALenum param, ALint* value) {
  record("alGetSourcei", name, param);
  fake_al::Source* s = fake_al::source(name);
  if (!s) return;
  if (param != AL_SOURCE_STATE) return fake_al::fail(AL_INVALID_ENUM);
  *value = s->state;
}

void alSourcePlay(ALuint name) {
  record("alSourcePlay", name);
  if (fake_al::Source* s = fake_al::source(name)) s->state = AL_PLAYING;
}

void alSourcePause(ALuint name) {
  record("alSourcePause", name);
  fake_al::Source* s = fake_al::source(name);
  if (s && s->state == AL_PLAYING) s->state = AL_PAUSED;
}

void alSourceStop(ALuint name) {
  record("alSourceStop", name);
  fake_al::Source* s = fake_al::source(name);
  if (s && s->state != AL_INITIAL) s->state = AL_STOPPED;
}

}  // extern "C"
