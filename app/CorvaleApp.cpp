#include "app/CorvaleApp.h"

#include "ui/CorvaleDlg.h"

CCorvaleApp theApp;

BOOL CCorvaleApp::InitInstance()
{
    // A run still under way when the window closes is left to end on its own: its threads
    // hold only their own shared state, and the process ends with its main thread.
    CCorvaleDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
