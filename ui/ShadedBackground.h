// The generated, grained background the dialogs paint behind their transparent labels.
#pragma once

#include "controls/PaletteDib.h"

// What the background's colours lean toward: 0xE67108.
constexpr COLORREF kBackgroundTint = RGB(0x08, 0x71, 0xE6);

// Generates `background` anew at width x height and copies it to dc at (0, 0) in one block,
// composed off-screen so that the window does not flicker.
void PaintShadedBackground(HDC dc, CPaletteDib& background, int width, int height);
