// The real fast Fourier transform.
//
// The n reals are taken as M = n/2 complex points z(j) = x(2j) + i x(2j+1).
// Their complex transform Z is computed by passes that decimate in
// frequency: a radix-2 pass when log2 M is odd, radix-4 passes, and the last
// two radix-4 steps together on blocks of 16 points held in registers. Each
// pass leaves the outputs of a butterfly in bit-reversed order, so at the end
// Z(k) lies at position br(k), the reversal of k in log2 M bits.
//
// A last pass separates the spectra of the even and the odd reals:
//     X(k) = (A - i W^k B) / 2,   X(M-k) = conj(A + i W^k B) / 2,
//     A = Z(k) + conj Z(M-k),  B = Z(k) - conj Z(M-k),  W = exp(-2 pi i / n).
// In bit-reversed order Z(k) and Z(M-k) lie at mirrored positions u and
// 3 2^t - 1 - u of an octave [2^t, 2^(t+1)), so the pass works from both
// ends of each octave inwards and leaves X(k) where Z(k) was: the spectrum's
// pairs come in bit-reversed order, which MA_ORD2 sorts. X(0) and X(M), both
// real, share pair 0; X(M/2) = conj Z(M/2) is pair 1.
//
// The inverse runs the steps backwards with conjugate factors: the two
// spectra joined into 2 Z, then the passes undone from the last, which gives
// the data times n.
//
// The vector code is written for vectors of four complex values (eight
// floats); it is built for the machine's AVX2 registers where it has them
// and for any x86-64.

#include "ma/fft.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <numbers>
#include <vector>

#include "io/status.h"
#include "ma/clones.h"

namespace {

// Four complex values, real and imaginary parts interleaved.
using Float8 = float __attribute__((vector_size(32)));
using Int8 = std::int32_t __attribute__((vector_size(32)));
// The same register as four 64-bit items: one complex value each.
using Double4 = double __attribute__((vector_size(32)));
using Index4 = std::int64_t __attribute__((vector_size(32)));

#if defined(__clang__)
#define ZYT_SHUFFLE8(a, b, ...) __builtin_shufflevector(a, b, __VA_ARGS__)
#define ZYT_SHUFFLE4(a, b, ...) __builtin_shufflevector(a, b, __VA_ARGS__)
#else
#define ZYT_SHUFFLE8(a, b, ...) __builtin_shuffle(a, b, Int8{__VA_ARGS__})
#define ZYT_SHUFFLE4(a, b, ...) __builtin_shuffle(a, b, Index4{__VA_ARGS__})
#endif


#define ZYT_INLINE [[gnu::always_inline]] inline

// The helpers on vectors are all inlined, so the calling convention for
// 32-byte vectors without AVX, which the compilers warn of, never applies.
#pragma GCC diagnostic ignored "-Wpsabi"

// Below this many complex points the transform runs on single values.
constexpr std::size_t VECTOR_POINTS = 16;

ZYT_INLINE Float8 load8(const float* p)
{
    Float8 v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

ZYT_INLINE void store8(float* p, const Float8& v)
{
    __builtin_memcpy(p, &v, sizeof v);
}

ZYT_INLINE Float8 swap_parts(const Float8& v)
{
    return ZYT_SHUFFLE8(v, v, 1, 0, 3, 2, 5, 4, 7, 6);
}

// The sign bits of the imaginary parts.
constexpr Int8 IMAGINARY_SIGNS = {0, INT32_MIN, 0, INT32_MIN, 0, INT32_MIN, 0, INT32_MIN};

ZYT_INLINE Float8 conjugate(const Float8& v)
{
    return (Float8)((Int8)v ^ IMAGINARY_SIGNS);
}

ZYT_INLINE Float8 times_minus_i(const Float8& v)
{
    return conjugate(swap_parts(v));
}

// Four complex factors w as they are kept (FACTOR_FLOATS floats): their
// real parts, each twice, then (-Im w, Im w) of each, so that a product
// takes two multiplications and no shuffle of the factors.
constexpr std::size_t FACTOR_FLOATS = 16;

struct Factors
{
    Float8 re;
    Float8 im;
};

ZYT_INLINE Factors factors_at(const float* f)
{
    return {load8(f), load8(f + 8)};
}

// a w and a conj(w), four at a time.
ZYT_INLINE Float8 times(const Float8& a, const Factors& w)
{
    return a * w.re + swap_parts(a) * w.im;
}

ZYT_INLINE Float8 times_conj(const Float8& a, const Factors& w)
{
    return a * w.re - swap_parts(a) * w.im;
}

// The four complex values in reverse order.
ZYT_INLINE Float8 reversed(const Float8& v)
{
    return ZYT_SHUFFLE8(v, v, 6, 7, 4, 5, 2, 3, 0, 1);
}

// Four vectors of four complex values as a 4 x 4 matrix, transposed.
ZYT_INLINE void transpose(Float8 (&v)[4])
{
    const Double4 r0 = (Double4)v[0], r1 = (Double4)v[1], r2 = (Double4)v[2], r3 = (Double4)v[3];
    const Double4 t0 = ZYT_SHUFFLE4(r0, r1, 0, 4, 2, 6), t1 = ZYT_SHUFFLE4(r0, r1, 1, 5, 3, 7);
    const Double4 t2 = ZYT_SHUFFLE4(r2, r3, 0, 4, 2, 6), t3 = ZYT_SHUFFLE4(r2, r3, 1, 5, 3, 7);
    v[0] = (Float8)ZYT_SHUFFLE4(t0, t2, 0, 1, 4, 5);
    v[1] = (Float8)ZYT_SHUFFLE4(t1, t3, 0, 1, 4, 5);
    v[2] = (Float8)ZYT_SHUFFLE4(t0, t2, 2, 3, 6, 7);
    v[3] = (Float8)ZYT_SHUFFLE4(t1, t3, 2, 3, 6, 7);
}

// The radix-4 butterfly without its factors: the four points a quarter of
// a section apart in, the four-point transform out in bit-reversed order
// (frequencies 0, 2, 1, 3).
ZYT_INLINE void butterfly(Float8 (&v)[4])
{
    const Float8 t0 = v[0] + v[2], t1 = v[0] - v[2];
    const Float8 t2 = v[1] + v[3], t3 = times_minus_i(v[1] - v[3]);
    v[0] = t0 + t2;
    v[1] = t0 - t2;
    v[2] = t1 + t3;
    v[3] = t1 - t3;
}

// butterfly undone, times 4.
ZYT_INLINE void butterfly_undone(Float8 (&v)[4])
{
    const Float8 even = v[0] + v[1], odd = v[0] - v[1];
    const Float8 sum = v[2] + v[3], difference = times_minus_i(v[2] - v[3]);
    v[0] = even + sum;
    v[2] = even - sum;
    v[1] = odd - difference;
    v[3] = odd + difference;
}

// One complex value.
struct Cx
{
    float re;
    float im;
};

inline Cx operator+(Cx a, Cx b)
{
    return {a.re + b.re, a.im + b.im};
}
inline Cx operator-(Cx a, Cx b)
{
    return {a.re - b.re, a.im - b.im};
}
inline Cx times(Cx a, Cx w)
{
    return {a.re * w.re - a.im * w.im, a.im * w.re + a.re * w.im};
}
inline Cx times_conj(Cx a, Cx w)
{
    return {a.re * w.re + a.im * w.im, a.im * w.re - a.re * w.im};
}

inline Cx point(const float* z, std::size_t k)
{
    return {z[2 * k], z[2 * k + 1]};
}
inline void put(float* z, std::size_t k, Cx v)
{
    z[2 * k] = v.re;
    z[2 * k + 1] = v.im;
}

// Bit-reversal of the lowest "bits" bits of v.
inline unsigned bit_reverse(unsigned v, int bits)
{
    if (bits <= 0) return 0;
    v = ((v >> 1) & 0x55555555u) | ((v & 0x55555555u) << 1);
    v = ((v >> 2) & 0x33333333u) | ((v & 0x33333333u) << 2);
    v = ((v >> 4) & 0x0F0F0F0Fu) | ((v & 0x0F0F0F0Fu) << 4);
    return __builtin_bswap32(v) >> (32 - bits);
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

// Everything a transform of one length reads besides the data: the factors
// of every pass in the order the passes use them.
struct Plan
{
    int bits = 0; // log2 of the complex points M
    // Radix-2 pass (when bits is odd): W_M^j for j < M/2. Radix-4 pass of
    // sections of L points, for every four j < L/4: W_L^(2j), W_L^j, W_L^(3j)
    // of the four, the factors of butterfly outputs 1, 2 and 3.
    std::vector<float> passes;
    // The blocks of 16 points: W_16^(2j), W_16^j, W_16^(3j) for j = 0..3.
    std::array<float, 3 * FACTOR_FLOATS> block{};
    // For the pairs of octave t, W_n^br(u) for u from 2^t to 2^t + 2^(t-1) - 1:
    // for every octave from t = 3 on as vector factors, before as complex
    // values (u = 2, 4, 5).
    std::vector<float> separation;
    std::vector<float> separation_scalar;
    // Transforms below VECTOR_POINTS: W_M^k for k < M/2.
    std::vector<float> small;
};

// exp(-2 pi i k / period) rounded to floats.
void append_factor(std::vector<float>& out, std::size_t k, std::size_t period)
{
    const double angle =
        2.0 * std::numbers::pi * static_cast<double>(k % period) / static_cast<double>(period);
    out.push_back(static_cast<float>(std::cos(angle)));
    out.push_back(static_cast<float>(-std::sin(angle)));
}

// exp(-2 pi i k / period) for four k, kept as vector factors.
void append_factors(std::vector<float>& out, const std::array<std::size_t, 4>& k,
                    std::size_t period)
{
    std::vector<float> w;
    for (std::size_t e : k)
        append_factor(w, e, period);
    for (int i = 0; i < 4; ++i) {
        out.push_back(w[2 * i]);
        out.push_back(w[2 * i]);
    }
    for (int i = 0; i < 4; ++i) {
        out.push_back(-w[2 * i + 1]);
        out.push_back(w[2 * i + 1]);
    }
}

// The factors of a radix-4 pass over sections of "length" points.
void append_radix4_factors(std::vector<float>& out, std::size_t length)
{
    constexpr std::size_t POWERS[3] = {2, 1, 3};
    for (std::size_t j = 0; j < length / 4; j += 4)
        for (std::size_t power : POWERS)
            append_factors(out, {power * j, power * (j + 1), power * (j + 2), power * (j + 3)},
                           length);
}

Plan make_plan(int m)
{
    Plan plan;
    plan.bits = m - 1;
    const std::size_t points = std::size_t{1} << plan.bits;
    if (points < VECTOR_POINTS) {
        for (std::size_t k = 0; k < points / 2; ++k)
            append_factor(plan.small, k, points);
    } else {
        std::size_t length = points;
        if (plan.bits % 2 == 1) {
            for (std::size_t j = 0; j < points / 2; j += 4)
                append_factors(plan.passes, {j, j + 1, j + 2, j + 3}, points);
            length /= 2;
        }
        for (; length >= 4 * VECTOR_POINTS; length /= 4)
            append_radix4_factors(plan.passes, length);
        std::vector<float> block;
        append_radix4_factors(block, VECTOR_POINTS);
        std::copy(block.begin(), block.end(), plan.block.begin());
    }
    const std::size_t n = 2 * points;
    const auto k = [&plan](std::size_t u) {
        return bit_reverse(static_cast<unsigned>(u), plan.bits);
    };
    for (int t = 1; t < plan.bits; ++t) {
        const std::size_t first = std::size_t{1} << t;
        for (std::size_t u = first; u < first + first / 2; u += 4) {
            if (first / 2 < 4)
                for (std::size_t v = u; v < first + first / 2; ++v)
                    append_factor(plan.separation_scalar, k(v), n);
            else
                append_factors(plan.separation, {k(u), k(u + 1), k(u + 2), k(u + 3)}, n);
        }
    }
    return plan;
}

// The plans of the lengths used so far, by log2 n. (The transforms, as the
// whole program, run on one thread.)
std::array<std::unique_ptr<const Plan>, 31> plans;

// The plan for n = 2^m (m >= 1), made on first use; null without memory.
const Plan* plan_for(int m)
{
    std::unique_ptr<const Plan>& kept = plans[static_cast<std::size_t>(m)];
    if (!kept) {
        try {
            kept = std::make_unique<const Plan>(make_plan(m));
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    return kept.get();
}

// The complex transform below VECTOR_POINTS points: radix-2 passes.
void small_forward(const Plan& plan, float* z)
{
    const std::size_t points = std::size_t{1} << plan.bits;
    for (std::size_t length = points; length >= 2; length /= 2) {
        const std::size_t half = length / 2, stride = points / length;
        for (std::size_t start = 0; start < points; start += length)
            for (std::size_t j = 0; j < half; ++j) {
                const Cx a = point(z, start + j), b = point(z, start + j + half);
                put(z, start + j, a + b);
                put(z, start + j + half, times(a - b, point(plan.small.data(), j * stride)));
            }
    }
}

void small_inverse(const Plan& plan, float* z)
{
    const std::size_t points = std::size_t{1} << plan.bits;
    for (std::size_t length = 2; length <= points; length *= 2) {
        const std::size_t half = length / 2, stride = points / length;
        for (std::size_t start = 0; start < points; start += length)
            for (std::size_t j = 0; j < half; ++j) {
                const Cx a = point(z, start + j);
                const Cx b =
                    times_conj(point(z, start + j + half), point(plan.small.data(), j * stride));
                put(z, start + j, a + b);
                put(z, start + j + half, a - b);
            }
    }
}

// The radix-2 pass over all M points, and its inverse (times 2).
ZYT_INLINE void radix2_forward(float* z, std::size_t points, const float* w)
{
    float* upper = z + points;
    for (std::size_t j = 0; j < points; j += 8) {
        const Float8 a = load8(z + j), b = load8(upper + j);
        store8(z + j, a + b);
        store8(upper + j, times(a - b, factors_at(w + 2 * j)));
    }
}

ZYT_INLINE void radix2_inverse(float* z, std::size_t points, const float* w)
{
    float* upper = z + points;
    for (std::size_t j = 0; j < points; j += 8) {
        const Float8 a = load8(z + j), b = times_conj(load8(upper + j), factors_at(w + 2 * j));
        store8(z + j, a + b);
        store8(upper + j, a - b);
    }
}

// A radix-4 pass over sections of "length" points, and its inverse (times 4).
ZYT_INLINE void radix4_forward(float* z, std::size_t points, std::size_t length, const float* w)
{
    const std::size_t quarter = 2 * (length / 4); // in floats
    for (float* section = z; section < z + 2 * points; section += 2 * length) {
        const float* factors = w;
        for (std::size_t j = 0; j < quarter; j += 8, factors += 3 * FACTOR_FLOATS) {
            float* p = section + j;
            Float8 v[4] = {load8(p), load8(p + quarter), load8(p + 2 * quarter),
                           load8(p + 3 * quarter)};
            butterfly(v);
            store8(p, v[0]);
            store8(p + quarter, times(v[1], factors_at(factors)));
            store8(p + 2 * quarter, times(v[2], factors_at(factors + FACTOR_FLOATS)));
            store8(p + 3 * quarter, times(v[3], factors_at(factors + 2 * FACTOR_FLOATS)));
        }
    }
}

ZYT_INLINE void radix4_inverse(float* z, std::size_t points, std::size_t length, const float* w)
{
    const std::size_t quarter = 2 * (length / 4);
    for (float* section = z; section < z + 2 * points; section += 2 * length) {
        const float* factors = w;
        for (std::size_t j = 0; j < quarter; j += 8, factors += 3 * FACTOR_FLOATS) {
            float* p = section + j;
            Float8 v[4] = {
                load8(p), times_conj(load8(p + quarter), factors_at(factors)),
                times_conj(load8(p + 2 * quarter), factors_at(factors + FACTOR_FLOATS)),
                times_conj(load8(p + 3 * quarter), factors_at(factors + 2 * FACTOR_FLOATS))};
            butterfly_undone(v);
            store8(p, v[0]);
            store8(p + quarter, v[1]);
            store8(p + 2 * quarter, v[2]);
            store8(p + 3 * quarter, v[3]);
        }
    }
}

// The last two radix-4 steps on every block of 16 points (forward), or
// their inverse: the first across the block's four vectors, the second
// within each vector, made a step across vectors by transposing the block.
template <bool forward> ZYT_INLINE void blocks(float* z, std::size_t points, const float* block)
{
    const Factors w1 = factors_at(block), w2 = factors_at(block + FACTOR_FLOATS),
                  w3 = factors_at(block + 2 * FACTOR_FLOATS);
    for (float* p = z; p < z + 2 * points; p += 32) {
        Float8 v[4] = {load8(p), load8(p + 8), load8(p + 16), load8(p + 24)};
        if (forward) {
            butterfly(v);
            v[1] = times(v[1], w1);
            v[2] = times(v[2], w2);
            v[3] = times(v[3], w3);
            transpose(v);
            butterfly(v);
            transpose(v);
        } else {
            transpose(v);
            butterfly_undone(v);
            transpose(v);
            v[1] = times_conj(v[1], w1);
            v[2] = times_conj(v[2], w2);
            v[3] = times_conj(v[3], w3);
            butterfly_undone(v);
        }
        store8(p, v[0]);
        store8(p + 8, v[1]);
        store8(p + 16, v[2]);
        store8(p + 24, v[3]);
    }
}

// X(k) and X(M-k) from Z(k) at u and Z(M-k) at v (w = W_n^k), and back
// to 2 Z(k) and 2 Z(M-k).
inline void separate_pair(float* z, std::size_t u, std::size_t v, Cx w)
{
    const Cx zk = point(z, u), zm = point(z, v);
    const Cx a = {zk.re + zm.re, zk.im - zm.im};
    const Cx c = times(Cx{zk.re - zm.re, zk.im + zm.im}, w);
    put(z, u, {0.5f * (a.re + c.im), 0.5f * (a.im - c.re)});
    put(z, v, {0.5f * (a.re - c.im), -0.5f * (a.im + c.re)});
}

inline void join_pair(float* z, std::size_t u, std::size_t v, Cx w)
{
    const Cx xk = point(z, u), xm = point(z, v);
    const Cx e = {xk.re + xm.re, xk.im - xm.im};
    const Cx f = times_conj(Cx{xk.re - xm.re, xk.im + xm.im}, w);
    put(z, u, {e.re - f.im, e.im + f.re});
    put(z, v, {e.re + f.im, f.re - e.im});
}

// The same for four pairs: u .. u+3 and their mirrors v-3 .. v.
ZYT_INLINE void separate_pairs(float* z, std::size_t u, std::size_t v, const float* w)
{
    const Float8 zk = load8(z + 2 * u), zm = conjugate(reversed(load8(z + 2 * (v - 3))));
    const Float8 a = zk + zm, c = times_minus_i(times(zk - zm, factors_at(w)));
    constexpr Float8 half = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    constexpr Float8 half_conjugate = {0.5f, -0.5f, 0.5f, -0.5f, 0.5f, -0.5f, 0.5f, -0.5f};
    store8(z + 2 * u, (a + c) * half);
    store8(z + 2 * (v - 3), reversed((a - c) * half_conjugate));
}

ZYT_INLINE void join_pairs(float* z, std::size_t u, std::size_t v, const float* w)
{
    const Float8 xk = load8(z + 2 * u), xm = conjugate(reversed(load8(z + 2 * (v - 3))));
    const Float8 e = xk + xm, f = times_minus_i(times_conj(xk - xm, factors_at(w)));
    store8(z + 2 * u, e - f);
    store8(z + 2 * (v - 3), reversed(conjugate(e + f)));
}

// The pairs of every octave, from both ends inwards.
template <bool forward> ZYT_INLINE void separation_pass(const Plan& plan, float* z)
{
    const float* scalar = plan.separation_scalar.data();
    const float* w = plan.separation.data();
    for (int t = 1; t < plan.bits; ++t) {
        const std::size_t first = std::size_t{1} << t, half = first / 2;
        if (half < 4) {
            for (std::size_t i = 0; i < half; ++i, scalar += 2) {
                if (forward)
                    separate_pair(z, first + i, 2 * first - 1 - i, point(scalar, 0));
                else
                    join_pair(z, first + i, 2 * first - 1 - i, point(scalar, 0));
            }
            continue;
        }
        for (std::size_t i = 0; i < half; i += 4, w += FACTOR_FLOATS) {
            if (forward)
                separate_pairs(z, first + i, 2 * first - 1 - i, w);
            else
                join_pairs(z, first + i, 2 * first - 1 - i, w);
        }
    }
}

ZYT_CLONES void forward_transform(const Plan& plan, float* z)
{
    const std::size_t points = std::size_t{1} << plan.bits;
    if (points < VECTOR_POINTS) {
        small_forward(plan, z);
    } else {
        const float* w = plan.passes.data();
        std::size_t length = points;
        if (plan.bits % 2 == 1) {
            radix2_forward(z, points, w);
            w += 2 * points;
            length /= 2;
        }
        for (; length >= 4 * VECTOR_POINTS; length /= 4) {
            radix4_forward(z, points, length, w);
            w += 3 * length;
        }
        blocks<true>(z, points, plan.block.data());
    }
    // Z(0) gives X(0) and X(M); X(M/2) = conj Z(M/2).
    const Cx zero = point(z, 0);
    put(z, 0, {zero.re + zero.im, zero.re - zero.im});
    if (points >= 2) z[3] = -z[3];
    separation_pass<true>(plan, z);
}

ZYT_CLONES void inverse_transform(const Plan& plan, float* z)
{
    const std::size_t points = std::size_t{1} << plan.bits;
    const Cx ends = point(z, 0);
    put(z, 0, {ends.re + ends.im, ends.re - ends.im});
    if (points >= 2) put(z, 1, {2.0f * z[2], -2.0f * z[3]});
    separation_pass<false>(plan, z);
    if (points < VECTOR_POINTS) return small_inverse(plan, z);
    blocks<false>(z, points, plan.block.data());
    const float* w = plan.passes.data() + plan.passes.size();
    std::size_t length = 4 * VECTOR_POINTS;
    for (; length <= points; length *= 4) {
        w -= 3 * length;
        radix4_inverse(z, points, length, w);
    }
    if (plan.bits % 2 == 1) radix2_inverse(z, points, plan.passes.data());
}

// The pairs of 2^bits in bit-reversed order. A pair index u of at least 4
// bits is (x, y, z): top two bits x, bottom two z and bits y between; br(u)
// = (br(z), br(y), br(x)). The 16 pairs of one y, four rows x of four
// pairs z, go transposed to the pairs of br(y), rows and columns taken in
// the order 0, 2, 1, 3 (two bits reversed): four vectors a block.
//
// While the data fits the first-level cache the blocks go in the order of
// y. Beyond, y is split into a top part t, for an odd count a middle bit,
// and a bottom part c of k bits each: br(y) = (br(c), middle, br(t)).
// Taking c = br(o) for every o >= t visits each exchanged pair of blocks
// once; with t fixed the blocks y lie close together, and taking t in
// bit-reversed order makes the blocks br(y) of two t running one after the
// other neighbours, so that every cache line is used whole while it is at
// hand.
constexpr int CACHED_SORT_BITS = 8; // y of 8 bits: 2^12 pairs, 32 KB

// The blocks of y and of its reversal exchanged, each transposed (rows
// "row" floats apart).
ZYT_INLINE void exchange_blocks(float* data, std::size_t row, std::size_t y, std::size_t reversed)
{
    float* p = data + 8 * y;
    float* q = data + 8 * reversed;
    Float8 a[4] = {load8(p), load8(p + 2 * row), load8(p + row), load8(p + 3 * row)};
    Float8 b[4] = {load8(q), load8(q + 2 * row), load8(q + row), load8(q + 3 * row)};
    transpose(a);
    transpose(b);
    store8(q, a[0]);
    store8(q + 2 * row, a[1]);
    store8(q + row, a[2]);
    store8(q + 3 * row, a[3]);
    if (reversed == y) return;
    store8(p, b[0]);
    store8(p + 2 * row, b[1]);
    store8(p + row, b[2]);
    store8(p + 3 * row, b[3]);
}

ZYT_CLONES void sort_pairs(float* data, int bits)
{
    if (bits < 4) {
        for (unsigned u = 0; u < (1u << std::max(bits, 0)); ++u) {
            const unsigned r = bit_reverse(u, bits);
            if (u < r) {
                const Cx a = point(data, u);
                put(data, u, point(data, r));
                put(data, r, a);
            }
        }
        return;
    }
    const int ybits = bits - 4;
    const std::size_t row = std::size_t{8} << ybits; // floats from row x to x + 1
    if (ybits <= CACHED_SORT_BITS) {
        for (std::size_t y = 0; y < (std::size_t{1} << ybits); ++y) {
            const std::size_t reversed = bit_reverse(static_cast<unsigned>(y), ybits);
            if (reversed >= y) exchange_blocks(data, row, y, reversed);
        }
        return;
    }
    const int k = ybits / 2, middle_bits = ybits % 2;
    const std::size_t parts = std::size_t{1} << k;
    for (std::size_t i = 0; i < parts; ++i) {
        const std::size_t t = bit_reverse(static_cast<unsigned>(i), k); // br(t) = i
        for (std::size_t o = t; o < parts; ++o) {
            const std::size_t o_reversed = bit_reverse(static_cast<unsigned>(o), k);
            for (std::size_t middle = 0; middle < (std::size_t{1} << middle_bits); ++middle)
                exchange_blocks(data, row, ((t << middle_bits | middle) << k) | o_reversed,
                                ((o << middle_bits | middle) << k) | i);
        }
    }
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

// The plan for n after the checks (none needed for n = 1, which is its own
// transform); null when there is nothing to do or no memory, with the status set.
const Plan* checked_plan(int ndata, int n, int table_size, int& status, std::string_view position)
{
    if (!transform_arguments_valid(ndata, n, table_size, status, position) || n == 1)
        return nullptr;
    const Plan* plan = plan_for(log2_exact(static_cast<unsigned>(n)));
    if (plan == nullptr) st_fail(status, ST_MOD_IO + ST_BAD_MALLOC, position);
    return plan;
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

void MA_ORD2(int n, int m, float* data)
{
    (void)n;
    sort_pairs(data, m - 1);
}

void MA_FFA8(int ndata, int n, int table_size, const float* table, bool ordered, float* data,
             int& status)
{
    constexpr std::string_view position = "Subroutine MA_FFA8 V0.2 ";
    if (!st_enter(status, position)) return;
    (void)table; // the factors come from the plan of the length
    const Plan* plan = checked_plan(ndata, n, table_size, status, position);
    if (plan == nullptr) return;
    forward_transform(*plan, data);
    if (ordered) MA_ORD2(n, plan->bits + 1, data);
}

void MA_FFS8(int ndata, int n, int table_size, const float* table, bool ordered, float* data,
             int& status)
{
    constexpr std::string_view position = "Subroutine MA_FFS8 V0.2 ";
    if (!st_enter(status, position)) return;
    (void)table;
    const Plan* plan = checked_plan(ndata, n, table_size, status, position);
    if (plan == nullptr) return;
    if (ordered) MA_ORD2(n, plan->bits + 1, data);
    inverse_transform(*plan, data);
}
