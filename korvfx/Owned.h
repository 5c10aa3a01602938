// Move-only owner of a pointer a C library hands out, freed by that library's
// own function (a sound file, a cairo surface, an FFT plan, a meter).
#pragma once

template <typename T, void (*Free)(T*)>
class Owned {
public:
    explicit Owned(T* p = nullptr) : m_p(p) {}
    ~Owned() { Reset(); }
    Owned(Owned&& other) noexcept : m_p(other.Detach()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) Reset(), m_p = other.Detach();
        return *this;
    }

    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    T* Detach() {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    void Reset() {
        if (m_p) Free(m_p);
        m_p = nullptr;
    }

private:
    T* m_p;
};
