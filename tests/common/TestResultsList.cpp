#include "TestResultsList.h"

#include "ui/ResultsListSetup.h"

CTestResultsList::CTestResultsList()
{
    if (!m_Host.List() || !m_List.SubclassWindow(m_Host.List()))
        return;
    SetUpResultsList(m_List);
}

CTestResultsList::~CTestResultsList()
{
    m_List.UnsubclassWindow();
}

void CTestResultsList::ClickHeading(int column) const
{
    SendColumnClick(m_Host.Window(), m_List.m_hWnd, column);
}
