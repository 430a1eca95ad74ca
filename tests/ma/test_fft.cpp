#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "io/status.h"
#include "ma/fft.h"
#include "ma/series.h"
#include "test_support.h"

using zyt_test::fresh_status;
using zyt_test::random_series;

namespace {

// The spectrum computed term by term in double precision.
std::vector<std::complex<double>> direct_dft(const std::vector<float>& x)
{
    const int n = static_cast<int>(x.size());
    std::vector<std::complex<double>> spectrum(n / 2 + 1);
    for (int k = 0; k <= n / 2; ++k) {
        std::complex<double> sum = 0.0;
        for (int j = 0; j < n; ++j) {
            const double angle =
                -2.0 * std::numbers::pi * ((static_cast<long long>(j) * k) % n) / n;
            sum +=
                static_cast<double>(x[j]) * std::complex<double>(std::cos(angle), std::sin(angle));
        }
        spectrum[k] = sum;
    }
    return spectrum;
}

// The documented layout of an ordered spectrum read back as complex values.
std::vector<std::complex<double>> read_layout(const std::vector<float>& data)
{
    const int n = static_cast<int>(data.size());
    std::vector<std::complex<double>> spectrum(n / 2 + 1);
    spectrum[0] = data[0];
    if (n >= 2) spectrum[n / 2] = data[1];
    for (int k = 1; k < n / 2; ++k)
        spectrum[k] = {data[2 * k], data[2 * k + 1]};
    return spectrum;
}

std::vector<float> table_for(int n)
{
    std::vector<float> table(2 * n);
    int status = fresh_status();
    MA_EXPNT(2 * n, 2 * n, 16, table.data(), status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    return table;
}

std::vector<float> transform(std::vector<float> data, bool ordered, bool forward)
{
    const int n = static_cast<int>(data.size());
    const std::vector<float> table = table_for(n);
    int status = fresh_status();
    if (forward)
        MA_FFA8(n, n, 2 * n, table.data(), ordered, data.data(), status);
    else
        MA_FFS8(n, n, 2 * n, table.data(), ordered, data.data(), status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    return data;
}

int bit_reverse(int v, int bits)
{
    int r = 0;
    for (int b = 0; b < bits; ++b)
        r |= ((v >> b) & 1) << (bits - 1 - b);
    return r;
}

} // namespace

TEST(RealFft, ExponentialTableHoldsCosinesAndSinesForEveryStep)
{
    for (int step : {1, 3, 16, 1000}) {
        const int n = 4096;
        std::vector<float> table(2 * n, -9.0f);
        int status = fresh_status();
        MA_EXPNT(2 * n, 2 * n, step, table.data(), status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        for (int k = 0; k <= n / 2; ++k) {
            const double angle = 2.0 * std::numbers::pi * k / n;
            EXPECT_NEAR(table[2 * k], std::cos(angle), 2e-7) << "step " << step << " entry " << k;
            EXPECT_NEAR(table[2 * k + 1], std::sin(angle), 2e-7)
                << "step " << step << " entry " << k;
        }
        EXPECT_EQ(table[n + 2], -9.0f) << "nothing written past entry n/2";
    }
}

TEST(RealFft, SpectrumLayoutMatchesTheDirectTransform)
{
    // n = 2 .. 16 run on single values, 32 is one block of 16 points, 64 a
    // radix-2 pass and blocks, 128 a radix-4 pass and blocks; the others
    // add radix-4 passes up to four with and without the radix-2 pass.
    for (int n : {2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096}) {
        const std::vector<float> x = random_series(n, static_cast<unsigned>(n));
        const std::vector<std::complex<double>> expected = direct_dft(x);
        const std::vector<std::complex<double>> got = read_layout(transform(x, true, true));
        double error = 0.0, norm = 0.0;
        for (int k = 0; k <= n / 2; ++k) {
            error = std::max(error, std::abs(got[k] - expected[k]));
            norm = std::max(norm, std::abs(expected[k]));
        }
        EXPECT_LT(error, 1e-6 * norm) << "n = " << n;
        EXPECT_EQ(got[0].imag(), 0.0);
    }
}

TEST(RealFft, SmallTransformsAreExact)
{
    EXPECT_EQ(transform({3.0f, 5.0f}, true, true), (std::vector<float>{8.0f, -2.0f}));
    // 1, 2, 3, 4: X0 = 10, X2 = -2, X1 = -2 + 2i.
    EXPECT_EQ(transform({1.0f, 2.0f, 3.0f, 4.0f}, true, true),
              (std::vector<float>{10.0f, -2.0f, -2.0f, 2.0f}));
    // A unit impulse at position 2 (j = 1): X(k) = exp(-2 pi i k / 8).
    const std::vector<float> impulse = transform({0, 1, 0, 0, 0, 0, 0, 0}, true, true);
    const float h = std::sqrt(0.5f);
    const std::vector<float> expected = {1, -1, h, -h, 0, -1, -h, -h};
    for (int i = 0; i < 8; ++i)
        EXPECT_NEAR(impulse[i], expected[i], 1e-7f) << i;
}

TEST(RealFft, UnorderedSpectrumHoldsThePairsInBitReversedOrder)
{
    // From 16384 on the pairs are sorted in cache-sized tiles.
    for (int n : {2, 4, 8, 16, 32, 64, 512, 4096, 16384, 32768}) {
        const std::vector<float> x = random_series(n, 7u);
        const std::vector<float> ordered = transform(x, true, true);
        const std::vector<float> unordered = transform(x, false, true);
        const int bits = static_cast<int>(std::log2(n)) - 1;
        EXPECT_EQ(unordered[0], ordered[0]);
        EXPECT_EQ(unordered[1], ordered[1]);
        for (int k = 1; k < n / 2; ++k) {
            const int at = bit_reverse(k, bits);
            EXPECT_EQ(unordered[2 * at], ordered[2 * k]) << "n " << n << " k " << k;
            EXPECT_EQ(unordered[2 * at + 1], ordered[2 * k + 1]) << "n " << n << " k " << k;
        }
    }
}

TEST(RealFft, SynthesisUndoesAnalysisTimesN)
{
    for (bool ordered : {true, false}) {
        for (int n : {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024, 2048, 4096, 16384, 32768}) {
            const std::vector<float> x = random_series(n, 99u);
            const std::vector<float> back = transform(transform(x, ordered, true), ordered, false);
            double error = 0.0;
            for (int j = 0; j < n; ++j)
                error = std::max(error, static_cast<double>(std::abs(back[j] / n - x[j])));
            EXPECT_LT(error, 1e-6 * std::log2(2 * n)) << "n = " << n << " ordered " << ordered;
        }
    }
    // A spectrum with a single term comes back as that cosine.
    const int n = 64;
    std::vector<float> spectrum(n, 0.0f);
    spectrum[2 * 5] = 1.0f; // Re X(5) = 1, so X(59) = 1 too
    const std::vector<float> x = transform(spectrum, true, false);
    for (int j = 0; j < n; ++j)
        EXPECT_NEAR(x[j], 2.0 * std::cos(2.0 * std::numbers::pi * 5 * j / n), 1e-5) << j;
}

TEST(RealFft, ArgumentsAreCheckedInOrder)
{
    std::vector<float> table = table_for(16);
    std::vector<float> data(16, 1.0f);
    struct Case
    {
        int ndata, n, table_size, expected;
    } cases[] = {
        {0, 16, 32, 20001},  // declared size below 1
        {16, 16, 1, 20001},  // table below 2
        {8, 16, 32, 20005},  // n beyond the data
        {16, 16, 31, 20013}, // table shorter than 2n
        {16, 3, 32, 20025},  // not a power of two
        {16, 12, 32, 20025}, {16, 0, 32, 20025}, {16, -4, 32, 20025},
    };
    for (bool forward : {true, false}) {
        for (const Case& c : cases) {
            int status = fresh_status();
            const std::vector<float> before = data;
            if (forward)
                MA_FFA8(c.ndata, c.n, c.table_size, table.data(), true, data.data(), status);
            else
                MA_FFS8(c.ndata, c.n, c.table_size, table.data(), true, data.data(), status);
            EXPECT_EQ(status, c.expected) << c.ndata << " " << c.n << " " << c.table_size;
            EXPECT_EQ(data, before);
            EXPECT_EQ(ST_INQ_POSITION(),
                      forward ? "Subroutine MA_FFA8 V0.2" : "Subroutine MA_FFS8 V0.2");
        }
    }
    // Entered with a bad status: nothing is done.
    int status = 20001;
    MA_FFA8(16, 16, 32, table.data(), true, data.data(), status);
    EXPECT_EQ(status, 20001);
    EXPECT_EQ(data, std::vector<float>(16, 1.0f));

    struct TableCase
    {
        int size, points, step, expected;
    } table_cases[] = {{0, 2, 1, 20001}, {31, 32, 16, 20005}, {32, 32, 0, 20017}, {4, 1, 1, 20017}};
    for (const TableCase& c : table_cases) {
        std::vector<float> t(std::max(c.size, 1), -5.0f);
        status = fresh_status();
        MA_EXPNT(c.size, c.points, c.step, t.data(), status);
        EXPECT_EQ(status, c.expected);
        EXPECT_EQ(t[0], -5.0f);
    }
}
