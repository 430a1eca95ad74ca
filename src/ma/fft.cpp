// The real fast Fourier transform (Bergland's radix-eight algorithm for
// real-valued series).
//
// The transform decimates in frequency. After passes that have split the
// frequencies into NN classes (frequency f = q + NN s belongs to class q),
// class q holds a sequence v_q of n/NN values with
//     X(q + NN s) = sum over k of v_q(k) W^(k q) W_(n/NN)^(k s),   W = exp(-2 pi i / n),
// the twiddle factor W^(k q) not yet applied. A radix-8 pass turns class q
// into the eight classes q + NN r: with m = n / (8 NN),
//     v_(q + NN r)(k) = sum over p of W_(8 NN)^(p q) v_q(k + p m) W_8^(p r),
// so within a pass one class needs only seven twiddle factors, the same for
// all k, and every loop over k runs on contiguous data.
//
// For real data v_(NN-q) is the complex conjugate of v_q, and classes 0 and
// NN/2 are real, so n reals hold everything. Class q lives in the section of
// bit-reversed index br(q) (section length n/NN): the real part of v_q there,
// its imaginary part in the section of br(NN - q). At the end (NN = n) this
// leaves Re X(f) at position br(f) and Im X(f) at br(n - f); MA_ORD1 moves the
// imaginary parts next to the real parts, MA_ORD2 sorts the pairs.

#include "ma/fft.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <utility>

#include "io/status.h"
#include "ma/clones.h"

namespace {

constexpr float HALF_SQRT2 = 0.70710678118654752f;
constexpr float SQRT2 = 1.41421356237309505f;

// Four floats that the compiler keeps in one vector register where the
// machine has them; the kernels below run on it as on a float, so the last
// pass can do four classes at once.
using Float4 = float __attribute__((vector_size(16)));
using Int4 = int __attribute__((vector_size(16)));

// Two pairs of floats, each moved as one 64-bit item.
using Pair2 = std::uint64_t __attribute__((vector_size(16)));
using Index2 = std::int64_t __attribute__((vector_size(16)));

// The positions of a section loop are independent: no check for overlap.
// (Clang, which builds only the fuzz targets here, finds that out itself and
// warns where an asked-for vectorisation does not happen.)
#if defined(__clang__)
#define ZYT_IVDEP
#else
#define ZYT_IVDEP _Pragma("GCC ivdep")
#endif


#if defined(__clang__)
#define ZYT_SHUFFLE(a, b, i0, i1, i2, i3) __builtin_shufflevector(a, b, i0, i1, i2, i3)
#define ZYT_SHUFFLE2(a, b, i0, i1) __builtin_shufflevector(a, b, i0, i1)
#else
#define ZYT_SHUFFLE(a, b, i0, i1, i2, i3) __builtin_shuffle(a, b, Int4{i0, i1, i2, i3})
#define ZYT_SHUFFLE2(a, b, i0, i1) __builtin_shuffle(a, b, Index2{i0, i1})
#endif

template <class T> struct Cx
{
    T re;
    T im;
};

template <class T> inline Cx<T> operator+(Cx<T> a, Cx<T> b)
{
    return {a.re + b.re, a.im + b.im};
}
template <class T> inline Cx<T> operator-(Cx<T> a, Cx<T> b)
{
    return {a.re - b.re, a.im - b.im};
}
// a times -i.
template <class T> inline Cx<T> times_minus_i(Cx<T> a)
{
    return {a.im, -a.re};
}

// The eight-point transform v(r) = sum z(p) exp(-2 pi i p r / 8) (inverse:
// exp(+...), without the factor 1/8), as two four-point transforms of the
// even and odd points joined by W_8^r. The inverse is the forward transform
// of the conjugates, conjugated: the signs fold into the additions.
template <bool inverse, class T>
[[gnu::always_inline]] inline void dft8(const Cx<T> (&in)[8], Cx<T> (&v)[8])
{
    Cx<T> z[8];
#pragma GCC unroll 8
    for (int p = 0; p < 8; ++p)
        z[p] = inverse ? Cx<T>{in[p].re, -in[p].im} : in[p];
    const Cx<T> t0 = z[0] + z[4], t1 = z[0] - z[4], t2 = z[2] + z[6], t3 = z[2] - z[6];
    const Cx<T> t4 = z[1] + z[5], t5 = z[1] - z[5], t6 = z[3] + z[7], t7 = z[3] - z[7];
    const Cx<T> e0 = t0 + t2, e2 = t0 - t2;
    const Cx<T> e1 = t1 + times_minus_i(t3), e3 = t1 - times_minus_i(t3);
    const Cx<T> o0 = t4 + t6, o2 = t4 - t6;
    const Cx<T> o1 = t5 + times_minus_i(t7), o3 = t5 - times_minus_i(t7);
    const Cx<T> w1 = {(o1.re + o1.im) * HALF_SQRT2, (o1.im - o1.re) * HALF_SQRT2};
    const Cx<T> w2 = times_minus_i(o2);
    const Cx<T> w3 = {(o3.im - o3.re) * HALF_SQRT2, -(o3.re + o3.im) * HALF_SQRT2};
    v[0] = e0 + o0;
    v[4] = e0 - o0;
    v[1] = e1 + w1;
    v[5] = e1 - w1;
    v[2] = e2 + w2;
    v[6] = e2 - w2;
    v[3] = e3 + w3;
    v[7] = e3 - w3;
    if (inverse)
#pragma GCC unroll 8
        for (int r = 0; r < 8; ++r)
            v[r].im = -v[r].im;
}

// The kernels work on the eight values of one position k of a class's
// subsections: a[p] (and b[p], the imaginary parts of a complex class) in,
// the pass's results out in the same places.

// Class 0: real data, no twiddle factors. The eight real points give V0 and
// V4 (real) and V1, V2, V3 (complex), stored as
// [V0, V4, Re V2, Im V2, Re V1, Im V3, Re V3, Im V1].
template <class T> [[gnu::always_inline]] inline void real_class_analysis(T (&a)[8])
{
    const T t0 = a[0] + a[4], t1 = a[0] - a[4], t2 = a[2] + a[6], t3 = a[2] - a[6];
    const T t4 = a[1] + a[5], t5 = a[1] - a[5], t6 = a[3] + a[7], t7 = a[3] - a[7];
    const T e0 = t0 + t2, e2 = t0 - t2, o0 = t4 + t6, o2 = t4 - t6;
    const T u = HALF_SQRT2 * (t5 - t7), v = HALF_SQRT2 * (t5 + t7);
    a[0] = e0 + o0;
    a[1] = e0 - o0;
    a[2] = e2;
    a[3] = -o2;
    a[4] = t1 + u;
    a[5] = t3 - v;
    a[6] = t1 - u;
    a[7] = -t3 - v;
}

// real_class_analysis undone, times 8.
template <class T> [[gnu::always_inline]] inline void real_class_synthesis(T (&a)[8])
{
    const T e0 = a[0] + a[1], o0 = a[0] - a[1];
    const T e2 = 2.0f * a[2], o2 = -2.0f * a[3];
    const T t0 = e0 + e2, t2 = e0 - e2, t4 = o0 + o2, t6 = o0 - o2;
    const T t1 = 2.0f * (a[4] + a[6]), t3 = 2.0f * (a[5] - a[7]);
    const T dr = a[4] - a[6], di = a[7] + a[5];
    const T t5 = SQRT2 * (dr - di), t7 = -SQRT2 * (dr + di);
    a[0] = t0 + t1;
    a[4] = t0 - t1;
    a[2] = t2 + t3;
    a[6] = t2 - t3;
    a[1] = t4 + t5;
    a[5] = t4 - t5;
    a[3] = t6 + t7;
    a[7] = t6 - t7;
}

// Twiddle factors W_(8 NN)^(p q) = (c[p], -s[p]) of a class.
template <class T> struct Twiddles
{
    T c[8];
    T s[8];
};

// Where a pass stores the outputs V_r of a class: subsection br(r) (the
// bit-reversal of r in three bits) of the class's real-part section, and
// subsection 7 - br(r) of its imaginary-part section.
constexpr int STORED_AT[8] = {0, 4, 2, 6, 1, 5, 3, 7};
constexpr int MIRRORED_AT[8] = {7, 3, 5, 1, 6, 2, 4, 0};

// Class NN/2: real data with twiddle factors W_16^p. Of its eight outputs
// V4..V7 are the conjugates of V3..V0, so V0..V3 fill the eight reals, in
// the one section that is both its real-part and its imaginary-part section.
template <class T>
[[gnu::always_inline]] inline void half_class_analysis(T (&a)[8], const Twiddles<T>& w)
{
    Cx<T> z[8], v[8];
#pragma GCC unroll 8
    for (int p = 0; p < 8; ++p)
        z[p] = {a[p] * w.c[p], -a[p] * w.s[p]};
    dft8<false>(z, v);
#pragma GCC unroll 4
    for (int r = 0; r < 4; ++r) {
        a[STORED_AT[r]] = v[r].re;
        a[MIRRORED_AT[r]] = v[r].im;
    }
}

template <class T>
[[gnu::always_inline]] inline void half_class_synthesis(T (&a)[8], const Twiddles<T>& w)
{
    Cx<T> v[8], z[8];
#pragma GCC unroll 4
    for (int r = 0; r < 4; ++r) {
        v[r] = {a[STORED_AT[r]], a[MIRRORED_AT[r]]};
        v[7 - r] = {v[r].re, -v[r].im};
    }
    dft8<true>(v, z);
#pragma GCC unroll 8
    for (int p = 0; p < 8; ++p)
        a[p] = z[p].re * w.c[p] - z[p].im * w.s[p];
}

// A complex class q (0 < q < NN/2): real parts a, imaginary parts b. Outputs
// r = 0..3 are classes below n/2 and keep real and imaginary part; for
// r = 4..7 the stored class is the conjugate partner, so -Im goes where Re
// would and Re where Im would.
template <class T>
[[gnu::always_inline]] inline void complex_class_analysis(T (&a)[8], T (&b)[8],
                                                          const Twiddles<T>& w)
{
    Cx<T> z[8], v[8];
    z[0] = {a[0], b[0]};
#pragma GCC unroll 8
    for (int p = 1; p < 8; ++p)
        z[p] = {a[p] * w.c[p] + b[p] * w.s[p], b[p] * w.c[p] - a[p] * w.s[p]};
    dft8<false>(z, v);
#pragma GCC unroll 4
    for (int r = 0; r < 4; ++r) {
        a[STORED_AT[r]] = v[r].re;
        b[MIRRORED_AT[r]] = v[r].im;
        a[STORED_AT[r + 4]] = -v[r + 4].im;
        b[MIRRORED_AT[r + 4]] = v[r + 4].re;
    }
}

template <class T>
[[gnu::always_inline]] inline void complex_class_synthesis(T (&a)[8], T (&b)[8],
                                                           const Twiddles<T>& w)
{
    Cx<T> v[8], z[8];
#pragma GCC unroll 4
    for (int r = 0; r < 4; ++r) {
        v[r] = {a[STORED_AT[r]], b[MIRRORED_AT[r]]};
        v[r + 4] = {b[MIRRORED_AT[r + 4]], -a[STORED_AT[r + 4]]};
    }
    dft8<true>(v, z);
    a[0] = z[0].re;
    b[0] = z[0].im;
#pragma GCC unroll 8
    for (int p = 1; p < 8; ++p) {
        a[p] = z[p].re * w.c[p] - z[p].im * w.s[p];
        b[p] = z[p].re * w.s[p] + z[p].im * w.c[p];
    }
}

// Bit-reversal of the lowest "bits" bits of v.
inline unsigned bit_reverse(unsigned v, int bits)
{
    if (bits <= 0) return 0;
    v = ((v >> 1) & 0x55555555u) | ((v & 0x55555555u) << 1);
    v = ((v >> 2) & 0x33333333u) | ((v & 0x33333333u) << 2);
    v = ((v >> 4) & 0x0F0F0F0Fu) | ((v & 0x0F0F0F0Fu) << 4);
    v = __builtin_bswap32(v);
    return v >> (32 - bits);
}

// The bytes 0..255 with their bits in reverse order.
constexpr std::array<std::uint8_t, 256> REVERSED_BYTES = [] {
    std::array<std::uint8_t, 256> table{};
    for (unsigned v = 0; v < 256; ++v) {
        unsigned r = 0;
        for (int b = 0; b < 8; ++b)
            r |= ((v >> b) & 1u) << (7 - b);
        table[v] = static_cast<std::uint8_t>(r);
    }
    return table;
}();

// Bit-reversal of the lowest "bits" (at most 16) bits of v.
inline unsigned reverse_bits_short(unsigned v, int bits)
{
    const unsigned r =
        (unsigned{REVERSED_BYTES[v & 0xFFu]} << 8) | REVERSED_BYTES[(v >> 8) & 0xFFu];
    return r >> (16 - bits);
}

inline int log2_exact(unsigned v)
{
    return 31 - __builtin_clz(v);
}

// Whether n is 2^nint(log2 n).
bool power_of_two(int n)
{
    return n > 0 && (n & (n - 1)) == 0;
}

// The sections of one class within a pass: the real parts start at
// re[p] + k, the imaginary parts at im[p] + k (the same for a real class).
struct ClassSections
{
    float* re[8];
    float* im[8];
};

inline ClassSections class_sections(const MaSections& br, const MaSections& bi,
                                    std::size_t re_offset, std::size_t im_offset)
{
    ClassSections c;
#pragma GCC unroll 8
    for (int p = 0; p < 8; ++p) {
        c.re[p] = br[p] + re_offset;
        c.im[p] = bi[p] + im_offset;
    }
    return c;
}

// The twiddle factors of class q from table entries p * step.
inline Twiddles<float> twiddles(const float* table, std::size_t step)
{
    Twiddles<float> w;
    for (std::size_t p = 0; p < 8; ++p) {
        w.c[p] = table[2 * p * step];
        w.s[p] = table[2 * p * step + 1];
    }
    return w;
}

// Runs a kernel over every position of a class's subsections. Positions
// are independent, so the loop runs in vector registers.
template <class Kernel>
[[gnu::always_inline]] inline void real_sections(int length, float* const (&a)[8], Kernel kernel)
{
    float *a0 = a[0], *a1 = a[1], *a2 = a[2], *a3 = a[3];
    float *a4 = a[4], *a5 = a[5], *a6 = a[6], *a7 = a[7];
    ZYT_IVDEP
    for (int k = 0; k < length; ++k) {
        float v[8] = {a0[k], a1[k], a2[k], a3[k], a4[k], a5[k], a6[k], a7[k]};
        kernel(v);
        a0[k] = v[0];
        a1[k] = v[1];
        a2[k] = v[2];
        a3[k] = v[3];
        a4[k] = v[4];
        a5[k] = v[5];
        a6[k] = v[6];
        a7[k] = v[7];
    }
}

template <class Kernel>
[[gnu::always_inline]] inline void complex_sections(int length, const ClassSections& c,
                                                    Kernel kernel)
{
    float *a0 = c.re[0], *a1 = c.re[1], *a2 = c.re[2], *a3 = c.re[3];
    float *a4 = c.re[4], *a5 = c.re[5], *a6 = c.re[6], *a7 = c.re[7];
    float *b0 = c.im[0], *b1 = c.im[1], *b2 = c.im[2], *b3 = c.im[3];
    float *b4 = c.im[4], *b5 = c.im[5], *b6 = c.im[6], *b7 = c.im[7];
    ZYT_IVDEP
    for (int k = 0; k < length; ++k) {
        float a[8] = {a0[k], a1[k], a2[k], a3[k], a4[k], a5[k], a6[k], a7[k]};
        float b[8] = {b0[k], b1[k], b2[k], b3[k], b4[k], b5[k], b6[k], b7[k]};
        kernel(a, b);
        a0[k] = a[0];
        a1[k] = a[1];
        a2[k] = a[2];
        a3[k] = a[3];
        a4[k] = a[4];
        a5[k] = a[5];
        a6[k] = a[6];
        a7[k] = a[7];
        b0[k] = b[0];
        b1[k] = b[1];
        b2[k] = b[2];
        b3[k] = b[3];
        b4[k] = b[4];
        b5[k] = b[5];
        b6[k] = b[6];
        b7[k] = b[7];
    }
}

// Four rows of four floats turned into four columns.
inline void transpose4(Float4& r0, Float4& r1, Float4& r2, Float4& r3)
{
    const Float4 t0 = ZYT_SHUFFLE(r0, r1, 0, 4, 1, 5), t1 = ZYT_SHUFFLE(r0, r1, 2, 6, 3, 7);
    const Float4 t2 = ZYT_SHUFFLE(r2, r3, 0, 4, 1, 5), t3 = ZYT_SHUFFLE(r2, r3, 2, 6, 3, 7);
    r0 = ZYT_SHUFFLE(t0, t2, 0, 1, 4, 5);
    r1 = ZYT_SHUFFLE(t0, t2, 2, 3, 6, 7);
    r2 = ZYT_SHUFFLE(t1, t3, 0, 1, 4, 5);
    r3 = ZYT_SHUFFLE(t1, t3, 2, 3, 6, 7);
}

// The eight contiguous values of four classes (rows) as eight vectors of
// one subsection each (columns), and back.
inline void load_columns(float* const (&rows)[4], Float4 (&v)[8])
{
#pragma GCC unroll 8
    for (int half = 0; half < 2; ++half) {
        Float4 r[4];
#pragma GCC unroll 8
        for (int j = 0; j < 4; ++j)
            __builtin_memcpy(&r[j], rows[j] + 4 * half, sizeof(Float4));
        transpose4(r[0], r[1], r[2], r[3]);
#pragma GCC unroll 8
        for (int j = 0; j < 4; ++j)
            v[4 * half + j] = r[j];
    }
}

inline void store_columns(float* const (&rows)[4], const Float4 (&v)[8])
{
#pragma GCC unroll 8
    for (int half = 0; half < 2; ++half) {
        Float4 r[4] = {v[4 * half], v[4 * half + 1], v[4 * half + 2], v[4 * half + 3]};
        transpose4(r[0], r[1], r[2], r[3]);
#pragma GCC unroll 8
        for (int j = 0; j < 4; ++j)
            __builtin_memcpy(rows[j] + 4 * half, &r[j], sizeof(Float4));
    }
}

// The sections of complex class q: the real parts in the section of
// a = br(q), which is even and lies in an octave [2^t, 2^(t+1)); the
// imaginary parts in that of br(NN - q), a's mirror in the octave.
struct ClassPlace
{
    std::size_t re;
    std::size_t im;
};

inline ClassPlace class_place(int q, int bits)
{
    const unsigned a = bit_reverse(static_cast<unsigned>(q), bits);
    const unsigned octave = 1u << log2_exact(a);
    return {a, 3 * octave - 1 - a};
}

// The last pass (sections of one value): the eight values of a class are
// contiguous, and four classes at a time fill the vector registers.
template <bool synthesis>
void last_pass_classes(int classes, float* re_data, float* im_data, const float* table)
{
    const int bits = log2_exact(static_cast<unsigned>(classes));
    int q = 1;
    for (; q + 3 < classes / 2; q += 4) {
        float* re_rows[4];
        float* im_rows[4];
        Twiddles<Float4> w;
#pragma GCC unroll 8
        for (int j = 0; j < 4; ++j) {
            const ClassPlace place = class_place(q + j, bits);
            re_rows[j] = re_data + 8 * place.re;
            im_rows[j] = im_data + 8 * place.im;
        }
        // W^(q+j) of the four classes are neighbours in the table; their
        // powers (exact products of table values, three roundings deep at
        // most) give the other factors.
        Float4 low, high;
        __builtin_memcpy(&low, table + 2 * q, sizeof(Float4));
        __builtin_memcpy(&high, table + 2 * q + 4, sizeof(Float4));
        w.c[0] = Float4{1.0f, 1.0f, 1.0f, 1.0f};
        w.s[0] = Float4{0.0f, 0.0f, 0.0f, 0.0f};
        w.c[1] = ZYT_SHUFFLE(low, high, 0, 2, 4, 6);
        w.s[1] = ZYT_SHUFFLE(low, high, 1, 3, 5, 7);
        const auto product = [&w](int p, int x, int y) {
            w.c[p] = w.c[x] * w.c[y] - w.s[x] * w.s[y];
            w.s[p] = w.s[x] * w.c[y] + w.c[x] * w.s[y];
        };
        product(2, 1, 1);
        product(3, 2, 1);
        product(4, 2, 2);
        product(5, 4, 1);
        product(6, 3, 3);
        product(7, 4, 3);
        Float4 a[8], b[8];
        load_columns(re_rows, a);
        load_columns(im_rows, b);
        if (synthesis)
            complex_class_synthesis(a, b, w);
        else
            complex_class_analysis(a, b, w);
        store_columns(re_rows, a);
        store_columns(im_rows, b);
    }
    for (; q < classes / 2; ++q) {
        const ClassPlace place = class_place(q, bits);
        float* re = re_data + 8 * place.re;
        float* im = im_data + 8 * place.im;
        float a[8], b[8];
#pragma GCC unroll 8
        for (int p = 0; p < 8; ++p) {
            a[p] = re[p];
            b[p] = im[p];
        }
        const Twiddles<float> w = twiddles(table, static_cast<std::size_t>(q));
        if (synthesis)
            complex_class_synthesis(a, b, w);
        else
            complex_class_analysis(a, b, w);
#pragma GCC unroll 8
        for (int p = 0; p < 8; ++p) {
            re[p] = a[p];
            im[p] = b[p];
        }
    }
}

// One radix-8 pass in either direction: every class before the pass with
// its sections and twiddle factors.
template <bool synthesis>
[[gnu::always_inline]] inline void radix8_pass(int section, int counter, const MaSections& br,
                                               const MaSections& bi, const float* table, int n)
{
    const int classes = counter / 8;
    const std::size_t group = 8 * static_cast<std::size_t>(section);
    const ClassSections zero = class_sections(br, bi, 0, 0);
    real_sections(
        section, zero.re, [](float(&a)[8]) __attribute__((always_inline)) {
            if (synthesis)
                real_class_synthesis(a);
            else
                real_class_analysis(a);
        });
    if (classes < 2) return;
    // Class NN/2 sits in section 1; its twiddle factors are W_16^p.
    const ClassSections half = class_sections(br, bi, group, group);
    const Twiddles<float> half_w = twiddles(table, static_cast<std::size_t>(n / 16));
    real_sections(
        section, half.re, [&half_w](float(&a)[8]) __attribute__((always_inline)) {
            if (synthesis)
                half_class_synthesis(a, half_w);
            else
                half_class_analysis(a, half_w);
        });
    if (section == 1) return last_pass_classes<synthesis>(classes, br[0], bi[0], table);
    const int bits = log2_exact(static_cast<unsigned>(classes));
    for (int q = 1; q < classes / 2; ++q) {
        const ClassPlace place = class_place(q, bits);
        const ClassSections c = class_sections(br, bi, place.re * group, place.im * group);
        const Twiddles<float> w = twiddles(table, static_cast<std::size_t>(q) * section);
        complex_sections(
            section, c, [&w](float(&a)[8], float(&b)[8]) __attribute__((always_inline)) {
                if (synthesis)
                    complex_class_synthesis(a, b, w);
                else
                    complex_class_analysis(a, b, w);
            });
    }
}

// The section starts of a pass with sections of the given length.
MaSections section_starts(float* data, int section)
{
    MaSections s{};
#pragma GCC unroll 8
    for (int p = 0; p < 8; ++p)
        s[p] = data + static_cast<std::size_t>(p) * section;
    return s;
}

// The checks shared by both directions; false after setting the status.
bool transform_arguments_valid(int ndata, int n, int table_size, int& status,
                               std::string_view position)
{
    if (ndata < 1 || table_size < 2) {
        st_fail(status, ST_MOD_MA + MA_ERR_DIMENSION, position);
        return false;
    }
    if (n > ndata) {
        st_fail(status, ST_MOD_MA + MA_ERR_REGION, position);
        return false;
    }
    if (static_cast<long long>(table_size) < 2LL * n) {
        st_fail(status, ST_MOD_MA + MA_ERR_RELATION, position);
        return false;
    }
    if (!power_of_two(n)) {
        st_fail(status, ST_MOD_MA + MA_ERR_POWER_OF_TWO, position);
        return false;
    }
    return true;
}

} // namespace

void MA_EXPNT(int table_size, int npoints, int step, float* table, int& status)
{
    constexpr std::string_view position = "Subroutine MA_EXPNT V0.1";
    if (!st_enter(status, position)) return;
    if (table_size < 1) return st_fail(status, ST_MOD_MA + MA_ERR_DIMENSION, position);
    if (table_size < npoints) return st_fail(status, ST_MOD_MA + MA_ERR_REGION, position);
    // Fewer than two points would leave no room for entry 0.
    if (step < 1 || npoints < 2) return st_fail(status, ST_MOD_MA + MA_ERR_VALUE, position);
    const int quarter = npoints / 4;
    const int eighth = npoints / 8;
    const double theta = 2.0 * std::numbers::pi / (npoints / 2);
    const double cos_theta = std::cos(theta), sin_theta = std::sin(theta);
    table[0] = 1.0f;
    table[1] = 0.0f;
    // Rotation by theta with three multiplications; the running value is kept
    // in double so that the step-1 rotations between direct evaluations add
    // nothing visible in the 32-bit entries.
    double re = 1.0, im = 0.0;
    for (int k = 1; k <= eighth; ++k) {
        if ((k - 1) % step == 0) {
            re = std::cos(k * theta);
            im = std::sin(k * theta);
        } else {
            const double sum = cos_theta * (re + im);
            const double next_re = sum - (sin_theta + cos_theta) * im;
            im = sum + (sin_theta - cos_theta) * re;
            re = next_re;
        }
        table[2 * k] = static_cast<float>(re);
        table[2 * k + 1] = static_cast<float>(im);
    }
    // cos(pi/2 + x) mirrored: entry quarter - k is (-cos k theta, sin k theta).
    for (int k = eighth + 1; k <= quarter; ++k) {
        table[2 * k] = -table[2 * (quarter - k)];
        table[2 * k + 1] = table[2 * (quarter - k) + 1];
    }
}

void MA_R2TR(int section, float* b0, float* b1)
{
    ZYT_IVDEP
    for (int k = 0; k < section; ++k) {
        const float t = b0[k] + b1[k];
        b1[k] = b0[k] - b1[k];
        b0[k] = t;
    }
}

// Class 0 to section 0, class 2 (real) to section 1, class 1 to sections 2
// (real part) and 3 (imaginary part).
void MA_R4TR(int section, float* b0, float* b1, float* b2, float* b3)
{
    ZYT_IVDEP
    for (int k = 0; k < section; ++k) {
        const float r0 = b0[k] + b2[k], r1 = b1[k] + b3[k];
        b2[k] = b0[k] - b2[k];
        b3[k] = b3[k] - b1[k];
        b0[k] = r0 + r1;
        b1[k] = r0 - r1;
    }
}

void MA_R4SYN(int section, float* b0, float* b1, float* b2, float* b3)
{
    ZYT_IVDEP
    for (int k = 0; k < section; ++k) {
        const float even = b0[k] + b1[k], odd = b0[k] - b1[k];
        const float re = 2.0f * b2[k], im = 2.0f * b3[k];
        b0[k] = even + re;
        b2[k] = even - re;
        b1[k] = odd - im;
        b3[k] = odd + im;
    }
}

ZYT_CLONES void MA_FRR8(int section, int counter, const MaSections& br, const MaSections& bi,
                        const float* table, int n)
{
    radix8_pass<false>(section, counter, br, bi, table, n);
}

ZYT_CLONES void MA_IHR8(int section, int counter, const MaSections& br, const MaSections& bi,
                        const float* table, int n)
{
    radix8_pass<true>(section, counter, br, bi, table, n);
}

// Pair u in the octave [2^t, 2^(t+1)) holds the imaginary part of the pair
// mirrored in that octave: reversing the odd positions of each octave swaps
// them back, two pairs from each end at a time.
void MA_ORD1(int n, int m, float* data)
{
    (void)n;
    if (m >= 3) std::swap(data[5], data[7]); // the octave of pairs 2 and 3
    for (int t = 2; t <= m - 2; ++t) {
        const std::size_t low = std::size_t{1} << t;
        for (std::size_t u = low; u < low + low / 2; u += 2) {
            float* front = data + 2 * u;
            float* back = data + 2 * (3 * low - 2 - u);
            Float4 f, b;
            __builtin_memcpy(&f, front, sizeof f);
            __builtin_memcpy(&b, back, sizeof b);
            const Float4 new_front = ZYT_SHUFFLE(f, b, 0, 7, 2, 5);
            const Float4 new_back = ZYT_SHUFFLE(b, f, 0, 7, 2, 5);
            __builtin_memcpy(front, &new_front, sizeof f);
            __builtin_memcpy(back, &new_back, sizeof b);
        }
    }
}

// A pair index u of b bits is (x, y, z): top bit x, bottom bit z and b-2
// bits y between; br(u) = (z, br(y), x). The four pairs (x, y, z) of one y
// form a 2 x 2 block that goes, transposed, to the block of br(y), so pairs
// of blocks are exchanged two pairs (one vector) at a time.
void MA_ORD2(int n, int m, float* data)
{
    (void)n;
    const int bits = m - 1;
    if (bits < 2) return;
    const std::size_t upper = std::size_t{1} << (bits - 1); // x = 1
    const auto block = [data, upper](std::size_t y, Pair2(&v)[2]) {
        __builtin_memcpy(&v[0], data + 4 * y, sizeof(Pair2));
        __builtin_memcpy(&v[1], data + 2 * upper + 4 * y, sizeof(Pair2));
    };
    const auto put_transposed = [data, upper](std::size_t y, const Pair2(&v)[2]) {
        const Pair2 low = ZYT_SHUFFLE2(v[0], v[1], 0, 2), high = ZYT_SHUFFLE2(v[0], v[1], 1, 3);
        __builtin_memcpy(data + 4 * y, &low, sizeof(Pair2));
        __builtin_memcpy(data + 2 * upper + 4 * y, &high, sizeof(Pair2));
    };
    // y of ybits bits is split into a top part t, for odd counts a middle
    // bit, and a bottom part c of k bits each: br(y) = (br(c), middle, br(t)).
    // Taking c = br(o) for every o > t visits each exchanged pair of blocks
    // once; c = br(t) gives the blocks that stay where they are.
    const int ybits = bits - 2;
    const int k = ybits / 2;
    const int middle_bits = ybits % 2;
    const std::size_t parts = std::size_t{1} << k;
    const std::size_t middles = std::size_t{1} << middle_bits;
    for (std::size_t t = 0; t < parts; ++t) {
        const std::size_t t_reversed = reverse_bits_short(static_cast<unsigned>(t), k);
        for (std::size_t middle = 0; middle < middles; ++middle) {
            const std::size_t y = ((t << middle_bits | middle) << k) | t_reversed;
            Pair2 v[2];
            block(y, v);
            put_transposed(y, v);
        }
        for (std::size_t o = t + 1; o < parts; ++o) {
            const std::size_t o_reversed = reverse_bits_short(static_cast<unsigned>(o), k);
            for (std::size_t middle = 0; middle < middles; ++middle) {
                const std::size_t y = ((t << middle_bits | middle) << k) | o_reversed;
                const std::size_t y_reversed = ((o << middle_bits | middle) << k) | t_reversed;
                Pair2 v[2], w[2];
                block(y, v);
                block(y_reversed, w);
                put_transposed(y_reversed, v);
                put_transposed(y, w);
            }
        }
    }
}

void MA_FFA8(int ndata, int n, int table_size, const float* table, bool ordered, float* data,
             int& status)
{
    constexpr std::string_view position = "Subroutine MA_FFA8 V0.2 ";
    if (!st_enter(status, position)) return;
    if (!transform_arguments_valid(ndata, n, table_size, status, position)) return;
    const int m = log2_exact(static_cast<unsigned>(n));
    int counter = 1;
    if (m % 3 == 2) {
        const int quarter = n / 4;
        MA_R4TR(quarter, data, data + quarter, data + 2 * quarter, data + 3 * quarter);
        counter = 4;
    } else if (m % 3 == 1) {
        MA_R2TR(n / 2, data, data + n / 2);
        counter = 2;
    }
    for (int pass = 0; pass < m / 3; ++pass) {
        counter *= 8;
        const MaSections starts = section_starts(data, n / counter);
        MA_FRR8(n / counter, counter, starts, starts, table, n);
    }
    MA_ORD1(n, m, data);
    if (ordered) MA_ORD2(n, m, data);
}

void MA_FFS8(int ndata, int n, int table_size, const float* table, bool ordered, float* data,
             int& status)
{
    constexpr std::string_view position = "Subroutine MA_FFS8 V0.2 ";
    if (!st_enter(status, position)) return;
    if (!transform_arguments_valid(ndata, n, table_size, status, position)) return;
    const int m = log2_exact(static_cast<unsigned>(n));
    if (ordered) MA_ORD2(n, m, data);
    MA_ORD1(n, m, data);
    for (int counter = n, pass = 0; pass < m / 3; ++pass, counter /= 8) {
        const MaSections starts = section_starts(data, n / counter);
        MA_IHR8(n / counter, counter, starts, starts, table, n);
    }
    if (m % 3 == 2) {
        const int quarter = n / 4;
        MA_R4SYN(quarter, data, data + quarter, data + 2 * quarter, data + 3 * quarter);
    } else if (m % 3 == 1) {
        MA_R2TR(n / 2, data, data + n / 2);
    }
}
