// Circular cross-correlation of two real series through the real FFT.

#include "ma/correlation.h"

#include <array>

#include "io/status.h"
#include "ma/fft.h"

namespace {

// The exponential table shared by every correlation; it is filled again
// only when the length changes, as it does not between the lines of an image.
constexpr int TABLE_SIZE = 65536;
constexpr int MAX_POINTS = TABLE_SIZE / 2;
constexpr int DIRECT_STEP = 16;
std::array<float, TABLE_SIZE> exponentials;
int exponentials_points = 0;

} // namespace

void MA_1DCROSSCORR(int adim, float* a, int bdim, int n, float* b, int& status)
{
    constexpr std::string_view position = "Subroutine MA_1DCROSSCORR V0.1";
    if (!st_enter(status, position)) return;
    if (adim < 1 || bdim < 1) return st_fail(status, ST_MOD_MA + MA_ERR_DIMENSION, position);
    if (n > adim || n > bdim) return st_fail(status, ST_MOD_MA + MA_ERR_REGION, position);
    if (n > MAX_POINTS) return st_fail(status, ST_MOD_MA + MA_ERR_LIMIT, position);
    if (n < 1 || (n & (n - 1)) != 0)
        return st_fail(status, ST_MOD_MA + MA_ERR_POWER_OF_TWO, position);
    if (exponentials_points != 2 * n) {
        exponentials_points = 0;
        MA_EXPNT(TABLE_SIZE, 2 * n, DIRECT_STEP, exponentials.data(), status);
        if (status != ST_GOOD_VALUE) return;
        exponentials_points = 2 * n;
    }
    // The product of two spectra does not depend on the order of the
    // frequency pairs, so the reordering pass is left out of all three
    // transforms.
    constexpr bool ordered = false;
    MA_FFA8(adim, n, TABLE_SIZE, exponentials.data(), ordered, a, status);
    MA_FFA8(bdim, n, TABLE_SIZE, exponentials.data(), ordered, b, status);
    if (status != ST_GOOD_VALUE) return;
    // conj(F(A)) F(B) / n, the division by n that the inverse transform
    // needs done here (exactly, n being a power of two); the terms at zero
    // frequency and n/2 are real.
    const float scale = 1.0f / static_cast<float>(n);
    b[0] *= a[0] * scale;
    if (n >= 2) b[1] *= a[1] * scale;
    for (int k = 1; k < n / 2; ++k) {
        const float ar = a[2 * k] * scale, ai = a[2 * k + 1] * scale;
        const float br = b[2 * k], bi = b[2 * k + 1];
        b[2 * k] = ar * br + ai * bi;
        b[2 * k + 1] = ar * bi - ai * br;
    }
    MA_FFS8(bdim, n, TABLE_SIZE, exponentials.data(), ordered, b, status);
}
