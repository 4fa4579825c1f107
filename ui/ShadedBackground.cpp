#include "ui/ShadedBackground.h"

#include "winlib/DC.h"
#include "winlib/GdiObject.h"

void PaintShadedBackground(HDC dc, CPaletteDib& background, int width, int height)
{
    FillRaisedShade(background, width, height, kBackgroundTint);
    const CMemDC memory(dc);
    const CBitmap surface(::CreateCompatibleBitmap(dc, width, height));
    if (!memory || !surface)
        return;
    const CSelectObject select(memory, surface);
    background.DrawAt(memory, 0, 0);
    ::BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
}
