#include "runtime/string.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "runtime/array.h"

String::Rep String::nullRep = {1, 0};

void String::Rep::release() {
  // length 0 covers nullRep (and any empty representation): those are never freed.
  refs = static_cast<int>(static_cast<unsigned>(refs) - 1u);
  if (refs == 0 && length != 0 && this != &nullRep) std::free(this);
}

String::Rep* String::Rep::alloc(int length) {
  Rep* r = static_cast<Rep*>(std::malloc(sizeof(Rep) + sizeof(Char) * length));
  if (!r) throw std::bad_alloc();
  r->refs = 1;
  r->length = length;
  return r;
}

namespace {

String::Rep* rep_from_narrow(const char* text, int length) {
  if (length <= 0) return &String::nullRep;
  String::Rep* r = String::Rep::alloc(length);
  for (int i = 0; i < length; ++i)
    r->data()[i] = static_cast<Char>(static_cast<signed char>(text[i]));
  return r;
}

}  // namespace

String::String(int n) {
  char buf[16];
  rep = rep_from_narrow(buf, std::snprintf(buf, sizeof buf, "%i", n));
}

String::String(float f) {
  char buf[64];
  int n = std::snprintf(buf, sizeof buf - 3, "%.17lg", static_cast<double>(f));
  // Integral values read as floats: 1 prints as 1.0, while 0.5 and 1e+20 stay as they are.
  if (!std::strchr(buf, '.') && !std::strchr(buf, 'e')) {
    std::strcpy(buf + n, ".0");
    n += 2;
  }
  rep = rep_from_narrow(buf, n);
}

String::String(const char* text) { rep = rep_from_narrow(text, text ? static_cast<int>(std::strlen(text)) : 0); }

String::String(const Char* data, int length) {
  if (length <= 0) {
    rep = &nullRep;
    return;
  }
  rep = Rep::alloc(length);
  std::memcpy(rep->data(), data, sizeof(Char) * length);
}

String::String(Char ch) {
  rep = Rep::alloc(1);
  rep->data()[0] = ch;
}

String& String::operator=(const String& s) {
  s.rep->retain();
  rep->release();
  rep = s.rep;
  return *this;
}

String& String::operator=(String&& s) noexcept {
  if (this != &s) {
    rep->release();
    rep = s.rep;
    s.rep = &nullRep;
  }
  return *this;
}

String String::operator+(const String& s) const {
  if (!rep->length) return s;
  if (!s.rep->length) return *this;
  Rep* r = Rep::alloc(rep->length + s.rep->length);
  std::memcpy(r->data(), rep->data(), sizeof(Char) * rep->length);
  std::memcpy(r->data() + rep->length, s.rep->data(), sizeof(Char) * s.rep->length);
  return String(r);
}

String operator+(const char* a, const String& b) { return String(a) + b; }

bool String::operator==(const String& s) const {
  if (rep == s.rep) return true;
  return rep->length == s.rep->length &&
         std::memcmp(rep->data(), s.rep->data(), sizeof(Char) * rep->length) == 0;
}

int String::Compare(const String& s) const {
  int n = rep->length < s.rep->length ? rep->length : s.rep->length;
  for (int i = 0; i < n; ++i) {
    int d = static_cast<int>(rep->data()[i]) - static_cast<int>(s.rep->data()[i]);
    if (d) return d;
  }
  return rep->length - s.rep->length;
}

int String::Find(const String& what, int start) const {
  if (start < 0) start = 0;
  const int n = rep->length, m = what.rep->length;
  const Char* text = rep->data();
  const Char* pattern = what.rep->data();
  // i <= n - m rather than i + m <= n: a start near INT_MAX must not overflow.
  for (int i = start; i <= n - m; ++i) {
    if (m == 0 || (text[i] == pattern[0] && std::memcmp(text + i, pattern, sizeof(Char) * m) == 0))
      return i;
  }
  return -1;
}

String String::Slice(int from, int to) const {
  const int n = rep->length;
  if (from < 0) {
    from += n;
    if (from < 0) from = 0;
  } else if (from > n) {
    from = n;
  }
  // Only the from index counts from the end; a negative to index leaves nothing to take.
  if (to < 0) {
    to = 0;
  } else if (to > n) {
    to = n;
  }
  if (from >= to) return String();
  if (from == 0 && to == n) return *this;
  return String(rep->data() + from, to - from);
}

Array<String> String::Split(const String& separator) const {
  const int n = rep->length, m = separator.rep->length;
  if (m == 0) {
    Array<String> bits(n);
    for (int i = 0; i < n; ++i) bits[i] = String(rep->data()[i]);
    return bits;
  }
  int count = 0;
  for (int i = Find(separator); i != -1; i = Find(separator, i + m)) ++count;
  if (count == 0) {
    Array<String> bits(1);
    bits[0] = *this;
    return bits;
  }
  Array<String> bits(count + 1);
  int start = 0;
  for (int k = 0; k < count; ++k) {
    int at = Find(separator, start);
    bits[k] = String(rep->data() + start, at - start);
    start = at + m;
  }
  bits[count] = String(rep->data() + start, n - start);
  return bits;
}

String String::Replace(const String& what, const String& with) const {
  const int n = rep->length, m = what.rep->length, w = with.rep->length;
  if (m == 0) return *this;  // nothing to look for
  int count = 0;
  for (int i = Find(what); i != -1; i = Find(what, i + m)) ++count;
  if (count == 0) return *this;
  const int length = n + count * (w - m);
  if (length <= 0) return String();
  Rep* r = Rep::alloc(length);
  Char* out = r->data();
  int start = 0;
  for (int i = Find(what); i != -1; i = Find(what, i + m)) {
    std::memcpy(out, rep->data() + start, sizeof(Char) * (i - start));
    out += i - start;
    std::memcpy(out, with.rep->data(), sizeof(Char) * w);
    out += w;
    start = i + m;
  }
  std::memcpy(out, rep->data() + start, sizeof(Char) * (n - start));
  return String(r);
}

int String::ToInt() const {
  // The first 63 code units, narrowed to bytes: blanks, then a sign, then digits. Values
  // past the 32-bit range clamp to its limits instead of overflowing.
  char buf[64];
  int n = rep->length < 63 ? rep->length : 63;
  for (int i = 0; i < n; ++i) buf[i] = static_cast<char>(rep->data()[i]);
  buf[n] = 0;
  const char* p = buf;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  long long value = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > limit) value = limit;
  }
  return static_cast<int>(negative ? -value : value);
}

void String::AppendUtf8(std::string& out) const {
  const Char* p = rep->data();
  for (int i = 0; i < rep->length; ++i) {
    unsigned c = p[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
}

std::string String::ToUtf8() const {
  std::string out;
  out.reserve(rep->length);
  AppendUtf8(out);
  return out;
}

std::string String::ToNarrow() const {
  std::string out(rep->length, '\0');
  for (int i = 0; i < rep->length; ++i) out[i] = static_cast<char>(rep->data()[i]);
  return out;
}

String String::Load(FILE* file) {
  std::vector<unsigned char> bytes;
  unsigned char block[4096];
  for (;;) {
    size_t n = std::fread(block, 1, sizeof block, file);
    bytes.insert(bytes.end(), block, block + n);
    if (n < sizeof block) break;
  }
  return Decode(bytes.data(), bytes.size());
}

namespace {

String decode_utf16(const unsigned char* p, size_t count, bool little_endian) {
  int units = static_cast<int>(count / 2);
  if (units == 0) return String();
  String::Rep* r = String::Rep::alloc(units);
  for (int i = 0; i < units; ++i) {
    unsigned lo = p[2 * i + (little_endian ? 0 : 1)];
    unsigned hi = p[2 * i + (little_endian ? 1 : 0)];
    r->data()[i] = static_cast<Char>(lo | hi << 8);
  }
  String s;
  s.rep = r;  // takes over the fresh representation's one reference
  return s;
}

}  // namespace

String String::Decode(const unsigned char* p, size_t count) {
  if (count == 0) return String();
  if (count >= 2 && p[0] == 0xFF && p[1] == 0xFE) return decode_utf16(p + 2, count - 2, true);
  if (count >= 2 && p[0] == 0xFE && p[1] == 0xFF) return decode_utf16(p + 2, count - 2, false);
  if (count > 2 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
    p += 3;
    count -= 3;
  }
  if (count == 0) return String();
  std::vector<Char> units;
  units.reserve(count);
  size_t i = 0;
  bool valid = true;
  while (i < count) {
    unsigned c = p[i];
    if (c < 0x80) {
      units.push_back(static_cast<Char>(c));
      i += 1;
    } else if ((c & 0xE0) == 0xC0 && i + 1 < count && (p[i + 1] & 0xC0) == 0x80) {
      units.push_back(static_cast<Char>((c & 0x1F) << 6 | (p[i + 1] & 0x3F)));
      i += 2;
    } else if ((c & 0xF0) == 0xE0 && i + 2 < count && (p[i + 1] & 0xC0) == 0x80 &&
               (p[i + 2] & 0xC0) == 0x80) {
      units.push_back(static_cast<Char>((c & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F)));
      i += 3;
    } else {
      valid = false;
      break;
    }
  }
  if (!valid) {
    // Not UTF-8: every byte (after any mark) is one Latin-1 code unit.
    units.assign(p, p + count);
  }
  return String(units.data(), static_cast<int>(units.size()));
}

template <class C>
String::CString<C>::CString(const String& s) {
  const int n = s.Length();
  block = static_cast<Block*>(std::malloc(sizeof(Block) + sizeof(C) * (n + 1)));
  if (!block) throw std::bad_alloc();
  block->count = 1;
  for (int i = 0; i < n; ++i) block->text()[i] = static_cast<C>(s[i]);
  block->text()[n] = 0;
}

template <class C>
String::CString<C>::~CString() {
  if (--block->count == 0) std::free(block);
}

template class String::CString<char>;

String* t_create(int n, String* p) {
  for (int i = 0; i < n; ++i) new (p + i) String();
  return p + n;
}

String* t_create(int n, String* p, const String* src) {
  for (int i = 0; i < n; ++i) new (p + i) String(src[i]);
  return p + n;
}

void t_destroy(int n, String* p) {
  for (int i = 0; i < n; ++i) p[i].~String();
}
