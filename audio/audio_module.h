// The audio module: what game code uses for sound. It resolves data paths, wraps loaded
// samples in c_Sound objects and forwards to the device in vel_audio_device, tolerating
// sounds that failed to load.
#pragma once

#include "audio/gxtk_audio.h"
#include "runtime/object.h"
#include "runtime/string.h"

class c_Sound : public Object {
 public:
  gxtkSample* m_sample = nullptr;

  c_Sound() = default;
  c_Sound* m_new(gxtkSample* sample);
  c_Sound* m_new2();
  void mark() override;
};

// The device; null until vel_audio_SetAudioDevice. A collector root.
extern gxtkAudio* vel_audio_device;

// Module start-up (from velInit): no device yet; the global becomes a collector root.
void vel_audio_InitGlobals();
int vel_audio_SetAudioDevice(gxtkAudio* device);
// Null when the file cannot be loaded.
c_Sound* vel_audio_LoadSound(String path);
// Does nothing for a null sound or one without a sample.
int vel_audio_PlaySound(c_Sound* sound, int channel, int flags);
int vel_audio_StopChannel(int channel);
int vel_audio_SetChannelPan(int channel, float pan);
int vel_audio_SetChannelVolume(int channel, float volume);
int vel_audio_SetChannelRate(int channel, float rate);
// 0 when the tune started, -1 when it could not be loaded (the previous one is stopped anyway).
int vel_audio_PlayMusic(String path, int flags);
int vel_audio_StopMusic();
int vel_audio_PauseMusic();
int vel_audio_ResumeMusic();
