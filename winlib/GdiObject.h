// Owning wrappers for GDI objects and icons: the object is deleted with its owner.
#pragma once

#include <windows.h>
#include <utility>

template <class Handle>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(Handle handle) : m_Handle(handle) {}
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& other) noexcept : m_Handle(std::exchange(other.m_Handle, nullptr)) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept
    {
        if (this != &other)
            Attach(std::exchange(other.m_Handle, nullptr));
        return *this;
    }

    // Takes ownership of handle, deleting what was held before.
    void Attach(Handle handle)
    {
        DeleteObject();
        m_Handle = handle;
    }
    Handle Detach() { return std::exchange(m_Handle, nullptr); }
    void DeleteObject()
    {
        if (m_Handle)
            ::DeleteObject(m_Handle);
        m_Handle = nullptr;
    }
    Handle Get() const { return m_Handle; }
    operator Handle() const { return m_Handle; }
    explicit operator bool() const { return m_Handle != nullptr; }

private:
    Handle m_Handle = nullptr;
};

using CFont = CGdiObject<HFONT>;
using CBitmap = CGdiObject<HBITMAP>;
using CBrush = CGdiObject<HBRUSH>;
using CPen = CGdiObject<HPEN>;

class CIcon {
public:
    CIcon() = default;
    explicit CIcon(HICON icon) : m_Icon(icon) {}
    ~CIcon() { Destroy(); }
    CIcon(const CIcon&) = delete;
    CIcon& operator=(const CIcon&) = delete;

    void Attach(HICON icon)
    {
        Destroy();
        m_Icon = icon;
    }
    void Destroy()
    {
        if (m_Icon)
            ::DestroyIcon(m_Icon);
        m_Icon = nullptr;
    }
    HICON Get() const { return m_Icon; }
    operator HICON() const { return m_Icon; }

private:
    HICON m_Icon = nullptr;
};

// A font made with the fixed quality and family settings our windows use.
HFONT CreateUiFont(const char* face, int height, int weight);
