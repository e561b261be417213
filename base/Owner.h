// The one move-only owner behind every handle kind of the program: it closes
// what it holds exactly once, when it goes or is reset, and is never copied
// (a copy would close the handle twice). A kind is a traits struct:
//   using Type = ...;                      the raw handle
//   static Type Invalid();                 the value that holds nothing
//   static bool IsValid(Type);             whether Close must be called
//   static void Close(Type);
#pragma once
#include <utility>

template <class Traits>
class Owner {
public:
    using Type = typename Traits::Type;

    Owner() = default;
    explicit Owner(Type value) : m_value(value) {}  // adopts what the caller opened
    ~Owner() { Reset(); }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& other) noexcept : m_value(other.Detach()) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) Reset(other.Detach());
        return *this;
    }

    Type Get() const { return m_value; }
    bool IsValid() const { return Traits::IsValid(m_value); }
    explicit operator bool() const { return IsValid(); }

    void Reset(Type value = Traits::Invalid()) {
        Type old = std::exchange(m_value, value);
        if (Traits::IsValid(old)) Traits::Close(old);
    }
    void Close() { Reset(); }
    Type Detach() { return std::exchange(m_value, Traits::Invalid()); }
    // For out-parameters: closes what is held first.
    Type* Put() {
        Reset();
        return &m_value;
    }

private:
    Type m_value = Traits::Invalid();
};
