// CxShadeButton: an owner-drawn button on a grained, shaded face that brightens under the
// pointer, with an icon, its own label font and colours, a dotted focus frame and a tooltip.
// Push, check-box and radio kinds; the latter two keep their check state themselves.
#pragma once

#include "controls/PaletteDib.h"
#include "winlib/Button.h"
#include "winlib/GdiObject.h"
#include "winlib/ToolTipCtrl.h"

#include <string>

class CxShadeButton : public CButton {
public:
    enum class Kind : DWORD { Push = 0, CheckBox = 2, Radio = 4 };

    CxShadeButton();
    ~CxShadeButton() override;

    // Set-up by the owner once the button is attached.
    bool SetLabelFont(const char* faceName, LONG height, LONG weight, BYTE italic, BYTE underline);
    void SetTipTexts(const char* text, const char* checkedText);
    // Builds the faces and focus lines for the button's current size.
    void BuildShades();
    // Returns the label colour that was in force before.
    COLORREF SetLabelColors(COLORREF normal, COLORREF hover);
    // Icons from the program's resources (0: none); the icon sits leftOffset pixels right of
    // the focus margin, centred vertically.
    void SetIcon(WORD normalId, WORD disabledId, WORD hoverId, int leftOffset);

    Kind GetKind() const { return m_Kind; }
    bool IsPushLike() const { return m_PushLike; }
    bool IsFlat() const { return m_Flat; }
    bool HasBorder() const { return m_Border; }
    UINT GetTextFormat() const { return m_TextFormat; }
    bool IsHovered() const { return m_Hover; }
    bool IsMouseDown() const { return m_MouseDown; }
    RECT GetIconBox() const { return m_IconBox; }
    HICON GetIcon() const { return m_NormalIcon; }
    const LOGFONTA& GetLabelLogFont() const { return m_LogFont; }
    HWND GetToolTip() const { return m_ToolTip.GetSafeHwnd(); }

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    virtual void DrawItem(const DRAWITEMSTRUCT& draw);

private:
    // The mouse handlers get the message's key flags and the point in client coordinates.
    void OnLButtonDown(UINT flags, POINT point);
    void OnLButtonUp(UINT flags, POINT point);
    void OnMouseMove(UINT flags, POINT point);
    void OnLButtonDblClk(UINT flags, POINT point);
    void OnKillFocus(HWND newFocus);
    void OnKeyDown(UINT key, UINT repeatCount, UINT flags);
    void OnMouseLeave();
    void OnShadeUncheck();
    void OnSetCheck(int check);

    bool FollowPointerWhilePressed();
    bool IsDefaultButton(UINT itemState) const;
    bool IsOverThisButton(POINT clientPoint) const;
    void ToggleCheckFromUser();
    void UncheckGroupMembers() const;
    void RelayEvent(UINT msg, UINT flags, POINT point) const;
    void SetToolText(const std::string& text);
    const std::string& TipTextToShow() const;
    HICON HoverIcon() const;
    void DrawIconAt(HDC dc, HICON icon, int dx, int dy, UINT flags) const;
    void DrawFocusFrame(HDC dc, const RECT& frame) const;
    // The three looks of DrawItem: each draws face, icon and frame, sets the label colour
    // and moves the label's box where the look wants it.
    void DrawDisabled(HDC dc, const RECT& rect, RECT& label) const;
    void DrawPressed(HDC dc, const RECT& rect, RECT& label) const;
    void DrawRaised(HDC dc, RECT& rect, UINT itemState) const;

    CFont m_LabelFont;
    LOGFONTA m_LogFont{};
    std::string m_TipText;
    std::string m_CheckedTipText;
    bool m_Checked = false;
    bool m_PushLike = false;
    Kind m_Kind = Kind::Push;
    CPaletteDib m_NormalFace;
    CPaletteDib m_PressedFace;
    CPaletteDib m_DisabledFace;
    CPaletteDib m_HoverFace;
    CPaletteDib m_FocusLineH;
    CPaletteDib m_FocusLineV;
    bool m_Hover = false;
    bool m_MouseDown = false;
    CToolTipCtrl m_ToolTip;
    short m_FocusRectMargin = 4;
    COLORREF m_TextColor;
    COLORREF m_HoverTextColor;
    bool m_Border = true;
    CIcon m_NormalIcon;
    CIcon m_HoverIcon;  // only an icon distinct from the normal one
    CIcon m_DisabledIcon;
    RECT m_IconBox{};
    UINT m_TextFormat = DT_CENTER;
    bool m_Flat = false;
};
