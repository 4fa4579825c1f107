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

    Kind GetKind() const { return m_kind; }
    bool IsPushLike() const { return m_pushLike; }
    bool IsFlat() const { return m_flat; }
    bool HasBorder() const { return m_border; }
    UINT GetTextFormat() const { return m_textFormat; }
    bool IsHovered() const { return m_hover; }
    bool IsMouseDown() const { return m_mouseDown; }
    RECT GetIconBox() const { return m_iconBox; }
    const LOGFONTA& GetLabelLogFont() const { return m_logFont; }
    HWND GetToolTip() const { return m_toolTip.GetSafeHwnd(); }

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    virtual void DrawItem(const DRAWITEMSTRUCT& draw);

private:
    LRESULT OnLButtonDown(WPARAM flags, LPARAM point);
    LRESULT OnLButtonUp(WPARAM flags, LPARAM point);
    LRESULT OnMouseMove(WPARAM flags, LPARAM point);
    LRESULT OnLButtonDblClk(WPARAM flags, LPARAM point);
    LRESULT OnKillFocus(WPARAM wp, LPARAM lp);
    LRESULT OnKeyDown(WPARAM key, LPARAM flags);
    LRESULT OnMouseLeave();
    LRESULT OnShadeUncheck();
    LRESULT OnSetCheck(WPARAM check);

    bool FollowPointerWhilePressed();
    bool IsDefaultButton(UINT itemState) const;
    bool IsOverThisButton(POINT clientPoint) const;
    void ToggleCheckFromUser();
    void UncheckGroupMembers() const;
    void RelayEvent(UINT msg, WPARAM wp, LPARAM lp) const;
    void SetToolText(const std::string& text);
    const std::string& TipTextToShow() const;
    HICON HoverIcon() const;
    void DrawIconAt(HDC dc, HICON icon, int dx, int dy, UINT flags) const;
    void DrawFocusFrame(HDC dc, const RECT& frame) const;

    CFont m_labelFont;
    LOGFONTA m_logFont{};
    std::string m_tipText;
    std::string m_checkedTipText;
    bool m_checked = false;
    bool m_pushLike = false;
    Kind m_kind = Kind::Push;
    CPaletteDib m_normalFace;
    CPaletteDib m_pressedFace;
    CPaletteDib m_disabledFace;
    CPaletteDib m_hoverFace;
    CPaletteDib m_focusLineH;
    CPaletteDib m_focusLineV;
    bool m_hover = false;
    bool m_mouseDown = false;
    CToolTipCtrl m_toolTip;
    short m_FocusRectMargin = 4;
    COLORREF m_textColor;
    COLORREF m_hoverTextColor;
    bool m_border = true;
    CIcon m_normalIcon;
    CIcon m_hoverIcon;  // only an icon distinct from the normal one
    CIcon m_disabledIcon;
    RECT m_iconBox{};
    UINT m_textFormat = DT_CENTER;
    bool m_flat = false;
};
