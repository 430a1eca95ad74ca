#pragma once
// The real fast Fourier transform: Bergland's radix-eight algorithm for
// real-valued series, in place, for power-of-two lengths.
//
// Spectrum layout of n = 2^m reals (counted from 1): position 1 holds the
// real zero-frequency term, position 2 the real term at frequency n/2, and
// positions 2k+1, 2k+2 the real and imaginary parts of frequency k for
// k = 1 .. n/2-1, X(k) = sum over j of x(j) exp(-2 pi i j k / n).
// Without the final reordering ("ordered" false) the pairs stay together but
// come in bit-reversed order of k; positions 1 and 2 are the same.
// MA_FFS8 of MA_FFA8 with the same flag gives the data back times n.

#include <array>

// Error numbers of the mathematics library (added to ST_MOD_MA).
enum MaError {
    MA_ERR_DIMENSION = 1,     // a declared size below 1
    MA_ERR_REGION = 5,        // a used size larger than the declared size
    MA_ERR_LIMIT = 9,         // an internal limit exceeded
    MA_ERR_RELATION = 13,     // two sizes that do not go together
    MA_ERR_VALUE = 17,        // an integer out of its range
    MA_ERR_POWER_OF_TWO = 25, // a length that is not a power of two
};

// Fills the table of complex exponentials for transforms of n = npoints / 2
// reals: entry k (reals 2k+1, 2k+2) is (cos 2 pi k / n, sin 2 pi k / n) for
// k = 0 .. n/2. Every step-th entry is evaluated directly, those between by
// rotation. Errors: 1 table_size < 1, 5 table_size < npoints, 17 step < 1
// or npoints < 2.
void MA_EXPNT(int table_size, int npoints, int step, float* table, int& status);

// Forward transform of n reals in place (data declared ndata reals); the
// table must have been filled by MA_EXPNT for 2n points.
// Errors: 1 ndata < 1 or table_size < 2, 5 n > ndata, 13 table_size < 2n,
// 25 n not a power of two.
void MA_FFA8(int ndata, int n, int table_size, const float* table, bool ordered, float* data,
             int& status);
// Inverse transform: the spectrum of MA_FFA8 (same "ordered") back to n reals
// times n. Same checks.
void MA_FFS8(int ndata, int n, int table_size, const float* table, bool ordered, float* data,
             int& status);

// The passes. A pass works on sections of the data array; the eight section
// starts of a radix-8 pass are those of the first group of sections (start of
// the data plus 0, 1, ..., 7 section lengths), given once for the real parts
// and once for the imaginary parts as the classic interface has it.
using MaSections = std::array<float*, 8>;

// First radix-2 analysis pass over two sections of the given length; being
// its own inverse it also serves as the last radix-2 synthesis pass.
void MA_R2TR(int section, float* b0, float* b1);
// First radix-4 analysis pass over four sections.
void MA_R4TR(int section, float* b0, float* b1, float* b2, float* b3);
// Last radix-4 synthesis pass: MA_R4TR undone, times 4.
void MA_R4SYN(int section, float* b0, float* b1, float* b2, float* b3);
// One radix-8 analysis pass: counter is the number of sections after the
// pass (n / section), table is that of MA_EXPNT for 2n points.
void MA_FRR8(int section, int counter, const MaSections& br, const MaSections& bi,
             const float* table, int n);
// One radix-8 synthesis pass: MA_FRR8 with the same arguments undone, times 8.
void MA_IHR8(int section, int counter, const MaSections& br, const MaSections& bi,
             const float* table, int n);
// Brings the imaginary parts next to their real parts (n = 2^m).
void MA_ORD1(int n, int m, float* data);
// Puts the pairs into frequency order (a bit-reversal of the n/2 pairs).
void MA_ORD2(int n, int m, float* data);
