#include "WinApp.h"

#include <commctrl.h>

CWinApp* CWinApp::s_current = nullptr;

CWinApp::CWinApp()
{
    s_current = this;
}

CWinApp::~CWinApp()
{
    if (s_current == this)
        s_current = nullptr;
}

BOOL CWinApp::InitInstance() { return FALSE; }

HICON CWinApp::LoadIcon(UINT id) const
{
    return ::LoadIconA(m_hInstance, MAKEINTRESOURCEA(id));
}

CWinApp* CWinApp::Current() { return s_current; }

int AfxWinMain(HINSTANCE instance)
{
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    CWinApp* app = CWinApp::Current();
    if (!app)
        return 1;
    app->m_hInstance = instance;
    app->InitInstance();
    return 0;
}
