#include <gtest/gtest.h>

#include <vector>

#include "io/status.h"
#include "ma/statistics.h"
#include "test_support.h"

using zyt_test::fresh_status;

TEST(Average, RegionsOfAnArrayAndTheirChecks)
{
    // 4 x 3, element (i, j) = 10 j + i.
    std::vector<float> a(12);
    for (int j = 1; j <= 3; ++j)
        for (int i = 1; i <= 4; ++i) a[(i - 1) + (j - 1) * 4] = 10.0f * j + i;
    int status = fresh_status();
    float mean = 0.0f;
    MA_AVERAGE(4, 3, a.data(), 1, 1, 4, 3, mean, status);
    EXPECT_FLOAT_EQ(mean, 22.5f);
    MA_AVERAGE(4, 3, a.data(), 2, 3, 3, 3, mean, status); // one line, two elements
    EXPECT_FLOAT_EQ(mean, 32.5f);
    MA_AVERAGE(4, 3, a.data(), 4, 1, 4, 3, mean, status); // one column
    EXPECT_FLOAT_EQ(mean, 24.0f);
    ASSERT_EQ(status, ST_GOOD_VALUE);

    struct Bad
    {
        int xdim, ydim, x1, y1, x2, y2, code;
    } bad[] = {{0, 3, 1, 1, 1, 1, 20001}, {4, 0, 1, 1, 1, 1, 20002}, {4, 3, 0, 1, 2, 1, 20005},
               {4, 3, 3, 1, 2, 1, 20005}, {4, 3, 1, 1, 5, 1, 20005}, {4, 3, 1, 2, 1, 1, 20006},
               {4, 3, 1, 1, 1, 4, 20006}};
    for (const Bad& b : bad) {
        status = fresh_status();
        mean = -1.0f;
        MA_AVERAGE(b.xdim, b.ydim, a.data(), b.x1, b.y1, b.x2, b.y2, mean, status);
        EXPECT_EQ(status, b.code);
        EXPECT_EQ(mean, -1.0f);
    }
}

TEST(Average, LargeCountsKeepTheirDigits)
{
    // 2048 x 2048 counts of 16 777 217 (not exact in a float sum of floats).
    std::vector<float> a(2048 * 2048, 1.0e6f);
    a[0] = 1.0e6f + 2048.0f * 2048.0f;
    int status = fresh_status();
    float mean = 0.0f;
    MA_AVERAGE(2048, 2048, a.data(), 1, 1, 2048, 2048, mean, status);
    EXPECT_FLOAT_EQ(mean, 1.0e6f + 1.0f);
}
