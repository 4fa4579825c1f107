// Device contexts with owners: painting, client area, memory; and scoped selection.
#pragma once

#include <windows.h>

class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : m_hwnd(hwnd) { m_hdc = ::BeginPaint(hwnd, &m_ps); }
    ~CPaintDC() { ::EndPaint(m_hwnd, &m_ps); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    operator HDC() const { return m_hdc; }
    const PAINTSTRUCT& Paint() const { return m_ps; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_hdc = nullptr;
};

class CClientDC {
public:
    explicit CClientDC(HWND hwnd) : m_hwnd(hwnd), m_hdc(::GetDC(hwnd)) {}
    ~CClientDC()
    {
        if (m_hdc)
            ::ReleaseDC(m_hwnd, m_hdc);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    operator HDC() const { return m_hdc; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// A memory DC compatible with another, deleted with its owner.
class CMemDC {
public:
    explicit CMemDC(HDC compatibleWith) : m_hdc(::CreateCompatibleDC(compatibleWith)) {}
    ~CMemDC()
    {
        if (m_hdc)
            ::DeleteDC(m_hdc);
    }
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;
    operator HDC() const { return m_hdc; }

private:
    HDC m_hdc;
};

// Selects an object into a DC and puts the previous one back into that same DC.
class CSelectObject {
public:
    CSelectObject(HDC hdc, HGDIOBJ object) : m_hdc(hdc), m_old(hdc && object ? ::SelectObject(hdc, object) : nullptr) {}
    ~CSelectObject()
    {
        if (m_hdc && m_old)
            ::SelectObject(m_hdc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_old;
};
