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

TEST(RuntimeString, TextsOfNumbersAndNarrowBytes) {
  // An exponent form gets no ".0"; narrow bytes are sign-extended, one code unit each.
  EXPECT_EQ(U(String(1.0f) + String(" ") + String(0.1f) + String(" ") + String(1e20f) + String(-3)),
            u"1.0 0.10000000149011612 1.0000000200408773e+20-3");
  EXPECT_EQ(U(String("a\xE9")), std::u16string(u"a\uFFE9"));
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
  EXPECT_EQ(LoadBytes("").rep, &String::nullRep);
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

}  // namespace
