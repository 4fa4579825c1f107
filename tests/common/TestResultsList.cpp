#include "TestResultsList.h"

#include "ui/ResultsListSetup.h"

CTestResultsList::CTestResultsList() : m_HeaderFont(CreateUiFont("MS Shell Dlg", 12, 600))
{
    if (!m_Host.List() || !m_List.SubclassWindow(m_Host.List()))
        return;
    SetUpResultsList(m_List);
    // What the main window adds to the shared set-up.
    m_List.GetHeader().SetFont(m_HeaderFont);
    m_List.SetListTip("Right click here to copy the IP Address");
}

CTestResultsList::~CTestResultsList()
{
    m_List.UnsubclassWindow();
}

HWND CTestResultsList::HostWindow() const
{
    return m_Host.Window();
}

void CTestResultsList::ClickHeading(int column) const
{
    SendColumnClick(m_Host.Window(), m_List.m_hWnd, column);
}
