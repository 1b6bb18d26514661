// gxtkAudio: the program's one audio device, 33 numbered channels over OpenAL.
//
// Channels 0..31 play sound effects, channel 32 plays music (a whole decoded file). Each
// channel gets its OpenAL source the first time an operation needs it and keeps it.
//
// Buffers are deleted lazily. A dying gxtkSample only moves its buffer name to the discard
// list, because OpenAL refuses to delete a buffer that a source still holds. The list is
// flushed at the start of LoadSample and PlaySample: finished channels let go of their
// buffers first, then every name that still cannot be deleted stays listed for next time.
//
// When OpenAL cannot be opened the device prints why and keeps working silently: every al*
// call without a current context is a no-op, and source queries read as stopped.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <vector>

#include "runtime/object.h"
#include "runtime/string.h"

class gxtkSample : public Object {
 public:
  ALuint buffer = 0;  // 0: no buffer

  gxtkSample() = default;
  explicit gxtkSample(ALuint buffer);
  ~gxtkSample() override;

  int SetBuffer(ALuint buffer);
  // Hands the buffer to the discard list; the sample then holds none.
  int Discard();
};

struct gxtkChannel {
  ALuint source;       // 0 until first needed
  gxtkSample* sample;  // the sample last started here; null once the channel is seen stopped
  int flags;           // flags of that start; 1 = loop
  int state;           // 0 stopped, 1 playing, 2 paused

  ALuint AL_Source();
};

class gxtkAudio : public Object {
 public:
  static const int kChannels = 33;
  static const int kMusicChannel = 32;

  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  gxtkChannel channels[kChannels];

  gxtkAudio();
  ~gxtkAudio() override;
  // Deletes the sources, then closes the context and the device; the device then plays
  // silently. Runs by itself when the program exits.
  void Close();
  // Keeps alive every sample that a channel is playing or holds paused.
  void mark() override;

  // Pause and restart the sources of playing channels; channel states do not change.
  virtual int Suspend();
  virtual int Resume();

  virtual gxtkSample* LoadSample__UNSAFE__(gxtkSample* sample, String path);
  virtual gxtkSample* LoadSample(String path);
  virtual int PlaySample(gxtkSample* sample, int channel, int flags);

  virtual int StopChannel(int channel);
  virtual int PauseChannel(int channel);
  virtual int ResumeChannel(int channel);
  virtual int ChannelState(int channel);
  virtual int SetVolume(int channel, float volume);
  // pan is an angle in radians: the source sits on the unit circle in front of the listener.
  virtual int SetPan(int channel, float pan);
  virtual int SetRate(int channel, float rate);

  virtual int PlayMusic(String path, int flags);
  virtual int StopMusic();
  virtual int PauseMusic();
  virtual int ResumeMusic();
  virtual int MusicState();
  virtual int SetMusicVolume(float volume);

 private:
  void FlushDiscarded();
};

// OpenAL format for bytes per sample (1 or 2) and channel count (1 or 2); 0 for anything else.
ALenum gxtkAudioFormat(int bytesPerSample, int channels);

// Buffer names waiting for deletion (for tests and diagnostics).
const std::vector<ALuint>& gxtkDiscardedBuffers();
