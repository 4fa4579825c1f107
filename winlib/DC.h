// Device contexts with owners: painting, client area, memory; and scoped selection.
#pragma once

#include <windows.h>

class CPaintDC {
public:
    explicit CPaintDC(HWND hwnd) : m_Window(hwnd) { m_Dc = ::BeginPaint(hwnd, &m_Paint); }
    ~CPaintDC() { ::EndPaint(m_Window, &m_Paint); }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    operator HDC() const { return m_Dc; }
    const PAINTSTRUCT& Paint() const { return m_Paint; }

private:
    HWND m_Window;
    PAINTSTRUCT m_Paint{};
    HDC m_Dc = nullptr;
};

class CClientDC {
public:
    explicit CClientDC(HWND hwnd) : m_Window(hwnd), m_Dc(::GetDC(hwnd)) {}
    ~CClientDC()
    {
        if (m_Dc)
            ::ReleaseDC(m_Window, m_Dc);
    }
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    operator HDC() const { return m_Dc; }

private:
    HWND m_Window;
    HDC m_Dc;
};

// A memory DC compatible with another, deleted with its owner.
class CMemDC {
public:
    explicit CMemDC(HDC compatibleWith) : m_Dc(::CreateCompatibleDC(compatibleWith)) {}
    ~CMemDC()
    {
        if (m_Dc)
            ::DeleteDC(m_Dc);
    }
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;
    operator HDC() const { return m_Dc; }

private:
    HDC m_Dc;
};

// Selects an object into a DC and puts the previous one back into that same DC.
class CSelectObject {
public:
    CSelectObject(HDC hdc, HGDIOBJ object) : m_Dc(hdc), m_Old(hdc && object ? ::SelectObject(hdc, object) : nullptr) {}
    ~CSelectObject()
    {
        if (m_Dc && m_Old)
            ::SelectObject(m_Dc, m_Old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_Dc;
    HGDIOBJ m_Old;
};
