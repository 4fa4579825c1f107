#include "controls/HeaderCtrlEx.h"

CHeaderCtrlEx::~CHeaderCtrlEx()
{
    UnsubclassWindow();
}

bool CHeaderCtrlEx::Init(HWND header)
{
    if (IsSubclassed())
        return true;
    return SubclassWindow(header);
}

LRESULT CHeaderCtrlEx::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == HDM_LAYOUT)
        return OnLayout(reinterpret_cast<HDLAYOUT*>(lp));
    return DefWindowProc(msg, wp, lp);
}

LRESULT CHeaderCtrlEx::OnLayout(HDLAYOUT* layout)
{
    const LRESULT result = DefWindowProc(HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(layout));
    if (layout && layout->pwpos && layout->prc) {
        layout->pwpos->cy = m_HeaderHeight;
        // The rows begin right under the header, wherever the list placed it.
        layout->prc->top = layout->pwpos->y + m_HeaderHeight;
    }
    return result;
}
