#pragma once
// Series of random values for the tests of the transforms.

#include <random>
#include <vector>

namespace zyt_test {

// n values evenly spread over -1..1, the same for the same seed.
inline std::vector<float> random_series(int n, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<float> x(n);
    for (float& v : x)
        v = value(generator);
    return x;
}

} // namespace zyt_test
