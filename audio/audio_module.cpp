#include "audio/audio_module.h"

#include "platform/files.h"

gxtkAudio* vel_audio_device = nullptr;

c_Sound* c_Sound::m_new(gxtkSample* sample) {
  gc_assign(m_sample, sample);
  return this;
}

c_Sound* c_Sound::m_new2() { return this; }

void c_Sound::mark() {
  Object::mark();
  gc_grey(m_sample);
}

void vel_audio_InitGlobals() {
  vel_audio_device = nullptr;
  gc_register_root(&vel_audio_device);
}

int vel_audio_SetAudioDevice(gxtkAudio* device) {
  gc_register_root(&vel_audio_device);  // registering twice is harmless
  gc_assign(vel_audio_device, device);
  return 0;
}

c_Sound* vel_audio_LoadSound(String path) {
  gxtkSample* sample = vel_audio_device->LoadSample(vel_data_FixDataPath(path));
  if (!sample) return nullptr;
  return (new c_Sound())->m_new(sample);
}

int vel_audio_PlaySound(c_Sound* sound, int channel, int flags) {
  if (sound && sound->m_sample) vel_audio_device->PlaySample(sound->m_sample, channel, flags);
  return 0;
}

int vel_audio_StopChannel(int channel) { return vel_audio_device->StopChannel(channel); }

int vel_audio_SetChannelPan(int channel, float pan) {
  return vel_audio_device->SetPan(channel, pan);
}

int vel_audio_SetChannelVolume(int channel, float volume) {
  return vel_audio_device->SetVolume(channel, volume);
}

int vel_audio_SetChannelRate(int channel, float rate) {
  return vel_audio_device->SetRate(channel, rate);
}

int vel_audio_PlayMusic(String path, int flags) {
  return vel_audio_device->PlayMusic(vel_data_FixDataPath(path), flags);
}

int vel_audio_StopMusic() { return vel_audio_device->StopMusic(); }

int vel_audio_PauseMusic() { return vel_audio_device->PauseMusic(); }

int vel_audio_ResumeMusic() { return vel_audio_device->ResumeMusic(); }
