#include "app/CorvaleApp.h"

#include "ui/CorvaleDlg.h"

CCorvaleApp theApp;

BOOL CCorvaleApp::InitInstance()
{
    CCorvaleDlg dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    // A scan may still be running: its threads write to the dialog and its list. The
    // process ends here, before anything they use is destroyed, and the threads with it.
    ::ExitProcess(0);
}
