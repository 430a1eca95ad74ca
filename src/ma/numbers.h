#pragma once
// Numbers for scales and axes.

// The power of ten not above |value| (0.1 for 0.73, 100 for -250, 1 for 1).
// Zero, NaN and infinities have none: 1 is returned and the status is
// ST_MOD_MA + 21.
double MA_DMULTIPLIER(double value, int& status);
