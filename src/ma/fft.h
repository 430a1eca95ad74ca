#pragma once
// The real fast Fourier transform, in place, for power-of-two lengths: the
// n reals taken as n/2 complex points, their complex transform by radix-4
// passes, and a last pass that separates the spectra of the even and the
// odd reals.
//
// Spectrum layout of n = 2^m reals (counted from 1): position 1 holds the
// real zero-frequency term, position 2 the real term at frequency n/2, and
// positions 2k+1, 2k+2 the real and imaginary parts of frequency k for
// k = 1 .. n/2-1, X(k) = sum over j of x(j) exp(-2 pi i j k / n).
// Without the final reordering ("ordered" false) the pairs stay together but
// come in bit-reversed order of k; positions 1 and 2 are the same.
// MA_FFS8 of MA_FFA8 with the same flag gives the data back times n.

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

// Forward transform of n reals in place (data declared ndata reals). The
// table, filled by MA_EXPNT for 2n points, vouches for the length; the
// passes read their factors, the same exponentials, from a table of their
// own per length, laid out in the order they use them, made on the first
// transform of that length and kept.
// Errors: 1 ndata < 1 or table_size < 2, 5 n > ndata, 13 table_size < 2n,
// 25 n not a power of two, 10000 + 1002 no memory for the factors.
void MA_FFA8(int ndata, int n, int table_size, const float* table, bool ordered, float* data,
             int& status);
// Inverse transform: the spectrum of MA_FFA8 (same "ordered") back to n reals
// times n. Same checks.
void MA_FFS8(int ndata, int n, int table_size, const float* table, bool ordered, float* data,
             int& status);

// Puts the pairs into frequency order (a bit-reversal of the n/2 pairs,
// n = 2^m); being its own inverse it also takes them out of it.
void MA_ORD2(int n, int m, float* data);
