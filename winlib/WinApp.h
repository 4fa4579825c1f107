// CWinApp: the one process-wide application object; WinMain hands control to it.
#pragma once

#include "Wnd.h"

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Runs the program; false means "no message loop of ours follows, end the process".
    virtual BOOL InitInstance();

    HICON LoadIcon(UINT id) const;

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;

    static CWinApp* Current();

private:
    static CWinApp* s_current;
};

// The body of WinMain: common controls, then the application object.
int AfxWinMain(HINSTANCE instance);
