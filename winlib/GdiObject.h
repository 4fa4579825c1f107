// Owning wrappers for GDI objects and icons: the object is deleted with its owner.
#pragma once

#include <windows.h>
#include <utility>

template <class Handle>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(Handle handle) : m_handle(handle) {}
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept
    {
        if (this != &other)
            Attach(std::exchange(other.m_handle, nullptr));
        return *this;
    }

    // Takes ownership of handle, deleting what was held before.
    void Attach(Handle handle)
    {
        DeleteObject();
        m_handle = handle;
    }
    Handle Detach() { return std::exchange(m_handle, nullptr); }
    void DeleteObject()
    {
        if (m_handle)
            ::DeleteObject(m_handle);
        m_handle = nullptr;
    }
    Handle Get() const { return m_handle; }
    operator Handle() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    Handle m_handle = nullptr;
};

using CFont = CGdiObject<HFONT>;
using CBitmap = CGdiObject<HBITMAP>;
using CBrush = CGdiObject<HBRUSH>;
using CPen = CGdiObject<HPEN>;

class CIcon {
public:
    CIcon() = default;
    explicit CIcon(HICON icon) : m_icon(icon) {}
    ~CIcon() { Destroy(); }
    CIcon(const CIcon&) = delete;
    CIcon& operator=(const CIcon&) = delete;

    void Attach(HICON icon)
    {
        Destroy();
        m_icon = icon;
    }
    void Destroy()
    {
        if (m_icon)
            ::DestroyIcon(m_icon);
        m_icon = nullptr;
    }
    HICON Get() const { return m_icon; }
    operator HICON() const { return m_icon; }

private:
    HICON m_icon = nullptr;
};

// A font made with the fixed quality and family settings our windows use.
HFONT CreateUiFont(const char* face, int height, int weight);
