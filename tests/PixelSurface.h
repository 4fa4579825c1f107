// Reading back drawn pixels: a 32-bit top-down DIB section in a memory DC. Shared by the
// core and window tests.
#pragma once

#include <windows.h>

#include <vector>

// Pixels of a window or a drawing, top row first.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
    bool Empty() const { return pixels.empty(); }
};

class PixelSurface {
public:
    PixelSurface(int width, int height, COLORREF fill)
        : m_width(width > 0 ? width : 0), m_height(height > 0 ? height : 0), m_dc(::CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = m_width;
        info.bmiHeader.biHeight = -m_height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        if (m_width > 0 && m_height > 0)
            m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<DWORD*>(bits);
        if (m_bitmap)
            m_old = ::SelectObject(m_dc, m_bitmap);
        const DWORD value = (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
        for (int i = 0; m_bits && i < m_width * m_height; ++i)
            m_bits[i] = value;
    }
    ~PixelSurface()
    {
        if (m_old)
            ::SelectObject(m_dc, m_old);
        if (m_bitmap)
            ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    PixelSurface(const PixelSurface&) = delete;
    PixelSurface& operator=(const PixelSurface&) = delete;

    HDC Dc() const { return m_dc; }
    // The pixel as the DIB holds it: 0x00RRGGBB.
    DWORD Raw(int x, int y) const
    {
        ::GdiFlush();
        return m_bits ? m_bits[y * m_width + x] : 0;
    }
    COLORREF At(int x, int y) const
    {
        const DWORD p = Raw(x, y);
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    std::vector<DWORD> RawPixels() const
    {
        ::GdiFlush();
        return m_bits ? std::vector<DWORD>(m_bits, m_bits + static_cast<size_t>(m_width) * m_height) : std::vector<DWORD>();
    }
    Image Read() const
    {
        Image image;
        image.width = m_width;
        image.height = m_height;
        for (const DWORD p : RawPixels())
            image.pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
        return image;
    }

private:
    int m_width;
    int m_height;
    HDC m_dc;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    DWORD* m_bits = nullptr;
};

// Copies a w x h block of a device context at (x, y) into a surface.
inline void CopyPixels(const PixelSurface& target, HDC source, int x, int y, int w, int h)
{
    ::BitBlt(target.Dc(), 0, 0, w, h, source, x, y, SRCCOPY);
}

// What a window's client area shows now.
inline Image CaptureClient(HWND hwnd)
{
    RECT client{};
    ::GetClientRect(hwnd, &client);
    PixelSurface surface(client.right, client.bottom, RGB(0, 0, 0));
    HDC dc = ::GetDC(hwnd);
    CopyPixels(surface, dc, 0, 0, client.right, client.bottom);
    ::ReleaseDC(hwnd, dc);
    return surface.Read();
}

// What the screen shows within a rectangle, 0x00RRGGBB by row.
inline std::vector<DWORD> CaptureScreen(const RECT& rect)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return {};
    PixelSurface surface(width, height, RGB(0, 0, 0));
    HDC screen = ::GetDC(nullptr);
    CopyPixels(surface, screen, rect.left, rect.top, width, height);
    ::ReleaseDC(nullptr, screen);
    return surface.RawPixels();
}
