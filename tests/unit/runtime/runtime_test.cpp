// The runtime: the collector driven to exact phases and checked with gc_check_invariants() (each
// collector test starts from an empty collector); strings at their edges and file decoding; text
// output, runtime errors, the debugger line protocol and the signal handler, each run in a child
// process and observed from outside (exit status and the exact output bytes).
#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include "runtime/array.h"
#include "runtime/debug.h"
#include "runtime/gc.h"
#include "runtime/object.h"
#include "runtime/string.h"

namespace {

using V = std::vector<int>;
int destroyed = 0;

struct Node : Object {
  Node* next = nullptr;
  Object* other = nullptr;
  ~Node() override { ++destroyed; }
  void mark() override { gc_grey(next), gc_grey(other); }
};
struct Big : Node { char pad[4000]; };
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
    gc_init1(), gc_clear_roots(), gc_markbit = 1;
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
  EXPECT_EQ((new Node, destroyed), 1);
  EXPECT_EQ((new Big, destroyed), 2);
  EXPECT_STREQ(gc_check_invariants(), "");
}

TEST_F(RuntimeGc, BlocksUnder64BytesAreKeptForReuseLargerOnesGoBack) {
  gc_object* small = new (gc_object_alloc(56)) gc_object();
  new (gc_object_alloc(64)) gc_object();
  EXPECT_EQ((gc_sweep(), gc_flush_free(INT_MAX), gc_cache[7]), small);  // nothing reached: both freed
  for (int size : {50, 64, 64}) EXPECT_EQ(new (gc_object_alloc(size)) gc_object() == small, size == 50) << size;
  EXPECT_STREQ(gc_check_invariants(), "");
}

TEST_F(RuntimeGc, PhasesKeepTheListsConsistentAndTheBarrierKeepsStores) {
  Node *a = new Node, *b = new Node, *c = new Node;
  a->next = b, root = a;
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
  EXPECT_EQ((gc_flush_free(INT_MAX), destroyed), 2);
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

struct Plain : Object { int x; };
struct Throws : Object { Throws() { throw 7; } };

TEST_F(RuntimeGc, ConstructionKeepsTheHeaderAndUndoesFailures) {
  Plain* p = new Plain();  // value-initialisation zero-fills before the constructors run
  EXPECT_TRUE(p->x == 0 && IsWhite(p) && gc_unmarked_list.pred == p);
  const int before = gc_alloced_bytes;
  EXPECT_THROW(new Throws, int);
  EXPECT_TRUE(gc_alloced_bytes == before && gc_unmarked_list.pred == p);
  EXPECT_STREQ(gc_check_invariants(), "");
}

String S(const std::u16string& s) { return String(s.data(), static_cast<int>(s.size())); }
std::u16string U(const String& s) { return std::u16string(s.Data(), s.Length()); }

std::u16string Parts(const Array<String>& a) {
  std::u16string out;
  for (int i = 0; i < a.Length(); ++i) out += (i ? u"|" : u"") + U(a[i]);
  return out;
}

String LoadBytes(const std::string& bytes, long skip = 0) {
  FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fseek(f, skip, SEEK_SET);
  String s = String::Load(f);
  std::fclose(f);
  return s;
}

TEST(RuntimeString, FindSliceSplitAndReplaceAtTheirEdges) {
  gc_init1();  // Split builds arrays, whose stores come from the collector
  String s = S(u"abcabc");
  EXPECT_EQ((std::vector<int>{s.Find(S(u"ab")), s.Find(S(u"bc"), 2), s.Find(S(u"abc"), 3), s.Find(S(u"c"), -7),
                              s.Find(String(), 6), s.Find(String(), 7), s.Find(S(u"a"), INT_MAX)}),
            (std::vector<int>{0, 4, 3, 2, 6, -1, -1}));  // a negative start counts as 0
  EXPECT_EQ(U(s.Slice(1, 3)) + U(s.Slice(-2)), u"bcbc");
  EXPECT_TRUE(s.Slice(-100).rep == s.rep && s.Slice(0, 6).rep == s.rep);  // whole: shared
  // Only the from index counts from the end; a negative to index leaves nothing.
  for (auto [from, to] : {std::pair{3, 2}, {INT_MAX, INT_MAX}, {0, -1}, {-3, -1}})
    EXPECT_EQ(s.Slice(from, to).rep, &String::nullRep) << from << ".." << to;

  // Occurrences do not overlap: the search resumes after each separator.
  EXPECT_EQ(Parts(S(u"a,,b").Split(S(u","))) + u"/" + Parts(S(u"a,,,b").Split(S(u",,"))), u"a||b/a|,b");
  EXPECT_EQ(Parts(S(u"abc").Split(String())), u"a|b|c");
  EXPECT_EQ(String().Split(String()).rep, &Array<String>::nullRep);
  Array<String> one = String().Split(S(u","));
  EXPECT_TRUE(one.Length() == 1 && one[0].rep == &String::nullRep);
  String plain = S(u"no separator");
  EXPECT_EQ(plain.Split(S(u"#"))[0].rep, plain.rep);
  EXPECT_EQ(U(S(u"aaa").Replace(S(u"aa"), S(u"b"))) + U(S(u"a.b.c").Replace(S(u"."), S(u"--"))), u"baa--b--c");
  EXPECT_EQ(U(S(u".x.").Replace(S(u"."), String())), u"x");
  EXPECT_EQ(S(u"...").Replace(S(u"."), String()).rep, &String::nullRep);
  EXPECT_EQ(plain.Replace(S(u"#"), S(u"!")).rep, plain.rep);
}

TEST(RuntimeString, ToInt) {
  // Leading white space and a sign, then digits; saturates; reads only the first 63 code units,
  // each narrowed to its low byte (U+0134 reads as '4').
  const std::pair<std::u16string, int> kCases[] = {
      {u" 42x", 42}, {u"", 0}, {u"\t\n -17", -17}, {u"- 5", 0}, {u"2147483648", INT_MAX},
      {u"-2147483649", INT_MIN}, {std::u16string(60, u'9'), INT_MAX}, {u"-" + std::u16string(60, u'9'), INT_MIN},
      {std::u16string(61, u' ') + u"123", 12}, {std::u16string(63, u' ') + u"123", 0}, {u"\u0134\u0132", 42}};
  for (const auto& [text, value] : kCases) EXPECT_EQ(S(text).ToInt(), value) << value;
}

TEST(RuntimeString, SharingOrderAndNarrowCopies) {
  String a = S(u"left"), empty;
  const int refs = a.rep->refs;
  String b = a + empty, c = empty + a, ab = a + S(u"!");
  EXPECT_TRUE(b.rep == a.rep && c.rep == a.rep && a.rep->refs == refs + 2);
  EXPECT_TRUE(U(ab) == u"left!" && ab.rep->refs == 1 && (empty + String()).rep == &String::nullRep);
  EXPECT_TRUE(a < ab && !(a < a) && !(ab < a));
  // Narrow copies share one block; U+0142's low byte is 'B'.
  auto first = S(u"a\u0142z").ToCString<char>();
  EXPECT_EQ(decltype(first)(first).c_str(), first.c_str());
  EXPECT_STREQ(first, "aBz");  // still there after the copy went
}

TEST(RuntimeString, LoadDecodesEveryEncoding) {
  const std::pair<std::string, std::u16string> kFiles[] = {
      {"", u""}, {"\xFF\xFE", u""}, {"\xEF\xBB\xBF", u""}, {std::string("\xFF\xFE" "A\0B", 5), u"A"},
      {std::string("\xFE\xFF\0A\x20\xAC\0", 7), u"A\u20AC"}, {"\xFE\xFF\xD8", u""},
      {"\xEF\xBB\xBFh\xC3\xA9", u"h\u00e9"}, {"\xE2\x82\xAC", u"\u20AC"},  // a sequence ending the file
      // Invalid UTF-8 of any kind falls back to one code unit per byte; FF second is no mark.
      {"h\xE9", u"h\u00e9"}, {"a\xFF", u"a\u00ff"}, {"\xEF\xBB\xBFh\xE9", u"h\u00e9"},
      {"\xEF\xBB", u"\u00ef\u00bb"}, {"a\xE2\x82", u"a\u00e2\u0082"},
      {"\xF0\x9F\x98\x80", u"\u00f0\u009f\u0098\u0080"}, {"\x80x", u"\u0080x"}};
  for (const auto& [bytes, text] : kFiles) EXPECT_EQ(U(LoadBytes(bytes)), text) << bytes;
  EXPECT_EQ(U(LoadBytes(std::string("skip\xFF\xFE" "A\0", 8), 4)), u"A");  // from the current position
  // 10001 bytes: two-byte sequences split across read blocks, then one bad byte at the end that
  // turns the whole file into Latin-1.
  std::string text = "z";
  for (int i = 0; i < 5000; ++i) text += "\xC3\xA9";
  String s = LoadBytes(text);
  EXPECT_TRUE(s.Length() == 5001 && s[4096] == 0xE9 && s[5000] == 0xE9);
  s = LoadBytes(text + "\xFF");
  EXPECT_TRUE(s.Length() == 10002 && s[4097] == 0xC3 && s[10001] == 0xFF);
}

struct Outcome { int status; std::string out, err; };  // status: exit status, or 1000 + signal

std::string Contents(FILE* f) {
  std::string text;
  for (int c = (std::rewind(f), std::fgetc(f)); c != EOF; c = std::fgetc(f)) text += static_cast<char>(c);
  return std::fclose(f), text;
}

// Runs body in a child whose standard streams are temporary files; standard input holds
// `input`, or is closed.
Outcome RunChild(const std::function<void()>& body, const char* input = nullptr) {
  FILE *in = std::tmpfile(), *out = std::tmpfile(), *err = std::tmpfile();
  if (input) std::fputs(input, in);
  std::rewind(in), std::fflush(nullptr);
  if (fork() == 0) {
    dup2(fileno(out), 1), dup2(fileno(err), 2);
    input ? dup2(fileno(in), 0) : close(0);
    body();
    _exit(100);  // the call under test was expected to end the process; nothing is flushed here
  }
  int status = 0;
  wait(&status);
  std::fclose(in);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status), Contents(out), Contents(err)};
}

const std::string kReport = "Kestrel Runtime Error : x\n\n", kHeader = "{{~~~~}}\n\n";

TEST(RuntimeDebug, ErrorsReportAndFollowTheLineProtocol) {
  gc_init1();
  char shown[64];  // "@" with an object's address prints that object's debug text
  std::snprintf(shown, sizeof shown, "@%p\nq\n", static_cast<void*>(new Object));
  const struct { const char* input; int status; std::string out, err; } cases[] = {  // input null: closed
      {nullptr, 255, kReport, kHeader},
      {"?\n@0\n?x\nq\n", 0, kReport, kHeader + "\n"},  // "?" ignored, "@0" an empty line
      {"r\n", 255, kReport + kReport, kHeader + kHeader},  // reported again, then input ends
      {"?\nzap\nq\n", 255, kReport + "????? zap ?????", kHeader},
      {"q", 255, kReport, kHeader},  // a line without a line feed counts as a failed read
      {shown, 0, kReport, kHeader + "+Object\n\n"},
  };
  for (const auto& c : cases) {
    Outcome o = RunChild([] { velError(String("x")); }, c.input);
    EXPECT_EQ((std::vector<std::string>{std::to_string(o.status), o.out, o.err}),
              (std::vector<std::string>{std::to_string(c.status), c.out, c.err}))
        << (c.input ? c.input : "(closed)");
  }
  Outcome quit = RunChild([] { velError(String()); });
  EXPECT_EQ(std::to_string(quit.status) + quit.out + quit.err, "0");
  // The message is narrowed to the low byte of each code unit (U+0141 to 'A').
  EXPECT_EQ(RunChild([] { velError(String(u"\u0141b", 2)); }).out, "Kestrel Runtime Error : Ab\n\n");
  // Run, step, enter and leave return from the stop with their modes set.
  for (const char* command : {"r\n0 0", "s\n1 s", "e\n1 e", "l\n0 l"}) {
    Outcome o = RunChild([] {
      dbg_stop();
      std::printf("%d %c", dbg_suspend, dbg_stepmode ? dbg_stepmode : '0');
      std::exit(0);
    }, command);
    EXPECT_EQ(o.out, command + 2);
  }
}

TEST(RuntimeDebug, PrintsAreFlushedAtOnceAndFaultsReported) {
  Outcome printed = RunChild([] {
    for (Char c : {0x00E9, 0x20AC, 0xD800}) velPrint(String(&c, 1));  // a lone surrogate too
    dbg_print(String("\xC5" "b"));  // U+FFC5: only its low byte is written
  });
  EXPECT_EQ(printed.out, "\xC3\xA9\n\xE2\x82\xAC\n\xED\xA0\x80\n");
  EXPECT_EQ(printed.err, "\xC5" "b\n");
  Outcome segv = RunChild([] {
    std::signal(SIGSEGV, sighandler);
    // A genuine fault: a write into a page that allows no access.
    void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile int*>(page) = 1;
  });
  EXPECT_EQ(segv.status, 255);
  EXPECT_EQ(segv.out, "Kestrel Runtime Error : Memory access violation\n\n");
  EXPECT_EQ(segv.err, kHeader);
}

}  // namespace
