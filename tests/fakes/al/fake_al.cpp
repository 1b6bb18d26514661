#include "fakes/al/fake_al.h"

namespace fake_al {

namespace {

World the_world;
int device, context;  // what the device and context handles point at

void record(const char* name, ALuint id = 0, ALenum param = 0) {
  the_world.calls.push_back(Call{name, id, param});
}

void fail(ALenum error) {
  if (the_world.error == AL_NO_ERROR) the_world.error = error;
}

// The named source, after recording the call; none without a current context.
Source* source(const char* call, ALuint name, ALenum param = 0) {
  record(call, name, param);
  if (!the_world.contextCurrent) return nullptr;
  auto it = the_world.sources.find(name);
  if (it != the_world.sources.end()) return &it->second;
  fail(AL_INVALID_NAME);
  return nullptr;
}

template <class Object>
void generate(const char* call, ALsizei n, ALuint* names, std::map<ALuint, Object>& into) {
  record(call);
  for (ALsizei i = 0; the_world.contextCurrent && i < n; ++i)
    into[names[i] = the_world.nextName++] = Object();
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
  return the_world.failOpenDevice ? nullptr : reinterpret_cast<ALCdevice*>(&fake_al::device);
}

ALCcontext* alcCreateContext(ALCdevice*, const ALCint*) {
  record("alcCreateContext");
  return the_world.failCreateContext ? nullptr : reinterpret_cast<ALCcontext*>(&fake_al::context);
}

ALCboolean alcMakeContextCurrent(ALCcontext* context) {
  record("alcMakeContextCurrent");
  if (context && the_world.failMakeContextCurrent) return ALC_FALSE;
  the_world.contextCurrent = context != nullptr;
  return ALC_TRUE;
}

ALCcontext* alcGetCurrentContext(void) {
  return the_world.contextCurrent ? reinterpret_cast<ALCcontext*>(&fake_al::context) : nullptr;
}

ALCboolean alcCloseDevice(ALCdevice*) { return ALC_TRUE; }
void alcDestroyContext(ALCcontext*) {}
void alDistanceModel(ALenum model) { record("alDistanceModel", 0, model); }
void alGenSources(ALsizei n, ALuint* names) {
  fake_al::generate("alGenSources", n, names, the_world.sources);
}
void alGenBuffers(ALsizei n, ALuint* names) {
  fake_al::generate("alGenBuffers", n, names, the_world.buffers);
}

ALenum alGetError(void) {
  if (!the_world.contextCurrent) return AL_INVALID_OPERATION;
  const ALenum error = the_world.error;
  the_world.error = AL_NO_ERROR;
  return error;
}

void alDeleteSources(ALsizei n, const ALuint* names) {
  for (ALsizei i = 0; the_world.contextCurrent && i < n; ++i) the_world.sources.erase(names[i]);
}

// All or nothing, as in OpenAL: one unknown or attached name fails the whole call.
void alDeleteBuffers(ALsizei n, const ALuint* names) {
  record("alDeleteBuffers", n > 0 ? names[0] : 0);
  for (ALsizei i = 0; the_world.contextCurrent && i < n; ++i) {
    if (names[i] && !the_world.buffers.count(names[i])) return fake_al::fail(AL_INVALID_NAME);
    for (const auto& source : the_world.sources)
      if (names[i] && source.second.buffer == names[i])
        return fake_al::fail(AL_INVALID_OPERATION);
  }
  for (ALsizei i = 0; the_world.contextCurrent && i < n; ++i) the_world.buffers.erase(names[i]);
}

void alBufferData(ALuint name, ALenum format, const ALvoid*, ALsizei size, ALsizei frequency) {
  record("alBufferData", name, format);
  if (!the_world.contextCurrent) return;
  if (!the_world.buffers.count(name)) return fake_al::fail(AL_INVALID_NAME);
  the_world.buffers[name] = fake_al::Buffer{format, size, frequency};
}

void alSourcei(ALuint name, ALenum param, ALint value) {
  fake_al::Source* s = fake_al::source("alSourcei", name, param);
  if (s && param == AL_LOOPING) s->looping = value;
  if (!s || param != AL_BUFFER) return;
  // A source that plays or is paused keeps its buffer.
  if (s->state == AL_PLAYING || s->state == AL_PAUSED) return fake_al::fail(AL_INVALID_OPERATION);
  if (value && !the_world.buffers.count(value)) return fake_al::fail(AL_INVALID_VALUE);
  s->buffer = value;
}

void alSourcef(ALuint name, ALenum param, ALfloat value) {
  if (fake_al::Source* s = fake_al::source("alSourcef", name, param))
    (param == AL_GAIN ? s->gain : s->pitch) = value;
}

void alSource3f(ALuint name, ALenum param, ALfloat x, ALfloat y, ALfloat z) {
  fake_al::Source* s = fake_al::source("alSource3f", name, param);
  if (s) s->position[0] = x, s->position[1] = y, s->position[2] = z;
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
