// Sound: numbered effects from "sfx/NNN.wav" played in rotation over 24 channels, and the
// streamed tune on the music channel. The sound option (m_Options[5]) decides: 0 nothing,
// 1 effects and music, 2 effects only, 3 music only.
#include "game/framework.h"
#include "game/my_app.h"

namespace {

const int kSoundOption = 5;
const int kEffectVoices = 24;

}  // namespace

int c_MyApp::p_LoadSFX(int n) {
  if (n < 0 || n >= m_Sounds.Length()) return 0;
  String file = String("sfx/") + String(n < 10 ? "00" : (n < 100 ? "0" : "")) + String(n) +
                String(".wav");
  m_Sounds.Set(n, vel_audio_LoadSound(file));
  Loaded(m_Sounds[n], file);
  return 0;
}

int c_MyApp::p_PlaySFX(int n, float rate, float volume, float pan) {
  const int option = m_Options[kSoundOption];
  if (option != 1 && option != 2) return 0;
  m_SfxVoice = (m_SfxVoice + 1) % kEffectVoices;
  const int channel = m_Order[m_SfxVoice];
  vel_audio_StopChannel(channel);
  c_Sound* sound = (n >= 0 && n < m_Sounds.Length()) ? m_Sounds[n] : nullptr;
  if (sound) vel_audio_PlaySound(sound, channel, 0);
  vel_audio_SetChannelRate(channel, rate);
  vel_audio_SetChannelVolume(channel, volume);
  vel_audio_SetChannelPan(channel, pan);
  return 0;
}

int c_MyApp::p_PlayTune(String name, int loop) {
  String path = String("sfx/") + name + String(".ogg");
  if (m_TunePlaying != 0) {
    vel_audio_StopMusic();
    m_TunePlaying = 0;
  }
  const int option = m_Options[kSoundOption];
  if (option == 1 || option == 3) {
    if (vel_audio_PlayMusic(path, loop) != 0) Loaded(nullptr, path);
    m_TunePlaying = 1;
  }
  return 0;
}

int c_MyApp::p_StopTune() {
  vel_audio_StopMusic();
  m_TunePlaying = 0;
  return 0;
}
