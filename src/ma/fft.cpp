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

#include <cmath>
#include <cstddef>
#include <numbers>
#include <utility>

#include "io/status.h"

namespace {

constexpr float HALF_SQRT2 = 0.70710678118654752f;
constexpr float SQRT2 = 1.41421356237309505f;

struct Cx
{
    float re;
    float im;
};

inline Cx operator+(Cx a, Cx b) { return {a.re + b.re, a.im + b.im}; }
inline Cx operator-(Cx a, Cx b) { return {a.re - b.re, a.im - b.im}; }
inline Cx conj(Cx a) { return {a.re, -a.im}; }
// a times -i.
inline Cx times_minus_i(Cx a) { return {a.im, -a.re}; }

// The eight-point transform v(r) = sum z(p) exp(-2 pi i p r / 8), as two
// four-point transforms of the even and odd points joined by W_8^r.
inline void dft8(const Cx z[8], Cx v[8])
{
    const Cx t0 = z[0] + z[4], t1 = z[0] - z[4], t2 = z[2] + z[6], t3 = z[2] - z[6];
    const Cx t4 = z[1] + z[5], t5 = z[1] - z[5], t6 = z[3] + z[7], t7 = z[3] - z[7];
    const Cx e0 = t0 + t2, e2 = t0 - t2, e1 = t1 + times_minus_i(t3), e3 = t1 - times_minus_i(t3);
    const Cx o0 = t4 + t6, o2 = t4 - t6, o1 = t5 + times_minus_i(t7), o3 = t5 - times_minus_i(t7);
    const Cx w1 = {(o1.re + o1.im) * HALF_SQRT2, (o1.im - o1.re) * HALF_SQRT2};
    const Cx w2 = times_minus_i(o2);
    const Cx w3 = {(o3.im - o3.re) * HALF_SQRT2, -(o3.re + o3.im) * HALF_SQRT2};
    v[0] = e0 + o0;
    v[4] = e0 - o0;
    v[1] = e1 + w1;
    v[5] = e1 - w1;
    v[2] = e2 + w2;
    v[6] = e2 - w2;
    v[3] = e3 + w3;
    v[7] = e3 - w3;
}

// The inverse eight-point transform without the factor 1/8.
inline void idft8(const Cx v[8], Cx z[8])
{
    Cx c[8];
    for (int r = 0; r < 8; ++r) c[r] = conj(v[r]);
    dft8(c, z);
    for (int p = 0; p < 8; ++p) z[p] = conj(z[p]);
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

inline int log2_exact(unsigned v) { return 31 - __builtin_clz(v); }

// Whether n is 2^nint(log2 n).
bool power_of_two(int n) { return n > 0 && (n & (n - 1)) == 0; }

// A pass's view of one class: the sections of its real and imaginary parts
// (the same sections for a real class), split into eight subsections.
struct ClassSections
{
    float* re[8];
    float* im[8];
};

ClassSections class_sections(const MaSections& br, const MaSections& bi, std::size_t re_offset,
                             std::size_t im_offset)
{
    ClassSections c{};
    for (int p = 0; p < 8; ++p) {
        c.re[p] = br[p] + re_offset;
        c.im[p] = bi[p] + im_offset;
    }
    return c;
}

// Twiddle factors W_(8 NN)^(p q) = (c(p), -s(p)) of a class, from table entry p * step.
struct Twiddles
{
    float c[8];
    float s[8];
};

Twiddles twiddles(const float* table, std::size_t step)
{
    Twiddles w{};
    for (std::size_t p = 0; p < 8; ++p) {
        w.c[p] = table[2 * p * step];
        w.s[p] = table[2 * p * step + 1];
    }
    return w;
}

// Class 0: real data, no twiddle factors. The eight real points give V0 and
// V4 (real) and V1, V2, V3 (complex), stored as
// [V0, V4, Re V2, Im V2, Re V1, Im V3, Re V3, Im V1].
void real_class_analysis(int length, const ClassSections& c)
{
    float *a0 = c.re[0], *a1 = c.re[1], *a2 = c.re[2], *a3 = c.re[3];
    float *a4 = c.re[4], *a5 = c.re[5], *a6 = c.re[6], *a7 = c.re[7];
#pragma GCC ivdep
    for (int k = 0; k < length; ++k) {
        const float t0 = a0[k] + a4[k], t1 = a0[k] - a4[k], t2 = a2[k] + a6[k], t3 = a2[k] - a6[k];
        const float t4 = a1[k] + a5[k], t5 = a1[k] - a5[k], t6 = a3[k] + a7[k], t7 = a3[k] - a7[k];
        const float e0 = t0 + t2, e2 = t0 - t2, o0 = t4 + t6, o2 = t4 - t6;
        const float u = HALF_SQRT2 * (t5 - t7), v = HALF_SQRT2 * (t5 + t7);
        a0[k] = e0 + o0;
        a1[k] = e0 - o0;
        a2[k] = e2;
        a3[k] = -o2;
        a4[k] = t1 + u;
        a5[k] = t3 - v;
        a6[k] = t1 - u;
        a7[k] = -t3 - v;
    }
}

// real_class_analysis undone, times 8.
void real_class_synthesis(int length, const ClassSections& c)
{
    float *a0 = c.re[0], *a1 = c.re[1], *a2 = c.re[2], *a3 = c.re[3];
    float *a4 = c.re[4], *a5 = c.re[5], *a6 = c.re[6], *a7 = c.re[7];
#pragma GCC ivdep
    for (int k = 0; k < length; ++k) {
        const float e0 = a0[k] + a1[k], o0 = a0[k] - a1[k];
        const float e2 = 2.0f * a2[k], o2 = -2.0f * a3[k];
        const float t0 = e0 + e2, t2 = e0 - e2, t4 = o0 + o2, t6 = o0 - o2;
        const float t1 = 2.0f * (a4[k] + a6[k]), t3 = 2.0f * (a5[k] - a7[k]);
        const float dr = a4[k] - a6[k], di = a7[k] + a5[k];
        const float t5 = SQRT2 * (dr - di), t7 = -SQRT2 * (dr + di);
        a0[k] = t0 + t1;
        a4[k] = t0 - t1;
        a2[k] = t2 + t3;
        a6[k] = t2 - t3;
        a1[k] = t4 + t5;
        a5[k] = t4 - t5;
        a3[k] = t6 + t7;
        a7[k] = t6 - t7;
    }
}

// Class NN/2: real data with twiddle factors W_16^p. Of its eight outputs
// V4..V7 are the conjugates of V3..V0, so V0..V3 fill the eight reals:
// [Re V0, Im V3, Re V2, Im V1, Re V1, Im V2, Re V3, Im V0].
void half_class_analysis(int length, const ClassSections& c, const Twiddles& w)
{
    float* a[8];
    for (int p = 0; p < 8; ++p) a[p] = c.re[p];
#pragma GCC ivdep
    for (int k = 0; k < length; ++k) {
        Cx z[8], v[8];
        for (int p = 0; p < 8; ++p) z[p] = {a[p][k] * w.c[p], -a[p][k] * w.s[p]};
        dft8(z, v);
        a[0][k] = v[0].re;
        a[7][k] = v[0].im;
        a[4][k] = v[1].re;
        a[3][k] = v[1].im;
        a[2][k] = v[2].re;
        a[5][k] = v[2].im;
        a[6][k] = v[3].re;
        a[1][k] = v[3].im;
    }
}

void half_class_synthesis(int length, const ClassSections& c, const Twiddles& w)
{
    float* a[8];
    for (int p = 0; p < 8; ++p) a[p] = c.re[p];
#pragma GCC ivdep
    for (int k = 0; k < length; ++k) {
        Cx v[8], z[8];
        v[0] = {a[0][k], a[7][k]};
        v[1] = {a[4][k], a[3][k]};
        v[2] = {a[2][k], a[5][k]};
        v[3] = {a[6][k], a[1][k]};
        v[4] = conj(v[3]);
        v[5] = conj(v[2]);
        v[6] = conj(v[1]);
        v[7] = conj(v[0]);
        idft8(v, z);
        for (int p = 0; p < 8; ++p) a[p][k] = z[p].re * w.c[p] - z[p].im * w.s[p];
    }
}

// A complex class q (0 < q < NN/2): real parts in c.re, imaginary parts in
// c.im. Outputs r = 0..3 are classes below n/2 and keep real and imaginary
// part; for r = 4..7 the stored class is the conjugate partner, so -Im goes
// where Re would and Re where Im would.
void complex_class_analysis(int length, const ClassSections& c, const Twiddles& w)
{
    float *r[8], *i[8];
    for (int p = 0; p < 8; ++p) {
        r[p] = c.re[p];
        i[p] = c.im[p];
    }
#pragma GCC ivdep
    for (int k = 0; k < length; ++k) {
        Cx z[8], v[8];
        z[0] = {r[0][k], i[0][k]};
        for (int p = 1; p < 8; ++p)
            z[p] = {r[p][k] * w.c[p] + i[p][k] * w.s[p], i[p][k] * w.c[p] - r[p][k] * w.s[p]};
        dft8(z, v);
        r[0][k] = v[0].re;
        r[4][k] = v[1].re;
        r[2][k] = v[2].re;
        r[6][k] = v[3].re;
        r[1][k] = -v[4].im;
        r[5][k] = -v[5].im;
        r[3][k] = -v[6].im;
        r[7][k] = -v[7].im;
        i[7][k] = v[0].im;
        i[3][k] = v[1].im;
        i[5][k] = v[2].im;
        i[1][k] = v[3].im;
        i[6][k] = v[4].re;
        i[2][k] = v[5].re;
        i[4][k] = v[6].re;
        i[0][k] = v[7].re;
    }
}

void complex_class_synthesis(int length, const ClassSections& c, const Twiddles& w)
{
    float *r[8], *i[8];
    for (int p = 0; p < 8; ++p) {
        r[p] = c.re[p];
        i[p] = c.im[p];
    }
#pragma GCC ivdep
    for (int k = 0; k < length; ++k) {
        Cx v[8], z[8];
        v[0] = {r[0][k], i[7][k]};
        v[1] = {r[4][k], i[3][k]};
        v[2] = {r[2][k], i[5][k]};
        v[3] = {r[6][k], i[1][k]};
        v[4] = {i[6][k], -r[1][k]};
        v[5] = {i[2][k], -r[5][k]};
        v[6] = {i[4][k], -r[3][k]};
        v[7] = {i[0][k], -r[7][k]};
        idft8(v, z);
        r[0][k] = z[0].re;
        i[0][k] = z[0].im;
        for (int p = 1; p < 8; ++p) {
            r[p][k] = z[p].re * w.c[p] - z[p].im * w.s[p];
            i[p][k] = z[p].re * w.s[p] + z[p].im * w.c[p];
        }
    }
}

// One radix-8 pass in either direction: every class before the pass with
// its sections and twiddle factors.
template <bool synthesis>
void radix8_pass(int section, int counter, const MaSections& br, const MaSections& bi,
                 const float* table, int n)
{
    const int classes = counter / 8;
    const std::size_t group = 8 * static_cast<std::size_t>(section);
    const ClassSections zero = class_sections(br, bi, 0, 0);
    if (synthesis)
        real_class_synthesis(section, zero);
    else
        real_class_analysis(section, zero);
    if (classes < 2) return;
    // Class NN/2 sits in section 1, its twiddle factors are W_16^p.
    const ClassSections half = class_sections(br, bi, group, group);
    const Twiddles half_w = twiddles(table, static_cast<std::size_t>(n / 16));
    if (synthesis)
        half_class_synthesis(section, half, half_w);
    else
        half_class_analysis(section, half, half_w);
    const int bits = log2_exact(static_cast<unsigned>(classes));
    for (int q = 1; q < classes / 2; ++q) {
        // br(q) is even and lies in the octave [2^t, 2^(t+1)); br(NN - q) is
        // its mirror in that octave.
        const unsigned a = bit_reverse(static_cast<unsigned>(q), bits);
        const unsigned octave = 1u << log2_exact(a);
        const unsigned b = 3 * octave - 1 - a;
        const ClassSections c = class_sections(br, bi, a * group, b * group);
        const Twiddles w = twiddles(table, static_cast<std::size_t>(q) * section);
        if (synthesis)
            complex_class_synthesis(section, c, w);
        else
            complex_class_analysis(section, c, w);
    }
}

// The section starts of a pass with sections of the given length.
MaSections section_starts(float* data, int section)
{
    MaSections s{};
    for (int p = 0; p < 8; ++p) s[p] = data + static_cast<std::size_t>(p) * section;
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
#pragma GCC ivdep
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
#pragma GCC ivdep
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
#pragma GCC ivdep
    for (int k = 0; k < section; ++k) {
        const float even = b0[k] + b1[k], odd = b0[k] - b1[k];
        const float re = 2.0f * b2[k], im = 2.0f * b3[k];
        b0[k] = even + re;
        b2[k] = even - re;
        b1[k] = odd - im;
        b3[k] = odd + im;
    }
}

void MA_FRR8(int section, int counter, const MaSections& br, const MaSections& bi,
             const float* table, int n)
{
    radix8_pass<false>(section, counter, br, bi, table, n);
}

void MA_IHR8(int section, int counter, const MaSections& br, const MaSections& bi,
             const float* table, int n)
{
    radix8_pass<true>(section, counter, br, bi, table, n);
}

// Pair u in the octave [2^t, 2^(t+1)) holds the imaginary part of the pair
// mirrored in that octave: reversing the odd positions of each octave swaps
// them back.
void MA_ORD1(int n, int m, float* data)
{
    (void)n;
    for (int t = 1; t <= m - 2; ++t) {
        const int low = 1 << t;
        for (int u = low; u < low + low / 2; ++u) {
            const int v = 3 * low - 1 - u;
            std::swap(data[2 * u + 1], data[2 * v + 1]);
        }
    }
}

void MA_ORD2(int n, int m, float* data)
{
    if (m < 2) return;
    const int pairs = n / 2;
    // r runs through the bit-reversed values of u by a reversed increment.
    int r = 0;
    for (int u = 0; u < pairs; ++u) {
        if (u < r) {
            std::swap(data[2 * u], data[2 * r]);
            std::swap(data[2 * u + 1], data[2 * r + 1]);
        }
        int bit = pairs >> 1;
        while (bit > 0 && (r & bit) != 0) {
            r ^= bit;
            bit >>= 1;
        }
        r |= bit;
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
