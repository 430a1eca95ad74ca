#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "io/status.h"
#include "ma/correlation.h"
#include "ma/series.h"
#include "test_support.h"

using zyt_test::fresh_status;
using zyt_test::random_series;

TEST(CrossCorrelation, EqualsTheDirectCircularCorrelation)
{
    // Lengths of every pass mixture, the first of them twice so that the
    // shared table is built again after other lengths.
    for (int n : {64, 1, 2, 4, 8, 16, 32, 128, 1024, 4096, 64}) {
        const std::vector<float> a = random_series(n, 3u * n + 1);
        const std::vector<float> b = random_series(n, 5u * n + 2);
        // Declared sizes larger than n: only the first n are used.
        std::vector<float> a_work = a, b_work = b;
        a_work.resize(n + 5, 77.0f);
        b_work.resize(n + 3, 88.0f);
        int status = fresh_status();
        MA_1DCROSSCORR(n + 5, a_work.data(), n + 3, n, b_work.data(), status);
        ASSERT_EQ(status, ST_GOOD_VALUE) << n;
        double scale = 0.0;
        for (int i = 0; i < n; ++i)
            scale += std::fabs(a[i] * b[i]);
        for (int k = 0; k < n; ++k) {
            double expected = 0.0;
            for (int i = 0; i < n; ++i)
                expected += static_cast<double>(a[i]) * b[(i + k) % n];
            EXPECT_NEAR(b_work[k], expected, 2e-6 * scale + 1e-6) << "n " << n << " k " << k;
        }
        EXPECT_EQ(b_work[n], 88.0f) << "nothing beyond n is touched";
        EXPECT_EQ(a_work[n], 77.0f);
    }
}

TEST(CrossCorrelation, AShiftedCopyPeaksAtItsShift)
{
    const int n = 256;
    std::vector<float> a(n, 0.0f), b(n, 0.0f);
    for (int i = 0; i < 20; ++i)
        a[40 + i] = std::sin(0.3f * i) + 1.0f;
    for (int i = 0; i < n; ++i)
        b[(i + 17) % n] = a[i]; // b(i + 17) = a(i)
    int status = fresh_status();
    MA_1DCROSSCORR(n, a.data(), n, n, b.data(), status);
    int peak = 0;
    for (int k = 1; k < n; ++k)
        if (b[k] > b[peak]) peak = k;
    EXPECT_EQ(peak, 17);
}

TEST(CrossCorrelation, ArgumentsAreCheckedInOrder)
{
    std::vector<float> a(65536, 1.0f), b(65536, 1.0f);
    struct Case
    {
        int adim, bdim, n, expected;
    } cases[] = {
        {0, 16, 16, 20001},           {16, 0, 16, 20001},  {8, 16, 16, 20005}, {16, 8, 16, 20005},
        {65536, 65536, 65536, 20009}, {16, 16, 12, 20025}, {16, 16, 0, 20025}, {16, 16, -8, 20025},
    };
    for (const Case& c : cases) {
        int status = fresh_status();
        MA_1DCROSSCORR(c.adim, a.data(), c.bdim, c.n, b.data(), status);
        EXPECT_EQ(status, c.expected) << c.adim << " " << c.bdim << " " << c.n;
        EXPECT_EQ(ST_INQ_POSITION(), "Subroutine MA_1DCROSSCORR V0.1");
        EXPECT_EQ(b[0], 1.0f);
    }
    int status = fresh_status();
    MA_1DCROSSCORR(32768, a.data(), 32768, 32768, b.data(), status);
    EXPECT_EQ(status, ST_GOOD_VALUE) << "32768 is the largest length";
    EXPECT_NEAR(b[0], 32768.0f, 1.0f);
}
