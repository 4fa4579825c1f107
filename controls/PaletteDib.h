// CPaletteDib: an 8-bit device-independent bitmap with a 256-entry colour table, and the
// grained shade that buttons and window backgrounds are filled with.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <vector>

class CPaletteDib {
public:
    static constexpr int kColorEntries = 256;

    CPaletteDib();
    CPaletteDib(const CPaletteDib&) = delete;
    CPaletteDib& operator=(const CPaletteDib&) = delete;

    // Replaces the bitmap by a width x height one (colour table and pixels zeroed). False,
    // leaving the object empty, for negative sizes, sizes too large for one block, or when
    // the memory is not there.
    bool Create(int width, int height);
    // Becomes a byte-for-byte copy of source; an empty source leaves this empty too.
    bool CopyFrom(const CPaletteDib& source);
    void Clear();

    bool IsValid() const { return !m_Block.empty(); }
    // The first pixel row in memory, which is the bottom row of the picture; null when empty.
    BYTE* Bits();
    const BYTE* Bits() const;
    // Header followed by the colour table, as the GDI calls take it; null when empty.
    const BITMAPINFO* Info() const;
    int Width() const { return m_Header.biWidth; }
    int Height() const { return m_Header.biHeight; }
    int RowBytes() const { return m_RowBytes; }
    int ColorEntries() const { return m_ColorEntries; }

    void SetColorEntry(BYTE index, BYTE red, BYTE green, BYTE blue);
    RGBQUAD ColorEntry(BYTE index) const;
    // Blends every colour-table entry percent % toward color (percent kept within 0..100).
    void TintColors(COLORREF color, int percent);

    // Copies the whole bitmap 1:1 with its top-left corner at (x, y).
    bool DrawAt(HDC dc, int x, int y) const;

private:
    RGBQUAD* ColorTable();
    const RGBQUAD* ColorTable() const;

    std::vector<BYTE> m_Block;  // header, colour table, pixel rows
    BITMAPINFOHEADER m_Header{};
    int m_RowBytes = 0;
    int m_ColorEntries = 0;
};

using ShadeTable = std::array<RGBQUAD, CPaletteDib::kColorEntries>;

// The shade before the grain at column i (0 = left) of row j (0 = bottom) of a width x height
// surface: near 247 toward the top-left corner, near 8 toward the bottom-right one.
int ShadeIndex(int i, int j, int width, int height);

// The grain added to a pixel for one value of rand() (0..32767): -8..+8.
int GrainOffset(int randomValue);

// The colour ramp from shadow (entry 0) over just below face (127) to highlight (255).
void BuildShadeRamp(COLORREF shadow, COLORREF face, COLORREF highlight, ShadeTable& table);

// Writes the ramp of the current button shadow, face and highlight colours into dib.
void SetShadePalette(CPaletteDib& dib);

// Makes dib a width x height raised, grained shade whose colours lean 5 % toward tint.
void FillRaisedShade(CPaletteDib& dib, int width, int height, COLORREF tint);
