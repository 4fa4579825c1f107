// CDialog: a dialog made from a template resource, run modally by our own loop so that
// controls get PreTranslateMessage (tooltip relays) before the dialog manager sees a message.
#pragma once

#include "Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Creates the dialog, runs it until EndDialog and returns the value given to EndDialog
    // (-1 when the dialog cannot be created).
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

protected:
    // The base binds the member controls (DoDataExchange); overrides call it first.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange();
    virtual void OnOK();
    virtual void OnCancel();

    // The dialog's own messages, after reflection to the controls. Return true when
    // handled; `result` then becomes the message's result.
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    // Binds a control of the template to a member object. A control that cannot be bound
    // (no such id, already bound) is a fault of the program: the dialog ends at once and
    // DoModal answers -1.
    bool DDX_Control(int id, CWnd& control);

    // The default answer to WM_CTLCOLOR*: the control's own answer if it gives one,
    // else the system's colours.
    LRESULT DefaultCtlColor(UINT msg, WPARAM wp, LPARAM lp);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    bool HandleMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    bool PreTranslateTree(MSG& msg);

    UINT m_TemplateId;
    CWnd* m_Parent;
    bool m_Running = false;
    bool m_BindFailed = false;
    INT_PTR m_Result = IDCANCEL;
};
