#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>

// Raw memory for the engine's working images and scratch tables. The engine has no
// error path for missing memory: when a buffer cannot be had, the process ends at
// once with exit status -1 (std::_Exit, nothing saved), which is what the document
// relies on instead of checking every pass.
class CWorkBuffer {
public:
    CWorkBuffer() = default;
    ~CWorkBuffer();
    CWorkBuffer(const CWorkBuffer&) = delete;
    CWorkBuffer& operator=(const CWorkBuffer&) = delete;

    // Replaces the contents with `bytes` uninitialised bytes (64-byte aligned).
    void Allocate(std::size_t bytes);
    void Release();

    template <class T>
    T* As() const {
        return static_cast<T*>(Data);
    }
    std::size_t Size() const { return Bytes; }

    // Product of the factors, or the end of the process when it does not fit size_t.
    static std::size_t CheckedProduct(std::initializer_list<std::size_t> factors);
    // Ends the process the way a failed allocation does.
    [[noreturn]] static void NoMemory();

private:
    void* Data = nullptr;
    std::size_t Bytes = 0;
};

// A work buffer of `T`s (trivial types: their memory is not initialised).
template <class T>
class CWorkArray {
public:
    // Replaces the contents with room for `count` elements.
    void Allocate(std::size_t count) {
        Raw.Allocate(CWorkBuffer::CheckedProduct({count, sizeof(T)}));
        Count = count;
    }
    // Grows to at least `count` elements; smaller requests keep the buffer (and its contents).
    void Reserve(std::size_t count) {
        if (count > Count)
            Allocate(count);
    }
    T* Data() const { return Raw.As<T>(); }
    T& operator[](std::size_t i) const { return Data()[i]; }
    std::size_t Size() const { return Count; }

private:
    CWorkBuffer Raw;
    std::size_t Count = 0;
};
