#include "host/asyncevent.h"

#include "runtime/gc.h"

c_Stack<c_IAsyncEventSource*>* vel_asyncevent__sources = nullptr;
c_IAsyncEventSource* vel_asyncevent__current = nullptr;

void vel_asyncevent_InitGlobals() {
  vel_asyncevent__current = nullptr;
  gc_assign(vel_asyncevent__sources, (new c_Stack<c_IAsyncEventSource*>)->m_new());
  c_Stack<c_IAsyncEventSource*>::m_NIL = nullptr;
  gc_register_root(&vel_asyncevent__sources);
  gc_register_root(&vel_asyncevent__current);
}

int vel_asyncevent_AddAsyncEventSource(c_IAsyncEventSource* source) {
  vel_asyncevent__sources->p_Push(source);
  return 0;
}

int vel_asyncevent_RemoveAsyncEventSource(c_IAsyncEventSource* source) {
  if (source == vel_asyncevent__current) vel_asyncevent__current = nullptr;
  vel_asyncevent__sources->p_RemoveEach(source);
  return 0;
}

int vel_asyncevent_UpdateAsyncEvents() {
  if (vel_asyncevent__current) return 0;
  int i = 0;
  while (i < vel_asyncevent__sources->p_Length()) {
    gc_assign(vel_asyncevent__current, vel_asyncevent__sources->p_Get(i));
    vel_asyncevent__current->p_UpdateAsyncEvents();
    // A source that removed itself cleared the current one; the next source now has its index.
    if (vel_asyncevent__current) ++i;
  }
  vel_asyncevent__current = nullptr;
  return 0;
}
