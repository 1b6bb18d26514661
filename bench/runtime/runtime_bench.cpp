// Collector allocation against malloc, collector steps over a large live heap, and string
// throughput. Run: build-*/bench/runtime/runtime_bench --benchmark_repetitions=5
//                  --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "runtime/array.h"
#include "runtime/gc.h"
#include "runtime/object.h"
#include "runtime/string.h"

namespace {

struct Node : Object {
  Node* next = nullptr;
  void mark() override { gc_grey(next); }
};

Node* root = nullptr;

// Destroys everything the collector holds and starts again with empty lists and counters.
void ResetCollector() {
  static bool started = false;
  if (!started) {
    gc_init1();
    started = true;
  }
  for (gc_object* list : {&gc_unmarked_list, &gc_queued_list, &gc_marked_list, &gc_free_list}) {
    while (list->succ != list) {
      gc_object* p = list->succ;
      p->pred->succ = p->succ;
      p->succ->pred = p->pred;
      gc_destroy(p);
    }
  }
  gc_clear_roots();
  root = nullptr;
  gc_new_bytes = gc_alloced_bytes = gc_max_alloced_bytes = gc_marked_bytes = gc_free_bytes = 0;
}

const int kBatch = 1024;

// Allocate a batch, let the sweep find it all dead (one splice), and let the next batch's
// allocations destroy it: every allocation runs the destructor of one dead object of the same
// size and, below 64 bytes, takes its block straight back from the cache.
void BM_GcAllocRelease(benchmark::State& state) {
  ResetCollector();
  const int size = static_cast<int>(state.range(0));
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(new (gc_object_alloc(size)) gc_object());
    gc_sweep();
    gc_new_bytes = 0;  // as a full collection does
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
  ResetCollector();
}
BENCHMARK(BM_GcAllocRelease)->Arg(24)->Arg(200);

void BM_MallocFree(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  void* blocks[kBatch];
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) {
      blocks[i] = std::malloc(size);
      benchmark::DoNotOptimize(blocks[i]);
    }
    for (int i = 0; i < kBatch; ++i) std::free(blocks[i]);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_MallocFree)->Arg(24)->Arg(200);

// malloc's most favourable pattern: each block freed at once and reused by the next call.
void BM_MallocFreeEach(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) {
      void* block = std::malloc(size);
      benchmark::DoNotOptimize(block);
      std::free(block);
    }
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_MallocFreeEach)->Arg(24)->Arg(200);

const int kLive = 100000;

void BuildLiveChain() {
  ResetCollector();
  gc_register_root(&root);
  for (int i = 0; i < kLive; ++i) {
    Node* n = new Node;
    n->next = root;
    root = n;
  }
  gc_mark();
  gc_new_bytes = gc_cycle_bytes + 1;
  gc_collect();
}

// One collector step after the host's event, with about 1 KB of small objects allocated since
// the previous step. Only the step is timed; every 8192nd step finishes the cycle.
void BM_GcStep100kLive(benchmark::State& state) {
  BuildLiveChain();
  for (auto _ : state) {
    for (int i = 0; i < 25; ++i) new Node;
    auto start = std::chrono::steady_clock::now();
    gc_collect();
    auto stop = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
  }
  ResetCollector();
}
BENCHMARK(BM_GcStep100kLive)->UseManualTime();

// A whole cycle's remaining work at once: mark all 100,000 live objects, sweep, grey the roots.
void BM_GcFullCollection100kLive(benchmark::State& state) {
  BuildLiveChain();
  for (auto _ : state) {
    gc_new_bytes = gc_cycle_bytes + 1;
    gc_collect();
  }
  state.SetItemsProcessed(state.iterations() * kLive);
  ResetCollector();
}
BENCHMARK(BM_GcFullCollection100kLive)->Unit(benchmark::kMicrosecond);

// A text of n code units with a comma every eighth unit.
String Text(int n) {
  std::u16string s(n, u'a');
  for (int i = 7; i < n; i += 8) s[i] = u',';
  return String(s.data(), n);
}

void BM_StringConcat(benchmark::State& state) {
  String a = Text(static_cast<int>(state.range(0))), b = Text(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize((a + b).rep);
  state.SetBytesProcessed(state.iterations() * 2 * (a.Length() + b.Length()));
}
BENCHMARK(BM_StringConcat)->Arg(512)->Arg(51200);

void BM_StringSplit(benchmark::State& state) {
  ResetCollector();
  String text = Text(static_cast<int>(state.range(0))), comma(",");
  for (auto _ : state) {
    benchmark::DoNotOptimize(text.Split(comma).rep);
    gc_collect();  // the element stores are collected as in the game
  }
  state.SetBytesProcessed(state.iterations() * 2 * text.Length());
  ResetCollector();
}
BENCHMARK(BM_StringSplit)->Arg(512)->Arg(51200);

void BM_StringReplace(benchmark::State& state) {
  String text = Text(static_cast<int>(state.range(0))), comma(","), with(";;");
  for (auto _ : state) benchmark::DoNotOptimize(text.Replace(comma, with).rep);
  state.SetBytesProcessed(state.iterations() * 2 * text.Length());
}
BENCHMARK(BM_StringReplace)->Arg(512)->Arg(51200);

}  // namespace
