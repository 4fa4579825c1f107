// CUniqueHandle: the one owner of a handle of some kind, which it releases when it goes.
// A kind is described by its traits:
//   using Handle = ...;                   the handle's type
//   static Handle Invalid();              what an owner of nothing holds
//   static bool IsValid(Handle handle);   whether there is something to release
//   static void Close(Handle handle);     releases a valid handle
// Owners only: a function that is lent a handle takes the plain handle type.
#pragma once

#include <utility>

template <class Traits>
class CUniqueHandle {
public:
    using Handle = typename Traits::Handle;

    CUniqueHandle() = default;
    explicit CUniqueHandle(Handle handle) noexcept : m_Handle(handle) {}
    ~CUniqueHandle() { Close(); }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_Handle(other.Detach()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept
    {
        if (this != &other)
            Attach(other.Detach());
        return *this;
    }

    // Takes ownership of handle, releasing what was held before.
    void Attach(Handle handle) noexcept
    {
        Close();
        m_Handle = handle;
    }
    // Gives the handle up without releasing it; this then holds nothing.
    Handle Detach() noexcept { return std::exchange(m_Handle, Traits::Invalid()); }
    void Close() noexcept
    {
        if (Traits::IsValid(m_Handle))
            Traits::Close(m_Handle);
        m_Handle = Traits::Invalid();
    }

    Handle Get() const noexcept { return m_Handle; }
    explicit operator bool() const noexcept { return Traits::IsValid(m_Handle); }

private:
    Handle m_Handle = Traits::Invalid();
};

// The traits of the many kinds whose owner of nothing holds null.
template <class HandleType>
struct NullInvalidTraits {
    using Handle = HandleType;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle handle) noexcept { return handle != nullptr; }
};
