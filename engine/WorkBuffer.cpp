#include "WorkBuffer.h"

#include <cstdlib>

void CWorkBuffer::NoMemory() { std::_Exit(-1); }

CWorkBuffer::~CWorkBuffer() { Release(); }

void CWorkBuffer::Allocate(std::size_t bytes) {
    Release();
    constexpr std::size_t alignment = 64;
    // aligned_alloc wants a multiple of the alignment; the slack also lets vector
    // stores run a few bytes past the last pixel.
    const std::size_t padded = CheckedProduct({(bytes / alignment) + 2, alignment});
    Data = std::aligned_alloc(alignment, padded);
    if (Data == nullptr)
        NoMemory();
    Bytes = bytes;
}

void CWorkBuffer::Release() {
    std::free(Data);
    Data = nullptr;
    Bytes = 0;
}

std::size_t CWorkBuffer::CheckedProduct(std::initializer_list<std::size_t> factors) {
    std::size_t product = 1;
    for (std::size_t f : factors)
        if (__builtin_mul_overflow(product, f, &product))
            NoMemory();
    return product;
}
