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

// The named source of the current context; calls without one do nothing.
Source* source(const char* call, ALuint name, ALenum param = 0) {
  record(call, name, param);
  if (!the_world.contextCurrent) return nullptr;
  auto it = the_world.sources.find(name);
  if (it != the_world.sources.end()) return &it->second;
  fail(AL_INVALID_NAME);
  return nullptr;
}

bool attached(ALuint buffer) {
  for (const auto& entry : the_world.sources)
    if (entry.second.buffer == buffer) return true;
  return false;
}

void generate(ALsizei n, ALuint* names, bool sources) {
  if (!the_world.contextCurrent) return;
  for (ALsizei i = 0; i < n; ++i) {
    names[i] = the_world.nextName++;
    if (sources) the_world.sources[names[i]] = Source();
    else the_world.buffers[names[i]] = Buffer();
  }
}

}  // namespace

World& world() { return the_world; }

void reset() {
  // Names stay unique across resets, as they are over a program's life: a name held from
  // an earlier world never matches a new object.
  const ALuint next = the_world.nextName;
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
  return the_world.failOpenDevice ? nullptr : reinterpret_cast<ALCdevice*>(&fake_al::device_token);
}

ALCboolean alcCloseDevice(ALCdevice*) {
  record("alcCloseDevice");
  return ALC_TRUE;
}

ALCcontext* alcCreateContext(ALCdevice*, const ALCint*) {
  record("alcCreateContext");
  return the_world.failCreateContext ? nullptr
                                     : reinterpret_cast<ALCcontext*>(&fake_al::context_token);
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
  const ALenum error = the_world.error;
  the_world.error = AL_NO_ERROR;
  return error;
}

void alDistanceModel(ALenum model) { record("alDistanceModel", 0, model); }

void alGenSources(ALsizei n, ALuint* names) {
  record("alGenSources");
  fake_al::generate(n, names, true);
}

void alDeleteSources(ALsizei n, const ALuint* names) {
  record("alDeleteSources");
  for (ALsizei i = 0; the_world.contextCurrent && i < n; ++i) the_world.sources.erase(names[i]);
}

void alGenBuffers(ALsizei n, ALuint* names) {
  record("alGenBuffers");
  fake_al::generate(n, names, false);
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
  it->second = fake_al::Buffer{format, size, frequency};
}

void alSourcei(ALuint name, ALenum param, ALint value) {
  fake_al::Source* s = fake_al::source("alSourcei", name, param);
  if (s && param == AL_LOOPING) s->looping = value;
  if (!s || param != AL_BUFFER) return;
  // A source that plays or is paused keeps its buffer.
  if (s->state == AL_PLAYING || s->state == AL_PAUSED) return fake_al::fail(AL_INVALID_OPERATION);
  if (value && !the_world.buffers.count(static_cast<ALuint>(value)))
    return fake_al::fail(AL_INVALID_VALUE);
  s->buffer = static_cast<ALuint>(value);
}

void alSourcef(ALuint name, ALenum param, ALfloat value) {
  if (fake_al::Source* s = fake_al::source("alSourcef", name, param))
    (param == AL_GAIN ? s->gain : s->pitch) = value;
}

void alSource3f(ALuint name, ALenum param, ALfloat x, ALfloat y, ALfloat z) {
  if (fake_al::Source* s = fake_al::source("alSource3f", name, param)) {
    s->position[0] = x;
    s->position[1] = y;
    s->position[2] = z;
  }
}

void alGetSourcei(ALuint name, ALenum param, ALint* value) {
  if (fake_al::Source* s = fake_al::source("alGetSourcei", name, param)) *value = s->state;
}

void alSourcePlay(ALuint name) {
  if (fake_al::Source* s = fake_al::source("alSourcePlay", name)) s->state = AL_PLAYING;
}

void alSourcePause(ALuint name) {
  fake_al::Source* s = fake_al::source("alSourcePause", name);
  if (s && s->state == AL_PLAYING) s->state = AL_PAUSED;
}

void alSourceStop(ALuint name) {
  fake_al::Source* s = fake_al::source("alSourceStop", name);
  if (s && s->state != AL_INITIAL) s->state = AL_STOPPED;
}

}  // extern "C"
