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

// Every helper here is forced inline: the scans call them in their inner
// loops, and no vector may cross a real call (see -Wpsabi below).
#if defined(_MSC_VER)
#define VECTOR_INLINE static __forceinline
#else
#define VECTOR_INLINE static inline __attribute__((always_inline))
#endif

#if defined(FLICKBOX_SSE2)

typedef __m128i ByteVector;

VECTOR_INLINE ByteVector LoadBytes(const unsigned char* at)
{
    return _mm_loadu_si128((const __m128i*)at);
}

VECTOR_INLINE ByteVector EqualLanes(ByteVector v, unsigned char value)
{
    return _mm_cmpeq_epi8(v, _mm_set1_epi8((char)value));
}

// Zero in the lanes whose byte lies in low .. low + limit, nonzero elsewhere:
// several such tests ORed together are zero only where all of them hold.
VECTOR_INLINE ByteVector ExcessLanes(ByteVector v, unsigned char low, unsigned char limit)
{
    return _mm_subs_epu8(_mm_sub_epi8(v, _mm_set1_epi8((char)low)), _mm_set1_epi8((char)limit));
}

VECTOR_INLINE ByteVector ZeroLanes(ByteVector v)
{
    return _mm_cmpeq_epi8(v, _mm_setzero_si128());
}

VECTOR_INLINE ByteVector BothLanes(ByteVector a, ByteVector b)
{
    return _mm_and_si128(a, b);
}

VECTOR_INLINE ByteVector EitherLanes(ByteVector a, ByteVector b)
{
    return _mm_or_si128(a, b);
}

// Bit k set when lane k is set.
VECTOR_INLINE unsigned int LaneBits(ByteVector lanes)
{
    return (unsigned int)_mm_movemask_epi8(lanes);
}

#else

// The helpers are always inlined, so no vector crosses a real call and the
// calling-convention note for targets without SSE does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

typedef unsigned char ByteVector __attribute__((vector_size(16)));

VECTOR_INLINE ByteVector Splat(unsigned char value)
{
    ByteVector v = {value, value, value, value, value, value, value, value,
                    value, value, value, value, value, value, value, value};
    return v;
}

VECTOR_INLINE ByteVector LoadBytes(const unsigned char* at)
{
    ByteVector v;
    memcpy(&v, at, sizeof v);
    return v;
}

VECTOR_INLINE ByteVector EqualLanes(ByteVector v, unsigned char value)
{
    return (ByteVector)(v == Splat(value));
}

VECTOR_INLINE ByteVector ExcessLanes(ByteVector v, unsigned char low, unsigned char limit)
{
    ByteVector offset = v - Splat(low);
    return (ByteVector)(offset > Splat(limit)) & offset;
}

VECTOR_INLINE ByteVector ZeroLanes(ByteVector v)
{
    return (ByteVector)(v == Splat(0));
}

VECTOR_INLINE ByteVector BothLanes(ByteVector a, ByteVector b)
{
    return a & b;
}

VECTOR_INLINE ByteVector EitherLanes(ByteVector a, ByteVector b)
{
    return a | b;
}

VECTOR_INLINE unsigned int LaneBits(ByteVector lanes)
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
VECTOR_INLINE unsigned int LowestBit(unsigned int bits)
{
#if defined(_MSC_VER)
    unsigned long index;
    _BitScanForward(&index, bits);
    return (unsigned int)index;
#else
    return (unsigned int)__builtin_ctz(bits);
#endif
}
