#include "io/image_buffer.h"

#include "io/os/os_layer.h"

void ImageBuffer::Free::operator()(float* p) const noexcept { IO_FREEC(p); }

bool ImageBuffer::allocate(int xmaxdat, int ymaxdat) noexcept
{
    if (xmaxdat < 1 || ymaxdat < 1) {
        release();
        return false;
    }
    const std::size_t elements = static_cast<std::size_t>(xmaxdat) * static_cast<std::size_t>(ymaxdat);
    if (elements > capacity_) {
        release();
        const std::size_t bytes = elements * sizeof(float);
        // The system promises more than it has: an array beyond what is left
        // would be granted and then fail as it is filled, killing the run.
        const long long left = IO_MEMORY_LEFTC();
        if (left >= 0 && bytes > static_cast<std::size_t>(left)) return false;
        void* address = nullptr;
        if (IO_MALLOCC(bytes, address) != 0 || address == nullptr) return false;
        data_.reset(static_cast<float*>(address));
        capacity_ = elements;
    }
    xmaxdat_ = xmaxdat;
    ymaxdat_ = ymaxdat;
    return true;
}

void ImageBuffer::release() noexcept
{
    data_.reset();
    capacity_ = 0;
    xmaxdat_ = ymaxdat_ = 0;
}
