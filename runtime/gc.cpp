#include "runtime/gc.h"

#include <cstdint>
#include <cstdlib>
#include <new>

int gc_markbit = 1;
int gc_new_bytes = 0;
int gc_alloced_bytes = 0;
int gc_max_alloced_bytes = 0;
int gc_marked_bytes = 0;
int gc_free_bytes = 0;

gc_object gc_unmarked_list;
gc_object gc_queued_list;
gc_object gc_marked_list;
gc_object gc_free_list;

gc_object* gc_cache[gc_cache_limit / 8];

namespace {

struct Root {
  const void* slot;
  gc_root_greyer grey;
};
const int max_roots = 64;
Root roots[max_roots];
int root_count = 0;

// The header gc_object_alloc wrote last. Value-initialising a class without a constructor of
// its own (`new Plain()`) zero-fills the whole object, header included, before the
// constructors run; no allocation can happen in between, so the header is put back from here.
struct {
  gc_object* object;
  gc_object* succ;
  gc_object* pred;
  int flags;
} last_alloc;

void list_clear(gc_object& list) {
  list.succ = list.pred = &list;
}

void list_unlink(gc_object* p) {
  p->pred->succ = p->succ;
  p->succ->pred = p->pred;
}

// The header of a fresh block is written before any constructor has run, so the block is
// not yet an object of a class with a virtual table: the sanitizer's dynamic-type check
// does not apply to these header stores.
#define GC_RAW_HEADER_ACCESS __attribute__((no_sanitize("vptr")))

GC_RAW_HEADER_ACCESS void list_append(gc_object& list, gc_object* p) {
  p->succ = &list;
  p->pred = list.pred;
  list.pred->succ = p;
  list.pred = p;
}

// Moves every object of `from` to the end of `to`; `from` ends empty. Constant time.
void list_splice(gc_object& from, gc_object& to) {
  if (from.succ == &from) return;
  gc_object* first = from.succ;
  gc_object* last = from.pred;
  first->pred = to.pred;
  to.pred->succ = first;
  last->succ = &to;
  to.pred = last;
  list_clear(from);
}

void release_block(void* p, int size) {
  if (size < gc_cache_limit) {
    gc_object* block = static_cast<gc_object*>(p);
    block->succ = gc_cache[size >> 3];
    gc_cache[size >> 3] = block;
  } else {
    std::free(p);
  }
}

}  // namespace

gc_object::gc_object() {
  if (this == last_alloc.object && flags == 0) {
    succ = last_alloc.succ;
    pred = last_alloc.pred;
    flags = last_alloc.flags;
  }
  last_alloc.object = nullptr;
}

gc_object::~gc_object() {}

void gc_object::mark() {}

void* gc_object::operator new(std::size_t size) {
  return gc_object_alloc(static_cast<int>(size));
}

void gc_object::operator delete(void* p) {
  // A constructor threw: the block is still on a live list and counted as allocated.
  gc_object* object = static_cast<gc_object*>(p);
  int size = object->flags & ~7;
  list_unlink(object);
  gc_alloced_bytes -= size;
  release_block(p, size);
}

void gc_init1() {
  list_clear(gc_unmarked_list);
  list_clear(gc_queued_list);
  list_clear(gc_marked_list);
  list_clear(gc_free_list);
}

void gc_init2() { gc_mark(); }

void gc_add_root(const void* slot, gc_root_greyer grey) {
  for (int i = 0; i < root_count; ++i)
    if (roots[i].slot == slot) return;
  if (root_count == max_roots) std::abort();  // a programming error: raise max_roots
  roots[root_count++] = Root{slot, grey};
}

void gc_clear_roots() { root_count = 0; }

void gc_flush_free(int size) {
  int target = gc_free_bytes - size;
  if (target < 0) target = 0;
  while (gc_free_bytes > target) {
    gc_object* p = gc_free_list.succ;
    if (p == &gc_free_list) {
      gc_free_bytes = 0;
      break;
    }
    list_unlink(p);
    gc_destroy(p);
  }
}

GC_RAW_HEADER_ACCESS gc_object* gc_object_alloc(int size) {
  // Every block holds at least the header that is written into it below.
  const int header = (static_cast<int>(sizeof(gc_object)) + 7) & ~7;
  size = size < header ? header : (size + 7) & ~7;
  gc_new_bytes += size;
  gc_flush_free(size);

  void* memory = nullptr;
  if (size < gc_cache_limit && gc_cache[size >> 3]) {
    memory = gc_cache[size >> 3];
    gc_cache[size >> 3] = gc_cache[size >> 3]->succ;
  } else {
    memory = std::malloc(size);
    if (!memory) throw std::bad_alloc();
  }
  gc_object* p = static_cast<gc_object*>(memory);
  p->flags = gc_markbit | size;
  list_append(gc_unmarked_list, p);
  last_alloc.object = p;
  last_alloc.succ = p->succ;
  last_alloc.pred = p->pred;
  last_alloc.flags = p->flags;

  gc_alloced_bytes += size;
  if (gc_alloced_bytes > gc_max_alloced_bytes) gc_max_alloced_bytes = gc_alloced_bytes;
  return p;
}

void gc_object_free(gc_object* p) {
  int size = p->flags & ~7;
  gc_free_bytes -= size;
  release_block(p, size);
}

void gc_destroy(gc_object* p) {
  int flags = p->flags;
  p->~gc_object();
  p->flags = flags;  // the destructors may not touch the header, but be sure of the size
  gc_object_free(p);
}

void gc_blacken(gc_object* p) {
  if (!p || (p->flags & 3) != gc_markbit) return;
  p->flags ^= 1;
  list_unlink(p);
  list_append(gc_marked_list, p);
  gc_marked_bytes += p->flags & ~7;
  p->mark();
}

void gc_mark() {
  for (int i = 0; i < root_count; ++i) roots[i].grey(roots[i].slot);
}

void gc_mark_queued(int limit) {
  while (gc_marked_bytes < limit && gc_queued_list.succ != &gc_queued_list) {
    gc_object* p = gc_queued_list.succ;
    list_unlink(p);
    list_append(gc_marked_list, p);
    gc_marked_bytes += p->flags & ~7;
    p->mark();
  }
}

int gc_sweep() {
  int freed = 0;
  if (gc_alloced_bytes != gc_marked_bytes) {
    freed = gc_alloced_bytes - gc_marked_bytes;
    gc_free_bytes += freed;
    list_splice(gc_unmarked_list, gc_free_list);
  }
  gc_alloced_bytes = gc_marked_bytes;
  list_clear(gc_unmarked_list);
  list_splice(gc_marked_list, gc_unmarked_list);
  gc_marked_bytes = 0;
  gc_markbit ^= 1;
  return freed;
}

void gc_collect() {
  if (gc_new_bytes <= gc_cycle_bytes) {
    int64_t target = gc_new_bytes + static_cast<int64_t>(gc_alloced_bytes - gc_new_bytes) *
                                        gc_new_bytes / gc_cycle_bytes;
    gc_mark_queued(static_cast<int>(target));
    return;
  }
  gc_mark_queued(2147483647);
  gc_sweep();
  gc_mark();
  gc_new_bytes = 0;
}

const char* gc_check_invariants() {
  struct ListCheck {
    gc_object* list;
    bool black;
    const char* name;
  } lists[] = {{&gc_unmarked_list, false, "unmarked"},
               {&gc_queued_list, true, "queued"},
               {&gc_marked_list, true, "marked"}};
  int64_t live = 0, marked = 0, freed = 0;
  for (const ListCheck& l : lists) {
    for (gc_object* p = l.list->succ; p != l.list; p = p->succ) {
      if (p->succ->pred != p) return "broken list links";
      bool white = (p->flags & 3) == gc_markbit;
      if (white == l.black) return l.black ? "white object on a grey or black list"
                                           : "reached object on the unmarked list";
      live += p->flags & ~7;
      if (l.list == &gc_marked_list) marked += p->flags & ~7;
    }
  }
  for (gc_object* p = gc_free_list.succ; p != &gc_free_list; p = p->succ) {
    if (p->succ->pred != p) return "broken free list links";
    freed += p->flags & ~7;
  }
  if (live != gc_alloced_bytes) return "gc_alloced_bytes differs from the live lists";
  if (marked != gc_marked_bytes) return "gc_marked_bytes differs from the marked list";
  if (freed != gc_free_bytes) return "gc_free_bytes differs from the free list";
  return "";
}
