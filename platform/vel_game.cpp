// VelGame: the lifecycle flags and the guarded forwarding of host events to the delegate.
#include <cstdlib>
#include <ctime>

#include "platform/vel_game.h"
#include "runtime/debug.h"
#include "runtime/gc.h"

VelGame* VelGame::_game = nullptr;

void VelGame::GetDate(Array<int> date) {
  std::time_t now = std::time(nullptr);
  std::tm local;
  localtime_r(&now, &local);
  const int fields[] = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min,         local.tm_sec,     0};
  const int n = date.Length() < 7 ? date.Length() : 7;
  for (int i = 0; i < n; ++i) date[i] = fields[i];
}

bool VelGame::PollJoystick(int, Array<float>, Array<float>, Array<float>, Array<bool>) {
  return false;
}

void VelGame::Die(ThrowableObject*) {
  velPrint(String("Kestrel Runtime Error : Uncaught Kestrel Exception"));
  std::exit(-1);
}

// The delegate the host holds is a root of its own: it is blackened before every step.
void VelGame::gc_collect() {
  gc_blacken(_delegate);
  ::gc_collect();
}

// Runs one delegate call: an escaping runtime exception ends the process through Die, and the
// collector advances by one step afterwards. Collection therefore never happens inside an
// event, where the application may hold objects only in local variables. An event raised
// while another is being handled (a window change inside an update releases the held keys)
// is such a place too: it gets no step of its own, the outer event's step follows it.
#define VEL_FORWARD(call)                          \
  do {                                             \
    ++_eventDepth;                                 \
    try {                                          \
      _delegate->call;                             \
    } catch (ThrowableObject * exception) {        \
      Die(exception);                              \
    }                                              \
    if (--_eventDepth == 0) gc_collect();          \
  } while (0)

void VelGame::StartGame() {
  if (_started || !_delegate) return;
  _started = true;
  VEL_FORWARD(StartGame());
}

void VelGame::SuspendGame() {
  if (!_started || _suspended || !_delegate) return;
  _suspended = true;
  VEL_FORWARD(SuspendGame());
}

void VelGame::ResumeGame() {
  if (!_started || !_suspended || !_delegate) return;
  _suspended = false;
  VEL_FORWARD(ResumeGame());
}

void VelGame::UpdateGame() {
  if (!_started || _suspended || !_delegate) return;
  VEL_FORWARD(UpdateGame());
}

void VelGame::RenderGame() {
  if (!_started || !_delegate) return;
  VEL_FORWARD(RenderGame());
}

void VelGame::KeyEvent(int event, int data) {
  if (!_started || !_delegate) return;
  VEL_FORWARD(KeyEvent(event, data));
}

void VelGame::MouseEvent(int event, int data, float x, float y) {
  if (!_started || !_delegate) return;
  VEL_FORWARD(MouseEvent(event, data, x, y));
}

void VelGame::TouchEvent(int event, int data, float x, float y) {
  if (!_started || !_delegate) return;
  VEL_FORWARD(TouchEvent(event, data, x, y));
}

void VelGame::MotionEvent(int event, int data, float x, float y, float z) {
  if (!_started || !_delegate) return;
  VEL_FORWARD(MotionEvent(event, data, x, y, z));
}

void VelGame::DiscardGraphics() {
  if (!_started || !_delegate) return;
  VEL_FORWARD(DiscardGraphics());
}
