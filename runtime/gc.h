// The incremental mark-and-sweep collector that owns every object and array store.
//
// Tri-colour invariant: a black object (on gc_marked_list) never points to a white one.
// White objects sit on gc_unmarked_list, grey ones on gc_queued_list (reached, references
// not followed yet), black ones on gc_marked_list. An object is white when
// (flags & 3) == gc_markbit; reaching it flips bit 0. The sweep flips gc_markbit, which
// turns every black survivor white again without visiting it.
//
// Marking is spread over the run: the host calls gc_collect() after every event, and each
// step follows grey objects in proportion to what was allocated since the last full
// collection. Once more than 8 MiB were allocated the step finishes marking and sweeps.
// Dead objects are not destroyed by the sweep: they wait on gc_free_list and are destroyed
// by later allocations, a few bytes' worth at a time.
//
// Collection only runs between host events, so locals are never roots; the roots are the
// registered module globals (gc_register_root) plus whatever the host blackens itself.
#pragma once

#include <cstddef>
#include <type_traits>

struct gc_interface;

struct gc_object {
  gc_object* succ;
  gc_object* pred;
  int flags;  // bits 3 and up: size in bytes; bits 0-1: colour

  // Leaves the header as gc_object_alloc wrote it (see gc.cpp for why this is not empty).
  gc_object();
  virtual ~gc_object();
  virtual void mark();

  // Collected objects are created with plain `new`; their memory comes from the collector.
  static void* operator new(std::size_t size);
  static void* operator new(std::size_t, void* where) noexcept { return where; }
  // Only reached when a constructor throws: undoes the allocation.
  static void operator delete(void* p);
  static void operator delete(void*, void*) noexcept {}

  gc_object(const gc_object&) = delete;
  gc_object& operator=(const gc_object&) = delete;
};

// Base of translated interfaces; inherited virtually beside Object.
struct gc_interface {
  virtual ~gc_interface() {}
};

extern int gc_markbit;
extern int gc_new_bytes;
extern int gc_alloced_bytes;
extern int gc_max_alloced_bytes;
extern int gc_marked_bytes;
extern int gc_free_bytes;

extern gc_object gc_unmarked_list;
extern gc_object gc_queued_list;
extern gc_object gc_marked_list;
extern gc_object gc_free_list;

// Blocks below this size are recycled through gc_cache[size / 8].
const int gc_cache_limit = 64;
extern gc_object* gc_cache[gc_cache_limit / 8];

// More than this many bytes allocated since the last full collection ends the cycle.
const int gc_cycle_bytes = 8 * 1024 * 1024;

void gc_init1();
void gc_init2();
gc_object* gc_object_alloc(int size);
void gc_object_free(gc_object* p);
void gc_destroy(gc_object* p);
void gc_flush_free(int size);
void gc_mark();
void gc_mark_queued(int limit);
int gc_sweep();
void gc_collect();

// Roots: module globals holding objects. gc_mark() greys what each registered slot holds.
typedef void (*gc_root_greyer)(const void* slot);
void gc_add_root(const void* slot, gc_root_greyer grey);
template <class T>
void gc_register_root(T* const* slot);
void gc_clear_roots();

// The two marking primitives.
// Grey: a white object moves to the end of gc_queued_list; its references are followed later.
inline void gc_grey(gc_object* p) {
  if (!p || (p->flags & 3) != gc_markbit) return;
  p->flags ^= 1;
  p->pred->succ = p->succ;
  p->succ->pred = p->pred;
  p->succ = &gc_queued_list;
  p->pred = gc_queued_list.pred;
  gc_queued_list.pred->succ = p;
  gc_queued_list.pred = p;
}
// Blacken: a white object moves to the end of gc_marked_list and is followed at once.
void gc_blacken(gc_object* p);

inline gc_object* gc_object_of(gc_object* p) { return p; }
inline gc_object* gc_object_of(gc_interface* p) { return p ? dynamic_cast<gc_object*>(p) : nullptr; }

template <class T>
inline void gc_grey(T* p) {
  gc_grey(gc_object_of(p));
}
template <class T>
inline void gc_blacken(T* p) {
  gc_blacken(gc_object_of(p));
}

template <class T>
void gc_register_root(T* const* slot) {
  gc_add_root(slot, [](const void* s) { gc_grey(*static_cast<T* const*>(s)); });
}

// Store barrier: every store of an object reference into a field, global or element.
// Greying the new value is enough: a white object stored into a black one becomes grey and
// is followed before the sweep, and everything stored before a cycle began is reached from
// the roots that gc_mark greys at its start. The old value is left alone.
template <class T, class V>
inline void gc_assign(T*& field, V* value) {
  gc_grey(value);
  field = value;
}

// Debug walk over every list: colours match the list, links are consistent and the byte
// counters agree with the objects found. Returns an empty string when all holds, else what
// was wrong. Used by the collector tests.
const char* gc_check_invariants();
