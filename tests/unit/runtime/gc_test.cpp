// The collector, driven to exact phases and checked with gc_check_invariants().
//
// Collector state is global. Every test starts from a clean collector (Fixture::SetUp
// destroys whatever an earlier test left on the lists, empties the block cache, clears the
// roots and zeroes the counters), so tests stay independent in one process and under
// ctest, which runs each test in a process of its own.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>

#include <sys/mman.h>

#include "runtime/array.h"
#include "runtime/gc.h"
#include "runtime/object.h"

namespace {

int destroyed = 0;

struct Node : Object {
  Node* next = nullptr;
  Object* other = nullptr;
  ~Node() override { ++destroyed; }
  void mark() override {
    gc_grey(next);
    gc_grey(other);
  }
};
struct Big : Node {
  char pad[4000];
};
struct Holder : Object {
  Array<int> ints;
  Array<String> strings;
  Array<Node*> nodes;
  void mark() override {
    gc_grey(ints);
    gc_grey(strings);
    gc_grey(nodes);
  }
};

int SizeOf(const gc_object* p) { return p->flags & ~7; }
bool IsWhite(const gc_object* p) { return (p->flags & 3) == gc_markbit; }
bool OnList(const gc_object& list, const gc_object* p) {
  for (const gc_object* q = list.succ; q != &list; q = q->succ)
    if (q == p) return true;
  return false;
}
gc_object* Raw(int size) { return new (gc_object_alloc(size)) gc_object(); }

// Forces the next gc_collect() to finish the cycle: mark all, sweep, grey the roots.
void FullCollection() {
  gc_new_bytes = gc_cycle_bytes + 1;
  gc_collect();
}

class RuntimeGc : public ::testing::Test {
 protected:
  static void Reset() {
    for (gc_object* list : {&gc_unmarked_list, &gc_queued_list, &gc_marked_list, &gc_free_list})
      for (gc_object* p = list->succ; p && p != list; p = list->succ) {
        list->succ = p->succ;
        gc_destroy(p);
      }
    for (gc_object*& head : gc_cache)
      for (gc_object* block = head; block; block = head) {
        head = block->succ;
        std::free(block);
      }
    gc_init1();
    gc_clear_roots();
    gc_markbit = 1;
    gc_new_bytes = gc_alloced_bytes = gc_max_alloced_bytes = gc_marked_bytes = gc_free_bytes = 0;
    destroyed = 0;
  }
  void SetUp() override {
    Reset();
    root = nullptr;
    gc_register_root(&root);
  }
  void TearDown() override { Reset(); }

  Object* root;
};

TEST_F(RuntimeGc, AllocationRecordsSizesAndRecyclesSmallBlocks) {
  // A request smaller than the header still gets room for the header (32 bytes here).
  gc_object* a = Raw(20);
  ASSERT_EQ(SizeOf(a), static_cast<int>(sizeof(gc_object)));
  gc_object* b = Raw(36);
  gc_object* c = Raw(57);
  EXPECT_EQ(SizeOf(b), 40);
  EXPECT_EQ(SizeOf(c), 64);
  EXPECT_TRUE(IsWhite(a) && IsWhite(c));
  EXPECT_EQ(gc_unmarked_list.pred, c);
  EXPECT_EQ(gc_alloced_bytes, 136);
  EXPECT_EQ(gc_max_alloced_bytes, 136);
  EXPECT_STREQ(gc_check_invariants(), "");

  // Nothing was reached: the sweep moves everything to the free list, destroying nothing.
  EXPECT_EQ(gc_sweep(), 136);
  EXPECT_EQ(gc_free_bytes, 136);
  EXPECT_EQ(gc_alloced_bytes, 0);
  EXPECT_STREQ(gc_check_invariants(), "");

  // Releasing 1 byte's worth destroys exactly the first dead object; its block is cached.
  gc_flush_free(1);
  EXPECT_EQ(gc_free_bytes, 104);
  EXPECT_EQ(gc_cache[4], a);
  // The next 32-byte object takes that block, destroying the next dead object (b) first.
  EXPECT_EQ(Raw(25), a);
  EXPECT_EQ(gc_cache[5], b);
  EXPECT_EQ(gc_cache[4], nullptr);
  EXPECT_EQ(Raw(40), b);
  EXPECT_STREQ(gc_check_invariants(), "");
}

TEST_F(RuntimeGc, DestructionWaitsForTheSweepAndForLaterAllocations) {
  Node* kept = new Node;
  root = kept;
  gc_init2();
  int garbage = 0;
  while (gc_new_bytes + static_cast<int>(sizeof(Big)) <= gc_cycle_bytes) {
    new Big;
    ++garbage;
    gc_collect();
  }
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(gc_free_bytes, 0);
  EXPECT_STREQ(gc_check_invariants(), "");

  new Big;  // crosses 8 MiB: the next step sweeps
  ++garbage;
  gc_collect();
  EXPECT_EQ(gc_new_bytes, 0);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(gc_free_bytes, garbage * SizeOf(gc_free_list.succ));
  EXPECT_TRUE(OnList(gc_queued_list, kept));  // greyed again for the next cycle

  // Each allocation destroys dead objects worth at least its own size, and no more.
  new Node;
  EXPECT_EQ(destroyed, 1);
  new Big;
  EXPECT_EQ(destroyed, 2);
  root = nullptr;
  EXPECT_STREQ(gc_check_invariants(), "");
}

TEST_F(RuntimeGc, BarrierKeepsObjectsStoredIntoBlackOnes) {
  Node* holder = new Node;
  root = holder;
  gc_mark();
  gc_mark_queued(INT_MAX);
  ASSERT_TRUE(OnList(gc_marked_list, holder));

  Node* kept = new Node;
  gc_assign(holder->next, kept);
  Node* lost = new Node;
  holder->other = lost;  // no barrier: the collector never hears of it
  EXPECT_TRUE(OnList(gc_queued_list, kept));
  EXPECT_STREQ(gc_check_invariants(), "");

  gc_mark_queued(INT_MAX);
  gc_sweep();
  EXPECT_TRUE(OnList(gc_unmarked_list, kept));
  EXPECT_TRUE(OnList(gc_free_list, lost));
  holder->other = nullptr;
  gc_flush_free(INT_MAX);
  EXPECT_EQ(destroyed, 1);
  EXPECT_STREQ(gc_check_invariants(), "");
}

TEST_F(RuntimeGc, ListsStayConsistentAtEveryPhase) {
  Node* a = new Node;
  Node* b = new Node;
  Node* c = new Node;
  a->next = b;
  root = a;
  const int node = SizeOf(a);
  EXPECT_STREQ(gc_check_invariants(), "");

  gc_mark();
  EXPECT_TRUE(OnList(gc_queued_list, a));
  EXPECT_STREQ(gc_check_invariants(), "");
  gc_mark_queued(1);  // one object's worth: a is followed, b becomes grey
  EXPECT_TRUE(OnList(gc_marked_list, a));
  EXPECT_TRUE(OnList(gc_queued_list, b));
  EXPECT_EQ(gc_marked_bytes, node);
  EXPECT_STREQ(gc_check_invariants(), "");
  gc_mark_queued(INT_MAX);
  EXPECT_EQ(gc_marked_bytes, 2 * node);
  EXPECT_TRUE(OnList(gc_unmarked_list, c));
  EXPECT_STREQ(gc_check_invariants(), "");

  EXPECT_EQ(gc_sweep(), node);
  EXPECT_TRUE(OnList(gc_unmarked_list, a) && OnList(gc_unmarked_list, b));
  EXPECT_TRUE(IsWhite(a) && IsWhite(b));
  EXPECT_TRUE(OnList(gc_free_list, c));
  EXPECT_EQ(gc_alloced_bytes, 2 * node);
  EXPECT_STREQ(gc_check_invariants(), "");
  EXPECT_EQ(destroyed, 0);
}

TEST_F(RuntimeGc, ArraysInitialiseElementsAndOwnTheirStrings) {
  EXPECT_EQ(Array<int>(0).rep, &Array<int>::nullRep);
  EXPECT_EQ(Array<Node*>().rep, &Array<Node*>::nullRep);
  Array<float> floats(3);
  EXPECT_EQ(floats[0] + floats[2], 0.0f);
  EXPECT_EQ(SizeOf(floats.rep), 48);  // 32-byte store header, 3 floats, rounded up

  const int null_refs = String::nullRep.refs;
  Holder* holder = new Holder;
  root = holder;
  gc_init2();
  holder->ints = Array<int>(0);
  holder->strings = Array<String>(2);
  EXPECT_EQ(String::nullRep.refs, null_refs);  // empty elements take no reference
  EXPECT_EQ(holder->strings[1].rep, &String::nullRep);
  String text("held");
  holder->strings[0] = text;
  EXPECT_EQ(text.rep->refs, 2);

  holder->nodes = Array<Node*>(2);
  EXPECT_EQ(holder->nodes[1], nullptr);
  holder->nodes.Set(1, new Node);
  FullCollection();
  FullCollection();
  gc_flush_free(INT_MAX);
  EXPECT_EQ(destroyed, 0);  // reached through the array
  EXPECT_EQ(text.rep->refs, 2);

  root = nullptr;
  FullCollection();
  FullCollection();
  gc_flush_free(INT_MAX);
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(text.rep->refs, 1);  // the store released its element
  // The static empty stores went through every sweep untouched and unlinked.
  for (gc_object* empty : {static_cast<gc_object*>(&Array<int>::nullRep), static_cast<gc_object*>(&Array<Node*>::nullRep)}) {
    EXPECT_EQ(empty->flags, 3);
    EXPECT_EQ(empty->succ, nullptr);
  }
  EXPECT_STREQ(gc_check_invariants(), "");
}

TEST_F(RuntimeGc, BoundedLiveSetKeepsTheHeapBounded) {
  Holder* ring = new Holder;
  root = ring;
  gc_init2();
  ring->nodes = Array<Node*>(64);
  const int live = 64 * static_cast<int>(sizeof(Big));
  // Objects stored during a cycle are greyed by the barrier and float until the next
  // sweep, so the heap holds at most two cycles' allocation plus the live set.
  const int bound = 2 * gc_cycle_bytes + 2 * live;
  int half_peak = 0;
  for (int i = 0; i < 60000; ++i) {  // about 240 MB allocated, 28 cycles
    ring->nodes.Set(i % 64, new Big);
    gc_collect();
    if (i == 30000) half_peak = gc_max_alloced_bytes;
  }
  EXPECT_LT(gc_max_alloced_bytes, bound);
  EXPECT_LT(gc_max_alloced_bytes, half_peak + live);  // no growth in the second half
  EXPECT_LE(gc_free_bytes, bound);
  EXPECT_GT(destroyed, 60000 - 64 - bound / static_cast<int>(sizeof(Big)));
  EXPECT_STREQ(gc_check_invariants(), "");
}

struct Plain : Object {
  int x;
  Node* n;
};
struct Throws : Object {
  Throws() { throw 7; }
};

TEST_F(RuntimeGc, ConstructionKeepsTheHeaderAndUndoesFailures) {
  // Value-initialisation zero-fills the object before the constructors run.
  Plain* p = new Plain();
  EXPECT_EQ(p->x, 0);
  EXPECT_EQ(SizeOf(p), static_cast<int>((sizeof(Plain) + 7) & ~7));
  EXPECT_TRUE(IsWhite(p));
  EXPECT_EQ(gc_unmarked_list.pred, p);
  EXPECT_STREQ(gc_check_invariants(), "");

  const int before = gc_alloced_bytes;
  EXPECT_THROW(new Throws, int);
  EXPECT_EQ(gc_alloced_bytes, before);
  EXPECT_EQ(gc_unmarked_list.pred, p);
  EXPECT_STREQ(gc_check_invariants(), "");
}

TEST_F(RuntimeGc, ObjectsCompareByIdentityAndAddress) {
  // Two objects exactly 4 GiB apart, and one just above the first: the order must follow
  // the addresses however far apart they lie.
  const size_t span = (size_t{1} << 32) + 4096;
  void* region = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(region, MAP_FAILED);
  char* base = static_cast<char*>(region);
  Object* objects[] = {new (base) Object, new (base + 64) Object, new (base + (size_t{1} << 32)) Object};
  for (Object* a : objects) {
    EXPECT_EQ(a->debug().ToUtf8(), "+Object\n");
    for (Object* b : objects) {
      EXPECT_EQ(a->Equals(b), a == b);
      int expected = a < b ? -1 : a == b ? 0 : 1;
      int got = a->Compare(b);
      EXPECT_EQ((got > 0) - (got < 0), expected) << static_cast<void*>(a) << " vs " << static_cast<void*>(b);
    }
  }
  munmap(region, span);
}

}  // namespace
