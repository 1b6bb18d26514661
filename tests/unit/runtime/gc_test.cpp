// The collector, driven to exact phases and checked with gc_check_invariants(). Each test starts
// from an empty collector, so the tests stay independent in one process.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "runtime/array.h"
#include "runtime/gc.h"
#include "runtime/object.h"

namespace {

using V = std::vector<int>;
int destroyed = 0;

struct Node : Object {
  Node* next = nullptr;
  Object* other = nullptr;
  ~Node() override { ++destroyed; }
  void mark() override { gc_grey(next), gc_grey(other); }
};
struct Big : Node {
  char pad[4000];
};
struct Holder : Object {
  Array<int> ints;  // left empty: the collector meets the static empty store
  Array<String> strings;
  Array<Node*> nodes;
  void mark() override { gc_grey(ints), gc_grey(strings), gc_grey(nodes); }
};

int SizeOf(const gc_object* p) { return p->flags & ~7; }
bool IsWhite(const gc_object* p) { return (p->flags & 3) == gc_markbit; }
bool OnList(const gc_object& list, const gc_object* p) {
  for (const gc_object* q = list.succ; q != &list; q = q->succ)
    if (q == p) return true;
  return false;
}

class RuntimeGc : public ::testing::Test {
 protected:
  // Destroys what an earlier test left on the lists, empties the cache, zeroes the counters.
  void SetUp() override {
    for (gc_object* list : {&gc_unmarked_list, &gc_queued_list, &gc_marked_list, &gc_free_list})
      for (gc_object* p = list->succ; p && p != list; p = list->succ) list->succ = p->succ, gc_destroy(p);
    for (gc_object*& head : gc_cache)
      for (gc_object* block = head; block; block = head) head = block->succ, std::free(block);
    gc_init1();
    gc_clear_roots();
    gc_markbit = 1;
    gc_new_bytes = gc_alloced_bytes = gc_max_alloced_bytes = gc_marked_bytes = gc_free_bytes = destroyed = 0;
    gc_register_root(&root);
  }
  // Makes the next gc_collect() finish the cycle (mark all, sweep, grey the roots), twice.
  static void TwoCycles() {
    for (int i = 0; i < 2; ++i) gc_new_bytes = gc_cycle_bytes + 1, gc_collect();
    gc_flush_free(INT_MAX);
  }
  Object* root = nullptr;
};

TEST_F(RuntimeGc, StepsMarkAsTheyGoAndOnlyMoreThan8MiBSweeps) {
  const int kCycle = 8 << 20;
  Node* kept = new Node;
  root = kept;
  gc_init2();
  int garbage = 0;
  for (; gc_new_bytes + static_cast<int>(sizeof(Big)) <= kCycle; ++garbage) new Big, gc_collect();
  // Each step marks in proportion to what was allocated: the root was followed long ago. Nothing
  // is swept under 8 MiB, not even at exactly 8 MiB.
  EXPECT_TRUE(OnList(gc_marked_list, kept));
  gc_new_bytes = kCycle;
  gc_collect();
  EXPECT_EQ((V{destroyed, gc_free_bytes}), (V{0, 0}));
  new Big;  // crosses 8 MiB: the next step sweeps, and the root is greyed for the next cycle
  gc_collect();
  EXPECT_EQ((V{gc_new_bytes, destroyed, gc_free_bytes}), (V{0, 0, (garbage + 1) * SizeOf(gc_free_list.succ)}));
  EXPECT_TRUE(OnList(gc_queued_list, kept));
  // Each allocation destroys dead objects worth at least its own size, and no more.
  new Node;
  EXPECT_EQ(destroyed, 1);
  new Big;
  EXPECT_EQ(destroyed, 2);
  EXPECT_STREQ(gc_check_invariants(), "");
}

TEST_F(RuntimeGc, PhasesKeepTheListsConsistentAndTheBarrierKeepsStores) {
  Node *a = new Node, *b = new Node, *c = new Node;
  a->next = b;
  root = a;
  const int node = SizeOf(a);
  gc_mark();
  EXPECT_TRUE(OnList(gc_queued_list, a));
  gc_mark_queued(1);  // one object's worth: a is followed and turns black, b turns grey
  EXPECT_TRUE(OnList(gc_marked_list, a) && OnList(gc_queued_list, b) && gc_marked_bytes == node);
  EXPECT_STREQ(gc_check_invariants(), "");
  Node* kept = new Node;
  gc_assign(a->other, kept);  // a store into a black object greys what is stored
  EXPECT_TRUE(OnList(gc_queued_list, kept));
  gc_mark_queued(INT_MAX);
  Node* lost = new Node;
  b->other = lost;  // no barrier: the collector never hears of it
  EXPECT_EQ(gc_marked_bytes, 3 * node);
  EXPECT_STREQ(gc_check_invariants(), "");
  EXPECT_EQ(gc_sweep(), 2 * node);
  EXPECT_TRUE(OnList(gc_unmarked_list, kept) && IsWhite(a) && IsWhite(kept));
  EXPECT_TRUE(OnList(gc_free_list, c) && OnList(gc_free_list, lost));
  EXPECT_EQ((V{gc_alloced_bytes, destroyed}), (V{3 * node, 0}));  // the sweep itself destroys nothing
  b->other = nullptr;
  gc_flush_free(INT_MAX);
  EXPECT_EQ(destroyed, 2);
  EXPECT_STREQ(gc_check_invariants(), "");
}

TEST_F(RuntimeGc, ArraysStartEmptyHoldTheirElementsAndReleaseThem) {
  EXPECT_TRUE(Array<int>(0).rep == &Array<int>::nullRep && Array<int>().Length() == 0);
  Array<float> floats(3);
  EXPECT_EQ((V{static_cast<int>(floats[0] + floats[2]), gc_alloced_bytes}), (V{0, 48}));  // header 32
  const int null_refs = String::nullRep.refs;
  Holder* holder = new Holder;
  root = holder;
  Array<Node*> rooted(1);  // an array registered as a root holds its elements itself
  gc_register_root(&rooted);
  rooted.Set(0, new Node);
  gc_init2();
  gc_mark_queued(INT_MAX);  // the holder is black: what is stored into it now needs the barrier
  holder->strings = Array<String>(2);
  EXPECT_EQ(String::nullRep.refs, null_refs);  // empty elements take no reference
  String text("held");
  holder->strings[0] = text;
  holder->nodes = Array<Node*>(2);
  EXPECT_EQ(holder->nodes[1], nullptr);
  holder->nodes.Set(1, new Node);
  TwoCycles();
  EXPECT_TRUE(destroyed == 0 && text.rep->refs == 2);  // reached through the arrays
  root = nullptr;
  TwoCycles();
  EXPECT_TRUE(destroyed == 1 && text.rep->refs == 1);  // the store released its element
  // The static empty store went through every sweep untouched and unlinked.
  EXPECT_TRUE(Array<int>::nullRep.flags == 3 && Array<int>::nullRep.succ == nullptr);
  EXPECT_STREQ(gc_check_invariants(), "");
}

struct Plain : Object {
  int x;
};
struct Throws : Object {
  Throws() { throw 7; }
};

TEST_F(RuntimeGc, ConstructionKeepsTheHeaderAndUndoesFailures) {
  Plain* p = new Plain();  // value-initialisation zero-fills before the constructors run
  EXPECT_TRUE(p->x == 0 && IsWhite(p) && gc_unmarked_list.pred == p);
  const int before = gc_alloced_bytes;
  EXPECT_THROW(new Throws, int);
  EXPECT_TRUE(gc_alloced_bytes == before && gc_unmarked_list.pred == p);
  EXPECT_STREQ(gc_check_invariants(), "");
}

}  // namespace
