#include "audio/gxtk_audio.h"

#include <cmath>
#include <cstdlib>

#include "audio/audio_decoders.h"
#include "platform/vel_game.h"
#include "runtime/debug.h"

namespace {

std::vector<ALuint> discarded;

// The device whose OpenAL device is open. The program ends through exit (the window closed,
// F4, the back key), never by destroying it, so an exit handler closes it: OpenAL reports a
// device left open when the process ends.
gxtkAudio* open_device = nullptr;

void close_open_device() {
  if (open_device) open_device->Close();
}

// A source's state; without a context OpenAL writes nothing, which reads as stopped.
ALint SourceState(ALuint source) {
  ALint state = AL_STOPPED;
  alGetSourcei(source, AL_SOURCE_STATE, &state);
  return state;
}

}  // namespace

const std::vector<ALuint>& gxtkDiscardedBuffers() { return discarded; }

ALenum gxtkAudioFormat(int bytesPerSample, int channels) {
  if (bytesPerSample == 1 && channels == 1) return AL_FORMAT_MONO8;
  if (bytesPerSample == 1 && channels == 2) return AL_FORMAT_STEREO8;
  if (bytesPerSample == 2 && channels == 1) return AL_FORMAT_MONO16;
  if (bytesPerSample == 2 && channels == 2) return AL_FORMAT_STEREO16;
  return 0;
}

// ---- gxtkSample

gxtkSample::gxtkSample(ALuint buffer) : buffer(buffer) {}

gxtkSample::~gxtkSample() { Discard(); }

int gxtkSample::SetBuffer(ALuint name) {
  buffer = name;
  return 0;
}

int gxtkSample::Discard() {
  if (buffer) {
    discarded.push_back(buffer);
    buffer = 0;
  }
  return 0;
}

// ---- gxtkChannel

ALuint gxtkChannel::AL_Source() {
  if (!source) alGenSources(1, &source);
  return source;
}

// ---- gxtkAudio

gxtkAudio::gxtkAudio() {
  device = alcOpenDevice(nullptr);
  if (!device) {
    velPrint(String("OpenAl error: alcOpenDevice failed"));
  } else {
    static const bool close_at_exit = std::atexit(close_open_device) == 0;
    (void)close_at_exit;
    open_device = this;
    context = alcCreateContext(device, nullptr);
    if (!context) {
      velPrint(String("OpenAl error: alcCreateContext failed"));
    } else if (!alcMakeContextCurrent(context)) {
      velPrint(String("OpenAl error: alcMakeContextCurrent failed"));
    }
  }
  alDistanceModel(AL_NONE);
  for (gxtkChannel& channel : channels) channel = gxtkChannel{0, nullptr, 0, 0};
}

gxtkAudio::~gxtkAudio() { Close(); }

void gxtkAudio::Close() {
  if (open_device == this) open_device = nullptr;
  if (context) {
    for (gxtkChannel& channel : channels) {
      if (channel.source) alDeleteSources(1, &channel.source);
      channel = gxtkChannel{0, nullptr, 0, 0};
    }
    if (alcGetCurrentContext() == context) alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    context = nullptr;
  }
  if (device) alcCloseDevice(device);
  device = nullptr;
}

// A channel keeps its sample alive only while it sounds or holds it paused. Once the channel
// is seen stopped it lets go of the pointer as well: the collector may free the sample.
void gxtkAudio::mark() {
  for (gxtkChannel& channel : channels) {
    if (channel.state != 0 && channel.sample && SourceState(channel.AL_Source()) != AL_STOPPED)
      gc_grey(channel.sample);
    else
      channel.sample = nullptr;
  }
}

int gxtkAudio::Suspend() {
  for (gxtkChannel& channel : channels) {
    if (channel.state == 1 && SourceState(channel.AL_Source()) == AL_PLAYING)
      alSourcePause(channel.source);
  }
  return 0;
}

int gxtkAudio::Resume() {
  for (gxtkChannel& channel : channels) {
    if (channel.state == 1 && SourceState(channel.AL_Source()) == AL_PAUSED)
      alSourcePlay(channel.source);
  }
  return 0;
}

void gxtkAudio::FlushDiscarded() {
  if (discarded.empty()) return;
  // Finished channels no longer need their buffers; letting go makes them deletable.
  for (gxtkChannel& channel : channels) {
    if (channel.state != 0 && SourceState(channel.AL_Source()) == AL_STOPPED)
      alSourcei(channel.source, AL_BUFFER, 0);
  }
  std::vector<ALuint> kept;
  for (ALuint buffer : discarded) {
    alGetError();  // an older error must not be taken for this deletion's
    alDeleteBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR) kept.push_back(buffer);  // still attached somewhere
  }
  discarded.swap(kept);
}

gxtkSample* gxtkAudio::LoadSample__UNSAFE__(gxtkSample* sample, String path) {
  int length = 0, channelCount = 0, format = 0, hertz = 0;
  // Opened through the running host, whose path mapping applies (as in LoadAudioData).
  unsigned char* data =
      DecodeAudioFile(VelGame::_game, path, &length, &channelCount, &format, &hertz);
  if (!data) return nullptr;
  // The decoders guarantee that the byte count fits an ALsizei.
  ALsizei bytes = static_cast<ALsizei>(static_cast<long long>(length) * channelCount * format);
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  alBufferData(buffer, gxtkAudioFormat(format, channelCount), data, bytes, hertz);
  std::free(data);
  sample->SetBuffer(buffer);
  return sample;
}

gxtkSample* gxtkAudio::LoadSample(String path) {
  FlushDiscarded();
  return LoadSample__UNSAFE__(new gxtkSample(), path);
}

int gxtkAudio::PlaySample(gxtkSample* sample, int channel, int flags) {
  if (!sample) return 0;  // a sound that failed to load plays nothing
  FlushDiscarded();
  gxtkChannel& chan = channels[channel];
  ALuint source = chan.AL_Source();
  alSourceStop(source);
  alSourcei(source, AL_BUFFER, static_cast<ALint>(sample->buffer));
  alSourcei(source, AL_LOOPING, flags ? 1 : 0);
  alSourcePlay(source);
  gc_assign(chan.sample, sample);
  chan.flags = flags;
  chan.state = 1;
  return 0;
}

int gxtkAudio::StopChannel(int channel) {
  gxtkChannel& chan = channels[channel];
  if (chan.state != 0) {
    alSourceStop(chan.AL_Source());
    chan.state = 0;
    chan.sample = nullptr;
  }
  return 0;
}

int gxtkAudio::PauseChannel(int channel) {
  gxtkChannel& chan = channels[channel];
  if (chan.state == 1) {
    if (SourceState(chan.AL_Source()) == AL_STOPPED) {
      chan.state = 0;  // the sound had ended; there is nothing to resume
      chan.sample = nullptr;
    } else {
      alSourcePause(chan.source);
      chan.state = 2;
    }
  }
  return 0;
}

int gxtkAudio::ResumeChannel(int channel) {
  gxtkChannel& chan = channels[channel];
  if (chan.state == 2) {
    alSourcePlay(chan.AL_Source());
    chan.state = 1;
  }
  return 0;
}

int gxtkAudio::ChannelState(int channel) {
  gxtkChannel& chan = channels[channel];
  if (chan.state == 1 && SourceState(chan.AL_Source()) == AL_STOPPED) {
    chan.state = 0;
    chan.sample = nullptr;
  }
  return chan.state;
}

int gxtkAudio::SetVolume(int channel, float volume) {
  alSourcef(channels[channel].AL_Source(), AL_GAIN, volume);
  return 0;
}

int gxtkAudio::SetPan(int channel, float pan) {
  alSource3f(channels[channel].AL_Source(), AL_POSITION, std::sin(pan), 0.0f, -std::cos(pan));
  return 0;
}

int gxtkAudio::SetRate(int channel, float rate) {
  alSourcef(channels[channel].AL_Source(), AL_PITCH, rate);
  return 0;
}

int gxtkAudio::PlayMusic(String path, int flags) {
  StopMusic();
  gxtkSample* music = LoadSample(path);
  if (!music) return -1;
  PlaySample(music, kMusicChannel, flags);
  return 0;
}

int gxtkAudio::StopMusic() { return StopChannel(kMusicChannel); }

int gxtkAudio::PauseMusic() { return PauseChannel(kMusicChannel); }

int gxtkAudio::ResumeMusic() { return ResumeChannel(kMusicChannel); }

int gxtkAudio::MusicState() { return ChannelState(kMusicChannel); }

int gxtkAudio::SetMusicVolume(float volume) { return SetVolume(kMusicChannel, volume); }
