#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

// A growing run of plain values in one allocation, grown by realloc: a large block grows by
// remapping its pages rather than by copying them beside the old ones, so that filling it
// never needs twice its size, and pages not yet written take no memory.
template <typename T>
class GrowingArray
{
    static_assert(std::is_trivially_copyable_v<T>, "only plain values can be moved by realloc");

public:
    GrowingArray() = default;
    ~GrowingArray() { std::free(m_data); }
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
    void reserveFor(size_t more)
    {
        if (m_size + more <= m_capacity)
            return;
        size_t capacity = m_capacity < 256 ? 256 : m_capacity * 2;
        while (capacity < m_size + more)
            capacity *= 2;
        void *grown = std::realloc(static_cast<void *>(m_data), capacity * sizeof(T));
        if (!grown)
            throw std::bad_alloc();
        m_data = static_cast<T *>(grown);
        m_capacity = capacity;
    }

    T *m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};
