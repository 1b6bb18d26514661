// String: immutable UTF-16 text behind a reference-counted, shared representation.
//
// Every empty string is a handle to the one static String::nullRep (length 0), so empty
// results never allocate, and a length-0 representation is never freed. Results equal to an
// operand share the operand's representation. Counts are plain ints: strings are used from
// the game thread only.
#pragma once

#include <cstdio>
#include <string>

typedef char16_t Char;

template <class T>
class Array;

class String {
 public:
  struct Rep {
    int refs;
    int length;

    Char* data() { return reinterpret_cast<Char*>(this + 1); }
    const Char* data() const { return reinterpret_cast<const Char*>(this + 1); }
    // Counts wrap instead of overflowing: the shared empty representation is handed out
    // without a reference but released like any other, so its count drifts for ever (it is
    // never freed).
    void retain() { refs = static_cast<int>(static_cast<unsigned>(refs) + 1u); }
    // Frees the block when the last holder lets go; a length-0 representation is never freed.
    void release();
    // A fresh representation with refs 1 and room for `length` code units (length > 0).
    static Rep* alloc(int length);
  };
  static Rep nullRep;

  String() : rep(&nullRep) {}
  String(const String& s) : rep(s.rep) { rep->retain(); }
  String(String&& s) noexcept : rep(s.rep) { s.rep = &nullRep; }
  explicit String(int n);
  explicit String(float f);
  String(const char* text);        // one code unit per byte, sign-extended
  String(const Char* data, int length);
  explicit String(Char ch);
  ~String() { rep->release(); }

  String& operator=(const String& s);
  String& operator=(String&& s) noexcept;

  int Length() const { return rep->length; }
  int operator[](int index) const { return rep->data()[index]; }
  const Char* Data() const { return rep->data(); }

  String operator+(const String& s) const;
  String& operator+=(const String& s) { return *this = *this + s; }
  bool operator==(const String& s) const;
  bool operator!=(const String& s) const { return !(*this == s); }
  // Code-unit order: negative, zero or positive.
  int Compare(const String& s) const;
  bool operator<(const String& s) const { return Compare(s) < 0; }

  int Find(const String& what, int start = 0) const;
  String Slice(int from) const { return Slice(from, Length()); }
  String Slice(int from, int to) const;
  Array<String> Split(const String& separator) const;
  String Replace(const String& what, const String& with) const;
  int ToInt() const;

  // Each code unit on its own as UTF-8 (1, 2 or 3 bytes; surrogates are not combined).
  void AppendUtf8(std::string& out) const;
  std::string ToUtf8() const;
  // Low byte of each code unit.
  std::string ToNarrow() const;

  // Reads the rest of an open file and decodes it: UTF-16 with either byte-order mark,
  // UTF-8 with or without a mark, Latin-1 when the UTF-8 is invalid.
  static String Load(FILE* file);
  // The same decoding over bytes already in memory.
  static String Decode(const unsigned char* bytes, size_t count);

  // A narrow NUL-terminated copy for library and system calls; copies share one block.
  template <class C>
  class CString {
   public:
    explicit CString(const String& s);
    CString(const CString& c) : block(c.block) { ++block->count; }
    CString& operator=(const CString&) = delete;
    ~CString();
    operator const C*() const { return block->text(); }
    const C* c_str() const { return block->text(); }

   private:
    struct Block {
      int count;
      C* text() { return reinterpret_cast<C*>(this + 1); }
    };
    Block* block;
  };
  template <class C>
  CString<C> ToCString() const {
    return CString<C>(*this);
  }

  Rep* rep;

 private:
  explicit String(Rep* r) : rep(r) {}
};

String operator+(const char* a, const String& b);

// Element helpers used by Array<String>.
String* t_create(int n, String* p);
String* t_create(int n, String* p, const String* src);
void t_destroy(int n, String* p);
