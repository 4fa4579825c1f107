// CStaticHyperLink: a static text of a dialog template shown and used as a web link:
// underlined, a hand cursor, one colour normally and another under the pointer, an
// optional tip; a click opens its address or, in notify-parent mode, tells the parent.
#pragma once

#include "controls/ControlMessages.h"
#include "winlib/GdiObject.h"
#include "winlib/Static.h"
#include "winlib/ToolTipCtrl.h"

#include <functional>
#include <string>
#include <utility>

// What a link opens its address with, given by its owner: the program starts a browser,
// tests record the address.
struct HyperLinkPlatform {
    std::function<void(const char* address)> OpenAddress;
};

class CStaticHyperLink : public CStatic {
public:
    static constexpr UINT_PTR kToolId = 1001;

    CStaticHyperLink() = default;
    ~CStaticHyperLink() override;

    void SetLinkUrl(const char* url);
    void SetLinkColor(COLORREF color) { m_LinkColor = color; }
    void SetHoverColor(COLORREF color) { m_HoverColor = color; }
    void EnableLinkTip() { m_TipEnabled = true; }
    // Ignored until EnableLinkTip.
    void SetLinkTip(const char* text);
    void SetNotifyParent() { m_NotifyParent = true; }

    bool IsHovered() const { return m_Hover; }
    HWND GetToolTipWindow() const { return m_ToolTip.GetSafeHwnd(); }

    // Until a platform with an OpenAddress is set, a click opens nothing.
    void SetPlatform(HyperLinkPlatform platform) { m_Platform = std::move(platform); }

    bool PreTranslateMessage(MSG& msg) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void OnMouseMove(POINT point);
    void OnCaptureChanged(HWND newCapture);
    HBRUSH OnCtlColor(HDC dc) const;
    void OnClicked();
    void SetHover(bool hover);
    // Redraws the link on its parent's background; RDW_UPDATENOW or 0 (at the next paint).
    void Repaint(UINT when) const;

    bool m_NotifyParent = false;
    HCURSOR m_HandCursor = nullptr;
    bool m_TipEnabled = false;
    bool m_Hover = false;
    HFONT m_OriginalFont = nullptr;  // the owner's; handed back if we go before the control
    CFont m_UnderlineFont;
    CToolTipCtrl m_ToolTip;
    std::string m_Url;
    HyperLinkPlatform m_Platform;
    COLORREF m_HoverColor = RGB(255, 0, 0);
    COLORREF m_LinkColor = RGB(0, 0, 0);
};
