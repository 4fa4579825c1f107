// The 8-bit shaded bitmap: its layout, colour table, tint, copy and drawing, and the
// arithmetic of the grained shade.
#include "controls/PaletteDib.h"

#include "PixelSurface.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

int PixelAt(const CPaletteDib& dib, int i, int j)
{
    return dib.Bits()[j * dib.RowBytes() + i];
}

COLORREF EntryColor(const RGBQUAD& entry)
{
    return RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
}

COLORREF EntryColor(const CPaletteDib& dib, int index)
{
    return EntryColor(dib.ColorEntry(static_cast<BYTE>(index)));
}

TEST(PaletteDib, NewObjectIsEmptyAndDrawsNothing)
{
    CPaletteDib dib;
    EXPECT_FALSE(dib.IsValid());
    EXPECT_EQ(dib.Bits(), nullptr);
    EXPECT_EQ(dib.Info(), nullptr);
    EXPECT_EQ(dib.Width(), 0);
    EXPECT_EQ(dib.Height(), 0);
    EXPECT_EQ(dib.RowBytes(), 0);
    EXPECT_EQ(dib.ColorEntries(), 0);

    PixelSurface surface(4, 4, RGB(0xAB, 0xCD, 0xEF));
    EXPECT_FALSE(dib.DrawAt(surface.Dc(), 0, 0));
    EXPECT_EQ(surface.At(0, 0), RGB(0xAB, 0xCD, 0xEF));

    // Setting or tinting colours of an empty object is harmless.
    dib.SetColorEntry(3, 1, 2, 3);
    dib.TintColors(RGB(255, 255, 255), 50);
    EXPECT_FALSE(dib.IsValid());
}

TEST(PaletteDib, HeaderAndRowsFollowTheBitmapLayout)
{
    struct Case {
        int width, height, rowBytes;
    };
    const Case cases[] = {{1, 1, 4}, {3, 2, 4}, {4, 5, 4}, {5, 1, 8}, {100, 30, 100}, {101, 3, 104}, {0, 7, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        CPaletteDib dib;
        ASSERT_TRUE(dib.Create(c.width, c.height));
        EXPECT_EQ(dib.Width(), c.width);
        EXPECT_EQ(dib.Height(), c.height);
        EXPECT_EQ(dib.RowBytes(), c.rowBytes);
        EXPECT_EQ(dib.ColorEntries(), 256);
        const BITMAPINFOHEADER& header = dib.Info()->bmiHeader;
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, c.width);
        EXPECT_EQ(header.biHeight, c.height);  // positive: bottom-up rows
        EXPECT_EQ(header.biPlanes, 1);
        EXPECT_EQ(header.biBitCount, 8);
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(header.biSizeImage, static_cast<DWORD>(c.rowBytes * c.height));
        EXPECT_EQ(header.biClrUsed, 0u);
        // Pixel rows start right after the 40-byte header and the 1024-byte colour table.
        EXPECT_EQ(dib.Bits(), reinterpret_cast<const BYTE*>(dib.Info()) + 40 + 1024);
    }
}

TEST(PaletteDib, CreateRefusesSizesThatCannotBeOneBlock)
{
    const int sizes[][2] = {{-1, 5}, {5, -1}, {0x7FFFFFFF, 2}, {1 << 20, 1 << 12}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
        CPaletteDib dib;
        ASSERT_TRUE(dib.Create(2, 2));
        EXPECT_FALSE(dib.Create(size[0], size[1]));
        EXPECT_FALSE(dib.IsValid());
        EXPECT_EQ(dib.Width(), 0);
        EXPECT_EQ(dib.Bits(), nullptr);
    }
}

TEST(PaletteDib, ColorEntriesAreStoredBlueGreenRed)
{
    CPaletteDib dib;
    ASSERT_TRUE(dib.Create(2, 2));
    dib.SetColorEntry(255, 10, 20, 30);
    const RGBQUAD& stored = dib.Info()->bmiColors[255];
    EXPECT_EQ(stored.rgbBlue, 30);
    EXPECT_EQ(stored.rgbGreen, 20);
    EXPECT_EQ(stored.rgbRed, 10);
    EXPECT_EQ(stored.rgbReserved, 0);
}

TEST(PaletteDib, TintBlendsEveryEntryTowardTheColour)
{
    CPaletteDib dib;
    ASSERT_TRUE(dib.Create(1, 1));
    for (int i = 0; i < 256; ++i)
        dib.SetColorEntry(static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 7);

    dib.TintColors(RGB(200, 100, 50), 0);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(EntryColor(dib, i), RGB(i, 255 - i, 7)) << i;

    // 30 %: (old * 70 + c * 30) / 100 per channel, truncated.
    dib.TintColors(RGB(200, 100, 50), 30);
    EXPECT_EQ(EntryColor(dib, 0), RGB(60, 208, 19));
    EXPECT_EQ(EntryColor(dib, 255), RGB(238, 30, 19));

    dib.TintColors(RGB(200, 100, 50), 100);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(EntryColor(dib, i), RGB(200, 100, 50)) << i;

    // Percentages outside 0..100 do not wrap the channels.
    dib.TintColors(RGB(0, 0, 0), 250);
    EXPECT_EQ(EntryColor(dib, 9), RGB(0, 0, 0));
}

TEST(PaletteDib, CopyIsIndependentOfItsSource)
{
    CPaletteDib source;
    FillRaisedShade(source, 7, 3, RGB(255, 255, 255));
    CPaletteDib copy;
    ASSERT_TRUE(copy.Create(50, 50));
    ASSERT_TRUE(copy.CopyFrom(source));
    EXPECT_EQ(copy.Width(), 7);
    EXPECT_EQ(copy.Height(), 3);
    EXPECT_EQ(copy.RowBytes(), source.RowBytes());
    const size_t blockBytes = 40 + 1024 + static_cast<size_t>(source.RowBytes() * source.Height());
    EXPECT_EQ(std::memcmp(copy.Info(), source.Info(), blockBytes), 0);

    const COLORREF before = EntryColor(source, 100);
    copy.TintColors(RGB(255, 0, 0), 100);
    copy.Bits()[0] = static_cast<BYTE>(source.Bits()[0] + 1);
    EXPECT_EQ(EntryColor(source, 100), before);
    EXPECT_NE(copy.Bits()[0], source.Bits()[0]);

    // Copying itself keeps the bitmap; copying an empty one empties the target.
    EXPECT_TRUE(copy.CopyFrom(copy));
    EXPECT_EQ(copy.Width(), 7);
    CPaletteDib empty;
    EXPECT_FALSE(copy.CopyFrom(empty));
    EXPECT_FALSE(copy.IsValid());
}

TEST(PaletteDib, DrawsBottomRowLastAtTheGivenCorner)
{
    CPaletteDib dib;
    ASSERT_TRUE(dib.Create(3, 2));
    dib.SetColorEntry(1, 255, 0, 0);
    dib.SetColorEntry(2, 0, 0, 255);
    BYTE* bits = dib.Bits();
    bits[0] = 1;                   // first row in memory: the bottom row, left pixel
    bits[dib.RowBytes() + 2] = 2;  // second row: the top row, right pixel

    PixelSurface surface(6, 5, RGB(0xAB, 0xCD, 0xEF));
    EXPECT_FALSE(dib.DrawAt(nullptr, 0, 0));
    ASSERT_TRUE(dib.DrawAt(surface.Dc(), 2, 1));
    EXPECT_EQ(surface.At(2, 2), RGB(255, 0, 0));
    EXPECT_EQ(surface.At(4, 1), RGB(0, 0, 255));
    EXPECT_EQ(surface.At(3, 1), EntryColor(dib, 0));
    EXPECT_EQ(surface.At(1, 1), RGB(0xAB, 0xCD, 0xEF));  // outside: untouched
    EXPECT_EQ(surface.At(2, 3), RGB(0xAB, 0xCD, 0xEF));
}

TEST(ShadeArithmetic, CornersBeforeTheGrain)
{
    struct Case {
        int width, height, i, j, index;
    };
    // j = 0 is the bottom row, i = 0 the left column.
    const Case cases[] = {
        {2, 2, 0, 0, 130}, {2, 2, 1, 0, 11}, {2, 2, 0, 1, 247}, {2, 2, 1, 1, 128},
        {1, 1, 0, 0, 130}, {100, 30, 0, 29, 247}, {100, 30, 99, 0, 8},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShadeIndex(c.i, c.j, c.width, c.height), c.index)
            << c.width << " x " << c.height << " at " << c.i << ", " << c.j;
    }
}

TEST(ShadeArithmetic, GrainStaysWithinEightOfTheShade)
{
    const int cases[][2] = {{0, -8}, {2046, -8}, {2047, -7}, {16374, -1}, {16376, 0}, {32751, 7}, {32752, 8}, {32767, 8}};
    for (const auto& c : cases)
        EXPECT_EQ(GrainOffset(c[0]), c[1]) << c[0];
}

TEST(ShadeArithmetic, RampRunsFromShadowOverFaceToHighlight)
{
    ShadeTable table{};
    BuildShadeRamp(RGB(128, 128, 128), RGB(192, 192, 192), RGB(255, 255, 255), table);
    const int expected[][2] = {{0, 128}, {127, 191}, {128, 192}, {255, 255}};
    for (const auto& e : expected) {
        EXPECT_EQ(EntryColor(table[e[0]]), RGB(e[1], e[1], e[1])) << "entry " << e[0];
        EXPECT_EQ(table[e[0]].rgbReserved, 0);
    }

    // Channels are computed apart from each other.
    BuildShadeRamp(RGB(0, 64, 200), RGB(128, 0, 100), RGB(255, 255, 0), table);
    EXPECT_EQ(EntryColor(table[0]), RGB(0, 64, 200));
    EXPECT_EQ(EntryColor(table[64]), RGB(64, 32, 150));
    EXPECT_EQ(EntryColor(table[128]), RGB(128, 1, 99));  // (127 F + H) / 128
    EXPECT_EQ(EntryColor(table[255]), RGB(255, 255, 0));
}

TEST(ShadeFill, EveryPixelIsTheShadePlusOneGrainDrawInOrder)
{
    // A width that leaves row padding, and one rand() per pixel, bottom row first.
    const int width = 7;
    const int height = 5;
    std::srand(20240611);
    CPaletteDib dib;
    FillRaisedShade(dib, width, height, RGB(255, 255, 255));
    ASSERT_TRUE(dib.IsValid());
    // Worked out by hand, row 0 at the bottom: the shade before the grain,
    //   {130, 53, 21, 11, 11, 8, 8}, {223, 145, 113, 104, 104, 95, 62},
    //   {247, 170, 137, 128, 128, 119, 86}, {247, 171, 138, 128, 128, 120, 87},
    //   {247, 195, 162, 153, 153, 143, 112},
    // plus the grain of the C runtime's draws after srand(20240611) (state * 214013 + 2531011,
    // bits 16-30: 4301, 31635, 26626, 28705, ...), each spread over -8..+8 (4301 gives -6).
    const int pixels[height][width] = {
        {124, 60, 26, 17, 9, 8, 14},
        {224, 147, 117, 101, 99, 89, 60},
        {250, 171, 131, 133, 123, 113, 86},
        {239, 172, 136, 124, 126, 115, 86},
        {248, 190, 167, 146, 154, 144, 118},
    };
    for (int j = 0; j < height; ++j) {
        for (int i = 0; i < width; ++i)
            ASSERT_EQ(PixelAt(dib, i, j), pixels[j][i]) << i << ", " << j;
    }
    for (int j = 0; j < height; ++j)
        EXPECT_EQ(PixelAt(dib, 7, j), 0) << "padding of row " << j;
}

TEST(ShadeFill, ARepaintAtTheSameSizeIsAFreshFill)
{
    // A window repaints into the bitmap of its last paint: nothing of that paint (grain,
    // colours already tinted once) may show through. Sizes without and with row padding.
    const int sizes[][2] = {{8, 4}, {7, 5}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
        CPaletteDib repainted;
        std::srand(7);
        FillRaisedShade(repainted, size[0], size[1], RGB(8, 113, 230));
        std::srand(20240611);
        FillRaisedShade(repainted, size[0], size[1], RGB(8, 113, 230));

        CPaletteDib fresh;
        std::srand(20240611);
        FillRaisedShade(fresh, size[0], size[1], RGB(8, 113, 230));
        ASSERT_TRUE(repainted.IsValid());
        const size_t blockBytes = 40 + 1024 + static_cast<size_t>(fresh.RowBytes() * fresh.Height());
        EXPECT_EQ(std::memcmp(repainted.Info(), fresh.Info(), blockBytes), 0);
        EXPECT_EQ(EntryColor(repainted, 255), RGB(242, 247, 253));  // tinted 5 %, once
    }
}

TEST(ShadeFill, GrainNeverWrapsTheIndexAtTheClampedCorners)
{
    // On 100 x 30 the shade is clamped to 247 at the top-left pixel and to 8 at the
    // bottom-right one; with the grain they stay within 239..255 and 0..16.
    for (int draw = 0; draw < 50; ++draw) {
        CPaletteDib dib;
        FillRaisedShade(dib, 100, 30, RGB(255, 255, 255));
        ASSERT_TRUE(dib.IsValid());
        const int topLeft = PixelAt(dib, 0, 29);
        const int bottomRight = PixelAt(dib, 99, 0);
        ASSERT_GE(topLeft, 239);
        ASSERT_LE(bottomRight, 16);
    }
}

TEST(ShadeFill, ColoursAreTheSystemRampTintedFivePercent)
{
    const COLORREF tint = RGB(8, 113, 230);
    CPaletteDib dib;
    FillRaisedShade(dib, 3, 3, tint);
    // Worked out by hand for Wine's button colours: shadow 166, face 245 and highlight 255
    // grey; the ramp's entries 64, 127, 128 and 192 are 205, 244, 245 and 250 grey; each
    // 5 % toward the tint, truncated.
    ASSERT_EQ(::GetSysColor(COLOR_BTNSHADOW), RGB(166, 166, 166));
    ASSERT_EQ(::GetSysColor(COLOR_BTNFACE), RGB(245, 245, 245));
    ASSERT_EQ(::GetSysColor(COLOR_BTNHIGHLIGHT), RGB(255, 255, 255));
    const struct {
        int entry;
        COLORREF colour;
    } expected[] = {
        {0, RGB(158, 163, 169)},   {64, RGB(195, 200, 206)},  {127, RGB(232, 237, 243)},
        {128, RGB(233, 238, 244)}, {192, RGB(237, 243, 249)}, {255, RGB(242, 247, 253)},
    };
    for (const auto& e : expected)
        EXPECT_EQ(EntryColor(dib, e.entry), e.colour) << "entry " << e.entry;

    CPaletteDib plain;
    ASSERT_TRUE(plain.Create(1, 1));
    SetShadePalette(plain);
    EXPECT_EQ(EntryColor(plain, 0), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(EntryColor(plain, 255), ::GetSysColor(COLOR_BTNHIGHLIGHT));
}

TEST(ShadeFill, AnEmptySurfaceIsCreatedButNoPixelIsDrawn)
{
    const int sizes[][2] = {{0, 5}, {5, 0}, {0, 0}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
        std::srand(99);
        const int firstDraw = std::rand();
        std::srand(99);
        CPaletteDib dib;
        FillRaisedShade(dib, size[0], size[1], RGB(255, 255, 255));
        EXPECT_TRUE(dib.IsValid());
        EXPECT_EQ(dib.Info()->bmiHeader.biSizeImage, 0u);
        EXPECT_EQ(std::rand(), firstDraw) << "the fill consumed grain";
    }
}

}  // namespace
