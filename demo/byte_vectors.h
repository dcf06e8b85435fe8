#pragma once
// Sixteen bytes at a time for the demo scans: unaligned loads, lane-wise
// comparisons, and the bit mask of the lanes a comparison set. SSE2 where the
// compiler targets it (x86-64, MSVC x86), compiler vectors elsewhere (the
// mingw i686 build, which targets CPUs without SSE2).

#include <string.h>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define FLICKBOX_SSE2 1
#include <emmintrin.h>
#if defined(_MSC_VER)
#include <intrin.h>
#endif
#endif

enum { VECTOR_SIZE = 16 };

#if defined(FLICKBOX_SSE2)

typedef __m128i ByteVector;

static inline ByteVector LoadBytes(const unsigned char* at)
{
    return _mm_loadu_si128((const __m128i*)at);
}

static inline ByteVector EqualLanes(ByteVector v, unsigned char value)
{
    return _mm_cmpeq_epi8(v, _mm_set1_epi8((char)value));
}

// Lanes whose byte lies in low .. low + count - 1.
static inline ByteVector RangeLanes(ByteVector v, unsigned char low, unsigned char count)
{
    ByteVector offset = _mm_sub_epi8(v, _mm_set1_epi8((char)low));
    return _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8((char)(count - 1))), offset);
}

// Zero in the lanes whose byte lies in low .. low + limit, nonzero elsewhere:
// several such tests ORed together are zero only where all of them hold.
static inline ByteVector ExcessLanes(ByteVector v, unsigned char low, unsigned char limit)
{
    return _mm_subs_epu8(_mm_sub_epi8(v, _mm_set1_epi8((char)low)), _mm_set1_epi8((char)limit));
}

static inline ByteVector ZeroLanes(ByteVector v)
{
    return _mm_cmpeq_epi8(v, _mm_setzero_si128());
}

static inline ByteVector BothLanes(ByteVector a, ByteVector b)
{
    return _mm_and_si128(a, b);
}

static inline ByteVector EitherLanes(ByteVector a, ByteVector b)
{
    return _mm_or_si128(a, b);
}

// Bit k set when lane k is set.
static inline unsigned int LaneBits(ByteVector lanes)
{
    return (unsigned int)_mm_movemask_epi8(lanes);
}

#else

// These helpers are always inlined: no vector crosses a real call, so the
// calling-convention note for targets without SSE does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

typedef unsigned char ByteVector __attribute__((vector_size(16)));

static inline __attribute__((always_inline)) ByteVector Splat(unsigned char value)
{
    ByteVector v = {value, value, value, value, value, value, value, value,
                    value, value, value, value, value, value, value, value};
    return v;
}

static inline __attribute__((always_inline)) ByteVector LoadBytes(const unsigned char* at)
{
    ByteVector v;
    memcpy(&v, at, sizeof v);
    return v;
}

static inline __attribute__((always_inline)) ByteVector EqualLanes(ByteVector v, unsigned char value)
{
    return (ByteVector)(v == Splat(value));
}

static inline __attribute__((always_inline)) ByteVector RangeLanes(ByteVector v, unsigned char low, unsigned char count)
{
    return (ByteVector)((ByteVector)(v - Splat(low)) < Splat(count));
}

static inline __attribute__((always_inline)) ByteVector ExcessLanes(ByteVector v, unsigned char low, unsigned char limit)
{
    ByteVector offset = v - Splat(low);
    return (ByteVector)(offset > Splat(limit)) & offset;
}

static inline __attribute__((always_inline)) ByteVector ZeroLanes(ByteVector v)
{
    return (ByteVector)(v == Splat(0));
}

static inline __attribute__((always_inline)) ByteVector BothLanes(ByteVector a, ByteVector b)
{
    return a & b;
}

static inline __attribute__((always_inline)) ByteVector EitherLanes(ByteVector a, ByteVector b)
{
    return a | b;
}

static inline __attribute__((always_inline)) unsigned int LaneBits(ByteVector lanes)
{
    unsigned int halves[4];
    memcpy(halves, &lanes, sizeof halves);
    if ((halves[0] | halves[1] | halves[2] | halves[3]) == 0)
        return 0;
    unsigned int bits = 0;
    for (int k = 0; k < VECTOR_SIZE; k++) {
        if (lanes[k])
            bits |= 1u << k;
    }
    return bits;
}

#endif

// The index of the lowest set bit; bits is not 0.
static inline unsigned int LowestBit(unsigned int bits)
{
#if defined(_MSC_VER)
    unsigned long index;
    _BitScanForward(&index, bits);
    return (unsigned int)index;
#else
    return (unsigned int)__builtin_ctz(bits);
#endif
}
