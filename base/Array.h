// A growable array on the heap, for code linked into the program, which
// carries no C++ runtime (no exceptions, no standard containers). Growth
// that cannot get its memory returns false and leaves the array as it was,
// so every caller sees the failure as a result. Move-only: a copy could fail
// as well, and none is needed.
#pragma once
#include <cstddef>
#include <new>
#include <utility>

template <class T>
class Array {
public:
    Array() = default;
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;
    Array(Array&& other) noexcept { Take(other); }
    Array& operator=(Array&& other) noexcept {
        if (this != &other) {
            Free();
            Take(other);
        }
        return *this;
    }
    ~Array() { Free(); }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    T* data() { return m_items; }
    const T* data() const { return m_items; }
    T& operator[](std::size_t i) { return m_items[i]; }
    const T& operator[](std::size_t i) const { return m_items[i]; }
    T* begin() { return m_items; }
    T* end() { return m_items + m_size; }
    const T* begin() const { return m_items; }
    const T* end() const { return m_items + m_size; }
    T& back() { return m_items[m_size - 1]; }

    void clear() {
        for (std::size_t i = 0; i < m_size; ++i) m_items[i].~T();
        m_size = 0;
    }

    bool Reserve(std::size_t capacity) {
        if (capacity <= m_capacity) return true;
        if (capacity > static_cast<std::size_t>(-1) / sizeof(T)) return false;
        T* items = static_cast<T*>(::operator new(capacity * sizeof(T), std::nothrow));
        if (!items) return false;
        for (std::size_t i = 0; i < m_size; ++i) {
            new (items + i) T(std::move(m_items[i]));
            m_items[i].~T();
        }
        ::operator delete(m_items);
        m_items = items;
        m_capacity = capacity;
        return true;
    }

    bool push_back(T&& value) {
        if (!Grow(1)) return false;
        new (m_items + m_size) T(std::move(value));
        ++m_size;
        return true;
    }
    bool push_back(const T& value) {
        T copy(value);
        return push_back(std::move(copy));
    }

    // Appends copies of [first, last), which must not lie in this array.
    bool Append(const T* first, const T* last) {
        const std::size_t n = static_cast<std::size_t>(last - first);
        if (!Grow(n)) return false;
        for (std::size_t i = 0; i < n; ++i) new (m_items + m_size + i) T(first[i]);
        m_size += n;
        return true;
    }

    // New items are value-initialised (zero for numbers).
    bool Resize(std::size_t size) {
        if (size < m_size) {
            for (std::size_t i = size; i < m_size; ++i) m_items[i].~T();
        } else {
            if (!Reserve(size)) return false;
            for (std::size_t i = m_size; i < size; ++i) new (m_items + i) T();
        }
        m_size = size;
        return true;
    }

    friend bool operator==(const Array& a, const Array& b) {
        if (a.m_size != b.m_size) return false;
        for (std::size_t i = 0; i < a.m_size; ++i)
            if (!(a.m_items[i] == b.m_items[i])) return false;
        return true;
    }
    friend bool operator!=(const Array& a, const Array& b) { return !(a == b); }

private:
    // Room for n more items, doubling so appends stay linear.
    bool Grow(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) - m_size) return false;
        const std::size_t want = m_size + n;
        if (want <= m_capacity) return true;
        std::size_t capacity = m_capacity ? m_capacity : 4;
        while (capacity < want) capacity = capacity > static_cast<std::size_t>(-1) / 2 ? want : capacity * 2;
        return Reserve(capacity) || Reserve(want);
    }
    void Free() {
        clear();
        ::operator delete(m_items);
        m_items = nullptr;
        m_capacity = 0;
    }
    void Take(Array& other) {
        m_items = other.m_items;
        m_size = other.m_size;
        m_capacity = other.m_capacity;
        other.m_items = nullptr;
        other.m_size = other.m_capacity = 0;
    }

    T* m_items = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};
