// Text between a code page and UTF-16.
#pragma once

#include <windows.h>

#include <string>

std::wstring ToWide(const std::string& text, UINT codePage);
// Flags as WideCharToMultiByte takes them (0 for UTF-8).
std::string FromWide(const std::wstring& text, UINT codePage, DWORD flags = 0);
