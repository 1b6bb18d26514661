// Array<T>: a one-word handle to a fixed-length store owned by the collector.
//
// Copying a handle shares the store. Each element type has one static empty store
// (colour bits 3, so it never looks white and is never collected); length-0 and
// default-constructed arrays use it, so empty arrays never allocate. Indexing is not
// bounds-checked: callers stay within 0..Length()-1.
#pragma once

#include <new>
#include <type_traits>

#include "runtime/gc.h"
#include "runtime/string.h"

template <class T>
class Array {
 public:
  class Rep : public gc_object {
   public:
    int length;

    T* data() { return reinterpret_cast<T*>(this + 1); }

    explicit Rep(int n) : length(n) {
      T* p = data();
      for (int i = 0; i < n; ++i) new (p + i) T();
    }
    ~Rep() override {
      T* p = data();
      for (int i = 0; i < length; ++i) p[i].~T();
    }
    // Elements of object types are blackened at once; numbers and strings hold no objects.
    void mark() override {
      if constexpr (std::is_pointer_v<T>) {
        T* p = data();
        for (int i = 0; i < length; ++i) gc_blacken(p[i]);
      }
    }

    static Rep* create(int n) {
      void* memory = gc_object_alloc(static_cast<int>(sizeof(Rep) + sizeof(T) * n));
      return new (memory) Rep(n);
    }

   private:
    friend class Array;
    struct EmptyTag {};
    explicit Rep(EmptyTag) : length(0) {
      succ = pred = nullptr;
      flags = 3;
    }
  };
  static_assert(sizeof(Rep) % alignof(T) == 0, "elements follow the store header");

  static Rep nullRep;

  Array() : rep(&nullRep) {}
  explicit Array(int length) : rep(length > 0 ? Rep::create(length) : &nullRep) {}
  Array(const Array& a) : rep(a.rep) {}
  // Stores go through the barrier: the handle may be a field of an already black object.
  Array& operator=(const Array& a) {
    gc_assign(rep, a.rep);
    return *this;
  }

  int Length() const { return rep->length; }
  T& operator[](int index) const { return rep->data()[index]; }
  T* begin() const { return rep->data(); }
  T* end() const { return rep->data() + rep->length; }

  // Object elements must be written with the barrier.
  template <class V>
  void Set(int index, V* value) const {
    gc_assign(rep->data()[index], value);
  }

  Rep* rep;
};

template <class T>
typename Array<T>::Rep Array<T>::nullRep{typename Array<T>::Rep::EmptyTag{}};

// Greys an array field's store (for the mark methods of classes holding arrays).
template <class T>
inline void gc_grey(const Array<T>& a) {
  gc_grey(static_cast<gc_object*>(a.rep));
}

template <class T>
void gc_register_root(const Array<T>* slot) {
  gc_add_root(slot, [](const void* s) { gc_grey(*static_cast<const Array<T>*>(s)); });
}
