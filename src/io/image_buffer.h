#pragma once
// The storage of an image array, made at the size of the image it receives.
// It is allocated, not filled: a reader fills the elements next, and a page
// of memory that is never written costs the machine nothing.

#include <cstddef>
#include <memory>

#include "io/image_view.h"

class ImageBuffer
{
public:
    // Room for xmaxdat x ymaxdat elements (each at least 1), seen through the
    // view with that declared size. Storage already large enough is kept, so
    // the next image of a run goes where the last one was. False, with the
    // buffer empty, when the memory cannot be had: more than the system has
    // left, or an allocation that fails.
    bool allocate(int xmaxdat, int ymaxdat) noexcept;
    // Gives the memory back.
    void release() noexcept;
    ImageView view() const { return ImageView{data_.get(), xmaxdat_, ymaxdat_}; }
    bool empty() const { return data_ == nullptr; }

private:
    struct Free
    {
        void operator()(float* p) const noexcept;
    };
    std::unique_ptr<float, Free> data_;
    std::size_t capacity_ = 0; // elements
    int xmaxdat_ = 0;
    int ymaxdat_ = 0;
};
