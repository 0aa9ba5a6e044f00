#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <utility>

// A growing run of plain values in one allocation: a large block grows by remapping its pages
// rather than by copying them beside the old ones, so that filling it never needs twice its
// size, growing it takes no time worth a user's notice, and pages not yet written take no
// memory. Large blocks are mapped by the array itself: the C library maps them too, but only
// above a threshold that it raises each time such a block is freed, and a block it keeps on
// its heap grows by copying (tens of milliseconds for the text of a million hits, in one turn
// of the event loop, from the second search on).
template <typename T>
class GrowingArray
{
    static_assert(std::is_trivially_copyable_v<T>, "only plain values can be moved by realloc");

public:
    GrowingArray() = default;
    ~GrowingArray() { release(m_data, m_capacity * sizeof(T)); }
    GrowingArray(GrowingArray &&other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
          m_capacity(std::exchange(other.m_capacity, 0))
    {
    }
    GrowingArray &operator=(GrowingArray &&other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
        return *this;
    }
    GrowingArray(const GrowingArray &) = delete;
    GrowingArray &operator=(const GrowingArray &) = delete;

    size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const T *data() const { return m_data; }
    const T &operator[](size_t index) const { return m_data[index]; }

    void push_back(T value)
    {
        reserveFor(1);
        m_data[m_size++] = value;
    }
    void append(const T *values, size_t count)
    {
        if (count == 0)
            return;
        reserveFor(count);
        std::memcpy(static_cast<void *>(m_data + m_size), values, count * sizeof(T));
        m_size += count;
    }

private:
    static constexpr size_t mappedFromBytes = size_t(1) << 20;

    void reserveFor(size_t more)
    {
        if (m_size + more <= m_capacity)
            return;
        size_t capacity = m_capacity < 256 ? 256 : m_capacity * 2;
        while (capacity < m_size + more)
            capacity *= 2;
        m_data = static_cast<T *>(grown(m_data, m_size * sizeof(T), m_capacity * sizeof(T), capacity * sizeof(T)));
        m_capacity = capacity;
    }

    // Whether a block is the C library's or mapped follows from its size alone, which only grows.
    static void *grown(void *data, size_t usedBytes, size_t bytes, size_t wantedBytes)
    {
        if (wantedBytes < mappedFromBytes) {
            void *block = std::realloc(data, wantedBytes);
            if (!block)
                throw std::bad_alloc();
            return block;
        }
        if (bytes >= mappedFromBytes) {
            void *block = mremap(data, bytes, wantedBytes, MREMAP_MAYMOVE);
            if (block == MAP_FAILED)
                throw std::bad_alloc();
            return block;
        }
        void *block = mmap(nullptr, wantedBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED)
            throw std::bad_alloc();
        if (usedBytes > 0)
            std::memcpy(block, data, usedBytes);
        std::free(data);
        return block;
    }

    static void release(void *data, size_t bytes)
    {
        if (bytes >= mappedFromBytes)
            munmap(data, bytes);
        else
            std::free(data);
    }

    T *m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};
