// String: number texts, search and slicing at their edges, Split/Replace, ToInt, sharing of
// representations, narrow copies, and decoding files in every encoding.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "runtime/array.h"
#include "runtime/string.h"

namespace {

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

TEST(RuntimeString, NumberTexts) {
  EXPECT_EQ(U(String(1.0f)), u"1.0");
  EXPECT_EQ(U(String(0.1f)), u"0.10000000149011612");
  // An exponent form gets no ".0", with or without a fraction in front of it.
  EXPECT_EQ(U(String(1e20f)), u"1.0000000200408773e+20");
  EXPECT_EQ(U(String(-3)), u"-3");
  // Narrow bytes are sign-extended, one code unit each.
  EXPECT_EQ(U(String("a\xE9")), std::u16string(u"a\uFFE9"));
}

TEST(RuntimeString, FindAndSliceBoundaries) {
  String s = S(u"abcabc");
  EXPECT_EQ(s.Find(S(u"ab")), 0);
  EXPECT_EQ(s.Find(S(u"bc"), 2), 4);
  EXPECT_EQ(s.Find(S(u"abc"), 3), 3);  // ends exactly at the end
  EXPECT_EQ(s.Find(S(u"c"), -7), 2);  // negative start counts as 0
  EXPECT_EQ(s.Find(String(), 6), 6);
  EXPECT_EQ(s.Find(String(), 7), -1);
  EXPECT_EQ(s.Find(String(), -3), 0);
  EXPECT_EQ(s.Find(S(u"a"), INT_MAX), -1);

  EXPECT_EQ(U(s.Slice(1, 3)), u"bc");
  EXPECT_EQ(U(s.Slice(-2)), u"bc");
  EXPECT_TRUE(s.Slice(-100).rep == s.rep && s.Slice(0, 6).rep == s.rep);  // whole: shared
  // Only the from index counts from the end; a negative to index leaves nothing.
  for (auto [from, to] : {std::pair{3, 2}, {INT_MAX, INT_MAX}, {0, -1}, {-3, -1}})
    EXPECT_EQ(s.Slice(from, to).rep, &String::nullRep) << from << ".." << to;
}

TEST(RuntimeString, SplitAndReplace) {
  gc_init1();  // Split builds arrays, whose stores come from the collector
  EXPECT_EQ(Parts(S(u"a,,b").Split(S(u","))), u"a||b");
  EXPECT_EQ(S(u",a,").Split(S(u",")).Length(), 3);
  EXPECT_EQ(Parts(S(u"abc").Split(String())), u"a|b|c");
  EXPECT_EQ(String().Split(String()).rep, &Array<String>::nullRep);
  Array<String> one = String().Split(S(u","));
  EXPECT_TRUE(one.Length() == 1 && one[0].rep == &String::nullRep);
  // Occurrences do not overlap: the search resumes after each separator.
  EXPECT_EQ(Parts(S(u"a,,,b").Split(S(u",,"))), u"a|,b");
  String plain = S(u"no separator");
  Array<String> whole = plain.Split(S(u"#"));
  EXPECT_TRUE(whole.Length() == 1 && whole[0].rep == plain.rep);

  EXPECT_EQ(U(S(u"aaa").Replace(S(u"aa"), S(u"b"))), u"ba");
  EXPECT_EQ(U(S(u"a.b.c").Replace(S(u"."), S(u"--"))), u"a--b--c");
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

TEST(RuntimeString, SharingAllocatesNothingAndOrderIsStrict) {
  EXPECT_TRUE(S(u"a") < S(u"b") && !(S(u"a") < S(u"a")) && !(S(u"b") < S(u"a")));
  String a = S(u"left"), empty;
  const int refs = a.rep->refs;
  String b = a + empty, c = empty + a;
  EXPECT_TRUE(b.rep == a.rep && c.rep == a.rep && a.rep->refs == refs + 2);
  EXPECT_EQ((empty + String()).rep, &String::nullRep);
  String ab = a + S(u"!");
  EXPECT_TRUE(U(ab) == u"left!" && ab.rep->refs == 1);
}

// Empty handles are made without a reference but released with one, so the shared count
// drifts down for the whole run; it must wrap, not overflow (the sanitizer build checks).
TEST(RuntimeString, TheSharedEmptyCountWrapsInsteadOfOverflowing) {
  const int saved = String::nullRep.refs;
  String::nullRep.refs = INT_MIN;
  { String empty; }
  EXPECT_EQ(String::nullRep.refs, INT_MAX);
  String::nullRep.refs = saved;
}

TEST(RuntimeString, NarrowCopiesShareOneBlock) {
  auto first = S(u"a\u0142z").ToCString<char>();  // U+0142: its low byte 0x42 is 'B'
  {
    auto copy = first;
    EXPECT_EQ(copy.c_str(), first.c_str());
  }
  EXPECT_STREQ(first, "aBz");  // still there after the copy went
}

TEST(RuntimeString, LoadDecodesEveryEncoding) {
  EXPECT_EQ(LoadBytes("").rep, &String::nullRep);
  EXPECT_EQ(LoadBytes("\xFF\xFE").rep, &String::nullRep);
  EXPECT_EQ(LoadBytes("\xEF\xBB\xBF").rep, &String::nullRep);
  EXPECT_EQ(U(LoadBytes(std::string("\xFF\xFE" "A\0B", 5))), u"A");
  EXPECT_EQ(U(LoadBytes(std::string("\xFE\xFF\0A\x20\xAC\0", 7))), u"A\u20AC");
  EXPECT_EQ(U(LoadBytes("\xFE\xFF\xD8")), u"");
  EXPECT_EQ(U(LoadBytes("\xEF\xBB\xBFh\xC3\xA9")), u"h\u00e9");
  EXPECT_EQ(U(LoadBytes("\xE2\x82\xAC")), u"\u20AC");  // a sequence ending the file
  // Invalid UTF-8 of any kind falls back to one code unit per byte.
  EXPECT_EQ(U(LoadBytes("h\xE9")), u"h\u00e9");
  EXPECT_EQ(U(LoadBytes("a\xFF")), u"a\u00ff");  // no mark: FF only second
  EXPECT_EQ(U(LoadBytes("\xEF\xBB\xBFh\xE9")), u"h\u00e9");
  EXPECT_EQ(U(LoadBytes("\xEF\xBB")), u"\u00ef\u00bb");  // two bytes: no mark, cut-off sequence
  EXPECT_EQ(U(LoadBytes("a\xE2\x82")), u"a\u00e2\u0082");
  EXPECT_EQ(U(LoadBytes("\xF0\x9F\x98\x80")), u"\u00f0\u009f\u0098\u0080");
  EXPECT_EQ(U(LoadBytes("\x80x")), u"\u0080x");
  // Decoding starts at the file's current position.
  EXPECT_EQ(U(LoadBytes(std::string("skip\xFF\xFE" "A\0", 8), 4)), u"A");
}

TEST(RuntimeString, LoadReadsFilesOfManyBlocks) {
  // 10001 bytes: two-byte sequences split across block boundaries, then one bad byte at the end
  // that turns the whole file into Latin-1.
  std::string text = "z";
  for (int i = 0; i < 5000; ++i) text += "\xC3\xA9";
  String s = LoadBytes(text);
  EXPECT_TRUE(s.Length() == 5001 && s[4096] == 0xE9 && s[5000] == 0xE9);
  s = LoadBytes(text + "\xFF");
  EXPECT_TRUE(s.Length() == 10002 && s[4097] == 0xC3 && s[10001] == 0xFF);
}

}  // namespace
