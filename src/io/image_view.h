#pragma once
// A view of an image array: 32-bit reals, column-major, declared xmaxdat by
// ymaxdat; element (i, j), counted from 1, is data[(i-1) + (j-1)*xmaxdat].

#include <cstddef>

struct ImageView
{
    float* data = nullptr;
    int xmaxdat = 0;
    int ymaxdat = 0;

    float& operator()(int i, int j) const
    {
        return data[static_cast<std::size_t>(i - 1) +
                    static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(xmaxdat)];
    }
};
