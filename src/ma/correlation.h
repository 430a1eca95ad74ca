#pragma once
// Circular cross-correlation of two real series through the real FFT.

// B becomes the circular cross-correlation of A and B over n points:
//     B(k) = sum over i of A(i) B(i + k - 1),  indices modulo n, k = 1..n
// (A declared adim reals, B bdim reals). A is left holding its spectrum in
// pass order. Errors: 1 adim or bdim < 1, 5 n larger than either, 9 n above
// 32768 (lines of up to 16384 pixels with room for a second copy), 25 n not
// a power of two.
void MA_1DCROSSCORR(int adim, float* a, int bdim, int n, float* b, int& status);
