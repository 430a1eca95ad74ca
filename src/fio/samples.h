#pragma once
// Inside the image-input library: stored samples to the reals of the image
// array. The type, signedness and byte order are decided once a run, so that
// each loop is one straight conversion that the compiler vectorises.

#include <cstddef>
#include <cstdint>
#include <cstring>

template <typename Raw, typename Value, bool Swap>
inline float fio_sample_value(Raw raw)
{
    if constexpr (Swap && sizeof(Raw) == 2) raw = __builtin_bswap16(raw);
    if constexpr (Swap && sizeof(Raw) == 4) raw = __builtin_bswap32(raw);
    Value value;
    std::memcpy(&value, &raw, sizeof value);
    return static_cast<float>(value);
}

// Fixed groups, each read whole before any of it is written: then every
// compiler vectorises them at -O2 without checking at run time whether the
// samples and the reals overlap, which a loop of unknown length needs.
template <typename Raw, typename Value, bool Swap>
void fio_samples_in_order(const std::uint8_t* p, std::size_t n, float* out)
{
    constexpr std::size_t GROUP = 16;
    const std::size_t grouped = n - n % GROUP;
    Raw raw[GROUP];
    for (std::size_t i = 0; i < grouped; i += GROUP) {
        std::memcpy(raw, p + i * sizeof(Raw), sizeof raw);
        for (std::size_t k = 0; k < GROUP; ++k)
            out[i + k] = fio_sample_value<Raw, Value, Swap>(raw[k]);
    }
    if (grouped == n) return;
    std::memcpy(raw, p + grouped * sizeof(Raw), (n - grouped) * sizeof(Raw));
    for (std::size_t k = 0; k < n - grouped; ++k)
        out[grouped + k] = fio_sample_value<Raw, Value, Swap>(raw[k]);
}

// n samples stored as Raw, meaning Value (the same size), from p to out;
// `swap` reverses the bytes of each sample first.
template <typename Raw, typename Value>
void fio_samples_to_reals(const std::uint8_t* p, std::size_t n, bool swap, float* out)
{
    static_assert(sizeof(Raw) == sizeof(Value));
    if (swap) fio_samples_in_order<Raw, Value, true>(p, n, out);
    else fio_samples_in_order<Raw, Value, false>(p, n, out);
}
