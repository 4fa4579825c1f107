#include "app/CorvaleApp.h"

#include "ui/CorvaleDlg.h"

CCorvaleApp theApp;

BOOL CCorvaleApp::InitInstance()
{
    CCorvaleDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    // No message loop of our own follows: the program ends with its window.
    return FALSE;
}
