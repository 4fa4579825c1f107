#include "controls/PaletteDib.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {
constexpr size_t kHeaderBytes = sizeof(BITMAPINFOHEADER);
constexpr size_t kTableBytes = CPaletteDib::kColorEntries * sizeof(RGBQUAD);
// One block must stay addressable with the signed 32-bit sizes the GDI calls take.
constexpr int64_t kMaxBlockBytes = 0x7FFFFFFF;

BITMAPINFOHEADER EmptyHeader()
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    return header;
}

BYTE Blend(BYTE from, BYTE to, int percent)
{
    return static_cast<BYTE>((from * (100 - percent) + to * percent) / 100);
}

// One channel of the ramp; every product stays far inside 32 bits.
BYTE RampChannel(int low, int high, int weight)
{
    return static_cast<BYTE>(((128 - weight) * low + weight * high) / 128);
}

// One axis's share of the shade at position of extent: a cubic that runs from about -125 at
// the start to 128 at the end. The product is taken in 64 bits only so that huge surfaces
// cannot overflow; within 32 bits the result is that of plain int arithmetic.
int ShadeTerm(int position, int extent)
{
    const int k = static_cast<int>(255 * static_cast<int64_t>(position) / extent) - 127;
    return k * k * k / 16384;
}

int ShadeFromTerms(int columnTerm, int rowTerm)
{
    return std::clamp((columnTerm + rowTerm) * 120 / 128 + 128, 8, 247);
}

RGBQUAD RampEntry(COLORREF low, COLORREF high, int weight)
{
    RGBQUAD entry{};
    entry.rgbRed = RampChannel(GetRValue(low), GetRValue(high), weight);
    entry.rgbGreen = RampChannel(GetGValue(low), GetGValue(high), weight);
    entry.rgbBlue = RampChannel(GetBValue(low), GetBValue(high), weight);
    return entry;
}
}  // namespace

CPaletteDib::CPaletteDib() : m_Header(EmptyHeader()) {}

void CPaletteDib::Clear()
{
    std::vector<BYTE>().swap(m_Block);
    m_Header = EmptyHeader();
    m_RowBytes = 0;
    m_ColorEntries = 0;
}

bool CPaletteDib::Create(int width, int height)
{
    Clear();
    if (width < 0 || height < 0)
        return false;
    const int64_t rowBytes = ((static_cast<int64_t>(width) * 8 + 31) / 32) * 4;
    const int64_t imageBytes = rowBytes * height;
    if (imageBytes > kMaxBlockBytes - static_cast<int64_t>(kHeaderBytes + kTableBytes))
        return false;
    try {
        m_Block.resize(kHeaderBytes + kTableBytes + static_cast<size_t>(imageBytes));
    } catch (const std::bad_alloc&) {
        Clear();
        return false;
    }
    m_Header.biWidth = width;
    m_Header.biHeight = height;  // positive: rows are stored bottom-up
    m_Header.biPlanes = 1;
    m_Header.biBitCount = 8;
    m_Header.biCompression = BI_RGB;
    m_Header.biSizeImage = static_cast<DWORD>(imageBytes);
    std::memcpy(m_Block.data(), &m_Header, kHeaderBytes);
    m_RowBytes = static_cast<int>(rowBytes);
    m_ColorEntries = kColorEntries;
    return true;
}

bool CPaletteDib::CopyFrom(const CPaletteDib& source)
{
    if (&source == this)
        return IsValid();
    if (!source.IsValid()) {
        Clear();
        return false;
    }
    if (!Create(source.Width(), source.Height()))
        return false;
    std::memcpy(m_Block.data(), source.m_Block.data(), m_Block.size());
    return true;
}

BYTE* CPaletteDib::Bits()
{
    return IsValid() ? m_Block.data() + kHeaderBytes + kTableBytes : nullptr;
}

const BYTE* CPaletteDib::Bits() const
{
    return IsValid() ? m_Block.data() + kHeaderBytes + kTableBytes : nullptr;
}

const BITMAPINFO* CPaletteDib::Info() const
{
    return IsValid() ? reinterpret_cast<const BITMAPINFO*>(m_Block.data()) : nullptr;
}

RGBQUAD* CPaletteDib::ColorTable()
{
    return IsValid() ? reinterpret_cast<RGBQUAD*>(m_Block.data() + kHeaderBytes) : nullptr;
}

const RGBQUAD* CPaletteDib::ColorTable() const
{
    return IsValid() ? reinterpret_cast<const RGBQUAD*>(m_Block.data() + kHeaderBytes) : nullptr;
}

void CPaletteDib::SetColorEntry(BYTE index, BYTE red, BYTE green, BYTE blue)
{
    if (RGBQUAD* table = ColorTable())
        table[index] = RGBQUAD{blue, green, red, 0};
}

RGBQUAD CPaletteDib::ColorEntry(BYTE index) const
{
    const RGBQUAD* table = ColorTable();
    return table ? table[index] : RGBQUAD{};
}

void CPaletteDib::TintColors(COLORREF color, int percent)
{
    RGBQUAD* table = ColorTable();
    if (!table)
        return;
    // Outside 0..100 the blend would leave the byte range and wrap.
    percent = std::clamp(percent, 0, 100);
    for (int i = 0; i < m_ColorEntries; ++i) {
        table[i].rgbRed = Blend(table[i].rgbRed, GetRValue(color), percent);
        table[i].rgbGreen = Blend(table[i].rgbGreen, GetGValue(color), percent);
        table[i].rgbBlue = Blend(table[i].rgbBlue, GetBValue(color), percent);
    }
}

bool CPaletteDib::DrawAt(HDC dc, int x, int y) const
{
    if (!IsValid() || !dc)
        return false;
    ::SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(Width()), static_cast<DWORD>(Height()), 0, 0, 0,
                        static_cast<UINT>(Height()), Bits(), Info(), DIB_RGB_COLORS);
    return true;
}

int ShadeIndex(int i, int j, int width, int height)
{
    if (width <= 0 || height <= 0)
        return 128;
    return ShadeFromTerms(ShadeTerm(width - i, width), ShadeTerm(j, height));
}

int GrainOffset(int randomValue)
{
    return randomValue / 2047 - 8;
}

void BuildShadeRamp(COLORREF shadow, COLORREF face, COLORREF highlight, ShadeTable& table)
{
    for (int i = 0; i <= 128; ++i)
        table[static_cast<size_t>(i)] = RampEntry(shadow, face, i);
    // Entry 128 is written again here: the upper half starts at the face colour itself.
    for (int n = 1; n <= 128; ++n)
        table[static_cast<size_t>(127 + n)] = RampEntry(face, highlight, n);
}

void SetShadePalette(CPaletteDib& dib)
{
    ShadeTable table{};
    BuildShadeRamp(::GetSysColor(COLOR_BTNSHADOW), ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNHIGHLIGHT),
                   table);
    for (size_t i = 0; i < table.size(); ++i)
        dib.SetColorEntry(static_cast<BYTE>(i), table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue);
}

void FillRaisedShade(CPaletteDib& dib, int width, int height, COLORREF tint)
{
    // A repaint at the same size keeps the block: every pixel and colour is written again below.
    if (!dib.IsValid() || dib.Width() != width || dib.Height() != height)
        dib.Create(width, height);
    SetShadePalette(dib);
    dib.TintColors(tint, 5);
    if (!dib.IsValid())
        return;
    // The shade is a column's term plus a row's term: each is worked out once, not per pixel.
    std::vector<int> columnTerms;
    try {
        columnTerms.resize(static_cast<size_t>(width));
    } catch (const std::bad_alloc&) {
        dib.Clear();  // as when the bitmap itself does not fit
        return;
    }
    for (int i = 0; i < width; ++i)
        columnTerms[static_cast<size_t>(i)] = ShadeTerm(width - i, width);
    BYTE* row = dib.Bits();
    // Bottom row first, each left to right: one rand() per pixel in this order.
    for (int j = 0; j < height; ++j, row += dib.RowBytes()) {
        const int rowTerm = ShadeTerm(j, height);
        for (int i = 0; i < width; ++i)
            row[i] = static_cast<BYTE>(ShadeFromTerms(columnTerms[static_cast<size_t>(i)], rowTerm) +
                                       GrainOffset(std::rand()));
    }
}
