#include "SaveDialog.h"

void SaveThroughDialog(HWND dialog, const std::string& name, int typeIndex)
{
    HWND types = ::GetDlgItem(dialog, kSaveFileTypeList);
    ::SendMessageA(types, CB_SETCURSEL, static_cast<WPARAM>(typeIndex), 0);
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kSaveFileTypeList, CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));
    ::SetDlgItemTextA(dialog, kSaveFileNameEdit, name.c_str());
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
}
