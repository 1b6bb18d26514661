// The async-event module: sources that want a call once per update. This program registers
// none, so a pass over the sources does nothing; the module is kept complete all the same.
#pragma once

#include "runtime/array.h"
#include "runtime/object.h"

class c_IAsyncEventSource : public virtual gc_interface {
 public:
  virtual int p_UpdateAsyncEvents() = 0;
};

// A growable stack with a length and element access.
template <class T>
class c_Stack : public Object {
 public:
  Array<T> m_data;
  int m_length = 0;
  static T m_NIL;

  c_Stack* m_new() { return this; }
  void mark() override { gc_grey(m_data); }

  int p_Length() { return m_length; }
  T p_Get(int index) { return index >= 0 && index < m_length ? m_data[index] : m_NIL; }
  void p_Push(T value) {
    if (m_length == m_data.Length()) {
      Array<T> bigger(m_length * 2 + 10);
      for (int i = 0; i < m_length; ++i) bigger.Set(i, m_data[i]);
      m_data = bigger;
    }
    m_data.Set(m_length++, value);
  }
  // Removes every element equal to `value`, keeping the order of the rest.
  void p_RemoveEach(T value) {
    int kept = 0;
    for (int i = 0; i < m_length; ++i)
      if (m_data[i] != value) m_data.Set(kept++, m_data[i]);
    for (int i = kept; i < m_length; ++i) m_data.Set(i, m_NIL);
    m_length = kept;
  }
};

template <class T>
T c_Stack<T>::m_NIL = T();

extern c_Stack<c_IAsyncEventSource*>* vel_asyncevent__sources;
extern c_IAsyncEventSource* vel_asyncevent__current;

// Sets the module's globals (an empty source stack) and registers them with the collector.
void vel_asyncevent_InitGlobals();
int vel_asyncevent_AddAsyncEventSource(c_IAsyncEventSource* source);
// A source may remove itself while it is being called.
int vel_asyncevent_RemoveAsyncEventSource(c_IAsyncEventSource* source);
// Calls every source once; does nothing when a pass is already running.
int vel_asyncevent_UpdateAsyncEvents();
