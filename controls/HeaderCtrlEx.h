// CHeaderCtrlEx: takes over a list view's header so that the header keeps a height of its
// own, whatever its font.
#pragma once

#include "winlib/HeaderCtrl.h"

class CHeaderCtrlEx : public CHeaderCtrl {
public:
    static constexpr int kDefaultHeight = 20;

    CHeaderCtrlEx() = default;
    ~CHeaderCtrlEx() override;

    // Attaches the object to a list view's header window. True when attached, also when it
    // already was (the window given then is ignored).
    bool Init(HWND header);

    // Takes effect at the list's next layout of its header, which the caller brings about.
    void SetHeight(int height) { m_HeaderHeight = height; }
    int GetHeight() const { return m_HeaderHeight; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    LRESULT OnLayout(HDLAYOUT* layout);

    int m_HeaderHeight = kDefaultHeight;
};
