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
    // How many pixels within `area` (cut to the image) match.
    int CountIn(const RECT& area, bool (*match)(COLORREF)) const
    {
        int count = 0;
        for (int y = area.top < 0 ? 0 : area.top; y < height && y < area.bottom; ++y)
            for (int x = area.left < 0 ? 0 : area.left; x < width && x < area.right; ++x)
                count += match(At(x, y)) ? 1 : 0;
        return count;
    }
};

class PixelSurface {
public:
    PixelSurface(int width, int height, COLORREF fill)
        : m_Width(width > 0 ? width : 0), m_Height(height > 0 ? height : 0), m_Dc(::CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = m_Width;
        info.bmiHeader.biHeight = -m_Height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        if (m_Width > 0 && m_Height > 0)
            m_Bitmap = ::CreateDIBSection(m_Dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_Bits = static_cast<DWORD*>(bits);
        if (m_Bitmap)
            m_Old = ::SelectObject(m_Dc, m_Bitmap);
        const DWORD value = (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
        for (int i = 0; m_Bits && i < m_Width * m_Height; ++i)
            m_Bits[i] = value;
    }
    ~PixelSurface()
    {
        if (m_Old)
            ::SelectObject(m_Dc, m_Old);
        if (m_Bitmap)
            ::DeleteObject(m_Bitmap);
        ::DeleteDC(m_Dc);
    }
    PixelSurface(const PixelSurface&) = delete;
    PixelSurface& operator=(const PixelSurface&) = delete;

    HDC Dc() const { return m_Dc; }
    // The pixel as the DIB holds it: 0x00RRGGBB.
    DWORD Raw(int x, int y) const
    {
        ::GdiFlush();
        return m_Bits ? m_Bits[y * m_Width + x] : 0;
    }
    COLORREF At(int x, int y) const
    {
        const DWORD p = Raw(x, y);
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    std::vector<DWORD> RawPixels() const
    {
        ::GdiFlush();
        return m_Bits ? std::vector<DWORD>(m_Bits, m_Bits + static_cast<size_t>(m_Width) * m_Height) : std::vector<DWORD>();
    }
    Image Read() const
    {
        Image image;
        image.width = m_Width;
        image.height = m_Height;
        for (const DWORD p : RawPixels())
            image.pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
        return image;
    }

private:
    int m_Width;
    int m_Height;
    HDC m_Dc;
    HBITMAP m_Bitmap = nullptr;
    HGDIOBJ m_Old = nullptr;
    DWORD* m_Bits = nullptr;
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
