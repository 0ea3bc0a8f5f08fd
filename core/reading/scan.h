// Byte-scanning kernels of the reading window and the word splitter: each
// kernel of 16 bytes at a time sits next to its scalar twin. This file
// decides whether a build has them (CORE_SCAN_VECTOR), with SSE2
// (CORE_SCAN_SSE2) or with WebAssembly's 128-bit SIMD (CORE_SCAN_SIMD128,
// the browser page's engine); a build with CORE_SCALAR defined takes the
// scalar twins here and in core/numbers/numbers.cc, whose number kernels
// follow the same switch, so that they can be tested on any machine.
// split_words.cc picks at run time whether bits are counted with the
// processor's own instruction.
//
// Kernels that look at several bytes at a time read past the byte they stop
// at, as the over-read contract of core/reading/word_table.h (kPadding)
// allows; each asserts what it needs of it.
#ifndef CORE_READING_SCAN_H_
#define CORE_READING_SCAN_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/reading/word_table.h"

#if !defined(CORE_SCALAR) && (defined(__SSE2__) || defined(_M_X64) || \
                              (defined(_M_IX86_FP) && _M_IX86_FP >= 2))
#include <emmintrin.h>
#define CORE_SCAN_SSE2 1
#elif !defined(CORE_SCALAR) && defined(__wasm_simd128__)
#include <wasm_simd128.h>
#define CORE_SCAN_SIMD128 1
#endif
#if defined(CORE_SCAN_SSE2) || defined(CORE_SCAN_SIMD128)
#define CORE_SCAN_VECTOR 1
#endif

#if (defined(__GNUC__) || defined(__clang__)) && \
    (defined(__x86_64__) || defined(__i386__))
#define CORE_SCAN_POPCNT 1
#define CORE_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define CORE_ALWAYS_INLINE inline
#endif

namespace core::detail {

// ------------------------------------------------------------ byte classes

// What the splitter does with each byte value; where separators are blanks,
// "=" and ";" are blanks too.
enum ByteClass : uint8_t { kWordByte, kBlank, kLineEnd, kNul };

constexpr std::array<uint8_t, 256> makeByteClasses(bool separators) {
  std::array<uint8_t, 256> classes{};
  for (auto& c : classes) c = kWordByte;
  for (unsigned char c : {' ', '\t', '\v', '\f', '\r'}) classes[c] = kBlank;
  if (separators) classes['='] = classes[';'] = kBlank;
  classes['\n'] = kLineEnd;
  classes['\0'] = kNul;
  return classes;
}
inline constexpr std::array<uint8_t, 256> kPlainClasses =
    makeByteClasses(false);
inline constexpr std::array<uint8_t, 256> kSeparatorClasses =
    makeByteClasses(true);

template <bool kSeparators>
inline uint8_t classOf(char c) {
  return (kSeparators ? kSeparatorClasses
                      : kPlainClasses)[static_cast<unsigned char>(c)];
}
template <bool kSeparators>
inline bool isWordByte(char c) {
  return classOf<kSeparators>(c) == kWordByte;
}
template <bool kSeparators>
inline bool isBlank(char c) {
  return classOf<kSeparators>(c) == kBlank;
}

// ------------------------------------------------------------ bit helpers

inline unsigned lowestBit(uint64_t bits) {  // bits != 0
#if defined(__GNUC__) || defined(__clang__)
  return static_cast<unsigned>(__builtin_ctzll(bits));
#else
  unsigned n = 0;
  while ((bits & 1) == 0) {
    bits >>= 1;
    ++n;
  }
  return n;
#endif
}

// The number of set bits: with the processor's instruction when kPopcnt
// (only inside code compiled for it), else by arithmetic.
template <bool kPopcnt>
CORE_ALWAYS_INLINE unsigned countBits(uint64_t bits) {
#if defined(__POPCNT__) || defined(CORE_SCAN_POPCNT)
  if constexpr (kPopcnt)
    return static_cast<unsigned>(__builtin_popcountll(bits));
#elif defined(__wasm__)
  return static_cast<unsigned>(__builtin_popcountll(bits));  // an instruction
#endif
  bits = bits - ((bits >> 1) & 0x5555555555555555u);
  bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
  bits = (bits + (bits >> 4)) & 0x0f0f0f0f0f0f0f0fu;
  return static_cast<unsigned>((bits * 0x0101010101010101u) >> 56);
}

// ------------------------------------------------------------ word kernels

#ifdef CORE_SCAN_SSE2
// Bit i set for each of the 16 bytes at p that cannot be part of a word:
// blank, tab, line feed, vertical tab, form feed, carriage return, NUL
// (and "=", ";" where separators are blanks).
template <bool kSeparators>
inline uint32_t nonWordBits16(const char* p) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i t = _mm_sub_epi8(x, _mm_set1_epi8(9));  // 9..13 -> 0..4
  __m128i stop = _mm_cmpeq_epi8(_mm_min_epu8(t, _mm_set1_epi8(4)), t);
  stop = _mm_or_si128(stop, _mm_cmpeq_epi8(x, _mm_set1_epi8(' ')));
  stop = _mm_or_si128(stop, _mm_cmpeq_epi8(x, _mm_setzero_si128()));
  if (kSeparators) {
    stop = _mm_or_si128(stop, _mm_cmpeq_epi8(x, _mm_set1_epi8('=')));
    stop = _mm_or_si128(stop, _mm_cmpeq_epi8(x, _mm_set1_epi8(';')));
  }
  return static_cast<uint32_t>(_mm_movemask_epi8(stop));
}

// Bit i set for each of the 16 bytes at p that is a line feed.
inline uint32_t lineFeedBits16(const char* p) {
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return static_cast<uint32_t>(
      _mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8('\n'))));
}
#elif defined(CORE_SCAN_SIMD128)
// The same two kernels with WebAssembly's 128-bit SIMD.
template <bool kSeparators>
inline uint32_t nonWordBits16(const char* p) {
  const v128_t x = wasm_v128_load(p);
  const v128_t t = wasm_i8x16_sub(x, wasm_i8x16_splat(9));  // 9..13 -> 0..4
  v128_t stop = wasm_u8x16_le(t, wasm_u8x16_splat(4));
  stop = wasm_v128_or(stop, wasm_i8x16_eq(x, wasm_i8x16_splat(' ')));
  stop = wasm_v128_or(stop, wasm_i8x16_eq(x, wasm_i8x16_splat(0)));
  if (kSeparators) {
    stop = wasm_v128_or(stop, wasm_i8x16_eq(x, wasm_i8x16_splat('=')));
    stop = wasm_v128_or(stop, wasm_i8x16_eq(x, wasm_i8x16_splat(';')));
  }
  return static_cast<uint32_t>(wasm_i8x16_bitmask(stop));
}

inline uint32_t lineFeedBits16(const char* p) {
  return static_cast<uint32_t>(wasm_i8x16_bitmask(
      wasm_i8x16_eq(wasm_v128_load(p), wasm_i8x16_splat('\n'))));
}
#endif

#ifdef CORE_SCAN_VECTOR

// The end of the word that starts at p. Reads up to 15 bytes past the
// line feed that ends the word's row.
static_assert(kPadding >= 15, "wordEnd reads 16 bytes at a time");
template <bool kSeparators>
inline const char* wordEnd(const char* p) {
  for (;;) {
    const uint32_t stop = nonWordBits16<kSeparators>(p);
    if (stop != 0) return p + lowestBit(stop);
    p += 16;
  }
}

// From the end of a word to the start of the next word, which the caller
// knows to be in the same row: reads no more than 15 bytes past it.
static_assert(kPadding >= 15, "nextWord reads 16 bytes at a time");
template <bool kSeparators>
inline const char* nextWord(const char* p) {
  for (;;) {
    const uint32_t word = ~nonWordBits16<kSeparators>(p) & 0xffffu;
    if (word != 0) return p + lowestBit(word);
    p += 16;
  }
}
#else
template <bool kSeparators>
inline const char* wordEnd(const char* p) {
  while (isWordByte<kSeparators>(*p)) ++p;
  return p;
}
template <bool kSeparators>
inline const char* nextWord(const char* p) {
  while (!isWordByte<kSeparators>(*p)) ++p;
  return p;
}
#endif

// From the end of a word past the blanks after it, stopping at a line feed
// or NUL.
template <bool kSeparators>
inline const char* skipBlanks(const char* p) {
  while (isBlank<kSeparators>(*p)) ++p;
  return p;
}

// Words i, i+1, ... n-1 of a row, the first of them starting at p, word by
// word.
template <bool kSeparators>
size_t collectWordsFrom(const char* p, size_t i, size_t n,
                        std::string_view* words) {
  for (; i < n; ++i) {
    const char* const end = wordEnd<kSeparators>(p);
    words[i] = std::string_view(p, static_cast<size_t>(end - p));
    if (i + 1 < n) p = nextWord<kSeparators>(end);
  }
  return n;
}

// Words 0 to n-1 of a row whose first word starts at p (n >= 1). Inlined
// into its one caller, rowWords, which readers call for most rows. Looks at
// 32 bytes from the first word at once.
static_assert(kPadding >= 32, "collectWords reads 32 bytes from a word");
template <bool kSeparators>
CORE_ALWAYS_INLINE size_t collectWords(const char* p, size_t n,
                                       std::string_view* words) {
#ifdef CORE_SCAN_VECTOR
  // Most rows fit one window of 32 bytes from their first word: one mask of
  // the non-word bytes, and every word cut out of it with bit operations.
  const uint64_t nonWord = uint64_t{nonWordBits16<kSeparators>(p)} |
                           uint64_t{nonWordBits16<kSeparators>(p + 16)} << 16 |
                           uint64_t{1} << 32;  // the window's end
  unsigned at = 0;                             // a word starts at p + at
  for (size_t i = 0;;) {
    const unsigned length = lowestBit(nonWord >> at);
    const unsigned end = at + length;
    if (end == 32) return collectWordsFrom<kSeparators>(p + at, i, n, words);
    words[i] = std::string_view(p + at, length);
    if (++i == n) return n;
    const uint64_t wordBytes = ~nonWord >> end;  // bit 32 - end is 0
    if ((wordBytes & ((uint64_t{1} << (32 - end)) - 1)) == 0) {
      return collectWordsFrom<kSeparators>(nextWord<kSeparators>(p + end), i, n,
                                           words);
    }
    at = end + lowestBit(wordBytes);
  }
#else
  return collectWordsFrom<kSeparators>(p, 0, n, words);
#endif
}

// ------------------------------------------------------------ line scan

// The line feeds of bytes. Reads bytes only, no padding.
inline size_t countLineFeeds(std::string_view bytes) {
  const char* const p = bytes.data();
  const size_t size = bytes.size();
  size_t lineFeeds = 0;
  size_t i = 0;
#ifdef CORE_SCAN_SSE2
  while (size - i >= 16) {
    // Up to 255 blocks of 16 bytes add into byte counters, then sum them.
    const size_t blocks = std::min<size_t>((size - i) / 16, 255);
    __m128i counters = _mm_setzero_si128();
    for (size_t b = 0; b < blocks; ++b, i += 16) {
      const __m128i x =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(x, _mm_set1_epi8('\n')));
    }
    const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
    lineFeeds +=
        static_cast<size_t>(_mm_cvtsi128_si32(sums)) +
        static_cast<size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
#elif defined(CORE_SCAN_SIMD128)
  for (; size - i >= 16; i += 16) {
    lineFeeds += static_cast<size_t>(__builtin_popcount(lineFeedBits16(p + i)));
  }
#endif
  // The scalar twin, and the tail of fewer than 16 bytes.
  for (; i < size; ++i) lineFeeds += p[i] == '\n';
  return lineFeeds;
}

}  // namespace core::detail

#endif  // CORE_READING_SCAN_H_
