// The application delegate: the one place where the host's events meet the renderer, the
// audio device, the input device and the application.
#include "host/game_delegate.h"

#include "audio/audio_module.h"
#include "graphics/graphics_module.h"
#include "host/app.h"
#include "host/input.h"
#include "platform/trace.h"
#include "runtime/gc.h"

void c_GameDelegate::mark() {
  gc_grey(m__graphics);
  gc_grey(m__audio);
  gc_grey(m__input);
}

void c_GameDelegate::StartGame() {
  gc_assign(m__graphics, new gxtkGraphics());
  vel_graphics_SetGraphicsDevice(m__graphics);
  vel_graphics_SetFont(nullptr, 32);
  gc_assign(m__audio, new gxtkAudio());
  vel_audio_SetAudioDevice(m__audio);
  TraceMoment("audio");
  gc_assign(m__input, (new c_InputDevice)->m_new());
  vel_input_SetInputDevice(m__input);
  vel_app__app->p_OnCreate();
}

void c_GameDelegate::SuspendGame() {
  vel_app__app->p_OnSuspend();
  m__audio->Suspend();
}

void c_GameDelegate::ResumeGame() {
  m__audio->Resume();
  vel_app__app->p_OnResume();
}

void c_GameDelegate::UpdateGame() {
  m__input->p_BeginUpdate();
  vel_app__app->p_OnUpdate();
  m__input->p_EndUpdate();
}

void c_GameDelegate::RenderGame() {
  m__graphics->BeginRender();
  vel_graphics_BeginRender();
  vel_app__app->p_OnRender();
  vel_graphics_EndRender();
  m__graphics->EndRender();  // flush and swap
  TraceFrameShown();
}

void c_GameDelegate::KeyEvent(int event, int data) {
  m__input->p_KeyEvent(event, data);
  if (event != 1) return;
  if (data == 432) vel_app__app->p_OnClose();
  if (data == 416) vel_app__app->p_OnBack();
}

void c_GameDelegate::MouseEvent(int event, int data, float x, float y) {
  m__input->p_MouseEvent(event, data, x, y);
}

void c_GameDelegate::TouchEvent(int event, int data, float x, float y) {
  m__input->p_TouchEvent(event, data, x, y);
}

void c_GameDelegate::MotionEvent(int event, int data, float x, float y, float z) {
  m__input->p_MotionEvent(event, data, x, y, z);
}

void c_GameDelegate::DiscardGraphics() {
  m__graphics->DiscardGraphics();
}
